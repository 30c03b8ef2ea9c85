#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "discovery/dsearchdevicethread.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QMap>

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
    // The worker has one port per run: one run per port, in order of mention.
    QList<QPair<quint16, QList<QHostAddress>>> runs;
    for (const QString &text : options.targets) {
        QHostAddress address;
        quint16 port = 0;
        if (!parseTarget(text, &address, &port)) {
            return usageError(QStringLiteral("bad search target \"%1\" (IPv4 ADDRESS[:PORT])").arg(text));
        }
        auto it = std::find_if(runs.begin(), runs.end(), [port](const auto &run) { return run.first == port; });
        if (it == runs.end())
            runs.append({port, {address}});
        else
            it->second.append(address);
    }
    if (runs.isEmpty())
        runs.append({DSearchDeviceThread::defaultPort, {}});

    // The worker's answer signal carries the sender's address across threads.
    qRegisterMetaType<QHostAddress>("QHostAddress");
    InterruptWatcher interrupts;
    int answers = 0;
    for (const auto &run : qAsConst(runs)) {
        DSearchDeviceThread thread(nullptr);
        if (!run.second.isEmpty())
            thread.setTargets(run.second);
        thread.setPort(run.first);
        // Shorter listening for the test suites; instruments need the default.
        const int listenMs = qEnvironmentVariableIntValue("ZRVU_CLI_SEARCH_LISTEN_MS");
        if (listenMs > 0)
            thread.setListenMs(listenMs);
        QEventLoop loop;
        QObject::connect(&thread, &DSearchDeviceThread::signalInsertDevice, &loop,
                         [&answers](const QString &name, const QHostAddress &address, quint16 port) {
                             ++answers;
                             writeOut(QStringLiteral("%1\t%2\t%3\n").arg(name, addressText(address)).arg(port));
                         });
        QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
        QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&] { thread.requestStop(); });
        thread.startSearch();
        loop.exec();
        thread.wait();
        if (interrupts.count() > 0)
            return ExitInterrupted;
    }
    // An empty stdout with status 0 would read as "searched, all fine".
    if (answers == 0)
        return failWith(cliText("ZrvuCli", "没有设备应答"));
    return ExitOk;
}
