// How long the main window's GUI thread goes without running a 10 ms timer
// while the window talks to an instrument (zrsim on loopback or a pty).
//   bench_gui [rows=100] [delay=20]   (ZRSIM=path of zrsim, optional)
//   bench_gui --shots LANG             shows a slow write-all in LANG and prints
//                                      "SHOOT menu|plain" when a screenshot may be taken
// Prints the longest gap between two ticks for each case, next to the idle
// gap of the same run and to a write made on the GUI thread itself.
#include "app/mainwindow.h"
#include "bench/benchsupport.h"
#include "items/configtree.h"
#include "items/itemwrite.h"
#include "link/devicelink.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

// Longest interval between two ticks of a 10 ms timer while `run` goes on;
// `run` returns once its case is over (it may spin the event loop).
struct Figures {
    double maxGapMs = 0;
    double waitGapMs = 0; // only gaps that began before the worker's outcome
    double waitMs = 0;
    double totalMs = 0;
    int ticks = 0;
};

// Set from the worker thread when its outcome is ready; the failure boxes
// the window shows afterwards are not part of the wait.
std::atomic<qint64> g_outcomeNs{-1};
QElapsedTimer g_clock;

Figures measure(const std::function<void()> &run)
{
    Figures f;
    g_outcomeNs = -1;
    QElapsedTimer &clock = g_clock;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    qint64 last = 0; // a stall before the first tick counts too
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            f.maxGapMs = qMax(f.maxGapMs, (now - last) / 1e6);
        const qint64 outcome = g_outcomeNs;
        if (outcome < 0 || last < outcome)
            f.waitGapMs = qMax(f.waitGapMs, (now - last) / 1e6);
        last = now;
        ++f.ticks;
    });
    clock.start();
    timer.start(10);
    run();
    // A stall at the very end counts too.
    const qint64 now = clock.nsecsElapsed();
    if (last >= 0)
        f.maxGapMs = qMax(f.maxGapMs, (now - last) / 1e6);
    f.totalMs = clock.nsecsElapsed() / 1e6;
    f.waitMs = g_outcomeNs >= 0 ? g_outcomeNs / 1e6 : f.totalMs;
    if (g_outcomeNs < 0)
        f.waitGapMs = f.maxGapMs;
    return f;
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void watchOutcome(MainWindow &w)
{
    auto mark = [] { g_outcomeNs = g_clock.nsecsElapsed(); };
    // Direct: runs on the worker as it emits.
    QObject::connect(&w.exchangeThread(), &ExchangeThread::signalWriteFinished, mark);
}

bool waitEnded(MainWindow &w, const std::function<void()> &start)
{
    QSignalSpy ended(&w, &MainWindow::signalExchangeEnded);
    start();
    return ended.count() > 0 || ended.wait(120000);
}

void print(const char *name, const Figures &f, bool ok = true)
{
    std::printf("%-42s %8.1f ms while waiting (%6.0f ms), %8.1f ms overall (%5d ticks in %6.0f ms)%s\n", name,
                f.waitGapMs, f.waitMs, f.maxGapMs, f.ticks, f.totalMs, ok ? "" : "  FAILED");
    std::fflush(stdout);
}

QString itemsFile(const BenchWorkDir &dir, int rows)
{
    QByteArray bytes;
    for (int i = 0; i < rows; ++i)
        bytes += QStringLiteral("项目%1:%2\n").arg(i).arg(i).toUtf8();
    dir.writeFile(QStringLiteral("items.txt"), bytes);
    return dir.filePath(QStringLiteral("items.txt"));
}

// Holds a write-all of 100 rows at row 5 or so for screenshots taken from
// outside (import -window root under Xvfb).
int showWriteAll(const QString &language)
{
    BenchWorkDir dir;
    BoxAnswerer closer;
    const QString qm = QCoreApplication::applicationDirPath() + QStringLiteral("/../translations/%1.qm").arg(language);
    QFile::copy(qm, dir.filePath(language + QStringLiteral(".qm")));
    BenchSim sim;
    if (!sim.start({"--pty", "--items", itemsFile(dir, 100), "--delay", "150"})) {
        std::printf("zrsim: %s\n", qPrintable(sim.lastError()));
        return 1;
    }
    dir.writeSerialConfig(sim.ptyPath(), {{"language/language", language}, {"serial/baudrate", 9600}});
    MainWindow w;
    w.show();
    waitEnded(w, [&] { w.findChild<QAction *>(QStringLiteral("refresh"))->trigger(); });
    spin(300);
    for (int i = 0; i < w.tree()->topLevelItemCount(); ++i)
        w.tree()->topLevelItem(i)->setText(1, QStringLiteral(": x%1").arg(i));
    closer.setDialogHandler([](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->accept(); });
    QSignalSpy started(&w.exchangeThread(), &ExchangeThread::signalRowStarted);
    w.findChild<QAction *>(QStringLiteral("save"))->trigger();
    while (started.count() < 5 && started.wait(5000)) {
    }
    w.tree()->scrollToItem(w.tree()->currentItem());
    spin(100);
    std::printf("SHOOT plain\n");
    std::fflush(stdout);
    spin(2500);
    QMenu *menu = w.menuBar()->actions().value(0)->menu();
    menu->popup(w.mapToGlobal(w.menuBar()->geometry().bottomLeft()));
    spin(300);
    std::printf("SHOOT menu\n");
    std::fflush(stdout);
    spin(2500);
    menu->hide();
    w.exchangeThread().requestStop();
    waitEnded(w, [] {});
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--shots")
        return showWriteAll(QString::fromLocal8Bit(argv[2]));

    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const int delay = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;
    BenchWorkDir dir;
    BoxAnswerer closer; // answers the failure boxes of the silent cases
    std::printf("bench_gui: %d rows, zrsim --delay %d\n", rows, delay);

    print("idle window (baseline)", measure([] { spin(2000); }));

    for (const bool udp : {true, false}) {
        BenchSim sim;
        if (!sim.start(udp ? QStringList{"--udp", "127.0.0.1:0", "--silent"} : QStringList{"--pty", "--silent"})) {
            std::printf("zrsim: %s\n", qPrintable(sim.lastError()));
            return 1;
        }
        udp ? dir.writeUdpConfig(sim.udpPort()) : dir.writeSerialConfig(sim.ptyPath());
        MainWindow w;
        watchOutcome(w);
        w.show();
        w.tree()->appendItemRow(0, {QStringLiteral("A"), QStringLiteral("1")});
        bool ok = false;
        const Figures f = measure([&] {
            ok = waitEnded(w, [&] { w.findChild<QAction *>(QStringLiteral("save"))->trigger(); });
        });
        print(udp ? "write to a silent instrument, UDP" : "write to a silent instrument, serial", f, ok);
        if (udp) {
            // The same exchange made on the GUI thread, as the window did before.
            const Figures g = measure([&] {
                DeviceLink link;
                link.open();
                writeItemExchange(link, 0, QStringLiteral("1"), WriteValue);
            });
            print("  reference: same write on the GUI thread", g);
        }
    }

    BenchSim sim;
    if (!sim.start({"--pty", "--items", itemsFile(dir, rows), "--delay", QString::number(delay)})) {
        std::printf("zrsim: %s\n", qPrintable(sim.lastError()));
        return 1;
    }
    dir.writeSerialConfig(sim.ptyPath());
    MainWindow w;
    w.show();
    bool ok = false;
    Figures f = measure([&] {
        ok = waitEnded(w, [&] { w.findChild<QAction *>(QStringLiteral("refresh"))->trigger(); });
    });
    ok = ok && w.tree()->topLevelItemCount() == rows;
    print(qPrintable(QStringLiteral("refresh of %1 items, serial").arg(rows)), f, ok);
    closer.clear();
    // Every row changed, and the preview taken as it stands.
    for (int i = 0; i < w.tree()->topLevelItemCount(); ++i)
        w.tree()->topLevelItem(i)->setText(1, QStringLiteral(": x%1").arg(i));
    closer.setDialogHandler([](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->accept(); });
    f = measure([&] { ok = waitEnded(w, [&] { w.findChild<QAction *>(QStringLiteral("save"))->trigger(); }); });
    // The preview and the check's box; no failure box.
    print(qPrintable(QStringLiteral("write-all of %1 rows (read, preview, backup, write, check), serial").arg(rows)), f,
          ok && closer.count() == 2 && closer.lastIcon() == QMessageBox::Information);
    return 0;
}
