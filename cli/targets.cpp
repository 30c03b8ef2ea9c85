#include "cli/targets.h"

#include "cli/clioptions.h"
#include "cli/commands.h"

#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>

QString targetCommandNames()
{
    QStringList names;
    for (const auto &command : cliCommands()) {
        if (command.targetDetail != TargetDetail::NotAllowed)
            names << QLatin1String(command.name);
    }
    return names.join(QStringLiteral(", "));
}

QString targetFileName(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c == QLatin1Char('*')
            || c == QLatin1Char('?') || c == QLatin1Char('"') || c == QLatin1Char('<') || c == QLatin1Char('>')
            || c == QLatin1Char('|') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return out;
}

bool parseTargets(const QString &text, QVector<CliTarget> *targets, QString *error)
{
    QVector<CliTarget> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int number = i + 1;
        auto fail = [&](const QString &problem) {
            *error = QStringLiteral("line %1: %2").arg(number).arg(problem);
            return false;
        };
        QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        CliTarget t;
        t.line = number;
        const QString kind = words.takeFirst();
        int fixed = 0;
        if (kind == QLatin1String("udp")) {
            if (words.size() < 2)
                return fail(QStringLiteral("expected: udp HOST:PORT ADDRESS [NAME]"));
            QString host, port;
            if (!parseUdpEndpoint(words.at(0), &host, &port))
                return fail(QStringLiteral("bad endpoint \"%1\" (IP-ADDRESS:PORT)").arg(words.at(0)));
            t.udp = true;
            t.endpoint = (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host)
                         + QLatin1Char(':') + port;
            fixed = 1;
        } else if (kind == QLatin1String("serial")) {
            if (words.size() < 3)
                return fail(QStringLiteral("expected: serial PORT BAUD ADDRESS [NAME]"));
            t.udp = false;
            t.endpoint = words.at(0);
            if (!parseInt(words.at(1), 1, 100000000, &t.baud))
                return fail(QStringLiteral("bad baud rate \"%1\"").arg(words.at(1)));
            fixed = 2;
        } else {
            return fail(QStringLiteral("unknown link \"%1\" (udp or serial)").arg(kind));
        }
        if (!parseInt(words.at(fixed), 1, 255, &t.address))
            return fail(QStringLiteral("bad device address \"%1\" (1 to 255)").arg(words.at(fixed)));
        const QStringList rest = words.mid(fixed + 1);
        t.name = rest.join(QLatin1Char(' '));
        out << t;
    }
    if (out.isEmpty()) {
        *error = QStringLiteral("no instrument listed");
        return false;
    }
    // An unnamed target is called by its endpoint; instruments sharing one
    // (a multi-drop line, a gateway) are told apart by their address.
    QHash<QString, int> perEndpoint;
    for (const CliTarget &t : qAsConst(out))
        ++perEndpoint[t.endpoint];
    for (CliTarget &t : out) {
        if (t.name.isEmpty())
            t.name = perEndpoint.value(t.endpoint) > 1 ? QStringLiteral("%1#%2").arg(t.endpoint).arg(t.address)
                                                       : t.endpoint;
    }
    // Names key the result lines and an export's {name}: two alike would
    // report twice for one file. Case is folded as Windows' file names are.
    QHash<QString, int> seen;
    for (int i = 0; i < out.size(); ++i) {
        const CliTarget &t = out.at(i);
        const QString reduced = targetFileName(t.name);
        const auto other = seen.constFind(reduced.toCaseFolded());
        if (other == seen.constEnd()) {
            seen.insert(reduced.toCaseFolded(), i);
            continue;
        }
        const CliTarget &first = out.at(other.value());
        *error = first.name == t.name
                     ? QStringLiteral("lines %1 and %2: both named \"%3\"").arg(first.line).arg(t.line).arg(t.name)
                     : QStringLiteral("lines %1 and %2: \"%3\" and \"%4\" are the same name in a file name (\"%5\")")
                           .arg(first.line)
                           .arg(t.line)
                           .arg(first.name, t.name, reduced);
        *error += QStringLiteral("; give each instrument a NAME of its own");
        return false;
    }
    *targets = out;
    return true;
}

namespace {

// The options a target replaces or the parent alone uses.
bool isReplaced(const QString &name)
{
    static const QStringList names{QStringLiteral("--targets"), QStringLiteral("--jobs"),
                                   QStringLiteral("--report"),  QStringLiteral("--udp"),
                                   QStringLiteral("--serial"),  QStringLiteral("--baud"),
                                   QStringLiteral("--address")};
    return names.contains(name);
}

bool takesValue(const QString &name)
{
    for (const CliOptionRow &option : cliGlobalOptions()) {
        if (name == QLatin1String(option.name))
            return *option.value;
    }
    for (const CliCommandRow &command : cliCommands()) {
        for (const CliOptionRow &option : command.options) {
            if (name == QLatin1String(option.name))
                return *option.value;
        }
    }
    return false;
}

} // namespace

QStringList targetArguments(const CliTarget &target, const QStringList &parentArguments)
{
    QStringList out;
    if (target.udp)
        out << QStringLiteral("--udp") << target.endpoint;
    else
        out << QStringLiteral("--serial") << target.endpoint << QStringLiteral("--baud") << QString::number(target.baud);
    out << QStringLiteral("--address") << QString::number(target.address);

    int positional = 0;
    bool filePerTarget = false;
    bool plain = false; // after "--"
    for (int i = 0; i < parentArguments.size(); ++i) {
        QString arg = parentArguments.at(i);
        if (!plain && arg == QLatin1String("--")) {
            plain = true;
            out << arg;
            continue;
        }
        if (!plain && arg.startsWith(QLatin1String("--"))) {
            const int eq = arg.indexOf(QLatin1Char('='));
            const QString name = eq > 0 ? arg.left(eq) : arg;
            const bool valueFollows = eq < 0 && takesValue(name) && i + 1 < parentArguments.size();
            if (isReplaced(name)) {
                if (valueFollows)
                    ++i;
                continue;
            }
            out << arg;
            if (valueFollows)
                out << parentArguments.at(++i);
            continue;
        }
        if (positional == 0) {
            const auto *command = findCliCommand(arg);
            filePerTarget = command && command->filePerTarget;
        } else if (positional == 1 && filePerTarget) {
            arg.replace(QLatin1String("{name}"), targetFileName(target.name));
        }
        ++positional;
        out << arg;
    }
    return out;
}

QString targetStatusName(TargetResult::Status status)
{
    switch (status) {
    case TargetResult::Ok:
        return QStringLiteral("ok");
    case TargetResult::Refused:
        return QStringLiteral("refused");
    case TargetResult::Failed:
        break;
    }
    return QStringLiteral("failed");
}

TargetResult judgeTargetRun(TargetDetail detail, bool crashed, int exitCode, const QByteArray &jsonLines,
                            const QString &packageVersion)
{
    TargetResult r;
    if (crashed) {
        r.status = TargetResult::Failed;
        r.detail = ZrvuCli::tr("程序异常结束");
        return r;
    }
    int written = 0, refused = 0, differences = 0;
    for (const QByteArray &line : jsonLines.split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString type = object.value(QLatin1String("type")).toString();
        if (type == QLatin1String("row"))
            ++(object.value(QLatin1String("status")).toString() == QLatin1String("ok") ? written : refused);
        else if (type == QLatin1String("difference") && object.value(QLatin1String("known")).toBool(true))
            ++differences;
        else if (type == QLatin1String("result"))
            r.result = object;
    }
    const bool differs = detail == TargetDetail::Differences && exitCode == ExitDiffers;
    r.status = exitCode == ExitOk || differs ? TargetResult::Ok
               : exitCode == ExitRefused     ? TargetResult::Refused
                                             : TargetResult::Failed;
    const QString message = r.result.value(QLatin1String("message")).toString();
    const QString writeCounts = ZrvuCli::tr("写入 %1 项,拒绝 %2 项").arg(written).arg(refused);
    if (exitCode == ExitInterrupted) {
        // A stopped batch says how far it got.
        r.detail = message.isEmpty() ? ZrvuCli::tr("已中断") : message;
        if (detail == TargetDetail::WriteCounts)
            r.detail += QStringLiteral(": ") + writeCounts;
        return r;
    }
    if (r.status == TargetResult::Failed) {
        r.detail = message;
        return r;
    }
    switch (detail) {
    case TargetDetail::WriteCounts:
        r.detail = writeCounts;
        break;
    case TargetDetail::Version:
        r.detail = r.status == TargetResult::Ok ? packageVersion : message;
        break;
    case TargetDetail::Message:
    case TargetDetail::NotAllowed:
        r.detail = message;
        break;
    case TargetDetail::Differences:
        r.detail = ZrvuCli::tr("%1 项不同").arg(differences);
        break;
    }
    return r;
}

QJsonObject targetObject(const CliTarget &target, const TargetResult &result, const QString &command)
{
    // A child that never ran (or wrote no result) still gets one.
    QJsonObject child = result.result;
    if (child.isEmpty())
        child = {{QStringLiteral("type"), QStringLiteral("result")},
                 {QStringLiteral("command"), command},
                 {QStringLiteral("status"), QStringLiteral("failed")},
                 {QStringLiteral("exit"), ExitFailed},
                 {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), Failure::errorName(Failure::Failed)},
                                                       {QStringLiteral("message"), result.detail}}}};
    return {{QStringLiteral("type"), QStringLiteral("target")},
            {QStringLiteral("name"), target.name},
            {QStringLiteral("endpoint"), target.endpoint},
            {QStringLiteral("address"), target.address},
            {QStringLiteral("status"), targetStatusName(result.status)},
            {QStringLiteral("detail"), result.detail},
            {QStringLiteral("result"), child}};
}

int targetsExitCode(const QVector<TargetResult> &results)
{
    bool refused = false;
    for (const TargetResult &r : results) {
        if (r.status == TargetResult::Failed)
            return ExitFailed;
        refused = refused || r.status == TargetResult::Refused;
    }
    return refused ? ExitRefused : ExitOk;
}

namespace {

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString targetLine(const QString &name, const TargetResult &result)
{
    return oneLine(name) + QLatin1Char('\t') + targetStatusName(result.status) + QLatin1Char('\t')
           + oneLine(result.detail);
}

QByteArray targetReport(const QStringList &names, const QVector<TargetResult> &results)
{
    QString out = QStringLiteral("name,status,detail\n");
    for (int i = 0; i < names.size() && i < results.size(); ++i)
        out += csvField(names.at(i)) + QLatin1Char(',') + targetStatusName(results.at(i).status) + QLatin1Char(',')
               + csvField(results.at(i).detail) + QLatin1Char('\n');
    return out.toUtf8();
}
