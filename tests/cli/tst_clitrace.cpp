// zrvu-cli --trace against zrsim --verbose: both ends must have seen the
// same bytes in the same order.
#include "firmware/package.h"

#include "tests/cli/cliprocess.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

// Runs of bytes in one direction, as the instrument's client saw them:
// true = sent to the instrument. Consecutive pieces in one direction are
// joined, since a serial reply may be read in other pieces than written.
using Flow = QList<QPair<bool, QByteArray>>;

void addPiece(Flow &flow, bool sent, const QByteArray &bytes)
{
    if (!flow.isEmpty() && flow.last().first == sent)
        flow.last().second += bytes;
    else
        flow.append({sent, bytes});
}

QByteArray fromHexColumn(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

// "hh:mm:ss.zzz RX udp 127.0.0.1:40000: 01 03 ..." / "... TX pty: ...".
Flow simFlow(const QString &log)
{
    static const QRegularExpression line(QStringLiteral("^\\S+ (RX|TX) (?:udp \\S+|pty): ([0-9A-F ]*)$"));
    Flow flow;
    for (const QString &l : log.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(l);
        if (m.hasMatch())
            addPiece(flow, m.captured(1) == QLatin1String("RX"), fromHexColumn(m.captured(2)));
    }
    return flow;
}

QString describe(const Flow &flow)
{
    QStringList parts;
    for (const auto &p : flow)
        parts << QStringLiteral("%1 %2").arg(p.first ? "TX" : "RX", QString::fromLatin1(p.second.toHex(' ')));
    return parts.join(QLatin1Char('\n'));
}

QByteArray image(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 37 + 5) & 0xFF);
    return b;
}

} // namespace

class tst_CliTrace : public QObject
{
    Q_OBJECT

private slots:
    void traceEqualsInstrumentLog_data();
    void traceEqualsInstrumentLog();
    void traceToStderrAndBadFile();
    void traceThatCannotBeWritten_data();
    void traceThatCannotBeWritten();
};

void tst_CliTrace::traceEqualsInstrumentLog_data()
{
    QTest::addColumn<bool>("pty");
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("udp plain") << false << false;
    QTest::newRow("udp encrypted") << false << true;
    QTest::newRow("pty plain") << true << false;
    QTest::newRow("pty encrypted") << true << true;
}

void tst_CliTrace::traceEqualsInstrumentLog()
{
    QFETCH(bool, pty);
    QFETCH(bool, encrypt);
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("items.txt"), QStringLiteral("波特率(2400/4800/9600):9600\n名称:abc\n复位\n").toUtf8());
    QString error;
    QVERIFY2(writePackage(dir.filePath("p.zrbin"),
                          packageFields(QStringLiteral("ZR 压力变送器"), QStringLiteral("ZR-SIM"), QStringLiteral("2.1.0"),
                                        image(1500)),
                          &error),
             qPrintable(error));

    QStringList simArgs{"--verbose", "--items", dir.filePath("items.txt"), "--history-chunk", "300"};
    simArgs << (pty ? QStringList{"--pty"} : QStringList{"--udp", "127.0.0.1:0"});
    if (encrypt)
        simArgs << "--encrypt";
    SimProcess sim;
    QVERIFY2(sim.start(simArgs), qPrintable(sim.lastError()));
    QStringList link = pty ? QStringList{"--serial", sim.ptyPath(), "--baud", "115200"}
                           : QStringList{"--udp", QStringLiteral("127.0.0.1:%1").arg(sim.udpPort())};
    link << "--address" << "1" << (encrypt ? "--encrypt" : "--no-encrypt");
    const QString endpoint = pty ? sim.ptyPath() : QStringLiteral("127.0.0.1:%1").arg(sim.udpPort());

    const QList<QStringList> commands{{"items"},
                                      {"set", "0", "4800"},
                                      {"sync-time"},
                                      {"flash", "p.zrbin"},
                                      {"history", "2026-01-01", "2026-01-02"}};
    static const QRegularExpression traceLine(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t(TX|RX)\\t(\\S+)\\t([0-9A-F]{2}(?: [0-9A-F]{2})*)\\t(.+)$"));
    Flow traced;
    QStringList explanations;
    for (const QStringList &command : commands) {
        const QString traceFile = dir.filePath(QStringLiteral("trace-%1.txt").arg(command.first()));
        const CliResult r = CliProcess::run(dir.path(), QStringList{"--trace", traceFile} + link + command, 60000);
        QVERIFY2(r.exitCode == 0, qPrintable(command.join(' ') + ": " + r.errText()));
        const QString text = QString::fromUtf8(dir.readFile(QFileInfo(traceFile).fileName()));
        QVERIFY2(text.endsWith(QLatin1Char('\n')), qPrintable(command.first()));
        for (const QString &l : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = traceLine.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            QCOMPARE(m.captured(2), endpoint);
            addPiece(traced, m.captured(1) == QLatin1String("TX"), fromHexColumn(m.captured(3)));
            explanations << m.captured(4);
        }
    }
    // zrsim may log its last reply a moment after the client has it.
    QTRY_COMPARE_WITH_TIMEOUT(describe(simFlow(sim.errorOutput())), describe(traced), 5000);

    // Each kind of frame is named, and an envelope's inner frame is shown.
    const QString all = explanations.join(QLatin1Char('\n'));
    for (const char *name : {"读配置项 0", "配置项 1 应答 名称:abc", "写配置项 0 \"4800\"", "写入应答 ", "设置时钟 20",
                             "升级: 识别设备", "升级: 擦除 1500 字节", "升级: 第 1 页", "升级: 退出升级",
                             "历史数据请求 2026-01-01 至 2026-01-02"})
        QVERIFY2(all.contains(QString::fromUtf8(name)), qPrintable(QString::fromUtf8(name) + QLatin1String(" not in:\n") + all));
    QCOMPARE(all.contains(QStringLiteral("加密信封: 读配置项 0 [内层 01 03 4B 00 00 00 52 2E]")), encrypt);
    QVERIFY(!all.contains(QStringLiteral("未知帧")) || !encrypt);
}

void tst_CliTrace::traceToStderrAndBadFile()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--verbose"}), qPrintable(sim.lastError()));
    const QStringList link{"--udp", QStringLiteral("127.0.0.1:%1").arg(sim.udpPort()), "--address", "1"};
    const CliResult r = CliProcess::run(dir.path(), QStringList{"--trace", "-"} + link + QStringList{"sync-time"});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.errText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("\tTX\t127.0.0.1:")), qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1).contains(QStringLiteral("\tRX\t127.0.0.1:")) && lines.at(1).contains(QStringLiteral("时钟应答 OK")),
             qPrintable(lines.at(1)));

    // A trace that cannot be written stops the run before the instrument is touched.
    const CliResult bad = CliProcess::run(dir.path(), QStringList{"--trace", dir.filePath("no/such/dir/t.txt")} + link
                                              + QStringList{"sync-time"});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY2(bad.errText().startsWith(QStringLiteral("zrvu-cli: --trace ")), bad.err.constData());
    QVERIFY(!sim.errorOutput().contains(QStringLiteral("RX udp"), Qt::CaseSensitive)
            || sim.errorOutput().count(QStringLiteral("RX udp")) == 1);
}

void tst_CliTrace::traceThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sizeLimit"); // 0: none
    QTest::addColumn<QString>("cause");
    QTest::newRow("/dev/full") << "/dev/full" << 0 << QStringLiteral("磁盘空间不足");
    // The first line fits, a later one does not.
    QTest::newRow("file size limit") << "t.txt" << 200 << QStringLiteral("文件超过系统允许的大小");
}

// A record the user asked for: losing it is no success.
void tst_CliTrace::traceThatCannotBeWritten()
{
    QFETCH(QString, file);
    QFETCH(int, sizeLimit);
    QFETCH(QString, cause);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0"}), qPrintable(sim.lastError()));
    const QStringList link{"--udp", QStringLiteral("127.0.0.1:%1").arg(sim.udpPort()), "--address", "1"};
    CliProcess cli;
    {
        // Inherited by the child, whose other files stay below it.
        std::unique_ptr<FileSizeLimit> limit;
        if (sizeLimit > 0) {
            limit = std::make_unique<FileSizeLimit>(rlim_t(sizeLimit));
            QVERIFY(limit->active());
        }
        QVERIFY(cli.start(dir.path(), QStringList{"--trace", file} + link + QStringList{"items"}));
    }
    const CliResult r = cli.wait();
    QCOMPARE(r.exitCode, 1);
    // The operation in progress went to its end: every row is there.
    QVERIFY2(r.outText().startsWith(QStringLiteral("00. ")), r.out.constData());
    QCOMPARE(r.errText().count(QStringLiteral("zrvu-cli: --trace: ")), 1);
    QVERIFY2(r.errText().contains(cause), r.err.constData());
}

QTEST_GUILESS_MAIN(tst_CliTrace)
#include "tst_clitrace.moc"
