#include "items/exchangethread.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
LinkSettings udpLink(quint16 port)
{
    LinkSettings l;
    l.useUdp = true;
    l.udpAddress = QStringLiteral("127.0.0.1");
    l.udpPort = port;
    l.deviceAddress = 1;
    return l;
}

QList<WriteRowCopy> rowsOf(const QStringList &values)
{
    QList<WriteRowCopy> rows;
    for (int i = 0; i < values.size(); ++i) {
        WriteRowCopy r;
        r.position = i;
        r.index = i;
        r.name = QStringLiteral("R%1").arg(i);
        r.value = values.at(i);
        rows << r;
    }
    return rows;
}

QStringList writeLines(SimProcess &sim)
{
    QStringList out;
    for (const QString &line : sim.outputLines()) {
        if (line.startsWith(QLatin1String("ZRSIM WRITE")))
            out << line;
    }
    return out;
}
} // namespace

// The worker behind the main window's writes, clock sync and serial number.
class tst_ExchangeThread : public QObject
{
    Q_OBJECT

private slots:
    void batchWrite_data();
    void batchWrite();
    void openFailure();
    void oneRunAtATime();
    void clockAndSerialNumber();
};

void tst_ExchangeThread::batchWrite_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("stopAfterRow"); // 0: never
    QTest::addColumn<bool>("batch");
    QTest::addColumn<int>("attempted");
    QTest::addColumn<int>("answered");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("lastError");
    QTest::newRow("all rows") << QStringList{} << 0 << true << 4 << 4 << false << "";
    QTest::newRow("stop after row 2") << QStringList{"--delay", "200"} << 2 << true << 2 << 2 << true << "";
    // A single write is never stopped: its one row goes out.
    QTest::newRow("single write ignores stop") << QStringList{"--delay", "100"} << 1 << false << 4 << 4 << false << "";
    QTest::newRow("silent ends at first row") << QStringList{"--silent"} << 0 << true << 1 << 0 << false << "接收数据超时";
    // Over UDP a reply with a wrong CRC never completes.
    QTest::newRow("corrupt third reply") << QStringList{"--corrupt-crc", "3"} << 0 << true << 3 << 2 << false
                                         << "接收数据超时";
}

void tst_ExchangeThread::batchWrite()
{
    QFETCH(QStringList, simArgs);
    QFETCH(int, stopAfterRow);
    QFETCH(bool, batch);
    QFETCH(int, attempted);
    QFETCH(int, answered);
    QFETCH(bool, stopped);
    QFETCH(QString, lastError);
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("items.txt"), "A:1\nB:2\nC:3\nD:4\n");
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0", "--items", dir.filePath(QStringLiteral("items.txt"))} + simArgs),
             qPrintable(sim.lastError()));
    ExchangeThread thread;
    const int timeoutMs = 5000;
    thread.setTimeoutMs(timeoutMs);
    QList<int> started;
    connect(&thread, &ExchangeThread::signalRowStarted, this, [&](int number, int count, const WriteRowCopy &row) {
        QCOMPARE(count, 4);
        QCOMPARE(row.name, QStringLiteral("R%1").arg(number - 1));
        QCOMPARE(row.index, number - 1);
        started << number;
        if (number == stopAfterRow)
            thread.requestStop();
    });
    QSignalSpy written(&thread, &ExchangeThread::signalRowWritten);
    QSignalSpy finished(&thread, &ExchangeThread::signalWriteFinished);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(thread.startWrite(udpLink(sim.udpPort()), rowsOf({"a", "b", "c", "d"}), batch));
    QVERIFY(clock.elapsed() < timeoutMs); // the caller never waits for the instrument
    QVERIFY(finished.wait(30000));
    QVERIFY(thread.wait(2000));
    const auto run = finished.at(0).at(0).value<WriteRunOutcome>();
    QVERIFY(run.opened);
    QCOMPARE(run.count, 4);
    QCOMPARE(run.rows.size(), attempted);
    QCOMPARE(run.outcomes.size(), attempted);
    QCOMPARE(written.count(), attempted);
    QCOMPARE(started.size(), attempted);
    QCOMPARE(run.answered(), answered);
    QCOMPARE(run.stopped, stopped);
    QCOMPARE(run.failed(), !lastError.isEmpty());
    if (!lastError.isEmpty())
        QCOMPARE(itemWriteMessage(run.outcomes.last()), lastError);
    if (!simArgs.contains(QLatin1String("--silent"))) {
        QTRY_COMPARE(writeLines(sim).size(), attempted);
        QTest::qWait(250); // time for a write that must not come
        QCOMPARE(writeLines(sim).size(), attempted); // nothing after the stop or the failure
    }
}

void tst_ExchangeThread::openFailure()
{
    LinkSettings l;
    l.serialPort = QStringLiteral("/nonexistent/zr-port");
    ExchangeThread thread;
    QSignalSpy started(&thread, &ExchangeThread::signalRowStarted);
    QSignalSpy finished(&thread, &ExchangeThread::signalWriteFinished);
    QVERIFY(thread.startWrite(l, rowsOf({"a"}), true));
    QVERIFY(finished.wait(5000));
    const auto run = finished.at(0).at(0).value<WriteRunOutcome>();
    QVERIFY(!run.opened);
    QVERIFY(run.failed());
    QCOMPARE(run.detail, QStringLiteral("打开串口失败: /nonexistent/zr-port"));
    QCOMPARE(started.count(), 0);

    QSignalSpy probed(&thread, &ExchangeThread::signalSerialProbed);
    QVERIFY(thread.wait(2000));
    QVERIFY(thread.startSerialProbe(l));
    QVERIFY(probed.wait(5000));
    QCOMPARE(probed.at(0).at(0).toBool(), false);
}

void tst_ExchangeThread::oneRunAtATime()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--delay", "300"}), qPrintable(sim.lastError()));
    ExchangeThread thread;
    QSignalSpy finished(&thread, &ExchangeThread::signalWriteFinished);
    QSignalSpy clock(&thread, &ExchangeThread::signalClockSynced);
    QVERIFY(thread.startWrite(udpLink(sim.udpPort()), rowsOf({"a", "b"}), true));
    QVERIFY(!thread.startWrite(udpLink(sim.udpPort()), rowsOf({"x"}), true));
    QVERIFY(!thread.startClockSync(udpLink(sim.udpPort())));
    QVERIFY(!thread.startSerialNumber(udpLink(sim.udpPort()), QStringLiteral("AB")));
    QCOMPARE(thread.kind(), ExchangeThread::WriteAll);
    QVERIFY(finished.wait(10000));
    QVERIFY(thread.wait(2000));
    QCOMPARE(finished.at(0).at(0).value<WriteRunOutcome>().rows.size(), 2);
    QCOMPARE(clock.count(), 0);
}

void tst_ExchangeThread::clockAndSerialNumber()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0"}), qPrintable(sim.lastError()));
    ExchangeThread thread;
    QSignalSpy clock(&thread, &ExchangeThread::signalClockSynced);
    QVERIFY(thread.startClockSync(udpLink(sim.udpPort())));
    QVERIFY(clock.wait(10000));
    QCOMPARE(clock.at(0).at(0).value<ClockSyncOutcome>().status, ClockSyncOutcome::Synced);
    QVERIFY(thread.wait(2000));

    QSignalSpy probed(&thread, &ExchangeThread::signalSerialProbed);
    QVERIFY(thread.startSerialProbe(udpLink(sim.udpPort())));
    QVERIFY(probed.wait(5000));
    QCOMPARE(probed.at(0).at(0).toBool(), true);
    QVERIFY(thread.wait(2000));
    QSignalSpy sn(&thread, &ExchangeThread::signalSerialNumberWritten);
    QVERIFY(thread.startSerialNumber(udpLink(sim.udpPort()), QStringLiteral("AB12")));
    QVERIFY(sn.wait(10000));
    QCOMPARE(sn.at(0).at(0).value<SerialNumberOutcome>().status, SerialNumberOutcome::Written);
    QTRY_VERIFY(sim.outputLines().contains(QStringLiteral("ZRSIM SN AB12")));
}

QTEST_GUILESS_MAIN(tst_ExchangeThread)
#include "tst_exchangethread.moc"
