#include "firmware/flash.h"
#include "firmware/flashframes.h"

#include "link/framecodec.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class tst_FlashFrames : public QObject
{
    Q_OBJECT

private slots:
    void fixedRequests();
    void eraseRequest_data();
    void eraseRequest();
    void pageRequest();
    void replies_data();
    void replies();
    void modelCheck_data();
    void modelCheck();
    void eraseReply_data();
    void eraseReply();
    void pageReply_data();
    void pageReply();
};

void tst_FlashFrames::fixedRequests()
{
    QCOMPARE(FlashFrames::identifyRequest(), hex("7E 05 02 29 3F 00 00 C2 C4 7F"));
    QCOMPARE(FlashFrames::leaveRequest(), hex("7E 05 02 2A 79 00 00 53 25 7F"));
}

void tst_FlashFrames::eraseRequest_data()
{
    QTest::addColumn<quint32>("length");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("64 KiB") << quint32(65536) << hex("7E 05 02 2F AC 00 07 91 00 04 00 00 01 00 AB 4C 7F");
    QTest::newRow("zero") << quint32(0) << hex("7E 05 02 2F AC 00 07 91 00 04 00 00 00 00");
    QTest::newRow("little-endian") << quint32(0x0A0B0C0D) << hex("7E 05 02 2F AC 00 07 91 00 04 0D 0C 0B 0A");
}

void tst_FlashFrames::eraseRequest()
{
    QFETCH(quint32, length);
    QFETCH(QByteArray, head);
    const QByteArray frame = FlashFrames::eraseRequest(length);
    QCOMPARE(frame.size(), 17);
    QVERIFY(frame.startsWith(head));
    QCOMPARE(frame.back(), '\x7F');
    QVERIFY(checkFrameCrc(frame.constData(), 16, true));
}

void tst_FlashFrames::pageRequest()
{
    QByteArray data(1024, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 3);
    const QByteArray frame = FlashFrames::pageRequest(data.constData(), 0xAB);
    QCOMPARE(frame.size(), 1038);
    QCOMPARE(frame.left(11), hex("7E 05 02 2C 01 04 04 91 04 01 AB"));
    QCOMPARE(frame.mid(11, 1024), data);
    QCOMPARE(frame.back(), '\x7F');
    QVERIFY(checkFrameCrc(frame.constData(), 1037, true));
}

void tst_FlashFrames::replies_data()
{
    QTest::addColumn<QByteArray>("actual");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("erase") << FlashFrames::eraseReply()
                           << hex("7E 02 05 01 01 00 13 01 00 10 45 72 61 73 65 20 4F 4B 0D 0A 00 00 00 C1 81 40 16 AD 7F");
    QTest::newRow("page 0") << FlashFrames::pageReply(0)
                            << hex("7E 02 05 01 01 00 0F 01 00 0C 50 61 67 65 5B 30 5D 20 4F 4B 0D 0A 73 50 7F");
    QTest::newRow("page 10") << FlashFrames::pageReply(10).left(12) << hex("7E 02 05 01 01 00 10 01 00 0D 50 61");
    QTest::newRow("page 255") << FlashFrames::pageReply(255).mid(5, 18)
                              << hex("00 11 01 00 0E") + QByteArray("Page[255] OK\r\n").left(13);
}

void tst_FlashFrames::replies()
{
    QFETCH(QByteArray, actual);
    QFETCH(QByteArray, expected);
    QCOMPARE(actual.toHex(' '), expected.toHex(' '));
}

void tst_FlashFrames::modelCheck_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("with exclamation") << QByteArray("xx!Find ABC OK\r\n") << "ABC" << true;
    QTest::newRow("blanks and line break") << QByteArray("Find  ABC\r\nOK") << "ABC" << true;
    QTest::newRow("longer model") << QByteArray("Find ABCD OK") << "ABC" << false;
    QTest::newRow("no blank") << QByteArray("FindABC OK") << "ABC" << false;
    QTest::newRow("lower case") << QByteArray("find ABC OK") << "ABC" << false;
    QTest::newRow("model acts as a pattern") << QByteArray("Find ABC OK") << "A.C" << true;
    QTest::newRow("inside a frame") << QByteArray("\x7E\x02\x05!Find ZR-9 OK\r\n\x12\x34\x7F") << "ZR-9" << true;
    QTest::newRow("GB2312 model") << QByteArray("Find \xCE\xC2\xB6\xC8 OK") << QStringLiteral("温度") << true;
    QTest::newRow("empty reply") << QByteArray() << "ABC" << false;
}

void tst_FlashFrames::modelCheck()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, model);
    QFETCH(bool, accepted);
    QCOMPARE(parseIdentifyReply(reply, model),
             accepted ? IdentifyReplyStatus::ModelConfirmed : IdentifyReplyStatus::OtherModel);
}

Q_DECLARE_METATYPE(FlashAckStatus)

void tst_FlashFrames::eraseReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<FlashAckStatus>("status");
    const QByteArray erase = FlashFrames::eraseReply();
    QByteArray otherTail = erase;
    otherTail[20] = '\x11';
    QByteArray otherCrc = erase;
    otherCrc[26] = static_cast<char>(otherCrc.at(26) ^ 1);
    QTest::newRow("exact") << erase << FlashAckStatus::Exact;
    QTest::newRow("other trailing bytes") << otherTail << FlashAckStatus::EraseText;
    QTest::newRow("other CRC, same text") << otherCrc << FlashAckStatus::EraseText;
    QTest::newRow("bare text") << QByteArray("Erase OK\r\n") << FlashAckStatus::EraseText;
    QTest::newRow("an earlier E") << QByteArray("xE Erase OK\r\n") << FlashAckStatus::NotAcknowledged;
    QTest::newRow("cut short") << QByteArray("Erase OK\r") << FlashAckStatus::NotAcknowledged;
    QTest::newRow("lower case") << QByteArray("erase ok\r\n") << FlashAckStatus::NotAcknowledged;
    QTest::newRow("a page reply") << FlashFrames::pageReply(0) << FlashAckStatus::NotAcknowledged;
    QTest::newRow("empty") << QByteArray() << FlashAckStatus::NotAcknowledged;
}

void tst_FlashFrames::eraseReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(FlashAckStatus, status);
    QCOMPARE(parseEraseReply(reply), status);
}

void tst_FlashFrames::pageReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("page");
    QTest::addColumn<FlashAckStatus>("status");
    QTest::newRow("exact 7") << FlashFrames::pageReply(7) << 7 << FlashAckStatus::Exact;
    QTest::newRow("exact 255") << FlashFrames::pageReply(255) << 255 << FlashAckStatus::Exact;
    QTest::newRow("other page number") << FlashFrames::pageReply(8) << 7 << FlashAckStatus::NotAcknowledged;
    QTest::newRow("wrapped number") << FlashFrames::pageReply(0) << 0 << FlashAckStatus::Exact;
    QTest::newRow("erase text answers a page") << FlashFrames::eraseReply() << 3 << FlashAckStatus::EraseText;
    QByteArray bad = FlashFrames::pageReply(3);
    bad[bad.size() - 2] = static_cast<char>(bad.at(bad.size() - 2) ^ 1);
    QTest::newRow("CRC off by one bit") << bad << 3 << FlashAckStatus::NotAcknowledged;
    QTest::newRow("text only") << QByteArray("Page[3] OK\r\n") << 3 << FlashAckStatus::NotAcknowledged;
    QTest::newRow("empty") << QByteArray() << 3 << FlashAckStatus::NotAcknowledged;
}

void tst_FlashFrames::pageReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, page);
    QFETCH(FlashAckStatus, status);
    QCOMPARE(parsePageReply(reply, static_cast<quint8>(page)), status);
}

QTEST_GUILESS_MAIN(tst_FlashFrames)
#include "tst_flashframes.moc"
