#include "tools/zrsim/simdevice.h"

#include "link/framecodec.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// An envelope may carry up to 64 KiB; anything longer is garbage.
constexpr int kMaxStreamBuffer = 65535 + 6;
// Unknown shapes are looked at only this far for a CRC-valid frame.
constexpr int kMaxUnknownFrame = 300;
constexpr int kMaxJson = 4096;
constexpr int kSerialSilenceMs = 200;
constexpr int kSplitGapMs = 20;
constexpr int kMaxDelayMs = 60000;

bool parseIndexList(const QString &text, QSet<int> *out)
{
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1)
            return false;
        out->insert(n);
    }
    return true;
}

bool parseBounded(const QCommandLineParser &parser, const QString &name, int min, int max, int *out, QString *error)
{
    return parseBoundedOption(parser, name, min, max, "a number", out, error);
}

// Balanced braces, ignoring braces inside JSON strings.
int jsonLength(const QByteArray &b)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (int i = 0; i < b.size() && i < kMaxJson; ++i) {
        const char c = b[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i + 1;
    }
    return b.size() >= kMaxJson ? -1 : 0;
}

void corruptCrc(QByteArray &frame)
{
    if (frame.isEmpty())
        return;
    // A delimited frame keeps its 0x7F so only the CRC is wrong.
    int at = frame.size() - 1;
    if (frame.size() >= 4 && static_cast<quint8>(frame[at]) == 0x7F)
        --at;
    frame[at] = static_cast<char>(frame[at] ^ 0x5A);
}

QString originText(const SimOrigin &o)
{
    if (o.kind == SimOrigin::Udp)
        return QStringLiteral("udp %1:%2").arg(o.address.toString()).arg(o.port);
    if (o.kind == SimOrigin::Pty)
        return QStringLiteral("pty");
    return QStringLiteral("-");
}

} // namespace

SimDevice::SimDevice(QList<SimFeature *> features, QObject *parent)
    : QObject(parent)
    , m_features(std::move(features))
{
    m_serialSilence.setSingleShot(true);
    m_serialSilence.setInterval(kSerialSilenceMs);
    connect(&m_serialSilence, &QTimer::timeout, this, &SimDevice::onSerialSilence);
}

SimDevice::~SimDevice()
{
    closePty();
}

void SimDevice::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("udp"),
                      QStringLiteral("Listen for UDP requests on HOST:PORT (loopback only; port 0 picks a free one)."),
                      QStringLiteral("HOST:PORT")});
    parser.addOption({QStringLiteral("pty"),
                      QStringLiteral("Open a pseudo-terminal (raw) and serve requests on it. An optional following "
                                     "argument LINK makes a symlink LINK to its slave, removed on exit.")});
    parser.addOption({QStringLiteral("pty-link"), QStringLiteral("Same as the LINK argument of --pty."),
                      QStringLiteral("LINK")});
    parser.addOption({QStringLiteral("address"), QStringLiteral("Device address 0-255 (default 1)."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("encrypt"),
                      QStringLiteral("Understand enveloped requests and answer them enveloped. Plain requests are "
                                     "still answered plain; without this option envelopes are ignored.")});
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("Log every request and reply in hex on stderr.")});
    parser.addOption({QStringLiteral("ignore-first"), QStringLiteral("Leave the first N requests unanswered."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("corrupt-crc"),
                      QStringLiteral("Corrupt the CRC of the Nth reply (1-based; a list like 2,5 is allowed)."),
                      QStringLiteral("LIST")});
    parser.addOption({QStringLiteral("drop"), QStringLiteral("Never send the Nth reply (1-based; list allowed)."),
                      QStringLiteral("LIST")});
    parser.addOption({QStringLiteral("delay"), QStringLiteral("Delay every reply by MS milliseconds (max 60000)."),
                      QStringLiteral("MS")});
    parser.addOption({QStringLiteral("split"),
                      QStringLiteral("Send every reply in two pieces about 20 ms apart.")});
    parser.addOption({QStringLiteral("silent"), QStringLiteral("Never answer.")});
    parser.addOption({QStringLiteral("foreign"),
                      QStringLiteral("Over UDP, send a decoy datagram from another port before every reply.")});
    SimRandomFaults::addOptions(parser);
}

bool SimDevice::configure(const QCommandLineParser &parser, QString *error)
{
    int address = 1;
    if (!parseBounded(parser, QStringLiteral("address"), 0, 255, &address, error))
        return false;
    m_address = static_cast<quint8>(address);
    m_encrypt = parser.isSet(QStringLiteral("encrypt"));
    m_verbose = parser.isSet(QStringLiteral("verbose"));
    if (!parseBounded(parser, QStringLiteral("ignore-first"), 0, 1000000, &m_faults.ignoreFirst, error))
        return false;
    if (!parseBounded(parser, QStringLiteral("delay"), 0, kMaxDelayMs, &m_faults.delayMs, error))
        return false;
    if (parser.isSet(QStringLiteral("corrupt-crc"))
        && !parseIndexList(parser.value(QStringLiteral("corrupt-crc")), &m_faults.corruptReplies)) {
        *error = QStringLiteral("--corrupt-crc needs reply numbers from 1, e.g. 2,5");
        return false;
    }
    if (parser.isSet(QStringLiteral("drop"))
        && !parseIndexList(parser.value(QStringLiteral("drop")), &m_faults.dropReplies)) {
        *error = QStringLiteral("--drop needs reply numbers from 1, e.g. 2,5");
        return false;
    }
    m_faults.split = parser.isSet(QStringLiteral("split"));
    m_faults.silent = parser.isSet(QStringLiteral("silent"));
    m_faults.foreign = parser.isSet(QStringLiteral("foreign"));
    if (!m_random.configure(parser, error))
        return false;
    m_udpAddress = parser.value(QStringLiteral("udp"));
    m_wantPty = parser.isSet(QStringLiteral("pty")) || parser.isSet(QStringLiteral("pty-link"));
    m_ptyLink = parser.value(QStringLiteral("pty-link"));
    if (m_udpAddress.isEmpty() && !m_wantPty) {
        *error = QStringLiteral("give --udp HOST:PORT and/or --pty");
        return false;
    }
    for (SimFeature *f : qAsConst(m_features)) {
        if (!f->configure(parser, error))
            return false;
    }
    return true;
}

bool SimDevice::start(QString *error)
{
    if (!m_udpAddress.isEmpty() && !openUdp(m_udpAddress, error))
        return false;
    if (m_wantPty && !openPty(m_ptyLink, error))
        return false;
    for (SimFeature *f : qAsConst(m_features)) {
        if (!f->start(*this, error))
            return false;
    }
    if (m_udp)
        status(QStringLiteral("UDP %1 %2").arg(m_udp->localAddress().toString()).arg(m_udp->localPort()));
    if (m_ptyMaster >= 0)
        status(QStringLiteral("PTY %1").arg(m_ptyPath));
    status(QStringLiteral("READY"));
    return true;
}

bool SimDevice::openUdp(const QString &endpoint, QString *error)
{
    const int colon = endpoint.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        *error = QStringLiteral("--udp needs HOST:PORT, e.g. 127.0.0.1:0");
        return false;
    }
    QString host = endpoint.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = endpoint.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535) {
        *error = QStringLiteral("--udp: bad port in %1").arg(endpoint);
        return false;
    }
    QHostAddress address = host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                               ? QHostAddress(QHostAddress::LocalHost)
                               : QHostAddress(host);
    if (address.isNull()) {
        *error = QStringLiteral("--udp: %1 is not an IP address").arg(host);
        return false;
    }
    if (!address.isLoopback()) {
        *error = QStringLiteral("--udp: refusing %1, only loopback addresses are allowed").arg(host);
        return false;
    }
    m_udp = std::make_unique<QUdpSocket>();
    if (!m_udp->bind(address, static_cast<quint16>(port))) {
        *error = QStringLiteral("--udp: cannot bind %1: %2").arg(endpoint, m_udp->errorString());
        return false;
    }
    connect(m_udp.get(), &QUdpSocket::readyRead, this, &SimDevice::onUdpReadyRead);
    if (m_faults.foreign) {
        m_foreignUdp = std::make_unique<QUdpSocket>();
        if (!m_foreignUdp->bind(address, 0)) {
            *error = QStringLiteral("--foreign: cannot bind a second socket: %1").arg(m_foreignUdp->errorString());
            return false;
        }
    }
    return true;
}

bool SimDevice::openPty(const QString &link, QString *error)
{
    m_ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_ptyMaster < 0 || ::grantpt(m_ptyMaster) != 0 || ::unlockpt(m_ptyMaster) != 0) {
        *error = QStringLiteral("--pty: cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        closePty();
        return false;
    }
    const char *name = ::ptsname(m_ptyMaster);
    m_ptyPath = QString::fromLocal8Bit(name ? name : "");
    // Holding the slave open keeps the master readable (no EIO) while no
    // client has the port open, and keeps the raw settings between clients.
    m_ptySlave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_ptySlave < 0) {
        *error = QStringLiteral("--pty: cannot open %1").arg(m_ptyPath);
        closePty();
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_ptySlave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_ptySlave, TCSANOW, &tio);
    }
    ::fcntl(m_ptyMaster, F_SETFL, ::fcntl(m_ptyMaster, F_GETFL) | O_NONBLOCK);

    if (!link.isEmpty()) {
        const QFileInfo info(link);
        if (info.exists() && !info.isSymLink()) {
            *error = QStringLiteral("--pty: %1 exists and is not a symlink").arg(link);
            closePty();
            return false;
        }
        if (info.isSymLink())
            QFile::remove(link);
        if (!QFile::link(m_ptyPath, link)) {
            *error = QStringLiteral("--pty: cannot create the symlink %1").arg(link);
            closePty();
            return false;
        }
        m_ptyLink = link;
        m_linkCreated = true;
    }
    m_ptyNotifier = std::make_unique<QSocketNotifier>(m_ptyMaster, QSocketNotifier::Read);
    connect(m_ptyNotifier.get(), &QSocketNotifier::activated, this, &SimDevice::onPtyReadable);
    return true;
}

void SimDevice::closePty()
{
    m_ptyNotifier.reset();
    if (m_linkCreated) {
        if (QFileInfo(m_ptyLink).symLinkTarget() == QFileInfo(m_ptyPath).absoluteFilePath())
            QFile::remove(m_ptyLink);
        m_linkCreated = false;
    }
    if (m_ptySlave >= 0)
        ::close(m_ptySlave);
    if (m_ptyMaster >= 0)
        ::close(m_ptyMaster);
    m_ptySlave = m_ptyMaster = -1;
}

void SimDevice::status(const QString &text)
{
    m_stdout.write(QStringLiteral("ZRSIM %1\n").arg(text).toUtf8());
}

void SimDevice::announce(const QString &event)
{
    for (SimFeature *f : qAsConst(m_features))
        f->announced(*this, event);
}

void SimDevice::log(const QString &text)
{
    if (!m_verbose)
        return;
    m_stderr.write(
        (QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text + QLatin1Char('\n')).toUtf8());
}

QByteArray SimDevice::countedReply(quint8 address, quint8 function, const QByteArray &data)
{
    QByteArray frame;
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(function));
    frame.append(static_cast<char>(data.size() & 0xFF));
    frame.append(data.left(255));
    appendCrcLowFirst(frame);
    return frame;
}

void SimDevice::onUdpReadyRead()
{
    while (m_udp && m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_udp->receiveDatagram();
        SimOrigin origin;
        origin.kind = SimOrigin::Udp;
        origin.address = d.senderAddress();
        origin.port = static_cast<quint16>(d.senderPort());
        if (!d.isValid() || d.data().isEmpty())
            continue;
        handleRequest(d.data(), origin);
    }
}

void SimDevice::onPtyReadable()
{
    bool got = false;
    char buf[4096];
    while (m_serialBuffer.size() <= kMaxStreamBuffer) {
        const ssize_t n = ::read(m_ptyMaster, buf, sizeof buf);
        if (n > 0) {
            m_serialBuffer.append(buf, static_cast<int>(n));
            got = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (!got)
        return;
    if (m_serialBuffer.size() > kMaxStreamBuffer) {
        log(QStringLiteral("RX pty overflow, dropping %1 bytes").arg(m_serialBuffer.size()));
        m_serialBuffer.clear();
    }
    m_serialSilence.start();
    takeSerialRequests();
}

int SimDevice::serialRequestLength(const QByteArray &b) const
{
    if (b.isEmpty())
        return 0;
    for (SimFeature *f : m_features) {
        const int n = f->requestLength(b);
        if (n >= 0)
            return n;
    }
    const quint8 c0 = static_cast<quint8>(b[0]);
    auto fixed = [&b](int length) {
        if (b.size() < length)
            return 0;
        return checkFrameCrc(b.constData(), length, false) ? length : -1;
    };
    if (c0 == 0xFE && b.size() >= 2 && static_cast<quint8>(b[1]) == 0xEF) {
        if (b.size() < 4)
            return 0;
        const int inner = (static_cast<quint8>(b[2]) << 8) | static_cast<quint8>(b[3]);
        return inner == 0 ? -1 : fixed(inner + 6);
    }
    if (c0 == 0xFE && b.size() < 2)
        return 0;
    if (c0 == '{')
        return jsonLength(b);
    if (c0 == 0x7E) {
        for (int k = 4; k < b.size() && k < kMaxStreamBuffer; ++k) {
            if (static_cast<quint8>(b[k]) == 0x7F && checkFrameCrc(b.constData(), k, true))
                return k + 1;
        }
        return b.size() >= kMaxStreamBuffer ? -1 : 0;
    }
    // Address first: the request's shape follows from its function code.
    if (b.size() < 2)
        return 0;
    const quint8 function = static_cast<quint8>(b[1]);
    if (function == 0x03)
        return fixed(8);
    if (function == 0x0F) {
        if (b.size() < 7)
            return 0;
        const quint8 kind = static_cast<quint8>(b[2]);
        if (kind == 0x4B)
            return fixed(static_cast<quint8>(b[6]) + 9);
        if (kind == 0x4D)
            return fixed(static_cast<quint8>(b[6]) + 9);
    }
    for (int n = 4; n <= b.size() && n <= kMaxUnknownFrame; ++n) {
        if (checkFrameCrc(b.constData(), n, false))
            return n;
    }
    return b.size() >= kMaxUnknownFrame ? -1 : 0;
}

void SimDevice::takeSerialRequests()
{
    while (!m_serialBuffer.isEmpty()) {
        const int n = serialRequestLength(m_serialBuffer);
        if (n == 0)
            return;
        if (n < 0) {
            log(QStringLiteral("RX pty garbage byte %1").arg(hexDump(m_serialBuffer.left(1))));
            m_serialBuffer.remove(0, 1);
            continue;
        }
        const QByteArray request = m_serialBuffer.left(n);
        m_serialBuffer.remove(0, n);
        SimOrigin origin;
        origin.kind = SimOrigin::Pty;
        handleRequest(request, origin);
    }
}

void SimDevice::onSerialSilence()
{
    // An unfinished frame after a pause is garbage; look past its first byte
    // for a real request before giving up, so a bad frame never wedges us.
    while (!m_serialBuffer.isEmpty()) {
        log(QStringLiteral("RX pty stale %1").arg(hexDump(m_serialBuffer.left(1))));
        m_serialBuffer.remove(0, 1);
        takeSerialRequests();
    }
}

void SimDevice::handleRequest(const QByteArray &raw, const SimOrigin &origin)
{
    log(QStringLiteral("RX %1: %2").arg(originText(origin), hexDump(raw)));
    if (m_faults.silent) {
        log(QStringLiteral("   silent"));
        return;
    }
    QByteArray request = raw;
    bool enveloped = false;
    if (raw.size() >= 7 && static_cast<quint8>(raw[0]) == 0xFE && static_cast<quint8>(raw[1]) == 0xEF) {
        const QByteArray inner = decryptEnvelope(raw, false);
        if (inner != raw) {
            if (!m_encrypt) {
                log(QStringLiteral("   envelope ignored (no --encrypt)"));
                return;
            }
            request = inner;
            enveloped = true;
            log(QStringLiteral("   inner: %1").arg(hexDump(inner)));
        }
    }
    if (request.isEmpty())
        return;
    const quint8 first = static_cast<quint8>(request[0]);
    if (first != m_address && first != 0x7E && first != '{') {
        log(QStringLiteral("   not for address %1").arg(m_address));
        return;
    }
    if (first == m_address && !checkFrameCrc(request, false)) {
        log(QStringLiteral("   bad CRC, ignored"));
        return;
    }
    ++m_requestCount;
    if (m_requestCount <= m_faults.ignoreFirst) {
        log(QStringLiteral("   ignored (request %1 of --ignore-first)").arg(m_requestCount));
        return;
    }

    QList<SimChunk> reply;
    bool handled = false;
    m_origin = origin;
    for (SimFeature *f : qAsConst(m_features)) {
        if (f->handle(*this, request, reply)) {
            handled = true;
            break;
        }
    }
    m_origin = SimOrigin();
    if (!handled) {
        log(QStringLiteral("   unknown request, no answer"));
        return;
    }
    if (reply.isEmpty())
        return;
    const int number = ++m_replyCount;
    // Drawn for every reply, so the pattern does not depend on the other faults.
    const SimFaultPlan plan = m_random.enabled() ? m_random.next() : SimFaultPlan();
    if (plan.any())
        log(QStringLiteral("   reply %1 random fault: %2").arg(number).arg(plan.describe()));
    if (m_faults.dropReplies.contains(number) || plan.drop) {
        log(QStringLiteral("   reply %1 dropped").arg(number));
        return;
    }
    if (m_faults.corruptReplies.contains(number) || plan.corruptCrc) {
        log(QStringLiteral("   reply %1 gets a wrong CRC").arg(number));
        corruptCrc(reply.last().bytes);
    }
    sendReply(reply, enveloped, origin, plan);
}

void SimDevice::sendReply(const QList<SimChunk> &chunks, bool enveloped, const SimOrigin &to,
                          const SimFaultPlan &plan)
{
    int at = m_faults.delayMs + plan.extraDelayMs;
    bool first = true;
    for (const SimChunk &chunk : chunks) {
        at += qBound(0, chunk.delayMs, kMaxDelayMs);
        QByteArray bytes = enveloped ? encryptEnvelope(chunk.bytes) : chunk.bytes;
        // Delimited (flash) replies carry their envelope CRC high byte first,
        // as their inner frames do.
        if (enveloped && chunk.bytes.startsWith('\x7E') && bytes.size() >= 2) {
            const char low = bytes.at(bytes.size() - 2);
            bytes[bytes.size() - 2] = bytes.at(bytes.size() - 1);
            bytes[bytes.size() - 1] = low;
        }
        QList<QByteArray> pieces;
        QList<int> gaps;
        if (!plan.cuts.isEmpty()) {
            pieces = SimRandomFaults::splitBytes(bytes, plan.cuts);
            gaps = plan.gapsMs;
        } else if (m_faults.split && bytes.size() > 1) {
            pieces << bytes.left(bytes.size() / 2) << bytes.mid(bytes.size() / 2);
            gaps << kSplitGapMs;
        } else {
            pieces << bytes;
        }
        for (int i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                at += gaps.value(i - 1, kSplitGapMs);
            const QByteArray piece = pieces[i];
            const bool decoy = first && m_faults.foreign && to.kind == SimOrigin::Udp;
            first = false;
            auto send = [this, to, piece, decoy]() {
                if (decoy && m_foreignUdp && to.address.isLoopback()) {
                    const QByteArray fake = countedReply(m_address, 0x03, QByteArrayLiteral("foreign:decoy"));
                    log(QStringLiteral("TX udp decoy from port %1: %2").arg(m_foreignUdp->localPort()).arg(hexDump(fake)));
                    m_foreignUdp->writeDatagram(fake, to.address, to.port);
                }
                transmit(to, piece, "TX");
            };
            if (at == 0)
                send();
            else
                // Coarse timers (the default from 2 s) may fire 5% early or
                // late, which would reorder the pieces of a long-delayed reply.
                QTimer::singleShot(at, Qt::PreciseTimer, this, send);
        }
    }
}

void SimDevice::serviceInput()
{
    if (m_udp && m_udp->hasPendingDatagrams())
        onUdpReadyRead();
    if (m_ptyMaster >= 0)
        onPtyReadable();
}

void SimDevice::sendUnsolicited(const SimOrigin &to, const QByteArray &bytes)
{
    transmit(to, bytes, "OUT");
}

void SimDevice::transmit(const SimOrigin &to, const QByteArray &bytes, const char *what)
{
    // Unsolicited output nobody reads must not hold up the event loop.
    const int maxTries = qstrcmp(what, "OUT") == 0 ? 0 : 50;
    log(QStringLiteral("%1 %2: %3").arg(QLatin1String(what), originText(to), hexDump(bytes)));
    if (to.kind == SimOrigin::Udp) {
        // Replies only ever go back to loopback senders.
        if (!m_udp || !to.address.isLoopback())
            return;
        m_udp->writeDatagram(bytes, to.address, to.port);
    } else if (to.kind == SimOrigin::Pty && m_ptyMaster >= 0) {
        int done = 0;
        int tries = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_ptyMaster, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (++tries > maxTries)
                break;
            ::usleep(1000);
        }
        if (done < bytes.size())
            log(QStringLiteral("   pty full, %1 bytes lost").arg(bytes.size() - done));
    }
}
