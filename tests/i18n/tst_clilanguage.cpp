#include "tests/cli/cliprocess.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

// zrvu-cli, the real binary, with the shipped .qm files in its working
// directory (where the assistant looks for them too).
class tst_CliLanguage : public QObject
{
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
};

namespace {

bool hasChinese(const QString &text)
{
    static const QRegularExpression han(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    return han.match(text).hasMatch();
}

} // namespace

void tst_CliLanguage::messages_data()
{
    QTest::addColumn<QString>("stored");   // language/language in config.ini
    QTest::addColumn<QString>("option");   // --lang, empty for none
    QTest::addColumn<bool>("sim");         // needs the simulated instrument
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");      // expected stdout, exact
    QTest::addColumn<QString>("err");      // expected first line of stderr

    // Failures reported by the shared code (package reader, link).
    QTest::newRow("en_US package error") << "" << "en_US" << false << QStringList{"package-info", "gone.zrbin"} << 1
                                         << "" << "zrvu-cli: Cannot read the file: it does not exist or access is denied.";
    QTest::newRow("en_US flash error") << "" << "en_US" << false << QStringList{"flash", "gone.zrbin"} << 1 << ""
                                       << "zrvu-cli: Update failed: the file does not exist or access is denied.";
    QTest::newRow("en_US link error") << "" << "en_US" << false
                                      << QStringList{"--serial", "/nonexistent/ttyZR", "sync-time"} << 1 << ""
                                      << "zrvu-cli: Cannot open the serial port: /nonexistent/ttyZR";
    // Success lines and the tool's own texts.
    QTest::newRow("en_US sync-time") << "" << "en_US" << true << QStringList{"sync-time"} << 0
                                     << "Time synchronised\n" << "";
    QTest::newRow("en_US stored") << "en_US" << "" << true << QStringList{"sync-time"} << 0
                                  << "Time synchronised\n" << "";
    QTest::newRow("en_US trigger on value") << "" << "en_US" << true << QStringList{"trigger", "4"} << 2 << ""
                                            << "zrvu-cli: Item 4 has a value; use set";
    QTest::newRow("en_US no such item") << "" << "en_US" << true << QStringList{"set", "200", "1"} << 2 << ""
                                        << "zrvu-cli: The device has no item 200";
    QTest::newRow("en_US set") << "" << "en_US" << true << QStringList{"set", "7", "30"} << 0 << "30\n"
                               << "Configuration written";
    QTest::newRow("en_US set on a command") << "" << "en_US" << true << QStringList{"set", "18", "1"} << 2 << ""
                                            << "zrvu-cli: Item 18 is a command item; use trigger";
    QTest::newRow("en_US bad serial number") << "" << "en_US" << false << QStringList{"write-sn", "ZR-01"} << 2
                                             << "" << "zrvu-cli: Invalid serial number";
    QTest::newRow("en_US bad date range") << "" << "en_US" << false
                                          << QStringList{"history", "2024-05-31", "2024-05-01"} << 2 << ""
                                          << "zrvu-cli: The start date must not be later than the end date";

    QTest::newRow("zh_TW package error") << "" << "zh_TW" << false << QStringList{"package-info", "gone.zrbin"} << 1
                                         << "" << "zrvu-cli: 解析檔案失敗,檔案不存在或拒絕存取!";
    QTest::newRow("zh_TW sync-time") << "" << "zh_TW" << true << QStringList{"sync-time"} << 0 << "同步時間成功\n"
                                     << "";
    QTest::newRow("zh_TW stored") << "zh_TW" << "" << true << QStringList{"trigger", "4"} << 2 << ""
                                  << "zrvu-cli: 第4項帶有值,請用 set";
    QTest::newRow("zh_CH over stored en_US") << "en_US" << "zh_CH" << true << QStringList{"sync-time"} << 0
                                             << "同步时间成功\n" << "";
}

void tst_CliLanguage::messages()
{
    QFETCH(QString, stored);
    QFETCH(QString, option);
    QFETCH(bool, sim);
    QFETCH(QStringList, command);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    TempWorkDir dir;
    for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
        const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
        QVERIFY(QFile::copy(QStringLiteral(ZR_QM_DIR "/") + qm, dir.filePath(qm)));
    }
    if (!stored.isEmpty())
        dir.writeConfig({{"language/language", stored}});

    QStringList arguments;
    if (!option.isEmpty())
        arguments << "--lang" << option;
    SimProcess zrsim;
    if (sim) {
        QVERIFY2(zrsim.start({"--udp", "127.0.0.1:0"}), qPrintable(zrsim.lastError()));
        arguments << "--udp" << QStringLiteral("127.0.0.1:%1").arg(zrsim.udpPort()) << "--address" << "1";
    }
    arguments << command;

    const CliResult r = CliProcess::run(dir.path(), arguments, 60000);
    QVERIFY(r.finished);
    QCOMPARE(r.outText(), out);
    const QString firstLine = r.errText().section(QLatin1Char('\n'), 0, 0);
    QCOMPARE(firstLine, err);
    // A refused value is a message of its own, with no usage after it.
    if (exitCode == 2)
        QCOMPARE(r.errText(), err + QLatin1Char('\n'));
    QCOMPARE(r.exitCode, exitCode);
    if (option == QLatin1String("en_US") || (option.isEmpty() && stored == QLatin1String("en_US")))
        QVERIFY2(!hasChinese(r.outText() + r.errText()), qPrintable(r.errText()));
}

QTEST_GUILESS_MAIN(tst_CliLanguage)
#include "tst_clilanguage.moc"
