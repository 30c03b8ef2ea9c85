#include "items/itemcsv.h"
#include "items/itemrows.h"
#include "items/safewrite.h"
#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

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

// "udp HOST PORT ADDRESS" or "serial PORT ADDRESS".
LinkSettings linkOf(const QString &text)
{
    const QStringList w = text.split(QLatin1Char(' '));
    LinkSettings l;
    l.useUdp = w.at(0) == QLatin1String("udp");
    if (l.useUdp) {
        l.udpAddress = w.at(1);
        l.udpPort = quint16(w.at(2).toUInt());
    } else {
        l.serialPort = w.at(1);
    }
    l.deviceAddress = quint8(w.last().toUInt());
    return l;
}

const LinkSettings kLink = linkOf(QStringLiteral("udp 127.0.0.1 5000 1"));

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
    void backupsOfAnotherInstrumentStay_data();
    void backupsOfAnotherInstrumentStay();
    void simultaneousBackupsEachKeepTheirFile();
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
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");

    // Each name goes on with the time: "-20261209-063005.csv".
    const QString udp = QStringLiteral("udp 127.0.0.1 5000 1");
    const QString site = QStringLiteral("北区1号泵站-127_0_0_1_5000_1");
    QTest::newRow("site name after the device name") << QStringList{"0:设备名称:ZR-Demo", "1:站点名称:北区 1号/泵站"}
                                                     << udp << site;
    QTest::newRow("site wins over device") << QStringList{"0:站点名称:北区 1号/泵站", "1:设备名称:ZR-Demo"} << udp << site;
    QTest::newRow("device name") << QStringList{"0:设备名称:../ZR_3100.x"} << udp << "ZR_3100x-127_0_0_1_5000_1";
    QTest::newRow("nothing left of it") << QStringList{"0:设备名称:../.."} << udp << "instrument-127_0_0_1_5000_1";
    QTest::newRow("no such item") << QStringList{"0:Rate:10"} << udp << "instrument-127_0_0_1_5000_1";
    QTest::newRow("empty list") << QStringList{} << udp << "instrument-127_0_0_1_5000_1";
    QTest::newRow("IPv6") << QStringList{} << "udp ::1 5000 255" << "instrument-1_5000_255";
    QTest::newRow("serial path") << QStringList{} << "serial /dev/serial/by-id/usb-FT_232-if00 7"
                                 << "instrument-dev_serial_by_id_usb_FT_232_if00_7";
    QTest::newRow("no port") << QStringList{} << "serial  3" << "instrument-link_3";
}

void tst_SafeWrite::backupName()
{
    QFETCH(QStringList, items);
    QFETCH(QString, link);
    QFETCH(QString, name);
    QCOMPARE(backupFileName(rowsOf(items), linkOf(link), kWhen), name + QStringLiteral("-20261209-063005.csv"));
}

void tst_SafeWrite::backupIsTheExportAndPrunes()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("Backups"));
    const QList<ItemRow> rows = rowsOf({"0:设备名称:ZR-Demo", "1:Rate:10", "4:Calibrate"});

    // Another name's backups and unrelated files stay whatever keep says.
    QVERIFY(QDir().mkpath(dir));
    for (const char *other : {"Other-20200101-000000.csv", "ZR-Demo-notes.csv", "ZR-Demo-20200101-000000.txt",
                              "ZR-Demo-20200101-000000.csv"}) {
        QFile f(QDir(dir).filePath(QString::fromUtf8(other)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    QStringList written;
    for (int i = 0; i < 4; ++i) {
        const BackupOutcome b = writeItemBackup(dir, rows, kLink, kWhen.addSecs(i / 2), 3);
        QVERIFY2(b.ok, qPrintable(b.detail));
        written << QFileInfo(b.path).fileName();
        QFile f(b.path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), buildItemFile(rows));
    }
    const QString own = QStringLiteral("ZR-Demo-127_0_0_1_5000_1-");
    QCOMPARE(written, (QStringList{own + "20261209-063005.csv", own + "20261209-063005-2.csv",
                                   own + "20261209-063006.csv", own + "20261209-063006-2.csv"}));
    QStringList left = QDir(dir).entryList(QDir::Files, QDir::Name);
    // A backup without a link says nothing of which instrument it came from.
    QCOMPARE(left, (QStringList{"Other-20200101-000000.csv", own + "20261209-063005-2.csv",
                                own + "20261209-063006-2.csv", own + "20261209-063006.csv",
                                "ZR-Demo-20200101-000000.csv", "ZR-Demo-20200101-000000.txt", "ZR-Demo-notes.csv"}));

    // keep below 1 removes nothing.
    const BackupOutcome all = writeItemBackup(dir, rows, kLink, kWhen.addSecs(10), 0);
    QVERIFY(all.ok);
    QVERIFY(all.removed.isEmpty());
}

void tst_SafeWrite::backupsOfAnotherInstrumentStay_data()
{
    QTest::addColumn<QStringList>("itemsA");
    QTest::addColumn<QString>("linkA");
    QTest::addColumn<QStringList>("itemsB");
    QTest::addColumn<QString>("linkB");

    const QStringList north{"0:站点名称:北站"};
    QTest::newRow("same name, other address") << north << "udp 127.0.0.1 5000 1" << north << "udp 127.0.0.1 5000 2";
    QTest::newRow("same name, other port") << north << "udp 127.0.0.1 5000 1" << north << "udp 127.0.0.1 5001 1";
    QTest::newRow("unnamed, other host") << QStringList{} << "udp 10.0.0.1 5000 1" << QStringList{}
                                         << "udp 10.0.0.2 5000 1";
    QTest::newRow("name that ends like a link") << QStringList{"0:站点名称:北站-127_0_0_1_5000_1"}
                                                << "udp 127.0.0.1 5000 1" << north << "udp 127.0.0.1 5000 1";
    QTest::newRow("serial ports") << north << "serial COM3 1" << north << "serial COM4 1";
}

void tst_SafeWrite::backupsOfAnotherInstrumentStay()
{
    QFETCH(QStringList, itemsA);
    QFETCH(QString, linkA);
    QFETCH(QStringList, itemsB);
    QFETCH(QString, linkB);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("Backups"));
    QStringList ofA;
    for (int i = 0; i < 2; ++i)
        ofA << writeItemBackup(dir, rowsOf(itemsA), linkOf(linkA), kWhen, 0).path;
    // B keeps one of its own, twice over, within the same second as A.
    const BackupOutcome b1 = writeItemBackup(dir, rowsOf(itemsB), linkOf(linkB), kWhen, 1);
    const BackupOutcome b2 = writeItemBackup(dir, rowsOf(itemsB), linkOf(linkB), kWhen.addSecs(1), 1);
    QVERIFY(b1.ok && b2.ok);
    QCOMPARE(b2.removed, QStringList{b1.path});
    QVERIFY(!ofA.contains(b1.path) && !ofA.contains(b2.path));
    for (const QString &path : qAsConst(ofA))
        QVERIFY2(QFileInfo(path).size() > 0, qPrintable(path));
    // And A's own pruning leaves B's one file.
    QVERIFY(writeItemBackup(dir, rowsOf(itemsA), linkOf(linkA), kWhen.addSecs(2), 1).ok);
    QVERIFY(QFileInfo::exists(b2.path));
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2);
}

// Processes of one batch back up at the same moment; none may take
// another's file.
void tst_SafeWrite::simultaneousBackupsEachKeepTheirFile()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("Backups"));
    QVERIFY(QDir().mkpath(dir));
    constexpr int kRuns = 8;
    QVector<BackupOutcome> outcomes(kRuns);
    std::atomic_int ready{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < kRuns; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            ++ready;
            while (ready.load() < kRuns)
                QThread::yieldCurrentThread();
            outcomes[i] = writeItemBackup(dir, rowsOf({QStringLiteral("0:站点名称:北站"), QStringLiteral("1:Run:%1").arg(i)}),
                                          kLink, kWhen, 0);
        }));
        threads.back()->start();
    }
    for (auto &t : threads)
        QVERIFY(t->wait(30000));
    QSet<QString> paths;
    for (int i = 0; i < kRuns; ++i) {
        QVERIFY2(outcomes.at(i).ok, qPrintable(outcomes.at(i).detail));
        paths.insert(outcomes.at(i).path);
        QFile f(outcomes.at(i).path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY2(f.readAll().contains(QStringLiteral("Run, %1\r\n").arg(i).toUtf8()), qPrintable(outcomes.at(i).path));
    }
    QCOMPARE(paths.size(), kRuns);
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), kRuns);
}

void tst_SafeWrite::backupRefusesWithReason()
{
    QTemporaryDir tmp;
    // A file where the folder should be.
    const QString blocked = tmp.filePath(QStringLiteral("Backups"));
    QFile f(blocked);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const BackupOutcome b = writeItemBackup(blocked, rowsOf({"0:A:1"}), kLink, kWhen, 50);
    QVERIFY(!b.ok);
    QVERIFY(b.path.isEmpty());
    QVERIFY2(b.detail.contains(QDir::toNativeSeparators(blocked)), qPrintable(b.detail));
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
    QString cause;
    const QString failed = backupInstrumentItems(link, SkipTable(), tmp.filePath("Other"), 50, &path, &cause);
    QVERIFY(failed.startsWith(QStringLiteral("无法保存备份")));
    // The reason alone, for a flash that is about to write nothing anyway.
    QVERIFY(!cause.isEmpty() && failed.endsWith(cause) && !cause.contains(QStringLiteral("未写入")));
    QVERIFY(!QFile::exists(tmp.filePath("Other")));
}

QTEST_GUILESS_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
