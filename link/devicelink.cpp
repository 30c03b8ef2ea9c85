#include "link/devicelink.h"

#include "link/framecodec.h"
#include "settings/linksettings.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QThread>

#include <algorithm>

namespace {

constexpr int kPollSliceMs = 20;

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
        return true;
    }

    const QString name = settings.serialPort;
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

QByteArray DeviceLink::readDatagrams()
{
    QByteArray out;
    if (!udpSocket)
        return out;
    while (udpSocket->hasPendingDatagrams()) {
        const qint64 size = udpSocket->pendingDatagramSize();
        QByteArray datagram(static_cast<int>(std::max<qint64>(size, 0)), Qt::Uninitialized);
        QHostAddress sender;
        quint16 port = 0;
        const qint64 got = udpSocket->readDatagram(datagram.data(), datagram.size(), &sender, &port);
        if (got < 0)
            break;
        datagram.truncate(static_cast<int>(got));
        if (isPeer(sender, port))
            out.append(datagram);
    }
    return out;
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
        if (left < 0)
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
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer); // coarse timers fire up to 5% early
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(serialPort.get(), &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(serialPort.get(), &QSerialPort::errorOccurred, &loop,
                     [this, &loop](QSerialPort::SerialPortError error) {
                         // A hung-up peer makes Qt repeat ReadError forever.
                         if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
                             m_transportFailed = true;
                             loop.quit();
                         }
                     });
    timer.start(timeoutMs);
    loop.exec();
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
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(serialPort.get(), &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(serialPort.get(), &QSerialPort::errorOccurred, &loop,
                         [this, &loop](QSerialPort::SerialPortError error) {
                             if (error == QSerialPort::WriteError || error == QSerialPort::ResourceError) {
                                 m_transportFailed = true;
                                 loop.quit();
                             }
                         });
        timer.start(static_cast<int>(left));
        loop.exec();
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
    return udpSocket->writeDatagram(frame, peerAddress, peerPort) >= 1;
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
    return serialPort->write(data, length) == length;
}

QByteArray DeviceLink::takePending()
{
    if (useUdp)
        return readDatagrams();
    if (serialPort && serialPort->isOpen())
        return serialPort->readAll();
    return QByteArray();
}

int DeviceLink::transact(const char *request, int length, QByteArray &reply, bool highByteFirst, int timeoutMs)
{
    QByteArray frame(request, length);
    if (encrypt)
        frame = encryptEnvelope(frame);
    reply.clear();

    if (useUdp) {
        // A reply that came after its exchange gave up would otherwise be
        // taken as the answer to this request (the serial path discards
        // stale input before writing for the same reason). A socket that
        // never sent is not bound and has nothing waiting.
        if (udpSocket && udpSocket->state() == QAbstractSocket::BoundState)
            readDatagrams();
        if (!sendDatagram(frame))
            return LinkSendFailed;
        for (;;) {
            QByteArray chunk;
            if (waitForDatagram(timeoutMs))
                chunk = readDatagrams();
            if (chunk.isEmpty())
                return LinkNoReply;
            reply.append(chunk);
            if (isReplyComplete(reply, deviceAddress, encrypt, highByteFirst))
                break;
        }
    } else {
        if (!writeSerial(frame.constData(), frame.size()))
            return LinkSendFailed;
        if (!waitForSerialWritten(timeoutMs))
            return LinkSendFailed;
        if (!waitForSerialData(timeoutMs))
            return LinkNoReply;
        reply = serialPort->readAll();
        while (!isReplyComplete(reply, deviceAddress, encrypt, highByteFirst)) {
            if (!waitForSerialData(interChunkWaitMs))
                break;
            reply.append(serialPort->readAll());
        }
    }

    if (encrypt && reply.size() > 6)
        reply = decryptEnvelope(reply, highByteFirst);
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
            receiver->onData(chunk);
        }
    }

    if (!serialPort || !serialPort->isOpen()) {
        receiver->onError(tr("发送命令失败"));
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
    if (!waitForSerialWritten(5000)) {
        receiver->onError(tr("发送命令超时"));
        return;
    }
    if (!waitForSerialData(5000)) {
        receiver->onError(tr("接受数据超时"));
        return;
    }
    if (receiver->isStopped())
        return;
    for (;;) {
        if (!waitForSerialData(interChunkWaitMs))
            return;
        receiver->onData(serialPort->readAll());
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
    case LinkOk:
        if (reply.size() >= 3 && checkFrameCrc(reply, false))
            return QString();
        return DeviceLink::tr("CRC校验错误");
    default:
        return DeviceLink::tr("未定义的错误");
    }
}
