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
    const QList<ItemRow> rows{makeRow(0, "01. A", ": 1"), makeRow(9, "02. Reset", ""), makeRow(300, "03. E", ": "),
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
