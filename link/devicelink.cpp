#include "link/devicelink.h"

#include "link/framecodec.h"
#include "link/framedecoder.h"
#include "settings/linksettings.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QThread>

#include <algorithm>
#include <climits>

namespace {

constexpr int kPollSliceMs = 20;

// Waits for `signal` of the port. The error `fatal`, or a lost resource,
// means the peer hung up (Qt then repeats it forever): *failed is set and
// the wait ends; so does `abandon` returning true.
template<typename Signal>
void waitOnSerialPort(QSerialPort *port, Signal signal, int timeoutMs, QSerialPort::SerialPortError fatal,
                      bool *failed, const std::function<bool()> &abandon = {})
{
    waitForSignal(port, signal, timeoutMs, [port, fatal, failed, &abandon](QEventLoop &loop) {
        QObject::connect(port, &QSerialPort::errorOccurred, &loop,
                         [fatal, failed, &loop](QSerialPort::SerialPortError error) {
                             if (error == fatal || error == QSerialPort::ResourceError) {
                                 *failed = true;
                                 loop.quit();
                             }
                         });
        if (abandon) {
            // Owned by the loop, so it lives exactly as long as the wait.
            auto *poll = new QTimer(&loop);
            QObject::connect(poll, &QTimer::timeout, &loop, [&abandon, &loop] {
                if (abandon())
                    loop.quit();
            });
            poll->start(kPollSliceMs);
        }
    });
}

} // namespace

DDataReceiver::~DDataReceiver() = default;

DeviceLink::DeviceLink()
{
    createTransports();
}

DeviceLink::~DeviceLink()
{
    close();
}

void DeviceLink::createTransports()
{
    if (!udpSocket)
        udpSocket = std::make_unique<QUdpSocket>();
    if (!serialPort)
        serialPort = std::make_unique<QSerialPort>();
    m_transportFailed = false;
    m_requestsSent = 0;
    m_answersSeen = 0;
}

bool DeviceLink::open()
{
    return open(m_fixedSettings ? *m_fixedSettings : LinkSettings::fromSettings());
}

bool DeviceLink::open(const LinkSettings &settings)
{
    createTransports();
    errorText.clear();
    useRts = settings.useRts;
    useDtr = settings.useDtr;
    useUdp = settings.useUdp;
    deviceAddress = settings.deviceAddress;
    encrypt = settings.encrypt;

    if (useUdp) {
        peerAddress = QHostAddress(settings.udpAddress);
        peerPort = settings.udpPort;
        m_endpoint = trafficEndpoint(peerAddress.isNull() ? settings.udpAddress : peerAddress.toString(), peerPort);
        return true;
    }

    const QString name = settings.serialPort;
    m_endpoint = trafficEndpoint(name);
    if (serialPort->isOpen())
        serialPort->close();
    serialPort->setPortName(name);
    if (serialPort->open(QIODevice::ReadWrite)) {
        serialPort->setBaudRate(settings.baudrate, QSerialPort::AllDirections);
        serialPort->setDataBits(static_cast<QSerialPort::DataBits>(settings.databits));
        serialPort->setParity(static_cast<QSerialPort::Parity>(settings.parity));
        serialPort->setStopBits(static_cast<QSerialPort::StopBits>(settings.stopbits));
        serialPort->setFlowControl(QSerialPort::NoFlowControl);
        serialPort->clearError();
    } else if (!name.isEmpty()) {
        errorText = tr("打开串口失败: %1").arg(name);
    } else {
        errorText = tr("串口打开失败");
    }
    return errorText.isEmpty();
}

void DeviceLink::setFixedSettings(const LinkSettings &settings)
{
    m_fixedSettings = std::make_unique<LinkSettings>(settings);
}

void DeviceLink::close()
{
    serialPort.reset();
    udpSocket.reset();
    errorText.clear();
    peerAddress.clear();
}

bool DeviceLink::isPeer(const QHostAddress &sender, quint16 port) const
{
    if (port != peerPort)
        return false;
    if (sender == peerAddress)
        return true;
    bool ok1 = false, ok2 = false;
    const quint32 a4 = sender.toIPv4Address(&ok1);
    const quint32 b4 = peerAddress.toIPv4Address(&ok2);
    if (ok1 && ok2 && a4 == b4)
        return true;
    const Q_IPV6ADDR a6 = sender.toIPv6Address();
    const Q_IPV6ADDR b6 = peerAddress.toIPv6Address();
    if (std::equal(a6.c, a6.c + 16, b6.c) && !sender.isNull() && !peerAddress.isNull())
        return true;
    return sender.protocol() == peerAddress.protocol() && sender.toString() == peerAddress.toString();
}

QByteArray DeviceLink::readDatagrams(int maxBytes)
{
    QByteArray out;
    if (!udpSocket)
        return out;
    while (out.size() < maxBytes && udpSocket->hasPendingDatagrams()) {
        const qint64 size = udpSocket->pendingDatagramSize();
        QByteArray datagram(static_cast<int>(std::max<qint64>(size, 0)), Qt::Uninitialized);
        QHostAddress sender;
        quint16 port = 0;
        const qint64 got = udpSocket->readDatagram(datagram.data(), datagram.size(), &sender, &port);
        if (got < 0)
            break;
        datagram.truncate(static_cast<int>(got));
        if (!isPeer(sender, port)) {
            if (m_traffic)
                reportForeign(datagram, sender, port);
            continue;
        }
        if (m_readingStale && m_traffic)
            report(TrafficDirection::Dropped, datagram, TrafficNote::Stale);
        out.append(datagram);
    }
    return out;
}

int DeviceLink::countAnswers(const QByteArray &bytes) const
{
    // Whole counted replies from this instrument (or envelopes on an
    // encrypted link), back to back or among other bytes. Flash frames
    // and text lines are not item answers and are not counted.
    int answers = 0;
    int p = 0;
    const int n = bytes.size();
    while (p + 5 <= n) {
        const auto b0 = static_cast<unsigned char>(bytes.at(p));
        int length = 0;
        if (encrypt && b0 == 0xFE && static_cast<unsigned char>(bytes.at(p + 1)) == 0xEF)
            length = ((static_cast<unsigned char>(bytes.at(p + 2)) << 8) | static_cast<unsigned char>(bytes.at(p + 3))) + 6;
        else if (!encrypt && b0 == deviceAddress)
            length = static_cast<unsigned char>(bytes.at(p + 2)) + 5;
        if (length > 0 && p + length <= n && checkFrameCrc(bytes.constData() + p, length, false)) {
            ++answers;
            p += length;
        } else {
            ++p;
        }
    }
    return answers;
}

void DeviceLink::dropStale()
{
    if (useUdp) {
        if (!udpSocket || udpSocket->state() != QAbstractSocket::BoundState)
            return;
        // Datagram by datagram: a whole answer among them is one the
        // instrument sent beyond what it was asked for, or one that came late.
        int taken = 0;
        m_readingStale = true;
        for (int round = 0; round < 4096 && taken < kMaxPendingRead && udpSocket->hasPendingDatagrams(); ++round) {
            const QByteArray datagram = readDatagrams(1);
            taken += datagram.size();
            m_answersSeen += countAnswers(datagram);
        }
        m_readingStale = false;
    }
    // Not on a serial line: the port outlives the connection, and a late
    // answer to an earlier connection's request is not one too many on
    // this one. writeSerial discards what is pending.
}

bool DeviceLink::answeredMoreThanAsked(int waitMs)
{
    if (!useUdp)
        return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        dropStale();
        const qint64 left = waitMs - clock.elapsed();
        if (m_answersSeen > m_requestsSent || left <= 0)
            break;
        waitForDatagram(int(left));
    }
    return m_answersSeen > m_requestsSent;
}

bool DeviceLink::waitForDatagram(int timeoutMs)
{
    if (!udpSocket)
        return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (udpSocket->hasPendingDatagrams())
            return true;
        const qint64 left = timeoutMs - clock.elapsed();
        if (left < 0 || abandoned())
            return false;
        const int slice = static_cast<int>(std::min<qint64>(kPollSliceMs, left + 1));
        if (udpSocket->state() == QAbstractSocket::BoundState)
            udpSocket->waitForReadyRead(slice);
        else
            QThread::msleep(static_cast<unsigned long>(slice));
    }
}

bool DeviceLink::waitForSerialData(int timeoutMs)
{
    if (!serialPort || !serialPort->isOpen() || m_transportFailed)
        return false;
    // Bytes that came in during an earlier nested loop already raised their
    // readyRead; they must not be mistaken for silence.
    if (serialPort->bytesAvailable() > 0)
        return true;
    if (abandoned())
        return false;
    waitOnSerialPort(serialPort.get(), &QSerialPort::readyRead, timeoutMs, QSerialPort::ReadError,
                     &m_transportFailed, m_abandon);
    if (m_transportFailed) {
        serialPort->close();
        return false;
    }
    return serialPort->bytesAvailable() > 0;
}

bool DeviceLink::waitForSerialWritten(int timeoutMs)
{
    if (!serialPort || !serialPort->isOpen())
        return false;
    QElapsedTimer clock;
    clock.start();
    while (serialPort->bytesToWrite() > 0) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_transportFailed)
            return false;
        waitOnSerialPort(serialPort.get(), &QSerialPort::bytesWritten, static_cast<int>(left),
                         QSerialPort::WriteError, &m_transportFailed);
        if (!serialPort->isOpen())
            return false;
    }
    return !m_transportFailed;
}

void linkDelay(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool DeviceLink::sendDatagram(const QByteArray &frame)
{
    // Qt would send to 0.0.0.0 (this host) for an unset address; an
    // unconfigured endpoint is a send failure, not a silent instrument.
    if (!udpSocket || peerAddress.isNull())
        return false;
    if (udpSocket->writeDatagram(frame, peerAddress, peerPort) < 1)
        return false;
    if (m_traffic)
        report(TrafficDirection::Sent, frame, TrafficNote::None);
    return true;
}

bool DeviceLink::pulseRts()
{
    if (!serialPort->setRequestToSend(false))
        return false;
    linkDelay(100);
    if (!serialPort->setRequestToSend(true))
        return false;
    linkDelay(100);
    return true;
}

bool DeviceLink::writeSerial(const char *data, int length)
{
    if (!serialPort || !serialPort->isOpen())
        return false;
    if (useRts && !pulseRts())
        return false;
    serialPort->clear(QSerialPort::AllDirections);
    if (serialPort->write(data, length) != length)
        return false;
    if (m_traffic)
        report(TrafficDirection::Sent, QByteArray(data, length), TrafficNote::None);
    return true;
}

QByteArray DeviceLink::takePending()
{
    QByteArray pending;
    if (useUdp) {
        m_readingStale = true;
        pending = readDatagrams();
        m_readingStale = false;
        return pending;
    }
    if (serialPort && serialPort->isOpen())
        pending = serialPort->readAll();
    if (m_traffic && !pending.isEmpty())
        report(TrafficDirection::Dropped, pending, TrafficNote::Stale);
    return pending;
}

void DeviceLink::report(TrafficDirection direction, const QByteArray &bytes, TrafficNote note, const QString &detail)
{
    TrafficEntry entry;
    // UTC is a clock read; local time is worked out only when shown.
    entry.time = QDateTime::currentDateTimeUtc();
    entry.direction = direction;
    entry.udp = useUdp;
    entry.endpoint = m_endpoint;
    entry.bytes = bytes;
    if (encrypt)
        entry.inner = envelopeInner(bytes);
    entry.note = note;
    entry.noteDetail = detail;
    if (direction == TrafficDirection::Sent) {
        m_lastRequest = entry.inner.isEmpty() ? bytes : entry.inner;
        m_sinceRequest.start();
    } else if (m_sinceRequest.isValid()) {
        entry.responseMs = int(std::min<qint64>(m_sinceRequest.elapsed(), INT_MAX));
    }
    entry.request = m_lastRequest;
    if (direction == TrafficDirection::Received && note == TrafficNote::None) {
        // Debug output comes as lines cut anywhere; the log explains each
        // piece with the start of its line. Bounded: a line-less stream
        // must not grow it.
        constexpr int kMaxTail = 512;
        entry.lineStart = m_textTail;
        const int lf = bytes.lastIndexOf('\n');
        m_textTail = lf >= 0 ? bytes.mid(lf + 1) : m_textTail + bytes;
        if (m_textTail.size() > kMaxTail)
            m_textTail.clear();
    }
    m_traffic->record(entry);
}

void DeviceLink::reportForeign(const QByteArray &bytes, const QHostAddress &sender, quint16 port)
{
    report(TrafficDirection::Dropped, bytes, TrafficNote::ForeignSender, trafficEndpoint(sender.toString(), port));
}

int DeviceLink::transact(const char *request, int length, QByteArray &reply, bool highByteFirst, int timeoutMs)
{
    m_textTail.clear();
    const int result = exchange(request, length, reply, highByteFirst, timeoutMs);
    if (m_traffic && !reply.isEmpty()) {
        TrafficNote note = TrafficNote::None;
        // A whole Modbus-style reply can still fail its CRC (the flash
        // frames and the serial number's text are judged by their callers).
        const bool modbus = !encrypt && !highByteFirst && static_cast<quint8>(reply.at(0)) == deviceAddress;
        if (!isReplyComplete(reply, deviceAddress, encrypt, highByteFirst) || (modbus && !checkFrameCrc(reply, false)))
            note = reply.size() >= 3 && !checkFrameCrc(reply, highByteFirst) ? TrafficNote::CrcFailed
                                                                              : TrafficNote::Incomplete;
        report(TrafficDirection::Received, reply, note);
    }
    // What got no row of its own: the wait that ended with nothing, and the
    // refusal after a duplicate answer.
    if (m_traffic && result == LinkNoReply && reply.isEmpty())
        report(TrafficDirection::Event, QByteArray(), TrafficNote::TimedOut, QString::number(timeoutMs));
    else if (m_traffic && result == LinkExtraAnswer)
        report(TrafficDirection::Event, QByteArray(), TrafficNote::ExtraAnswer);
    if (result == LinkOk && encrypt && reply.size() > 6)
        reply = decryptEnvelope(reply, highByteFirst);
    return result;
}

// The exchange on the wire; the reply stays as it came (an envelope is
// opened by transact, once the traffic has been reported).
int DeviceLink::exchange(const char *request, int length, QByteArray &reply, bool highByteFirst, int timeoutMs)
{
    QByteArray frame(request, length);
    if (encrypt)
        frame = encryptEnvelope(frame);
    reply.clear();

    // Each piece restarts the wait for the next, but a peer sending a byte
    // now and then must not hold the exchange for ever.
    QElapsedTimer overall;
    overall.start();
    const qint64 overallMs = qint64(timeoutMs) * kOverallLimitFactor;
    const auto timeLeft = [&](qint64 wantMs) { return std::min<qint64>(wantMs, overallMs - overall.elapsed()); };
    // Past the longest frame of its kind a reply can never become valid;
    // without this a flooding peer makes the buffer grow until memory ends.
    const auto overlong = [&] {
        const int limit = maxReplySize(reply, deviceAddress, encrypt);
        if (reply.size() <= limit)
            return false;
        reply.truncate(limit);
        return true;
    };

    if (useUdp) {
        // A reply that came after its exchange gave up would otherwise be
        // taken as the answer to this request (the serial path discards
        // stale input before writing for the same reason). A socket that
        // never sent is not bound and has nothing waiting.
        dropStale();
        // Once the instrument has answered more often than it was asked, no
        // reply on this connection can be told from the copy of another.
        if (m_answersSeen > m_requestsSent)
            return LinkExtraAnswer;
        if (!sendDatagram(frame))
            return LinkSendFailed;
        ++m_requestsSent;
        for (;;) {
            // A datagram from anyone else is dropped and the wait goes on:
            // ending it would send the retry while this request's answer is
            // still on its way, and that answer would be taken for the
            // retry's, and every later one for its successor's.
            QElapsedTimer wait;
            wait.start();
            QByteArray chunk;
            for (;;) {
                const qint64 left = timeLeft(timeoutMs - wait.elapsed());
                if (left < 0 || !waitForDatagram(int(left)))
                    break;
                // One datagram at a time: a reply and its copy read as one
                // piece would count as no answer at all and hide the copy
                // from the tally that tells a shifted pairing.
                chunk = readDatagrams(1);
                if (!chunk.isEmpty())
                    break;
            }
            if (chunk.isEmpty())
                return LinkNoReply;
            reply.append(chunk);
            if (isReplyComplete(reply, deviceAddress, encrypt, highByteFirst)) {
                ++m_answersSeen;
                break;
            }
            if (reply.size() > maxReplySize(reply, deviceAddress, encrypt))
                m_answersSeen += countAnswers(reply); // several answers in one datagram
            if (overlong())
                return LinkBadFrame;
        }
    } else {
        if (!writeSerial(frame.constData(), frame.size()))
            return m_transportFailed ? LinkLineLost : LinkSendFailed;
        if (!waitForSerialWritten(timeoutMs))
            return m_transportFailed ? LinkLineLost : LinkSendFailed;
        if (!waitForSerialData(int(std::max<qint64>(timeLeft(timeoutMs), 0))))
            return m_transportFailed ? LinkLineLost : LinkNoReply;
        reply = serialPort->readAll();
        while (!isReplyComplete(reply, deviceAddress, encrypt, highByteFirst)) {
            if (overlong())
                return LinkBadFrame;
            const qint64 left = timeLeft(interChunkWaitMs);
            if (left <= 0)
                return LinkNoReply;
            if (!waitForSerialData(int(left))) {
                if (m_transportFailed)
                    return LinkLineLost;
                if (overall.elapsed() >= overallMs)
                    return LinkNoReply;
                break;
            }
            reply.append(serialPort->readAll());
        }
    }
    return LinkOk;
}

void DeviceLink::transactStream(const char *request, int length, DDataReceiver *receiver)
{
    const QByteArray frame(request, length);
    if (useUdp) {
        if (!sendDatagram(frame)) {
            receiver->onError(tr("发送命令超时"));
            return;
        }
        if (!waitForDatagram(5000)) {
            receiver->onError(tr("接受数据超时"));
            return;
        }
        for (;;) {
            if (receiver->isStopped())
                return;
            QByteArray chunk;
            if (waitForDatagram(1000))
                chunk = readDatagrams();
            if (chunk.isEmpty())
                return;
            if (m_traffic)
                report(TrafficDirection::Received, chunk, TrafficNote::None);
            receiver->onData(chunk);
        }
    }

    if (!serialPort || !serialPort->isOpen()) {
        receiver->onError(m_transportFailed ? tr("串口连接已断开") : tr("发送命令失败"));
        return;
    }
    if (useRts && !pulseRts()) {
        receiver->onError(tr("发送命令失败"));
        return;
    }
    serialPort->clear(QSerialPort::AllDirections);
    if (serialPort->write(frame) != frame.size()) {
        receiver->onError(tr("发送命令失败"));
        return;
    }
    if (m_traffic)
        report(TrafficDirection::Sent, frame, TrafficNote::None);
    if (!waitForSerialWritten(5000)) {
        receiver->onError(m_transportFailed ? tr("串口连接已断开") : tr("发送命令超时"));
        return;
    }
    if (!waitForSerialData(5000)) {
        receiver->onError(m_transportFailed ? tr("串口连接已断开") : tr("接受数据超时"));
        return;
    }
    if (receiver->isStopped())
        return;
    for (;;) {
        if (!waitForSerialData(interChunkWaitMs))
            return;
        const QByteArray piece = serialPort->readAll();
        if (m_traffic)
            report(TrafficDirection::Received, piece, TrafficNote::None);
        receiver->onData(piece);
        if (receiver->isStopped())
            return;
    }
}

QString linkErrorText(int result, const QByteArray &reply)
{
    switch (result) {
    case LinkSendFailed:
        return DeviceLink::tr("发送命令超时");
    case LinkNoReply:
        return DeviceLink::tr("接收数据超时");
    case LinkLineLost:
        return DeviceLink::tr("串口连接已断开");
    case LinkBadFrame:
        return DeviceLink::tr("CRC校验错误");
    case LinkExtraAnswer:
        return DeviceLink::tr("设备重复应答");
    case LinkOk:
        if (reply.size() >= 3 && checkFrameCrc(reply, false))
            return QString();
        return DeviceLink::tr("CRC校验错误");
    default:
        return DeviceLink::tr("未定义的错误");
    }
}

Failure::Code Failure::fromLinkResult(int result, const QByteArray &reply)
{
    switch (result) {
    case LinkSendFailed:
        return SendFailed;
    case LinkNoReply:
        return NoReply;
    case LinkLineLost:
        return LineLost;
    case LinkBadFrame:
        return BadFrame;
    case LinkExtraAnswer:
        return DuplicateAnswer;
    case LinkOk:
        return reply.size() >= 3 && checkFrameCrc(reply, false) ? None : BadCrc;
    default:
        return Undefined;
    }
}
