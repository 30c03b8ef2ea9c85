#include "items/serialnumber.h"

#include <QtTest>

class tst_SerialNumber : public QObject
{
    Q_OBJECT

private slots:
    void validation_data();
    void validation();
    void command();
    void json_data();
    void json();
    void answer_data();
    void answer();
    void answerText();
};

void tst_SerialNumber::validation_data()
{
    QTest::addColumn<QString>("sn");
    QTest::addColumn<bool>("ok");
    QTest::newRow("letters digits") << "AB12" << true;
    QTest::newRow("one") << "x" << true;
    QTest::newRow("24") << QString(24, QLatin1Char('9')) << true;
    QTest::newRow("25") << QString(25, QLatin1Char('9')) << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("space") << "AB 12" << false;
    QTest::newRow("quote") << "AB\"12" << false;
    QTest::newRow("non ascii") << QStringLiteral("AB１２") << false;
}

void tst_SerialNumber::validation()
{
    QFETCH(QString, sn);
    QFETCH(bool, ok);
    QCOMPARE(isValidSerialNumber(sn), ok);
}

void tst_SerialNumber::command()
{
    const QByteArray cmd = buildSerialNumberCommand(QStringLiteral("AB12"));
    QCOMPARE(cmd, QByteArray("{\"write\":{\"sn\":\"AB12\"}}"));
    QCOMPARE(cmd.size(), 23);
}

void tst_SerialNumber::json_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("object") << QByteArray("{\"sn\":\"AB12\",\"x\":1}") << QStringList{"sn", "x"};
    QTest::newRow("array") << QByteArray("[1,2]") << QStringList{};
    QTest::newRow("two objects") << QByteArray("{\"sn\":\"A\"}{\"sn\":\"A\"}") << QStringList{};
    QTest::newRow("garbage") << QByteArray("sn=AB12") << QStringList{};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("truncated") << QByteArray("{\"sn\":\"AB") << QStringList{};
    QTest::newRow("white space around") << QByteArray(" {\"sn\":\"A\"}\r\n") << QStringList{"sn"};
}

void tst_SerialNumber::json()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, keys);
    QCOMPARE(parseJsonObject(bytes).keys(), keys);
}

void tst_SerialNumber::answer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("sn");
    QTest::addColumn<bool>("ok");
    QTest::newRow("echo") << QByteArray("{\"sn\":\"AB12\"}") << "AB12" << true;
    QTest::newRow("case differs") << QByteArray("{\"sn\":\"ab12\"}") << "AB12" << false;
    QTest::newRow("longer") << QByteArray("{\"sn\":\"AB123\"}") << "AB12" << false;
    QTest::newRow("no sn") << QByteArray("{\"err\":\"AB12\"}") << "AB12" << false;
    QTest::newRow("nested only") << QByteArray("{\"write\":{\"sn\":\"AB12\"}}") << "AB12" << false;
    QTest::newRow("number") << QByteArray("{\"sn\":1234}") << "1234" << true;
    QTest::newRow("two objects") << QByteArray("{\"sn\":\"AB12\"}{\"sn\":\"AB12\"}") << "AB12" << false;
    QTest::newRow("empty object") << QByteArray("{}") << "AB12" << false;
}

void tst_SerialNumber::answer()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, sn);
    QFETCH(bool, ok);
    QCOMPARE(isSerialNumberAnswerOk(answer, sn), ok);
}

void tst_SerialNumber::answerText()
{
    QCOMPARE(serialNumberAnswerText(QByteArray("{\"sn\":\"x\"}\0tail", 15)), QStringLiteral("{\"sn\":\"x\"}"));
    QCOMPARE(serialNumberAnswerText(QByteArray("caf\xE9")), QString::fromLatin1("caf\xE9"));
}

QTEST_GUILESS_MAIN(tst_SerialNumber)
#include "tst_serialnumber.moc"
