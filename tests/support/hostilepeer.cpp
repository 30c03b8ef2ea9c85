#include "tests/support/hostilepeer.h"

#include "link/framecodec.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int boundLoopbackSocket(quint16 *port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    if (port)
        *port = ntohs(a.sin_port);
    return fd;
}

QByteArray countedReply(quint8 address, const QByteArray &text)
{
    QByteArray frame;
    frame.append(char(address)).append('\x03').append(char(text.size())).append(text);
    appendCrcLowFirst(frame);
    return frame;
}

// The length of the item request at the start of `bytes` (0: unknown yet).
int requestLength(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return 0;
    if (quint8(bytes.at(1)) == 0x03)
        return 8;
    if (quint8(bytes.at(1)) == 0x0F && bytes.size() >= 7)
        return quint8(bytes.at(6)) + 9;
    return 0;
}

} // namespace

HostilePeer::HostilePeer(Kind kind, Mode mode)
    : m_kind(kind)
    , m_mode(mode)
{
}

HostilePeer::~HostilePeer()
{
    stop();
    for (int fd : {m_fd, m_foreignFd, m_slaveFd})
        if (fd >= 0)
            ::close(fd);
}

bool HostilePeer::start()
{
    if (m_kind == Udp) {
        m_fd = boundLoopbackSocket(&m_port);
        m_foreignFd = boundLoopbackSocket(nullptr);
        if (m_fd < 0 || m_foreignFd < 0)
            return false;
    } else {
        char name[128] = {};
        if (::openpty(&m_fd, &m_slaveFd, name, nullptr, nullptr) != 0)
            return false;
        termios t{};
        ::tcgetattr(m_slaveFd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slaveFd, TCSANOW, &t);
        // A reader that stops reading must not block the peer for ever.
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(name);
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void HostilePeer::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

QByteArray HostilePeer::answer(const QByteArray &r) const
{
    if (r.size() < 8 || quint8(r.at(2)) != 0x4B)
        return QByteArray();
    const quint8 address = quint8(r.at(0));
    const int index = quint8(r.at(3));
    if (quint8(r.at(1)) == 0x03 && r.size() == 8) {
        const QByteArray text = index < itemCount ? "Item" + QByteArray::number(index) + ':' + QByteArray::number(index)
                                                  : QByteArray();
        return countedReply(address, text);
    }
    if (quint8(r.at(1)) == 0x0F && r.size() >= 10) {
        const int n = quint8(r.at(6));
        const QByteArray value = r.mid(7, qMax(0, n - 1));
        return countedReply(address, "Item" + QByteArray::number(index) + ':' + value);
    }
    return QByteArray();
}

bool HostilePeer::sendBytes(int fd, const QByteArray &bytes)
{
    if (m_kind == Udp) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_clientAddr;
        to.sin_port = m_clientPort;
        const ssize_t n = ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0,
                                   reinterpret_cast<sockaddr *>(&to), sizeof to);
        if (n > 0)
            m_sent += n;
        return n >= 0;
    }
    int done = 0;
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && !m_stop && Clock::now() < until) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += int(n);
            m_sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 20);
    }
    return done == bytes.size();
}

void HostilePeer::reply(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    switch (m_mode) {
    case Duplicate:
        // Without a gap a serial line gets both copies in one write, as a
        // UART would deliver them back to back.
        if (m_kind == Pty && duplicateGapUs <= 0) {
            sendBytes(m_fd, bytes + bytes);
            return;
        }
        sendBytes(m_fd, bytes);
        if (duplicateGapUs > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(qMin(duplicateGapUs, 1000000)));
        sendBytes(m_fd, bytes);
        return;
    case ForeignFirst: {
        sendBytes(m_foreignFd, countedReply(quint8(bytes.at(0)), "foreign:decoy"));
        const auto until = Clock::now() + std::chrono::milliseconds(foreignLeadMs);
        while (!m_stop && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        sendBytes(m_fd, bytes);
        return;
    }
    case Trickle:
        for (const char c : bytes) {
            if (m_stop || !sendBytes(m_fd, QByteArray(1, c)))
                return;
            const auto until = Clock::now() + std::chrono::milliseconds(trickleMs);
            while (!m_stop && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return;
    default:
        sendBytes(m_fd, bytes);
        return;
    }
}

void HostilePeer::flood(quint8 address)
{
    // Address, function, a count of 255, then filler: the start of a
    // counted reply that never ends.
    QByteArray piece(qMax(4, floodPieceBytes), '\x55');
    piece[0] = char(address);
    piece[1] = '\x03';
    piece[2] = char(0xFF);
    const auto until = Clock::now() + std::chrono::milliseconds(floodMs);
    for (qint64 count = 0; !m_stop && Clock::now() < until && count < 100000000; ++count) {
        if (!sendBytes(m_fd, piece))
            return;
        if (count % 16 == 15)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

void HostilePeer::run()
{
    char buf[70000];
    while (!m_stop) {
        pollfd p{m_fd, POLLIN, 0};
        if (m_input.isEmpty() && (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)))
            continue;
        QByteArray request;
        if (m_kind == Udp) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &len);
            if (n < 0)
                continue;
            request = QByteArray(buf, int(n));
            m_clientAddr = from.sin_addr.s_addr;
            m_clientPort = from.sin_port;
        } else {
            // Requests are taken by their frame length, as an instrument
            // does, so that one written right after a reply is answered at
            // once; anything else is what arrives until the line is quiet.
            const auto until = Clock::now() + std::chrono::milliseconds(30);
            while (!m_stop && Clock::now() < until) {
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0)
                    m_input.append(buf, int(n));
                const int need = requestLength(m_input);
                if (need > 0 && m_input.size() >= need) {
                    request = m_input.left(need);
                    m_input.remove(0, need);
                    break;
                }
                pollfd q{m_fd, POLLIN, 0};
                if (::poll(&q, 1, 5) < 0)
                    break;
            }
            if (request.isEmpty()) {
                request = m_input;
                m_input.clear();
            }
            if (request.isEmpty())
                continue;
        }
        const int seen = ++m_requests;
        if (m_mode == Flood && !request.isEmpty()) {
            flood(quint8(request.at(0)));
            continue;
        }
        if (m_mode == HangUp && m_kind == Pty && seen > hangUpAfter) {
            ::close(m_fd);
            ::close(m_slaveFd);
            m_fd = m_slaveFd = -1;
            return;
        }
        reply(answer(request));
    }
}
