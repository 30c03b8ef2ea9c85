#include "items/itemcsv.h"

#include "tests/cli/cliprocess.h"
#include "tests/support/fifo.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/siteitems.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextCodec>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kItems = "设备名称:ZR-Demo\n"
                          "设备型号:ZR3100\n"
                          "Rate(1/5/10/60):10\n"
                          "!Uptime:1234 h\n"
                          "Calibrate zero\n";

const QString kItemLines = QStringLiteral("00. 设备名称, ZR-Demo\n"
                                          "01. 设备型号, ZR3100\n"
                                          "02. Rate(1/5/10/60), 10\n"
                                          "03. Uptime, 1234 h\n"
                                          "04. Calibrate zero\n");

} // namespace

class tst_CliItems : public QObject
{
    Q_OBJECT

private:
    // zrsim with the test items on UDP or a pty; the link options that reach it.
    bool startSim(SimProcess &sim, TempWorkDir &dir, bool pty, QStringList *link, QStringList extra = {},
                  const QByteArray &items = kItems)
    {
        dir.writeFile(QStringLiteral("sim-items.txt"), items);
        extra << "--items" << dir.filePath(QStringLiteral("sim-items.txt"));
        return ::startSim(sim, pty, extra, link);
    }

private slots:
    void itemsLines_data();
    void itemsLines();
    void skipTableApplies();
    void overridesNeverReachConfigIni();
    void noConfigIniStaysAbsent();
    void openFailureIsExitOne();
    void exportWritesTheAssistantsFile();
    void writeReportsEachRow();
    void copyKeepsIdentityAndRestores_data();
    void copyKeepsIdentityAndRestores();
    void backupCommand();
    void failingBackupStopsTheWrite();
    void writeRejectsBadFile();
    void writeStopsAtLostReply();
    void writeRefusesBeforeSending_data();
    void writeRefusesBeforeSending();
    void exportFailureKeepsOlderFile();
    void controlCharactersStayInTheirRow();
    void oddSettingsFiles_data();
    void oddSettingsFiles();
    void fullTemporaryFolderIsNamed();
    void setAndTrigger_data();
    void setAndTrigger();
    void tooLongValueIsNotSent();
    void syncTime();
    void writeSerialNumber();
    void badSerialNumberIsNotSent();
    void encryptedLink();
};

void tst_CliItems::itemsLines_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

void tst_CliItems::itemsLines()
{
    QFETCH(bool, pty);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, pty, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"items"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    // UTF-8, LF only, no byte-order mark.
    QCOMPARE(r.out, kItemLines.toUtf8());
    QCOMPARE(r.err, QByteArray());
}

void tst_CliItems::skipTableApplies()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    dir.writeFile(QStringLiteral("SkipItems"), "ZR-Demo,ZR3100\n");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"items"});
    QCOMPARE(r.exitCode, 0);
    // Hidden rows keep the indexes of the rest.
    QCOMPARE(r.outText(), QStringLiteral("02. Rate(1/5/10/60), 10\n03. Uptime, 1234 h\n04. Calibrate zero\n"));

    // Another model: the held name row comes back in front of it.
    dir.writeFile(QStringLiteral("SkipItems"), "ZR-Demo,ZR9999\n");
    const CliResult shown = CliProcess::run(dir.path(), link + QStringList{"items"});
    QCOMPARE(shown.outText(), kItemLines);
}

void tst_CliItems::overridesNeverReachConfigIni()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    // A stored setup that points somewhere else entirely.
    dir.writeConfig({{"communicate/udp", 0},
                     {"serial/port", "/dev/zrvu-none"},
                     {"device/address", 7},
                     {"communicate/encrypt", true},
                     {"language/language", "en_US"},
                     {"station/name", "一号泵站"}});
    const QByteArray before = dir.readFile(QStringLiteral("config.ini"));
    QVERIFY(!before.isEmpty());
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"--no-encrypt", "items"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), kItemLines);
    QCOMPARE(dir.readFile(QStringLiteral("config.ini")), before);
    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, (QStringList{"config.ini", "sim-items.txt"}));
}

void tst_CliItems::noConfigIniStaysAbsent()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"sync-time"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config.ini"))));
}

void tst_CliItems::openFailureIsExitOne()
{
    TempWorkDir dir;
    const QString missing = dir.filePath(QStringLiteral("no-such-port"));
    for (const QString &command : {QStringLiteral("items"), QStringLiteral("sync-time")}) {
        const CliResult r = CliProcess::run(dir.path(), {"--serial", missing, command});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.errText().startsWith(QLatin1String("zrvu-cli: ")), r.err.constData());
    }
    const CliResult w = CliProcess::run(dir.path(), {"--serial", missing, "set", "2", "5"});
    QCOMPARE(w.exitCode, 1);
    QVERIFY2(w.errText().contains(QStringLiteral("写入错误,连接设备失败")), w.err.constData());
}

void tst_CliItems::exportWritesTheAssistantsFile()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    const QString file = dir.filePath(QStringLiteral("copy.csv"));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"export", file});
    QCOMPARE(r.exitCode, 0);
    QByteArray expected("\xEF\xBB\xBF");
    expected += kItemLines.toUtf8().replace("\n", "\r\n");
    QCOMPARE(dir.readFile(QStringLiteral("copy.csv")), expected);
    QVERIFY(r.out.isEmpty());

    // Nothing to export from an instrument that is not there: no file.
    const QString none = dir.filePath(QStringLiteral("none.csv"));
    const CliResult failed = CliProcess::run(dir.path(), {"--serial", dir.filePath("nope"), "export", none});
    QCOMPARE(failed.exitCode, 1);
    QVERIFY(!QFile::exists(none));
}

void tst_CliItems::writeReportsEachRow()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    // As another instrument exported it: the identity rows hidden there
    // too, one read-only row, one command row that must not be written.
    dir.writeFile(QStringLiteral("SkipItems"), "ZR-Demo,ZR3100\n");
    dir.writeFile(QStringLiteral("in.csv"), "\xEF\xBB\xBF"
                                            "00. 设备名称, ZR-Demo\r\n"
                                            "01. 设备型号, ZR3100\r\n"
                                            "02. Rate(1/5/10/60), 60\r\n"
                                            "03. Uptime, 99 h\r\n"
                                            "04. Calibrate zero\r\n");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"write", dir.filePath("in.csv")});
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(r.outText(), QStringLiteral("2\tok\t60\n3\trefused\t1234 h\n"));
    QVERIFY2(r.errText().contains(QStringLiteral("写入配置完成,1项不支持修改")), r.err.constData());
    QCOMPARE(simLines(sim, "^ZRSIM (WRITE|REFUSED|COMMAND)", 2),
             (QStringList{"ZRSIM WRITE 2 Rate(1/5/10/60):60", "ZRSIM REFUSED 3 99 h"}));
}

void tst_CliItems::copyKeepsIdentityAndRestores_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

void tst_CliItems::copyKeepsIdentityAndRestores()
{
    QFETCH(bool, pty);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, pty, &link, {}, kSiteItems));
    dir.writeFile(QStringLiteral("other.csv"), kOtherSite);
    const CliResult exported = CliProcess::run(dir.path(), link + QStringList{"export", "before.csv"});
    QCOMPARE(exported.exitCode, 0);

    const CliResult same = CliProcess::run(dir.path(), link + QStringList{"diff", "before.csv"});
    QCOMPARE(same.exitCode, 0);
    QVERIFY(same.out.isEmpty());
    const CliResult diff = CliProcess::run(dir.path(), link + QStringList{"diff", "other.csv"});
    QCOMPARE(diff.exitCode, 4);
    QCOMPARE(diff.outText(), QStringLiteral("0\t站点名称\tA站\tB站\n"
                                            "2\tRate(1/5/10/60)\t10\t60\n"
                                            "3\tUptime\t1234 h\t99 h\n"
                                            "4\tIP地址\t10.0.0.8\t10.0.0.9\n"));
    QVERIFY2(diff.errText().contains(QStringLiteral("9\tExtra")), diff.err.constData());

    const CliResult copy = CliProcess::run(
        dir.path(), link + QStringList{"write", "other.csv", "--changed-only", "--keep-protected", "--verify"});
    QCOMPARE(copy.exitCode, 3);
    QCOMPARE(copy.outText(), QStringLiteral("2\tok\t60\n3\trefused\t1234 h\n3\tmismatch\t99 h\t1234 h\n"));
    QVERIFY2(copy.errText().contains(QStringLiteral("Uptime: 写入 99 h,设备保持 1234 h")), copy.err.constData());
    // Only the rows that differ and are not the instrument's identity went out.
    QCOMPARE(simLines(sim, "^ZRSIM (WRITE|REFUSED|COMMAND)", 2),
             (QStringList{"ZRSIM WRITE 2 Rate(1/5/10/60):60", "ZRSIM REFUSED 3 99 h"}));
    // The backup came first and is the export of what was there.
    const QStringList backups = QDir(dir.filePath("Backups")).entryList(QDir::Files);
    QCOMPARE(backups.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^A站-[A-Za-z0-9_]+_1-\\d{8}-\\d{6}\\.csv$")).match(backups[0]).hasMatch());
    QVERIFY2(copy.errText().contains(backups[0]), copy.err.constData());
    QCOMPARE(dir.readFile("Backups/" + backups[0]), dir.readFile("before.csv"));

    // Restoring the backup brings back exactly what was there.
    const CliResult restore = CliProcess::run(
        dir.path(), link + QStringList{"write", "Backups/" + backups[0], "--changed-only", "--verify"});
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.outText(), QStringLiteral("2\tok\t10\n"));
    QVERIFY2(restore.errText().contains(QStringLiteral("核对完成: 写入的 1 项全部保持")), restore.err.constData());
    QCOMPARE(CliProcess::run(dir.path(), link + QStringList{"diff", "before.csv"}).exitCode, 0);
    QCOMPARE(QDir(dir.filePath("Backups")).entryList(QDir::Files).size(), 2);
}

void tst_CliItems::backupCommand()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {}, kSiteItems));
    QCOMPARE(CliProcess::run(dir.path(), link + QStringList{"export", "now.csv"}).exitCode, 0);
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"backup", "saved"});
    QCOMPARE(r.exitCode, 0);
    const QString path = r.outText().trimmed();
    QVERIFY2(path.startsWith(QDir::toNativeSeparators(dir.filePath("saved"))), r.out.constData());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), dir.readFile("now.csv"));

    // A folder that cannot be made: nothing on stdout, the reason on stderr.
    dir.writeFile(QStringLiteral("blocked"), "a file");
    const CliResult failed = CliProcess::run(dir.path(), link + QStringList{"backup", "blocked"});
    QCOMPARE(failed.exitCode, 1);
    QVERIFY(failed.out.isEmpty());
    QVERIFY2(failed.errText().contains(QStringLiteral("blocked")), failed.err.constData());
    // Without an instrument there is nothing to save.
    QCOMPARE(CliProcess::run(dir.path(), {"--serial", dir.filePath("nope"), "backup"}).exitCode, 1);
    QVERIFY(!QFile::exists(dir.filePath("Backups")));
}

void tst_CliItems::failingBackupStopsTheWrite()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {}, kSiteItems));
    dir.writeFile(QStringLiteral("other.csv"), kOtherSite);
    dir.writeFile(QStringLiteral("Backups"), "not a folder");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"write", "other.csv"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().contains(QStringLiteral("无法保存备份")), r.err.constData());
    QVERIFY(simLines(sim, "^ZRSIM (WRITE|REFUSED)", 1).isEmpty());
    // Asked for, the write goes ahead without one.
    const CliResult forced = CliProcess::run(dir.path(), link + QStringList{"write", "other.csv", "--no-backup"});
    QVERIFY2(forced.outText().startsWith(QStringLiteral("0\tok\tB站\n")), forced.out.constData());
    QVERIFY(!simLines(sim, "^ZRSIM WRITE", 1).isEmpty());
}

void tst_CliItems::writeRejectsBadFile()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    dir.writeFile(QStringLiteral("bad.csv"), "02. Rate, 5\r\nnot an item line\r\n");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"write", dir.filePath("bad.csv")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("文件解析错误")), r.err.constData());
    const CliResult missing = CliProcess::run(dir.path(), link + QStringList{"write", dir.filePath("gone.csv")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(simLines(sim, "^ZRSIM (WRITE|REFUSED)", 1).isEmpty());
}

void tst_CliItems::writeStopsAtLostReply()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    // The second write's reply never comes.
    QVERIFY(startSim(sim, dir, false, &link, {"--drop", "2"}));
    dir.writeFile(QStringLiteral("in.csv"), "\xEF\xBB\xBF"
                                            "00. 设备名称, ZR-Demo\r\n"
                                            "02. Rate(1/5/10/60), 60\r\n"
                                            "03. Uptime, 1234 h\r\n");
    const CliResult r =
        CliProcess::run(dir.path(), link + QStringList{"write", dir.filePath("in.csv"), "--no-backup"}, 60000);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.outText(), QStringLiteral("0\tok\tZR-Demo\n"));
    QVERIFY2(r.errText().contains(QStringLiteral("没有应答,该值可能已写入,请刷新核对")), r.err.constData());
    // Nothing after the failed row went out.
    const QStringList seen = simLines(sim, "^ZRSIM (WRITE|REFUSED)", 2);
    QCOMPARE(seen.size(), 2);
    QVERIFY(seen.filter(QStringLiteral(" 3 ")).isEmpty());
}

void tst_CliItems::writeRefusesBeforeSending_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errPart");
    QTest::addColumn<QString>("simLine");
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("bom, invalid utf8") << "file" << (bom + "02. Rate(1/5/10/60), 5\r\n00. 设备名称, \xC3\x28\r\n") << 1
                                       << QStringLiteral("文件编码错误: 第2行") << "";
    QTest::newRow("index beyond 255") << "file" << QByteArray("02. Rate(1/5/10/60), 5\r\n263. whatever, 30\r\n") << 1
                                      << QStringLiteral("文件解析错误") << "";
    QTest::newRow("fifo") << "fifo" << QByteArray() << 1 << QStringLiteral("不是普通文件") << "";
    QTest::newRow("over 16 MB") << "large" << QByteArray("02. Rate(1/5/10/60), 5\r\n") << 1
                                << QStringLiteral("文件过大(超过16 MB)") << "";
    // Valid GBK from a spreadsheet is read as GBK, not as U+FFFD.
    QTest::newRow("gbk accepted") << "file"
                                  << QTextCodec::codecForName("GBK")->fromUnicode(QStringLiteral("00. 设备名称, 一号站\r\n"))
                                  << 0 << QStringLiteral("写入配置成功") << QStringLiteral("ZRSIM WRITE 0 设备名称:一号站");
    // Each value the instrument cannot hold is refused before the first write
    // (a control character in a file is read as its visible symbol).
    QTest::newRow("euro and escape") << "file"
                                     << QByteArray("00. 设备名称, \xE2\x82\xAC站\r\n02. Rate(1/5/10/60), 5\r\n"
                                                   "03. Uptime, 1\x1B[2J\r\n")
                                     << 3 << QStringLiteral("0\t设备名称: 设备的文字无法表示值中的字符“\u20AC”(U+20AC),不能发送\n"
                                                            "3\tUptime: 设备的文字无法表示值中的字符“\u241B”(U+241B),不能发送\n")
                                     << QStringLiteral("ZRSIM WRITE 2 Rate(1/5/10/60):5");
    // No rows is no configuration, not one that already holds.
    for (const char *command : {"file", "diff"}) {
        QTest::addRow("%s, empty", command) << command << QByteArray() << 1 << QStringLiteral("文件中没有配置项: ") << "";
        QTest::addRow("%s, only a bom", command) << command << bom << 1 << QStringLiteral("文件中没有配置项: ") << "";
    }
}

void tst_CliItems::writeRefusesBeforeSending()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);
    QFETCH(QString, errPart);
    QFETCH(QString, simLine);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    const QString file = dir.filePath(QStringLiteral("in.csv"));
    std::unique_ptr<FifoFile> fifo;
    if (kind == QLatin1String("fifo")) {
        fifo = std::make_unique<FifoFile>(file);
        QVERIFY(fifo->made());
    } else {
        dir.writeFile(QStringLiteral("in.csv"), content);
        if (kind == QLatin1String("large"))
            QVERIFY(QFile::resize(file, 16 * 1024 * 1024 + 1)); // sparse
    }
    const bool diff = kind == QLatin1String("diff");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{diff ? "diff" : "write", file});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.errText().contains(errPart), r.err.constData());
    if (diff)
        QVERIFY2(r.errText().contains(QDir::toNativeSeparators(file)), r.err.constData());
    if (exitCode == 3)
        QVERIFY2(r.outText().startsWith(QStringLiteral("0\trefused\t\n3\trefused\t\n2\tok\t5\n")), r.out.constData());
    const QStringList writes = simLines(sim, "^ZRSIM (WRITE|REFUSED)");
    QCOMPARE(writes, simLine.isEmpty() ? QStringList() : QStringList{simLine});
}

void tst_CliItems::exportFailureKeepsOlderFile()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    dir.writeFile(QStringLiteral("older.csv"), "older export\r\n");
    CliResult r;
    {
        // The export (about 150 bytes) cannot be written; zrvu-cli inherits the limit.
        FileSizeLimit limit(64);
        QVERIFY(limit.active());
        r = CliProcess::run(dir.path(), link + QStringList{"export", dir.filePath(QStringLiteral("older.csv"))});
    }
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("导出配置失败: ")) && r.errText().contains(QStringLiteral("文件超过系统允许的大小")),
             r.err.constData());
    QVERIFY(!r.errText().contains(QStringLiteral("导出配置成功")));
    QCOMPARE(dir.readFile(QStringLiteral("older.csv")), QByteArray("older export\r\n"));

    // Scripts rely on the name as given: no suffix is added here.
    const CliResult plain = CliProcess::run(dir.path(), link + QStringList{"export", dir.filePath(QStringLiteral("station1"))});
    QCOMPARE(plain.exitCode, 0);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("station1"))).isFile());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("station1.csv"))));
}

void tst_CliItems::controlCharactersStayInTheirRow()
{
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("sim-items.txt"), "设备名称:Demo\r07. 采样间隔(秒), 999\n"
                                                   "Mode\x1B[2J:on\x1B]0;pwned\x07\n");
    SimProcess sim;
    QVERIFY(sim.start({"--items", dir.filePath(QStringLiteral("sim-items.txt")), "--udp", "127.0.0.1:0"}));
    const QStringList link{"--udp", QStringLiteral("127.0.0.1:%1").arg(sim.udpPort()), "--address", "1"};
    const QString expected = QStringLiteral("00. 设备名称, Demo\u240D07. 采样间隔(秒), 999\n"
                                            "01. Mode\u241B[2J, on\u241B]0;pwned\u2407\n");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"items"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), expected);
    const CliResult e = CliProcess::run(dir.path(), link + QStringList{"export", dir.filePath(QStringLiteral("out.csv"))});
    QCOMPARE(e.exitCode, 0);
    const QByteArray file = dir.readFile(QStringLiteral("out.csv"));
    QCOMPARE(file.count('\n'), 2);
    QCOMPARE(file.count('\r'), 2);
}

void tst_CliItems::oddSettingsFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errPart");
    QTest::newRow("config.ini fifo") << "config.ini" << 1 << QStringLiteral("zrvu-cli: 不是普通文件: ");
    // A broken SkipItems hides nothing and says so; the list still comes.
    QTest::newRow("SkipItems fifo") << "SkipItems" << 0 << QStringLiteral("zrvu-cli: 不是普通文件: SkipItems");
}

void tst_CliItems::oddSettingsFiles()
{
    QFETCH(QString, name);
    QFETCH(int, exitCode);
    QFETCH(QString, errPart);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    FifoFile fifo(dir.filePath(name));
    QVERIFY(fifo.made());
    QElapsedTimer clock;
    clock.start();
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"items"});
    QVERIFY2(clock.elapsed() < FifoFile::kReleaseMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.errText().contains(errPart), r.err.constData());
    QCOMPARE(r.outText(), exitCode == 0 ? kItemLines : QString());
    QVERIFY(fifo.intact());
}

void tst_CliItems::fullTemporaryFolderIsNamed()
{
    TempWorkDir dir;
    dir.writeConfig({{"station/notes", QString(6000, QLatin1Char('x'))}});
    CliResult r;
    {
        // The private copy of config.ini cannot be written in full.
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        r = CliProcess::run(dir.path(), {"--udp", "127.0.0.1:9", "items"});
    }
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("文件超过系统允许的大小")), r.err.constData());
    QVERIFY2(!r.errText().contains(QStringLiteral("cannot read")), r.err.constData());
}

void tst_CliItems::setAndTrigger_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("simLine");
    QTest::addColumn<QStringList>("simFaults");
    QTest::addColumn<QString>("errPart");

    QTest::newRow("set") << QStringList{"set", "2", "5"} << 0 << "5\n" << "ZRSIM WRITE 2 Rate(1/5/10/60):5"
                         << QStringList() << QString();
    QTest::newRow("set trims") << QStringList{"set", "2", " 60 "} << 0 << "60\n" << "ZRSIM WRITE 2 Rate(1/5/10/60):60"
                               << QStringList() << QString();
    QTest::newRow("set refused") << QStringList{"set", "3", "7"} << 3 << "1234 h\n" << "ZRSIM REFUSED 3 7"
                                 << QStringList() << QString();
    QTest::newRow("trigger") << QStringList{"trigger", "4"} << 0 << "Calibrate zero\n"
                             << "ZRSIM COMMAND 4 Calibrate zero" << QStringList() << QString();
    QTest::newRow("bad index") << QStringList{"set", "256", "1"} << 2 << "" << "" << QStringList() << QString();
    // Kinds are checked on the instrument before anything is written.
    QTest::newRow("set on a command") << QStringList{"set", "4", "1"} << 2 << "" << "" << QStringList() << QString();
    QTest::newRow("trigger on a value") << QStringList{"trigger", "2"} << 2 << "" << "" << QStringList() << QString();
    QTest::newRow("beyond the list") << QStringList{"set", "5", "1"} << 2 << "" << "" << QStringList() << QString();
    QTest::newRow("index text") << QStringList{"trigger", "four"} << 2 << "" << "" << QStringList() << QString();
    // Sent, these would be stored as '?'.
    QTest::newRow("euro sign") << QStringList{"set", "2", QStringLiteral("\u20AC100")} << 2 << "" << ""
                               << QStringList() << QString();
    QTest::newRow("escape") << QStringList{"set", "2", "1\x1B[2J"} << 2 << "" << "" << QStringList() << QString();
    // The write's reply is lost (the first is the kind check's): the value
    // may be stored, and the window says so too.
    QTest::newRow("set unanswered") << QStringList{"set", "2", "5"} << 1 << "" << "ZRSIM WRITE 2 Rate(1/5/10/60):5"
                                    << QStringList{"--drop", "2"} << QStringLiteral("没有应答,该值可能已写入,请刷新核对");
}

void tst_CliItems::setAndTrigger()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, simLine);
    QFETCH(QStringList, simFaults);
    QFETCH(QString, errPart);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, simFaults));
    const CliResult r = CliProcess::run(dir.path(), link + args, 60000);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.outText(), out);
    QVERIFY2(r.errText().contains(errPart), r.err.constData());
    const QStringList seen = simLines(sim, "^ZRSIM (WRITE|REFUSED|COMMAND)", simLine.isEmpty() ? 0 : 1);
    QCOMPARE(seen, simLine.isEmpty() ? QStringList() : QStringList{simLine});
}

void tst_CliItems::tooLongValueIsNotSent()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"set", "2", QString(255, 'x')});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("写入的值过长,最多254字节")), r.err.constData());
    QVERIFY(simLines(sim, "^ZRSIM (WRITE|REFUSED)", 0).isEmpty());
}

void tst_CliItems::syncTime()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, true, &link));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"sync-time"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("同步时间成功\n"));
    const QStringList clock = simLines(sim, "^ZRSIM CLOCK ");
    QCOMPARE(clock.size(), 1);
    // "ZRSIM CLOCK yyyy-MM-dd hh:mm:ss weekday"
    const QDateTime set = QDateTime::fromString(clock.first().mid(12, 19), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY2(set.isValid(), qPrintable(clock.first()));
    QVERIFY(set >= before && set <= QDateTime::currentDateTime().addSecs(2));
}

void tst_CliItems::writeSerialNumber()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"write-sn", "ZR2026X01"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("写入SN成功\n"));
    QCOMPARE(simLines(sim, "^ZRSIM SN "), QStringList{"ZRSIM SN ZR2026X01"});
}

void tst_CliItems::badSerialNumberIsNotSent()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    for (const QString &sn : {QStringLiteral("ZR-01"), QString(25, 'A'), QStringLiteral("序列号")}) {
        const CliResult r = CliProcess::run(dir.path(), link + QStringList{"write-sn", sn});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errText().contains(QStringLiteral("SN输入有误")), r.err.constData());
    }
    QVERIFY(simLines(sim, "^ZRSIM SN ", 0).isEmpty());
}

void tst_CliItems::encryptedLink()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {"--encrypt"}));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"--encrypt", "items"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), kItemLines);
}

QTEST_GUILESS_MAIN(tst_CliItems)
#include "tst_cliitems.moc"
