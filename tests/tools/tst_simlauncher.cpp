#include "tests/support/simprocess.h"
#include "tools/zrsim/simlauncher.h"

#include <QtTest>

class tst_SimLauncher : public QObject
{
    Q_OBJECT

private slots:
    void takeLine_data();
    void takeLine();
    void outcomes_data();
    void outcomes();
};

void tst_SimLauncher::takeLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<QString>("udpHost");
    QTest::addColumn<int>("udpPort");
    QTest::addColumn<QString>("ptyPath");
    QTest::addColumn<int>("discoveryPort");
    QTest::newRow("udp") << "ZRSIM UDP 127.0.0.1 4001\n" << false << "127.0.0.1" << 4001 << "" << 0;
    QTest::newRow("pty") << "ZRSIM PTY /dev/pts/7" << false << "" << 0 << "/dev/pts/7" << 0;
    QTest::newRow("discovery") << "ZRSIM DISCOVERY 1902" << false << "" << 0 << "" << 1902;
    QTest::newRow("ready") << "ZRSIM READY\r\n" << true << "" << 0 << "" << 0;
    QTest::newRow("udp without port") << "ZRSIM UDP 127.0.0.1" << false << "" << 0 << "" << 0;
    QTest::newRow("other program") << "XSIM READY" << false << "" << 0 << "" << 0;
    QTest::newRow("status line") << "ZRSIM WRITE 4 abc" << false << "" << 0 << "" << 0;
    QTest::newRow("empty") << "" << false << "" << 0 << "" << 0;
}

void tst_SimLauncher::takeLine()
{
    QFETCH(QString, line);
    QFETCH(bool, ready);
    QFETCH(QString, udpHost);
    QFETCH(int, udpPort);
    QFETCH(QString, ptyPath);
    QFETCH(int, discoveryPort);
    SimLauncher::Announcement a;
    QCOMPARE(SimLauncher::takeLine(line, &a), ready);
    QCOMPARE(a.udpHost, udpHost);
    QCOMPARE(int(a.udpPort), udpPort);
    QCOMPARE(a.ptyPath, ptyPath);
    QCOMPARE(int(a.discoveryPort), discoveryPort);
}

void tst_SimLauncher::outcomes_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("outcome");
    const QString sim = SimProcess::executable();
    QTest::newRow("ready") << sim << QStringList{"--udp", "127.0.0.1:0", "--pty"} << int(SimLauncher::Ready);
    QTest::newRow("refused arguments") << sim << QStringList{"--udp", "127.0.0.1:0", "--discovery", "70000"}
                                       << int(SimLauncher::Exited);
    QTest::newRow("no such program") << QStringLiteral("/nonexistent/zrsim") << QStringList() << int(SimLauncher::NotStarted);
    // Silent until killed: the wait ends at its timeout.
    QTest::newRow("never ready") << QStringLiteral("sleep") << QStringList{"30"} << int(SimLauncher::TimedOut);
}

void tst_SimLauncher::outcomes()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, outcome);
    QProcess process;
    SimLauncher::Announcement a;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(int(SimLauncher::start(process, program, arguments, &a, 1500)), outcome);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    if (outcome == SimLauncher::Ready) {
        QCOMPARE(a.udpHost, QStringLiteral("127.0.0.1"));
        QVERIFY(a.udpPort != 0);
        QVERIFY(!a.ptyPath.isEmpty());
    }
    process.kill();
    process.waitForFinished(3000);
}

QTEST_GUILESS_MAIN(tst_SimLauncher)
#include "tst_simlauncher.moc"
