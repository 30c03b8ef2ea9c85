// Cost of one item in a refresh against zrsim over loopback UDP, next to a
// bare request/reply loop over the same link, and with a traffic log attached.
//   bench_refresh [items=250] [rounds=5]   (ZRSIM=path of zrsim, optional)
#include "items/refreshthread.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "link/traffic.h"
#include "settings/config.h"
#include "tools/zrsim/simlauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCodec>

#include <algorithm>
#include <cstdio>

namespace {

bool startSim(QProcess &sim, const QString &itemsFile, quint16 *port)
{
    SimLauncher::Announcement a;
    if (SimLauncher::start(sim, SimLauncher::locate(), {"--udp", "127.0.0.1:0", "--items", itemsFile}, &a)
        != SimLauncher::Ready)
        return false;
    *port = a.udpPort;
    return *port != 0;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int items = argc > 1 ? QByteArray(argv[1]).toInt() : 250;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    if (items < 1 || items > RefreshThread::kMaxItems - 1 || rounds < 1 || rounds > 100) {
        std::fprintf(stderr, "usage: bench_refresh [items 1..255] [rounds 1..100]\n");
        return 2;
    }

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile file(dir.filePath(QStringLiteral("items.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < items; ++i)
        file.write(QStringLiteral("参数%1(低/中/高):值%1\n").arg(i).toUtf8());
    file.close();

    QProcess sim;
    quint16 port = 0;
    if (!startSim(sim, file.fileName(), &port)) {
        std::fprintf(stderr, "zrsim did not start (%s)\n", qPrintable(SimLauncher::locate()));
        return 1;
    }
    {
        QSettings s(QStringLiteral("config.ini"), QSettings::IniFormat);
        s.setIniCodec("utf-8");
        s.setValue("communicate/udp", 1);
        s.setValue("udp/address", "127.0.0.1");
        s.setValue("udp/port", QString::number(port));
        s.setValue("device/address", 1);
    }

    QVector<double> bare, direct, observed, threaded;
    int failures = 0;
    for (int r = 0; r < rounds; ++r) {
        // Bare loop: the same requests, including the empty end item.
        {
            DeviceLink link;
            link.open();
            QElapsedTimer t;
            t.start();
            QByteArray reply;
            for (int i = 0; i <= items; ++i) {
                if (link.transact(buildItemReadRequest(link.deviceAddress, quint8(i)), reply, false, 3000) != LinkOk
                    || !linkErrorText(LinkOk, reply).isEmpty())
                    ++failures;
                (void)decodeDeviceText(reply.mid(3, reply.size() - 5));
            }
            bare << t.nsecsElapsed() / 1000.0 / (items + 1);
        }
        // readItems on this thread with direct connections, without and
        // then with every frame going into a traffic log, as in the assistant.
        const auto readDirect = [&](TrafficLog *log) {
            setDefaultTrafficObserver(log);
            RefreshThread refresh;
            int got = 0;
            QObject::connect(&refresh, &RefreshThread::signalAddItems, [&](int, const QStringList &) { ++got; });
            QObject::connect(&refresh, &RefreshThread::showErrorMessage, [&] { ++failures; });
            DeviceLink link;
            QElapsedTimer t;
            t.start();
            refresh.readItems(link);
            const double perItem = t.nsecsElapsed() / 1000.0 / (items + 1);
            setDefaultTrafficObserver(nullptr);
            if (got != items || (log && log->size() != 2 * (items + 1)))
                ++failures;
            return perItem;
        };
        direct << readDirect(nullptr);
        {
            TrafficLog log;
            observed << readDirect(&log);
        }
        // The real path: worker thread, items queued to this event loop.
        {
            RefreshThread refresh;
            int got = 0;
            QEventLoop loop;
            QObject context;
            QObject::connect(&refresh, &RefreshThread::signalAddItems, &context, [&](int, const QStringList &) { ++got; });
            QObject::connect(&refresh, &RefreshThread::showErrorMessage, &context, [&] { ++failures; });
            QObject::connect(&refresh, &QThread::finished, &loop, &QEventLoop::quit);
            QElapsedTimer t;
            t.start();
            refresh.start();
            loop.exec();
            QCoreApplication::processEvents();
            threaded << t.nsecsElapsed() / 1000.0 / (items + 1);
            if (got != items)
                ++failures;
        }
    }
    singleton<Config>::destroy();
    sim.terminate();
    sim.waitForFinished(3000);

    const double b = median(bare), d = median(direct), q = median(threaded);
    std::printf("items %d, rounds %d, median per request (us)\n", items, rounds);
    std::printf("  bare transact loop        %8.1f\n", b);
    std::printf("  refresh, readItems        %8.1f   (%.2fx)\n", d, b > 0 ? d / b : 0.0);
    const double o = median(observed);
    std::printf("  readItems, traffic log on %8.1f   (%+.1f%% over readItems)\n", o, d > 0 ? (o / d - 1) * 100 : 0.0);
    std::printf("  refresh, thread + queued  %8.1f   (%.2fx)\n", q, b > 0 ? q / b : 0.0);
    std::printf("  whole refresh of %d items: %.1f ms\n", items, q * (items + 1) / 1000.0);
    if (failures)
        std::printf("  FAILURES: %d\n", failures);
    return failures ? 1 : 0;
}
