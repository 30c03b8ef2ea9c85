#include "cli/targets.h"
#include "firmware/package.h"

#include "tests/cli/cliprocess.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

namespace {

const QByteArray kItems = "设备名称:ZR-Demo\n"
                          "Rate(1/5/10/60):10\n"
                          "Calibrate zero\n";
// An instrument whose rate item takes other values: set 1 60 is refused.
const QByteArray kNarrowItems = "设备名称:ZR-Narrow\n"
                                "Rate(1/5/10):10\n"
                                "Calibrate zero\n";

// The fields of /proc/PID/stat after the command name: state, parent, …
QList<QByteArray> procStat(const QString &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> out;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (procStat(entry).value(1).toLongLong() == pid)
            out << entry.toLongLong();
    }
    return out;
}

// Gone, or a zombie nobody reaps (which no longer writes anything).
bool processGone(qint64 pid)
{
    const QByteArray state = procStat(QString::number(pid)).value(0);
    return state.isEmpty() || state == "Z";
}

QMap<QString, QString> resultLines(const QString &out)
{
    QMap<QString, QString> lines;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int tab = line.indexOf(QLatin1Char('\t'));
        lines.insert(line.left(tab), line.mid(tab + 1));
    }
    return lines;
}

} // namespace

class tst_CliTargets : public QObject
{
    Q_OBJECT

private:
    std::vector<std::unique_ptr<SimProcess>> m_sims;

    // One zrsim on loopback; returns its targets-file line.
    QString addSim(TempWorkDir &dir, const QString &name, const QByteArray &items, QStringList extra = {})
    {
        const QString itemsFile = dir.filePath(name + QStringLiteral("-items.txt"));
        dir.writeFile(name + QStringLiteral("-items.txt"), items);
        auto sim = std::make_unique<SimProcess>();
        extra << "--items" << itemsFile << "--udp" << "127.0.0.1:0";
        if (!sim->start(extra)) {
            qWarning() << sim->lastError();
            return QString();
        }
        const QString line = QStringLiteral("udp 127.0.0.1:%1 1 %2\n").arg(sim->udpPort()).arg(name);
        m_sims.push_back(std::move(sim));
        return line;
    }

private slots:
    void cleanup() { m_sims.clear(); }
    void parseFile_data();
    void parseFile();
    void childArguments();
    void judgeRun_data();
    void judgeRun();
    void usageErrors_data();
    void usageErrors();
    void malformedLineSendsNothing();
    void manyInstruments();
    void exitCodes_data();
    void exitCodes();
    void flashReportsVersionOrModel();
    void exportWritesOneFilePerInstrument();
    void serialPortNeverShared();
    void ctrlCStartsNoMoreAndLetsFlashesEnd();
    void endedBySignalLeavesNoChild_data();
    void endedBySignalLeavesNoChild();
    void backupsOfABatchSharingAName();
};

void tst_CliTargets::parseFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // kind|endpoint|baud|address|name|line
    QTest::addColumn<QString>("error");

    QTest::newRow("udp, serial, comments, blanks")
        << "# station list\n\nudp 127.0.0.1:5000 1 泵站 一\n  serial /dev/ttyUSB0 9600 7\r\n"
        << QStringList{"udp|127.0.0.1:5000|0|1|泵站 一|3", "serial|/dev/ttyUSB0|9600|7|/dev/ttyUSB0|4"} << "";
    QTest::newRow("name defaults to endpoint") << "udp 127.0.0.1:1 255\n"
                                               << QStringList{"udp|127.0.0.1:1|0|255|127.0.0.1:1|1"} << "";
    QTest::newRow("unknown link") << "udp 127.0.0.1:5000 1\ntcp 1.2.3.4:5 1\n" << QStringList{}
                                  << "line 2: unknown link \"tcp\" (udp or serial)";
    QTest::newRow("host name") << "\n\nudp plc.local:5000 1" << QStringList{}
                               << "line 3: bad endpoint \"plc.local:5000\" (IP-ADDRESS:PORT)";
    QTest::newRow("port 0") << "udp 127.0.0.1:0 1" << QStringList{}
                            << "line 1: bad endpoint \"127.0.0.1:0\" (IP-ADDRESS:PORT)";
    QTest::newRow("address 0") << "udp 127.0.0.1:9 0" << QStringList{}
                               << "line 1: bad device address \"0\" (1 to 255)";
    QTest::newRow("address 256") << "serial COM3 9600 256 x" << QStringList{}
                                 << "line 1: bad device address \"256\" (1 to 255)";
    QTest::newRow("missing address") << "udp 127.0.0.1:9" << QStringList{}
                                     << "line 1: expected: udp HOST:PORT ADDRESS [NAME]";
    QTest::newRow("serial without baud") << "serial COM3 1" << QStringList{}
                                         << "line 1: expected: serial PORT BAUD ADDRESS [NAME]";
    QTest::newRow("bad baud") << "serial COM3 fast 1" << QStringList{} << "line 1: bad baud rate \"fast\"";
    QTest::newRow("only comments") << "# nothing\n\n" << QStringList{} << "no instrument listed";
    const QString own = "; give each instrument a NAME of its own";
    QTest::newRow("one name twice") << "udp 127.0.0.1:1 1 北站\nudp 127.0.0.1:2 1 北站\n" << QStringList{}
                                    << "lines 1 and 2: both named \"北站\"" + own;
    QTest::newRow("alike in a file name") << "udp 127.0.0.1:1 1 a/b\n# x\nudp 127.0.0.1:2 1 a\\b" << QStringList{}
                                          << "lines 1 and 3: \"a/b\" and \"a\\b\" are the same name in a file name (\"a_b\")" + own;
    QTest::newRow("alike but for case") << "udp 127.0.0.1:1 1 North\nudp 127.0.0.1:2 1 NORTH" << QStringList{}
                                        << "lines 1 and 2: \"North\" and \"NORTH\" are the same name in a file name (\"NORTH\")" + own;
    QTest::newRow("one port, unnamed") << "serial COM3 9600 1\nserial COM3 9600 2"
                                       << QStringList{"serial|COM3|9600|1|COM3#1|1", "serial|COM3|9600|2|COM3#2|2"} << "";
    QTest::newRow("one port, unnamed twice") << "serial COM3 9600 1\nserial COM3 9600 1" << QStringList{}
                                             << "lines 1 and 2: both named \"COM3#1\"" + own;
}

void tst_CliTargets::parseFile()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);
    QVector<CliTarget> targets;
    QString problem;
    QCOMPARE(parseTargets(text, &targets, &problem), error.isEmpty());
    QCOMPARE(problem, error);
    QStringList got;
    for (const CliTarget &t : qAsConst(targets))
        got << QStringLiteral("%1|%2|%3|%4|%5|%6")
                   .arg(t.udp ? "udp" : "serial", t.endpoint)
                   .arg(t.baud)
                   .arg(t.address)
                   .arg(t.name)
                   .arg(t.line);
    QCOMPARE(got, expected);
}

void tst_CliTargets::childArguments()
{
    CliTarget udp;
    udp.endpoint = QStringLiteral("127.0.0.1:5000");
    udp.address = 3;
    udp.name = QStringLiteral("站-3");
    const QStringList parent{"--udp", "10.0.0.1:1", "--targets", "list.txt", "--jobs=8", "--encrypt", "--report",
                             "r.csv", "--address", "9", "--lang", "en_US", "export", "out-{name}.csv"};
    QCOMPARE(targetArguments(udp, parent),
             (QStringList{"--udp", "127.0.0.1:5000", "--address", "3", "--encrypt", "--lang", "en_US", "export",
                          "out-站-3.csv"}));

    // A default name is the endpoint: it must not leave the folder.
    CliTarget unnamed;
    unnamed.endpoint = unnamed.name = QStringLiteral("127.0.0.1:5000");
    QCOMPARE(targetArguments(unnamed, {"export", "out/{name}.csv"}).last(), QStringLiteral("out/127.0.0.1_5000.csv"));
    unnamed.name = QStringLiteral("/dev/ttyUSB0");
    QCOMPARE(targetArguments(unnamed, {"export", "{name}.csv"}).last(), QStringLiteral("_dev_ttyUSB0.csv"));

    CliTarget serial;
    serial.udp = false;
    serial.endpoint = QStringLiteral("/dev/ttyUSB1");
    serial.baud = 19200;
    serial.address = 1;
    serial.name = QStringLiteral("{name}");
    // Only the export's file is a pattern; a value that looks like one is sent as given.
    QCOMPARE(targetArguments(serial, {"--serial=/dev/x", "--parity", "even", "set", "4", "{name}"}),
             (QStringList{"--serial", "/dev/ttyUSB1", "--baud", "19200", "--address", "1", "--parity", "even", "set",
                          "4", "{name}"}));
}

void tst_CliTargets::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("command not allowed")
        << QStringList{"--targets", "t.txt", "items"}
        << "items cannot be used with --targets (only export, write, diff, backup, set, trigger, sync-time, flash)";
    QTest::newRow("export without {name}") << QStringList{"--targets", "t.txt", "export", "out.csv"}
                                           << "with --targets, the FILE of export must contain {name}";
    QTest::newRow("trace with targets") << QStringList{"--trace", "t.log", "--targets", "t.txt", "sync-time"}
                                        << "--trace cannot be used with --targets";
    QTest::newRow("jobs alone") << QStringList{"--jobs", "2", "sync-time"} << "--jobs needs --targets";
    QTest::newRow("report alone") << QStringList{"--report", "r.csv", "sync-time"} << "--report needs --targets";
    QTest::newRow("jobs 65") << QStringList{"--targets", "t.txt", "--jobs", "65", "sync-time"}
                             << "bad value \"65\" for --jobs (1 to 64)";
    QTest::newRow("missing file") << QStringList{"--targets", "none.txt", "sync-time"} << "cannot read none.txt";
}

void tst_CliTargets::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    TempWorkDir dir;
    const CliResult r = CliProcess::run(dir.path(), arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().startsWith(QStringLiteral("zrvu-cli: ") + message), qPrintable(r.errText()));
}

void tst_CliTargets::malformedLineSendsNothing()
{
    TempWorkDir dir;
    const QString good = addSim(dir, QStringLiteral("a"), kItems, {"--verbose"});
    QVERIFY(!good.isEmpty());
    dir.writeFile(QStringLiteral("t.txt"), (good + "udp 127.0.0.1:5000\n").toUtf8());
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "sync-time"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().contains(QStringLiteral("t.txt: line 2: ")), qPrintable(r.errText()));
    QTest::qWait(200); // time for a request that must not come
    QCOMPARE(m_sims.front()->errorOutput(), QString());
}

void tst_CliTargets::manyInstruments()
{
    TempWorkDir dir;
    QString list = QStringLiteral("# eight stations\n");
    for (int i = 1; i <= 6; ++i)
        list += addSim(dir, QStringLiteral("ok%1").arg(i), kItems);
    list += addSim(dir, QStringLiteral("narrow"), kNarrowItems);
    list += addSim(dir, QStringLiteral("silent"), kItems, {"--silent"});
    QCOMPARE(m_sims.size(), size_t(8));
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());

    const CliResult r = CliProcess::run(dir.path(),
                                        {"--targets", "t.txt", "--jobs", "8", "--report", "r.csv", "set", "1", "60"},
                                        60000);
    QVERIFY(r.finished);
    // One failure outweighs the refusal.
    QCOMPARE(r.exitCode, 1);
    const QMap<QString, QString> lines = resultLines(r.outText());
    QCOMPARE(lines.size(), 8);
    QCOMPARE(r.outText().count(QLatin1Char('\n')), 8);
    for (int i = 1; i <= 6; ++i)
        QVERIFY2(lines.value(QStringLiteral("ok%1").arg(i)).startsWith(QStringLiteral("ok\t")), qPrintable(r.outText()));
    QVERIFY2(lines.value("narrow").startsWith(QStringLiteral("refused\t")), qPrintable(r.outText()));
    QCOMPARE(lines.value("silent"), QStringLiteral("failed\t接收数据超时"));
    const QRegularExpression written(QStringLiteral("^ZRSIM WRITE 1 .*:60$"));
    for (int i = 0; i < 6; ++i)
        QTRY_COMPARE(m_sims.at(i)->outputLines().filter(written).size(), 1);

    const QStringList report = QString::fromUtf8(dir.readFile("r.csv")).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(report.size(), 9);
    QCOMPARE(report.at(0), QStringLiteral("name,status,detail"));
    // The report keeps the file's order whatever order the runs ended in.
    QVERIFY(report.at(1).startsWith(QStringLiteral("ok1,ok,")));
    QVERIFY(report.at(7).startsWith(QStringLiteral("narrow,refused,")));
    QCOMPARE(report.at(8), QStringLiteral("silent,failed,接收数据超时"));
}

void tst_CliTargets::exitCodes_data()
{
    QTest::addColumn<bool>("withNarrow");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("all ok") << false << 0;
    QTest::newRow("one refused") << true << 3;
}

void tst_CliTargets::exitCodes()
{
    QFETCH(bool, withNarrow);
    QFETCH(int, exitCode);
    TempWorkDir dir;
    QString list = addSim(dir, QStringLiteral("a"), kItems) + addSim(dir, QStringLiteral("b"), kItems);
    if (withNarrow)
        list += addSim(dir, QStringLiteral("narrow"), kNarrowItems);
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    dir.writeFile(QStringLiteral("rows.csv"), "00. 设备名称, ZR-X\r\n01. Rate(1/5/10/60), 60\r\n");
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "write", "rows.csv"}, 60000);
    QCOMPARE(r.exitCode, exitCode);
    const QMap<QString, QString> lines = resultLines(r.outText());
    QCOMPARE(lines.value("a"), QStringLiteral("ok\t写入 2 项,拒绝 0 项"));
    if (withNarrow)
        QCOMPARE(lines.value("narrow"), QStringLiteral("refused\t写入 1 项,拒绝 1 项"));
}

void tst_CliTargets::flashReportsVersionOrModel()
{
    TempWorkDir dir;
    QString error;
    QByteArray img(3000, '\x5A');
    QVERIFY(writePackage(dir.filePath("p.zrbin"),
                         packageFields(QStringLiteral("ZR 压力变送器"), QStringLiteral("ZR-SIM"), QStringLiteral("2.1.0"), img),
                         &error));
    const QString list = addSim(dir, QStringLiteral("a"), kItems) + addSim(dir, QStringLiteral("b"), kItems)
                         + addSim(dir, QStringLiteral("other"), kItems, {"--model", "ZR-OTHER"});
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "flash", "p.zrbin"}, 90000);
    QCOMPARE(r.exitCode, 1);
    const QMap<QString, QString> lines = resultLines(r.outText());
    QCOMPARE(lines.value("a"), QStringLiteral("ok\t2.1.0"));
    QCOMPARE(lines.value("b"), QStringLiteral("ok\t2.1.0"));
    QCOMPARE(lines.value("other"), QStringLiteral("failed\t固件更新失败,BIN文件与设备型号不一致!"));
}

void tst_CliTargets::exportWritesOneFilePerInstrument()
{
    TempWorkDir dir;
    QString list = addSim(dir, QStringLiteral("北站"), kItems);
    list += addSim(dir, QStringLiteral("narrow"), kNarrowItems);
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "export", "copy-{name}.csv"}, 60000);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText().count(QStringLiteral("\tok\t")), 2);
    QVERIFY(dir.readFile(QStringLiteral("copy-北站.csv")).contains("ZR-Demo"));
    QVERIFY(dir.readFile(QStringLiteral("copy-narrow.csv")).contains("ZR-Narrow"));
}

void tst_CliTargets::serialPortNeverShared()
{
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("items.txt"), kItems);
    SimProcess pty;
    // Slow replies: two runs on the port at once would overlap for certain.
    QVERIFY(pty.start({"--pty", "--items", dir.filePath("items.txt"), "--delay", "300"}));
    const QString udp = addSim(dir, QStringLiteral("net"), kItems);
    dir.writeFile(QStringLiteral("t.txt"), QStringLiteral("serial %1 115200 1 first\nserial %1 115200 1 second\n%2")
                                               .arg(pty.ptyPath(), udp)
                                               .toUtf8());
    QElapsedTimer clock;
    clock.start();
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "set", "1", "5"}, 60000);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(r.exitCode, 0);
    const QStringList order = r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(order.size(), 3);
    // The network instrument ran beside the first run on the port; the
    // second waited for the port. Each run is a read and a write.
    QVERIFY2(order.at(0).startsWith(QStringLiteral("net\tok")), qPrintable(r.outText()));
    QVERIFY2(order.at(1).startsWith(QStringLiteral("first\tok")), qPrintable(r.outText()));
    QVERIFY2(order.at(2).startsWith(QStringLiteral("second\tok")), qPrintable(r.outText()));
    QVERIFY2(elapsed >= 4 * 300, qPrintable(QString::number(elapsed)));
    QTRY_COMPARE(pty.outputLines().filter(QRegularExpression(QStringLiteral("^ZRSIM WRITE 1 .*:5$"))).size(), 2);
}

void tst_CliTargets::ctrlCStartsNoMoreAndLetsFlashesEnd()
{
    TempWorkDir dir;
    QString error;
    QVERIFY(writePackage(dir.filePath("p.zrbin"),
                         packageFields(QStringLiteral("ZR 压力变送器"), QStringLiteral("ZR-SIM"), QStringLiteral("2.1.0"),
                                       QByteArray(20 * 1024, '\x33')),
                         &error));
    // Slow replies: the first flash is still running when Ctrl-C comes.
    QString list = addSim(dir, QStringLiteral("first"), kItems, {"--delay", "40"});
    list += addSim(dir, QStringLiteral("second"), kItems);
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    CliProcess cli;
    QVERIFY(cli.start(dir.path(), {"--targets", "t.txt", "--jobs", "1", "flash", "p.zrbin"}));
    QTRY_VERIFY_WITH_TIMEOUT(!m_sims.front()->outputLines().filter(QStringLiteral("FLASH PAGE")).isEmpty()
                                 || !m_sims.front()->outputLines().filter(QStringLiteral("FLASH ERASE")).isEmpty(),
                             20000);
    ::kill(static_cast<pid_t>(cli.pid()), SIGINT);
    const bool told = cli.waitForError(QStringLiteral("不再开始新的仪器。"));
    const CliResult r = cli.wait(60000);
    QVERIFY2(told, qPrintable(r.errText() + r.outText()));
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 130);
    QCOMPARE(r.outText(), QStringLiteral("first\tok\t2.1.0\nsecond\tfailed\t未开始\n"));
    QVERIFY(m_sims.back()->outputLines().filter(QStringLiteral("FLASH")).isEmpty());
}

void tst_CliTargets::endedBySignalLeavesNoChild_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode"); // -1: killed
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    QTest::newRow("SIGHUP") << int(SIGHUP) << 129;
    QTest::newRow("SIGKILL") << int(SIGKILL) << -1;
}

// A scheduler's cancel or a closed session: no child goes on writing.
void tst_CliTargets::endedBySignalLeavesNoChild()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    TempWorkDir dir;
    QByteArray items, rows;
    for (int i = 0; i < 60; ++i) {
        items += QStringLiteral("P%1:1\n").arg(i).toUtf8();
        rows += QStringLiteral("%1. P%1, 2\r\n").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
    }
    dir.writeFile(QStringLiteral("w.csv"), rows);
    QString list;
    for (const char *name : {"a", "b", "c"})
        list += addSim(dir, QString::fromLatin1(name), items, {"--delay", "100"});
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    CliProcess cli;
    QVERIFY(cli.start(dir.path(), {"--targets", "t.txt", "--jobs", "3", "--report", "r.csv", "write", "w.csv",
                                   "--no-backup"}));
    const QRegularExpression written(QStringLiteral("^ZRSIM WRITE "));
    for (auto &sim : m_sims)
        QTRY_VERIFY_WITH_TIMEOUT(!sim->outputLines().filter(written).isEmpty(), 20000);
    const QList<qint64> children = childrenOf(cli.pid());
    QCOMPARE(children.size(), 3);
    ::kill(static_cast<pid_t>(cli.pid()), signal);
    const CliResult r = cli.wait(60000);
    QVERIFY(r.finished);
    for (const qint64 child : children)
        QTRY_VERIFY_WITH_TIMEOUT(processGone(child), 20000);
    // Each child stopped long before its batch was through.
    for (auto &sim : m_sims)
        QVERIFY(sim->outputLines().filter(written).size() < 60);
    if (exitCode < 0)
        return;
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(resultLines(r.outText()).size(), 3);
    const QStringList report = QString::fromUtf8(dir.readFile("r.csv")).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(report.size(), 4);
}

void tst_CliTargets::backupsOfABatchSharingAName()
{
    TempWorkDir dir;
    // backup/keep=1 per instrument: each one's backup stays.
    dir.writeFile(QStringLiteral("config.ini"), "[backup]\nkeep=1\n");
    QString list;
    for (int i = 0; i < 4; ++i)
        list += addSim(dir, QStringLiteral("n%1").arg(i), QStringLiteral("站点名称:北站\nRun:%1\n").arg(i).toUtf8());
    dir.writeFile(QStringLiteral("t.txt"), list.toUtf8());
    dir.writeFile(QStringLiteral("w.csv"), "01. Run, 9\r\n");
    const CliResult r = CliProcess::run(dir.path(), {"--targets", "t.txt", "--jobs", "4", "write", "w.csv"}, 60000);
    QCOMPARE(r.exitCode, 0);
    const QStringList files = QDir(dir.filePath(QStringLiteral("Backups"))).entryList(QDir::Files);
    QCOMPARE(files.size(), 4);
    QSet<int> runs;
    for (const QString &file : files) {
        const QByteArray bytes = dir.readFile(QStringLiteral("Backups/") + file);
        const int at = bytes.indexOf("Run, ");
        QVERIFY2(at > 0, bytes.constData());
        runs.insert(bytes.mid(at + 5, 1).toInt());
    }
    QCOMPARE(runs, (QSet<int>{0, 1, 2, 3}));
}

void tst_CliTargets::judgeRun_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // the child's --json lines
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("detail");
    const QString differs = R"({"type":"difference","index":3,"name":"A","instrument":"1","file":"2","known":true})"
                            "\n";
    const QString unknown = R"({"type":"difference","index":9,"name":"C","instrument":"","file":"2","known":false})"
                            "\n";
    auto result = [](const QString &message) {
        return QStringLiteral("{\"type\":\"result\",\"message\":\"%1\"}\n").arg(message);
    };
    const QString ok = R"({"type":"row","index":0,"status":"ok","value":"5"})" "\n";
    const QString refused = R"({"type":"row","index":1,"status":"refused","value":"6"})" "\n";
    QTest::newRow("diff finds rows") << "diff" << false << 4 << differs + unknown + differs + result("")
                                     << int(TargetResult::Ok) << "2 项不同";
    QTest::newRow("diff equal") << "diff" << false << 0 << result("") << int(TargetResult::Ok) << "0 项不同";
    QTest::newRow("diff read fails") << "diff" << false << 1 << result("接收数据超时") << int(TargetResult::Failed)
                                     << "接收数据超时";
    QTest::newRow("exit 4 is no diff elsewhere") << "sync-time" << false << 4 << result("odd")
                                                 << int(TargetResult::Failed) << "odd";
    QTest::newRow("write refused") << "write" << false << 3 << ok + refused + result("写入配置完成,1项不支持修改")
                                   << int(TargetResult::Refused) << "写入 1 项,拒绝 1 项";
    QTest::newRow("backup path") << "backup" << false << 0 << result("Backups/a-20261209-070000.csv")
                                 << int(TargetResult::Ok) << "Backups/a-20261209-070000.csv";
    QTest::newRow("write interrupted") << "write" << false << 130 << ok + ok << int(TargetResult::Failed)
                                       << "已中断: 写入 2 项,拒绝 0 项";
    QTest::newRow("no result") << "set" << false << 1 << "" << int(TargetResult::Failed) << "";
    QTest::newRow("crash") << "diff" << true << 0 << "" << int(TargetResult::Failed) << "程序异常结束";
}

void tst_CliTargets::judgeRun()
{
    QFETCH(QString, command);
    QFETCH(bool, crashed);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(int, status);
    QFETCH(QString, detail);
    const auto *target = findCliCommand(command);
    QVERIFY(target && target->targetDetail != TargetDetail::NotAllowed);
    const TargetResult r = judgeTargetRun(target->targetDetail, crashed, exitCode, out.toUtf8(), QString());
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.detail, detail);
}

QTEST_GUILESS_MAIN(tst_CliTargets)
#include "tst_clitargets.moc"
