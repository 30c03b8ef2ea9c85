#include "cli/jsonout.h"
#include "cli/cliruntime.h"
#include "cli/clioptions.h"

#include <QJsonDocument>

#include <atomic>
#include <mutex>

namespace {

struct State {
    std::mutex lock;
    QString command;
    QJsonObject fields;
    Failure::Code error = Failure::None;
    QStringList messages;
    QString lastErr;
    QString lastOut;
};

std::atomic_bool g_enabled{false};

State &state()
{
    static State s;
    return s;
}

// The code a failure carries when the command noted none: what its exit
// status says.
Failure::Code defaultError(int exit)
{
    switch (exit) {
    case ExitUsage:
        return Failure::Usage;
    case ExitRefused:
        return Failure::Refused;
    case ExitDiffers:
        return Failure::Differs;
    default:
        return exit >= 128 ? Failure::Interrupted : Failure::Failed;
    }
}

} // namespace

namespace CliJson {

bool enabled()
{
    return g_enabled.load();
}

void enable()
{
    g_enabled = true;
}

void setCommand(const QString &command)
{
    std::lock_guard<std::mutex> guard(state().lock);
    state().command = command;
}

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool record(const QString &type, QJsonObject fields)
{
    fields.insert(QStringLiteral("type"), type);
    return writeOutBytes(line(fields));
}

void set(const QString &key, const QJsonValue &value)
{
    std::lock_guard<std::mutex> guard(state().lock);
    state().fields.insert(key, value);
}

void noteError(Failure::Code error)
{
    std::lock_guard<std::mutex> guard(state().lock);
    if (state().error == Failure::None)
        state().error = error;
}

void noteMessage(const QString &message)
{
    std::lock_guard<std::mutex> guard(state().lock);
    state().messages << message;
}

void noteText(const QString &text, bool stderrText)
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = lines.size() - 1; i >= 0; --i) {
        QString line = lines.at(i).trimmed();
        if (line.startsWith(QLatin1String("zrvu-cli: ")))
            line = line.mid(10);
        // The pointer to --help says nothing about the run.
        if (line.isEmpty() || line.startsWith(QLatin1String("Try 'zrvu-cli")))
            continue;
        std::lock_guard<std::mutex> guard(state().lock);
        (stderrText ? state().lastErr : state().lastOut) = line;
        return;
    }
}

QString statusName(int exit)
{
    switch (exit) {
    case ExitOk:
        return QStringLiteral("ok");
    case ExitUsage:
        return QStringLiteral("usage");
    case ExitRefused:
        return QStringLiteral("refused");
    case ExitDiffers:
        return QStringLiteral("differs");
    default:
        return exit >= 128 ? QStringLiteral("interrupted") : QStringLiteral("failed");
    }
}

QJsonObject resultObject(int exit)
{
    std::lock_guard<std::mutex> guard(state().lock);
    QJsonObject out = state().fields;
    out.insert(QStringLiteral("type"), QStringLiteral("result"));
    out.insert(QStringLiteral("command"), state().command);
    out.insert(QStringLiteral("status"), statusName(exit));
    out.insert(QStringLiteral("exit"), exit);
    const QString message = state().lastErr.isEmpty() ? state().lastOut : state().lastErr;
    if (!message.isEmpty())
        out.insert(QStringLiteral("message"), message);
    if (exit != ExitOk) {
        Failure::Code error = state().error;
        // A noted code that the end contradicts (an interrupt after a
        // failure was noted) gives way to what the status says.
        if (error == Failure::None || (exit >= 128 && error != Failure::Interrupted)
            || (exit == ExitDiffers && error != Failure::Differs)
            || (exit == ExitRefused && error != Failure::Refused && error != Failure::VerifyMismatch))
            error = defaultError(exit);
        out.insert(QStringLiteral("error"),
                   QJsonObject{{QStringLiteral("code"), Failure::errorName(error)},
                               {QStringLiteral("message"), state().messages.join(QLatin1Char('\n'))}});
    }
    return out;
}

int finish(int exit)
{
    writeOutBytes(line(resultObject(exit)));
    return exit;
}

} // namespace CliJson
