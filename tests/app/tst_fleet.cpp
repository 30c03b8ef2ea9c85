#include "app/fleet.h"
#include "app/fleetwindow.h"
#include "app/mainwindow.h"
#include "items/configtree.h"
#include "firmware/package.h"
#include "tests/support/simprocess.h"
#include "tests/support/windowcheck.h"
#include "tests/support/workdir.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// The plant: most instruments alike, one silent, one that keeps its
// sampling interval whatever it is sent, one of another model.
constexpr int kInstruments = 16;
constexpr int kSilent = 13;
constexpr int kRefusing = 14;
constexpr int kOtherModel = 15;

const char kItemFile[] = "\xEF\xBB\xBF"
                         "07. 采样间隔(秒), 30\r\n"
                         "08. 上限报警值, 90\r\n"
                         "11. 站点名称, 总站\r\n";

QByteArray simItems(int n)
{
    QByteArray text = "!设备名称:ZR-Demo\n"
                      "!设备型号:ZR3100\n"
                      "!软件版本:V2.13\n"
                      "!出厂编号:ZR1\n"
                      "设备地址:1\n"
                      "波特率(2400/4800/9600/19200/115200):9600\n"
                      "校验方式(无/奇校验/偶校验):无\n"
                      "采样间隔(秒):60\n"
                      "上限报警值:85.5\n"
                      "下限报警值:-10\n"
                      "报警使能(关/开):开\n"
                      "站点名称:站NN\n";
    text.replace("NN", QByteArray::number(n));
    if (n == kRefusing)
        text.replace("采样间隔", "!采样间隔");
    if (n == kOtherModel)
        text.replace("ZR3100", "ZR9000");
    return text;
}

QString itemsText(const QList<ItemRow> &rows)
{
    QString out;
    for (const ItemRow &row : rows)
        out += row.column0 + row.column1 + QLatin1Char('\n');
    return out;
}

} // namespace

class TestFleet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void openingReadsAll();
    void actions_data();
    void actions();
    void stopStartsNothingNew();
    void stopCutsARunningJob_data();
    void stopCutsARunningJob();
    void closingDuringAFlashDoesNotWait();
    void targetsAndPorts();
    void doubleClickOpensTree();

private:
    bool runAndWait(FleetWindow &w, void (FleetWindow::*action)());
    bool openPlant(FleetWindow &w);
    void checkOnly(FleetWindow &w, const QList<int> &rows);

    std::unique_ptr<TempWorkDir> m_work;
    std::vector<std::unique_ptr<SimProcess>> m_sims;
    QString m_targets;
};

void TestFleet::initTestCase()
{
    m_work.reset(new TempWorkDir);
    QVERIFY(m_work->isValid());
    m_work->writeConfig({{QStringLiteral("backup/enabled"), true}});
    QString targets = QStringLiteral("# test plant\n");
    for (int n = 0; n < kInstruments; ++n) {
        const QString items = m_work->filePath(QStringLiteral("items%1.txt").arg(n));
        QFile f(items);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(simItems(n));
        f.close();
        QStringList args{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--items"), items,
                         QStringLiteral("--model"), n == kOtherModel ? QStringLiteral("ZR9000") : QStringLiteral("ZR3100")};
        if (n == kSilent)
            args << QStringLiteral("--silent");
        m_sims.emplace_back(new SimProcess);
        QVERIFY2(m_sims.back()->start(args), qPrintable(m_sims.back()->lastError()));
        targets += QStringLiteral("udp 127.0.0.1:%1 1 pump-%2\n").arg(m_sims.back()->udpPort()).arg(n);
    }
    m_targets = m_work->filePath(QStringLiteral("plant.targets"));
    QFile f(m_targets);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(targets.toUtf8());
}

void TestFleet::cleanupTestCase()
{
    m_sims.clear();
    m_work.reset();
}

void TestFleet::init()
{
    QDir(m_work->filePath(QStringLiteral("Backups"))).removeRecursively();
}

void TestFleet::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

bool TestFleet::runAndWait(FleetWindow &w, void (FleetWindow::*action)())
{
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    (w.*action)();
    return finished.count() > 0 || finished.wait(60000);
}

bool TestFleet::openPlant(FleetWindow &w)
{
    FleetJobOptions o = w.runner().options();
    o.timeoutMs = 400; // the silent one is given up quickly
    o.flashExchangeMs = 2000;
    o.flashEraseMs = 2000;
    o.flashPauseMs = 10;
    w.runner().setOptions(o);
    w.setConfirmProvider([](const QString &, const QString &) { return true; });
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    w.openTargetsFile(m_targets);
    return finished.wait(60000);
}

void TestFleet::checkOnly(FleetWindow &w, const QList<int> &rows)
{
    for (int i = 0; i < w.runner().instruments().size(); ++i)
        w.runner().setChecked(i, rows.contains(i));
}

void TestFleet::openingReadsAll()
{
    FleetWindow w;
    w.show();
    QVERIFY(openPlant(w));
    const auto &list = w.runner().instruments();
    QCOMPARE(list.size(), kInstruments);
    QCOMPARE(w.tree()->topLevelItemCount(), kInstruments);
    for (int n = 0; n < kInstruments; ++n) {
        const FleetInstrument &in = list.at(n);
        QCOMPARE(in.name, QStringLiteral("pump-%1").arg(n));
        if (n == kSilent) {
            QCOMPARE(in.state, FleetInstrument::NoAnswer);
            QVERIFY(!in.message.isEmpty());
            continue;
        }
        QVERIFY2(in.state == FleetInstrument::Ok, qPrintable(in.name + QLatin1Char(' ') + in.message));
        QCOMPARE(in.station, QStringLiteral("站%1").arg(n));
        QCOMPARE(in.model, n == kOtherModel ? QStringLiteral("ZR9000") : QStringLiteral("ZR3100"));
        QCOMPARE(in.version, QStringLiteral("V2.13"));
        QCOMPARE(w.tree()->topLevelItem(n)->text(FleetWindow::ColStation), in.station);
    }
    // Bounded, and really in parallel.
    QVERIFY(w.runner().peakParallel() <= w.runner().maxParallel());
    QVERIFY(w.runner().peakParallel() > 1);

    // Against a reference file: the rows that differ per instrument.
    const QString ref = m_work->filePath(QStringLiteral("ref.csv"));
    QFile f(ref);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kItemFile);
    f.close();
    w.setFileProvider([ref](FleetWindow::FileKind, const QString &) { return ref; });
    QSignalSpy loaded(&w, &FleetWindow::fileLoaded);
    w.chooseReference();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(w.runner().differences(0), 3);
    QCOMPARE(w.runner().differences(kSilent), -1);
    QCOMPARE(w.tree()->topLevelItem(0)->text(FleetWindow::ColDiffers), QStringLiteral("3"));
    w.close();
}

void TestFleet::actions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<int>>("checked");
    // Per checked row: ok, noanswer, error, skipped; "*" the rest of the checked rows.
    QTest::addColumn<QStringList>("expected");

    QList<int> all;
    for (int n = 0; n < kInstruments; ++n)
        all << n;
    QTest::newRow("backup") << "backup" << all
                            << QStringList{QStringLiteral("%1=noanswer").arg(kSilent), QStringLiteral("*=ok")};
    QTest::newRow("write") << "write" << all
                           << QStringList{QStringLiteral("%1=noanswer").arg(kSilent),
                                          QStringLiteral("%1=error").arg(kRefusing), QStringLiteral("*=ok")};
    QTest::newRow("clock") << "clock" << QList<int>{0, 1, kSilent}
                           << QStringList{QStringLiteral("%1=noanswer").arg(kSilent), QStringLiteral("*=ok")};
    QTest::newRow("export") << "export" << QList<int>{0, 1, kSilent, kOtherModel}
                            << QStringList{QStringLiteral("%1=noanswer").arg(kSilent), QStringLiteral("*=ok")};
    QTest::newRow("flash") << "flash" << QList<int>{0, kSilent, kOtherModel}
                           << QStringList{QStringLiteral("%1=skipped").arg(kOtherModel),
                                          QStringLiteral("%1=skipped").arg(kSilent), QStringLiteral("*=ok")};
    QTest::newRow("restore") << "restore" << QList<int>{2, 3}
                             << QStringList{QStringLiteral("*=ok")};
}

void TestFleet::actions()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, checked);
    QFETCH(QStringList, expected);

    FleetWindow w;
    w.show();
    QVERIFY(openPlant(w));
    checkOnly(w, checked);
    const QString itemFile = m_work->filePath(QStringLiteral("write.csv"));
    const QString exportDir = m_work->filePath(QStringLiteral("export"));
    const QString package = m_work->filePath(QStringLiteral("fw.zrbin"));
    QDir(exportDir).removeRecursively();
    {
        QFile f(itemFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kItemFile);
    }
    if (action == QLatin1String("flash")) {
        QString error;
        QVERIFY2(writePackage(package, packageFields(QStringLiteral("变送器"), QStringLiteral("ZR3100"),
                                                     QStringLiteral("V3.0"), QByteArray(3000, 'x')),
                              &error),
                 qPrintable(error));
    }
    QString confirmed;
    w.setConfirmProvider([&confirmed](const QString &, const QString &text) {
        confirmed = text;
        return true;
    });
    w.setFileProvider([&](FleetWindow::FileKind kind, const QString &) {
        switch (kind) {
        case FleetWindow::OpenItemFile:
            return itemFile;
        case FleetWindow::ExportFolder:
            QDir().mkpath(exportDir);
            return exportDir;
        case FleetWindow::OpenPackage:
            return package;
        default:
            return QString();
        }
    });

    if (action == QLatin1String("restore")) {
        // Each instrument gets its own latest backup back: first a backup,
        // then a change, then the restore.
        QVERIFY(runAndWait(w, &FleetWindow::backupChecked));
        QFile f(itemFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(kItemFile).replace(", 30", ", 45").replace(", 90", ", 95"));
        f.close();
        QVERIFY(runAndWait(w, &FleetWindow::writeChecked));
        QVERIFY2(w.runner().instruments().at(2).message.contains(QStringLiteral("写入 2 项")),
                 qPrintable(w.runner().instruments().at(2).message));
    }
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    if (action == QLatin1String("backup"))
        w.backupChecked();
    else if (action == QLatin1String("write"))
        w.writeChecked();
    else if (action == QLatin1String("clock"))
        w.syncClockChecked();
    else if (action == QLatin1String("export"))
        w.exportChecked();
    else if (action == QLatin1String("flash"))
        w.flashChecked();
    else if (action == QLatin1String("restore"))
        w.restoreChecked();
    QVERIFY(finished.count() > 0 || finished.wait(60000));

    // The confirmation names every checked instrument.
    for (int n : checked)
        QVERIFY2(confirmed.contains(QStringLiteral("pump-%1").arg(n)), qPrintable(confirmed));

    static const QHash<QString, FleetInstrument::State> states{{QStringLiteral("ok"), FleetInstrument::Ok},
                                                              {QStringLiteral("noanswer"), FleetInstrument::NoAnswer},
                                                              {QStringLiteral("error"), FleetInstrument::Error},
                                                              {QStringLiteral("skipped"), FleetInstrument::Skipped}};
    QHash<int, FleetInstrument::State> want;
    FleetInstrument::State rest = FleetInstrument::Ok;
    for (const QString &e : expected) {
        const QStringList kv = e.split(QLatin1Char('='));
        if (kv.at(0) == QLatin1String("*"))
            rest = states.value(kv.at(1));
        else
            want.insert(kv.at(0).toInt(), states.value(kv.at(1)));
    }
    const auto &list = w.runner().instruments();
    for (int n : checked) {
        const FleetInstrument &in = list.at(n);
        QVERIFY2(in.state == want.value(n, rest), qPrintable(QStringLiteral("%1: %2 %3").arg(in.name).arg(in.state).arg(in.message)));
    }

    if (action == QLatin1String("backup")) {
        const QStringList files = QDir(m_work->filePath(QStringLiteral("Backups"))).entryList(QDir::Files);
        QCOMPARE(files.size(), kInstruments - 1);
        for (int n : checked) {
            if (n != kSilent)
                QVERIFY(list.at(n).lastBackup.isValid());
        }
    } else if (action == QLatin1String("write")) {
        // Only the differing rows; the protected station name is kept.
        QVERIFY2(list.at(0).message.startsWith(QStringLiteral("写入 2 项,拒绝 0 项")), qPrintable(list.at(0).message));
        QCOMPARE(list.at(0).station, QStringLiteral("站0"));
        QVERIFY2(list.at(kRefusing).message.contains(QStringLiteral("拒绝 1 项")), qPrintable(list.at(kRefusing).message));
        // A backup first, for every instrument that answered.
        QCOMPARE(QDir(m_work->filePath(QStringLiteral("Backups"))).entryList(QDir::Files).size(), kInstruments - 1);
        // Again: nothing differs any more, nothing is written.
        checkOnly(w, {0});
        QVERIFY(runAndWait(w, &FleetWindow::writeChecked));
        QCOMPARE(list.at(0).state, FleetInstrument::Ok);
        QCOMPARE(list.at(0).message, FleetRunner::tr("没有不同的配置项"));
        // The results table.
        const QString csv = QString::fromUtf8(w.runner().resultsCsv());
        QVERIFY(csv.contains(QStringLiteral("pump-%1,").arg(kSilent)));
        QCOMPARE(csv.count(QStringLiteral("\r\n")), kInstruments + 1);
    } else if (action == QLatin1String("export")) {
        for (int n : checked)
            QCOMPARE(QFile::exists(QDir(exportDir).filePath(QStringLiteral("pump-%1.csv").arg(n))), n != kSilent);
    } else if (action == QLatin1String("flash")) {
        QVERIFY2(confirmed.contains(QStringLiteral("V2.13 → V3.0")), qPrintable(confirmed));
        QCOMPARE(QDir(m_work->filePath(QStringLiteral("Backups"))).entryList(QDir::Files).size(), 1);
    } else if (action == QLatin1String("restore")) {
        // Each one holds again what its own backup held.
        for (int n : checked) {
            QVERIFY2(list.at(n).message.contains(QStringLiteral("写入 2 项,拒绝 0 项")), qPrintable(list.at(n).message));
            QVERIFY2(list.at(n).message.contains(QStringLiteral("_%1_1-").arg(list.at(n).link.udpPort)),
                     qPrintable(list.at(n).message));
            QVERIFY(!itemsText(list.at(n).rows).contains(QStringLiteral("45")));
        }
    }
    w.close();
}

void TestFleet::stopStartsNothingNew()
{
    FleetWindow w;
    w.show();
    QVERIFY(openPlant(w));
    w.runner().setMaxParallel(2);
    checkOnly(w, {0, 1, 2, 3, 4, 5});
    QSignalSpy finished(&w.runner(), &FleetRunner::actionFinished);
    w.backupChecked();
    // Stop as soon as the first two run: they end (done, or stopped after
    // the item on the wire, as fast as they were), the rest never start.
    w.stop();
    QVERIFY(finished.count() > 0 || finished.wait(30000));
    int ok = 0, stopped = 0, notStarted = 0;
    for (int n = 0; n < 6; ++n) {
        const FleetInstrument &in = w.runner().instruments().at(n);
        ok += in.state == FleetInstrument::Ok ? 1 : 0;
        stopped += in.message.startsWith(QStringLiteral("刷新已停止")) ? 1 : 0;
        notStarted += in.state == FleetInstrument::NotStarted ? 1 : 0;
    }
    QCOMPARE(ok + stopped, 2);
    QCOMPARE(notStarted, 4);
    QCOMPARE(QDir(m_work->filePath(QStringLiteral("Backups"))).entryList(QDir::Files).size(), ok);
    w.close();
}

void TestFleet::stopCutsARunningJob_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("read") << int(FleetAction::Read);
    QTest::newRow("write, its first read") << int(FleetAction::Write);
}

void TestFleet::stopCutsARunningJob()
{
    // The silent instrument with a minute per exchange: the stop ends the
    // job long before one timeout, with the stop's own text.
    QFETCH(int, action);
    FleetRunner runner;
    QVector<FleetInstrument> list;
    QVERIFY(parseFleetTargets(QStringLiteral("udp 127.0.0.1:%1 1 silent").arg(m_sims.at(kSilent)->udpPort()), &list)
                .isEmpty());
    runner.setInstruments(list);
    FleetJobOptions o;
    o.timeoutMs = 60000;
    m_work->writeFile(QStringLiteral("stop.txt"), kItemFile);
    o.itemFile = m_work->filePath(QStringLiteral("stop.txt"));
    runner.setOptions(o);
    QSignalSpy finished(&runner, &FleetRunner::actionFinished);
    QVERIFY(runner.start(FleetAction(action), {0}));
    QTRY_COMPARE(runner.instruments().at(0).state, FleetInstrument::Running);
    runner.stop();
    QVERIFY(finished.count() > 0 || finished.wait(20000));
    QCOMPARE(runner.instruments().at(0).message, QStringLiteral("刷新已停止: 已收到0项"));
}

void TestFleet::closingDuringAFlashDoesNotWait()
{
    // The window goes at once; the flash runs to its end, then its runner goes.
    auto *w = new FleetWindow;
    QVERIFY(openPlant(*w));
    checkOnly(*w, {0});
    const QString package = m_work->filePath(QStringLiteral("close.zrbin"));
    QString error;
    QVERIFY2(writePackage(package, packageFields(QStringLiteral("变送器"), QStringLiteral("ZR3100"),
                                                 QStringLiteral("V3.0"), QByteArray(3000, 'x')),
                          &error),
             qPrintable(error));
    w->setFileProvider([&](FleetWindow::FileKind, const QString &) { return package; });
    w->flashChecked();
    QTRY_COMPARE(w->runner().instruments().at(0).state, FleetInstrument::Running);
    QPointer<FleetRunner> runner(&w->runner());
    delete w;
    QVERIFY(runner && runner->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(runner.isNull(), 60000);
}

void TestFleet::targetsAndPorts()
{
    // Never two exchanges on one serial port: three on one port run one by
    // one, two on ports of their own at once (none of the ports exists).
    for (const bool shared : {true, false}) {
        FleetRunner runner;
        QVector<FleetInstrument> plant;
        QVERIFY(parseFleetTargets(shared ? QStringLiteral("serial zr-none-a 9600 1\nserial zr-none-a 9600 2\n"
                                                          "serial zr-none-a 9600 3\n")
                                         : QStringLiteral("serial zr-none-a 9600 1\nserial zr-none-b 9600 2\n"),
                                  &plant)
                    .isEmpty());
        runner.setInstruments(plant);
        QSignalSpy finished(&runner, &FleetRunner::actionFinished);
        QVERIFY(runner.start(FleetAction::Read, shared ? QList<int>{0, 1, 2} : QList<int>{0, 1}));
        QVERIFY(finished.count() > 0 || finished.wait(30000));
        QCOMPARE(runner.peakParallel(), shared ? 1 : 2);
        for (const FleetInstrument &in : runner.instruments())
            QCOMPARE(in.state, FleetInstrument::Error);
    }

    // Serial targets on one port are run one after another.
    QVector<FleetInstrument> list;
    QCOMPARE(parseFleetTargets(QStringLiteral("serial /dev/ttyS9 19200 3 west\nudp [::1]:5000 7\n"), &list), QString());
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0).link.serialPort, QStringLiteral("/dev/ttyS9"));
    QCOMPARE(list.at(0).link.baudrate, 19200);
    QCOMPARE(int(list.at(0).link.deviceAddress), 3);
    QCOMPARE(list.at(1).link.udpAddress, QStringLiteral("::1"));
    QVector<FleetInstrument> again;
    QCOMPARE(parseFleetTargets(fleetTargetsText(list), &again), QString());
    QCOMPARE(again.size(), 2);
    QCOMPARE(again.at(0).name, QStringLiteral("west"));
    QCOMPARE(again.at(1).link.udpPort, quint16(5000));
    QVERIFY(!parseFleetTargets(QStringLiteral("tcp x 1\n"), &list).isEmpty());
    QVERIFY(fleetModelMatches(QStringLiteral("ZR3100"), QStringLiteral("ZR3.*")));
    QVERIFY(!fleetModelMatches(QStringLiteral("ZR9000"), QStringLiteral("ZR3100")));
    QVERIFY(!fleetModelMatches(QString(), QStringLiteral("ZR3100")));
}

void TestFleet::doubleClickOpensTree()
{
    MainWindow main;
    main.show();
    FleetWindow *w = main.openFleetWindow();
    QVERIFY(openPlant(*w));
    QSignalSpy ended(&main, &MainWindow::signalExchangeEnded);
    QTreeWidgetItem *row = w->tree()->topLevelItem(3);
    emit w->tree()->itemDoubleClicked(row, 0);
    QVERIFY(ended.wait(30000));
    QVERIFY2(main.connectionText().contains(QString::number(m_sims.at(3)->udpPort())), qPrintable(main.connectionText()));
    QString station;
    for (const ItemRow &r : main.tree()->rows())
        station += r.column1;
    QVERIFY2(station.contains(QStringLiteral("站3")), qPrintable(station));
    w->close();
}

QTEST_MAIN(TestFleet)
#include "tst_fleet.moc"

