#include "tests/link/scriptedpeer.h"

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

int boundLoopbackSocket(quint16 *port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
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

} // namespace

ScriptedPeer::ScriptedPeer(Kind kind)
    : m_kind(kind)
{
}

ScriptedPeer::~ScriptedPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_fd, m_foreignFd, m_slaveFd})
        if (fd >= 0)
            ::close(fd);
}

bool ScriptedPeer::start()
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
        m_slavePath = QString::fromLocal8Bit(name);
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void ScriptedPeer::setReplies(const QList<Reply> &replies)
{
    QMutexLocker lock(&m_mutex);
    m_replies = replies;
}

QList<QByteArray> ScriptedPeer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void ScriptedPeer::hangUp()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    m_slaveFd = -1;
}

void ScriptedPeer::send(const Chunk &chunk)
{
    if (m_kind == Udp) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m_clientAddr;
        to.sin_port = m_clientPort;
        ::sendto(chunk.foreign ? m_foreignFd : m_fd, chunk.bytes.constData(), size_t(chunk.bytes.size()), 0,
                 reinterpret_cast<sockaddr *>(&to), sizeof to);
    } else {
        ssize_t n = ::write(m_fd, chunk.bytes.constData(), size_t(chunk.bytes.size()));
        Q_UNUSED(n)
    }
}

void ScriptedPeer::run()
{
    char buf[70000];
    while (!m_stop) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
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
            // A request is whatever arrives until the line is quiet for 30 ms.
            for (;;) {
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0)
                    request.append(buf, int(n));
                pollfd q{m_fd, POLLIN, 0};
                if (::poll(&q, 1, 30) <= 0 || !(q.revents & POLLIN))
                    break;
            }
            if (request.isEmpty())
                continue;
        }
        Reply reply;
        {
            QMutexLocker lock(&m_mutex);
            m_requests << request;
            if (!m_replies.isEmpty())
                reply = m_replies.takeFirst();
        }
        for (const Chunk &chunk : reply) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(chunk.delayMs);
            while (!m_stop && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (m_stop)
                return;
            send(chunk);
        }
    }
}
