#include "discovery/searchdevicedialog.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/support/modalcloser.h"
#include "tests/support/windowcheck.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// The discovery probe a stand-in instrument answers.
const QByteArray kProbe(4, '\x01');

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

QStringList listTexts(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class tst_SearchDeviceDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void okWithoutSelection_data();
    void okWithoutSelection();
    void searchAndChoose_data();
    void searchAndChoose();
    void controlsDisabledWhileSearching();
    void secondSearchClearsFirstList();
    void dismissDuringSearch_data();
    void dismissDuringSearch();
    void destroyedWhileSearching();

private:
    void useResponder(int listenMs = 500)
    {
        SearchDeviceDialog::SearchOverride o;
        o.targets = {kLoopback};
        o.port = m_responder->udpPort();
        o.listenMs = listenMs;
        SearchDeviceDialog::setSearchOverride(o);
    }
    static QPushButton *button(QDialog &d, const char *name) { return d.findChild<QPushButton *>(QLatin1String(name)); }
    static QListWidget *list(QDialog &d) { return d.findChild<QListWidget *>(QStringLiteral("listWidget")); }
    static bool searchOver(SearchDeviceDialog &d)
    {
        return !d.isSearching() && button(d, "bntSearch")->text() == QStringLiteral("搜索");
    }
    // How a listed answer reads: the name, then where it came from.
    QString shown(const char *name) const
    {
        return QStringLiteral("%1    127.0.0.1:%2").arg(QLatin1String(name)).arg(m_responder->udpPort());
    }

    std::unique_ptr<ScriptedInstrument> m_responder;
};

void tst_SearchDeviceDialog::init()
{
    m_responder = std::make_unique<ScriptedInstrument>();
    QVERIFY(m_responder->startUdp());
    useResponder();
}

void tst_SearchDeviceDialog::cleanup()
{
    // Never leave a dialog able to broadcast on the real interfaces.
    SearchDeviceDialog::SearchOverride none;
    none.port = 0;
    SearchDeviceDialog::setSearchOverride(none);
    m_responder.reset();
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

void tst_SearchDeviceDialog::okWithoutSelection_data()
{
    QTest::addColumn<bool>("searchFirst");
    QTest::newRow("empty list") << false;
    QTest::newRow("answers but none chosen") << true;
}

void tst_SearchDeviceDialog::okWithoutSelection()
{
    QFETCH(bool, searchFirst);
    m_responder->answer(kProbe, ScriptedInstrument::once("ZR-1"));
    SearchDeviceDialog dialog;
    dialog.show();
    if (searchFirst) {
        QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list(dialog)->count(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), 10000);
        // Focus makes a row current without choosing it.
        list(dialog)->setFocus();
        QVERIFY(list(dialog)->selectedItems().isEmpty());
    }
    ModalCloser closer;
    QTest::mouseClick(button(dialog, "bntOk"), Qt::LeftButton);
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen()[0].text, QStringLiteral("请选择设备"));
    QCOMPARE(closer.seen()[0].title, QStringLiteral("查找设备"));
    QCOMPARE(closer.seen()[0].icon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.selectedHostAddress().isNull());
}

void tst_SearchDeviceDialog::searchAndChoose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("ok button") << "ok";
    QTest::newRow("double click") << "double";
    QTest::newRow("ok before choosing asks") << "first";
    QTest::newRow("enter takes the current one") << "enter";
}

void tst_SearchDeviceDialog::searchAndChoose()
{
    QFETCH(QString, how);
    m_responder->answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{" ZR-A \r\n", 0}, {"ZR-B", 40}}));
    SearchDeviceDialog dialog;
    dialog.show();
    QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), 10000);
    QCOMPARE(listTexts(list(dialog)), (QStringList{shown("ZR-A"), shown("ZR-B")}));

    QVERIFY(list(dialog)->selectedItems().isEmpty());
    QListWidgetItem *second = list(dialog)->item(1);
    if (how == "first") {
        ModalCloser closer;
        QTest::mouseClick(button(dialog, "bntOk"), Qt::LeftButton);
        QCOMPARE(closer.texts(), QStringList{QStringLiteral("请选择设备")});
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.selectedHostAddress().isNull());
        return;
    }
    if (how == "enter") {
        // A click on the row, then Enter.
        QTest::mouseClick(list(dialog)->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list(dialog)->visualItemRect(second).center());
        QTest::keyClick(list(dialog), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedHostPort(), m_responder->udpPort());
        return;
    }
    if (how == "double") {
        QWidget *viewport = list(dialog)->viewport();
        const QPoint at = list(dialog)->visualItemRect(second).center();
        // The view only takes a double click on the item it saw pressed.
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    } else {
        list(dialog)->setCurrentItem(second);
        QTest::mouseClick(button(dialog, "bntOk"), Qt::LeftButton);
    }
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QHostAddress(dialog.selectedHostAddress().toIPv4Address()), kLoopback);
    QCOMPARE(dialog.selectedHostPort(), m_responder->udpPort());
}

void tst_SearchDeviceDialog::controlsDisabledWhileSearching()
{
    m_responder->answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"ZR-1", 0}}));
    useResponder(1500);
    SearchDeviceDialog dialog;
    dialog.show();
    QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(list(dialog)->count(), 1, 10000);
    QVERIFY(dialog.isSearching());
    for (const char *name : {"bntOk", "bntCancel"})
        QVERIFY2(!button(dialog, name)->isEnabled(), name);
    // The search button stops the search.
    QVERIFY(button(dialog, "bntSearch")->isEnabled());
    QCOMPARE(button(dialog, "bntSearch")->text(), QStringLiteral("停止"));
    QVERIFY(!list(dialog)->isEnabled());
    QCOMPARE(dialog.cursor().shape(), Qt::BusyCursor);
    QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), 10000);
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
    for (const char *name : {"bntOk", "bntCancel"})
        QVERIFY2(button(dialog, name)->isEnabled(), name);
    QVERIFY(list(dialog)->isEnabled());
}

void tst_SearchDeviceDialog::secondSearchClearsFirstList()
{
    m_responder->answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"first-1", 0}, {"first-2", 30}}));
    SearchDeviceDialog dialog;
    dialog.show();
    QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), 10000);
    QCOMPARE(list(dialog)->count(), 2);
    list(dialog)->setCurrentRow(0);

    // The answer of the second search must find an empty list.
    QList<int> rowsBeforeInsert;
    connect(list(dialog)->model(), &QAbstractItemModel::rowsAboutToBeInserted, this,
            [&] { rowsBeforeInsert << list(dialog)->count(); });
    m_responder->answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"second", 200}}));
    QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isSearching() || !rowsBeforeInsert.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), 10000);
    QCOMPARE(rowsBeforeInsert, QList<int>{0});
    QCOMPARE(listTexts(list(dialog)), QStringList{shown("second")});

    // Items of the first search are gone from the table too: OK picks the new one.
    list(dialog)->setCurrentRow(0);
    QTest::mouseClick(button(dialog, "bntOk"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedHostPort(), m_responder->udpPort());
}

void tst_SearchDeviceDialog::dismissDuringSearch_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("escape") << "escape";
    QTest::newRow("window close") << "close";
    QTest::newRow("reject") << "reject";
    QTest::newRow("stop keeps the answers") << "stop";
}

void tst_SearchDeviceDialog::dismissDuringSearch()
{
    QFETCH(QString, how);
    // An answer keeps arriving, so the search would go on for a long time.
    ScriptedInstrument::Reply answers;
    for (int i = 0; i < 20; ++i)
        answers.append({"busy", i * 300});
    m_responder->answer(kProbe, ScriptedInstrument::atTimes(answers));
    const int listenMs = 30000;
    useResponder(listenMs);

    SearchDeviceDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(list(dialog)->count() >= 1, 10000);
    QVERIFY(dialog.isSearching());

    QElapsedTimer clock;
    clock.start();
    if (how == "stop") {
        QTest::mouseClick(button(dialog, "bntSearch"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(searchOver(dialog), listenMs / 2);
        QVERIFY2(clock.elapsed() < listenMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(dialog.isVisible());
        QVERIFY(list(dialog)->count() >= 1);
        QCOMPARE(list(dialog)->item(0)->text(), shown("busy"));
        list(dialog)->setCurrentRow(0);
        QTest::mouseClick(button(dialog, "bntOk"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        return;
    }
    if (how == "escape")
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else if (how == "close")
        dialog.close();
    else
        dialog.reject();
    QVERIFY(!dialog.isSearching());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY2(clock.elapsed() < listenMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(dialog.selectedHostAddress().isNull());
}

void tst_SearchDeviceDialog::destroyedWhileSearching()
{
    m_responder->answer(kProbe, ScriptedInstrument::once("ZR-1"));
    useResponder(30000);
    auto dialog = std::make_unique<SearchDeviceDialog>();
    dialog->show();
    QTest::mouseClick(button(*dialog, "bntSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(list(*dialog)->count() == 1, 10000);
    QVERIFY(dialog->isSearching());
    dialog.reset(); // must wait for the worker instead of aborting
    // Queued reports of the worker must not reach the dead dialog.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QTEST_MAIN(tst_SearchDeviceDialog)
#include "tst_searchdevicedialog.moc"
