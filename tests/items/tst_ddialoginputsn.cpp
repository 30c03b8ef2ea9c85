#include "items/ddialoginputsn.h"
#include "tests/support/modalcloser.h"
#include "tests/support/windowcheck.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class tst_DDialogInputSN : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void form();
    void typing_data();
    void typing();
    void confirm_data();
    void confirm();
};

void tst_DDialogInputSN::form()
{
    DDialogInputSN dlg;
    QCOMPARE(dlg.objectName(), QStringLiteral("DDialogInputSN"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("请输入序列号"));
    QCOMPARE(dlg.findChild<QPushButton *>("bntOk")->text(), QStringLiteral("确定"));
    QCOMPARE(dlg.findChild<QPushButton *>("bntCancel")->text(), QStringLiteral("取消"));
}

void tst_DDialogInputSN::typing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters digits") << "AB12cd" << "AB12cd";
    QTest::newRow("25th refused") << QString(30, QLatin1Char('7')) << QString(24, QLatin1Char('7'));
    QTest::newRow("punctuation refused") << "A-B C_1\"" << "ABC1";
}

void tst_DDialogInputSN::typing()
{
    QFETCH(QString, keys);
    QFETCH(QString, text);
    DDialogInputSN dlg;
    dlg.show();
    QTest::keyClicks(dlg.lineEdit(), keys);
    QCOMPARE(dlg.serialNumber(), text);
}

void tst_DDialogInputSN::confirm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("one") << "Z" << true;
    QTest::newRow("24") << QString(24, QLatin1Char('a')) << true;
}

void tst_DDialogInputSN::confirm()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    ModalCloser closer;
    DDialogInputSN dlg;
    dlg.show();
    dlg.lineEdit()->setText(text);
    dlg.findChild<QPushButton *>("bntOk")->click();
    QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
    QCOMPARE(dlg.isVisible(), !accepted);
    if (accepted) {
        QCOMPARE(closer.count(), 0);
    } else {
        QCOMPARE(closer.texts(), QStringList{"SN输入有误"});
        QCOMPARE(closer.seen().at(0).title, QStringLiteral("请输入序列号"));
        QCOMPARE(closer.seen().at(0).icon, QMessageBox::Critical);
    }
}

void tst_DDialogInputSN::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_DDialogInputSN)
#include "tst_ddialoginputsn.moc"
