#include "discovery/dsearchdevicethread.h"

#include "discovery/searchtargets.h"
#include "link/framecodec.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QNetworkDatagram>
#include <QUdpSocket>

DSearchDeviceThread::DSearchDeviceThread(SearchDeviceDialogInterf *owner)
    : m_owner(owner)
{
}

DSearchDeviceThread::~DSearchDeviceThread()
{
    // Destroying a running QThread aborts the process; end the search first.
    requestStop();
    wait();
}

void DSearchDeviceThread::setTargets(const QList<QHostAddress> &targets, bool useFixed)
{
    QMutexLocker lock(&m_mutex);
    m_targets = targets;
    m_useFixedTargets = useFixed;
}

void DSearchDeviceThread::setPort(quint16 port)
{
    QMutexLocker lock(&m_mutex);
    m_port = port;
}

void DSearchDeviceThread::setListenMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_listenMs = ms;
}

void DSearchDeviceThread::startSearch()
{
    if (isRunning())
        return;
    m_stop.store(false);
    start();
}

void DSearchDeviceThread::run()
{
    QList<QHostAddress> fixedTargets;
    bool useFixed;
    quint16 port;
    int listenMs;
    {
        QMutexLocker lock(&m_mutex);
        useFixed = m_useFixedTargets;
        fixedTargets = m_targets;
        port = m_port;
        listenMs = m_listenMs;
    }

    QUdpSocket socket; // bound by the first send to an ephemeral port
    const QByteArray probe = discoveryDatagram();

    emit signalSetEnableButtons(false);

    const QList<QHostAddress> targets = useFixed ? fixedTargets : collectBroadcastTargets();
    for (const QHostAddress &target : targets) {
        if (m_stop.load())
            break;
        if (socket.writeDatagram(probe, target, port) < probe.size())
            continue;

        QElapsedTimer quiet;
        quiet.start();
        while (!m_stop.load()) {
            if (socket.hasPendingDatagrams()) {
                const QNetworkDatagram answer = socket.receiveDatagram();
                if (answer.isValid()) {
                    quiet.restart(); // every datagram, even an empty one, restarts the wait
                    if (!answer.data().isEmpty())
                        emit signalInsertDevice(decodeDeviceText(answer.data()).trimmed(),
                                                answer.senderAddress(),
                                                static_cast<quint16>(answer.senderPort()));
                    continue;
                }
            }
            if (quiet.elapsed() >= listenMs)
                break;
            msleep(pollMs);
        }
    }

    emit signalSetEnableButtons(true);
}
