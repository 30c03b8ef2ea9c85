#include "items/modifydialog.h"

#include "tests/support/windowcheck.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class tst_ModifyDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void editor_data();
    void editor();
    void buttons();
    void valueTheInstrumentCannotHold_data();
    void valueTheInstrumentCannotHold();
};

void tst_ModifyDialog::editor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("combo");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("choices") << "Rate(2400/4800/9600)" << "9600" << true << "Rate" << "9600";
    QTest::newRow("value not listed shows first") << "Rate(2400/4800/9600)" << "1200" << true << "Rate" << "2400";
    QTest::newRow("480 then 4800") << "Rate(480/4800/48)" << "4800" << true << "Rate" << "4800";
    QTest::newRow("single choice is text") << "Rate(9600)" << "9600" << false << "Rate(9600)" << "9600";
    QTest::newRow("plain") << QStringLiteral("名称") << QStringLiteral("值") << false << QStringLiteral("名称")
                           << QStringLiteral("值");
}

void tst_ModifyDialog::editor()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, combo);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    ModifyDialog dlg(name, value);
    QCOMPARE(dlg.windowTitle(), title);
    QCOMPARE(dlg.comboBox() != nullptr, combo);
    QCOMPARE(dlg.lineEdit() != nullptr, !combo);
    QCOMPARE(dlg.value(), shown);
    QWidget *editor = combo ? static_cast<QWidget *>(dlg.comboBox()) : dlg.lineEdit();
    QCOMPARE(editor->font().pointSize(), 14);
    QCOMPARE(editor->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
}

void tst_ModifyDialog::buttons()
{
    ModifyDialog dlg("A", "1");
    dlg.show();
    QVERIFY(!(dlg.windowFlags() & Qt::WindowContextHelpButtonHint));
    dlg.findChild<QPushButton *>("commit")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    ModifyDialog other("A", "1");
    other.show();
    other.findChild<QPushButton *>("cancel")->click();
    QCOMPARE(other.result(), int(QDialog::Rejected));
}

void tst_ModifyDialog::valueTheInstrumentCannotHold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named"); // empty: accepted
    QTest::newRow("GB2312") << QStringLiteral("北站 1号") << "";
    QTest::newRow("Latin-1") << QStringLiteral("20\u00B0C") << "";
    QTest::newRow("euro") << QStringLiteral("\u20AC100") << QStringLiteral("“\u20AC”(U+20AC)");
    QTest::newRow("escape") << QStringLiteral("a\x1B[2J") << QStringLiteral("U+001B");
    QTest::newRow("shown line break") << QStringLiteral("a\u240Db") << QStringLiteral("U+240D");
}

void tst_ModifyDialog::valueTheInstrumentCannotHold()
{
    QFETCH(QString, typed);
    QFETCH(QString, named);
    ModifyDialog dlg(QStringLiteral("名称"), QStringLiteral("1"));
    dlg.show();
    auto *commit = dlg.findChild<QPushButton *>("commit");
    auto *label = dlg.findChild<QLabel *>("lblValueProblem");
    QVERIFY(commit->isEnabled() && label && !label->isVisible());
    dlg.lineEdit()->setText(typed);
    QCOMPARE(commit->isEnabled(), named.isEmpty());
    QCOMPARE(label->isVisible(), !named.isEmpty());
    QVERIFY2(label->text().contains(named), qPrintable(label->text()));
    // Enter does not get past a disabled commit button.
    QTest::keyClick(dlg.lineEdit(), Qt::Key_Return);
    QCOMPARE(dlg.isVisible(), !named.isEmpty());
}

void tst_ModifyDialog::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_ModifyDialog)
#include "tst_modifydialog.moc"
