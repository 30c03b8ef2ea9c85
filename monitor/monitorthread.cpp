#include "monitor/monitorthread.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>

#include <algorithm>

namespace {

constexpr quint8 kDebugItem = 255;
constexpr int kCaptureWindowMs = 100;
constexpr int kFollowUpWaitMs = 50;
// What one read takes before the stop flag is looked at again; a peer
// that sends faster than this is read never blocks the stop.
constexpr qint64 kReadBudgetBytes = 256 * 1024;
// Lines handed on per slice in the receiving thread, which then returns to
// its event loop (timers, the stop button) before the next slice.
constexpr int kDeliverBatch = 200;
constexpr int kDeliverSliceMs = 30;

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
    connect(this, &MonitorThread::signalLinesQueued, this, &MonitorThread::slotDeliverLines, Qt::QueuedConnection);
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

QString MonitorThread::droppedText(qint64 count)
{
    return tr("已丢弃 %1 行").arg(count);
}

void MonitorThread::queueLine(const QByteArray &line)
{
    bool wake = false;
    m_queue.push(line, &wake);
    if (wake)
        emit signalLinesQueued();
}

bool MonitorThread::deliver(int maxEntries)
{
    bool more = false;
    const QList<MonitorLineQueue::Entry> entries = m_queue.take(maxEntries, &more);
    for (const MonitorLineQueue::Entry &e : entries) {
        if (e.line.isEmpty())
            emit signalLinesDropped(e.dropped);
        else
            emit signalDataRecv(e.line);
    }
    return !more;
}

void MonitorThread::slotDeliverLines()
{
    QElapsedTimer clock;
    clock.start();
    while (!deliver(kDeliverBatch)) {
        if (clock.elapsed() >= kDeliverSliceMs) {
            QMetaObject::invokeMethod(this, &MonitorThread::slotDeliverLines, Qt::QueuedConnection);
            return;
        }
    }
}

void MonitorThread::deliverAll()
{
    while (!deliver(kDeliverBatch)) {
    }
}

void MonitorThread::splitLines(const QByteArray &bytes)
{
    const QList<QByteArray> lines = m_lines.feed(bytes);
    for (const QByteArray &line : lines)
        queueLine(line);
}

void MonitorThread::readPendingUdp(DeviceLink &link)
{
    // Datagrams from anyone count against the budget: a stranger's flood
    // must not keep the read going either.
    qint64 budget = kReadBudgetBytes;
    while (budget > 0 && link.udpSocket && link.udpSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = link.udpSocket->receiveDatagram();
        const QByteArray data = datagram.data();
        budget -= std::max(1, data.size());
        if (link.isPeer(datagram.senderAddress(), static_cast<quint16>(datagram.senderPort())))
            splitLines(data);
    }
}

void MonitorThread::readPendingSerial(DeviceLink &link)
{
    qint64 budget = kReadBudgetBytes;
    while (budget > 0 && link.serialPort && link.serialPort->isOpen() && link.serialPort->bytesAvailable() > 0) {
        const QByteArray data = link.serialPort->read(budget);
        if (data.isEmpty())
            break;
        budget -= data.size();
        splitLines(data);
    }
}

bool MonitorThread::switchDebug(DeviceLink &link, bool on, bool first)
{
    // Lines the instrument sent before this request would otherwise be
    // taken for part of its reply (over UDP the reply then never becomes
    // complete); show them first. The UDP socket is bound only once the
    // run's first request went out.
    if (!link.useUdp)
        readPendingSerial(link);
    else if (link.udpSocket->state() == QAbstractSocket::BoundState)
        readPendingUdp(link);
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
    if (!link.sendDatagram(frame))
        return LinkSendFailed;
    // Each piece of the reply renews the wait; lines do not, and nothing
    // makes the exchange last longer than two waits.
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = m_replyTimeoutMs;
    const qint64 hardLimit = 2LL * m_replyTimeoutMs;
    for (;;) {
        const qint64 left = std::min(deadline, hardLimit) - clock.elapsed();
        if (left < 0 || !link.waitForDatagram(static_cast<int>(left)))
            return LinkNoReply;
        bool accepted = false;
        while (link.udpSocket->hasPendingDatagrams()) {
            if (clock.elapsed() > hardLimit)
                return LinkNoReply;
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
            if (reply.size() + data.size() > kMaxSwitchReplyBytes) {
                // Longer than any reply can be: a bad frame, however much
                // more would follow.
                reply.clear();
                return LinkOk;
            }
            reply.append(data);
            if (isReplyComplete(reply, link.deviceAddress, link.encrypt, false)) {
                if (link.encrypt && reply.size() > 6)
                    reply = decryptEnvelope(reply, false);
                return LinkOk;
            }
            deadline = clock.elapsed() + m_replyTimeoutMs;
        }
        if (!accepted)
            return LinkNoReply;
    }
}

void MonitorThread::captureUdp(DeviceLink &link)
{
    if (link.waitForDatagram(kCaptureWindowMs))
        readPendingUdp(link);
}

void MonitorThread::captureSerial(DeviceLink &link)
{
    if (!link.waitForSerialData(kCaptureWindowMs))
        return;
    // Lines go out as they complete: an instrument that never pauses for
    // 50 ms would otherwise hold back every line until the stop.
    readPendingSerial(link);
    while (!m_stop && link.waitForSerialData(kFollowUpWaitMs))
        readPendingSerial(link);
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
