// zrsim's contract, checked over both of its transports through the
// program's own DeviceLink, so these double as DeviceLink integration tests.

#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {

const QString kUdp = QStringLiteral("udp");
const QString kPty = QStringLiteral("pty");

QByteArray itemsFile()
{
    return QStringLiteral("\uFEFF# test items\r\n"
                          "!设备名称:ZR-Test\n"
                          "波特率(2400/4800/9600):9600\n"
                          "Station:North Pump 3\n"
                          "\n"
                          "!Uptime:12 h\n"
                          "重启设备\n"
                          "Note:\n")
        .toUtf8();
}

const QStringList kItemTexts = {QStringLiteral("设备名称:ZR-Test"), QStringLiteral("波特率(2400/4800/9600):9600"),
                                QStringLiteral("Station:North Pump 3"), QStringLiteral("Uptime:12 h"),
                                QStringLiteral("重启设备"), QStringLiteral("Note:")};

QByteArray clockRequest(quint8 address)
{
    QByteArray r;
    for (int b : {int(address), 0x0F, 0x4D, 0x08, 0x00, 0x03, 0x07, 26, 12, 8, 3, 4, 5, 2})
        r.append(static_cast<char>(b));
    appendCrcLowFirst(r);
    return r;
}

QByteArray counted(quint8 address, const QByteArray &text)
{
    QByteArray r;
    r.append(static_cast<char>(address));
    r.append('\x03');
    r.append(static_cast<char>(text.size()));
    r.append(text);
    appendCrcLowFirst(r);
    return r;
}

QString replyText(const QByteArray &reply)
{
    if (reply.size() < 5)
        return QStringLiteral("<short>");
    return decodeDeviceText(reply.mid(3, reply.size() - 5));
}

// One simulator and one open link to it for one test.
struct Rig {
    TempWorkDir dir;
    SimProcess sim;
    std::unique_ptr<DeviceLink> link;

    bool start(const QString &transport, QStringList args, const QVariantMap &config = {})
    {
        dir.writeFile(QStringLiteral("items.txt"), itemsFile());
        args << QStringLiteral("--items") << dir.filePath(QStringLiteral("items.txt"));
        if (transport == kUdp)
            args << QStringLiteral("--udp") << QStringLiteral("127.0.0.1:0");
        else
            args << QStringLiteral("--pty");
        if (!sim.start(args)) {
            qWarning() << sim.lastError();
            return false;
        }
        if (transport == kUdp)
            dir.writeUdpConfig(sim.udpPort(), config);
        else
            dir.writeSerialConfig(sim.ptyPath(), config);
        link = std::make_unique<DeviceLink>();
        if (!link->open()) {
            qWarning() << link->errorText;
            return false;
        }
        return true;
    }

    int read(int index, QByteArray &reply, int timeoutMs = 3000)
    {
        return link->transact(buildItemReadRequest(link->deviceAddress, static_cast<quint8>(index)), reply, false,
                              timeoutMs);
    }

    int write(int index, const QString &value, QByteArray &reply, int timeoutMs = 3000)
    {
        return link->transact(buildTextWriteRequest(link->deviceAddress, static_cast<quint8>(index), value), reply,
                              false, timeoutMs);
    }

    // Waits for a status line of zrsim that starts with `prefix`.
    QString waitForLine(const QString &prefix, int timeoutMs = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        do {
            for (const QString &line : sim.outputLines()) {
                if (line.startsWith(prefix))
                    return line.trimmed();
            }
            sim.process().waitForReadyRead(50);
        } while (clock.elapsed() < timeoutMs);
        return QString();
    }

    // Everything the instrument emits unasked within `ms`.
    QByteArray listen(int ms)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (link->useUdp ? link->waitForDatagram(50) : link->waitForSerialData(50))
                got += link->takePending();
        }
        return got;
    }
    // Waits until the stream has just ended a line, so that a request sent
    // now has the whole gap before the next line.
    bool syncToLineEnd(int ms)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (link->useUdp ? link->waitForDatagram(50) : link->waitForSerialData(50)) {
                got += link->takePending();
                if (got.endsWith('\n'))
                    return true;
            }
        }
        return false;
    }
};

} // namespace

class tst_ZrSim : public QObject
{
    Q_OBJECT

private slots:
    void transports_data();
    void readWholeList();
    void readWholeList_data() { transports_data(); }
    void defaultListEnds();
    void defaultListEnds_data() { transports_data(); }
    void writeEcho_data();
    void writeEcho();
    void encrypted();
    void encrypted_data() { transports_data(); }
    void envelopeWithoutEncryptIsIgnored();
    void envelopeWithoutEncryptIsIgnored_data() { transports_data(); }
    void splitReply();
    void splitReply_data() { transports_data(); }
    void ignoreFirst();
    void ignoreFirst_data() { transports_data(); }
    void dropAndDelay();
    void dropAndDelay_data() { transports_data(); }
    void corruptCrc_data();
    void corruptCrc();
    void otherAddressIsSilent();
    void otherAddressIsSilent_data() { transports_data(); }
    void serialNumber_data();
    void serialNumber();
    void clock();
    void clock_data() { transports_data(); }
    void debugOutput_data();
    void debugOutput();
    void debugSwitchRepliesStayClean();
    void debugSwitchRepliesStayClean_data() { debugOutput_data(); }
    void serialGarbageIsSkipped();
    void foreignDecoyIsFiltered();
    void badCommandLine_data();
    void badCommandLine();
    void randomFaultAlways_data();
    void randomFaultAlways();
    void randomSplitReassembles();
    void randomSplitReassembles_data() { transports_data(); }
    void randomDelaySpread();
    void randomPatternFollowsSeed();
    void ptySymlinkRemovedOnExit();
    void verboseLogNeverStalls();
};

void tst_ZrSim::transports_data()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("udp") << kUdp;
    QTest::newRow("pty") << kPty;
}

void tst_ZrSim::readWholeList()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {}));
    QStringList texts;
    QByteArray reply;
    for (int index = 0; index < 300; ++index) {
        QCOMPARE(rig.read(index, reply), int(LinkOk));
        QCOMPARE(linkErrorText(LinkOk, reply), QString());
        QCOMPARE(reply.size(), static_cast<quint8>(reply[2]) + 5);
        if (reply.at(2) == 0)
            break;
        texts << replyText(reply);
    }
    QCOMPARE(texts, kItemTexts);
    // The end of the list is the bare counted reply addr 03 00 CRC.
    QCOMPARE(reply, counted(1, QByteArray()));
    // Chinese item texts travel in GB2312.
    QCOMPARE(rig.read(0, reply), int(LinkOk));
    QCOMPARE(reply.mid(3, reply.size() - 5), encodeDeviceText(kItemTexts[0]));
    QVERIFY(reply.mid(3, 8) != kItemTexts[0].toUtf8().left(8));
}

void tst_ZrSim::defaultListEnds()
{
    QFETCH(QString, transport);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({transport == kUdp ? QStringLiteral("--udp=127.0.0.1:0") : QStringLiteral("--pty")}),
             qPrintable(sim.lastError()));
    if (transport == kUdp)
        dir.writeUdpConfig(sim.udpPort());
    else
        dir.writeSerialConfig(sim.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    QStringList names;
    bool commandSeen = false;
    bool choiceSeen = false;
    QByteArray reply;
    int index = 0;
    for (; index < 256; ++index) {
        QCOMPARE(link.transact(buildItemReadRequest(1, static_cast<quint8>(index)), reply, false, 3000), int(LinkOk));
        QCOMPARE(linkErrorText(LinkOk, reply), QString());
        if (reply.at(2) == 0)
            break;
        const QStringList fields = replyText(reply).split(QLatin1Char(':'));
        names << fields[0];
        commandSeen |= fields.size() == 1;
        choiceSeen |= fields[0].contains(QLatin1Char('/'));
    }
    QVERIFY2(index >= 15 && index < 256, qPrintable(QString::number(index)));
    QVERIFY(names.contains(QStringLiteral("设备名称")));
    QVERIFY(names.contains(QStringLiteral("设备型号")));
    QVERIFY(commandSeen);
    QVERIFY(choiceSeen);
}

void tst_ZrSim::writeEcho_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("echo");
    for (const QString &t : {kUdp, kPty}) {
        // The row name is copied by newRow(); the bytes must outlive the call.
        auto row = [&t](const char *name) { return QStringLiteral("%1 %2").arg(t, QLatin1String(name)).toLocal8Bit(); };
        QTest::newRow(row("choice")) << t << 1 << QStringLiteral("4800") << QStringLiteral("波特率(2400/4800/9600):4800");
        QTest::newRow(row("choice refused")) << t << 1 << QStringLiteral("19200") << kItemTexts[1];
        QTest::newRow(row("text")) << t << 2 << QStringLiteral("South 1") << QStringLiteral("Station:South 1");
        QTest::newRow(row("read-only keeps")) << t << 0 << QStringLiteral("Other") << kItemTexts[0];
        QTest::newRow(row("read-only english")) << t << 3 << QStringLiteral("0 h") << kItemTexts[3];
        QTest::newRow(row("command")) << t << 4 << QString() << QStringLiteral("重启设备");
        QTest::newRow(row("chinese value")) << t << 5 << QStringLiteral("二号泵站") << QStringLiteral("Note:二号泵站");
        QTest::newRow(row("empty value")) << t << 2 << QString() << QStringLiteral("Station:");
        QTest::newRow(row("beyond list")) << t << 40 << QStringLiteral("1") << QString();
    }
}

void tst_ZrSim::writeEcho()
{
    QFETCH(QString, transport);
    QFETCH(int, index);
    QFETCH(QString, value);
    QFETCH(QString, echo);
    Rig rig;
    QVERIFY(rig.start(transport, {}));
    QByteArray reply;
    QCOMPARE(rig.write(index, value, reply), int(LinkOk));
    QCOMPARE(linkErrorText(LinkOk, reply), QString());
    QCOMPARE(reply, counted(1, encodeDeviceText(echo)));
    // The instrument keeps what it took.
    QCOMPARE(rig.read(index, reply), int(LinkOk));
    QCOMPARE(reply, counted(1, encodeDeviceText(echo)));
    if (index < kItemTexts.size() && echo != kItemTexts[index])
        QVERIFY(!rig.waitForLine(QStringLiteral("ZRSIM WRITE %1 ").arg(index)).isEmpty());
}

void tst_ZrSim::encrypted()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--encrypt")}, {{"communicate/encrypt", true}}));
    QByteArray reply;
    QCOMPARE(rig.read(2, reply), int(LinkOk));
    QCOMPARE(reply, counted(1, kItemTexts[2].toLatin1()));
    QCOMPARE(rig.write(2, QStringLiteral("East"), reply), int(LinkOk));
    QCOMPARE(replyText(reply), QStringLiteral("Station:East"));

    // The device mirrors the request: a plain request gets a plain reply.
    rig.link->encrypt = false;
    QCOMPARE(rig.read(2, reply), int(LinkOk));
    QCOMPARE(reply, counted(1, QByteArrayLiteral("Station:East")));
}

void tst_ZrSim::envelopeWithoutEncryptIsIgnored()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {}, {{"communicate/encrypt", true}}));
    QByteArray reply;
    QCOMPARE(rig.read(0, reply, 400), int(LinkNoReply));
}

void tst_ZrSim::splitReply()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--split")}));
    QByteArray reply;
    for (int index : {1, 2, 6}) {
        QCOMPARE(rig.read(index, reply), int(LinkOk));
        QCOMPARE(reply, counted(1, index < kItemTexts.size() ? encodeDeviceText(kItemTexts[index]) : QByteArray()));
    }
    rig.sim.stop();
    QVERIFY(rig.start(transport, {QStringLiteral("--split"), QStringLiteral("--encrypt")},
                      {{"communicate/encrypt", true}}));
    QCOMPARE(rig.read(1, reply), int(LinkOk));
    QCOMPARE(reply, counted(1, encodeDeviceText(kItemTexts[1])));
}

void tst_ZrSim::ignoreFirst()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--ignore-first"), QStringLiteral("2")}));
    QByteArray reply;
    QCOMPARE(rig.read(0, reply, 300), int(LinkNoReply));
    QCOMPARE(linkErrorText(LinkNoReply, reply), QStringLiteral("接收数据超时"));
    QCOMPARE(rig.read(0, reply, 300), int(LinkNoReply));
    QCOMPARE(rig.read(0, reply), int(LinkOk));
    QCOMPARE(replyText(reply), kItemTexts[0]);
}

void tst_ZrSim::dropAndDelay()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--drop"), QStringLiteral("1,3"), QStringLiteral("--delay"),
                                  QStringLiteral("150")}));
    QByteArray reply;
    QCOMPARE(rig.read(0, reply, 400), int(LinkNoReply));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.read(1, reply), int(LinkOk));
    QVERIFY2(clock.elapsed() >= 120, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(replyText(reply), kItemTexts[1]);
    QCOMPARE(rig.read(2, reply, 400), int(LinkNoReply));
    QCOMPARE(rig.read(2, reply), int(LinkOk));
    QCOMPARE(replyText(reply), kItemTexts[2]);
}

void tst_ZrSim::corruptCrc_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("error");
    // Over UDP a plain reply with a wrong CRC never counts as complete, so
    // the link waits it out; inside an envelope the inner CRC is judged.
    QTest::newRow("udp plain") << kUdp << false << QStringLiteral("接收数据超时");
    QTest::newRow("udp envelope") << kUdp << true << QStringLiteral("CRC校验错误");
    QTest::newRow("pty plain") << kPty << false << QStringLiteral("CRC校验错误");
    QTest::newRow("pty envelope") << kPty << true << QStringLiteral("CRC校验错误");
}

void tst_ZrSim::corruptCrc()
{
    QFETCH(QString, transport);
    QFETCH(bool, encrypt);
    QFETCH(QString, error);
    QStringList args{QStringLiteral("--corrupt-crc"), QStringLiteral("2")};
    if (encrypt)
        args << QStringLiteral("--encrypt");
    Rig rig;
    QVERIFY(rig.start(transport, args, {{"communicate/encrypt", encrypt}}));
    rig.link->interChunkWaitMs = 200;
    QByteArray reply;
    QCOMPARE(rig.read(0, reply), int(LinkOk));
    const int result = rig.read(1, reply, 600);
    QCOMPARE(linkErrorText(result, reply), error);
    if (!error.contains(QStringLiteral("超时")))
        QCOMPARE(reply.size(), encodeDeviceText(kItemTexts[1]).size() + 5);
    QCOMPARE(rig.read(1, reply), int(LinkOk));
    QCOMPARE(linkErrorText(LinkOk, reply), QString());
}

void tst_ZrSim::otherAddressIsSilent()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--address"), QStringLiteral("7")}));
    QByteArray reply;
    QCOMPARE(rig.read(0, reply, 400), int(LinkNoReply));
    rig.link->deviceAddress = 7;
    QCOMPARE(rig.read(0, reply), int(LinkOk));
    QCOMPARE(reply, counted(7, encodeDeviceText(kItemTexts[0])));
}

void tst_ZrSim::serialNumber_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("answer");
    for (const QString &t : {kUdp, kPty}) {
        QTest::newRow(qPrintable(t + QStringLiteral(" echo"))) << t << QStringList() << QByteArray("{\"sn\":\"AB12\"}");
        QTest::newRow(qPrintable(t + QStringLiteral(" wrong")))
            << t << QStringList{QStringLiteral("--sn-reply"), QStringLiteral("{\"sn\":\"ab12\"}")}
            << QByteArray("{\"sn\":\"ab12\"}");
    }
}

void tst_ZrSim::serialNumber()
{
    QFETCH(QString, transport);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, answer);
    Rig rig;
    QVERIFY(rig.start(transport, args));
    rig.link->interChunkWaitMs = 200;
    DDataReceiverImpl receiver;
    rig.link->transactStream(QByteArrayLiteral("{\"write\":{\"sn\":\"AB12\"}}"), &receiver);
    QCOMPARE(receiver.errorText(), QString());
    QCOMPARE(receiver.data(), answer);
    QCOMPARE(rig.waitForLine(QStringLiteral("ZRSIM SN")), QStringLiteral("ZRSIM SN AB12"));
}

void tst_ZrSim::clock()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {}));
    QByteArray reply;
    QCOMPARE(rig.link->transact(clockRequest(1), reply, false, 3000), int(LinkOk));
    QCOMPARE(reply, counted(1, QByteArrayLiteral("OK")));
    QCOMPARE(reply.size(), 7);
    QCOMPARE(rig.waitForLine(QStringLiteral("ZRSIM CLOCK")), QStringLiteral("ZRSIM CLOCK 2026-12-08 03:04:05 2"));
}

void tst_ZrSim::debugOutput_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<bool>("split");
    QTest::newRow("udp") << kUdp << false;
    QTest::newRow("udp split") << kUdp << true;
    QTest::newRow("pty") << kPty << false;
}

void tst_ZrSim::debugOutput()
{
    QFETCH(QString, transport);
    QFETCH(bool, split);
    QStringList args{QStringLiteral("--debug-rate"), QStringLiteral("40")};
    if (split)
        args << QStringLiteral("--debug-split");
    Rig rig;
    QVERIFY(rig.start(transport, args));
    QByteArray reply;
    QCOMPARE(rig.write(255, QStringLiteral("1"), reply), int(LinkOk));
    QCOMPARE(linkErrorText(LinkOk, reply), QString());
    const QByteArray got = rig.listen(500);
    const QList<QByteArray> lines = got.split('\n');
    // Whole lines only; the last piece may still be on its way.
    QVERIFY2(lines.size() >= 4, got.constData());
    for (int i = 0; i + 1 < lines.size(); ++i) {
        QVERIFY2(lines[i].startsWith('#') && lines[i].endsWith('\r'), lines[i].constData());
        QVERIFY(!decodeDeviceText(lines[i]).contains(QChar(0xFFFD)));
    }
    QVERIFY(got.contains(encodeDeviceText(QStringLiteral("温度"))));

    QCOMPARE(rig.write(255, QStringLiteral("0"), reply), int(LinkOk));
    QCOMPARE(linkErrorText(LinkOk, reply), QString());
    rig.listen(150);
    QCOMPARE(rig.listen(400), QByteArray());
}

void tst_ZrSim::debugSwitchRepliesStayClean()
{
    // Switching off while lines stream must give a clean reply, not a line
    // glued in front of it.
    QFETCH(QString, transport);
    QFETCH(bool, split);
    // A line already on its way when the request goes out arrives first
    // whatever the instrument does, so the request is sent right after a
    // line has ended, with a slow enough stream that the gap before the next
    // one covers the exchange even on a loaded machine.
    QStringList args{QStringLiteral("--debug-rate"), QStringLiteral("10")};
    if (split)
        args << QStringLiteral("--debug-split");
    Rig rig;
    QVERIFY(rig.start(transport, args));
    QByteArray reply;
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(rig.write(255, QStringLiteral("1"), reply), int(LinkOk));
        QCOMPARE(reply, counted(1, QByteArrayLiteral("debug:1")));
        QVERIFY(rig.syncToLineEnd(2000));
        QCOMPARE(rig.write(255, QStringLiteral("0"), reply), int(LinkOk));
        QCOMPARE(reply, counted(1, QByteArrayLiteral("debug:0")));
    }
}

void tst_ZrSim::serialGarbageIsSkipped()
{
    Rig rig;
    QVERIFY(rig.start(kPty, {}));
    QByteArray reply;
    // Garbage glued in front of a request: the request is still found.
    const QByteArray request = buildItemReadRequest(1, 2);
    QCOMPARE(rig.link->transact(QByteArrayLiteral("\x55\xAA garbage") + request, reply, false, 3000), int(LinkOk));
    QCOMPARE(replyText(reply), kItemTexts[2]);
    // A half request followed by silence does not wedge the parser.
    QVERIFY(rig.link->writeSerial(request.constData(), 5));
    QTest::qWait(400); // the silence after the half request
    QCOMPARE(rig.read(1, reply), int(LinkOk));
    QCOMPARE(replyText(reply), kItemTexts[1]);
    // Nor does a delimited frame nobody answers.
    const QByteArray delimited = buildDelimitedFrame(QByteArrayLiteral("\x01\x02\x03"));
    QCOMPARE(rig.link->transact(delimited, reply, false, 300), int(LinkNoReply));
    QCOMPARE(rig.read(3, reply), int(LinkOk));
    QCOMPARE(replyText(reply), kItemTexts[3]);
    // A request written in pieces is put together.
    const QByteArray write = buildTextWriteRequest(1, 2, QStringLiteral("Pieces"));
    QCOMPARE(rig.link->serialPort->write(write.left(6)), qint64(6));
    QVERIFY(rig.link->waitForSerialWritten(1000));
    QTest::qWait(60); // the pause between the pieces
    QCOMPARE(rig.link->serialPort->write(write.mid(6)), qint64(write.size() - 6));
    QVERIFY(rig.link->waitForSerialWritten(1000));
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += rig.link->serialPort->readAll()), counted(1, QByteArrayLiteral("Station:Pieces")),
                              3000);
}

void tst_ZrSim::foreignDecoyIsFiltered()
{
    Rig rig;
    QVERIFY(rig.start(kUdp, {QStringLiteral("--foreign")}));
    QByteArray reply;
    int answered = 0;
    for (int i = 0; i < 5; ++i) {
        const int result = rig.read(2, reply, 300);
        QVERIFY(result == LinkOk || result == LinkNoReply);
        QVERIFY(!reply.contains("decoy"));
        if (result == LinkOk) {
            QCOMPARE(reply, counted(1, kItemTexts[2].toLatin1()));
            ++answered;
        }
        rig.link->takePending();
    }
    Q_UNUSED(answered)
}

void tst_ZrSim::badCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("private host") << QStringList{QStringLiteral("--udp"), QStringLiteral("192.168.1.10:0")}
                                  << QStringLiteral("loopback");
    QTest::newRow("other host") << QStringList{QStringLiteral("--udp"), QStringLiteral("10.0.0.1:5000")}
                                << QStringLiteral("loopback");
    QTest::newRow("no transport") << QStringList{} << QStringLiteral("--udp");
    QTest::newRow("bad port") << QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:70000")}
                              << QStringLiteral("port");
    QTest::newRow("missing items") << QStringList{QStringLiteral("--pty"), QStringLiteral("--items"),
                                                  QStringLiteral("/nonexistent/items.txt")}
                                   << QStringLiteral("--items");
    QTest::newRow("bad address") << QStringList{QStringLiteral("--pty"), QStringLiteral("--address"),
                                                QStringLiteral("300")}
                                 << QStringLiteral("--address");
    QTest::newRow("rate above 1") << QStringList{QStringLiteral("--pty"), QStringLiteral("--drop-rate"),
                                                 QStringLiteral("1.5")}
                                  << QStringLiteral("--drop-rate");
    QTest::newRow("negative rate") << QStringList{QStringLiteral("--pty"), QStringLiteral("--crc-rate"),
                                                  QStringLiteral("-0.1")}
                                   << QStringLiteral("--crc-rate");
    QTest::newRow("rate not a number") << QStringList{QStringLiteral("--pty"), QStringLiteral("--split-rate"),
                                                      QStringLiteral("often")}
                                       << QStringLiteral("--split-rate");
    QTest::newRow("rate nan") << QStringList{QStringLiteral("--pty"), QStringLiteral("--delay-rate"),
                                             QStringLiteral("nan")}
                              << QStringLiteral("--delay-rate");
    QTest::newRow("zero delay max") << QStringList{QStringLiteral("--pty"), QStringLiteral("--delay-max"),
                                                   QStringLiteral("0")}
                                    << QStringLiteral("--delay-max");
    QTest::newRow("negative seed") << QStringList{QStringLiteral("--pty"), QStringLiteral("--fault-seed"),
                                                  QStringLiteral("-1")}
                                   << QStringLiteral("--fault-seed");
}

void tst_ZrSim::badCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QProcess p;
    p.start(SimProcess::executable(), args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    QVERIFY(!p.readAllStandardOutput().contains("READY"));
    QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(message), qPrintable(message));
}

void tst_ZrSim::ptySymlinkRemovedOnExit()
{
    TempWorkDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyZR"));
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--pty"), link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());
    dir.writeSerialConfig(link);
    DeviceLink device;
    QVERIFY(device.open());
    QByteArray reply;
    QCOMPARE(device.transact(buildItemReadRequest(1, 0), reply, false, 3000), int(LinkOk));
    device.close();
    // A second client on the same pty is served like the first.
    DeviceLink again;
    QVERIFY(again.open());
    QCOMPARE(again.transact(buildItemReadRequest(1, 1), reply, false, 3000), int(LinkOk));
    QCOMPARE(replyText(reply), QStringLiteral("设备型号:ZR3100"));
    again.close();
    sim.stop();
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_ZrSim::verboseLogNeverStalls()
{
    // The UDP waits run no event loop, so nobody drains zrsim's stderr while
    // this runs; far more log than a pipe holds must not stop the answers.
    Rig rig;
    QVERIFY(rig.start(kUdp, {QStringLiteral("--verbose")}));
    QByteArray reply;
    for (int i = 0; i < 1500; ++i) {
        const int result = rig.read(i % 6, reply);
        if (result != LinkOk)
            QFAIL(qPrintable(QStringLiteral("exchange %1: result %2").arg(i).arg(result)));
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.errorOutput().contains(QStringLiteral("RX udp 127.0.0.1:")), 5000);
}

void tst_ZrSim::randomFaultAlways_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("encrypt");
    for (const QString &t : {kUdp, kPty}) {
        QTest::newRow(qPrintable(t + QStringLiteral(" drop"))) << t << QStringLiteral("--drop-rate") << false;
        QTest::newRow(qPrintable(t + QStringLiteral(" crc"))) << t << QStringLiteral("--crc-rate") << false;
        QTest::newRow(qPrintable(t + QStringLiteral(" crc envelope"))) << t << QStringLiteral("--crc-rate") << true;
    }
}

void tst_ZrSim::randomFaultAlways()
{
    // A rate of 1 hits every reply: item reads, writes and flash frames.
    QFETCH(QString, transport);
    QFETCH(QString, option);
    QFETCH(bool, encrypt);
    QStringList args{QStringLiteral("--fault-seed"), QStringLiteral("42"), option, QStringLiteral("1")};
    if (encrypt)
        args << QStringLiteral("--encrypt");
    Rig rig;
    QVERIFY(rig.start(transport, args, {{"communicate/encrypt", encrypt}}));
    rig.link->interChunkWaitMs = 100;
    const bool drop = option == QLatin1String("--drop-rate");
    const QList<QPair<QByteArray, bool>> requests = {
        {buildItemReadRequest(1, 2), false},
        {buildTextWriteRequest(1, 2, QStringLiteral("West")), false},
        {buildItemReadRequest(1, 6), false},
        {buildDelimitedFrame(QByteArray::fromHex("0502293F0000")), true},
    };
    for (const auto &r : requests) {
        QByteArray reply;
        const int result = rig.link->transact(r.first, reply, r.second, 300);
        if (drop) {
            QCOMPARE(result, int(LinkNoReply));
            QVERIFY(reply.isEmpty());
            continue;
        }
        // The bytes arrive but their CRC is wrong; over plain UDP such a
        // reply never counts as complete, so the link waits it out.
        QVERIFY2(!reply.isEmpty(), qPrintable(hexDump(r.first)));
        if (r.second) {
            QVERIFY(reply.startsWith('\x7E') && reply.endsWith('\x7F'));
            QVERIFY(!checkFrameCrc(reply.constData(), reply.size() - 1, true));
        } else {
            QVERIFY(!checkFrameCrc(reply, false));
            QCOMPARE(linkErrorText(result, reply),
                     result == LinkOk ? QStringLiteral("CRC校验错误") : QStringLiteral("接收数据超时"));
            QCOMPARE(reply.size(), quint8(reply.at(2)) + 5);
        }
    }
}

void tst_ZrSim::randomSplitReassembles()
{
    QFETCH(QString, transport);
    Rig rig;
    QVERIFY(rig.start(transport, {QStringLiteral("--split-rate"), QStringLiteral("1"), QStringLiteral("--split-gap-max"),
                                  QStringLiteral("60"), QStringLiteral("--verbose")}));
    QByteArray reply;
    for (int i = 0; i < 12; ++i) {
        const int index = i % 7;
        QCOMPARE(rig.read(index, reply), int(LinkOk));
        QCOMPARE(reply, counted(1, index < kItemTexts.size() ? encodeDeviceText(kItemTexts[index]) : QByteArray()));
    }
    // Each reply really went out in two or three pieces.
    const QString origin = transport == kUdp ? QStringLiteral("TX udp") : QStringLiteral("TX pty");
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.errorOutput().count(QStringLiteral("random fault: split")) == 12, 5000);
    const int pieces = rig.sim.errorOutput().count(origin);
    QVERIFY2(pieces >= 24 && pieces <= 36, qPrintable(QString::number(pieces)));
}

void tst_ZrSim::randomDelaySpread()
{
    // Delays spread up to the maximum: a short timeout misses some replies,
    // a long one gets all of them.
    Rig rig;
    QVERIFY(rig.start(kUdp, {QStringLiteral("--delay-rate"), QStringLiteral("1"), QStringLiteral("--delay-max"),
                             QStringLiteral("400"), QStringLiteral("--verbose")}));
    QByteArray reply;
    int late = 0;
    for (int i = 0; i < 10; ++i) {
        const int result = rig.read(2, reply, 60);
        if (result == LinkNoReply)
            ++late;
        // Whatever was late (at most 400 ms) drains before the next try.
        QTest::qWait(450);
        rig.link->takePending();
    }
    QVERIFY2(late >= 3, qPrintable(QString::number(late)));
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.read(2, reply, 2000), int(LinkOk));
        QCOMPARE(replyText(reply), kItemTexts[2]);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.errorOutput().count(QStringLiteral("random fault: delay")) >= 15, 5000);
}

void tst_ZrSim::randomPatternFollowsSeed()
{
    auto pattern = [](const QString &seed, QStringList *log) {
        Rig rig;
        if (!rig.start(kPty, {QStringLiteral("--fault-seed"), seed, QStringLiteral("--drop-rate"), QStringLiteral("0.2"),
                              QStringLiteral("--crc-rate"), QStringLiteral("0.3"), QStringLiteral("--split-rate"),
                              QStringLiteral("0.3"), QStringLiteral("--delay-rate"), QStringLiteral("0.3"),
                              QStringLiteral("--delay-max"), QStringLiteral("40"), QStringLiteral("--split-gap-max"),
                              QStringLiteral("10"), QStringLiteral("--verbose")}))
            return QString();
        rig.link->interChunkWaitMs = 100;
        QString seen;
        QByteArray reply;
        for (int i = 0; i < 30; ++i) {
            const int result = rig.read(i % 7, reply, 250);
            seen += result != LinkOk ? QLatin1Char('-') : linkErrorText(result, reply).isEmpty() ? QLatin1Char('o')
                                                                                                  : QLatin1Char('c');
        }
        QElapsedTimer clock;
        clock.start();
        while (rig.sim.errorOutput().count(QStringLiteral("RX pty:")) < 30 && clock.elapsed() < 5000)
            rig.sim.process().waitForReadyRead(50);
        for (const QString &line : rig.sim.errorOutput().split(QLatin1Char('\n'))) {
            const int at = line.indexOf(QStringLiteral("random fault:"));
            if (at >= 0)
                *log << line.mid(at);
        }
        return seen;
    };
    QStringList log1, log2, log3;
    const QString first = pattern(QStringLiteral("7"), &log1);
    const QString again = pattern(QStringLiteral("7"), &log2);
    const QString other = pattern(QStringLiteral("8"), &log3);
    QCOMPARE(first.size(), 30);
    QVERIFY2(first.contains(QLatin1Char('-')) && first.contains(QLatin1Char('c')) && first.contains(QLatin1Char('o')),
             qPrintable(first));
    QCOMPARE(again, first);
    QCOMPARE(log2, log1);
    QVERIFY(!log1.isEmpty());
    QVERIFY(log3 != log1);
}

QTEST_MAIN(tst_ZrSim)
#include "tst_zrsim.moc"
