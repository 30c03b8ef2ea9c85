#include "link/aes128.h"
#include "link/framecodec.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray withCrc(QByteArray frame)
{
    appendCrcLowFirst(frame);
    return frame;
}

} // namespace

class tst_FrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void checkFrameCrc_data();
    void checkFrameCrc();
    void aesFips197();
    void cfbNistVectors_data();
    void cfbNistVectors();
    void itemReadRequest_data();
    void itemReadRequest();
    void textWriteRequest_data();
    void textWriteRequest();
    void delimitedFrame();
    void replyComplete_data();
    void replyComplete();
    void envelopeShape_data();
    void envelopeShape();
    void envelopeRoundTrip();
    void envelopeRejected_data();
    void envelopeRejected();
    void envelopeHighByteFirst();
    void decodeText_data();
    void decodeText();
    void encodeText_data();
    void encodeText();
    void hexDump_data();
    void hexDump();
    void maxReplySize_data();
    void maxReplySize();
    void badInputNeverCrashes();
};

void tst_FrameCodec::crc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("item read 0 to device 1") << hex("01034b000000") << 0x2E52;
    // Published Modbus example: read holding registers 01 03 00 00 00 0A -> C5 CD.
    QTest::newRow("modbus read holding") << hex("01030000000a") << 0xCDC5;
}

void tst_FrameCodec::crc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(crc16Modbus(bytes)), crc);
}

void tst_FrameCodec::checkFrameCrc_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("highFirst");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << QByteArray() << false << false;
    QTest::newRow("one byte") << hex("ff") << false << false;
    QTest::newRow("two bytes matching empty crc") << hex("ffff") << false << false;
    QTest::newRow("low first ok") << hex("01034b000000522e") << false << true;
    QTest::newRow("low first asked high") << hex("01034b000000522e") << true << false;
    QTest::newRow("high first ok") << hex("01034b0000002e52") << true << true;
    QTest::newRow("wrong crc") << hex("01034b000000522f") << false << false;
    QTest::newRow("three bytes") << withCrc(hex("41")) << false << true;
}

void tst_FrameCodec::checkFrameCrc()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, highFirst);
    QFETCH(bool, ok);
    QCOMPARE(::checkFrameCrc(frame, highFirst), ok);
}

void tst_FrameCodec::aesFips197()
{
    const QByteArray key = hex("000102030405060708090a0b0c0d0e0f");
    QByteArray block = hex("00112233445566778899aabbccddeeff");
    Aes128 aes(reinterpret_cast<const uint8_t *>(key.constData()));
    aes.encryptBlock(reinterpret_cast<uint8_t *>(block.data()));
    QCOMPARE(block.toHex(), QByteArray("69c4e0d86a7b0430d8cdb78070b4c55a"));
}

void tst_FrameCodec::cfbNistVectors_data()
{
    QTest::addColumn<int>("length");
    // SP 800-38A F.3.13; a partial last block is the truncated ciphertext.
    QTest::newRow("four blocks") << 64;
    QTest::newRow("one block") << 16;
    QTest::newRow("partial second block") << 21;
    QTest::newRow("one byte") << 1;
    QTest::newRow("three and a half") << 56;
}

void tst_FrameCodec::cfbNistVectors()
{
    QFETCH(int, length);
    const QByteArray key = hex("2b7e151628aed2a6abf7158809cf4f3c");
    const QByteArray iv = hex("000102030405060708090a0b0c0d0e0f");
    const QByteArray plain = hex("6bc1bee22e409f96e93d7e117393172a"
                                 "ae2d8a571e03ac9c9eb76fac45af8e51"
                                 "30c81c46a35ce411e5fbc1191a0a52ef"
                                 "f69f2445df4f9b17ad2b417be66c3710");
    const QByteArray cipher = hex("3b3fd92eb72dad20333449f8e83cfb4a"
                                  "c8a64537a0b3a93fcde3cdad9f1ce58b"
                                  "26751f67a3cbb140b1808cf187a4f4df"
                                  "c04b05357c5d1c0eeac4c66f9ff7f2e6");
    Aes128 aes(reinterpret_cast<const uint8_t *>(key.constData()));
    QByteArray data = plain.left(length);
    aes128CfbEncrypt(aes, reinterpret_cast<const uint8_t *>(iv.constData()), reinterpret_cast<uint8_t *>(data.data()),
                     std::size_t(data.size()));
    QCOMPARE(data.toHex(), cipher.left(length).toHex());
    aes128CfbDecrypt(aes, reinterpret_cast<const uint8_t *>(iv.constData()), reinterpret_cast<uint8_t *>(data.data()),
                     std::size_t(data.size()));
    QCOMPARE(data.toHex(), plain.left(length).toHex());
}

void tst_FrameCodec::itemReadRequest_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("device 1 item 0") << 1 << 0 << hex("01034b000000522e");
    QTest::newRow("device 255 item 7") << 255 << 7 << withCrc(hex("ff034b070000"));
    QTest::newRow("item 255") << 1 << 255 << withCrc(hex("01034bff0000"));
}

void tst_FrameCodec::itemReadRequest()
{
    QFETCH(int, address);
    QFETCH(int, index);
    QFETCH(QByteArray, frame);
    QCOMPARE(buildItemReadRequest(quint8(address), quint8(index)).toHex(), frame.toHex());
}

void tst_FrameCodec::textWriteRequest_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("debug on") << 255 << "1" << hex("010f4bff0000023100");
    QTest::newRow("command item, empty") << 3 << "" << hex("010f4b0300000100");
    QTest::newRow("gb2312 value") << 4 << QStringLiteral("波特率") << hex("010f4b040000" "07" "b2a8ccd8c2ca" "00");
    QTest::newRow("latin1 fallback") << 5 << QStringLiteral("\u00fet\u00f0") << hex("010f4b050000" "04" "fe74f0" "00");
    QTest::newRow("unmappable becomes ?") << 6 << QStringLiteral("\u00fe\u20ac") << hex("010f4b060000" "03" "fe3f" "00");
}

void tst_FrameCodec::textWriteRequest()
{
    QFETCH(int, item);
    QFETCH(QString, text);
    QFETCH(QByteArray, body);
    const QByteArray frame = buildTextWriteRequest(1, quint8(item), text);
    QCOMPARE(frame.toHex(), withCrc(body).toHex());
    QCOMPARE(frame.size(), int(quint8(frame.at(6))) + 9);
}

void tst_FrameCodec::delimitedFrame()
{
    const QByteArray frame = buildDelimitedFrame("AB");
    QCOMPARE(frame.size(), 6);
    const quint16 crc = crc16Modbus(hex("7e4142"));
    QCOMPARE(frame.toHex(), (hex("7e4142") + char(crc >> 8) + char(crc & 0xFF) + hex("7f")).toHex());
    QVERIFY(isReplyComplete(frame, 1, false, true));
}

void tst_FrameCodec::replyComplete_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("highFirst");
    QTest::addColumn<bool>("complete");

    const QByteArray counted = withCrc(hex("0103024142"));
    QTest::newRow("empty") << QByteArray() << 1 << false << false << false;
    QTest::newRow("counted reply") << counted << 1 << false << false << true;
    QTest::newRow("counted reply missing a byte") << counted.left(6) << 1 << false << false << false;
    QTest::newRow("counted reply bad crc") << QByteArray(counted).replace(6, 1, "\x00") << 1 << false << false << false;
    QTest::newRow("end of list") << withCrc(hex("010300")) << 1 << false << false << true;
    QTest::newRow("write single register shape never completes")
        << withCrc(hex("010600100001")) << 1 << false << false << false;
    QTest::newRow("serial length mismatch") << withCrc(hex("0103034142")) << 1 << false << false << false;

    const quint16 crc = crc16Modbus(hex("7e4142"));
    const QByteArray delimitedHigh = hex("7e4142") + char(crc >> 8) + char(crc & 0xFF) + hex("7f");
    QTest::newRow("delimited high first") << delimitedHigh << 1 << false << true << true;
    QTest::newRow("delimited asked low first") << delimitedHigh << 1 << false << false
                                               << (quint8(crc >> 8) == quint8(crc & 0xFF));
    QTest::newRow("delimited without 7f") << delimitedHigh.left(5) << 1 << false << true << false;
    QTest::newRow("other first byte with crc") << withCrc(hex("0203")) << 1 << false << false << true;
    QTest::newRow("other first byte, 2 bytes") << hex("0203") << 1 << false << false << false;

    QTest::newRow("encrypted 6 bytes") << withCrc(hex("feef0000")) << 1 << true << false << false;
    QTest::newRow("encrypted envelope") << encryptEnvelope(counted) << 1 << true << false << true;
    QTest::newRow("encrypted accepts any crc-valid 7 bytes") << counted << 1 << true << false << true;
    QTest::newRow("encrypted bad crc") << encryptEnvelope(counted).chopped(1) + "x" << 1 << true << false << false;
}

void tst_FrameCodec::replyComplete()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, address);
    QFETCH(bool, encrypt);
    QFETCH(bool, highFirst);
    QFETCH(bool, complete);
    QCOMPARE(isReplyComplete(reply, quint8(address), encrypt, highFirst), complete);
}

void tst_FrameCodec::envelopeShape_data()
{
    QTest::addColumn<int>("plainLength");
    QTest::newRow("5 bytes") << 5;
    QTest::newRow("16 bytes") << 16;
    QTest::newRow("17 bytes, two blocks") << 17;
    QTest::newRow("300 bytes") << 300;
}

void tst_FrameCodec::envelopeShape()
{
    QFETCH(int, plainLength);
    QByteArray plain(plainLength, Qt::Uninitialized);
    for (int i = 0; i < plainLength; ++i)
        plain[i] = char(i * 7 + 3);
    const QByteArray env = encryptEnvelope(plain);
    QCOMPARE(env.size(), plainLength + 6);
    QCOMPARE(env.left(4).toHex(), (hex("feef") + char(plainLength >> 8) + char(plainLength & 0xFF)).toHex());
    QVERIFY(::checkFrameCrc(env, false));
    QVERIFY(env.mid(4, plainLength) != plain);
    // Equal frames give equal envelopes: the register restarts every frame.
    QCOMPARE(encryptEnvelope(plain), env);

    // Independent check of the cipher bytes: CFB with the link key and IV.
    QByteArray expected = plain;
    const QByteArray key = linkKey();
    const QByteArray iv = linkIv();
    QCOMPARE(key, QByteArray("KEY9A3E7B2C60KEY"));
    QCOMPARE(iv.size(), 16);
    Aes128 aes(reinterpret_cast<const uint8_t *>(key.constData()));
    aes128CfbEncrypt(aes, reinterpret_cast<const uint8_t *>(iv.constData()), reinterpret_cast<uint8_t *>(expected.data()),
                     std::size_t(expected.size()));
    QCOMPARE(env.mid(4, plainLength).toHex(), expected.toHex());
}

void tst_FrameCodec::envelopeRoundTrip()
{
    QRandomGenerator rng(2026);
    QList<int> lengths;
    for (int n = 1; n <= 300; ++n)
        lengths << n;
    for (int n = 301; n < 65535; n += 997)
        lengths << n;
    lengths << 4095 << 4096 << 4097 << 65519 << 65520 << 65534 << 65535;
    for (int n : lengths) {
        QByteArray plain(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i)
            plain[i] = char(rng.bounded(256));
        const QByteArray env = encryptEnvelope(plain);
        QCOMPARE(env.size(), n + 6);
        const QByteArray back = decryptEnvelope(env, false);
        if (back != plain)
            QFAIL(qPrintable(QStringLiteral("round trip failed for length %1").arg(n)));
    }
}

void tst_FrameCodec::envelopeRejected_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray inner = withCrc(hex("0103024142"));
    const QByteArray env = encryptEnvelope(inner);

    QByteArray longer = env.left(4) + env.mid(4, inner.size()) + "Z";
    appendCrcLowFirst(longer); // valid CRC, length field one short
    QByteArray shorter = env.left(4) + env.mid(4, inner.size() - 1);
    appendCrcLowFirst(shorter);
    QByteArray noMagic = hex("00ef") + env.mid(2, env.size() - 4);
    appendCrcLowFirst(noMagic);

    QTest::newRow("length field one short") << longer;
    QTest::newRow("length field one long") << shorter;
    QTest::newRow("wrong crc") << env.left(env.size() - 1) + char(env.at(env.size() - 1) ^ 1);
    QTest::newRow("no magic") << noMagic;
    QTest::newRow("plain reply") << inner;
    QTest::newRow("six bytes") << withCrc(hex("feef0000"));
    QTest::newRow("empty") << QByteArray();
}

void tst_FrameCodec::envelopeRejected()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(decryptEnvelope(bytes, false), bytes);
}

void tst_FrameCodec::envelopeHighByteFirst()
{
    const QByteArray env = encryptEnvelope(hex("7e0102"));
    QByteArray swapped = env;
    swapped[env.size() - 2] = env.at(env.size() - 1);
    swapped[env.size() - 1] = env.at(env.size() - 2);
    QCOMPARE(decryptEnvelope(swapped, true), hex("7e0102"));
    if (env.at(env.size() - 1) != env.at(env.size() - 2))
        QCOMPARE(decryptEnvelope(env, true), env);
}

void tst_FrameCodec::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("Baud:9600") << "Baud:9600";
    QTest::newRow("gb2312") << hex("b2a8ccd8c2ca3a39363030") << QStringLiteral("波特率:9600");
    QTest::newRow("truncated gb2312 falls back") << hex("41b0") << QStringLiteral("A\u00b0");
    QTest::newRow("lone lead byte in the middle") << hex("41b0 0a") << QStringLiteral("A\u00b0\n");
    QTest::newRow("invalid trail byte") << hex("b220") << QStringLiteral("\u00b2 ");
    QTest::newRow("latin1 text") << hex("e974e9") << QStringLiteral("\u00e9t\u00e9");
    QTest::newRow("0x80 single") << hex("4180") << QStringLiteral("A\u0080");
    // Latin-1 text whose accented letter is followed by ASCII: a GBK trail
    // byte, not a GB2312 one.
    QTest::newRow("latin1 degree then ascii") << QByteArray("Temp:20\xb0" "C") << QStringLiteral("Temp:20\u00b0C");
    QTest::newRow("latin1 umlaut inside") << QByteArray("City:Z\xfc" "rich") << QStringLiteral("City:Z\u00fcrich");
    QTest::newRow("latin1 umlaut first") << QByteArray("\xdc" "ber") << QStringLiteral("\u00dcber");
    QTest::newRow("gbk only character") << hex("d44f") << QStringLiteral("\u00d4O");
    QTest::newRow("lead byte above gb2312") << hex("f8a1") << QStringLiteral("\u00f8\u00a1");
    QTest::newRow("unassigned gb2312 row") << hex("aaa1") << QStringLiteral("\u00aa\u00a1");
    QTest::newRow("unassigned gb2312 cell") << hex("d7fa") << QStringLiteral("\u00d7\u00fa");
    QTest::newRow("last gb2312 cell") << hex("f7fe") << QStringLiteral("\u9f44");
    QTest::newRow("empty") << QByteArray() << QString();
}

void tst_FrameCodec::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeDeviceText(bytes), text);
}

void tst_FrameCodec::encodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("uncarriable"); // what is refused before sending
    QTest::newRow("ascii") << "9600" << QByteArray("9600") << -1;
    QTest::newRow("chinese") << QStringLiteral("设备名称") << hex("c9e8b1b8c3fbb3c6") << -1;
    QTest::newRow("degree sign is gb2312") << QStringLiteral("\u00b0C") << hex("a1e343") << -1;
    QTest::newRow("latin1 only") << QStringLiteral("\u00fe\u00f0") << hex("fef0") << -1;
    QTest::newRow("gbk only goes the latin1 way") << QStringLiteral("\u8a2d") << hex("3f") << 0;
    QTest::newRow("gbk only among gb2312") << QStringLiteral("\u8bbe\u8a2d") << hex("3f3f") << 1;
    QTest::newRow("neither") << QStringLiteral("\u00fe\u20ac") << hex("fe3f") << 1;
    QTest::newRow("euro first") << QStringLiteral("\u20ac100") << hex("3f313030") << 0;
    QTest::newRow("chinese and a latin1 letter") << QStringLiteral("北\u00df") << hex("3f" "df") << 1;
    QTest::newRow("outside the BMP") << QStringLiteral("a\U0001F600") << hex("613f3f") << 1;
    QTest::newRow("private use") << QStringLiteral("\ue000") << hex("3f") << 0;
    QTest::newRow("carriage return") << QStringLiteral("1\r2") << hex("310d32") << 1;
    QTest::newRow("nul") << QString::fromLatin1("12\0", 3) << hex("313200") << 2;
    QTest::newRow("escape") << QStringLiteral("\x1b[2J") << hex("1b5b324a") << 0;
    QTest::newRow("delete") << QStringLiteral("a\x7f") << hex("617f") << 1;
    QTest::newRow("C1 control") << QStringLiteral("a\u0085") << hex("6185") << 1;
    QTest::newRow("empty") << QString() << QByteArray() << -1;
}

void tst_FrameCodec::encodeText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(int, uncarriable);
    QCOMPARE(encodeDeviceText(text).toHex(), bytes.toHex());
    QCOMPARE(uncarriableDeviceChar(text), uncarriable);
}

void tst_FrameCodec::hexDump_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("one byte") << hex("ab") << "AB ";
    QTest::newRow("three") << hex("010300") << "01 03 00 ";
}

void tst_FrameCodec::hexDump()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::hexDump(bytes), text);
}

void tst_FrameCodec::maxReplySize_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<int>("limit");
    QTest::newRow("counted reply, count known") << hex("0103ff") << false << 260;
    QTest::newRow("counted reply, empty item") << hex("010300") << false << 5;
    QTest::newRow("counted reply, count not yet known") << hex("0103") << false << 260;
    QTest::newRow("delimited frame") << hex("7e0205") << false << kMaxDelimitedReply;
    QTest::newRow("envelope, length known") << hex("feef0105") << true << 0x105 + 6;
    QTest::newRow("envelope, length not yet known") << hex("feef") << true << kMaxEnvelope;
    QTest::newRow("plain reply on an encrypted link") << hex("010302") << true << 7;
    QTest::newRow("any other first byte") << hex("4142") << false << kMaxDelimitedReply;
    QTest::newRow("nothing yet") << QByteArray() << false << kMaxEnvelope;
}

void tst_FrameCodec::maxReplySize()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, encrypt);
    QFETCH(int, limit);
    QCOMPARE(::maxReplySize(reply, 1, encrypt), limit);
}

void tst_FrameCodec::badInputNeverCrashes()
{
    // Random, truncated and oversized inputs; run under ASan for bounds.
    QRandomGenerator rng(7);
    const QByteArray valid = encryptEnvelope(withCrc(hex("0103024142")));
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        switch (round % 4) {
        case 0:
            bytes.resize(int(rng.bounded(64)));
            break;
        case 1:
            bytes = valid.left(int(rng.bounded(valid.size() + 1)));
            break;
        case 2:
            bytes = hex("feef") + QByteArray(int(rng.bounded(8)), '\0');
            bytes.resize(bytes.size() + int(rng.bounded(40)));
            break;
        default:
            bytes.resize(70000 + int(rng.bounded(100)));
            break;
        }
        for (int i = 0; i < bytes.size() && round % 4 != 1; ++i)
            bytes[i] = char(rng.bounded(256));
        if (round % 4 == 2) {
            bytes[0] = char(0xFE);
            bytes[1] = char(0xEF);
        }
        isReplyComplete(bytes, quint8(rng.bounded(256)), rng.bounded(2), rng.bounded(2));
        ::checkFrameCrc(bytes, rng.bounded(2));
        ::checkFrameCrc(bytes.constData(), bytes.size() > 0 ? int(rng.bounded(bytes.size())) : 0, false);
        const QByteArray out = decryptEnvelope(bytes, rng.bounded(2));
        QVERIFY(out.size() <= bytes.size());
        decodeDeviceText(bytes);
        ::hexDump(bytes.left(100));
    }
    QCOMPARE(::checkFrameCrc(nullptr, 10, false), false);
}

QTEST_GUILESS_MAIN(tst_FrameCodec)
#include "tst_framecodec.moc"
