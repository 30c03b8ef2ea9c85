#include "items/modifydialog.h"

#include "tests/support/windowcheck.h"

#include <QComboBox>
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

void tst_ModifyDialog::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_ModifyDialog)
#include "tst_modifydialog.moc"
