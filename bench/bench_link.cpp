// bench_link: what DeviceLink::transact costs per item-read exchange
// compared with a bare request/reply loop on the same transport, against
// the same zrsim, over loopback UDP and over a pty.
//
//   bench_link [--sim PATH] [--udp-count N] [--pty-count N]
//              [--udp-port PORT] [--pty-path PATH]
//              [--no-reopen] [--transports udp,pty]
//
// With --udp-port / --pty-path it uses an already running zrsim (device
// address 1) instead of starting one.

#include "link/devicelink.h"
#include "link/framecodec.h"
#include "settings/config.h"
#include "tools/zrsim/simlauncher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QUdpSocket>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxCount = 100000;
constexpr int kWarmup = 20;
constexpr int kTimeoutMs = 3000;
constexpr quint8 kAddress = 1;

struct Figures {
    int done = 0;
    int failed = 0;
    double meanUs = 0;
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
    int slow = 0; // exchanges over 5 ms: a poll slice or a scheduler stall
};

Figures summarise(std::vector<double> us, int failed)
{
    Figures f;
    f.done = static_cast<int>(us.size());
    f.failed = failed;
    double sum = 0;
    for (double v : us) {
        sum += v;
        if (v > 5000)
            ++f.slow;
    }
    if (us.empty())
        return f;
    f.meanUs = sum / us.size();
    std::sort(us.begin(), us.end());
    f.medianUs = us[us.size() / 2];
    f.p99Us = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    f.maxUs = us.back();
    return f;
}

using Exchange = std::function<bool(int)>;

// Runs every loop `count` times after a warm-up, alternating in blocks so
// that load from other processes on the machine hits all loops alike.
QList<Figures> measure(int count, const QList<Exchange> &loops)
{
    constexpr int kBlock = 50;
    std::vector<std::vector<double>> samples(static_cast<size_t>(loops.size()));
    std::vector<int> failed(static_cast<size_t>(loops.size()), 0);
    for (const Exchange &exchange : loops) {
        for (int i = 0; i < kWarmup; ++i)
            exchange(i);
    }
    for (int start = 0; start < count; start += kBlock) {
        const int end = std::min(count, start + kBlock);
        for (int k = 0; k < loops.size(); ++k) {
            for (int i = start; i < end; ++i) {
                QElapsedTimer t;
                t.start();
                if (!loops[k](i))
                    ++failed[static_cast<size_t>(k)];
                samples[static_cast<size_t>(k)].push_back(t.nsecsElapsed() / 1000.0);
            }
        }
    }
    QList<Figures> out;
    for (int k = 0; k < loops.size(); ++k)
        out << summarise(samples[static_cast<size_t>(k)], failed[static_cast<size_t>(k)]);
    return out;
}

QByteArray request(int i)
{
    return buildItemReadRequest(kAddress, static_cast<quint8>(i % 5));
}

bool goodReply(const QByteArray &reply)
{
    return reply.size() >= 5 && static_cast<quint8>(reply[0]) == kAddress && reply.size() == static_cast<quint8>(reply[2]) + 5
           && checkFrameCrc(reply, false);
}

void writeConfig(const QString &dir, const QVariantMap &values)
{
    singleton<Config>::destroy();
    const QString path = QDir(dir).filePath(QStringLiteral("config.ini"));
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    s.setIniCodec(QTextCodec::codecForName("utf-8"));
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
}

// ---- bare loops ----------------------------------------------------------

bool bareUdpExchange(QUdpSocket &socket, quint16 port, const QByteArray &req)
{
    if (socket.writeDatagram(req, QHostAddress(QHostAddress::LocalHost), port) != req.size())
        return false;
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs) {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(kTimeoutMs))
            return false;
        while (socket.hasPendingDatagrams()) {
            QByteArray d(static_cast<int>(std::max<qint64>(socket.pendingDatagramSize(), 0)), Qt::Uninitialized);
            const qint64 got = socket.readDatagram(d.data(), d.size());
            if (got > 0)
                reply.append(d.constData(), static_cast<int>(got));
        }
        if (isReplyComplete(reply, kAddress, false, false))
            return goodReply(reply);
    }
    return false;
}

bool barePtyExchange(int fd, const QByteArray &req)
{
    if (::write(fd, req.constData(), static_cast<size_t>(req.size())) != req.size())
        return false;
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kTimeoutMs) <= 0)
            return false;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            return false;
        reply.append(buf, static_cast<int>(n));
        if (isReplyComplete(reply, kAddress, false, false))
            return goodReply(reply);
    }
    return false;
}

int openRawPty(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

// ---- zrsim ---------------------------------------------------------------

bool startSim(QProcess &sim, const QString &program, quint16 *udpPort, QString *ptyPath)
{
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    SimLauncher::Announcement a;
    if (SimLauncher::start(sim, program, {QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--pty")},
                           &a) != SimLauncher::Ready)
        return false;
    *udpPort = a.udpPort;
    *ptyPath = a.ptyPath;
    return true;
}

void report(const char *transport, const Figures &link, const Figures &bare, const Figures &reopen)
{
    auto line = [transport](const char *what, const Figures &f) {
        if (f.done == 0)
            return;
        std::printf("%-4s %-21s %6d exchanges, %3d failed, mean %8.1f us, median %8.1f us, p99 %8.1f us, "
                    "max %9.1f us, %d over 5 ms\n",
                    transport, what, f.done, f.failed, f.meanUs, f.medianUs, f.p99Us, f.maxUs, f.slow);
    };
    line("DeviceLink::transact:", link);
    line("bare loop:", bare);
    line("open+transact+close:", reopen);
    if (link.done > 0 && bare.done > 0 && bare.meanUs > 0 && bare.medianUs > 0)
        std::printf("%-4s ratio transact/bare: mean %.2fx, median %.2fx (goal: at most 2x by the median: %s)\n",
                    transport, link.meanUs / bare.meanUs, link.medianUs / bare.medianUs,
                    link.medianUs <= 2 * bare.medianUs ? "met" : "NOT met");
    std::fflush(stdout);
}

int boundedCount(const QCommandLineParser &parser, const QString &name, int fallback)
{
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    return ok ? std::clamp(v, 1, kMaxCount) : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Per-exchange cost of DeviceLink::transact against a bare loop."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("sim"), QStringLiteral("zrsim to start."), QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("udp-count"), QStringLiteral("UDP exchanges per loop (default 2000)."),
                      QStringLiteral("N"), QStringLiteral("2000")});
    parser.addOption({QStringLiteral("pty-count"), QStringLiteral("pty exchanges per loop (default 500)."),
                      QStringLiteral("N"), QStringLiteral("500")});
    parser.addOption({QStringLiteral("udp-port"), QStringLiteral("Use a running zrsim on 127.0.0.1:PORT."),
                      QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("pty-path"), QStringLiteral("Use a running zrsim on this pty."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("no-reopen"),
                      QStringLiteral("Skip the loop that opens a fresh DeviceLink for every exchange.")});
    parser.addOption({QStringLiteral("transports"), QStringLiteral("udp, pty or both (default udp,pty)."),
                      QStringLiteral("LIST"), QStringLiteral("udp,pty")});
    parser.process(app);

    const int udpCount = boundedCount(parser, QStringLiteral("udp-count"), 2000);
    const int ptyCount = boundedCount(parser, QStringLiteral("pty-count"), 500);
    quint16 udpPort = static_cast<quint16>(parser.value(QStringLiteral("udp-port")).toUInt());
    QString ptyPath = parser.value(QStringLiteral("pty-path"));

    QProcess sim;
    if (udpPort == 0 && ptyPath.isEmpty()) {
        const QString program = SimLauncher::locate(parser.value(QStringLiteral("sim")));
        if (!startSim(sim, program, &udpPort, &ptyPath)) {
            std::fprintf(stderr, "bench_link: cannot start %s\n", qPrintable(program));
            return 1;
        }
        std::printf("zrsim %s: udp 127.0.0.1:%u, pty %s\n", qPrintable(program), udpPort, qPrintable(ptyPath));
    }
    const QStringList transports = parser.value(QStringLiteral("transports")).split(QLatin1Char(','));
    if (!transports.contains(QLatin1String("udp")))
        udpPort = 0;
    if (!transports.contains(QLatin1String("pty")))
        ptyPath.clear();

    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());

    const bool reopen = !parser.isSet(QStringLiteral("no-reopen"));
    auto wanted = [reopen](const char *) { return reopen; };
    auto linkExchange = [](DeviceLink &link, int i) {
        QByteArray reply;
        return link.transact(request(i), reply, false, kTimeoutMs) == LinkOk && goodReply(reply);
    };
    // What one short operation pays: a fresh connection per exchange.
    auto reopenExchange = [](int i) {
        DeviceLink link;
        if (!link.open())
            return false;
        QByteArray reply;
        return link.transact(request(i), reply, false, kTimeoutMs) == LinkOk && goodReply(reply);
    };

    if (udpPort != 0) {
        writeConfig(work.path(), {{"communicate/udp", 1},
                                  {"udp/address", "127.0.0.1"},
                                  {"udp/port", udpPort},
                                  {"device/address", kAddress}});
        QUdpSocket bare;
        DeviceLink link;
        link.open();
        const QList<Figures> f = measure(
            udpCount, {[&](int i) { return bareUdpExchange(bare, udpPort, request(i)); },
                       [&](int i) { return linkExchange(link, i); }});
        const QList<Figures> r = measure(wanted("reopen") ? udpCount : 0, {reopenExchange});
        report("udp", f[1], f[0], r[0]);
    }

    if (!ptyPath.isEmpty()) {
        writeConfig(work.path(), {{"communicate/udp", 0},
                                  {"serial/port", ptyPath},
                                  {"serial/baudrate", 115200},
                                  {"device/address", kAddress}});
        // Both stay open; neither reads outside its own turn, and each
        // DeviceLink write discards what is left in the line.
        const int fd = openRawPty(ptyPath);
        DeviceLink link;
        if (fd < 0 || !link.open()) {
            std::fprintf(stderr, "bench_link: cannot open %s %s\n", qPrintable(ptyPath), qPrintable(link.errorText));
            return 1;
        }
        const QList<Figures> f = measure(ptyCount, {[&](int i) { return barePtyExchange(fd, request(i)); },
                                                    [&](int i) { return linkExchange(link, i); }});
        ::close(fd);
        link.close();
        const QList<Figures> r = measure(wanted("reopen") ? ptyCount : 0, {reopenExchange});
        report("pty", f[1], f[0], r[0]);
    }

    QDir::setCurrent(previous);
    singleton<Config>::destroy();
    if (sim.state() != QProcess::NotRunning) {
        sim.terminate();
        if (!sim.waitForFinished(3000))
            sim.kill();
        sim.waitForFinished(3000);
    }
    return 0;
}
