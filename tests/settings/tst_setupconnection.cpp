#include "discovery/searchdevicedialog.h"
#include "items/itemread.h"
#include "settings/config.h"
#include "settings/recentconnections.h"
#include "settings/setupdialog.h"
#include "tests/support/simprocess.h"
#include "tests/support/windowcheck.h"
#include "tests/support/workdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

class tst_SetupConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void testReadsTheFieldsNotConfig_data();
    void testReadsTheFieldsNotConfig();
    void cancelDropsTheResult();
    void closingDuringTestDoesNotWait();
    void acceptedSetupsAreOffered();

private:
    template<typename T>
    static T *child(QWidget &w, const char *name) { return w.findChild<T *>(QLatin1String(name)); }
    static void fillUdp(SetupDialog &d, quint16 port, int address)
    {
        child<QGroupBox>(d, "gbUdp")->setChecked(true);
        child<QLineEdit>(d, "edUdpAddress")->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(d, "edUdpPort")->setText(QString::number(port));
        auto *combo = child<QComboBox>(d, "cmbDeviceAddress");
        combo->setCurrentIndex(combo->findData(address));
    }
    static void clickTest(SetupDialog &d) { QTest::mouseClick(child<QPushButton>(d, "bntTest"), Qt::LeftButton); }

    std::unique_ptr<TempWorkDir> m_dir;
};

void tst_SetupConnection::init()
{
    m_dir = std::make_unique<TempWorkDir>();
    SearchDeviceDialog::SearchOverride none;
    none.port = 0;
    SearchDeviceDialog::setSearchOverride(none);
}

void tst_SetupConnection::cleanup()
{
    m_dir.reset();
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

void tst_SetupConnection::testReadsTheFieldsNotConfig_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("expected");
    QTest::newRow("answers") << 1 << QStringLiteral("连接成功(UDP 127.0.0.1:%1,设备地址 1):设备名称 = ZR-Demo");
    // Another device address: the same wait as a switched-off instrument,
    // but the text says what was tried.
    QTest::newRow("wrong address") << 9 << QStringLiteral("连接失败(UDP 127.0.0.1:%1,设备地址 9):接收数据超时");
}

void tst_SetupConnection::testReadsTheFieldsNotConfig()
{
    QFETCH(int, address);
    QFETCH(QString, expected);
    m_dir->writeFile(QStringLiteral("items.txt"), "设备名称:ZR-Demo\nRate(1/5):5\n");
    SimProcess sim;
    QVERIFY(sim.start({"--udp", "127.0.0.1:0", "--items", m_dir->filePath("items.txt")}));
    m_dir->writeSerialConfig(QStringLiteral("/dev/zrvu-none"));
    const QByteArray before = m_dir->readFile(QStringLiteral("config.ini"));

    SetupDialog d(nullptr);
    fillUdp(d, sim.udpPort(), address);
    clickTest(d);
    QVERIFY(d.isTesting());
    QVERIFY(d.testResultText().contains(QStringLiteral("127.0.0.1:%1").arg(sim.udpPort())));
    // The dialog stays usable while the exchange runs.
    QVERIFY(child<QPushButton>(d, "bntOk")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!d.isTesting(), 15000);
    QCOMPARE(d.testResultText(), expected.arg(sim.udpPort()));
    QCOMPARE(child<QPushButton>(d, "bntTest")->text(), QStringLiteral("测试连接"));
    resetConfigStore();
    QCOMPARE(m_dir->readFile(QStringLiteral("config.ini")), before);
}

void tst_SetupConnection::cancelDropsTheResult()
{
    SimProcess sim;
    QVERIFY(sim.start({"--udp", "127.0.0.1:0", "--delay", "500"}));
    SetupDialog d(nullptr);
    fillUdp(d, sim.udpPort(), 1);
    clickTest(d);
    QCOMPARE(child<QPushButton>(d, "bntTest")->text(), QStringLiteral("取消测试"));
    clickTest(d);
    QVERIFY(!d.isTesting());
    QCOMPARE(d.testResultText(), QStringLiteral("测试已取消"));
    // The answer that still comes changes nothing.
    QTest::qWait(1500); // past the late answer (500 ms delay), which must change nothing
    QCOMPARE(d.testResultText(), QStringLiteral("测试已取消"));
    // A new test after a cancelled one reports its own result.
    clickTest(d);
    QTRY_VERIFY_WITH_TIMEOUT(!d.isTesting(), 15000);
    QVERIFY2(d.testResultText().startsWith(QStringLiteral("连接成功")), qPrintable(d.testResultText()));
}

void tst_SetupConnection::closingDuringTestDoesNotWait()
{
    SimProcess sim;
    QVERIFY(sim.start({"--udp", "127.0.0.1:0", "--silent"}));
    QElapsedTimer clock;
    {
        auto d = std::make_unique<SetupDialog>(nullptr);
        fillUdp(*d, sim.udpPort(), 1);
        d->show();
        clickTest(*d);
        QVERIFY(d->isTesting());
        clock.start();
        QTest::mouseClick(child<QPushButton>(*d, "cancel"), Qt::LeftButton);
        QVERIFY(!d->isTesting());
        d.reset();
    }
    // Less than the exchange's first reply timeout: closing never waits for it.
    QVERIFY2(clock.elapsed() < kItemFirstTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    // The worker still owns its exchange; give it no dialog to report to.
    QTest::qWait(100);
}

void tst_SetupConnection::acceptedSetupsAreOffered()
{
    {
        SetupDialog d(nullptr);
        QVERIFY(!child<QComboBox>(d, "cmbRecent")->isEnabled());
        QCOMPARE(child<QComboBox>(d, "cmbRecent")->currentText(), QStringLiteral("(无)"));
        fillUdp(d, 5001, 4);
        child<QCheckBox>(d, "cbEncrypt")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(d, "bntOk"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    {
        SetupDialog d(nullptr);
        fillUdp(d, 5002, 5);
        child<QCheckBox>(d, "cbEncrypt")->setChecked(false);
        QTest::mouseClick(child<QPushButton>(d, "bntOk"), Qt::LeftButton);
    }
    {
        // Cancelled: not remembered.
        SetupDialog d(nullptr);
        fillUdp(d, 5003, 6);
        QTest::mouseClick(child<QPushButton>(d, "cancel"), Qt::LeftButton);
    }
    SetupDialog d(nullptr);
    auto *recent = child<QComboBox>(d, "cmbRecent");
    QVERIFY(recent->isEnabled());
    QCOMPARE(recent->count(), 3);
    QCOMPARE(recent->itemText(0), QStringLiteral("选择以填入"));
    QCOMPARE(recent->itemText(1), QStringLiteral("UDP 127.0.0.1:5002,设备地址 5"));
    QCOMPARE(recent->itemText(2), QStringLiteral("UDP 127.0.0.1:5001,设备地址 4,加密"));
    QCOMPARE(recent->currentIndex(), 0);
    // The stored setup is the last one; choosing the older one fills its fields.
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QStringLiteral("5002"));
    recent->setCurrentIndex(2);
    emit recent->activated(2);
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QStringLiteral("5001"));
    QCOMPARE(child<QComboBox>(d, "cmbDeviceAddress")->currentText(), QStringLiteral("4"));
    QVERIFY(child<QCheckBox>(d, "cbEncrypt")->isChecked());
    QVERIFY(child<QGroupBox>(d, "gbUdp")->isChecked());
}

QTEST_MAIN(tst_SetupConnection)
#include "tst_setupconnection.moc"
