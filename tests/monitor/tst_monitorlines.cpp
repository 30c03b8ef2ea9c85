#include "link/framecodec.h"
#include "monitor/monitorlines.h"

#include <QtTest>

Q_DECLARE_METATYPE(MonitorFormat)

class tst_MonitorLines : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void splitter_data();
    void splitter();
};

void tst_MonitorLines::format_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<MonitorFormat>("format");
    QTest::addColumn<QString>("text");
    const QByteArray ok("OK\r\n");
    const QString prefix = QStringLiteral("[2024-03-08 13:05:09.042][4] : ");
    QTest::newRow("original") << ok << MonitorFormat::Original << QStringLiteral("OK\r\n");
    QTest::newRow("hex") << ok << MonitorFormat::Hex << prefix + QStringLiteral("4F 4B 0D 0A \r\n");
    QTest::newRow("original + hex") << ok << MonitorFormat::OriginalHex
                                    << prefix + QStringLiteral("OK ( 4F 4B 0D 0A  )\r\n");
    QTest::newRow("twelve bytes") << QByteArray("temp=21.5C\r\n") << MonitorFormat::Hex
                                  << QStringLiteral("[2024-03-08 13:05:09.042][12] : "
                                                    "74 65 6D 70 3D 32 31 2E 35 43 0D 0A \r\n");
    // Inner line breaks become blanks; outer white space goes.
    QTest::newRow("flattened") << QByteArray("  a\rb\r\n") << MonitorFormat::OriginalHex
                               << QStringLiteral("[2024-03-08 13:05:09.042][7] : a b ( 20 20 61 0D 62 0D 0A  )\r\n");
    const QByteArray gb = encodeDeviceText(QStringLiteral("温度\n"));
    QTest::newRow("gb2312 original") << gb << MonitorFormat::Original << QStringLiteral("温度\n");
    QTest::newRow("gb2312 both") << gb << MonitorFormat::OriginalHex
                                 << QStringLiteral("[2024-03-08 13:05:09.042][5] : 温度 ( ") + hexDump(gb)
                                        + QStringLiteral(" )\r\n");
    QTest::newRow("latin-1 fallback") << QByteArray("A\xFF\n") << MonitorFormat::Original
                                      << QString::fromLatin1("A\xFF\n");
    QTest::newRow("bare lf") << QByteArray("\n") << MonitorFormat::OriginalHex
                             << QStringLiteral("[2024-03-08 13:05:09.042][1] :  ( 0A  )\r\n");
    QTest::newRow("empty is ignored") << QByteArray() << MonitorFormat::Hex << QString();
}

void tst_MonitorLines::format()
{
    QFETCH(QByteArray, line);
    QFETCH(MonitorFormat, format);
    QFETCH(QString, text);
    const QDateTime now(QDate(2024, 3, 8), QTime(13, 5, 9, 42));
    QCOMPARE(formatMonitorLine(line, format, now), text);
}

void tst_MonitorLines::splitter_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<int>("maxLine"); // 0: the default bound
    QTest::newRow("split over reads") << QList<QByteArray>{"hel", "lo\r", "\nwor", "ld\n"}
                                      << QList<QByteArray>{"hello\r\n", "world\n"} << QByteArray() << 0;
    QTest::newRow("two in one read") << QList<QByteArray>{"a\nb\n"} << QList<QByteArray>{"a\n", "b\n"}
                                     << QByteArray() << 0;
    QTest::newRow("no lf stays") << QList<QByteArray>{"a\nrest", " more"} << QList<QByteArray>{"a\n"}
                                 << QByteArray("rest more") << 0;
    QTest::newRow("empty lines") << QList<QByteArray>{"\n\n"} << QList<QByteArray>{"\n", "\n"} << QByteArray() << 0;
    // Output without line feeds is handed on in pieces instead of piling up.
    QTest::newRow("endless line cut") << QList<QByteArray>{"abcdefghij", "kl"}
                                      << QList<QByteArray>{"abcd", "efgh", "ijkl"} << QByteArray() << 4;
    QTest::newRow("lf at the bound") << QList<QByteArray>{"abc\nab", "cdef\n"}
                                     << QList<QByteArray>{"abc\n", "abcd", "ef\n"} << QByteArray() << 4;
    QTest::newRow("default bound") << QList<QByteArray>{QByteArray(5000, 'x')}
                                   << QList<QByteArray>{QByteArray(4096, 'x')} << QByteArray(904, 'x') << 0;
}

void tst_MonitorLines::splitter()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, rest);
    QFETCH(int, maxLine);
    MonitorLineSplitter splitter = maxLine ? MonitorLineSplitter(maxLine) : MonitorLineSplitter();
    QList<QByteArray> got;
    for (const QByteArray &r : reads)
        got += splitter.feed(r);
    QCOMPARE(got, lines);
    QCOMPARE(splitter.rest(), rest);
}

QTEST_GUILESS_MAIN(tst_MonitorLines)
#include "tst_monitorlines.moc"
