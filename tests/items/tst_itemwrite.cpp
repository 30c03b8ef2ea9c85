#include "items/itemwrite.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>


namespace {

const QStringList kItems{QStringLiteral("名称:旧值"), QStringLiteral("!型号:9600"), QStringLiteral("波特率(2400/4800):2400"),
                         QStringLiteral("复位"), QStringLiteral("备注:x")};

QString itemsFile(const TempWorkDir &dir)
{
    QByteArray bytes;
    for (const QString &item : kItems)
        bytes += item.toUtf8() + '\n';
    dir.writeFile(QStringLiteral("items.txt"), bytes);
    return dir.filePath(QStringLiteral("items.txt"));
}

} // namespace

class tst_ItemWrite : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
    void serialExchange();
    void valueTooLongSendsNothing();
};

void tst_ItemWrite::exchange_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<ItemWriteOutcome::Status>("status");
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("error");
    const QStringList none;
    QTest::newRow("taken") << none << 0 << QStringLiteral("新值") << 2 << ItemWriteOutcome::Written << QStringLiteral("新值") << "";
    QTest::newRow("read-only keeps its value") << none << 1 << "4800" << 2 << ItemWriteOutcome::Refused << "9600" << "";
    QTest::newRow("substring counts as taken") << none << 1 << "96" << 2 << ItemWriteOutcome::Written << "9600" << "";
    QTest::newRow("not one of the choices") << none << 2 << "1200" << 2 << ItemWriteOutcome::Refused << "2400" << "";
    QTest::newRow("choice") << none << 2 << "4800" << 2 << ItemWriteOutcome::Written << "4800" << "";
    QTest::newRow("empty value always contained") << none << 4 << "" << 2 << ItemWriteOutcome::Written << "" << "";
    QTest::newRow("command") << none << 3 << "" << 1 << ItemWriteOutcome::Written << "" << "";
    QTest::newRow("command on a value item") << none << 0 << "" << 1 << ItemWriteOutcome::BadReply << "" << "";
    QTest::newRow("value on a command item") << none << 3 << "x" << 2 << ItemWriteOutcome::BadReply << "" << "";
    QTest::newRow("no such item") << none << 40 << "x" << 2 << ItemWriteOutcome::BadReply << "" << "";
    QTest::newRow("index 300 goes out as 44") << none << 300 << "x" << 2 << ItemWriteOutcome::BadReply << "" << "";
    QTest::newRow("silent") << QStringList{"--silent"} << 0 << "x" << 2 << ItemWriteOutcome::LinkFailed << ""
                            << "接收数据超时";
}

void tst_ItemWrite::exchange()
{
    QFETCH(QStringList, simArgs);
    QFETCH(int, index);
    QFETCH(QString, value);
    QFETCH(int, mode);
    QFETCH(ItemWriteOutcome::Status, status);
    QFETCH(QString, reported);
    QFETCH(QString, error);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0", "--items", itemsFile(dir)} + simArgs), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    const ItemWriteOutcome out = writeItemExchange(link, index, value, mode, 600);
    QCOMPARE(out.status, status);
    QCOMPARE(out.detail, error);
    // Only silence leaves open whether the value was stored.
    QCOMPARE(out.unanswered, error == QStringLiteral("接收数据超时"));
    QCOMPARE(out.request, buildTextWriteRequest(1, quint8(index & 0xFF), value));
    QCOMPARE(quint8(out.request.at(3)), quint8(index % 256));
    QCOMPARE(out.hasReportedValue, out.answered() && mode == 2);
    if (out.hasReportedValue)
        QCOMPARE(out.reportedValue, reported);
}

void tst_ItemWrite::serialExchange()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--pty", "--items", itemsFile(dir), "--corrupt-crc", "2"}), qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    DeviceLink link;
    QVERIFY(link.open());
    ItemWriteOutcome out = writeItemExchange(link, 0, QStringLiteral("甲"), 2);
    QCOMPARE(out.status, ItemWriteOutcome::Written);
    QCOMPARE(out.reportedValue, QStringLiteral("甲"));
    // A corrupt reply on the serial line comes back after the quiet time.
    out = writeItemExchange(link, 0, QStringLiteral("乙"), 2);
    QCOMPARE(out.status, ItemWriteOutcome::LinkFailed);
    QCOMPARE(out.detail, QStringLiteral("CRC校验错误"));
    QTRY_VERIFY(sim.outputLines().contains(QStringLiteral("ZRSIM WRITE 0 名称:乙")));
}

void tst_ItemWrite::valueTooLongSendsNothing()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", itemsFile(dir)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    DeviceLink link;
    QVERIFY(link.open());
    ItemWriteOutcome out = writeItemExchange(link, 4, QString(255, QLatin1Char('a')), 2);
    QCOMPARE(out.status, ItemWriteOutcome::ValueTooLong);
    QVERIFY(out.request.isEmpty());
    // 127 GB2312 characters are 254 bytes: the longest value that fits.
    out = writeItemExchange(link, 4, QString(127, QChar(0x4E2D)), 2);
    QVERIFY(out.status != ItemWriteOutcome::ValueTooLong);
    QCOMPARE(quint8(out.request.at(6)), quint8(255));
    out = writeItemExchange(link, 4, QString(128, QChar(0x4E2D)), 2);
    QCOMPARE(out.status, ItemWriteOutcome::ValueTooLong);
    QTest::qWait(100); // time for a write that must not come
    QVERIFY(!sim.outputLines().join('\n').contains(QStringLiteral("aaaa")));
}

QTEST_GUILESS_MAIN(tst_ItemWrite)
#include "tst_itemwrite.moc"
