#include "monitor/monitorthread.h"
#include "tests/history/signallog.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>

// The monitor against zrsim's debug output, which keeps coming until the
// final "0" has been handled.
class tst_SimMonitor : public QObject
{
    Q_OBJECT

private slots:
    void captureAndStop_data();
    void captureAndStop();
};

void tst_SimMonitor::captureAndStop_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("udp") << true << QStringList{"--debug-rate", "100"};
    QTest::newRow("udp, lines in two datagrams") << true << QStringList{"--debug-rate", "100", "--debug-split"};
    QTest::newRow("udp, encrypted") << true << QStringList{"--debug-rate", "100", "--encrypt"};
    QTest::newRow("pty") << false << QStringList{"--debug-rate", "50"};
}

void tst_SimMonitor::captureAndStop()
{
    QFETCH(bool, udp);
    QFETCH(QStringList, args);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start((udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) + args
                       + QStringList{"--verbose"}),
             qPrintable(sim.lastError()));
    const QVariantMap extra{{"communicate/encrypt", args.contains("--encrypt")}};
    if (udp)
        dir.writeUdpConfig(sim.udpPort(), extra);
    else
        dir.writeSerialConfig(sim.ptyPath(), extra);

    MonitorThread thread;
    thread.setDebug(true);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    SignalLog errors(&thread, &MonitorThread::signalShowError);
    // Several runs, each stopped at another moment of the output.
    for (int run = 0; run < 4; ++run) {
        lines.clear();
        thread.start();
        QTRY_VERIFY2_WITH_TIMEOUT(lines.size() >= 5 + run, qPrintable(sim.errorOutput().right(3000)), 10000);
        QTest::qWait(7 * run); // another moment of the output each run, by design
        thread.stop();
        QCoreApplication::processEvents();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(1).toString()));
        for (const QList<QVariant> &a : lines) {
            const QByteArray line = a.at(0).toByteArray();
            QVERIFY2(line.startsWith('#') && line.endsWith("\r\n"), line.constData());
        }
    }
    QTRY_VERIFY(sim.outputLines().count(QStringLiteral("ZRSIM DEBUG 0")) >= 1);
    const QStringList out = sim.outputLines();
    QCOMPARE(out.filter(QStringLiteral("DEBUG 1")).size(), 4);
    QCOMPARE(out.filter(QStringLiteral("DEBUG 0")).size(), 4);
}

QTEST_GUILESS_MAIN(tst_SimMonitor)
#include "tst_simmonitor.moc"
