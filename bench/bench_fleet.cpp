// How long the plant view's GUI thread goes without running a 10 ms timer
// while it reads and writes many instruments (zrsim on loopback).
//   bench_fleet [instruments=32] [delay=0]   (ZRSIM=path of zrsim, optional)
//   bench_fleet --shots LANG [instruments=16] shows a slow write in LANG and prints
//                                      "SHOOT during|after" when a screenshot may be taken
// Prints the longest gap between two ticks for the read, the write and an
// idle window of the same run.
#include "app/fleet.h"
#include "app/fleetwindow.h"
#include "bench/benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Figures {
    double maxGapMs = 0;
    double totalMs = 0;
    int ticks = 0;
};

Figures measure(const std::function<void()> &run)
{
    Figures f;
    QElapsedTimer clock;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    qint64 last = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        f.maxGapMs = qMax(f.maxGapMs, (now - last) / 1e6);
        last = now;
        ++f.ticks;
    });
    clock.start();
    timer.start(10);
    run();
    f.maxGapMs = qMax(f.maxGapMs, (clock.nsecsElapsed() - last) / 1e6);
    f.totalMs = clock.nsecsElapsed() / 1e6;
    return f;
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFinished(FleetWindow &w, const std::function<void()> &start)
{
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    start();
    return finished.count() > 0 || finished.wait(300000);
}

void print(const char *name, const Figures &f, bool ok = true)
{
    std::printf("%-40s %8.1f ms longest gap (%5d ticks in %7.0f ms)%s\n", name, f.maxGapMs, f.ticks, f.totalMs,
                ok ? "" : "  FAILED");
    std::fflush(stdout);
}

const char kWriteFile[] = "\xEF\xBB\xBF"
                          "07. 采样间隔(秒), 30\r\n"
                          "08. 上限报警值, 90\r\n"
                          "09. 下限报警值, -20\r\n";

// `count` simulators with station names of their own, and the targets file.
bool startPlant(BenchWorkDir &dir, int count, int delayMs, std::vector<std::unique_ptr<BenchSim>> *sims,
                QString *targets)
{
    QString text;
    for (int n = 0; n < count; ++n) {
        const QString items = QStringLiteral("items%1.txt").arg(n);
        QByteArray lines = "!设备名称:ZR-Demo\n!设备型号:ZR3100\n!软件版本:V2.1" + QByteArray::number(n % 4)
                           + "\n!出厂编号:ZR1\n设备地址:1\n波特率(2400/4800/9600/19200/115200):9600\n"
                             "校验方式(无/奇校验/偶校验):无\n采样间隔(秒):60\n上限报警值:85.5\n下限报警值:-10\n"
                             "报警使能(关/开):开\n站点名称:"
                           + QStringLiteral("%1号泵站").arg(n + 1).toUtf8() + "\n";
        dir.writeFile(items, lines);
        QStringList args{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--items"),
                         dir.filePath(items)};
        if (delayMs > 0)
            args << QStringLiteral("--delay") << QString::number(delayMs);
        if (n == count - 3)
            args << QStringLiteral("--silent");
        sims->emplace_back(new BenchSim);
        if (!sims->back()->start(args)) {
            std::printf("zrsim: %s\n", qPrintable(sims->back()->lastError()));
            return false;
        }
        text += QStringLiteral("udp 127.0.0.1:%1 1 PS-%2\n").arg(sims->back()->udpPort()).arg(n + 1, 2, 10, QLatin1Char('0'));
    }
    dir.writeFile(QStringLiteral("plant.targets"), text.toUtf8());
    *targets = dir.filePath(QStringLiteral("plant.targets"));
    dir.writeFile(QStringLiteral("write.csv"), kWriteFile);
    return true;
}

void prepare(FleetWindow &w, const BenchWorkDir &dir, int timeoutMs)
{
    FleetJobOptions o = w.runner().options();
    o.timeoutMs = timeoutMs;
    w.runner().setOptions(o);
    w.setConfirmProvider([](const QString &, const QString &) { return true; });
    const QString file = dir.filePath(QStringLiteral("write.csv"));
    w.setFileProvider([file](FleetWindow::FileKind, const QString &) { return file; });
}

int shots(const QString &language, int count)
{
    BenchWorkDir dir;
    dir.writeUdpConfig(1, {{QStringLiteral("language/language"), language}});
    QTranslator translator;
    const QString qm = QCoreApplication::applicationDirPath() + QStringLiteral("/../translations/%1.qm").arg(language);
    if (translator.load(qm))
        QCoreApplication::installTranslator(&translator);
    std::vector<std::unique_ptr<BenchSim>> sims;
    QString targets;
    if (!startPlant(dir, count, 60, &sims, &targets))
        return 1;
    FleetWindow w;
    prepare(w, dir, 600);
    w.resize(1250, 560);
    w.move(10, 10);
    w.show();
    if (!waitFinished(w, [&] { w.openTargetsFile(targets); }))
        return 1;
    w.runner().setChecked(2, false);
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    w.writeChecked();
    // A few rows on their way.
    QSignalSpy rows(&w.runner(), &FleetRunner::rowChanged);
    while (rows.count() < 30 && rows.wait(5000)) {
    }
    spin(200);
    std::printf("SHOOT during\n");
    std::fflush(stdout);
    spin(2000);
    if (finished.isEmpty() && !finished.wait(120000))
        return 1;
    spin(300);
    std::printf("SHOOT after\n");
    std::fflush(stdout);
    spin(2000);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--shots")
        return shots(QString::fromLocal8Bit(argv[2]), argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 16);

    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 32;
    const int delay = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    BenchWorkDir dir;
    dir.writeUdpConfig(1);
    std::printf("bench_fleet: %d instruments (one silent), zrsim --delay %d, 4 at a time\n", count, delay);
    std::vector<std::unique_ptr<BenchSim>> sims;
    QString targets;
    if (!startPlant(dir, count, delay, &sims, &targets))
        return 1;
    FleetWindow w;
    prepare(w, dir, 1000);
    w.show();
    print("idle window (baseline)", measure([] { spin(2000); }));
    bool ok = false;
    // Each figure is taken before it is printed with its outcome.
    Figures f = measure([&] { ok = waitFinished(w, [&] { w.openTargetsFile(targets); }); });
    print("read all", f, ok);
    f = measure([&] { ok = waitFinished(w, [&] { w.writeChecked(); }); });
    print("write a file to all (backup, check)", f, ok);
    f = measure([&] { ok = waitFinished(w, [&] { w.backupChecked(); }); });
    print("back up all", f, ok);
    int failed = 0;
    for (const FleetInstrument &in : w.runner().instruments())
        failed += in.state == FleetInstrument::Ok ? 0 : 1;
    std::printf("%d of %d instruments not ok (1 silent expected)\n", failed, count);
    return 0;
}
