#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "discovery/devicesearch.h"
#include "discovery/dsearchdevicethread.h"
#include "discovery/searchtargets.h"

#include <QHostAddress>

namespace {

// "ADDRESS" or "ADDRESS:PORT", IPv4 only like the search itself.
bool parseTarget(const QString &text, QHostAddress *address, quint16 *port)
{
    QString host = text;
    *port = DSearchDeviceThread::defaultPort;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int p = text.mid(colon + 1).toInt(&ok);
        if (!ok || p < 1 || p > 65535)
            return false;
        *port = static_cast<quint16>(p);
        host = text.left(colon);
    }
    const QHostAddress parsed(host);
    if (parsed.isNull() || parsed.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    *address = parsed;
    return true;
}

QString addressText(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

int runSearch(const CliOptions &options)
{
    QList<SearchTarget> targets;
    for (const QString &text : options.targets) {
        SearchTarget target;
        if (!parseTarget(text, &target.address, &target.port))
            return usageError(QStringLiteral("bad search target \"%1\" (IPv4 ADDRESS[:PORT])").arg(text));
        targets.append(target);
    }
    // Shorter listening for the test suites; instruments need the default.
    const int listenEnv = qEnvironmentVariableIntValue("ZRVU_CLI_SEARCH_LISTEN_MS");
    const int listenMs = listenEnv > 0 ? listenEnv : DSearchDeviceThread::defaultListenMs;

    DeviceSearchOutcome outcome;
    OperationRun run;
    int count = 0;
    CliJson::set(QStringLiteral("count"), 0);
    runOperation(
        [&](OperationRun &r) {
            // The broadcast targets are collected where the search runs, as
            // the dialog's worker does.
            if (targets.isEmpty()) {
                for (const QHostAddress &address : collectBroadcastTargets())
                    targets.append({address, DSearchDeviceThread::defaultPort});
            }
            DeviceSearchHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            hooks.answer = [&count](const SearchAnswer &answer) {
                writeOut(QStringLiteral("%1\t%2\t%3\n").arg(answer.name, addressText(answer.address)).arg(answer.port));
                if (CliJson::enabled())
                    CliJson::record(QStringLiteral("answer"), {{QStringLiteral("name"), answer.name},
                                                               {QStringLiteral("address"), addressText(answer.address)},
                                                               {QStringLiteral("port"), int(answer.port)}});
                CliJson::set(QStringLiteral("count"), ++count);
            };
            outcome = searchDevices(targets, listenMs, DSearchDeviceThread::pollMs, hooks);
            return ExitOk;
        },
        stopOnInterrupt, -1, &run);
    if (run.interrupts > 0)
        return ExitInterrupted;
    // An empty stdout with status 0 would read as "searched, all fine".
    if (outcome.status == DeviceSearchOutcome::NoAnswer)
        return failWith(Failure::NoAnswer, ZrvuCli::tr("没有设备应答"));
    return ExitOk;
}
