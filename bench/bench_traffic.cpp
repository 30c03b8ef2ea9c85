// What the traffic window costs the GUI thread: a history transfer and a
// monitor flood run on worker threads against zrsim over loopback UDP,
// while a 10 ms timer on the GUI thread notes the longest gap between its
// ticks. First without any observer (the baseline), then with the traffic
// window open on the application's log.
//   bench_traffic [days=20] [rounds=2]   (ZRSIM=path of zrsim, optional)
// Ends with the ratio of the window's longest gap to the baseline's, the
// worst and the median of the rounds. Per round with the window open it
// also prints what the view's paints and the window's timer cost the GUI
// thread, in wall time and in the thread's own CPU time (on a loaded
// machine the difference is the others' turn). BENCH_SHOT=file.png saves
// the window as drawn in the middle of the first flood.
//   bench_traffic foreign [entries=20000] [bytes=60000]
// fills the log with foreign datagrams of that size while the window is
// open, types one letter into its filter (BENCH_FILTER, default "b") and
// prints the peak RSS.
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

#include <QLineEdit>
#include <QTableView>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

qint64 threadCpuUs()
{
#ifdef Q_OS_LINUX
    struct rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec
        + usage.ru_stime.tv_usec;
#else
    return 0;
#endif
}

// Times what the GUI thread spends on each kind of event (the traffic
// view's paints, the window's timer), in wall time and in the thread's own
// CPU time: on a loaded machine the two differ by the time others ran.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    struct Cost {
        qint64 count = 0;
        qint64 wallUs = 0;
        qint64 cpuUs = 0;
        qint64 worstWallUs = 0;
        qint64 worstCpuUs = 0;
    };
    std::map<QByteArray, Cost> costs;
    QObject *watched = nullptr; // the view's viewport
    QObject *window = nullptr;

    bool notify(QObject *receiver, QEvent *event) override
    {
        const bool timed = watched
            && ((receiver == watched && event->type() == QEvent::Paint)
                || (m_depth == 0 && receiver == window && event->type() == QEvent::UpdateRequest)
                || (m_depth == 0 && event->type() == QEvent::Timer && receiver->parent() == window));
        if (!timed) {
            ++m_depth;
            const bool done = QApplication::notify(receiver, event);
            --m_depth;
            return done;
        }
        const QByteArray key = receiver == watched       ? "paint of the rows"
            : event->type() == QEvent::UpdateRequest ? "window repaint"
                                                     : "window timer (pull)";
        QElapsedTimer wall;
        wall.start();
        const qint64 cpu = threadCpuUs();
        ++m_depth;
        const bool done = QApplication::notify(receiver, event);
        --m_depth;
        Cost &c = costs[key];
        const qint64 w = wall.nsecsElapsed() / 1000;
        const qint64 u = threadCpuUs() - cpu;
        ++c.count;
        c.wallUs += w;
        c.cpuUs += u;
        c.worstWallUs = std::max(c.worstWallUs, w);
        c.worstCpuUs = std::max(c.worstCpuUs, u);
        return done;
    }

private:
    int m_depth = 0;
};

void printCosts(TimedApplication &app)
{
    for (const auto &kv : app.costs) {
        const TimedApplication::Cost &c = kv.second;
        std::printf("    %-20s %5lld times: wall mean %.1f max %.1f ms; cpu mean %.1f max %.1f ms\n",
                    kv.first.constData(), static_cast<long long>(c.count), c.wallUs / 1000.0 / std::max<qint64>(1, c.count),
                    c.worstWallUs / 1000.0, c.cpuUs / 1000.0 / std::max<qint64>(1, c.count), c.worstCpuUs / 1000.0);
    }
    app.costs.clear();
}

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
    qint64 guiCpuUs = 0; // the GUI thread's own CPU time during the transfer
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
    const qint64 cpuStart = threadCpuUs();
    history->start();
    loop.exec();
    f.guiCpuUs = threadCpuUs() - cpuStart;
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

double peakRssMb()
{
#ifdef Q_OS_UNIX
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
#else
    return 0;
#endif
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int runForeign(int entries, int bytes)
{
    TrafficLog *log = TrafficWindow::applicationLog();
    TrafficWindow window(log);
    window.show();
    settle(300);
    std::printf("window open: peak RSS %.0f MB\n", peakRssMb());
    TrafficEntry e;
    e.direction = TrafficDirection::Dropped;
    e.note = TrafficNote::ForeignSender;
    e.udp = true;
    e.endpoint = QStringLiteral("127.0.0.1:5000");
    e.noteDetail = QStringLiteral("127.0.0.1:40000");
    for (int i = 0; i < entries; ++i) {
        e.time = QDateTime::currentDateTimeUtc();
        e.bytes = QByteArray(bytes, char('a' + i % 26)); // a fresh datagram each time, as a socket gives them
        log->record(e);
        if (i % 500 == 0)
            QCoreApplication::processEvents();
    }
    settle(300);
    std::printf("%d foreign datagrams of %d bytes: %d entries kept, %.1f MB; %d rows; peak RSS %.0f MB\n", entries,
                bytes, log->size(), log->bytes() / 1048576.0, window.model()->rowCount(), peakRssMb());
    QElapsedTimer clock;
    clock.start();
    // BENCH_FILTER sets the text; "b" could be in every row's hex.
    const QByteArray filter = qEnvironmentVariableIsEmpty("BENCH_FILTER") ? QByteArray("b") : qgetenv("BENCH_FILTER");
    window.findChild<QLineEdit *>(QStringLiteral("editFilter"))->setText(QString::fromLocal8Bit(filter));
    QCoreApplication::processEvents();
    std::printf("filter \"%s\": %d rows in %lld ms; peak RSS %.0f MB\n", filter.constData(), window.shownModel()->rowCount(),
                static_cast<long long>(clock.elapsed()), peakRssMb());
    return 0;
}

void print(const char *label, const Figures &f)
{
    std::printf("  %-22s max gap %4lld ms over %5lld ticks; history %6lld lines in %5lld ms; monitor %6lld lines; "
                "rows %d; GUI thread cpu %lld ms\n",
                label, static_cast<long long>(f.maxGapMs), static_cast<long long>(f.ticks),
                static_cast<long long>(f.historyLines), static_cast<long long>(f.historyMs),
                static_cast<long long>(f.monitorLines), f.rows, static_cast<long long>(f.guiCpuUs / 1000));
}

} // namespace

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "foreign")
        return runForeign(argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 20000,
                          argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 60000);
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
    qint64 worstIdle = 0, worstOpen = 0;
    QVector<qint64> idleGaps, openGaps;
    for (int r = 0; r < rounds; ++r) {
        setDefaultTrafficObserver(nullptr);
        const Figures idle = runOnce(days, nullptr);
        print("no observer", idle);
        worstIdle = std::max(worstIdle, idle.maxGapMs);
        idleGaps.append(idle.maxGapMs);
        if (!window) {
            window = new TrafficWindow(TrafficWindow::applicationLog());
            if (qEnvironmentVariableIsEmpty("BENCH_HIDDEN"))
                window->show();
            app.watched = window->view()->viewport();
            app.window = window;
            // Its first paint (fonts, layout) is not part of a transfer.
            QEventLoop settle;
            QTimer::singleShot(500, &settle, &QEventLoop::quit);
            settle.exec();
        }
        setDefaultTrafficObserver(TrafficWindow::applicationLog());
        app.costs.clear();
        // BENCH_SHOT=file.png: the window as drawn in the middle of the flood.
        if (r == 0 && !qEnvironmentVariableIsEmpty("BENCH_SHOT")) {
            QTimer::singleShot(1500, window, [window] {
                window->grab().save(QString::fromLocal8Bit(qgetenv("BENCH_SHOT")));
            });
        }
        const Figures open = runOnce(days, window);
        print("traffic window open", open);
        printCosts(app);
        worstOpen = std::max(worstOpen, open.maxGapMs);
        openGaps.append(open.maxGapMs);
    }
    std::printf("longest gap, window open against none: %lld ms / %lld ms = %.2f\n", static_cast<long long>(worstOpen),
                static_cast<long long>(worstIdle), double(worstOpen) / double(std::max<qint64>(1, worstIdle)));
    // On a loaded machine one round's gap is mostly the others' turn; the
    // median of the rounds says more than the worst.
    const auto median = [](QVector<qint64> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? double(v.at(v.size() / 2)) : (v.at(v.size() / 2 - 1) + v.at(v.size() / 2)) / 2.0;
    };
    std::printf("median of the rounds' longest gaps: %.1f ms / %.1f ms = %.2f\n", median(openGaps), median(idleGaps),
                median(openGaps) / std::max(1.0, median(idleGaps)));
    setDefaultTrafficObserver(nullptr);
    delete window;
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
