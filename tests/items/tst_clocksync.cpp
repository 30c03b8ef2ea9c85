#include "items/clocksync.h"
#include "link/framecodec.h"

#include <QtTest>

class tst_ClockSync : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setClockSource(ClockSource()); }
    void requestBytes_data();
    void requestBytes();
    void injectedClock();
    void okReply_data();
    void okReply();
};

void tst_ClockSync::requestBytes_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QByteArray>("fields");
    QTest::newRow("tuesday") << QDateTime(QDate(2026, 12, 8), QTime(3, 4, 5)) << QByteArray("\x1A\x0C\x08\x03\x04\x05\x02", 7);
    QTest::newRow("sunday") << QDateTime(QDate(2026, 12, 13), QTime(23, 59, 59))
                            << QByteArray("\x1A\x0C\x0D\x17\x3B\x3B\x07", 7);
    QTest::newRow("year 2100") << QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0)) << QByteArray("\x00\x01\x01\x00\x00\x00\x05", 7);
    QTest::newRow("leap day") << QDateTime(QDate(2028, 2, 29), QTime(12, 0, 1)) << QByteArray("\x1C\x02\x1D\x0C\x00\x01\x02", 7);
}

void tst_ClockSync::requestBytes()
{
    QFETCH(QDateTime, when);
    QFETCH(QByteArray, fields);
    const QByteArray frame = buildClockWriteRequest(7, when);
    QCOMPARE(frame.size(), 16);
    QCOMPARE(frame.left(7), QByteArray("\x07\x0F\x4D\x08\x00\x03\x07", 7));
    QCOMPARE(frame.mid(7, 7), fields);
    QVERIFY(checkFrameCrc(frame, false));
}

void tst_ClockSync::injectedClock()
{
    setClockSource([] { return QDateTime(QDate(2026, 12, 8), QTime(3, 4, 5)); });
    QCOMPARE(buildClockWriteRequest(1).mid(7, 7), QByteArray("\x1A\x0C\x08\x03\x04\x05\x02", 7));
    QCOMPARE(buildClockWriteRequest(1), buildClockWriteRequest(1, QDateTime(QDate(2026, 12, 8), QTime(3, 4, 5))));
    setClockSource(ClockSource());
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(qAbs(currentClockTime().secsTo(before)) < 60);
}

void tst_ClockSync::okReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QByteArray good("\x01\x03\x02OK", 5);
    appendCrcLowFirst(good);
    QByteArray other("\x02\x03\x02OK", 5);
    appendCrcLowFirst(other);
    QByteArray longer("\x01\x03\x03OKx", 6);
    appendCrcLowFirst(longer);
    QByteArray lower("\x01\x03\x02ok", 5);
    appendCrcLowFirst(lower);
    QTest::newRow("ok") << good << true;
    QTest::newRow("other address") << other << false;
    QTest::newRow("8 bytes") << longer << false;
    QTest::newRow("lower case") << lower << false;
    QTest::newRow("short") << good.left(5) << false;
}

void tst_ClockSync::okReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QCOMPARE(isClockOkReply(reply, 1), ok);
}

QTEST_GUILESS_MAIN(tst_ClockSync)
#include "tst_clocksync.moc"
