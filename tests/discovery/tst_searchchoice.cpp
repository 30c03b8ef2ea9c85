#include "discovery/searchdevicedialog.h"
#include "tests/support/discoverysim.h"
#include "tests/support/modalcloser.h"
#include "tests/support/windowcheck.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

// Which addresses a search asks: the listed ones that are ticked, and the
// one typed in. Loopback only: 127.0.0.2 stands for a broadcast address
// nobody answers on.
class tst_SearchChoice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tickedAndDirectTargets_data();
    void tickedAndDirectTargets();
    void badDirectAddressSendsNothing();

private:
    DiscoverySim *m_sim = nullptr;
};

void tst_SearchChoice::init()
{
    m_sim = new DiscoverySim;
    QVERIFY2(m_sim->start({"--udp", "127.0.0.1:0", "--discovery", "0", "--discovery-name", "ZR-CHOICE"}), qPrintable(m_sim->error));
    SearchDeviceDialog::SearchOverride o;
    o.targets = {QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress(QStringLiteral("127.0.0.1"))};
    o.port = m_sim->discoveryPort;
    o.listenMs = 300;
    SearchDeviceDialog::setSearchOverride(o);
}

void tst_SearchChoice::cleanup()
{
    SearchDeviceDialog::SearchOverride none;
    none.port = 0;
    SearchDeviceDialog::setSearchOverride(none);
    delete m_sim;
    m_sim = nullptr;
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

void tst_SearchChoice::tickedAndDirectTargets_data()
{
    QTest::addColumn<bool>("tickFirst");
    QTest::addColumn<bool>("tickSecond");
    QTest::addColumn<QString>("direct");
    QTest::addColumn<int>("found");
    QTest::newRow("all ticked, as before") << true << true << "" << 1;
    QTest::newRow("answering address unticked") << true << false << "" << 0;
    QTest::newRow("nothing ticked, asked directly") << false << false << "127.0.0.1" << 1;
    QTest::newRow("ticked and direct: asked once") << false << true << " 127.0.0.1 " << 1;
    QTest::newRow("nothing at all") << false << false << "" << 0;
}

void tst_SearchChoice::tickedAndDirectTargets()
{
    QFETCH(bool, tickFirst);
    QFETCH(bool, tickSecond);
    QFETCH(QString, direct);
    QFETCH(int, found);
    SearchDeviceDialog d;
    const QList<QCheckBox *> checks = d.findChildren<QCheckBox *>();
    QCOMPARE(checks.size(), 2);
    QCOMPARE(checks.at(0)->text(), QStringLiteral("127.0.0.2"));
    QCOMPARE(checks.at(1)->text(), QStringLiteral("127.0.0.1"));
    QVERIFY(checks.at(0)->isChecked() && checks.at(1)->isChecked());
    checks.at(0)->setChecked(tickFirst);
    checks.at(1)->setChecked(tickSecond);
    d.findChild<QLineEdit *>(QStringLiteral("edDirect"))->setText(direct);
    auto *search = d.findChild<QPushButton *>(QStringLiteral("bntSearch"));
    QTest::mouseClick(search, Qt::LeftButton);
    QTRY_VERIFY(!d.isSearching() && search->isEnabled());
    auto *list = d.findChild<QListWidget *>(QStringLiteral("listWidget"));
    QCOMPARE(list->count(), found);
    if (found)
        QVERIFY(list->item(0)->text().contains(QStringLiteral("ZR-CHOICE")));
}

void tst_SearchChoice::badDirectAddressSendsNothing()
{
    SearchDeviceDialog d;
    d.findChild<QLineEdit *>(QStringLiteral("edDirect"))->setText(QStringLiteral("plc.local"));
    ModalCloser closer;
    QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("bntSearch")), Qt::LeftButton);
    QVERIFY(!d.isSearching());
    QCOMPARE(d.findChild<QListWidget *>(QStringLiteral("listWidget"))->count(), 0);
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("请输入有效的IPv4地址")});
}

QTEST_MAIN(tst_SearchChoice)
#include "tst_searchchoice.moc"
