// What the traffic window costs the GUI thread: a history transfer and a
// monitor flood run on worker threads against zrsim over loopback UDP,
// while a 10 ms timer on the GUI thread notes the longest gap between its
// ticks. First without any observer (the baseline), then with the traffic
// window open on the application's log.
//   bench_traffic [days=20] [rounds=2]   (ZRSIM=path of zrsim, optional)
#include "history/historyread.h"
#include "history/historyrequest.h"
#include "link/devicelink.h"
#include "link/trafficwindow.h"
#include "monitor/monitorcapture.h"
#include "tools/zrsim/simlauncher.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

bool startSim(QProcess &sim, quint16 *port)
{
    SimLauncher::Announcement seen;
    const SimLauncher::Outcome outcome = SimLauncher::start(
        sim, SimLauncher::locate(),
        {"--udp", "127.0.0.1:0", "--debug-rate", "1000", "--history-interval", "1", "--history-chunk", "700",
         "--history-gap", "1"},
        &seen);
    *port = seen.udpPort;
    return outcome == SimLauncher::Ready && *port != 0;
}

struct Figures {
    qint64 maxGapMs = 0;
    qint64 ticks = 0;
    qint64 historyLines = 0;
    qint64 monitorLines = 0;
    qint64 historyMs = 0;
    int rows = 0;
};

Figures runOnce(int days, TrafficWindow *window)
{
    Figures f;
    std::atomic_bool stopMonitor{false};
    std::atomic<qint64> monitorLines{0};
    std::atomic<qint64> historyLines{0};
    std::unique_ptr<QThread> monitor(QThread::create([&] {
        DeviceLink link;
        MonitorCaptureOptions options;
        options.debug = true;
        MonitorCaptureHooks hooks;
        hooks.stopRequested = [&] { return stopMonitor.load(); };
        hooks.line = [&](const QByteArray &) { ++monitorLines; };
        captureMonitor(link, options, hooks);
    }));
    QElapsedTimer historyClock;
    std::unique_ptr<QThread> history(QThread::create([&] {
        DeviceLink link;
        HistoryReadHooks hooks;
        hooks.line = [&](const QString &) { ++historyLines; };
        const QDate start(2026, 1, 1);
        historyClock.start();
        readHistory(link, buildHistoryRequest(start, start.addDays(days - 1)), hooks, 10000000);
        f.historyMs = historyClock.elapsed();
    }));

    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        f.maxGapMs = std::max(f.maxGapMs, sinceTick.elapsed());
        sinceTick.restart();
        ++f.ticks;
    });
    QEventLoop loop;
    QObject::connect(history.get(), &QThread::finished, &loop, &QEventLoop::quit);
    monitor->start();
    QThread::msleep(300); // the flood is running when the transfer starts
    sinceTick.start();
    tick.start();
    history->start();
    loop.exec();
    tick.stop();
    stopMonitor = true;
    monitor->wait();
    QCoreApplication::processEvents();
    f.historyLines = historyLines;
    f.monitorLines = monitorLines;
    if (window) {
        window->pullEntries();
        f.rows = window->model()->rowCount();
    }
    return f;
}

void print(const char *label, const Figures &f)
{
    std::printf("  %-22s max gap %4lld ms over %5lld ticks; history %6lld lines in %5lld ms; monitor %6lld lines; "
                "rows %d\n",
                label, static_cast<long long>(f.maxGapMs), static_cast<long long>(f.ticks),
                static_cast<long long>(f.historyLines), static_cast<long long>(f.historyMs),
                static_cast<long long>(f.monitorLines), f.rows);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int days = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 2;
    if (days < 1 || days > 365 || rounds < 1 || rounds > 20) {
        std::fprintf(stderr, "usage: bench_traffic [days 1..365] [rounds 1..20]\n");
        return 2;
    }
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QProcess sim;
    quint16 port = 0;
    if (!startSim(sim, &port)) {
        std::fprintf(stderr, "zrsim did not start (%s)\n", qPrintable(SimLauncher::locate()));
        return 1;
    }
    {
        QSettings s(QStringLiteral("config.ini"), QSettings::IniFormat);
        s.setValue("communicate/udp", 1);
        s.setValue("udp/address", "127.0.0.1");
        s.setValue("udp/port", QString::number(port));
        s.setValue("device/address", 1);
    }

    std::printf("history of %d days (1-minute records) and a 1000 lines/s monitor flood, %d rounds\n", days, rounds);
    TrafficWindow *window = nullptr;
    for (int r = 0; r < rounds; ++r) {
        setDefaultTrafficObserver(nullptr);
        print("no observer", runOnce(days, nullptr));
        if (!window) {
            window = new TrafficWindow(TrafficWindow::applicationLog());
            if (qEnvironmentVariableIsEmpty("BENCH_HIDDEN"))
                window->show();
            // Its first paint (fonts, layout) is not part of a transfer.
            QEventLoop settle;
            QTimer::singleShot(500, &settle, &QEventLoop::quit);
            settle.exec();
        }
        setDefaultTrafficObserver(TrafficWindow::applicationLog());
        print("traffic window open", runOnce(days, window));
    }
    setDefaultTrafficObserver(nullptr);
    delete window;
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
