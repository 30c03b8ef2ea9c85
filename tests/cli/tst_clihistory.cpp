#include "history/historyexport.h"

#include "tests/cli/cliprocess.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QtTest>

#include <csignal>

namespace {

} // namespace

// History queries and monitor runs of zrvu-cli against zrsim.
class tst_CliHistory : public QObject
{
    Q_OBJECT

private:
    bool startSim(SimProcess &sim, bool pty, QStringList *link, QStringList extra = {})
    {
        return ::startSim(sim, pty, extra, link);
    }

private slots:
    void historyLinesAndExports_data();
    void historyLinesAndExports();
    void historyPdfWithoutDisplay();
    void historyChart_data();
    void historyChart();
    void historyBadDates_data();
    void historyBadDates();
    void historyOpenFailure();
    void historySerialHangUp();
    void historyLostDatagram();
    void monitorFormats_data();
    void monitorFormats();
    void monitorWithoutDebug();
    void monitorCtrlCSwitchesDebugOff();
    void monitorClosedStdoutSwitchesDebugOff();
    void stdoutThatFails_data();
    void stdoutThatFails();
};

void tst_CliHistory::historyLinesAndExports_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

void tst_CliHistory::historyLinesAndExports()
{
    QFETCH(bool, pty);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, pty, &link, {"--history-interval", "60"}));
    const CliResult r = CliProcess::run(
        dir.path(), link + QStringList{"history", "2026-03-01", "2026-03-02", "--csv", "h.csv", "--pdf", "h.pdf"},
        60000);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.out.contains('\r'));
    QVERIFY(r.out.endsWith('\n'));
    const QStringList lines = r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Two days of hourly records, maybe after a header line.
    const QStringList records = lines.filter(QRegularExpression(QStringLiteral("^2026-03-0[12] \\d\\d:\\d\\d")));
    QCOMPARE(records.size(), 48);
    QVERIFY(records.first().startsWith(QLatin1String("2026-03-01 00:00")));
    QVERIFY(records.last().startsWith(QLatin1String("2026-03-02 23:00")));
    // The exports are what the dialog writes for the text it shows.
    const QString expectedCsv = dir.filePath(QStringLiteral("expected.csv"));
    QCOMPARE(exportHistoryCsv(expectedCsv, r.outText()), QString());
    QCOMPARE(fileBytes(dir.filePath("h.csv")), fileBytes(expectedCsv));
    QVERIFY(fileBytes(dir.filePath("h.pdf")).startsWith("%PDF"));
}

void tst_CliHistory::historyPdfWithoutDisplay()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--history-interval", "240"}));
    const CliResult r = CliProcess::run(dir.path(),
                                        link + QStringList{"history", "2026-03-01", "2026-03-01", "--pdf", "h.pdf"},
                                        60000, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(fileBytes(dir.filePath("h.pdf")).startsWith("%PDF"));
}

void tst_CliHistory::historyChart_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("series");
    QTest::newRow("png") << QStringList{"--chart", "c.png"} << 0 << "c.png" << QStringList{"温度(℃)", "湿度(%)"};
    QTest::newRow("svg, one column")
        << QStringList{"--chart", "c.svg", "--columns", "湿度(%)"} << 0 << "c.svg" << QStringList{"湿度(%)"};
    QTest::newRow("svg in capitals") << QStringList{"--chart", "C.SVG"} << 0 << "C.SVG"
                                     << QStringList{"温度(℃)", "湿度(%)"};
    QTest::newRow("other suffix") << QStringList{"--chart", "c.jpg"} << 2 << "c.jpg" << QStringList{};
    QTest::newRow("no suffix") << QStringList{"--chart", "chart"} << 2 << "chart" << QStringList{};
    QTest::newRow("no such column")
        << QStringList{"--chart", "c.png", "--columns", "压力"} << 1 << "c.png" << QStringList{};
    QTest::newRow("columns without chart") << QStringList{"--columns", "湿度(%)"} << 2 << "" << QStringList{};
}

void tst_CliHistory::historyChart()
{
#ifndef ZRVU_CLI_CHART
    QSKIP("this build draws no charts");
#else
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, file);
    QFETCH(QStringList, series);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--history-interval", "30"}));
    // No display: the chart is drawn offscreen whatever the session has.
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"history", "2026-03-01", "2026-03-03"} + options,
                                        60000, {{"DISPLAY", ":99"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 2) {
        // One line naming the problem, one pointing to the help.
        QCOMPARE(r.errText().count(QLatin1Char('\n')), 2);
        QVERIFY2(r.err.contains("Try 'zrvu-cli --help'."), r.err.constData());
    }
    if (exitCode != 0) {
        QVERIFY(file.isEmpty() || !QFile::exists(dir.filePath(file)));
        return;
    }
    QVERIFY2(!r.err.contains("propagateSizeHints"), r.err.constData());
    if (file.endsWith(QLatin1String("png"))) {
        const QImage image(dir.filePath(file));
        QCOMPARE(image.size(), QSize(1600, 900));
        // Not blank: the two series' colours, at least, besides background and grid.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 10, qPrintable(QString::number(colours.size())));
    } else {
        const QString svg = QString::fromUtf8(fileBytes(dir.filePath(file)));
        QString texts;
        QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral(">([^<]*)</text>")).globalMatch(svg);
        while (it.hasNext())
            texts += it.next().captured(1);
        for (const QString &name : {QStringLiteral("温度(℃)"), QStringLiteral("湿度(%)")})
            QCOMPARE(texts.contains(name.toHtmlEscaped()), series.contains(name));
    }
#endif
}

void tst_CliHistory::historyBadDates_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a date") << "yesterday" << "2026-03-01" << "FROM";
    QTest::newRow("no such day") << "2026-02-30" << "2026-03-01" << "FROM";
    QTest::newRow("other format") << "2026-03-01" << "01.03.2026" << "TO";
    QTest::newRow("other century") << "1999-12-31" << "2026-03-01" << "FROM";
    QTest::newRow("end before start") << "2026-03-02" << "2026-03-01" << "起始日期应该小于或等于结束日期";
}

void tst_CliHistory::historyBadDates()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"history", from, to, "--csv", "h.csv"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.errText().contains(message), r.err.constData());
    QVERIFY(!QFile::exists(dir.filePath("h.csv")));
    // A misuse names the problem and points to the help; the refused range
    // is no misuse. Neither is followed by the whole usage.
    QVERIFY2(!r.err.contains("Usage:"), r.err.constData());
    QCOMPARE(r.err.contains("Try 'zrvu-cli --help'."), !message.startsWith(QStringLiteral("起始")));
    QCOMPARE(r.errText().count(QLatin1Char('\n')), message.startsWith(QStringLiteral("起始")) ? 1 : 2);
}

void tst_CliHistory::historyOpenFailure()
{
    TempWorkDir dir;
    const CliResult r = CliProcess::run(
        dir.path(), {"--serial", dir.filePath("none"), "history", "2026-03-01", "2026-03-01", "--csv", "h.csv"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("h.csv")));
}

void tst_CliHistory::historySerialHangUp()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startPty());
    // 100 records, then the line goes dead in the middle of the answer.
    fake.setResponder([](const QByteArray &) {
        QList<ScriptedInstrument::Chunk> pieces;
        for (int i = 0; i < 100; ++i)
            pieces.append({"2024-03-05 10:00:00, 21.5, " + QByteArray::number(i) + "\r\n", i % 10 ? 0 : 20});
        return pieces;
    });
    connect(&fake, &ScriptedInstrument::requestReceived, &fake,
            [&fake] { QTimer::singleShot(300, &fake, [&fake] { fake.hangUp(); }); });
    dir.writeFile("h.csv", "older");
    const CliResult r = CliProcess::run(dir.path(), {"--serial", fake.ptyPath(), "history", "2024-03-05",
                                                     "2024-03-05", "--csv", "h.csv", "--pdf", "h.pdf"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("串口读取失败")), qPrintable(r.errText()));
    QCOMPARE(r.outText().count(QLatin1Char('\n')), 100);
    // An incomplete answer is not exported as if it were the whole.
    QCOMPARE(fileBytes(dir.filePath("h.csv")), QByteArray("older"));
    QVERIFY(!QFile::exists(dir.filePath("h.pdf")));
}

void tst_CliHistory::historyLostDatagram()
{
    // The second of three datagrams never arrives: no export of a part.
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--history-interval", "60", "--history-drop", "2"}));
    const CliResult r =
        CliProcess::run(dir.path(), link + QStringList{"history", "2026-03-01", "2026-03-02", "--csv", "h.csv"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("1行历史数据不完整")), qPrintable(r.errText()));
    QVERIFY(!QFile::exists(dir.filePath("h.csv")));
}

void tst_CliHistory::monitorFormats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("pattern");
    const QString prefix = QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\]\\[\\d+\\] : ");
    QTest::newRow("raw") << "raw" << "^#\\d+ ";
    QTest::newRow("hex") << "hex" << prefix + "([0-9A-F]{2} )+0A $";
    QTest::newRow("both") << "both" << prefix + "#\\d+ .* \\( ([0-9A-F]{2} )+ \\)$";
}

void tst_CliHistory::monitorFormats()
{
    QFETCH(QString, format);
    QFETCH(QString, pattern);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--debug-rate", "20"}));
    const CliResult r =
        CliProcess::run(dir.path(), link + QStringList{"monitor", "--format", format, "--seconds", "1"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.out.contains('\r'));
    const QStringList lines = r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 3, r.out.constData());
    for (const QString &line : lines)
        QVERIFY2(QRegularExpression(pattern).match(line).hasMatch(), qPrintable(line));
    QCOMPARE(simLines(sim, "^ZRSIM DEBUG", 2), (QStringList{"ZRSIM DEBUG 1", "ZRSIM DEBUG 0"}));
}

void tst_CliHistory::monitorWithoutDebug()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, true, &link));
    const CliResult r = CliProcess::run(dir.path(), link + QStringList{"monitor", "--no-debug", "--seconds", "1"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(simLines(sim, "^ZRSIM DEBUG", 1), QStringList{"ZRSIM DEBUG 0"});
}

void tst_CliHistory::monitorCtrlCSwitchesDebugOff()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--debug-rate", "20"}));
    CliProcess cli;
    QVERIFY(cli.start(dir.path(), link + QStringList{"monitor"}));
    QCOMPARE(simLines(sim, "^ZRSIM DEBUG 1"), QStringList{"ZRSIM DEBUG 1"});
    ::kill(static_cast<pid_t>(cli.pid()), SIGINT);
    const CliResult r = cli.wait(20000);
    QVERIFY(r.finished);
    QCOMPARE(r.exitStatus, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 130);
    QCOMPARE(simLines(sim, "^ZRSIM DEBUG", 2), (QStringList{"ZRSIM DEBUG 1", "ZRSIM DEBUG 0"}));
}

void tst_CliHistory::monitorClosedStdoutSwitchesDebugOff()
{
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--debug-rate", "50"}));
    // `zrvu-cli monitor | head -n 3`: the reader leaves, the run winds down.
    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start(QStringLiteral("/bin/sh"),
                QStringList{"-c", "{ \"$0\" \"$@\"; echo \"cli exit $?\" >&2; } | head -n 3",
                            CliProcess::executable()}
                    + link + QStringList{"monitor"});
    QVERIFY(shell.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(shell.state() == QProcess::NotRunning, 20000);
    QCOMPARE(shell.readAllStandardOutput().count('\n'), 3);
    QVERIFY(shell.readAllStandardError().contains("cli exit 0"));
    QCOMPARE(simLines(sim, "^ZRSIM DEBUG", 2), (QStringList{"ZRSIM DEBUG 1", "ZRSIM DEBUG 0"}));
}

void tst_CliHistory::stdoutThatFails_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("items") << QStringList{"items"};
    QTest::newRow("backup") << QStringList{"backup"};
    QTest::newRow("history") << QStringList{"history", "2026-03-01", "2026-03-01"};
    QTest::newRow("monitor") << QStringList{"monitor", "--seconds", "30"};
    QTest::newRow("help") << QStringList{"--help"};
}

// Output that went nowhere is no success: a full disk is named.
void tst_CliHistory::stdoutThatFails()
{
    QFETCH(QStringList, args);
    TempWorkDir dir;
    SimProcess sim;
    QStringList link;
    QVERIFY(startSim(sim, false, &link, {"--debug-rate", "20", "--history-interval", "60"}));
    CliProcess cli;
    cli.setStandardOutputFile(QStringLiteral("/dev/full"));
    QVERIFY(cli.start(dir.path(), link + args));
    // The monitor stops at the first line it cannot write, long before 30 s.
    const CliResult r = cli.wait(25000);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.errText().contains(QStringLiteral("无法写入标准输出: 磁盘空间不足")), r.err.constData());
    if (args.first() == QLatin1String("monitor"))
        QCOMPARE(simLines(sim, "^ZRSIM DEBUG", 2), (QStringList{"ZRSIM DEBUG 1", "ZRSIM DEBUG 0"}));
}

QTEST_GUILESS_MAIN(tst_CliHistory)
#include "tst_clihistory.moc"
