#include "items/itemcsv.h"

#include <QTextCodec>
#include <QtTest>

Q_DECLARE_METATYPE(ItemRow)

namespace {
ItemRow makeRow(int index, const QString &c0, const QString &c1)
{
    ItemRow r;
    r.index = index;
    r.column0 = c0;
    r.column1 = c1;
    return r;
}
} // namespace

class tst_ItemCsv : public QObject
{
    Q_OBJECT

private slots:
    void line_data();
    void line();
    void fileBytes();
    void fileLines_data();
    void fileLines();
    void parse_data();
    void parse();
    void roundTrip();
    void encodings_data();
    void encodings();
    void instrumentLineBreaksStayInTheirRow_data();
    void instrumentLineBreaksStayInTheirRow();
};

void tst_ItemCsv::line_data()
{
    QTest::addColumn<ItemRow>("row");
    QTest::addColumn<QString>("line");
    QTest::newRow("value") << makeRow(7, "03. Rate", ": 9600") << "07. Rate, 9600";
    QTest::newRow("index 5") << makeRow(5, "01. A", ": b") << "05. A, b";
    QTest::newRow("index 123") << makeRow(123, "01. A", ": b") << "123. A, b";
    QTest::newRow("command") << makeRow(2, "02. Reset", "") << "02. Reset";
    QTest::newRow("empty value") << makeRow(3, "03. Name", ": ") << "03. Name,";
    QTest::newRow("position over 99") << makeRow(150, "150. Name", ": v") << "150. Name, v";
    QTest::newRow("chinese") << makeRow(1, QStringLiteral("01. 波特率"), QStringLiteral(": 九六"))
                             << QStringLiteral("01. 波特率, 九六");
}

void tst_ItemCsv::line()
{
    QFETCH(ItemRow, row);
    QFETCH(QString, line);
    QCOMPARE(itemCsvLine(row), line);
}

void tst_ItemCsv::fileBytes()
{
    const QList<ItemRow> rows{makeRow(0, "01. A", ": 1"), makeRow(1, "02. Reset", ""),
                              makeRow(2, QStringLiteral("03. 名"), ": ")};
    QByteArray expected("\xEF\xBB\xBF" "00. A, 1\r\n01. Reset\r\n02. ");
    expected += QStringLiteral("名").toUtf8();
    expected += ",\r\n";
    QCOMPARE(buildItemFile(rows), expected);
    QCOMPARE(buildItemFile({}), QByteArray("\xEF\xBB\xBF"));
}

void tst_ItemCsv::fileLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("bom crlf") << QByteArray("\xEF\xBB\xBF" "01. A, 1\r\n02. B\r\n") << QStringList{"01. A, 1", "02. B"};
    QTest::newRow("lf") << QByteArray("01. A, 1\n02. B\n") << QStringList{"01. A, 1", "02. B"};
    QTest::newRow("no final break") << QByteArray("01. A\r\n02. B") << QStringList{"01. A", "02. B"};
    QTest::newRow("empty line inside") << QByteArray("01. A\n\n02. B\n") << QStringList{"01. A", "", "02. B"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("bom only") << QByteArray("\xEF\xBB\xBF") << QStringList{};
    QTest::newRow("utf8 after bom") << (QByteArray("\xEF\xBB\xBF") + QStringLiteral("01. 名, 值\r\n").toUtf8())
                                    << QStringList{QStringLiteral("01. 名, 值")};
}

void tst_ItemCsv::fileLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(itemFileLines(bytes), lines);
}

void tst_ItemCsv::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("value") << "07. Rate, 9600" << true << 7 << QStringList{"Rate", " 9600"};
    QTest::newRow("command") << "02. Reset" << true << 2 << QStringList{"Reset"};
    QTest::newRow("empty value") << "03. Name," << true << 3 << QStringList{"Name", ""};
    QTest::newRow("leading zeros") << "007. X, 1" << true << 7 << QStringList{"X", " 1"};
    QTest::newRow("value with commas kept whole") << "04. List, 1,2,3" << true << 4 << QStringList{"List", " 1,2,3"};
    QTest::newRow("no space") << "5.A,b" << true << 5 << QStringList{"A", "b"};
    QTest::newRow("empty line") << "" << false << 0 << QStringList{};
    QTest::newRow("nothing after dot") << "12." << false << 0 << QStringList{};
    QTest::newRow("no digits") << "A. b, c" << false << 0 << QStringList{};
    QTest::newRow("leading space") << " 01. A" << false << 0 << QStringList{};
    QTest::newRow("index overflows") << "99999999999. A, 1" << false << 0 << QStringList{};
    // The request carries one byte: 263 would write item 7, 256 item 0.
    QTest::newRow("index 255") << "255. A, 1" << true << 255 << QStringList{"A", " 1"};
    QTest::newRow("index 256") << "256. A, 1" << false << 0 << QStringList{};
    QTest::newRow("index 263") << "263. whatever, 30" << false << 0 << QStringList{};
    QTest::newRow("only spaces after dot") << "01.   " << true << 1 << QStringList{""};
}

void tst_ItemCsv::parse()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(int, index);
    QFETCH(QStringList, fields);
    int gotIndex = -1;
    QStringList gotFields;
    QCOMPARE(parseItemCsvLine(line, &gotIndex, &gotFields), ok);
    if (ok) {
        QCOMPARE(gotIndex, index);
        QCOMPARE(gotFields, fields);
    }
}

void tst_ItemCsv::roundTrip()
{
    // What the tree shows after an import must export to the same file.
    const QList<ItemRow> rows{makeRow(0, "01. A", ": 1"), makeRow(9, "02. Reset", ""), makeRow(255, "03. E", ": "),
                              makeRow(4, QStringLiteral("04. 模式(开/关)"), QStringLiteral(": 开"))};
    const QByteArray file = buildItemFile(rows);
    QList<ItemRow> back;
    for (const QString &line : itemFileLines(file)) {
        int index = 0;
        QStringList fields;
        QVERIFY(parseItemCsvLine(line, &index, &fields));
        back << makeRow(index, itemColumn0(back.size() + 1, fields), itemColumn1(fields));
    }
    QCOMPARE(back.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(back.at(i).index, rows.at(i).index);
        QCOMPARE(back.at(i).column0, rows.at(i).column0);
        QCOMPARE(back.at(i).column1, rows.at(i).column1);
    }
    QCOMPARE(buildItemFile(back), file);
}

QTEST_GUILESS_MAIN(tst_ItemCsv)
#include "tst_itemcsv.moc"

void tst_ItemCsv::encodings_data()
{
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("badLine");
    QTest::newRow("gbk without bom") << gbk->fromUnicode(QStringLiteral("01. 设备名称, 一号站\r\n02. 采样间隔(秒), 30\r\n"))
                                     << QStringList{QStringLiteral("01. 设备名称, 一号站"),
                                                    QStringLiteral("02. 采样间隔(秒), 30")}
                                     << 0;
    QTest::newRow("utf8 without bom") << QStringLiteral("01. 名, 值\n").toUtf8() << QStringList{QStringLiteral("01. 名, 值")}
                                      << 0;
    QTest::newRow("bom, invalid utf8 in line 2")
        << (bom + "01. A, 1\r\n02. B, \xC3\x28\r\n03. C\r\n") << QStringList{} << 2;
    // After a byte-order mark even valid GBK is refused: the file says UTF-8.
    QTest::newRow("bom, gbk body") << (bom + "01. A\r\n" + gbk->fromUnicode(QStringLiteral("02. 名, 值\r\n")))
                                   << QStringList{} << 2;
    // Without a mark, what is neither UTF-8 nor GB2312 is Latin-1, as in the
    // instrument's own texts; GBK would read FC 72 as one Chinese character.
    QTest::newRow("latin-1 without bom") << QByteArray("01. Ort, Z\xFCrich\r\n02. T, 20\xB0" "C\r\n")
                                         << QStringList{QStringLiteral("01. Ort, Z\u00FCrich"),
                                                        QStringLiteral("02. T, 20\u00B0" "C")}
                                         << 0;
    QTest::newRow("lines in different encodings")
        << (QStringLiteral("01. 名, 值\n").toUtf8() + gbk->fromUnicode(QStringLiteral("02. 设备名称, 一号站\n"))
            + "03. Ort, Z\xFCrich\n")
        << QStringList{QStringLiteral("01. 名, 值"), QStringLiteral("02. 设备名称, 一号站"),
                       QStringLiteral("03. Ort, Z\u00FCrich")}
        << 0;
    QTest::newRow("latin-1 ending in a lead byte") << QByteArray("01. A, \xC4") << QStringList{QStringLiteral("01. A, \u00C4")}
                                                   << 0;
    QTest::newRow("latin-1 after a lead byte") << QByteArray("01. A, 1\n02. \xC4\x20x\n")
                                               << QStringList{QStringLiteral("01. A, 1"), QStringLiteral("02. \u00C4 x")}
                                               << 0;
    // GBK outside GB2312 is no text of the instrument; Latin-1 would make
    // control characters of it.
    QTest::newRow("gbk beyond gb2312") << (QByteArray("01. A, 1\n") + gbk->fromUnicode(QStringLiteral("02. 丂\n")))
                                       << QStringList{} << 2;
    QTest::newRow("replacement character") << (bom + QStringLiteral("01. A, \uFFFD\r\n").toUtf8()) << QStringList{}
                                           << 1;
}

void tst_ItemCsv::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(int, badLine);
    int gotBad = -1;
    const QStringList got = itemFileLines(bytes, &gotBad);
    QCOMPARE(got, lines);
    QCOMPARE(gotBad, badLine);
    for (const QString &line : got)
        QVERIFY(!line.contains(QChar::ReplacementCharacter));
}

void tst_ItemCsv::instrumentLineBreaksStayInTheirRow_data()
{
    QTest::addColumn<QString>("itemText");
    QTest::addColumn<QString>("line");
    QTest::newRow("cr lf and a forged row")
        << QStringLiteral("设备名称:Demo\r\n07. 采样间隔(秒), 999")
        << QStringLiteral("03. 设备名称, Demo\u240D\u240A07. 采样间隔(秒), 999");
    QTest::newRow("escape sequence and nul in the name")
        << QStringLiteral("A\x1B[2J\x00" "B:1") << QStringLiteral("03. A\u241B[2J\u2400B, 1");
    QTest::newRow("tab, del, c1 and line separator")
        << QStringLiteral("N\tx\x7F:a\u0085b\u2028c") << QStringLiteral("03. N\u2409x\u2421, a\u2426b\u2426c");
    QTest::newRow("plain text unchanged") << QStringLiteral("波特率(9600/19200): 9600 ")
                                          << QStringLiteral("03. 波特率(9600/19200), 9600");
}

void tst_ItemCsv::instrumentLineBreaksStayInTheirRow()
{
    QFETCH(QString, itemText);
    QFETCH(QString, line);
    // As the tree and the command line build a row from what the instrument sent.
    const QStringList fields = splitItemText(itemText);
    const ItemRow row = makeRow(3, itemColumn0(1, fields), itemColumn1(fields));
    QCOMPARE(itemCsvLine(row), line);
    const QStringList back = itemFileLines(buildItemFile({row}));
    QCOMPARE(back, QStringList{line});
    int index = -1;
    QStringList parsed;
    QVERIFY(parseItemCsvLine(back.at(0), &index, &parsed));
    QCOMPARE(index, 3);
}
