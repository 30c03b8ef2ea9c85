// zrvu-cli --json against zrsim: every line the schema accepts, and the
// result's status, exit and error code for one success and one failure
// of each command. The text-mode suites check the values themselves.
#include "firmware/package.h"
#include "link/outcome.h"

#include "tests/cli/cliprocess.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

const QByteArray kItems = "设备名称:ZR-Demo\n"
                          "Rate(1/5/10/60):10\n"
                          "!Uptime:1234 h\n"
                          "Calibrate zero\n";
const QByteArray kBom = "\xEF\xBB\xBF";
const QByteArray kSame = kBom + "00. 设备名称, ZR-Demo\r\n01. Rate(1/5/10/60), 10\r\n02. Uptime, 1234 h\r\n03. Calibrate zero\r\n";

} // namespace

// The schema check, one Python for the whole suite (each start with
// jsonschema costs most of a second): empty when every line holds, else
// why not.
class SchemaCheck
{
public:
    ~SchemaCheck()
    {
        python.closeWriteChannel();
        if (!python.waitForFinished(10000))
            python.kill();
    }

    QString problem(const QByteArray &out, bool *skipped)
    {
        *skipped = false;
        if (python.state() == QProcess::NotRunning) {
            python.start(QStringLiteral("python3"),
                         {QStringLiteral(ZR_JSON_CHECK), QStringLiteral(ZR_JSON_SCHEMA), QStringLiteral("--serve")});
            if (!python.waitForStarted(10000)) {
                *skipped = true;
                return QStringLiteral("python3 is not installed");
            }
        }
        python.write(QByteArray::number(out.size()) + '\n' + out);
        while (!python.canReadLine() && python.state() == QProcess::Running) {
            if (!python.waitForReadyRead(60000) && python.state() == QProcess::Running)
                return QStringLiteral("the schema check did not answer");
        }
        if (!python.canReadLine()) {
            python.waitForFinished(10000);
            *skipped = python.exitCode() == 77;
            return QString::fromUtf8(python.readAllStandardError()).trimmed();
        }
        const QByteArray answer = python.readLine().trimmed();
        return answer == "ok" ? QString() : QString::fromUtf8(answer);
    }

private:
    QProcess python;
};

static QJsonObject lastObject(const QByteArray &out)
{
    const QList<QByteArray> lines = out.trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object();
}

class tst_CliJson : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void targets();
    void codesInSchema();

private:
    SchemaCheck schema;
};

void tst_CliJson::commands_data()
{
    QTest::addColumn<QString>("sim"); // "": none, "ok", "silent"
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("code"); // error.code, "" for none
    QTest::addColumn<QString>("record"); // a record type the run must print

    const QString ok = QStringLiteral("ok"), silent = QStringLiteral("silent"), none;
    QTest::newRow("items") << ok << QStringList{"items"} << "ok" << 0 << "" << "item";
    QTest::newRow("items silent") << silent << QStringList{"items"} << "failed" << 1 << "NoReply" << "";
    QTest::newRow("export") << ok << QStringList{"export", "out.csv"} << "ok" << 0 << "" << "item";
    QTest::newRow("export no folder") << ok << QStringList{"export", "absent/out.csv"} << "failed" << 1
                                      << "FileWriteFailed" << "item";
    QTest::newRow("backup") << ok << QStringList{"backup", "bk"} << "ok" << 0 << "" << "item";
    QTest::newRow("backup silent") << silent << QStringList{"backup"} << "failed" << 1 << "NoReply" << "";
    QTest::newRow("write") << ok << QStringList{"write", "--verify", "changed.csv"} << "ok" << 0 << "" << "row";
    QTest::newRow("write refused") << ok << QStringList{"write", "refused.csv"} << "refused" << 3 << "Refused"
                                   << "row";
    QTest::newRow("write bad file") << none << QStringList{"write", "bad.csv"} << "failed" << 1 << "BadValue" << "";
    QTest::newRow("diff same") << ok << QStringList{"diff", "same.csv"} << "ok" << 0 << "" << "";
    QTest::newRow("diff differs") << ok << QStringList{"diff", "changed.csv"} << "differs" << 4 << "Differs"
                                  << "difference";
    QTest::newRow("set") << ok << QStringList{"set", "1", "60"} << "ok" << 0 << "" << "";
    QTest::newRow("set refused") << ok << QStringList{"set", "1", "7"} << "refused" << 3 << "Refused" << "";
    QTest::newRow("set bad index") << none << QStringList{"set", "300", "1"} << "usage" << 2 << "Usage" << "";
    QTest::newRow("trigger") << ok << QStringList{"trigger", "3"} << "ok" << 0 << "" << "";
    QTest::newRow("trigger valued") << ok << QStringList{"trigger", "1"} << "usage" << 2 << "BadValue" << "";
    QTest::newRow("sync-time") << ok << QStringList{"sync-time"} << "ok" << 0 << "" << "";
    QTest::newRow("sync-time silent") << silent << QStringList{"sync-time"} << "failed" << 1 << "NoReply" << "";
    QTest::newRow("write-sn") << ok << QStringList{"write-sn", "AB12"} << "ok" << 0 << "" << "";
    QTest::newRow("write-sn bad") << none << QStringList{"write-sn", "a b"} << "usage" << 2 << "BadValue" << "";
    QTest::newRow("package-info") << none << QStringList{"package-info", "p.zrbin"} << "ok" << 0 << "" << "";
    QTest::newRow("package-info bad") << none << QStringList{"package-info", "bad.csv"} << "failed" << 1
                                      << "BadPackage" << "";
    QTest::newRow("flash") << ok << QStringList{"flash", "--no-backup", "p.zrbin"} << "ok" << 0 << "" << "";
    QTest::newRow("flash other model") << ok << QStringList{"flash", "--no-backup", "other.zrbin"} << "failed" << 1
                                       << "ModelMismatch" << "";
    QTest::newRow("history") << ok << QStringList{"history", "2024-01-01", "2024-01-02"} << "ok" << 0 << "" << "line";
    QTest::newRow("history bad date") << none << QStringList{"history", "2024-13-01", "2024-01-02"} << "usage" << 2
                                      << "Usage" << "";
    QTest::newRow("history silent") << silent << QStringList{"history", "2024-01-01", "2024-01-02"} << "failed" << 1
                                    << "NoReply" << "";
    QTest::newRow("monitor") << ok << QStringList{"monitor", "--seconds", "1"} << "ok" << 0 << "" << "";
    QTest::newRow("monitor silent") << silent << QStringList{"monitor", "--seconds", "1"} << "failed" << 1
                                    << "NoReply" << "";
    QTest::newRow("search none") << none << QStringList{"search", "--target", "127.0.0.1:9"} << "failed" << 1
                                 << "NoAnswer" << "";
    QTest::newRow("catalogue") << none << QStringList{"catalogue", "--url", "http://127.0.0.1:9/"} << "failed" << 1
                               << "CatalogueFailed" << "";
    QTest::newRow("download") << none << QStringList{"download", "http://127.0.0.1:9/p.zrbin", "dl"} << "failed"
                              << 1 << "DownloadFailed" << "";
    QTest::newRow("no command") << none << QStringList{"--udp"} << "usage" << 2 << "Usage" << "";
}

void tst_CliJson::commands()
{
    QFETCH(QString, sim);
    QFETCH(QStringList, arguments);
    QFETCH(QString, status);
    QFETCH(int, exit);
    QFETCH(QString, code);
    QFETCH(QString, record);

    TempWorkDir dir;
    dir.writeFile(QStringLiteral("sim-items.txt"), kItems);
    dir.writeFile(QStringLiteral("same.csv"), kSame);
    dir.writeFile(QStringLiteral("changed.csv"), QByteArray(kSame).replace("10\r\n", "60\r\n"));
    dir.writeFile(QStringLiteral("refused.csv"), QByteArray(kSame).replace("1234 h", "99 h"));
    dir.writeFile(QStringLiteral("bad.csv"), "not an item file\n");
    QString error;
    const QByteArray image(3000, '\x5A');
    QVERIFY2(writePackage(dir.filePath("p.zrbin"), packageFields(QStringLiteral("ZR"), QStringLiteral("ZR-SIM"),
                                                                QStringLiteral("2.1.0"), image), &error), qPrintable(error));
    QVERIFY2(writePackage(dir.filePath("other.zrbin"), packageFields(QStringLiteral("ZR"), QStringLiteral("ZR-OTHER"),
                                                                    QStringLiteral("2.1.0"), image), &error), qPrintable(error));

    SimProcess zrsim;
    QStringList link;
    if (!sim.isEmpty()) {
        QStringList simArguments{"--items", dir.filePath("sim-items.txt"), "--udp", "127.0.0.1:0"};
        if (sim == QLatin1String("silent"))
            simArguments << "--silent";
        QVERIFY2(zrsim.start(simArguments), qPrintable(zrsim.lastError()));
        link << "--udp" << QStringLiteral("127.0.0.1:%1").arg(zrsim.udpPort()) << "--address" << "1";
    }
    const CliResult r = CliProcess::run(dir.path(), QStringList{"--json"} + link + arguments, 60000,
                                        {{"ZRVU_CLI_FLASH_TIMEOUTS", "2000,4000,50"},
                                         {"ZRVU_CLI_SEARCH_LISTEN_MS", "300"}});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exit);
    bool skipped = false;
    const QString problem = schema.problem(r.out, &skipped);
    if (skipped)
        QSKIP(qPrintable(QStringLiteral("no schema check: %1").arg(problem)));
    QVERIFY2(problem.isEmpty(), qPrintable(problem + QStringLiteral("\nstderr: ") + r.errText()));
    const QJsonObject result = lastObject(r.out);
    QCOMPARE(result.value("status").toString(), status);
    QCOMPARE(result.value("exit").toInt(), exit);
    QCOMPARE(result.value("error").toObject().value("code").toString(), code);
    if (!code.isEmpty())
        QVERIFY(!result.value("error").toObject().value("message").toString().isEmpty() || code == "Differs");
    if (!record.isEmpty())
        QVERIFY2(r.out.contains(QStringLiteral("\"type\":\"%1\"").arg(record).toUtf8()), r.out.constData());
}

// Eight instruments, one silent and one refusing: one target object each,
// the children judged from their results, the exit status as in text mode.
void tst_CliJson::targets()
{
    TempWorkDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims;
    QString file;
    for (int i = 0; i < 8; ++i) {
        const QString items = QStringLiteral("items-%1.txt").arg(i);
        dir.writeFile(items, i == 1 ? QByteArray(kItems).replace("Rate", "!Rate") : kItems);
        QStringList arguments{"--items", dir.filePath(items), "--udp", "127.0.0.1:0"};
        if (i == 0)
            arguments << "--silent";
        sims.push_back(std::make_unique<SimProcess>());
        QVERIFY2(sims.back()->start(arguments), qPrintable(sims.back()->lastError()));
        file += QStringLiteral("udp 127.0.0.1:%1 1 n%2\n").arg(sims.back()->udpPort()).arg(i);
    }
    dir.writeFile(QStringLiteral("targets.txt"), file.toUtf8());
    const CliResult r = CliProcess::run(dir.path(), {"--json", "--targets", "targets.txt", "--report", "r.json",
                                                     "--jobs", "8", "set", "1", "60"}, 120000);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1); // one failed
    bool skipped = false;
    const QString problem = schema.problem(r.out, &skipped);
    if (skipped)
        QSKIP(qPrintable(QStringLiteral("no schema check: %1").arg(problem)));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QMap<QString, QString> status;
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 9);
    for (const QByteArray &line : lines.mid(0, 8)) {
        const QJsonObject target = QJsonDocument::fromJson(line).object();
        status.insert(target.value("name").toString(), target.value("status").toString());
        QCOMPARE(target.value("result").toObject().value("command").toString(), QStringLiteral("set"));
    }
    QCOMPARE(status.value("n0"), QStringLiteral("failed"));
    QCOMPARE(status.value("n1"), QStringLiteral("refused"));
    QCOMPARE(status.values().count(QStringLiteral("ok")), 6);
    QCOMPARE(lastObject(r.out).value("targets").toInt(), 8);

    QFile report(dir.filePath("r.json"));
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QJsonArray array = QJsonDocument::fromJson(report.readAll()).array();
    QCOMPARE(array.size(), 9);
    QCOMPARE(array.last().toObject().value("exit").toInt(), 1);
}

// A code added to the core's vocabulary must reach the schema, or a valid
// run would fail a script's validation.
void tst_CliJson::codesInSchema()
{
    QFile file(QStringLiteral(ZR_JSON_SCHEMA));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject error = QJsonDocument::fromJson(file.readAll()).object().value("$defs").toObject().value("error").toObject();
    const QJsonArray codes = error.value("properties").toObject().value("code").toObject().value("enum").toArray();
    const QMetaEnum names = QMetaEnum::fromType<Failure::Code>();
    QCOMPARE(codes.size(), names.keyCount() - 1); // all but None
    for (int i = 0; i < names.keyCount(); ++i) {
        const auto value = static_cast<Failure::Code>(names.value(i));
        if (value != Failure::None)
            QVERIFY2(codes.contains(Failure::errorName(value)), qPrintable(Failure::errorName(value)));
    }
    QCOMPARE(Failure::fromLinkResult(2, QByteArray()), Failure::NoReply);
}

QTEST_GUILESS_MAIN(tst_CliJson)
#include "tst_clijson.moc"
