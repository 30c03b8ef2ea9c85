#include "history/historyrequest.h"
#include "link/framecodec.h"

#include <QtTest>

class tst_HistoryRequest : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void fixedLayout_data();
    void fixedLayout();
    void rangeRefusal_data();
    void rangeRefusal();
};

void tst_HistoryRequest::bytes_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("5-7 March 2024") << QDate(2024, 3, 5) << QDate(2024, 3, 7)
                                    << QByteArray("7E05024E9F0007910004180305180307C7357F");
}

void tst_HistoryRequest::bytes()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QByteArray, hex);
    QCOMPARE(buildHistoryRequest(start, end).toHex().toUpper(), hex);
}

void tst_HistoryRequest::fixedLayout_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QByteArray>("dates");
    QTest::newRow("same day") << QDate(2024, 3, 5) << QDate(2024, 3, 5) << QByteArray("\x18\x03\x05\x18\x03\x05", 6);
    QTest::newRow("year 2000") << QDate(2000, 1, 1) << QDate(2000, 12, 31) << QByteArray("\x00\x01\x01\x00\x0C\x1F", 6);
    QTest::newRow("year 2099") << QDate(2099, 2, 28) << QDate(2099, 3, 1) << QByteArray("\x63\x02\x1C\x63\x03\x01", 6);
    QTest::newRow("over new year") << QDate(2023, 12, 31) << QDate(2024, 1, 2)
                                   << QByteArray("\x17\x0C\x1F\x18\x01\x02", 6);
    QTest::newRow("1999 wraps") << QDate(1999, 6, 30) << QDate(2001, 6, 30) << QByteArray("\x63\x06\x1E\x01\x06\x1E", 6);
}

void tst_HistoryRequest::fixedLayout()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QByteArray, dates);
    const QByteArray r = buildHistoryRequest(start, end);
    QCOMPARE(r.size(), 19);
    // The length fields stay constant whatever the payload.
    QCOMPARE(r.left(10), QByteArray("\x7E\x05\x02\x4E\x9F\x00\x07\x91\x00\x04", 10));
    QCOMPARE(r.mid(10, 6), dates);
    QCOMPARE(static_cast<quint8>(r.at(18)), quint8(0x7F));
    const quint16 crc = crc16Modbus(r.constData(), 16);
    QCOMPARE(static_cast<quint8>(r.at(16)), quint8(crc >> 8));
    QCOMPARE(static_cast<quint8>(r.at(17)), quint8(crc & 0xFF));
}

void tst_HistoryRequest::rangeRefusal_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<bool>("refused");
    QTest::newRow("same day") << QDate(2024, 3, 5) << QDate(2024, 3, 5) << false;
    QTest::newRow("forward") << QDate(2024, 3, 5) << QDate(2024, 3, 7) << false;
    QTest::newRow("reversed by a day") << QDate(2024, 3, 6) << QDate(2024, 3, 5) << true;
}

void tst_HistoryRequest::rangeRefusal()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(bool, refused);
    QCOMPARE(historyRangeMessage(start, end),
             refused ? QStringLiteral("起始日期应该小于或等于结束日期") : QString());
}

QTEST_GUILESS_MAIN(tst_HistoryRequest)
#include "tst_historyrequest.moc"
