#include "items/itemcsv.h"
#include "items/itemrows.h"
#include "items/safewrite.h"
#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(PreviewRow::Status)

namespace {

// Rows as a refresh or an import builds them from "index:name:value" texts.
QList<ItemRow> rowsOf(const QStringList &items)
{
    ItemRowList list{SkipTable()};
    for (const QString &item : items) {
        const int colon = item.indexOf(QLatin1Char(':'));
        list.addItem(item.left(colon).toInt(), splitItemText(item.mid(colon + 1)));
    }
    return list.rows();
}

const QDateTime kWhen(QDate(2026, 12, 9), QTime(6, 30, 5));

} // namespace

class tst_SafeWrite : public QObject
{
    Q_OBJECT

private slots:
    void preview_data();
    void preview();
    void previewKeepsFileOrder();
    void backupName_data();
    void backupName();
    void backupIsTheExportAndPrunes();
    void backupRefusesWithReason();
    void verify_data();
    void verify();
    void backupFromTheInstrument_data();
    void backupFromTheInstrument();
};

void tst_SafeWrite::preview_data()
{
    QTest::addColumn<QString>("fileItem");
    QTest::addColumn<PreviewRow::Status>("status");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("instrumentValue");

    // The instrument: see preview().
    QTest::newRow("equal") << "1:Rate:10" << PreviewRow::Equal << false << "10";
    QTest::newRow("changed") << "1:Rate:60" << PreviewRow::Changed << true << "10";
    QTest::newRow("empty value differs") << "1:Rate:" << PreviewRow::Changed << true << "10";
    QTest::newRow("protected by substring") << "0:站点名称:B站" << PreviewRow::Protected << false << "A站";
    QTest::newRow("IP in a longer name") << "2:本机IP地址:10.0.0.9" << PreviewRow::Protected << false << "10.0.0.8";
    QTest::newRow("protected but equal") << "2:本机IP地址:10.0.0.8" << PreviewRow::Equal << false << "10.0.0.8";
    QTest::newRow("index beyond the list") << "9:Rate:10" << PreviewRow::Unknown << false << "";
    QTest::newRow("same index, other name") << "1:Speed:10" << PreviewRow::Unknown << false << "";
    QTest::newRow("instrument's item is a command") << "3:Calibrate:1" << PreviewRow::Unknown << false << "";
    QTest::newRow("command in the file") << "3:Calibrate" << PreviewRow::CommandSkipped << false << "";
}

void tst_SafeWrite::preview()
{
    QFETCH(QString, fileItem);
    QFETCH(PreviewRow::Status, status);
    QFETCH(bool, checked);
    QFETCH(QString, instrumentValue);

    const QList<ItemRow> instrument = rowsOf({"0:站点名称:A站", "1:Rate:10", "2:本机IP地址:10.0.0.8", "3:Calibrate"});
    const QList<PreviewRow> rows = buildWritePreview(rowsOf({fileItem}), instrument,
                                                     protectedNamePatterns(QStringLiteral(" 设备地址,站点名称,,IP ")));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].status, status);
    QCOMPARE(rows[0].checked, checked);
    QCOMPARE(rows[0].instrumentValue, instrumentValue);
    QCOMPARE(rows[0].index, fileItem.section(QLatin1Char(':'), 0, 0).toInt());
}

void tst_SafeWrite::previewKeepsFileOrder()
{
    const QList<ItemRow> instrument = rowsOf({"0:A:1", "1:B:2", "2:C:3"});
    const QList<PreviewRow> rows = buildWritePreview(rowsOf({"2:C:9", "0:A:8", "1:B:2"}), instrument, {});
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].name, QStringLiteral("C"));
    QCOMPARE(rows[0].fileValue, QStringLiteral("9"));
    QCOMPARE(rows[1].name, QStringLiteral("A"));
    QCOMPARE(rows[2].status, PreviewRow::Equal);
}

void tst_SafeWrite::backupName_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("name");

    QTest::newRow("site name after the device name") << QStringList{"0:设备名称:ZR-Demo", "1:站点名称:北区 1号/泵站"}
                                     << "北区1号泵站-20261209-063005.csv";
    QTest::newRow("site wins over device") << QStringList{"0:站点名称:北区 1号/泵站", "1:设备名称:ZR-Demo"}
                                           << "北区1号泵站-20261209-063005.csv";
    QTest::newRow("device name") << QStringList{"0:设备名称:../ZR_3100.x"} << "ZR_3100x-20261209-063005.csv";
    QTest::newRow("nothing left of it") << QStringList{"0:设备名称:../.."} << "instrument-20261209-063005.csv";
    QTest::newRow("no such item") << QStringList{"0:Rate:10"} << "instrument-20261209-063005.csv";
    QTest::newRow("empty list") << QStringList{} << "instrument-20261209-063005.csv";
}

void tst_SafeWrite::backupName()
{
    QFETCH(QStringList, items);
    QFETCH(QString, name);
    QCOMPARE(backupFileName(rowsOf(items), kWhen), name);
}

void tst_SafeWrite::backupIsTheExportAndPrunes()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("Backups"));
    const QList<ItemRow> rows = rowsOf({"0:设备名称:ZR-Demo", "1:Rate:10", "4:Calibrate"});

    // Another name's backups and unrelated files stay whatever keep says.
    QVERIFY(QDir().mkpath(dir));
    for (const char *other : {"Other-20200101-000000.csv", "ZR-Demo-notes.csv", "ZR-Demo-20200101-000000.txt"}) {
        QFile f(QDir(dir).filePath(QString::fromUtf8(other)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    QStringList written;
    for (int i = 0; i < 4; ++i) {
        const BackupOutcome b = writeItemBackup(dir, rows, kWhen.addSecs(i / 2), 3);
        QVERIFY2(b.ok, qPrintable(b.error));
        written << QFileInfo(b.path).fileName();
        QFile f(b.path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), buildItemFile(rows));
    }
    QCOMPARE(written, (QStringList{"ZR-Demo-20261209-063005.csv", "ZR-Demo-20261209-063005-2.csv",
                                   "ZR-Demo-20261209-063006.csv", "ZR-Demo-20261209-063006-2.csv"}));
    QStringList left = QDir(dir).entryList(QDir::Files, QDir::Name);
    QCOMPARE(left, (QStringList{"Other-20200101-000000.csv", "ZR-Demo-20200101-000000.txt",
                                "ZR-Demo-20261209-063005-2.csv", "ZR-Demo-20261209-063006-2.csv",
                                "ZR-Demo-20261209-063006.csv", "ZR-Demo-notes.csv"}));

    // keep below 1 removes nothing.
    const BackupOutcome all = writeItemBackup(dir, rows, kWhen.addSecs(10), 0);
    QVERIFY(all.ok);
    QVERIFY(all.removed.isEmpty());
}

void tst_SafeWrite::backupRefusesWithReason()
{
    QTemporaryDir tmp;
    // A file where the folder should be.
    const QString blocked = tmp.filePath(QStringLiteral("Backups"));
    QFile f(blocked);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const BackupOutcome b = writeItemBackup(blocked, rowsOf({"0:A:1"}), kWhen, 50);
    QVERIFY(!b.ok);
    QVERIFY(b.path.isEmpty());
    QVERIFY2(b.error.contains(QDir::toNativeSeparators(blocked)), qPrintable(b.error));
    QCOMPARE(QFileInfo(blocked).isFile(), true);
}

void tst_SafeWrite::verify_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("kept");

    QTest::newRow("held") << "1:Rate:60" << int(VerifyRow::Held) << "60";
    QTest::newRow("kept another") << "1:Rate:6" << int(VerifyRow::KeptOther) << "60";
    QTest::newRow("gone") << "7:Gone:1" << int(VerifyRow::NoAnswer) << "";
    QTest::newRow("now a command") << "2:Calibrate:1" << int(VerifyRow::NoAnswer) << "";
}

void tst_SafeWrite::verify()
{
    QFETCH(QString, written);
    QFETCH(int, status);
    QFETCH(QString, kept);

    const QStringList parts = written.split(QLatin1Char(':'));
    const WrittenRow w{parts[0].toInt(), parts[1], parts[2]};
    const QList<VerifyRow> rows = verifyWrites({w}, rowsOf({"0:A:1", "1:Rate:60", "2:Calibrate"}));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(int(rows[0].status), status);
    QCOMPARE(rows[0].kept, kept);
    const QString message = verifyMessage(rows);
    if (status == VerifyRow::Held) {
        QCOMPARE(verifyFailures(rows), 0);
        QVERIFY(message.contains(QLatin1String("1")));
    } else {
        QCOMPARE(verifyFailures(rows), 1);
        QVERIFY2(message.contains(w.name), qPrintable(message));
        if (status == VerifyRow::KeptOther)
            QVERIFY(message.contains(w.value) && message.contains(kept));
    }
}

void tst_SafeWrite::backupFromTheInstrument_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

// What the window runs on the flash's thread before a flash.
void tst_SafeWrite::backupFromTheInstrument()
{
    QFETCH(bool, pty);
    QTemporaryDir tmp;
    SimProcess sim;
    QVERIFY2(sim.start(pty ? QStringList{"--pty"} : QStringList{"--udp", "127.0.0.1:0"}), qPrintable(sim.lastError()));
    LinkSettings link;
    link.deviceAddress = 1;
    if (pty) {
        link.serialPort = sim.ptyPath();
        link.baudrate = 115200;
    } else {
        link.useUdp = true;
        link.udpAddress = QStringLiteral("127.0.0.1");
        link.udpPort = sim.udpPort();
    }
    QString path;
    const QString error = backupInstrumentItems(link, SkipTable(), tmp.filePath("Backups"), 50, &path);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF" "00. "));
    QVERIFY(bytes.endsWith("\r\n"));

    // No instrument: no file, and the reason.
    sim.stop();
    link.useUdp = false;
    link.serialPort = tmp.filePath("gone");
    const QString failed = backupInstrumentItems(link, SkipTable(), tmp.filePath("Other"), 50, &path);
    QVERIFY(failed.startsWith(QStringLiteral("无法保存备份")));
    QVERIFY(!QFile::exists(tmp.filePath("Other")));
}

QTEST_GUILESS_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
