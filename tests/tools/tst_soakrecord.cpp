// The soak's judgement of outcomes: which texts count as the system's own,
// and records surviving the trip through the phase process's stdout.
#include "tools/zrsoak/soakrecord.h"

#include <QtTest>

class tst_SoakRecord : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void roundTrip_data();
    void roundTrip();
    void badLines_data();
    void badLines();
    void failingAndStale();
};

void tst_SoakRecord::texts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("specified");
    QTest::addColumn<QString>("counted");
    QTest::newRow("refresh timeout") << "refresh" << "接收数据超时" << true << "接收数据超时";
    // The streaming exchanges spell it with 接受; a refresh never does.
    QTest::newRow("refresh stream spelling") << "refresh" << "接受数据超时" << false << "接受数据超时";
    QTest::newRow("refresh length with hex") << "refresh" << "数据长度校验错误 : \n01 03 03 41 42 "
                                             << true << "数据长度校验错误 : \n…";
    QTest::newRow("refresh address with hex") << "refresh" << "地址或命令校验错误: \n02 03 00 "
                                              << true << "地址或命令校验错误: \n…";
    QTest::newRow("refresh length without break") << "refresh" << "数据长度校验错误 : 01" << false
                                                  << "数据长度校验错误 : 01";
    QTest::newRow("refresh port") << "refresh" << "打开串口失败: /dev/pts/9" << true << "打开串口失败: …";
    QTest::newRow("write bad reply") << "write" << "硬件返回数据校验错误" << true << "硬件返回数据校验错误";
    QTest::newRow("write crc") << "write" << "CRC校验错误" << true << "CRC校验错误";
    QTest::newRow("write refresh text") << "write" << "数据长度校验错误 : \n01 " << false
                                        << "数据长度校验错误 : \n01 ";
    QTest::newRow("flash page") << "flash" << "固件更新失败,发送文件数据失败!" << true
                                << "固件更新失败,发送文件数据失败!";
    QTest::newRow("flash reopen") << "flash" << "固件更新失败,重试打开串口失败 ：打开串口失败: COM3" << true
                                  << "固件更新失败,重试打开串口失败 ：…";
    QTest::newRow("flash bare prefix") << "flash" << "固件更新失败," << false << "固件更新失败,";
    QTest::newRow("empty") << "flash" << "" << false << "";
}

void tst_SoakRecord::texts()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, specified);
    QFETCH(QString, counted);
    const SoakTexts t = kind == QLatin1String("refresh") ? SoakTexts::refresh()
                        : kind == QLatin1String("write") ? SoakTexts::write()
                                                         : SoakTexts::flash();
    QCOMPARE(t.contains(text), specified);
    QCOMPARE(t.normalised(text), counted);
}

void tst_SoakRecord::roundTrip_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<bool>("longWait");
    QTest::newRow("plain") << "ok" << "run 3 page 7" << int(SoakRecord::Ok) << false;
    QTest::newRow("line break") << "数据长度校验错误 : \n…" << "a\nb\r\n" << int(SoakRecord::KnownError) << false;
    QTest::newRow("tabs and backslashes") << "x\ty" << "C:\\dir\\n\t\\t" << int(SoakRecord::Unexpected) << true;
    QTest::newRow("empty detail") << "写入配置成功" << "" << int(SoakRecord::Stale) << false;
    QTest::newRow("trailing backslash") << "HANG" << "end\\" << int(SoakRecord::WrongData) << true;
}

void tst_SoakRecord::roundTrip()
{
    QFETCH(QString, outcome);
    QFETCH(QString, detail);
    QFETCH(int, verdict);
    QFETCH(bool, longWait);
    SoakRecord r;
    r.kind = QStringLiteral("page");
    r.outcome = outcome;
    r.detail = detail;
    r.verdict = static_cast<SoakRecord::Verdict>(verdict);
    r.ms = 5002;
    r.boundMs = 10750;
    r.longWait = longWait;
    const QByteArray line = r.toLine();
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    SoakRecord back;
    QVERIFY(SoakRecord::fromLine(line, &back));
    QCOMPARE(back.kind, r.kind);
    QCOMPARE(back.outcome, outcome);
    QCOMPARE(back.detail, detail);
    QCOMPARE(int(back.verdict), verdict);
    QCOMPARE(back.ms, r.ms);
    QCOMPARE(back.boundMs, r.boundMs);
    QCOMPARE(back.longWait, longWait);
}

void tst_SoakRecord::badLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("zrsim status") << QByteArray("ZRSIM FLASH PAGE 3 3\n");
    QTest::newRow("too few fields") << QByteArray("R\tpage\tok\t0\t1\t2\n");
    QTest::newRow("verdict out of range") << QByteArray("R\tpage\tok\t9\t1\t2\td\t0\n");
    QTest::newRow("duration not a number") << QByteArray("R\tpage\tok\t0\tx\t2\td\t0\n");
}

void tst_SoakRecord::badLines()
{
    QFETCH(QByteArray, line);
    SoakRecord r;
    QVERIFY(!SoakRecord::fromLine(line, &r));
}

void tst_SoakRecord::failingAndStale()
{
    SoakTally tally;
    auto add = [&tally](SoakRecord::Verdict v, qint64 ms, qint64 bound, bool longWait = false) {
        SoakRecord r;
        r.kind = QStringLiteral("write");
        r.outcome = QStringLiteral("x");
        r.verdict = v;
        r.ms = ms;
        r.boundMs = bound;
        r.longWait = longWait;
        tally.add(r);
    };
    add(SoakRecord::Ok, 10, 100);
    add(SoakRecord::KnownError, 5001, 10750);
    add(SoakRecord::Stale, 3, 100);
    QCOMPARE(tally.failures(), 0);
    add(SoakRecord::Ok, 101, 100);        // over its bound
    add(SoakRecord::Ok, 10, 100, true);   // one wait inside it too long
    add(SoakRecord::WrongData, 10, 100);
    add(SoakRecord::Unexpected, 10, 100);
    QCOMPARE(tally.failures(), 4);
    QCOMPARE(tally.count(QStringLiteral("write")), 7);
    QVERIFY(tally.table().contains(QStringLiteral("OVERLONG")));
    QVERIFY(tally.table().contains(QStringLiteral("STALE")));
}

QTEST_MAIN(tst_SoakRecord)
#include "tst_soakrecord.moc"
