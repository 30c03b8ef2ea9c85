#include "discovery/devicesearch.h"

#include "link/framecodec.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QThread>
#include <QUdpSocket>

QByteArray discoveryDatagram()
{
    return QByteArray(4, '\x01');
}

QString parseSearchAnswer(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return QString();
    return decodeDeviceText(datagram).trimmed();
}

DeviceSearchOutcome searchDevices(const QList<SearchTarget> &targets, int listenMs, int pollMs,
                                  const DeviceSearchHooks &hooks)
{
    auto stopRequested = [&hooks] { return hooks.stopRequested && hooks.stopRequested(); };
    DeviceSearchOutcome outcome;
    QUdpSocket socket; // bound by the first send to an ephemeral port
    const QByteArray probe = discoveryDatagram();
    bool stopped = false;
    for (const SearchTarget &target : targets) {
        if ((stopped = stopRequested()))
            break;
        if (socket.writeDatagram(probe, target.address, target.port) < probe.size())
            continue;
        ++outcome.targetsSent;

        QElapsedTimer quiet;
        quiet.start();
        while (!(stopped = stopRequested())) {
            if (socket.hasPendingDatagrams()) {
                const QNetworkDatagram datagram = socket.receiveDatagram();
                if (datagram.isValid()) {
                    quiet.restart(); // every datagram, even an empty one, restarts the wait
                    const QByteArray data = datagram.data();
                    if (!data.isEmpty()) {
                        ++outcome.answers;
                        if (hooks.answer)
                            hooks.answer({parseSearchAnswer(data), datagram.senderAddress(),
                                          static_cast<quint16>(datagram.senderPort())});
                    }
                    continue;
                }
            }
            if (quiet.elapsed() >= listenMs)
                break;
            QThread::msleep(static_cast<unsigned long>(pollMs));
        }
        if (stopped)
            break;
    }
    if (stopped) {
        outcome.status = DeviceSearchOutcome::Failed;
        outcome.failure = Failure::Interrupted;
    } else {
        outcome.status = outcome.answers > 0 ? DeviceSearchOutcome::Answered : DeviceSearchOutcome::NoAnswer;
        outcome.failure = outcome.answers > 0 ? Failure::None : Failure::NoAnswer;
    }
    return outcome;
}
