#include "firmware/package.h"

#include "tests/cli/cliprocess.h"
#include "tests/firmware/httptestserver.h"
#include "tests/support/cataloguepage.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <csignal>

namespace {

QByteArray image(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 131 + i / 1024) & 0xFF);
    return b;
}

bool writeTestPackage(const QString &path, const QString &model, const QByteArray &img)
{
    QString error;
    const bool ok = writePackage(path, packageFields(QStringLiteral("ZR 压力变送器"), model, QStringLiteral("2.1.0"), img),
                                 &error);
    if (!ok)
        qWarning() << error;
    return ok;
}

// zrsim writes the received image when the update is left; give it a moment.
QByteArray waitForFile(const QString &path)
{
    // A missing file reads as empty, which the caller's comparison reports.
    if (!QTest::qWaitFor([&path] { return QFile::exists(path); }, 30000))
        return QByteArray();
    return fileBytes(path);
}

QByteArray cataloguePage(const QList<QPair<QByteArray, QByteArray>> &entries)
{
    QByteArray rows;
    for (const auto &e : entries)
        rows += CatalogueFixture::entry(e.first, e.second);
    return CatalogueFixture::page(rows);
}

} // namespace

class tst_CliFirmware : public QObject
{
    Q_OBJECT

private:
    bool startSim(SimProcess &sim, TempWorkDir &dir, bool pty, QStringList *link, QStringList extra = {})
    {
        extra << "--flash-out" << dir.filePath(QStringLiteral("flashed.bin"));
        return ::startSim(sim, pty, extra, link);
    }

private slots:
    void usage_data();
    void usage();
    void packageInfo();
    void packageInfoRefusesNonPackages();
    void packageInfoRefusesUnflashable_data();
    void packageInfoRefusesUnflashable();
    void flash_data();
    void flash();
    void flashEncrypted();
    void flashWrongModel();
    void flashNeedsItsBackup();
    void flashMissingFile();
    void messageLanguage_data();
    void messageLanguage();
    void flashProgressOnTerminal();
    void flashIgnoresFirstCtrlC();
    void flashSecondCtrlCEnds();
    void catalogue();
    void catalogueFailure();
    void catalogueNotConfigured();
    void download();
    void downloadFailureKeepsOldFile();
    void downloadWriteFailureKeepsOldFile();
};

void tst_CliFirmware::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"reboot"} << 2;
    QTest::newRow("bad option") << QStringList{"--address", "300", "items"} << 2;
    QTest::newRow("missing argument") << QStringList{"flash"} << 2;
    QTest::newRow("help") << QStringList{"--help"} << 0;
}

void tst_CliFirmware::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    TempWorkDir dir;
    const CliResult r = CliProcess::run(dir.path(), args);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    // A mistake gets one line and a pointer to --help; the usage is on
    // stdout when asked for.
    QVERIFY((exitCode == 0 ? r.err : r.out).isEmpty());
    if (exitCode != 0) {
        QVERIFY2(r.err.startsWith("zrvu-cli: ") && r.err.endsWith("\nTry 'zrvu-cli --help'.\n") && r.err.count('\n') == 2,
                 r.err.constData());
    } else {
        const QByteArray &usage = r.out;
        QVERIFY(usage.contains("Usage: zrvu-cli [link options] COMMAND [ARGS]"));
        for (const char *command : {"items", "export FILE", "write FILE", "set INDEX VALUE", "trigger INDEX",
                                    "sync-time", "write-sn SN", "package-info PACKAGE", "flash PACKAGE", "history FROM TO",
                                    "monitor", "search", "catalogue", "download LINK DIR", "Exit status"})
            QVERIFY2(usage.contains(command), command);
    }
}

void tst_CliFirmware::packageInfo()
{
    TempWorkDir dir;
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), image(5000)));
    const CliResult r = CliProcess::run(dir.path(), {"package-info", "p.zrbin"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("device: ZR 压力变送器\nmodel: ZR-SIM\nversion: 2.1.0\nimage: 5000 bytes\n"));
}

void tst_CliFirmware::packageInfoRefusesNonPackages()
{
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("text.zrbin"), "not a database");
    for (const QString &name : {QStringLiteral("text.zrbin"), QStringLiteral("absent.zrbin")}) {
        const CliResult r = CliProcess::run(dir.path(), {"package-info", name});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.errText().startsWith(QLatin1String("zrvu-cli: ")) && r.err.size() > 12, r.err.constData());
    }
    // The reader never creates what it was pointed at.
    QVERIFY(!QFile::exists(dir.filePath("absent.zrbin")));
}

void tst_CliFirmware::packageInfoRefusesUnflashable_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QString>("error");
    QTest::newRow("no model") << "" << 100 << QStringLiteral("固件文件中没有设备型号");
    QTest::newRow("no image") << "ZR-SIM" << 0 << QStringLiteral("固件更新失败,文件中没有固件数据!");
}

// Scripts run `package-info … || exit 1` before flashing.
void tst_CliFirmware::packageInfoRefusesUnflashable()
{
    QFETCH(QString, model);
    QFETCH(int, imageSize);
    QFETCH(QString, error);
    TempWorkDir dir;
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), model, image(imageSize)));
    const CliResult r = CliProcess::run(dir.path(), {"package-info", "p.zrbin"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: %1\n").arg(error));
}

void tst_CliFirmware::flash_data()
{
    QTest::addColumn<bool>("pty");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("backup");
    QTest::newRow("udp, partial last page") << false << 5000 << true;
    QTest::newRow("pty, whole pages, no backup") << true << 3072 << false;
}

void tst_CliFirmware::flash()
{
    QFETCH(bool, pty);
    QFETCH(int, size);
    QFETCH(bool, backup);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, pty, &link));
    const QByteArray img = image(size);
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), img));
    QStringList args = link + QStringList{"flash", "p.zrbin"};
    if (!backup)
        args << "--no-backup";
    const CliResult r = CliProcess::run(dir.path(), args, 60000);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("固件更新成功!\n"));
    // The items as they were before the flash; no progress drawing into a pipe.
    const QStringList backups = QDir(dir.filePath("Backups")).entryList(QDir::Files);
    QCOMPARE(backups.size(), backup ? 1 : 0);
    if (backup)
        QCOMPARE(r.errText(), QStringLiteral("备份已保存: %1\n").arg(QDir(dir.filePath("Backups")).absoluteFilePath(backups[0])));
    else
        QCOMPARE(r.err, QByteArray());
    QByteArray expected = img;
    if (size % 1024)
        expected += QByteArray(1024 - size % 1024, '\xFF');
    const QByteArray flashed = waitForFile(dir.filePath("flashed.bin"));
    QVERIFY(flashed == expected || flashed == img);
}

void tst_CliFirmware::flashEncrypted()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {"--encrypt"}));
    const QByteArray img = image(2100);
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), img));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"--encrypt", "flash", "p.zrbin"}, 60000);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(waitForFile(dir.filePath("flashed.bin")).startsWith(img));
}

void tst_CliFirmware::flashNeedsItsBackup()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), image(2000)));
    dir.writeFile(QStringLiteral("Backups"), "not a folder");
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"flash", "p.zrbin"}, 60000);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("--no-backup")), r.err.constData());
    QVERIFY(!QFile::exists(dir.filePath("flashed.bin")));
}

void tst_CliFirmware::flashWrongModel()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {"--model", "ZR-OTHER"}));
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), image(2000)));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"flash", "p.zrbin", "--no-backup"}, 60000);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: 固件更新失败,BIN文件与设备型号不一致!\n"));
    QVERIFY(sim.outputLines().filter(QStringLiteral("FLASH ERASE")).isEmpty());
}

void tst_CliFirmware::flashMissingFile()
{
    TempWorkDir dir;
    QDir().mkpath(dir.filePath("folder.zrbin"));
    for (const QString &name : {QStringLiteral("gone.zrbin"), QStringLiteral("folder.zrbin")}) {
        const CliResult r = CliProcess::run(dir.path(), {"--udp", "127.0.0.1:9", "flash", name});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: 更新失败,文件不存在或拒绝访问!\n"));
    }
}

void tst_CliFirmware::messageLanguage_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("option");
    QTest::addColumn<QString>("message");
    const QString english = QStringLiteral("Update failed: the file does not exist or cannot be read!");
    const QString chinese = QStringLiteral("更新失败,文件不存在或拒绝访问!");
    QTest::newRow("built-in") << "" << QStringList{} << chinese;
    QTest::newRow("stored language") << "en_US" << QStringList{} << english;
    QTest::newRow("option") << "" << QStringList{"--lang", "en_US"} << english;
    QTest::newRow("option over stored") << "en_US" << QStringList{"--lang", "zh_CH"} << chinese;
    QTest::newRow("no such file") << "" << QStringList{"--lang", "fr_FR"} << chinese;
}

void tst_CliFirmware::messageLanguage()
{
#ifndef ZR_CLI_TEST_QM
    QSKIP("no Qt linguist tools to build the test translation");
#else
    QFETCH(QString, stored);
    QFETCH(QStringList, option);
    QFETCH(QString, message);
    TempWorkDir dir;
    // Looked up in the working directory, like the assistant does.
    QVERIFY(QFile::copy(QStringLiteral(ZR_CLI_TEST_QM), dir.filePath("en_US.qm")));
    if (!stored.isEmpty())
        dir.writeConfig({{"language/language", stored}});
    const QByteArray before = dir.readFile(QStringLiteral("config.ini"));
    const CliResult r = CliProcess::run(dir.path(), option + QStringList{"flash", "gone.zrbin"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: %1\n").arg(message));
    QCOMPARE(dir.readFile(QStringLiteral("config.ini")), before);
#endif
}

void tst_CliFirmware::flashProgressOnTerminal()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link));
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), image(8 * 1024)));
    CliProcess cli;
    cli.setStderrTerminal(true);
    QVERIFY(cli.start(dir.path(), link + QStringList{"flash", "p.zrbin"}));
    const CliResult r = cli.wait(60000);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("固件更新成功!\n"));
    QVERIFY2(r.err.contains("\r") && r.err.contains(" 0%") && r.err.contains("100%"), r.err.constData());
    QVERIFY(r.err.endsWith('\n'));
}

void tst_CliFirmware::flashIgnoresFirstCtrlC()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    // About 30 pages at 40 ms a reply: long enough to press Ctrl-C in.
    QVERIFY(startSim(sim, dir, false, &link, {"--delay", "40"}));
    const QByteArray img = image(30 * 1024);
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), img));
    CliProcess cli;
    QVERIFY(cli.start(dir.path(), link + QStringList{"flash", "p.zrbin"}));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.outputLines().filter(QStringLiteral("FLASH PAGE")).isEmpty()
                                 || !sim.outputLines().filter(QStringLiteral("FLASH ERASE")).isEmpty(),
                             20000);
    ::kill(static_cast<pid_t>(cli.pid()), SIGINT);
    QVERIFY(cli.waitForError(QStringLiteral("正在更新固件,请等待更新完成!")));
    const CliResult r = cli.wait(60000);
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("固件更新成功!\n"));
    QVERIFY(waitForFile(dir.filePath("flashed.bin")).startsWith(img));
}

void tst_CliFirmware::flashSecondCtrlCEnds()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, dir, false, &link, {"--delay", "40"}));
    QVERIFY(writeTestPackage(dir.filePath("p.zrbin"), QStringLiteral("ZR-SIM"), image(40 * 1024)));
    CliProcess cli;
    QDir().mkpath(dir.filePath("tmp"));
    cli.setEnvironmentValue(QStringLiteral("TMPDIR"), dir.filePath("tmp"));
    QVERIFY(cli.start(dir.path(), link + QStringList{"flash", "p.zrbin"}));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.outputLines().filter(QStringLiteral("FLASH ERASE")).isEmpty(), 20000);
    QCOMPARE(QDir(dir.filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    ::kill(static_cast<pid_t>(cli.pid()), SIGINT);
    QVERIFY(cli.waitForError(QStringLiteral("正在更新固件")));
    ::kill(static_cast<pid_t>(cli.pid()), SIGINT);
    const CliResult r = cli.wait(20000);
    QVERIFY(r.finished);
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 130);
    QVERIFY(r.out.isEmpty());
    // The private settings copy went with it.
    QVERIFY(QDir(dir.filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_CliFirmware::catalogue()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response page;
    // The names with a tab or a line break would break the lines.
    page.body = cataloguePage({{"ZR3100 压力", "http://127.0.0.1:1/f/zr3100.zrbin"},
                               {"ZR&#9;2000", "http://127.0.0.1:1/f/zr2000.zrbin"},
                               {"ZR&#10;http://x", "http://127.0.0.1:1/f/zr2001.zrbin"},
                               {"ZR1000", "http://127.0.0.1:1/f/zr1000.zrbin"}});
    server.setResponse("/down.html", page);
    const CliResult r = CliProcess::run(dir.path(), {"catalogue", "--url", server.url("/down.html")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), QStringLiteral("ZR1000\thttp://127.0.0.1:1/f/zr1000.zrbin\n"
                                         "ZR3100 压力\thttp://127.0.0.1:1/f/zr3100.zrbin\n"));

    // Without --url the stored catalogue address applies.
    dir.writeConfig({{"update/catalogue", server.url("/down.html")}});
    const CliResult stored = CliProcess::run(dir.path(), {"catalogue"});
    QCOMPARE(stored.exitCode, 0);
    QCOMPARE(stored.outText(), r.outText());
}

void tst_CliFirmware::catalogueFailure()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response missing;
    missing.status = 404;
    missing.body = "no";
    server.setResponse("/down.html", missing);
    const CliResult r = CliProcess::run(dir.path(), {"catalogue", "--url", server.url("/down.html")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().contains(QStringLiteral("获取设备列表失败,请重试!")), r.err.constData());
}

void tst_CliFirmware::catalogueNotConfigured()
{
    TempWorkDir dir;
    const CliResult r = CliProcess::run(dir.path(), {"catalogue"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: 未设置设备列表地址!\n"));
}

void tst_CliFirmware::download()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response file;
    file.body = image(70000);
    file.chunkSize = 8192;
    server.setResponse("/f/zr3100.zrbin", file);
    QDir().mkpath(dir.filePath("Files"));
    const CliResult r = CliProcess::run(dir.path(), {"download", server.url("/f/zr3100.zrbin"), "Files"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.outText(), QStringLiteral("文件下载成功!\n"));
    QCOMPARE(fileBytes(dir.filePath("Files/zr3100.zrbin")), file.body);
}

void tst_CliFirmware::downloadFailureKeepsOldFile()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response cut;
    cut.body = image(50000);
    cut.closeAfter = 20000;
    server.setResponse("/f/zr3100.zrbin", cut);
    QDir().mkpath(dir.filePath("Files"));
    dir.writeFile(QStringLiteral("Files/zr3100.zrbin"), "older package");
    const CliResult r = CliProcess::run(dir.path(), {"download", server.url("/f/zr3100.zrbin"), "Files"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().startsWith(QStringLiteral("zrvu-cli: 下载")), r.err.constData());
    QCOMPARE(fileBytes(dir.filePath("Files/zr3100.zrbin")), QByteArray("older package"));
    QCOMPARE(QDir(dir.filePath("Files")).entryList(QDir::Files), QStringList{"zr3100.zrbin"});
}

// A full disk: the older file stays and the cause is named (exit 0 and a
// truncated file before).
void tst_CliFirmware::downloadWriteFailureKeepsOldFile()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response file;
    // Less than the write buffer: only the final flush fails.
    file.body = image(10000);
    server.setResponse("/f/zr3100.zrbin", file);
    QDir().mkpath(dir.filePath("Files"));
    dir.writeFile(QStringLiteral("Files/zr3100.zrbin"), "older package");
    CliResult r;
    {
        // The program inherits the limit.
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        r = CliProcess::run(dir.path(), {"download", server.url("/f/zr3100.zrbin"), "Files"});
    }
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().startsWith(QStringLiteral("zrvu-cli: 下载异常: ")), r.err.constData());
    QVERIFY2(r.errText().contains(QStringLiteral("文件超过系统允许的大小")), r.err.constData());
    QCOMPARE(fileBytes(dir.filePath("Files/zr3100.zrbin")), QByteArray("older package"));
    QCOMPARE(QDir(dir.filePath("Files")).entryList(QDir::Files | QDir::Hidden), QStringList{"zr3100.zrbin"});
}

QTEST_GUILESS_MAIN(tst_CliFirmware)
#include "tst_clifirmware.moc"
