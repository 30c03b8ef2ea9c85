#include "monitor/monitorcapture.h"

#include "link/devicelink.h"
#include "link/framecodec.h"
#include "monitor/monitorlines.h"

#include <QCoreApplication>
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

// Replies start with the device address, or with the envelope's marker.
bool startsLikeReply(const QByteArray &data, const DeviceLink &link)
{
    if (data.isEmpty())
        return false;
    const quint8 first = static_cast<quint8>(data.at(0));
    return link.encrypt ? first == 0xFE : first == link.deviceAddress;
}

class MonitorCapture
{
public:
    MonitorCapture(DeviceLink &link, const MonitorCaptureOptions &options, const MonitorCaptureHooks &hooks)
        : m_link(link)
        , m_options(options)
        , m_hooks(hooks)
    {
    }

    MonitorCaptureOutcome run();

private:
    bool stopRequested() const { return m_hooks.stopRequested && m_hooks.stopRequested(); }
    // The reply's error text; empty when the instrument took the request.
    QString switchDebug(bool on, bool first);
    int transactUdp(const QByteArray &request, QByteArray &reply);
    // Reads what is pending from the peer, at most about one budget's worth.
    void readPendingUdp();
    void readPendingSerial();
    void captureUdp();
    void captureSerial();
    void splitLines(const QByteArray &bytes);

    DeviceLink &m_link;
    const MonitorCaptureOptions &m_options;
    const MonitorCaptureHooks &m_hooks;
    MonitorLineSplitter m_lines;
    MonitorCaptureOutcome m_outcome;
};

void MonitorCapture::splitLines(const QByteArray &bytes)
{
    const QList<QByteArray> lines = m_lines.feed(bytes);
    for (const QByteArray &line : lines) {
        ++m_outcome.lines;
        if (m_hooks.line)
            m_hooks.line(line);
    }
}

void MonitorCapture::readPendingUdp()
{
    // Datagrams from anyone count against the budget: a stranger's flood
    // must not keep the read going either.
    qint64 budget = kReadBudgetBytes;
    while (budget > 0 && m_link.udpSocket && m_link.udpSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_link.udpSocket->receiveDatagram();
        const QByteArray data = datagram.data();
        budget -= std::max(1, data.size());
        const auto port = static_cast<quint16>(datagram.senderPort());
        if (m_link.isPeer(datagram.senderAddress(), port)) {
            m_link.traceReceived(data);
            splitLines(data);
        } else {
            m_link.traceDropped(data, datagram.senderAddress(), port);
        }
    }
}

void MonitorCapture::readPendingSerial()
{
    qint64 budget = kReadBudgetBytes;
    while (budget > 0 && m_link.serialPort && m_link.serialPort->isOpen() && m_link.serialPort->bytesAvailable() > 0) {
        const QByteArray data = m_link.serialPort->read(budget);
        if (data.isEmpty())
            break;
        budget -= data.size();
        m_link.traceReceived(data);
        splitLines(data);
    }
}

QString MonitorCapture::switchDebug(bool on, bool first)
{
    // Lines the instrument sent before this request would otherwise be
    // taken for part of its reply (over UDP the reply then never becomes
    // complete); show them first. The UDP socket is bound only once the
    // run's first request went out.
    if (!m_link.useUdp)
        readPendingSerial();
    else if (m_link.udpSocket->state() == QAbstractSocket::BoundState)
        readPendingUdp();
    // A run starts with a clean slate; at its end a line cut in two by the
    // request still completes.
    if (first)
        m_lines.clear();

    const QByteArray request = buildTextWriteRequest(m_link.deviceAddress, kDebugItem,
                                                     on ? QStringLiteral("1") : QStringLiteral("0"));
    QByteArray reply;
    const int result = m_link.useUdp ? transactUdp(request, reply)
                                     : m_link.transact(request, reply, false, m_options.replyTimeoutMs);
    return linkErrorText(result, reply);
}

int MonitorCapture::transactUdp(const QByteArray &request, QByteArray &reply)
{
    // As DeviceLink::transact, but datagram by datagram: while the
    // instrument's debug output is on, lines it sent before it saw this
    // request arrive ahead of the reply. They are shown, not mixed into it.
    const int timeoutMs = m_options.replyTimeoutMs;
    const QByteArray frame = m_link.encrypt ? encryptEnvelope(request) : request;
    reply.clear();
    if (!m_link.sendDatagram(frame))
        return LinkSendFailed;
    // Each piece of the reply renews the wait; lines do not, and nothing
    // makes the exchange last longer than two waits.
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = timeoutMs;
    const qint64 hardLimit = 2LL * timeoutMs;
    for (;;) {
        const qint64 left = std::min(deadline, hardLimit) - clock.elapsed();
        if (left < 0 || !m_link.waitForDatagram(static_cast<int>(left)))
            return LinkNoReply;
        bool accepted = false;
        while (m_link.udpSocket->hasPendingDatagrams()) {
            if (clock.elapsed() > hardLimit)
                return LinkNoReply;
            const QNetworkDatagram datagram = m_link.udpSocket->receiveDatagram();
            const QByteArray data = datagram.data();
            const auto port = static_cast<quint16>(datagram.senderPort());
            if (!m_link.isPeer(datagram.senderAddress(), port)) {
                m_link.traceDropped(data, datagram.senderAddress(), port);
                continue;
            }
            accepted = true;
            m_link.traceReceived(data);
            if (reply.isEmpty() && !isReplyComplete(data, m_link.deviceAddress, m_link.encrypt, false)
                && (data.endsWith('\n') || !startsLikeReply(data, m_link))) {
                splitLines(data);
                continue;
            }
            if (reply.size() + data.size() > kMaxMonitorSwitchReplyBytes) {
                // Longer than any reply can be: a bad frame, however much
                // more would follow.
                reply.clear();
                return LinkOk;
            }
            reply.append(data);
            if (isReplyComplete(reply, m_link.deviceAddress, m_link.encrypt, false)) {
                if (m_link.encrypt && reply.size() > 6)
                    reply = decryptEnvelope(reply, false);
                return LinkOk;
            }
            deadline = clock.elapsed() + timeoutMs;
        }
        if (!accepted)
            return LinkNoReply;
    }
}

void MonitorCapture::captureUdp()
{
    if (m_link.waitForDatagram(kCaptureWindowMs))
        readPendingUdp();
}

void MonitorCapture::captureSerial()
{
    if (!m_link.waitForSerialData(kCaptureWindowMs))
        return;
    // Lines go out as they complete: an instrument that never pauses for
    // 50 ms would otherwise hold back every line until the stop.
    readPendingSerial();
    while (!stopRequested() && m_link.waitForSerialData(kFollowUpWaitMs))
        readPendingSerial();
}

MonitorCaptureOutcome MonitorCapture::run()
{
    auto failed = [this](MonitorCaptureOutcome::Status status, Failure::Code failure, const QString &detail) {
        m_outcome.status = status;
        m_outcome.failure = failure;
        m_outcome.detail = detail;
        return m_outcome;
    };
    if (!m_link.open())
        return failed(MonitorCaptureOutcome::Failed, Failure::OpenFailed, m_link.errorText);

    QString error = switchDebug(m_options.debug, true);
    if (!error.isEmpty())
        return failed(MonitorCaptureOutcome::SwitchFailed, Failure::NoReply, error);
    if (!stopRequested()) {
        if (m_hooks.capturing)
            m_hooks.capturing();
        while (!stopRequested()) {
            if (m_link.useUdp) {
                captureUdp();
                continue;
            }
            captureSerial();
            // A hung-up port answers every wait at once; nothing more will
            // come, and a final request could not go out either.
            if (m_link.transportFailed())
                return failed(MonitorCaptureOutcome::Failed, Failure::LineLost, QString());
        }
    }
    if (m_options.debug) {
        error = switchDebug(false, false);
        if (!error.isEmpty())
            return failed(MonitorCaptureOutcome::SwitchOffFailed, Failure::NoReply, error);
    }
    return failed(MonitorCaptureOutcome::Captured, Failure::None, QString());
}

} // namespace

MonitorCaptureOutcome captureMonitor(DeviceLink &link, const MonitorCaptureOptions &options,
                                     const MonitorCaptureHooks &hooks)
{
    return MonitorCapture(link, options, hooks).run();
}

QString monitorCaptureTitle(const MonitorCaptureOutcome &outcome)
{
    switch (outcome.status) {
    case MonitorCaptureOutcome::SwitchFailed:
    case MonitorCaptureOutcome::SwitchOffFailed:
        return QCoreApplication::translate("MonitorThread", "监听调试");
    default:
        return QCoreApplication::translate("MonitorThread", "设备监听");
    }
}

QString monitorCaptureMessage(const MonitorCaptureOutcome &outcome)
{
    switch (outcome.status) {
    case MonitorCaptureOutcome::Captured:
        return QString();
    case MonitorCaptureOutcome::Failed:
        if (outcome.failure == Failure::LineLost)
            return QCoreApplication::translate("MonitorThread", "串口读取失败");
        return outcome.detail;
    case MonitorCaptureOutcome::SwitchFailed:
    case MonitorCaptureOutcome::SwitchOffFailed:
        return outcome.detail;
    }
    return QString();
}

Failure::Code monitorCaptureError(const MonitorCaptureOutcome &outcome)
{
    return outcome.failure;
}
