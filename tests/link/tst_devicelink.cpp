#include "link/devicelink.h"
#include "link/framecodec.h"
#include "settings/config.h"
#include "tests/support/hostilescript.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QtTest>

using Reply = ScriptedInstrument::Reply;
using Chunk = ScriptedInstrument::Chunk;

namespace {

enum PeerKind { Udp, Pty };

QByteArray withCrc(QByteArray frame)
{
    appendCrcLowFirst(frame);
    return frame;
}

const QByteArray kItem = withCrc(QByteArray::fromHex("010305") + "Baud:");

// Receiver that can ask to stop after a number of pieces.
class TestReceiver : public DDataReceiver
{
public:
    int stopAfter = -1;
    QList<QByteArray> pieces;
    QStringList errors;
    bool isStopped() override { return stopAfter >= 0 && pieces.size() >= stopAfter; }
    void onError(const QString &error) override { errors << error; }
    void onData(const QByteArray &data) override { pieces << data; }
};

} // namespace

Q_DECLARE_METATYPE(ScriptedInstrument::Reply)
Q_DECLARE_METATYPE(PeerKind)

class tst_DeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void openDefaults();
    void openSettings_data();
    void openSettings();
    void openMissingSerialPort();
    void udpTransact_data();
    void udpTransact();
    void udpSendFails();
    void udpEncrypted();
    void serialTransact_data();
    void serialTransact();
    void serialRtsRefused();
    void serialEncrypted();
    void serialHangUpEndsWait();
    void streamUdp();
    void streamUdpStops();
    void streamSerial();
    void streamSerialRtsRefused();
    void streamNoAnswer_data();
    void streamNoAnswer();
    void takePendingDropsStaleInput();
    void udpLateReplyIsNotTheNextAnswer();
    void udpReplyAndCopyTogether();
    void waitForSignalTimesOut();
    void hostilePeer_data();
    void hostilePeer();
    void errorText_data();
    void errorText();

private:
    void runTransact(PeerKind kind, const QList<Reply> &replies, int interChunkMs, int timeoutMs,
                     int expectedResult, const QByteArray &expectedReply);
};

void tst_DeviceLink::openDefaults()
{
    TempWorkDir dir;
    DeviceLink link;
    QVERIFY(!link.open());
    QCOMPARE(link.errorText, QStringLiteral("串口打开失败"));
    QCOMPARE(link.deviceAddress, quint8(255));
    QVERIFY(!link.useUdp);
    QVERIFY(!link.encrypt);
    QVERIFY(!link.useRts);
    QCOMPARE(link.interChunkWaitMs, 500);
}

void tst_DeviceLink::openSettings_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("udp");
    QTest::addColumn<int>("port");
    QTest::newRow("address 256 wraps to 0") << QVariantMap{{"device/address", 256}, {"communicate/udp", 1}} << 0 << true << 0;
    QTest::newRow("udp value 2 is udp") << QVariantMap{{"communicate/udp", 2}, {"udp/port", "1500"}} << 255 << true << 1500;
    QTest::newRow("udp without endpoint still opens") << QVariantMap{{"communicate/udp", 1}} << 255 << true << 0;
    QTest::newRow("port keeps low 16 bits") << QVariantMap{{"communicate/udp", 1}, {"udp/port", "65537"}} << 255 << true << 1;
}

void tst_DeviceLink::openSettings()
{
    QFETCH(QVariantMap, keys);
    QFETCH(int, address);
    QFETCH(bool, udp);
    QFETCH(int, port);
    TempWorkDir dir;
    dir.writeConfig(keys);
    DeviceLink link;
    QVERIFY(link.open());
    QVERIFY(link.errorText.isEmpty());
    QCOMPARE(int(link.deviceAddress), address);
    QCOMPARE(link.useUdp, udp);
    QCOMPARE(int(link.peerPort), port);
}

void tst_DeviceLink::openMissingSerialPort()
{
    TempWorkDir dir;
    dir.writeSerialConfig(QStringLiteral("/dev/zr-no-such-port"));
    DeviceLink link;
    QVERIFY(!link.open());
    QCOMPARE(link.errorText, QStringLiteral("打开串口失败: /dev/zr-no-such-port"));
}

void tst_DeviceLink::runTransact(PeerKind kind, const QList<Reply> &replies, int interChunkMs,
                                 int timeoutMs, int expectedResult, const QByteArray &expectedReply)
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(kind == Udp ? peer.startUdp() : peer.startPty(ScriptedInstrument::ByQuietGap));
    peer.setReplies(replies);
    if (kind == Udp)
        dir.writeUdpConfig(peer.udpPort());
    else
        dir.writeSerialConfig(peer.ptyPath());
    DeviceLink link;
    QVERIFY2(link.open(), qPrintable(link.errorText));
    link.interChunkWaitMs = interChunkMs;
    QByteArray reply("stale");
    const QByteArray request = buildItemReadRequest(link.deviceAddress, 0);
    QCOMPARE(link.transact(request, reply, false, timeoutMs), expectedResult);
    QCOMPARE(reply.toHex(), expectedReply.toHex());
    QTRY_COMPARE(peer.requests().size(), 1);
    QCOMPARE(peer.requests().first().toHex(), request.toHex());
}

void tst_DeviceLink::udpTransact_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one datagram") << ScriptedInstrument::once(kItem) << 0 << kItem;
    QTest::newRow("split over two datagrams")
        << Reply{Chunk{kItem.left(4), 0}, Chunk{kItem.mid(4), 80}} << 0 << kItem;
    QTest::newRow("split over three datagrams")
        << Reply{Chunk{kItem.left(1), 0}, Chunk{kItem.mid(1, 5), 30}, Chunk{kItem.mid(6), 30}} << 0 << kItem;
    QTest::newRow("no reply") << Reply{} << 2 << QByteArray();
    QTest::newRow("incomplete then silence") << ScriptedInstrument::once(kItem.left(6)) << 2 << kItem.left(6);
    QTest::newRow("foreign sender only") << Reply{Chunk{kItem, 0, true}} << 2 << QByteArray();
    QTest::newRow("foreign sender only, then silence")
        << Reply{Chunk{kItem.left(3), 0}, Chunk{kItem.mid(3), 40, true}} << 2 << kItem.left(3);
    // Ending the wait at the foreign datagram would send a retry while this
    // answer is still on its way.
    QTest::newRow("foreign datagram before the reply is passed over")
        << Reply{Chunk{kItem, 0, true}, Chunk{kItem, 50}} << 0 << kItem;
    QTest::newRow("foreign datagram between the pieces")
        << Reply{Chunk{kItem.left(3), 0}, Chunk{kItem, 20, true}, Chunk{kItem.mid(3), 50}} << 0 << kItem;
}

void tst_DeviceLink::udpTransact()
{
    QFETCH(Reply, reply);
    QFETCH(int, result);
    QFETCH(QByteArray, expected);
    runTransact(Udp, {reply}, 500, 400, result, expected);
}

void tst_DeviceLink::udpSendFails()
{
    TempWorkDir dir;
    dir.writeConfig({{"communicate/udp", 1}, {"udp/address", "not an address"}, {"udp/port", "1"}});
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    const int r = link.transact(buildItemReadRequest(1, 0), reply, false, 200);
    QCOMPARE(r, 1);
    QCOMPARE(linkErrorText(r, reply), QStringLiteral("发送命令超时"));
}

void tst_DeviceLink::udpEncrypted()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    // An enveloped reply, then an unenveloped one (kept as received).
    peer.setReplies({ScriptedInstrument::once(encryptEnvelope(kItem)), ScriptedInstrument::once(kItem)});
    dir.writeUdpConfig(peer.udpPort(), {{"communicate/encrypt", true}});
    DeviceLink link;
    QVERIFY(link.open());
    QVERIFY(link.encrypt);
    QByteArray reply;
    const QByteArray request = buildItemReadRequest(1, 0);
    QCOMPARE(link.transact(request, reply, false, 1000), 0);
    QCOMPARE(reply.toHex(), kItem.toHex());
    QCOMPARE(link.transact(request, reply, false, 1000), 0);
    QCOMPARE(reply.toHex(), kItem.toHex());
    QCOMPARE(peer.requests().size(), 2);
    QCOMPARE(peer.requests().at(0).toHex(), encryptEnvelope(request).toHex());
    QCOMPARE(decryptEnvelope(peer.requests().at(1), false).toHex(), request.toHex());
}

void tst_DeviceLink::serialTransact_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one piece") << ScriptedInstrument::once(kItem) << 0 << kItem;
    QTest::newRow("pieces closer than the inter-chunk wait")
        << Reply{Chunk{kItem.left(2), 0}, Chunk{kItem.mid(2, 3), 60}, Chunk{kItem.mid(5), 60}} << 0 << kItem;
    QTest::newRow("pause longer than the inter-chunk wait returns the part")
        << Reply{Chunk{kItem.left(4), 0}, Chunk{kItem.mid(4), 700}} << 0 << kItem.left(4);
    QTest::newRow("no reply") << Reply{} << 2 << QByteArray();
    QTest::newRow("corrupt reply after silence") << ScriptedInstrument::once(kItem.left(9) + "x") << 0
                                                 << kItem.left(9) + "x";
}

void tst_DeviceLink::serialTransact()
{
    QFETCH(Reply, reply);
    QFETCH(int, result);
    QFETCH(QByteArray, expected);
    runTransact(Pty, {reply}, 200, 400, result, expected);
    if (result == 0 && expected != kItem)
        QCOMPARE(linkErrorText(result, expected), QStringLiteral("CRC校验错误"));
}

void tst_DeviceLink::serialRtsRefused()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startPty(ScriptedInstrument::ByQuietGap));
    peer.setReplies({ScriptedInstrument::once(kItem)});
    dir.writeSerialConfig(peer.ptyPath(), {{"serial/send_rts", true}});
    DeviceLink link;
    QVERIFY(link.open());
    QVERIFY(link.useRts);
    QByteArray reply;
    // A pseudo-terminal has no RTS line, so the pulse is refused.
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 300), 1);
    QTest::qWait(100); // time for a request that must not come
    QVERIFY(peer.requests().isEmpty());
}

void tst_DeviceLink::serialEncrypted()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startPty(ScriptedInstrument::ByQuietGap));
    const QByteArray env = encryptEnvelope(kItem);
    peer.setReplies({Reply{Chunk{env.left(5), 0}, Chunk{env.mid(5), 50}}});
    dir.writeSerialConfig(peer.ptyPath(), {{"communicate/encrypt", true}});
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 1000), 0);
    QCOMPARE(reply.toHex(), kItem.toHex());
    QCOMPARE(linkErrorText(0, reply), QString());
}

void tst_DeviceLink::serialHangUpEndsWait()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startPty(ScriptedInstrument::ByQuietGap));
    dir.writeSerialConfig(peer.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    QTimer::singleShot(200, [&peer] { peer.hangUp(); });
    QElapsedTimer clock;
    clock.start();
    const int r = link.transact(buildItemReadRequest(1, 0), reply, false, 20000);
    QCOMPARE(r, int(LinkLineLost));
    QCOMPARE(linkErrorText(r, reply), QStringLiteral("串口连接已断开"));
    // Without the hang-up handling this would spin until the 20 s timeout.
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(link.transportFailed());
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 20000), int(LinkLineLost));
    TestReceiver receiver;
    link.transactStream(buildItemReadRequest(1, 0), &receiver);
    QCOMPARE(receiver.errors, QStringList{QStringLiteral("串口连接已断开")});
}

void tst_DeviceLink::streamUdp()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    peer.setReplies({Reply{Chunk{"line 1\r\n", 100}, Chunk{"line", 200}, Chunk{" 2\r\n", 300}}});
    dir.writeUdpConfig(peer.udpPort(), {{"communicate/encrypt", true}});
    DeviceLink link;
    QVERIFY(link.open());
    TestReceiver receiver;
    QElapsedTimer clock;
    clock.start();
    link.transactStream(QByteArray("HISTORY"), &receiver);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(receiver.errors.isEmpty());
    QCOMPARE(receiver.pieces.join(), QByteArray("line 1\r\nline 2\r\n"));
    // Never enveloped, even with encryption on.
    QCOMPARE(peer.requests().value(0), QByteArray("HISTORY"));
    // Ends by 1000 ms of silence after the last piece (600 ms in).
    QVERIFY2(elapsed >= 1500, qPrintable(QString::number(elapsed)));
}

void tst_DeviceLink::streamUdpStops()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    peer.setReplies({Reply{Chunk{"a", 0}, Chunk{"b", 300}, Chunk{"c", 300}}});
    dir.writeUdpConfig(peer.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    TestReceiver receiver;
    receiver.stopAfter = 1;
    link.transactStream(QByteArray("Q"), &receiver);
    QCOMPARE(receiver.pieces, QList<QByteArray>{"a"});
    QVERIFY(receiver.errors.isEmpty());
}

void tst_DeviceLink::streamSerial()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startPty(ScriptedInstrument::ByQuietGap));
    peer.setReplies({Reply{Chunk{"{\"sn\":", 50}, Chunk{"\"AB12\"}", 100}}});
    dir.writeSerialConfig(peer.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    link.interChunkWaitMs = 300;
    DDataReceiverImpl receiver;
    link.transactStream(QByteArray("{\"write\":{\"sn\":\"AB12\"}}"), &receiver);
    QCOMPARE(receiver.errorText(), QString());
    QCOMPARE(receiver.data(), QByteArray("{\"sn\":\"AB12\"}"));
    QCOMPARE(peer.requests().value(0), QByteArray("{\"write\":{\"sn\":\"AB12\"}}"));
}

void tst_DeviceLink::streamSerialRtsRefused()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startPty(ScriptedInstrument::ByQuietGap));
    dir.writeSerialConfig(peer.ptyPath(), {{"serial/send_rts", true}});
    DeviceLink link;
    QVERIFY(link.open());
    DDataReceiverImpl receiver;
    link.transactStream(QByteArray("X"), &receiver);
    QCOMPARE(receiver.errorText(), QStringLiteral("发送命令失败"));
}

void tst_DeviceLink::streamNoAnswer_data()
{
    QTest::addColumn<bool>("udp");
    QTest::newRow("udp") << true;
    QTest::newRow("serial") << false;
}

void tst_DeviceLink::streamNoAnswer()
{
    QFETCH(bool, udp);
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(udp ? peer.startUdp() : peer.startPty(ScriptedInstrument::ByQuietGap));
    if (udp)
        dir.writeUdpConfig(peer.udpPort());
    else
        dir.writeSerialConfig(peer.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    DDataReceiverImpl receiver;
    QElapsedTimer clock;
    clock.start();
    link.transactStream(QByteArray("X"), &receiver);
    QCOMPARE(receiver.errorText(), QStringLiteral("接受数据超时"));
    QVERIFY2(clock.elapsed() >= 4900, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(receiver.data().isEmpty());
}

void tst_DeviceLink::takePendingDropsStaleInput()
{
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    // The first request gets its reply plus stray text that arrives later.
    peer.setReplies({Reply{Chunk{kItem, 0}, Chunk{"debug line\r\n", 50}}, ScriptedInstrument::once(kItem)});
    dir.writeUdpConfig(peer.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 1000), 0);
    QTRY_VERIFY(link.udpSocket->hasPendingDatagrams());
    QCOMPARE(link.takePending(), QByteArray("debug line\r\n"));
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 1000), 0);
    QCOMPARE(reply.toHex(), kItem.toHex());
}

void tst_DeviceLink::udpLateReplyIsNotTheNextAnswer()
{
    // The first request is answered after its exchange gave up; the next
    // request must get its own answer, not the late one.
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    const QByteArray other = withCrc(QByteArray::fromHex("010305") + "Rate:");
    peer.setReplies({Reply{Chunk{kItem, 250}}, ScriptedInstrument::once(other)});
    dir.writeUdpConfig(peer.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    // Looking for stale input on a socket that never sent must stay quiet.
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings << text;
    });
    const int first = link.transact(buildItemReadRequest(1, 0), reply, false, 50);
    qInstallMessageHandler(previous);
    QCOMPARE(first, int(LinkNoReply));
    QCOMPARE(warnings, QStringList());
    QTRY_VERIFY(link.udpSocket->hasPendingDatagrams());
    QCOMPARE(link.transact(buildItemReadRequest(1, 1), reply, false, 1000), int(LinkOk));
    QCOMPARE(reply.toHex(), other.toHex());
}

void tst_DeviceLink::udpReplyAndCopyTogether()
{
    // Reply and copy sent back to back are usually both waiting when the
    // first is read: the reply is taken, and the copy still counts as an
    // answer nobody asked for.
    TempWorkDir dir;
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    peer.setReplies({Reply{Chunk{kItem}, Chunk{kItem}}});
    dir.writeUdpConfig(peer.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    QByteArray reply;
    QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 5000), int(LinkOk));
    QCOMPARE(reply.toHex(), kItem.toHex());
    QVERIFY(link.answeredMoreThanAsked(10000));
}

void tst_DeviceLink::waitForSignalTimesOut()
{
    QTimer source;
    source.setSingleShot(true);
    source.start(30);
    QVERIFY(waitForSignal(&source, &QTimer::timeout, 2000));
    QVERIFY(!waitForSignal(&source, &QTimer::timeout, 50));
}

Q_DECLARE_METATYPE(HostileScript::Mode)

void tst_DeviceLink::hostilePeer_data()
{
    QTest::addColumn<PeerKind>("kind");
    QTest::addColumn<HostileScript::Mode>("mode");
    QTest::addColumn<int>("piece");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("withinMs");
    // A flood that never completes a frame fails at the frame's length,
    // with the reply bounded, instead of growing until memory ends.
    QTest::newRow("udp flood, 1.4 KB datagrams") << Udp << HostileScript::Flood << 1400 << 5 << 1500;
    QTest::newRow("udp flood, 64 KB datagrams") << Udp << HostileScript::Flood << 65000 << 5 << 1500;
    QTest::newRow("udp flood, short datagrams") << Udp << HostileScript::Flood << 40 << 5 << 1500;
    QTest::newRow("pty flood") << Pty << HostileScript::Flood << 1400 << 5 << 1500;
    // One byte every 100 ms: each piece restarts the wait, but the whole
    // exchange ends at three times its timeout (600 ms here; the reply
    // would take 1.2 s).
    QTest::newRow("udp trickle") << Udp << HostileScript::Trickle << 0 << 2 << 1000;
    QTest::newRow("pty trickle") << Pty << HostileScript::Trickle << 0 << 2 << 1000;
}

void tst_DeviceLink::hostilePeer()
{
    QFETCH(PeerKind, kind);
    QFETCH(HostileScript::Mode, mode);
    QFETCH(int, piece);
    QFETCH(int, result);
    QFETCH(int, withinMs);
    ScriptedInstrument peer;
    QVERIFY(kind == Udp ? peer.startUdp() : peer.startPty());
    HostileScript script;
    script.mode = mode;
    script.floodPieceBytes = piece;
    script.floodMs = 5000;
    script.apply(peer, kind == Pty);
    TempWorkDir dir;
    if (kind == Udp)
        dir.writeUdpConfig(peer.udpPort());
    else
        dir.writeSerialConfig(peer.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    for (int round = 0; round < 3; ++round) {
        QByteArray reply;
        QElapsedTimer clock;
        clock.start();
        const int r = link.transact(buildItemReadRequest(1, 0), reply, false, 200);
        QCOMPARE(r, result);
        QVERIFY2(clock.elapsed() < withinMs, qPrintable(QString::number(clock.elapsed())));
        // A serial flood is joined up: what the link holds starts anywhere
        // in a piece, and is bounded all the same.
        const int bound = kind == Udp ? kMaxCountedReply : kMaxDelimitedReply;
        QVERIFY2(reply.size() <= bound, qPrintable(QString::number(reply.size())));
        QCOMPARE(linkErrorText(r, reply), result == 5 ? QStringLiteral("CRC校验错误") : QStringLiteral("接收数据超时"));
        if (mode == HostileScript::Trickle)
            break;
    }
}

void tst_DeviceLink::errorText_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("send failed") << 1 << QByteArray() << QStringLiteral("发送命令超时");
    QTest::newRow("no reply") << 2 << QByteArray() << QStringLiteral("接收数据超时");
    QTest::newRow("two bytes") << 0 << QByteArray::fromHex("0103") << QStringLiteral("CRC校验错误");
    QTest::newRow("valid counted reply") << 0 << withCrc(QByteArray::fromHex("010300")) << QString();
    QTest::newRow("valid crc only high first") << 0 << QByteArray::fromHex("01034b0000002e52") << QStringLiteral("CRC校验错误");
    QTest::newRow("unknown code") << 3 << QByteArray() << QStringLiteral("未定义的错误");
    QTest::newRow("line lost") << 4 << QByteArray() << QStringLiteral("串口连接已断开");
    QTest::newRow("overlong reply") << 5 << withCrc(QByteArray::fromHex("010300")) << QStringLiteral("CRC校验错误");
}

void tst_DeviceLink::errorText()
{
    QFETCH(int, result);
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(linkErrorText(result, reply), text);
}

QTEST_GUILESS_MAIN(tst_DeviceLink)
#include "tst_devicelink.moc"
