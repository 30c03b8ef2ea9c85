#include "items/itemrules.h"

#include <QtTest>

class tst_ItemRules : public QObject
{
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void columns_data();
    void columns();
    void stripPrefixes_data();
    void stripPrefixes();
    void choices_data();
    void choices();
    void selection_data();
    void selection();
};

void tst_ItemRules::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("name and value") << QStringLiteral("波特率:9600") << QStringList{"波特率", "9600"};
    QTest::newRow("no colon") << "Reset" << QStringList{"Reset"};
    QTest::newRow("trailing colon") << "Name:" << QStringList{"Name", ""};
    QTest::newRow("double colon") << "a::b" << QStringList{"a", "", "b"};
    QTest::newRow("untrimmed") << " a : b " << QStringList{" a ", " b "};
    QTest::newRow("empty") << "" << QStringList{""};
}

void tst_ItemRules::split()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QCOMPARE(splitItemText(text), fields);
}

void tst_ItemRules::columns_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("column0");
    QTest::addColumn<QString>("column1");
    QTest::newRow("third") << 3 << QStringList{" Rate ", " 9600 "} << "03. Rate" << ": 9600";
    QTest::newRow("command") << 1 << QStringList{"Reset"} << "01. Reset" << "";
    QTest::newRow("empty value") << 12 << QStringList{"Name", ""} << "12. Name" << ": ";
    QTest::newRow("hundred") << 100 << QStringList{"X", "1", "ignored"} << "100. X" << ": 1";
}

void tst_ItemRules::columns()
{
    QFETCH(int, position);
    QFETCH(QStringList, fields);
    QFETCH(QString, column0);
    QFETCH(QString, column1);
    QCOMPARE(itemColumn0(position, fields), column0);
    QCOMPARE(itemColumn1(fields), column1);
}

void tst_ItemRules::stripPrefixes_data()
{
    QTest::addColumn<QString>("column0");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("column1");
    QTest::addColumn<QString>("value");
    QTest::newRow("usual") << "07. Rate" << "Rate" << ": 9600" << "9600";
    QTest::newRow("no prefix") << "Rate" << "Rate" << "9600" << "9600";
    QTest::newRow("dot in name") << "101. v1.2" << "v1.2" << ":: x" << ": x";
    QTest::newRow("digits only") << "12" << "12" << "" << "";
}

void tst_ItemRules::stripPrefixes()
{
    QFETCH(QString, column0);
    QFETCH(QString, name);
    QFETCH(QString, column1);
    QFETCH(QString, value);
    QCOMPARE(stripPositionPrefix(column0), name);
    QCOMPARE(stripValuePrefix(column1), value);
}

void tst_ItemRules::choices_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isChoice");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("three") << "Rate(2400/4800/9600)" << true << "Rate" << QStringList{"2400", "4800", "9600"};
    QTest::newRow("single choice") << "Rate(9600)" << false << "Rate(9600)" << QStringList{};
    QTest::newRow("plain") << "Rate" << false << "Rate" << QStringList{};
    QTest::newRow("not at end") << "Rate(1/2) x" << false << "Rate(1/2) x" << QStringList{};
    QTest::newRow("chinese") << QStringLiteral("模式(开/关)") << true << QStringLiteral("模式") << QStringList{"开", "关"};
    QTest::newRow("empty entry not matched") << "A(1//2)" << false << "A(1//2)" << QStringList{};
    QTest::newRow("nested parens") << "A(b)(1/2)" << true << "A(b)" << QStringList{"1", "2"};
    QTest::newRow("no name") << "(1/2)" << false << "(1/2)" << QStringList{};
}

void tst_ItemRules::choices()
{
    QFETCH(QString, name);
    QFETCH(bool, isChoice);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);
    const ItemChoices c = parseItemChoices(name);
    QCOMPARE(c.isChoice, isChoice);
    QCOMPARE(c.title, title);
    QCOMPARE(c.entries, entries);
}

void tst_ItemRules::selection_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("selected");
    QTest::newRow("exact") << QStringList{"2400", "4800", "9600"} << "9600" << "9600";
    QTest::newRow("longer later") << QStringList{"9600", "19200"} << "19200" << "19200";
    QTest::newRow("prefix then exact") << QStringList{"480", "4800"} << "4800" << "4800";
    QTest::newRow("frozen at exact") << QStringList{"480", "4800", "48"} << "4800" << "4800";
    QTest::newRow("last contained wins") << QStringList{"4", "8"} << "48" << "8";
    QTest::newRow("none") << QStringList{"a", "b"} << "c" << "";
    QTest::newRow("case sensitive") << QStringList{"On", "Off"} << "on" << "";
    QTest::newRow("empty value") << QStringList{"x", "y"} << "" << "";
}

void tst_ItemRules::selection()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, value);
    QFETCH(QString, selected);
    QCOMPARE(selectChoice(entries, value), selected);
}

QTEST_GUILESS_MAIN(tst_ItemRules)
#include "tst_itemrules.moc"
