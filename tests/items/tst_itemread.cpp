#include "items/clocksync.h"
#include "items/itemread.h"
#include "items/itemwrite.h"
#include "items/serialnumber.h"
#include "items/itemrows.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>

Q_DECLARE_METATYPE(ItemReply::Status)

namespace {

QByteArray withCrc(const QByteArray &hex)
{
    QByteArray frame = QByteArray::fromHex(hex);
    appendCrcLowFirst(frame);
    return frame;
}

const QStringList kItems{QStringLiteral("设备名称:ZR-100"), QStringLiteral("复位"), QStringLiteral("a:b:c")};

} // namespace

class tst_ItemRead : public QObject
{
    Q_OBJECT

private slots:
    void parseReply_data();
    void parseReply();
    void list_data();
    void list();
    void stopBetweenItems();
    void rowNumbering_data();
    void rowNumbering();
    void messages_data();
    void messages();
};

void tst_ItemRead::parseReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<ItemReply::Status>("status");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("item") << withCrc("0103024142") << ItemReply::Item << QStringList{"AB"};
    QTest::newRow("fields split at every colon") << withCrc("0103033a413a") << ItemReply::Item
                                                 << QStringList{"", "A", ""};
    QTest::newRow("end of list") << withCrc("010300") << ItemReply::EndOfList << QStringList();
    QTest::newRow("other address") << withCrc("020300") << ItemReply::BadAddressOrFunction << QStringList();
    QTest::newRow("other function") << withCrc("0104024142") << ItemReply::BadAddressOrFunction << QStringList();
    QTest::newRow("4 bytes") << withCrc("0103") << ItemReply::BadAddressOrFunction << QStringList();
    QTest::newRow("empty") << QByteArray() << ItemReply::BadAddressOrFunction << QStringList();
    QTest::newRow("count says 3, 2 sent") << withCrc("0103034142") << ItemReply::BadLength << QStringList();
    QTest::newRow("count says 1, 3 sent") << withCrc("010301414243") << ItemReply::BadLength << QStringList();
    QTest::newRow("count 255, nothing sent") << withCrc("0103ff") << ItemReply::BadLength << QStringList();
}

void tst_ItemRead::parseReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(ItemReply::Status, status);
    QFETCH(QStringList, fields);
    const ItemReply parsed = parseItemReply(reply, 1);
    QCOMPARE(parsed.status, status);
    QCOMPARE(parsed.fields, fields);
}

void tst_ItemRead::list_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<ItemListOutcome::Status>("status");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("message");
    QTest::newRow("whole list") << QStringList() << ItemListOutcome::Complete << 3 << "";
    QTest::newRow("one lost reply is retried") << QStringList{"--drop", "2"} << ItemListOutcome::Complete << 3 << "";
    QTest::newRow("the retry lost too") << QStringList{"--drop", "2,3"} << ItemListOutcome::Failed << 1
                                        << "接收数据超时";
    QTest::newRow("another address") << QStringList{"--address", "2"} << ItemListOutcome::Failed << 0
                                     << "接收数据超时";
}

void tst_ItemRead::list()
{
    QFETCH(QStringList, simArgs);
    QFETCH(ItemListOutcome::Status, status);
    QFETCH(int, items);
    QFETCH(QString, message);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kItems)} + simArgs),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    DeviceLink link;
    int cleared = 0;
    QList<int> indexes;
    ItemListHooks hooks;
    hooks.cleared = [&] { ++cleared; };
    hooks.item = [&](int index, const QStringList &) { indexes << index; };
    const ItemListOutcome outcome = readItemList(link, hooks, 2000, 2000);
    link.close();
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.items, items);
    QCOMPARE(indexes.size(), items);
    QCOMPARE(cleared, 1);
    QCOMPARE(itemListMessage(outcome), message);
}

void tst_ItemRead::stopBetweenItems()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kItems)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    DeviceLink link;
    int got = 0;
    ItemListHooks hooks;
    hooks.item = [&](int, const QStringList &) { ++got; };
    hooks.stopRequested = [&] { return got >= 2; };
    const ItemListOutcome outcome = readItemList(link, hooks, 2000, 2000);
    link.close();
    QCOMPARE(outcome.status, ItemListOutcome::Failed);
    QCOMPARE(outcome.failure, Failure::Interrupted);
    QCOMPARE(outcome.items, 2);
    QVERIFY(itemListMessage(outcome).isEmpty());

    // No open link: nothing is cleared, the link's own text is the message.
    TempWorkDir serial;
    serial.writeSerialConfig(QStringLiteral("/nonexistent/zr-tty"));
    DeviceLink closed;
    bool cleared = false;
    ItemListHooks none;
    none.cleared = [&] { cleared = true; };
    const ItemListOutcome failed = readItemList(closed, none);
    QCOMPARE(failed.status, ItemListOutcome::Failed);
    QCOMPARE(failed.failure, Failure::OpenFailed);
    QVERIFY(!cleared);
    QCOMPARE(itemListMessage(failed), QStringLiteral("打开串口失败: /nonexistent/zr-tty"));
}

void tst_ItemRead::rowNumbering_data()
{
    QTest::addColumn<QByteArray>("skipItems");
    QTest::addColumn<QStringList>("items"); // index|text
    QTest::addColumn<QStringList>("rows");  // index|column0|column1
    const QStringList items{"0|设备名称:A", "1|设备型号:M1", "2|地址:1", "3|复位"};
    QTest::newRow("no table") << QByteArray() << items
                              << QStringList{"0|00. 设备名称|: A", "1|01. 设备型号|: M1", "2|02. 地址|: 1", "3|03. 复位|"};
    QTest::newRow("held name released before the model")
        << QByteArray("A,M2\n") << items
        << QStringList{"0|00. 设备名称|: A", "1|01. 设备型号|: M1", "2|02. 地址|: 1", "3|03. 复位|"};
    QTest::newRow("both hidden, later rows close up")
        << QByteArray("A,M1\n") << items << QStringList{"2|02. 地址|: 1", "3|03. 复位|"};
    QTest::newRow("model alone") << QByteArray("M1\n") << items
                                 << QStringList{"0|00. 设备名称|: A", "2|02. 地址|: 1", "3|03. 复位|"};
}

void tst_ItemRead::rowNumbering()
{
    QFETCH(QByteArray, skipItems);
    QFETCH(QStringList, items);
    QFETCH(QStringList, rows);
    ItemRowList list(parseSkipTable(skipItems));
    for (const QString &item : items)
        list.addItem(item.section('|', 0, 0).toInt(), splitItemText(item.section('|', 1)));
    QStringList got;
    for (const ItemRow &row : list.rows())
        got << QStringLiteral("%1|%2|%3").arg(row.index).arg(row.column0, row.column1);
    QCOMPARE(got, rows);
}

void tst_ItemRead::messages_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QByteArray bad = withCrc("020300");
    ItemListOutcome list;
    list.reply = bad;
    list.status = ItemListOutcome::BadAddressOrFunction;
    QTest::newRow("list: address") << itemListMessage(list) << "地址或命令校验错误: \n" + hexDump(bad);
    list.status = ItemListOutcome::BadLength;
    QTest::newRow("list: length") << itemListMessage(list) << "数据长度校验错误 : \n" + hexDump(bad);
    list.status = ItemListOutcome::ExtraAnswer;
    list.detail = QStringLiteral("设备重复应答");
    QTest::newRow("list: extra answer") << itemListMessage(list) << "设备重复应答";
    list.status = ItemListOutcome::Complete;
    QTest::newRow("list: complete") << itemListMessage(list) << "";

    ItemWriteOutcome write;
    write.detail = QStringLiteral("接收数据超时");
    write.status = ItemWriteOutcome::LinkFailed;
    QTest::newRow("write: link") << itemWriteMessage(write) << "接收数据超时";
    write.status = ItemWriteOutcome::BadReply;
    QTest::newRow("write: reply") << itemWriteMessage(write) << "硬件返回数据校验错误";
    write.status = ItemWriteOutcome::ValueTooLong;
    QTest::newRow("write: too long") << itemWriteMessage(write) << "写入的值过长,最多254字节";
    write.status = ItemWriteOutcome::Refused;
    QTest::newRow("write: refused") << itemWriteMessage(write) << "写入配置失败,该项不支持修改";
    QTest::newRow("batch: refused") << itemBatchWrittenMessage(2) << "写入配置完成,2项不支持修改";
    QTest::newRow("batch: written") << itemBatchWrittenMessage(0) << "写入配置成功";

    ClockSyncOutcome clock;
    clock.status = ClockSyncOutcome::BadReply;
    QTest::newRow("clock: reply") << clockSyncMessage(clock) << "同步时间失败";
    clock.status = ClockSyncOutcome::LinkFailed;
    clock.failure = Failure::OpenFailed;
    clock.detail = QStringLiteral("打开串口失败: x");
    QTest::newRow("clock: open") << clockSyncMessage(clock) << "打开串口失败: x";

    SerialNumberOutcome sn;
    sn.status = SerialNumberOutcome::BadAnswer;
    sn.answer = QByteArray("{\"sn\":\"B\"}\0junk", 14);
    QTest::newRow("sn: answer") << serialNumberMessage(sn) << "写入SN失败, 设备返回错误: {\"sn\":\"B\"}";
    sn.status = SerialNumberOutcome::StreamFailed;
    sn.detail = QStringLiteral("接收数据超时");
    QTest::newRow("sn: stream") << serialNumberMessage(sn) << "写入SN失败, 接收数据超时";
}

void tst_ItemRead::messages()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(tst_ItemRead)
#include "tst_itemread.moc"
