#include "items/refreshthread.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/simprocess.h"
#include "tests/support/hostilescript.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/support/workdir.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

QByteArray withCrc(const QByteArray &hex)
{
    QByteArray frame = QByteArray::fromHex(hex);
    appendCrcLowFirst(frame);
    return frame;
}

// Collects what a refresh reports, in order.
struct Recorder {
    int clears = 0;
    QList<int> indexes;
    QList<QStringList> lists;
    QStringList errors;
    QStringList titles;
    QStringList images;

    void attach(RefreshThread &t)
    {
        QObject::connect(&t, &RefreshThread::signalClearItems, [this] { ++clears; });
        QObject::connect(&t, &RefreshThread::signalAddItems, [this](int i, const QStringList &l) {
            indexes << i;
            lists << l;
        });
        QObject::connect(&t, &RefreshThread::showErrorMessage,
                         [this](const QString &title, const QString &e, const QString &image) {
                             titles << title;
                             errors << e;
                             images << image;
                         });
    }
};

const QStringList kItems{QStringLiteral("设备名称:ZR-100"), QStringLiteral("波特率(2400/4800/9600):9600"),
                         QStringLiteral("复位"), QStringLiteral("备注:"), QStringLiteral("a:b:c")};

} // namespace

class tst_RefreshThread : public QObject
{
    Q_OBJECT

private slots:
    void checkReply_data();
    void checkReply();
    void openFailure();
    void udpList_data();
    void udpList();
    void serialList();
    void serialFaults_data();
    void serialFaults();
    void threadDeliversQueued();
    void endlessListStopsAtLastIndex();
    void hostileInstrument_data();
    void hostileInstrument();
    void lateCopyNeverShiftsTheList();
    void stopCutsTheRetryShort_data();
    void stopCutsTheRetryShort();
};

void tst_RefreshThread::checkReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QString>("error");
    QTest::newRow("item") << withCrc("0103024142") << false << "";
    QTest::newRow("end of list") << withCrc("010300") << true << "";
    const QByteArray foreign = withCrc("020300");
    QTest::newRow("other address") << foreign << true << "地址或命令校验错误: \n" + hexDump(foreign);
    const QByteArray func = withCrc("0104024142");
    QTest::newRow("other function") << func << true << "地址或命令校验错误: \n" + hexDump(func);
    const QByteArray shortReply = withCrc("0103");
    QTest::newRow("too short") << shortReply << true << "地址或命令校验错误: \n" + hexDump(shortReply);
    const QByteArray length = withCrc("0103034142");
    QTest::newRow("count says 3, 2 sent") << length << true << "数据长度校验错误 : \n" + hexDump(length);
    const QByteArray longer = withCrc("010301414243");
    QTest::newRow("count says 1, 3 sent") << longer << true << "数据长度校验错误 : \n" + hexDump(longer);
}

void tst_RefreshThread::checkReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, stop);
    QFETCH(QString, error);
    RefreshThread thread;
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    link.deviceAddress = 1;
    QCOMPARE(thread.checkReply(LinkOk, link, 3, reply), stop);
    QCOMPARE(rec.errors, error.isEmpty() ? QStringList() : QStringList{error});
    if (!error.isEmpty()) {
        QCOMPARE(rec.titles, QStringList{"刷新"});
        QCOMPARE(rec.images, QStringList{":/image/refresh.png"});
    }
}

void tst_RefreshThread::openFailure()
{
    TempWorkDir dir;
    dir.writeSerialConfig(QStringLiteral("/nonexistent/zr-tty"));
    RefreshThread thread;
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.clears, 0);
    QCOMPARE(rec.errors, QStringList{"打开串口失败: /nonexistent/zr-tty"});
}

void tst_RefreshThread::udpList_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("delivered");
    QTest::addColumn<QString>("error");
    QTest::newRow("whole list") << QStringList{} << kItems << kItems.size() << "";
    QTest::newRow("empty list") << QStringList{} << QStringList{} << 0 << "";
    QTest::newRow("first reply dropped, retried") << QStringList{"--drop", "1"} << kItems << kItems.size() << "";
    QTest::newRow("third reply dropped, retried") << QStringList{"--drop", "3"} << kItems << kItems.size() << "";
    QTest::newRow("corrupt reply, retried") << QStringList{"--corrupt-crc", "2"} << kItems << kItems.size() << "";
    QTest::newRow("silent instrument") << QStringList{"--silent"} << kItems << 0 << "接收数据超时";
    QTest::newRow("first two ignored") << QStringList{"--ignore-first", "2"} << kItems << 0 << "接收数据超时";
    QTest::newRow("encrypted") << QStringList{"--encrypt"} << kItems << kItems.size() << "";
}

void tst_RefreshThread::udpList()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, items);
    QFETCH(int, delivered);
    QFETCH(QString, error);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(items)} + simArgs),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort(), {{"communicate/encrypt", simArgs.contains("--encrypt")}});
    RefreshThread thread;
    thread.setTimeouts(800, 1500);
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.clears, 1);
    QCOMPARE(rec.errors, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(rec.lists.size(), delivered);
    for (int i = 0; i < delivered; ++i) {
        QCOMPARE(rec.indexes.at(i), i);
        QCOMPARE(rec.lists.at(i), items.at(i).split(QLatin1Char(':')));
    }
}

void tst_RefreshThread::serialList()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--pty", "--items", dir.writeSimItems(kItems)}), qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    RefreshThread thread;
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.errors, QStringList());
    QCOMPARE(rec.lists.size(), kItems.size());
    QCOMPARE(rec.lists.at(3), (QStringList{QStringLiteral("备注"), QString()}));
    QCOMPARE(rec.lists.at(2), QStringList{QStringLiteral("复位")});
}

void tst_RefreshThread::serialFaults_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("error");
    QTest::newRow("split replies") << QStringList{"--split"} << "";
    QTest::newRow("corrupt reply, retried") << QStringList{"--corrupt-crc", "2"} << "";
    QTest::newRow("dropped reply, retried") << QStringList{"--drop", "4"} << "";
    QTest::newRow("corrupt twice") << QStringList{"--corrupt-crc", "1,2"} << "CRC校验错误";
    QTest::newRow("dropped twice") << QStringList{"--drop", "3,4"} << "接收数据超时";
}

void tst_RefreshThread::serialFaults()
{
    // A serial reply whose CRC is wrong still comes back once the line is
    // quiet and is retried like a missing one.
    QFETCH(QStringList, simArgs);
    QFETCH(QString, error);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--pty", "--items", dir.writeSimItems(kItems)} + simArgs),
             qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    RefreshThread thread;
    thread.setTimeouts(800, 1500);
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.errors, error.isEmpty() ? QStringList() : QStringList{error});
    if (error.isEmpty()) {
        QCOMPARE(rec.lists.size(), kItems.size());
        QCOMPARE(rec.indexes, (QList<int>{0, 1, 2, 3, 4}));
    } else {
        // --drop 3,4: the third reply and its retry are lost, so items 0 and 1 arrived.
        QCOMPARE(rec.lists.size(), simArgs.contains("3,4") ? 2 : 0);
    }
}

void tst_RefreshThread::threadDeliversQueued()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kItems)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    RefreshThread thread;
    QList<Qt::HANDLE> threads;
    QObject receiver;
    QObject::connect(&thread, &RefreshThread::signalAddItems, &receiver,
                     [&](int, const QStringList &) { threads << QThread::currentThreadId(); });
    // Not a QSignalSpy on finished(): that one appends on the worker thread
    // while the test thread reads it.
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 10000);
    QTRY_COMPARE(threads.size(), kItems.size());
    for (Qt::HANDLE h : threads)
        QCOMPARE(h, QThread::currentThreadId());
}

void tst_RefreshThread::endlessListStopsAtLastIndex()
{
    // The request byte wraps after 255; reading on would repeat item 0 under
    // index 256 and never end.
    // Every item read gets a non-empty item, up to 600 answers (then
    // silence, so a reader without a bound of its own fails, not hangs).
    ScriptedInstrument instrument;
    QVERIFY(instrument.startUdp());
    auto answered = std::make_shared<std::atomic<int>>(0);
    instrument.setResponder([answered](const QByteArray &request) {
        if (request.size() != 8 || answered->load() >= 600)
            return ScriptedInstrument::Reply();
        ++*answered;
        return ScriptedInstrument::once(ScriptedInstrument::countedReply(
            quint8(request.at(0)), "Item" + QByteArray::number(quint8(request.at(3))) + ":1"));
    });
    TempWorkDir dir;
    dir.writeUdpConfig(instrument.udpPort());
    RefreshThread thread;
    thread.setTimeouts(1500, 1500);
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.errors, QStringList());
    QCOMPARE(rec.lists.size(), 256);
    QCOMPARE(rec.indexes.last(), 255);
    QCOMPARE(rec.lists.last(), (QStringList{"Item255", "1"}));
    QCOMPARE(answered->load(), 257); // and item 0 again: no reply was a copy
}

Q_DECLARE_METATYPE(HostileScript::Mode)

void tst_RefreshThread::hostileInstrument_data()
{
    QTest::addColumn<bool>("pty");
    QTest::addColumn<HostileScript::Mode>("mode");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<QString>("error"); // "*": the list may also fail, never shift
    QTest::newRow("udp duplicate replies") << false << HostileScript::Duplicate << 0 << 5 << "*";
    QTest::newRow("udp duplicate replies, 2 ms apart") << false << HostileScript::Duplicate << 2 << 5 << "*";
    QTest::newRow("udp duplicate replies, 20 ms apart") << false << HostileScript::Duplicate << 20 << 2 << "*";
    QTest::newRow("udp foreign datagram first") << false << HostileScript::ForeignFirst << 0 << 1 << "";
    // On a serial line only copies that arrive joined to their reply are
    // caught (by the reply bound): the port outlives the connection, so a
    // copy that comes apart cannot be told from a late answer to an earlier
    // connection, and whether it comes apart depends on the machine's load.
    QTest::newRow("pty duplicate replies") << true << HostileScript::Duplicate << 0 << 3 << "*";
    QTest::newRow("udp flood") << false << HostileScript::Flood << 0 << 1 << "CRC校验错误";
    QTest::newRow("pty hang-up") << true << HostileScript::HangUp << 0 << 1 << "串口连接已断开";
}

void tst_RefreshThread::hostileInstrument()
{
    // The instrument serves Item0:0 … Item9:9. Whatever it does to the
    // replies, the list must be right, or the refresh must fail: never a
    // list shifted by a stale reply and reported as read.
    QFETCH(bool, pty);
    QFETCH(HostileScript::Mode, mode);
    QFETCH(int, gapMs);
    QFETCH(int, rounds);
    QFETCH(QString, error);
    for (int round = 0; round < rounds; ++round) {
        ScriptedInstrument peer;
        QVERIFY(pty ? peer.startPty() : peer.startUdp());
        HostileScript script;
        script.mode = mode;
        script.itemCount = 10;
        script.duplicateGapMs = gapMs;
        script.floodMs = 5000;
        script.apply(peer, pty);
        TempWorkDir dir;
        if (!pty)
            dir.writeUdpConfig(peer.udpPort());
        else
            dir.writeSerialConfig(peer.ptyPath());
        RefreshThread thread;
        thread.setTimeouts(800, 1000);
        Recorder rec;
        rec.attach(thread);
        DeviceLink link;
        thread.readItems(link);
        if (error != QLatin1String("*"))
            QCOMPARE(rec.errors, error.isEmpty() ? QStringList() : QStringList{error});
        else if (!rec.errors.isEmpty())
            continue; // failed: the rows before the message may be anything
        const int expected = rec.errors.isEmpty() ? 10 : rec.lists.size();
        QCOMPARE(rec.lists.size(), expected);
        if (mode == HostileScript::HangUp)
            QCOMPARE(rec.lists.size(), script.hangUpAfter);
        for (int i = 0; i < rec.lists.size(); ++i) {
            QCOMPARE(rec.indexes.at(i), i);
            QCOMPARE(rec.lists.at(i), (QStringList{QStringLiteral("Item%1").arg(i), QString::number(i)}));
        }
    }
}

void tst_RefreshThread::lateCopyNeverShiftsTheList()
{
    // The copy of item 1 comes after the next request went out, and every
    // later answer comes long after the one before: however slow either
    // side is, the list is refused, never reported one row longer.
    using Chunk = ScriptedInstrument::Chunk;
    const auto item = [](const char *text) { return ScriptedInstrument::countedReply(1, text); };
    const QByteArray end = item("");
    ScriptedInstrument peer;
    QVERIFY(peer.startUdp());
    peer.setReplies({ScriptedInstrument::once(item("Item0:0")),
                     {Chunk{item("Item1:1")}, Chunk{item("Item1:1"), 200}},
                     {Chunk{end, 400}},
                     {Chunk{end, 400}},
                     {Chunk{item("Item0:0"), 400}}});
    TempWorkDir dir;
    dir.writeUdpConfig(peer.udpPort());
    RefreshThread thread;
    thread.setTimeouts(5000, 5000);
    Recorder rec;
    rec.attach(thread);
    DeviceLink link;
    thread.readItems(link);
    QCOMPARE(rec.errors, QStringList{QStringLiteral("设备重复应答")});
}

void tst_RefreshThread::stopCutsTheRetryShort_data()
{
    QTest::addColumn<bool>("udp");
    QTest::newRow("udp") << true;
    QTest::newRow("serial") << false;
}

void tst_RefreshThread::stopCutsTheRetryShort()
{
    // Item 0 answers, item 1 never does: the stop comes while its retry
    // waits, and the refresh ends then, not when the retry's wait would.
    QFETCH(bool, udp);
    ScriptedInstrument peer;
    QVERIFY(udp ? peer.startUdp() : peer.startPty());
    peer.setReplies({ScriptedInstrument::once(ScriptedInstrument::countedReply(1, "Item0:0"))});
    TempWorkDir dir;
    udp ? dir.writeUdpConfig(peer.udpPort()) : dir.writeSerialConfig(peer.ptyPath());
    RefreshThread thread;
    thread.setTimeouts(300, 60000);
    Recorder rec;
    rec.attach(thread);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), 3, 20000); // item 0, item 1, its retry
    thread.requestStop();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 20000);
    QVERIFY(thread.wasStopped());
    QCoreApplication::processEvents();
    QCOMPARE(rec.errors, QStringList());
    QCOMPARE(rec.lists, QList<QStringList>{(QStringList{"Item0", "0"})});
    QCOMPARE(peer.requestCount(), 3);
}

QTEST_GUILESS_MAIN(tst_RefreshThread)
#include "tst_refreshthread.moc"
