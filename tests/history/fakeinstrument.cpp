#include "tests/history/fakeinstrument.h"

#include "link/framecodec.h"

#include <QNetworkDatagram>
#include <QTimer>

#include <chrono>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

FakeInstrument::FakeInstrument(QObject *parent)
    : QObject(parent)
    , m_timerContext(new QObject(this))
{
}

void FakeInstrument::hangUp()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
    m_master = m_slaveKeep = -1;
}

void FakeInstrument::cancelPending()
{
    delete m_timerContext;
    m_timerContext = new QObject(this);
}

bool FakeInstrument::startFlood(const QByteArray &datagram, int count, int maxMs)
{
    stopFlood();
    bool ok = false;
    const quint32 peer = m_peer.toIPv4Address(&ok);
    if (!m_udp || m_peerPort == 0 || !ok || (peer >> 24) != 127)
        return false;
    const int fd = static_cast<int>(m_udp->socketDescriptor());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_peerPort);
    to.sin_addr.s_addr = htonl(peer);
    m_floodStop = false;
    m_floodSent = 0;
    m_flood = std::thread([this, fd, to, datagram, count, maxMs] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (!m_floodStop && m_floodSent < count && std::chrono::steady_clock::now() < end) {
            if (::sendto(fd, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                         reinterpret_cast<const sockaddr *>(&to), sizeof to) > 0)
                ++m_floodSent;
            else
                std::this_thread::yield(); // the buffer is full (non-blocking socket)
        }
    });
    return true;
}

void FakeInstrument::stopFlood()
{
    m_floodStop = true;
    if (m_flood.joinable())
        m_flood.join();
}

FakeInstrument::~FakeInstrument()
{
    stopFlood();
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

bool FakeInstrument::startUdp()
{
    m_udp = std::make_unique<QUdpSocket>();
    if (!m_udp->bind(QHostAddress(QHostAddress::LocalHost), 0))
        return false;
    connect(m_udp.get(), &QUdpSocket::readyRead, this, &FakeInstrument::onDatagrams);
    return true;
}

quint16 FakeInstrument::udpPort() const
{
    return m_udp ? m_udp->localPort() : 0;
}

bool FakeInstrument::startPty()
{
    // Close-on-exec: a child process (zrvu-cli under test) holding either
    // end would keep the line up after hangUp().
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return false;
    m_ptyPath = QString::fromLocal8Bit(::ptsname(m_master));
    // Holding the slave open keeps the master readable between the link's
    // opens and closes.
    m_slaveKeep = ::open(m_ptyPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveKeep < 0)
        return false;
    termios raw{};
    ::tcgetattr(m_slaveKeep, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slaveKeep, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &FakeInstrument::onPtyReadable);
    return true;
}

int FakeInstrument::requestLength(const QByteArray &buffer)
{
    if (buffer.isEmpty())
        return 0;
    if (static_cast<quint8>(buffer.at(0)) == 0x7E)
        return buffer.size() >= 19 ? 19 : 0;
    if (buffer.size() < 7)
        return 0;
    const int length = static_cast<quint8>(buffer.at(6)) + 9;
    return buffer.size() >= length ? length : 0;
}

QByteArray FakeInstrument::textWriteAck(const QByteArray &request)
{
    QByteArray reply;
    reply.append(request.at(0));
    reply.append('\x03');
    const QByteArray text = request.mid(7, static_cast<quint8>(request.at(6)) - 1);
    reply.append(static_cast<char>(text.size()));
    reply.append(text);
    appendCrcLowFirst(reply);
    return reply;
}

void FakeInstrument::onDatagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_udp->receiveDatagram();
        m_peer = d.senderAddress();
        m_peerPort = static_cast<quint16>(d.senderPort());
        handle(d.data());
    }
}

void FakeInstrument::onPtyReadable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        m_input.append(buffer, static_cast<int>(got));
    }
    for (;;) {
        const int length = requestLength(m_input);
        if (length <= 0)
            break;
        const QByteArray request = m_input.left(length);
        m_input.remove(0, length);
        handle(request);
    }
}

void FakeInstrument::handle(const QByteArray &request)
{
    m_requests.append(request);
    emit requestReceived(request);
    if (!m_responder)
        return;
    int at = 0;
    const QList<Piece> pieces = m_responder(request);
    for (const Piece &piece : pieces) {
        at += piece.delayMs;
        if (at == 0) {
            send(piece.bytes);
            continue;
        }
        const QByteArray bytes = piece.bytes;
        QTimer::singleShot(at, m_timerContext, [this, bytes] { send(bytes); });
    }
}

void FakeInstrument::push(const QByteArray &bytes)
{
    send(bytes);
}

void FakeInstrument::send(const QByteArray &bytes)
{
    if (m_udp) {
        if (m_peerPort != 0)
            m_udp->writeDatagram(bytes, m_peer, m_peerPort);
        return;
    }
    if (m_master >= 0) {
        int done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n <= 0)
                break;
            done += static_cast<int>(n);
        }
    }
}
