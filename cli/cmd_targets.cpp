#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"
#include "cli/targets.h"

#include "firmware/package.h"
#include "settings/fileio.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>

#include <memory>

#ifndef Q_OS_WIN
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

// Each instrument runs in a child zrvu-cli of its own: its output cannot mix
// with another's, and a hung instrument holds only its own slot. The child
// leaves the terminal's process group so that Ctrl-C reaches this process
// alone, which decides what the children get.
class TargetProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    void setupChildProcess() override
    {
#ifndef Q_OS_WIN
        ::setpgid(0, 0);
#endif
#ifdef Q_OS_LINUX
        // Nobody would stop a child whose parent was killed outright: it
        // goes with the parent (also when that happened before this line).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != m_parent)
            ::_exit(ExitFailed);
#endif
    }
    QT_WARNING_POP

private:
#ifndef Q_OS_WIN
    const pid_t m_parent = ::getpid();
#endif
};

void signalChild(QProcess *process, bool kill)
{
#ifndef Q_OS_WIN
    if (process->processId() > 0)
        ::kill(static_cast<pid_t>(process->processId()), kill ? SIGKILL : SIGINT);
#else
    if (kill)
        process->kill();
#endif
}

// Two names of one serial port (a link, another spelling) are one port.
QString portKey(const CliTarget &target)
{
    if (target.udp)
        return QString();
    const QString canonical = QFileInfo(target.endpoint).canonicalFilePath();
    const QString key = canonical.isEmpty() ? target.endpoint : canonical;
#ifdef Q_OS_WIN
    return key.toUpper();
#else
    return key;
#endif
}

constexpr qint64 kMaxTargetsFileBytes = 4 * 1024 * 1024;

} // namespace

int runTargets(const CliOptions &options)
{
    const FileReadResult read = readRegularFile(options.targetsFile, kMaxTargetsFileBytes);
    if (!read.ok())
        return usageError(QStringLiteral("cannot read %1%2")
                              .arg(options.targetsFile,
                                   read.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(read.detail)));
    QVector<CliTarget> targets;
    QString error;
    if (!parseTargets(QString::fromUtf8(read.bytes), &targets, &error))
        return usageError(QStringLiteral("%1: %2").arg(options.targetsFile, error));
    const auto *command = findCliCommand(options.command);
    if (!command || command->targetDetail == TargetDetail::NotAllowed)
        return usageError(QStringLiteral("%1 cannot be used with --targets").arg(options.command));

    QString version;
    if (command->targetDetail == TargetDetail::Version) {
        // One unreadable package is one message, not one per instrument.
        DEncryptInfo info(options.arguments.at(0));
        DDbServer db(packageConnectionName());
        const QString failure = db.readInfo(info);
        if (!failure.isEmpty())
            return failWith(failure);
        version = info.version();
    }

    const int count = targets.size();
    QVector<TargetResult> results(count);
    QVector<bool> started(count, false);
    QHash<int, TargetProcess *> running;
    QSet<QString> busyPorts;
    bool stopping = false;
    const QString program = QCoreApplication::applicationFilePath();

    QEventLoop loop;
    std::function<void()> startMore;

    auto finish = [&](int i, const TargetResult &result) {
        results[i] = result;
        writeOut(targetLine(targets.at(i).name, result) + QLatin1Char('\n'));
        if (CliJson::enabled())
            writeOutBytes(CliJson::line(targetObject(targets.at(i), result, options.command)));
        busyPorts.remove(portKey(targets.at(i)));
        if (TargetProcess *p = running.take(i))
            p->deleteLater();
        QMetaObject::invokeMethod(&loop, [&] { startMore(); }, Qt::QueuedConnection);
    };

    auto start = [&](int i) {
        started[i] = true;
        const CliTarget &target = targets.at(i);
        auto *process = new TargetProcess;
        running.insert(i, process);
        const QString key = portKey(target);
        if (!key.isEmpty())
            busyPorts.insert(key);
        QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                         [&, i, process](int exitCode, QProcess::ExitStatus status) {
                             finish(i, judgeTargetRun(command->targetDetail, status == QProcess::CrashExit, exitCode,
                                                      process->readAllStandardOutput(), version));
                         });
        QObject::connect(process, &QProcess::errorOccurred, &loop, [&, i, process](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart)
                return;
            TargetResult r;
            r.detail = process->errorString();
            finish(i, r);
        });
        // The child's result is read, not its text.
        QStringList arguments = targetArguments(target, options.rawArguments);
        if (!arguments.contains(QStringLiteral("--json")))
            arguments.prepend(QStringLiteral("--json"));
        process->start(program, arguments);
    };

    startMore = [&] {
        for (int i = 0; i < count && !stopping && running.size() < options.jobs; ++i) {
            if (started.at(i))
                continue;
            const QString key = portKey(targets.at(i));
            if (!key.isEmpty() && busyPorts.contains(key))
                continue;
            start(i);
        }
        if (running.isEmpty())
            loop.quit();
    };

    InterruptWatcher watcher;
    QObject::connect(&watcher, &InterruptWatcher::interrupted, &loop, [&](int presses) {
        stopping = true;
        const bool flashing = command->targetDetail == TargetDetail::Version;
        if (presses >= 2) {
            if (flashing)
                writeErr(ZrvuCli::tr("固件更新被中断,设备可能需要重新更新固件。") + QLatin1Char('\n'));
            for (TargetProcess *p : qAsConst(running))
                signalChild(p, true);
            return;
        }
        writeErr(ZrvuCli::tr("不再开始新的仪器。") + QLatin1Char('\n'));
        if (flashing) {
            // Stopping between pages would leave an instrument without firmware.
            writeErr(ZrvuCli::tr("再按一次 Ctrl-C 强制结束。") + QLatin1Char('\n'));
            return;
        }
        for (TargetProcess *p : qAsConst(running))
            signalChild(p, false);
    });

    QMetaObject::invokeMethod(&loop, [&] { startMore(); }, Qt::QueuedConnection);
    loop.exec();

    for (int i = 0; i < count; ++i) {
        if (started.at(i))
            continue;
        results[i].status = TargetResult::Failed;
        results[i].detail = ZrvuCli::tr("未开始");
        writeOut(targetLine(targets.at(i).name, results.at(i)) + QLatin1Char('\n'));
        if (CliJson::enabled())
            writeOutBytes(CliJson::line(targetObject(targets.at(i), results.at(i), options.command)));
    }

    CliJson::set(QStringLiteral("targets"), count);
    const int exit = watcher.count() > 0 ? ExitInterrupted : targetsExitCode(results);
    if (!options.reportFile.isEmpty()) {
        QByteArray report;
        if (options.reportFile.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) {
            // The --json lines as one array.
            QJsonArray array;
            for (int i = 0; i < count; ++i)
                array.append(targetObject(targets.at(i), results.at(i), options.command));
            array.append(CliJson::resultObject(exit == ExitInterrupted ? interruptedExitStatus() : exit));
            report = QJsonDocument(array).toJson(QJsonDocument::Indented);
        } else {
            QStringList names;
            for (const CliTarget &t : qAsConst(targets))
                names << t.name;
            report = targetReport(names, results);
        }
        const QString failure = writeWholeFile(options.reportFile, report);
        if (!failure.isEmpty())
            return failWith(Failure::FileWriteFailed, failure);
    }
    return exit;
}
