#include "history/historyexport.h"
#include "history/historyrequest.h"
#include "history/readthread.h"
#include "tests/history/signallog.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>

// The history feature of zrsim, read with the real ReadThread.
class tst_SimHistory : public QObject
{
    Q_OBJECT

private slots:
    void answer_data();
    void answer();
    void lostDatagram_data();
    void lostDatagram();
};

void tst_SimHistory::answer_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("interval");
    QTest::newRow("udp, one day, default interval") << true << QStringList() << 1 << 10;
    QTest::newRow("udp, three days hourly, small chunks")
        << true << QStringList{"--history-interval", "60", "--history-chunk", "37"} << 3 << 60;
    QTest::newRow("pty, two days hourly") << false << QStringList{"--history-interval", "60"} << 2 << 60;
    QTest::newRow("udp, encrypted link") << true << QStringList{"--encrypt", "--history-interval", "120"} << 1 << 120;
}

void tst_SimHistory::answer()
{
    QFETCH(bool, udp);
    QFETCH(QStringList, args);
    QFETCH(int, days);
    QFETCH(int, interval);

    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{udp ? "--udp" : "--pty"} + (udp ? QStringList{"127.0.0.1:0"} : QStringList())
                       + args),
             qPrintable(sim.lastError()));
    const QVariantMap extra{{"communicate/encrypt", args.contains("--encrypt")}};
    if (udp)
        dir.writeUdpConfig(sim.udpPort(), extra);
    else
        dir.writeSerialConfig(sim.ptyPath(), extra);

    ReadThread thread;
    SignalLog lines(&thread, &ReadThread::signalAddText);
    SignalLog errors(&thread, &ReadThread::signalShowError);
    const QDate start(2024, 2, 28);
    thread.startQuery(buildHistoryRequest(start, start.addDays(days - 1)), 2000);
    QVERIFY(waitThread(&thread, 30000));
    QCoreApplication::processEvents();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(1).toString()));

    const int perDay = 24 * 60 / interval;
    QCOMPARE(lines.size(), 1 + days * perDay);
    QString text;
    for (const QList<QVariant> &a : lines) {
        const QString line = a.at(0).toString();
        QVERIFY(line.endsWith(QLatin1String("\r\n")));
        text += line;
    }
    QCOMPARE(historyColumnCount(text), 3);
    const QString first = lines.at(1).at(0).toString();
    QVERIFY2(first.startsWith(QLatin1String("2024-02-28 00:00:00, ")), qPrintable(first));
    const QString last = lines.last().at(0).toString();
    const QString lastTime = QTime(0, 0).addSecs((perDay - 1) * interval * 60).toString(QStringLiteral("hh:mm:ss"));
    QVERIFY2(last.startsWith(start.addDays(days - 1).toString(QStringLiteral("yyyy-MM-dd ")) + lastTime),
             qPrintable(last));
    QCOMPARE(historyRowFields(first, 3).size(), 3);
}

void tst_SimHistory::lostDatagram_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<int>("drop"); // the chunk zrsim leaves out
    QTest::newRow("udp, second lost") << true << 2;
    QTest::newRow("udp, last lost") << true << 7;
    QTest::newRow("pty, fourth lost") << false << 4;
}

void tst_SimHistory::lostDatagram()
{
    // One day every ten minutes goes out in seven chunks of 700 bytes.
    QFETCH(bool, udp);
    QFETCH(int, drop);
    TempWorkDir dir;
    SimProcess sim;
    const QStringList transport = udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"};
    QVERIFY2(sim.start(transport + QStringList{"--history-drop", QString::number(drop)}), qPrintable(sim.lastError()));
    udp ? dir.writeUdpConfig(sim.udpPort()) : dir.writeSerialConfig(sim.ptyPath());
    ReadThread thread;
    SignalLog errors(&thread, &ReadThread::signalShowError);
    thread.startQuery(buildHistoryRequest(QDate(2024, 2, 28), QDate(2024, 2, 28)), 2000);
    QVERIFY(waitThread(&thread, 30000));
    QCoreApplication::processEvents();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("1行历史数据不完整，传输中丢失了数据"));
}

QTEST_GUILESS_MAIN(tst_SimHistory)
#include "tst_simhistory.moc"
