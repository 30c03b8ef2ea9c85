// The traffic decoder's names for frames, the bounded log, and what a link
// reports of drops and failed replies.
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "link/framedecoder.h"
#include "link/traffic.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>

#include <thread>
#include <vector>

namespace {

// How a row's hex becomes the frame: as it stands, with a low-first CRC
// appended, as the body of a delimited frame, or a low-first CRC and then
// the envelope.
enum Shape { Raw, Crc, Delimited, Enveloped };

QByteArray shaped(const QByteArray &hex, int shape)
{
    QByteArray b = QByteArray::fromHex(hex);
    if (shape == Crc || shape == Enveloped)
        appendCrcLowFirst(b);
    if (shape == Delimited)
        b = buildDelimitedFrame(b);
    if (shape == Enveloped)
        b = encryptEnvelope(b);
    return b;
}

struct Collector : TrafficObserver {
    void record(const TrafficEntry &entry) override { entries.append(entry); }
    QVector<TrafficEntry> entries;
};

} // namespace

class tst_Traffic : public QObject
{
    Q_OBJECT

private slots:
    void explainFrame_data();
    void explainFrame();
    void logIsBounded();
    void logTakesEntriesFromManyThreads();
    void lineFormat();
    void linkReportsDropsAndFailures_data();
    void linkReportsDropsAndFailures();
};

void tst_Traffic::explainFrame_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("request"); // hex, with a low-first CRC appended when not empty
    QTest::addColumn<QString>("expected");

    const QByteArray itemRead1 = "01034b010000";
    QTest::newRow("item read") << QByteArray("01034b000000522e") << int(Raw) << true << QByteArray()
                               << QStringLiteral("读配置项 0");
    QTest::newRow("item read, bad crc") << QByteArray("01034b000000522f") << int(Raw) << true << QByteArray()
                                        << QStringLiteral("读配置项 0 (CRC错误)");
    QTest::newRow("item reply") << QByteArray("0103" "03" "613a62") << int(Crc) << false << itemRead1
                                << QStringLiteral("配置项 1 应答 a:b");
    QTest::newRow("item reply gb2312") << QByteArray("0103" "06" "c3fbb3c63a31") << int(Crc) << false << itemRead1
                                       << QStringLiteral("配置项 1 应答 名称:1");
    QTest::newRow("end of list") << QByteArray("010300") << int(Crc) << false << itemRead1
                                 << QStringLiteral("配置项 1 应答: 列表结束");
    QTest::newRow("item reply, short") << QByteArray("0103" "05" "4142") << int(Crc) << false << itemRead1
                                       << QStringLiteral("配置项 1 应答 AB (长度错误)");
    QTest::newRow("item reply, bad crc") << QByteArray("0103024142ffff") << int(Raw) << false << itemRead1
                                         << QStringLiteral("配置项 1 应答 AB (CRC错误)");
    QTest::newRow("text write") << QByteArray("010f4b070000" "05" "39363030" "00") << int(Crc) << true << QByteArray()
                                << QStringLiteral("写配置项 7 \"9600\"");
    QTest::newRow("write reply") << QByteArray("0103" "06" "4261753a3936") << int(Crc) << false
                                 << QByteArray("010f4b070000" "03" "3936" "00") << QStringLiteral("写入应答 Bau:96");
    QTest::newRow("debug on") << QByteArray("010f4bff0000" "02" "31" "00") << int(Crc) << true << QByteArray()
                              << QStringLiteral("调试输出开");
    QTest::newRow("debug off") << QByteArray("010f4bff0000" "02" "30" "00") << int(Crc) << true << QByteArray()
                               << QStringLiteral("调试输出关");
    QTest::newRow("clock set") << QByteArray("010f4d08000307" "1a0c09" "05351e" "03") << int(Crc) << true
                               << QByteArray() << QStringLiteral("设置时钟 2026-12-09 05:53:30");
    QTest::newRow("clock reply") << QByteArray("0103024f4b") << int(Crc) << false
                                 << QByteArray("010f4d08000307" "1a0c09" "05351e" "03") << QStringLiteral("时钟应答 OK");
    QTest::newRow("identify") << QByteArray("0502293f0000") << int(Delimited) << true << QByteArray()
                              << QStringLiteral("升级: 识别设备");
    QTest::newRow("erase") << QByteArray("05022fac00079100" "04" "dc050000") << int(Delimited) << true << QByteArray()
                           << QStringLiteral("升级: 擦除 1500 字节");
    QTest::newRow("page") << QByteArray("05022c01" "0404" "91" "0401" "07") + QByteArray(1024, 'a').toHex()
                          << int(Delimited) << true << QByteArray() << QStringLiteral("升级: 第 7 页, 1024 字节");
    QTest::newRow("leave") << QByteArray("05022a790000") << int(Delimited) << true << QByteArray()
                           << QStringLiteral("升级: 退出升级");
    QTest::newRow("flash reply") << QByteArray("02050101000f01000c") + QByteArray("Page[7] OK\r\n").toHex()
                                 << int(Delimited) << false << QByteArray() << QStringLiteral("升级应答 \"Page[7] OK\\r\\n\"");
    QTest::newRow("history request") << QByteArray("05024e9f0007" "910004" "1a0101" "1a0203") << int(Delimited) << true
                                     << QByteArray() << QStringLiteral("历史数据请求 2026-01-01 至 2026-02-03");
    QTest::newRow("serial number") << QByteArray("{\"write\":{\"sn\":\"AB12\"}}").toHex() << int(Raw) << true
                                   << QByteArray() << QStringLiteral("写入序列号 AB12");
    QTest::newRow("search probe") << QByteArray("01010101") << int(Raw) << true << QByteArray()
                                  << QStringLiteral("搜索设备");
    QTest::newRow("enveloped item read") << QByteArray("01034b000000") << int(Enveloped) << true << QByteArray()
                                         << QStringLiteral("加密信封: 读配置项 0 [内层 01 03 4B 00 00 00 52 2E]");
    QTest::newRow("enveloped reply") << QByteArray("0103" "03" "613a62") << int(Enveloped) << false << itemRead1
                                     << QStringLiteral("加密信封: 配置项 1 应答 a:b [内层 01 03 03 61 3A 62 87 19]");
    QTest::newRow("envelope, bad crc") << QByteArray("feef0001aa0000") << int(Raw) << false << QByteArray()
                                       << QStringLiteral("加密信封 (CRC错误)");
    QTest::newRow("text cut inside a character") << QByteArray("23c3fbb3") << int(Raw) << false << QByteArray()
                                                << QStringLiteral("文本 \"#名…\"");
    QTest::newRow("text line") << QByteArray("#1 ch1=4.10 mA\r\n").toHex() << int(Raw) << false << QByteArray()
                               << QStringLiteral("文本 \"#1 ch1=4.10 mA\\r\\n\"");
    QTest::newRow("unknown") << QByteArray("55aa") << int(Raw) << true << QByteArray() << QStringLiteral("未知帧, 2 字节");
    QTest::newRow("empty") << QByteArray() << int(Raw) << false << QByteArray() << QStringLiteral("空");
}

void tst_Traffic::explainFrame()
{
    QFETCH(QByteArray, hex);
    QFETCH(int, shape);
    QFETCH(bool, sent);
    QFETCH(QByteArray, request);
    QFETCH(QString, expected);
    QCOMPARE(::explainFrame(shaped(hex, shape), sent, request.isEmpty() ? QByteArray() : shaped(request, Crc)), expected);
}

void tst_Traffic::logIsBounded()
{
    TrafficLog log;
    QCOMPARE(log.capacity(), 20000);
    TrafficEntry e;
    for (int i = 0; i < 20005; ++i) {
        e.bytes = QByteArray::number(i);
        log.record(e);
    }
    QCOMPARE(log.size(), 20000);
    QCOMPARE(log.lastSequence(), qint64(20005));
    const QVector<TrafficEntry> all = log.entriesAfter(0);
    QCOMPARE(all.size(), 20000);
    QCOMPARE(all.first().sequence, qint64(6));
    QCOMPARE(all.first().bytes, QByteArray("5"));
    QCOMPARE(log.entriesAfter(20003).size(), 2);
    QVERIFY(log.entriesAfter(20005).isEmpty());
    log.clear();
    QCOMPARE(log.size(), 0);
    log.record(e);
    QCOMPARE(log.entriesAfter(20005).size(), 1);
}

void tst_Traffic::logTakesEntriesFromManyThreads()
{
    TrafficLog log(5000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            TrafficEntry e;
            e.endpoint = QString::number(t);
            for (int i = 0; i < 3000; ++i)
                log.record(e);
        });
    }
    // A reader while they write sees consecutive sequences.
    qint64 seen = 0;
    for (int i = 0; i < 50; ++i) {
        const QVector<TrafficEntry> batch = log.entriesAfter(seen);
        for (int k = 1; k < batch.size(); ++k)
            QCOMPARE(batch.at(k).sequence, batch.at(k - 1).sequence + 1);
        if (!batch.isEmpty())
            seen = batch.last().sequence;
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(log.size(), 5000);
    QCOMPARE(log.lastSequence(), qint64(12000));
}

void tst_Traffic::lineFormat()
{
    TrafficEntry e;
    e.time = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    e.direction = TrafficDirection::Received;
    e.endpoint = trafficEndpoint(QStringLiteral("USB Serial 3"));
    e.bytes = QByteArray::fromHex("0103024f4b");
    appendCrcLowFirst(e.bytes);
    e.note = TrafficNote::None;
    QCOMPARE(formatTrafficLine(e), QStringLiteral("2026-03-04T05:06:07.089\tRX\tUSB_Serial_3\t01 03 02 4F 4B CC 43\t应答 OK"));
    e.direction = TrafficDirection::Dropped;
    e.note = TrafficNote::ForeignSender;
    e.noteDetail = trafficEndpoint(QStringLiteral("::1"), 7);
    e.bytes = "a\tb\n";
    QCOMPARE(formatTrafficLine(e),
             QStringLiteral("2026-03-04T05:06:07.089\tDROP\tUSB_Serial_3\t61 09 62 0A\t丢弃: 来自 [::1]:7 的数据报, 文本 \"a\\tb\\n\""));
    // The rest of a line begun in the previous piece is explained whole.
    e.direction = TrafficDirection::Received;
    e.note = TrafficNote::None;
    e.lineStart = QByteArray::fromHex("23c3fbb3");
    e.bytes = QByteArray::fromHex("c63a31") + "\n";
    QCOMPARE(explainTraffic(e), QStringLiteral("文本 \"#名称:1\\n\""));
    e.lineStart.clear();
    e.bytes.clear();
    e.direction = TrafficDirection::Event;
    e.note = TrafficNote::TimedOut;
    e.noteDetail = QStringLiteral("3000");
    QCOMPARE(formatTrafficLine(e), QStringLiteral("2026-03-04T05:06:07.089\tEVENT\tUSB_Serial_3\t\t超时: 3000 ms 内没有应答"));
    QCOMPARE(trafficEndpoint(QStringLiteral("127.0.0.1"), 5000), QStringLiteral("127.0.0.1:5000"));
    QCOMPARE(trafficHex(QByteArray()), QString());
}

void tst_Traffic::linkReportsDropsAndFailures_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("expected"); // per entry: direction letter and note
    // A decoy from another port before the reply.
    QTest::newRow("foreign") << QStringList{"--udp", "127.0.0.1:0", "--foreign"} << QStringLiteral("T D:foreign R T D:foreign R");
    // The first reply comes after its exchange gave up; the next exchange drops it.
    QTest::newRow("stale") << QStringList{"--udp", "127.0.0.1:0", "--delay", "300"}
                           << QStringLiteral("T E:timeout D:stale T R");
    QTest::newRow("timeout") << QStringList{"--udp", "127.0.0.1:0", "--silent"} << QStringLiteral("T E:timeout T E:timeout");
    QTest::newRow("crc udp") << QStringList{"--udp", "127.0.0.1:0", "--corrupt-crc", "1"}
                             << QStringLiteral("T R:crc T R");
    QTest::newRow("crc pty") << QStringList{"--pty", "--corrupt-crc", "1"} << QStringLiteral("T R:crc T R");
}

void tst_Traffic::linkReportsDropsAndFailures()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, expected);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(simArgs), qPrintable(sim.lastError()));
    const bool udp = simArgs.contains(QStringLiteral("--udp"));
    if (udp)
        dir.writeUdpConfig(sim.udpPort(), {{"device/address", 1}});
    else
        dir.writeSerialConfig(sim.ptyPath(), {{"device/address", 1}, {"serial/baudrate", 115200}});

    Collector collector;
    DeviceLink link;
    link.setTrafficObserver(&collector);
    QVERIFY(link.open());
    const bool stale = simArgs.contains(QStringLiteral("--delay"));
    QByteArray reply;
    link.transact(buildItemReadRequest(1, 0), reply, false, stale ? 100 : 1000);
    // The late reply must have arrived before the next request.
    if (stale)
        QVERIFY(link.waitForDatagram(10000));
    link.transact(buildItemReadRequest(1, 1), reply, false, 3000);

    QStringList seen;
    for (const TrafficEntry &e : collector.entries) {
        QString s = e.direction == TrafficDirection::Sent       ? "T"
            : e.direction == TrafficDirection::Received           ? "R"
            : e.direction == TrafficDirection::Event              ? "E"
                                                                  : "D";
        if (e.note == TrafficNote::ForeignSender)
            s += ":foreign";
        else if (e.note == TrafficNote::Stale)
            s += ":stale";
        else if (e.note == TrafficNote::CrcFailed)
            s += ":crc";
        else if (e.note == TrafficNote::Incomplete)
            s += ":incomplete";
        else if (e.note == TrafficNote::TimedOut)
            s += ":timeout";
        seen << s;
        // Whatever follows a request says how long after it.
        QCOMPARE(e.responseMs >= 0, e.direction != TrafficDirection::Sent);
        QCOMPARE(e.endpoint, udp ? QStringLiteral("127.0.0.1:%1").arg(sim.udpPort()) : sim.ptyPath());
        if (e.direction != TrafficDirection::Sent)
            QCOMPARE(e.request.left(3), QByteArray::fromHex("01034b"));
    }
    QCOMPARE(seen.join(' '), expected);
    // A link nobody observes reports nothing and behaves the same.
    DeviceLink quiet;
    QCOMPARE(quiet.trafficObserver(), defaultTrafficObserver());
}

QTEST_GUILESS_MAIN(tst_Traffic)
#include "tst_traffic.moc"
