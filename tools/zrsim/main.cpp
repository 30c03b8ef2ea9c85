// zrsim: a simulated ZR instrument on loopback UDP and/or a pseudo-terminal,
// for integration tests, benchmarks and manual trials.

#include "tools/zrsim/simdevice.h"
#include "tools/zrsim/simfeature.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    const ssize_t ignored = ::write(g_signalPipe[1], &c, 1);
    Q_UNUSED(ignored)
}

// QCommandLineParser has no optional values: "--pty LINK" becomes
// "--pty --pty-link LINK".
QStringList expandPtyArgument(const QStringList &args)
{
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--pty") || a == QLatin1String("-pty")) {
            out << QStringLiteral("--pty");
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-')))
                out << QStringLiteral("--pty-link") << args[++i];
        } else if (a.startsWith(QLatin1String("--pty="))) {
            out << QStringLiteral("--pty") << QStringLiteral("--pty-link") << a.mid(6);
        } else {
            out << a;
        }
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZRVU_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated ZR instrument for tests, on loopback UDP and/or a pseudo-terminal.\n"
        "Startup lines on stdout: \"ZRSIM UDP <host> <port>\", \"ZRSIM PTY <path>\", then \"ZRSIM READY\". "
        "Status lines that may follow: \"ZRSIM WRITE <item> <text>\", \"ZRSIM REFUSED <item> <value>\", "
        "\"ZRSIM COMMAND <item> <name>\", \"ZRSIM CLOCK yyyy-MM-dd hh:mm:ss <dow>\", \"ZRSIM SN <sn>\", "
        "\"ZRSIM DEBUG 1|0\", \"ZRSIM VERSION <text>\" (--flashed-version).\n"
        "Items file: UTF-8, one item per line, \"name:value\" or just \"name\" for a command item, e.g. "
        "\"波特率(2400/4800/9600):9600\"; a leading \"!\" marks a read-only item (writes leave its value); "
        "a value outside the choices listed in the name is refused; \"#\" starts a comment line.\n"
        "Item 255 is the debug switch (\"1\" on, \"0\" off). Faults count only requests for this device "
        "address; --corrupt-crc on a serial-number answer spoils its last byte."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("stay"),
                      QStringLiteral("Keep running when the parent process ends (by default zrsim ends with it).")});
    SimDevice::addOptions(parser);
    QList<SimFeature *> features = createSimFeatures();
    for (SimFeature *f : qAsConst(features))
        f->addOptions(parser);
    parser.process(expandPtyArgument(QCoreApplication::arguments()));

    // A test that crashes must not leave its simulator behind.
    if (!parser.isSet(QStringLiteral("stay"))) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == 1)
            return 0;
    }

    SimDevice device(features);
    QString error;
    if (!device.configure(parser, &error)) {
        std::fprintf(stderr, "zrsim: %s\n", qPrintable(error));
        qDeleteAll(features);
        return 2;
    }

    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("zrsim: pipe");
        return 1;
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char c;
        while (::read(g_signalPipe[0], &c, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (!device.start(&error)) {
        std::fprintf(stderr, "zrsim: %s\n", qPrintable(error));
        qDeleteAll(features);
        return 2;
    }
    const int rc = app.exec();
    qDeleteAll(features);
    return rc;
}
