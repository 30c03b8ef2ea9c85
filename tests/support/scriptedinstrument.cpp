#include "tests/support/scriptedinstrument.h"

#include "link/framecodec.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <memory>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const int kQuietMs = 30;

// Writes all of `bytes` to a non-blocking descriptor; a reader that stops
// reading holds it up for at most five seconds.
qint64 writeAll(int fd, const QByteArray &bytes, const std::atomic<bool> *stop = nullptr)
{
    qint64 done = 0;
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && Clock::now() < until && !(stop && stop->load())) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return n < 0 && done == 0 ? -1 : done;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 20);
    }
    return done;
}

} // namespace

class ScriptedInstrumentEngine : public QObject
{
public:
    explicit ScriptedInstrumentEngine(ScriptedInstrument *owner)
        : m_owner(owner)
    {
        m_quiet.setParent(this); // moves to the engine thread with it
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(kQuietMs);
        QObject::connect(&m_quiet, &QTimer::timeout, this, [this] {
            const QByteArray request = m_input;
            m_input.clear();
            if (!request.isEmpty())
                handle(request);
        });
    }
    ~ScriptedInstrumentEngine() override { closeLine(); }

    bool startUdp(const QHostAddress &address, quint16 port)
    {
        m_udp = std::make_unique<QUdpSocket>();
        m_foreign = std::make_unique<QUdpSocket>();
        if (!m_udp->bind(address, port) || !m_foreign->bind(QHostAddress(QHostAddress::LocalHost), 0))
            return false;
        QObject::connect(m_udp.get(), &QUdpSocket::readyRead, this, [this] { readDatagrams(); });
        return true;
    }

    bool startPty(ScriptedInstrument::Framing framing, QString *path)
    {
        m_framing = framing;
        // Close-on-exec: a child process (zrvu-cli under test) holding
        // either end would keep the line up after a hang-up.
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return false;
        *path = QString::fromLocal8Bit(::ptsname(m_master));
        // Holding the slave open keeps the master readable between the
        // link's opens and closes.
        m_slaveKeep = ::open(path->toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slaveKeep < 0)
            return false;
        termios raw{};
        ::tcgetattr(m_slaveKeep, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slaveKeep, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readLine(); });
        return true;
    }

    void closeLine()
    {
        m_notifier.reset();
        m_quiet.stop();
        for (int *fd : {&m_master, &m_slaveKeep}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    void cancelPending()
    {
        delete m_timers;
        m_timers = nullptr;
    }

    void send(const QByteArray &bytes, bool foreign = false)
    {
        if (m_udp) {
            // Replies go to loopback senders only.
            if (m_peerPort == 0 || !m_peer.isLoopback())
                return;
            QUdpSocket *socket = foreign ? m_foreign.get() : m_udp.get();
            const qint64 n = socket->writeDatagram(bytes, m_peer, m_peerPort);
            if (n > 0)
                m_owner->m_sent += n;
            return;
        }
        if (m_master >= 0) {
            const qint64 n = writeAll(m_master, bytes);
            if (n > 0)
                m_owner->m_sent += n;
        }
    }

    // Where a flood goes: the descriptor and, for UDP, the last requester.
    bool floodTarget(int *fd, sockaddr_in *to) const
    {
        if (m_udp) {
            bool ok = false;
            const quint32 peer = m_peer.toIPv4Address(&ok);
            if (m_peerPort == 0 || !ok || (peer >> 24) != 127)
                return false;
            *fd = int(m_udp->socketDescriptor());
            to->sin_family = AF_INET;
            to->sin_port = htons(m_peerPort);
            to->sin_addr.s_addr = htonl(peer);
            return true;
        }
        *fd = m_master;
        return m_master >= 0;
    }

    bool isUdp() const { return bool(m_udp); }
    quint16 udpPort() const { return m_udp ? m_udp->localPort() : 0; }

private:
    void readDatagrams()
    {
        while (m_udp && m_udp->hasPendingDatagrams()) {
            const QNetworkDatagram d = m_udp->receiveDatagram();
            m_peer = d.senderAddress();
            m_peerPort = quint16(d.senderPort());
            handle(d.data());
        }
    }

    void readLine()
    {
        char buffer[4096];
        bool got = false;
        for (;;) {
            if (m_master < 0)
                return;
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            m_input.append(buffer, int(n));
            got = true;
        }
        if (m_framing == ScriptedInstrument::ByLength) {
            for (;;) {
                const int length = ScriptedInstrument::requestLength(m_input);
                if (length <= 0)
                    break;
                const QByteArray request = m_input.left(length);
                m_input.remove(0, length);
                handle(request);
                if (m_master < 0)
                    return;
            }
        }
        if (got && !m_input.isEmpty())
            m_quiet.start();
    }

    void handle(const QByteArray &request)
    {
        const ScriptedInstrument::Reply reply = m_owner->take(request);
        emit m_owner->requestReceived(request);
        int at = 0;
        for (const ScriptedInstrument::Chunk &chunk : reply) {
            at += qMax(0, chunk.delayMs);
            if (at == 0) {
                play(chunk);
                continue;
            }
            if (!m_timers)
                m_timers = new QObject(this);
            QTimer::singleShot(at, Qt::PreciseTimer, m_timers, [this, chunk] { play(chunk); });
        }
    }

    void play(const ScriptedInstrument::Chunk &chunk)
    {
        if (chunk.hangUp)
            closeLine();
        else
            send(chunk.bytes, chunk.foreign);
    }

    ScriptedInstrument *m_owner;
    std::unique_ptr<QUdpSocket> m_udp;
    std::unique_ptr<QUdpSocket> m_foreign;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    int m_master = -1;
    int m_slaveKeep = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    ScriptedInstrument::Framing m_framing = ScriptedInstrument::ByLength;
    QByteArray m_input;
    QTimer m_quiet;
    QObject *m_timers = nullptr;
};

ScriptedInstrument::ScriptedInstrument(QObject *parent)
    : QObject(parent)
{
    m_engine = new ScriptedInstrumentEngine(this);
    m_engine->moveToThread(&m_thread);
    m_thread.start();
}

ScriptedInstrument::~ScriptedInstrument()
{
    stopFlood();
    onEngine([this] {
        delete m_engine;
        m_engine = nullptr;
    });
    m_thread.quit();
    m_thread.wait();
}

template<typename F>
void ScriptedInstrument::onEngine(F f)
{
    if (!m_engine)
        return;
    if (QThread::currentThread() == &m_thread)
        f();
    else
        QMetaObject::invokeMethod(m_engine, f, Qt::BlockingQueuedConnection);
}

bool ScriptedInstrument::startUdp(const QHostAddress &address, quint16 port)
{
    if (!address.isLoopback())
        return false;
    bool ok = false;
    onEngine([&] {
        ok = m_engine->startUdp(address, port);
        m_port = ok ? m_engine->udpPort() : 0;
    });
    return ok;
}

bool ScriptedInstrument::startPty(Framing framing)
{
    bool ok = false;
    onEngine([&] { ok = m_engine->startPty(framing, &m_ptyPath); });
    return ok;
}

void ScriptedInstrument::setResponder(Responder responder)
{
    QMutexLocker lock(&m_mutex);
    m_responder = std::move(responder);
    m_scripted = false;
}

void ScriptedInstrument::setReplies(const QList<Reply> &replies)
{
    QMutexLocker lock(&m_mutex);
    m_replies = replies;
    m_scripted = true;
}

void ScriptedInstrument::answer(const QByteArray &request, const Reply &reply)
{
    setResponder([request, reply](const QByteArray &got) { return got == request ? reply : Reply(); });
}

ScriptedInstrument::Reply ScriptedInstrument::atTimes(Reply chunks)
{
    std::stable_sort(chunks.begin(), chunks.end(),
                     [](const Chunk &a, const Chunk &b) { return a.delayMs < b.delayMs; });
    int previous = 0;
    for (Chunk &c : chunks) {
        const int at = c.delayMs;
        c.delayMs = at - previous;
        previous = at;
    }
    return chunks;
}

ScriptedInstrument::Reply ScriptedInstrument::take(const QByteArray &request)
{
    Responder responder;
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(request);
        if (m_scripted)
            return m_replies.isEmpty() ? Reply() : m_replies.takeFirst();
        responder = m_responder;
    }
    return responder ? responder(request) : Reply();
}

void ScriptedInstrument::push(const QByteArray &bytes)
{
    onEngine([this, bytes] { m_engine->send(bytes); });
}

void ScriptedInstrument::hangUp()
{
    onEngine([this] { m_engine->closeLine(); });
}

void ScriptedInstrument::cancelPending()
{
    onEngine([this] { m_engine->cancelPending(); });
}

bool ScriptedInstrument::startFlood(const QByteArray &piece, int count, int maxMs, int burst)
{
    stopFlood();
    int fd = -1;
    sockaddr_in to{};
    bool udp = false;
    bool ok = false;
    onEngine([&] {
        ok = m_engine->floodTarget(&fd, &to);
        udp = m_engine->isUdp();
    });
    if (!ok)
        return false;
    m_floodStop = false;
    m_floodSent = 0;
    m_flooding = true;
    m_flood = std::thread([this, fd, to, udp, piece, count, maxMs, burst] {
        const auto end = Clock::now() + std::chrono::milliseconds(maxMs);
        for (int tries = 0; !m_floodStop && m_floodSent < count && Clock::now() < end; ++tries) {
            qint64 n;
            if (udp)
                n = ::sendto(fd, piece.constData(), size_t(piece.size()), 0, reinterpret_cast<const sockaddr *>(&to),
                             sizeof to);
            else
                n = writeAll(fd, piece, &m_floodStop);
            if (n > 0) {
                m_sent += n;
                ++m_floodSent;
            } else if (!udp) {
                break; // the line is gone
            } else {
                std::this_thread::yield(); // the buffer is full (non-blocking socket)
            }
            if (burst > 0 && tries % burst == burst - 1)
                std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        m_flooding = false;
    });
    return true;
}

void ScriptedInstrument::stopFlood()
{
    m_floodStop = true;
    if (m_flood.joinable())
        m_flood.join();
    m_flooding = false;
}

QList<QByteArray> ScriptedInstrument::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int ScriptedInstrument::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests.size();
}

int ScriptedInstrument::requestLength(const QByteArray &buffer)
{
    if (buffer.isEmpty())
        return 0;
    if (quint8(buffer.at(0)) == 0x7E)
        return buffer.size() >= 19 ? 19 : 0;
    if (buffer.size() < 2)
        return 0;
    if (quint8(buffer.at(1)) == 0x03)
        return buffer.size() >= 8 ? 8 : 0;
    if (quint8(buffer.at(1)) == 0x0F && buffer.size() >= 7) {
        const int length = quint8(buffer.at(6)) + 9;
        return buffer.size() >= length ? length : 0;
    }
    return 0;
}

QByteArray ScriptedInstrument::countedReply(quint8 address, const QByteArray &text)
{
    QByteArray frame;
    frame.append(char(address)).append('\x03').append(char(text.size())).append(text);
    appendCrcLowFirst(frame);
    return frame;
}

QByteArray ScriptedInstrument::textWriteAck(const QByteArray &request)
{
    const QByteArray text = request.mid(7, quint8(request.at(6)) - 1);
    return countedReply(quint8(request.at(0)), text);
}

QByteArray ScriptedInstrument::itemAnswer(const QByteArray &r, int itemCount)
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
