#include "monitor/monitorthread.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QNetworkDatagram>

namespace {

constexpr quint8 kDebugItem = 255;
constexpr int kCaptureWindowMs = 100;
constexpr int kFollowUpWaitMs = 50;

// Replies start with the device address, or with the envelope's marker.
bool startsLikeReply(const QByteArray &data, const DeviceLink &link)
{
    if (data.isEmpty())
        return false;
    const quint8 first = static_cast<quint8>(data.at(0));
    return link.encrypt ? first == 0xFE : first == link.deviceAddress;
}

} // namespace

MonitorThread::MonitorThread(QObject *parent)
    : QThread(parent)
{
}

MonitorThread::~MonitorThread()
{
    stop();
}

void MonitorThread::start()
{
    if (isRunning())
        return;
    m_stop = false;
    QThread::start();
}

void MonitorThread::stop()
{
    if (!isRunning())
        return;
    m_stop = true;
    wait();
}

void MonitorThread::splitLines(const QByteArray &bytes)
{
    const QList<QByteArray> lines = m_lines.feed(bytes);
    for (const QByteArray &line : lines)
        emit signalDataRecv(line);
}

bool MonitorThread::switchDebug(DeviceLink &link, bool on, bool first)
{
    // Lines the instrument sent before this request would otherwise be
    // taken for part of its reply (over UDP the reply then never becomes
    // complete); show them first. The UDP socket is bound only once the
    // run's first request went out.
    if (!link.useUdp || link.udpSocket->state() == QAbstractSocket::BoundState)
        splitLines(link.takePending());
    // A run starts with a clean slate; at its end a line cut in two by the
    // request still completes.
    if (first)
        m_lines.clear();

    const QByteArray request = buildTextWriteRequest(link.deviceAddress, kDebugItem,
                                                     on ? QStringLiteral("1") : QStringLiteral("0"));
    QByteArray reply;
    const int result = link.useUdp ? transactUdp(link, request, reply)
                                   : link.transact(request, reply, false, m_replyTimeoutMs);
    const QString error = linkErrorText(result, reply);
    if (error.isEmpty())
        return true;
    emit signalShowError(tr("监听调试"), error);
    return false;
}

int MonitorThread::transactUdp(DeviceLink &link, const QByteArray &request, QByteArray &reply)
{
    // As DeviceLink::transact, but datagram by datagram: while the
    // instrument's debug output is on, lines it sent before it saw this
    // request arrive ahead of the reply. They are shown, not mixed into it.
    const QByteArray frame = link.encrypt ? encryptEnvelope(request) : request;
    reply.clear();
    if (!link.udpSocket || link.udpSocket->writeDatagram(frame, link.peerAddress, link.peerPort) < 1)
        return LinkSendFailed;
    for (;;) {
        if (!link.waitForDatagram(m_replyTimeoutMs))
            return LinkNoReply;
        bool accepted = false;
        while (link.udpSocket->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = link.udpSocket->receiveDatagram();
            if (!link.isPeer(datagram.senderAddress(), static_cast<quint16>(datagram.senderPort())))
                continue;
            accepted = true;
            const QByteArray data = datagram.data();
            if (reply.isEmpty() && !isReplyComplete(data, link.deviceAddress, link.encrypt, false)
                && (data.endsWith('\n') || !startsLikeReply(data, link))) {
                splitLines(data);
                continue;
            }
            reply.append(data);
            if (isReplyComplete(reply, link.deviceAddress, link.encrypt, false)) {
                if (link.encrypt && reply.size() > 6)
                    reply = decryptEnvelope(reply, false);
                return LinkOk;
            }
        }
        if (!accepted)
            return LinkNoReply;
    }
}

void MonitorThread::captureUdp(DeviceLink &link)
{
    QByteArray buffer;
    if (link.waitForDatagram(kCaptureWindowMs))
        buffer = link.readDatagrams();
    splitLines(buffer);
}

void MonitorThread::captureSerial(DeviceLink &link)
{
    if (!link.waitForSerialData(kCaptureWindowMs))
        return;
    // Lines go out as they complete: an instrument that never pauses for
    // 50 ms would otherwise hold back every line until the stop.
    splitLines(link.serialPort->readAll());
    while (!m_stop && link.waitForSerialData(kFollowUpWaitMs))
        splitLines(link.serialPort->readAll());
}

void MonitorThread::run()
{
    m_lines.clear();
    DeviceLink link;
    if (!link.open()) {
        emit signalShowError(tr("设备监听"), link.errorText);
        return;
    }

    if (m_debug) {
        if (!switchDebug(link, true, true))
            return;
        if (m_stop) {
            switchDebug(link, false, false);
            return;
        }
    } else if (!switchDebug(link, false, true) || m_stop) {
        return;
    }

    while (!m_stop) {
        if (link.useUdp) {
            captureUdp(link);
        } else {
            captureSerial(link);
            if (link.transportFailed()) {
                // A hung-up port answers every wait at once; nothing more
                // will come, and a final request could not go out either.
                emit signalShowError(tr("设备监听"), tr("串口读取失败"));
                return;
            }
        }
    }

    if (m_debug)
        switchDebug(link, false, false);
}
