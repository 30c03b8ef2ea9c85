#include "discovery/searchdevicedialog.h"
#include "settings/config.h"
#include "settings/setupdialog.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/discoverysim.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/support/modalcloser.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTextCodec>
#include <QtTest>

#include <memory>

namespace {

// The discovery probe a stand-in instrument answers.
const QByteArray kProbe(4, '\x01');

// What config.ini holds on disk once the store has been flushed.
QVariantMap readConfigFile(const TempWorkDir &dir)
{
    resetConfigStore();
    QSettings s(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    s.setIniCodec(QTextCodec::codecForName("utf-8"));
    QVariantMap out;
    for (const QString &key : s.allKeys())
        out.insert(key, s.value(key));
    return out;
}

const QVariantMap kSerialKeys{{"serial/port", "ttyKEEP7"},   {"serial/baudrate", 19200}, {"serial/databits", 7},
                              {"serial/parity", 2},          {"serial/stopbits", 2},     {"serial/send_rts", true},
                              {"serial/send_dtr", true}};

} // namespace

class tst_SetupDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultsWithoutConfig();
    void loadsStoredValues();
    void deviceAddressLowByte_data();
    void deviceAddressLowByte();
    void missingPortStillListed();
    void typedPort();
    void portListOrder();
    void udpFlagNonZero_data();
    void udpFlagNonZero();
    void baudValidator_data();
    void baudValidator();
    void udpPortValidator();
    void groupsExclusive();
    void failedCheckKeepsDialogOpen_data();
    void failedCheckKeepsDialogOpen();
    void udpSaveLeavesSerialKeys();
    void serialSaveWritesSerialLeavesUdp();
    void searchFillsEndpointCancelWritesNothing();
    void searchRejectedChangesNothing();
    void foundInstrumentAnswersTheLink();

private:
    template<typename T>
    static T *child(QWidget &w, const char *name) { return w.findChild<T *>(QLatin1String(name)); }
    static void clickOk(SetupDialog &d) { QTest::mouseClick(child<QPushButton>(d, "bntOk"), Qt::LeftButton); }

    std::unique_ptr<TempWorkDir> m_dir;
};

void tst_SetupDialog::init()
{
    m_dir = std::make_unique<TempWorkDir>();
    QVERIFY(m_dir->isValid());
    // The search never leaves loopback here; tests that search set a responder.
    SearchDeviceDialog::SearchOverride none;
    none.port = 0;
    SearchDeviceDialog::setSearchOverride(none);
}

void tst_SetupDialog::cleanup()
{
    m_dir.reset();
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

void tst_SetupDialog::defaultsWithoutConfig()
{
    QVERIFY(!QFile::exists(m_dir->filePath("config.ini")));
    SetupDialog d(nullptr);
    QCOMPARE(d.windowTitle(), QStringLiteral("串口设置"));
    // The form's size, grown only where the fonts need more (offscreen's are large).
    QCOMPARE(d.size(), QSize(344, 660).expandedTo(d.minimumSizeHint()));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QCOMPARE(child<QComboBox>(d, "cmbDeviceAddress")->currentText(), QStringLiteral("255"));
    QCOMPARE(child<QComboBox>(d, "cmbDeviceAddress")->count(), 255);
    QVERIFY(child<QGroupBox>(d, "gbSerial")->isChecked());
    QVERIFY(!child<QGroupBox>(d, "gbUdp")->isChecked());
    QCOMPARE(child<QComboBox>(d, "baudrate")->currentText(), QStringLiteral("9600"));
    QCOMPARE(child<QComboBox>(d, "databit")->currentText(), QStringLiteral("8"));
    QCOMPARE(child<QComboBox>(d, "parity")->currentText(), QStringLiteral("None"));
    QCOMPARE(child<QComboBox>(d, "stopbit")->currentText(), QStringLiteral("1"));
    QVERIFY(child<QLineEdit>(d, "edUdpAddress")->text().isEmpty());
    QVERIFY(child<QLineEdit>(d, "edUdpPort")->text().isEmpty());
    QVERIFY(!child<QCheckBox>(d, "cbEncrypt")->isChecked());
    QVERIFY(!child<QCheckBox>(d, "ckRTS")->isChecked());
    QVERIFY(child<QCheckBox>(d, "ckDTR")->isHidden());
    // Building the dialog writes nothing.
    resetConfigStore();
    QVERIFY(!QFile::exists(m_dir->filePath("config.ini")));
}

void tst_SetupDialog::loadsStoredValues()
{
    QVariantMap v = kSerialKeys;
    v.insert("device/address", 17);
    v.insert("communicate/encrypt", true);
    v.insert("udp/address", "127.0.0.9");
    v.insert("udp/port", "04001");
    m_dir->writeConfig(v);
    SetupDialog d(nullptr);
    QCOMPARE(child<QComboBox>(d, "cmbDeviceAddress")->currentData().toInt(), 17);
    QCOMPARE(child<QComboBox>(d, "port")->currentText(), QStringLiteral("ttyKEEP7"));
    QCOMPARE(child<QComboBox>(d, "baudrate")->currentText(), QStringLiteral("19200"));
    QCOMPARE(child<QComboBox>(d, "databit")->currentData().toInt(), 7);
    QCOMPARE(child<QComboBox>(d, "parity")->currentText(), QStringLiteral("Even"));
    QCOMPARE(child<QComboBox>(d, "stopbit")->currentText(), QStringLiteral("2"));
    QVERIFY(child<QCheckBox>(d, "ckRTS")->isChecked());
    QVERIFY(child<QCheckBox>(d, "ckDTR")->isChecked());
    QVERIFY(child<QCheckBox>(d, "cbEncrypt")->isChecked());
    QCOMPARE(child<QLineEdit>(d, "edUdpAddress")->text(), QStringLiteral("127.0.0.9"));
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QStringLiteral("04001"));
}

void tst_SetupDialog::deviceAddressLowByte_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown"); // empty: nothing selected
    QTest::newRow("1") << QVariant(1) << "1";
    QTest::newRow("255") << QVariant(255) << "255";
    QTest::newRow("0 is not offered") << QVariant(0) << "";
    QTest::newRow("256 wraps to 0") << QVariant(256) << "";
    QTest::newRow("300 wraps to 44") << QVariant(300) << "44";
    QTest::newRow("text") << QVariant("abc") << "";
}

void tst_SetupDialog::deviceAddressLowByte()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    m_dir->writeConfig({{"device/address", stored}});
    SetupDialog d(nullptr);
    auto *combo = child<QComboBox>(d, "cmbDeviceAddress");
    QCOMPARE(combo->currentText(), shown);
    QCOMPARE(combo->currentIndex() == -1, shown.isEmpty());
}

void tst_SetupDialog::missingPortStillListed()
{
    m_dir->writeSerialConfig(QStringLiteral("ttyGONE42"));
    SetupDialog d(nullptr);
    auto *port = child<QComboBox>(d, "port");
    QVERIFY(port->findText("ttyGONE42") >= 0);
    QCOMPARE(port->currentText(), QStringLiteral("ttyGONE42"));

    // Saving keeps it: a port that is away now may be back for the next link.
    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(readConfigFile(*m_dir).value("serial/port").toString(), QStringLiteral("ttyGONE42"));
}

// Links and pseudo-terminals are not enumerated; they can be typed.
void tst_SetupDialog::typedPort()
{
    m_dir->writeSerialConfig(QStringLiteral("ttyS0"));
    SetupDialog d(nullptr);
    auto *port = child<QComboBox>(d, "port");
    QVERIFY(port->isEditable());
    const int listed = port->count();
    port->setEditText(QStringLiteral(" /dev/serial/by-id/usb-FTDI_FT232R-if00-port0 "));
    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(readConfigFile(*m_dir).value("serial/port").toString(),
             QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    QCOMPARE(port->count(), listed);
}

void tst_SetupDialog::portListOrder()
{
    m_dir->writeSerialConfig(QStringLiteral("A"));
    SetupDialog d(nullptr);
    auto *port = child<QComboBox>(d, "port");
    QStringList names;
    for (int i = 0; i < port->count(); ++i)
        names << port->itemText(i);
    QVERIFY(names.contains("A"));
    for (int i = 1; i < names.size(); ++i) {
        const QString &a = names[i - 1], &b = names[i];
        QVERIFY2(a.size() < b.size() || (a.size() == b.size() && a < b), qPrintable(a + " before " + b));
    }

    // An empty stored port with no ports present leaves the one empty item.
    m_dir->writeConfig({{"serial/port", ""}});
    SetupDialog empty(nullptr);
    auto *p = child<QComboBox>(empty, "port");
    for (int i = 0; i < p->count(); ++i)
        QVERIFY(!p->itemText(i).isEmpty() || p->count() == 1);
}

void tst_SetupDialog::udpFlagNonZero_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("udp");
    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("1") << QVariant(1) << true;
    QTest::newRow("2") << QVariant(2) << true;
    QTest::newRow("-1") << QVariant(-1) << true;
}

void tst_SetupDialog::udpFlagNonZero()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, udp);
    m_dir->writeConfig({{"communicate/udp", stored}});
    SetupDialog d(nullptr);
    QCOMPARE(child<QGroupBox>(d, "gbUdp")->isChecked(), udp);
    QCOMPARE(child<QGroupBox>(d, "gbSerial")->isChecked(), !udp);
}

void tst_SetupDialog::baudValidator_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("leading zero refused") << "0" << "";
    QTest::newRow("zero then digits") << "0250000" << "250000";
    QTest::newRow("non-standard rate") << "250000" << "250000";
    QTest::newRow("letters refused") << "96a00" << "9600";
    QTest::newRow("sign refused") << "-9600" << "9600";
}

void tst_SetupDialog::baudValidator()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    m_dir->writeSerialConfig(QStringLiteral("ttyZR0"));
    SetupDialog d(nullptr);
    d.show();
    QLineEdit *edit = child<QComboBox>(d, "baudrate")->lineEdit();
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
    if (shown.isEmpty())
        return;
    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 0);
    const QVariantMap file = readConfigFile(*m_dir);
    QCOMPARE(file.value("serial/baudrate").toInt(), shown.toInt());
}

void tst_SetupDialog::udpPortValidator()
{
    SetupDialog d(nullptr);
    d.show();
    child<QGroupBox>(d, "gbUdp")->setChecked(true);
    QLineEdit *edit = child<QLineEdit>(d, "edUdpPort");
    QTest::keyClicks(edit, "5a0x0-1234");
    QCOMPARE(edit->text(), QStringLiteral("50012")); // digits only, at most five
}

void tst_SetupDialog::groupsExclusive()
{
    SetupDialog d(nullptr);
    auto *serial = child<QGroupBox>(d, "gbSerial");
    auto *udp = child<QGroupBox>(d, "gbUdp");
    QVERIFY(serial->isChecked() && !udp->isChecked());
    udp->setChecked(true);
    QVERIFY(!serial->isChecked());
    serial->setChecked(true);
    QVERIFY(!udp->isChecked());
    serial->setChecked(false);
    QVERIFY(udp->isChecked());
    udp->setChecked(false);
    QVERIFY(serial->isChecked());

    // By the user's click on the group's check box, too.
    d.show();
    QStyleOptionGroupBox opt;
    opt.initFrom(udp);
    opt.subControls = QStyle::SC_GroupBoxCheckBox;
    opt.text = udp->title();
    opt.features = QStyleOptionFrame::None;
    opt.state |= QStyle::State_Off;
    const QRect box = udp->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxCheckBox, udp);
    QTest::mouseClick(udp, Qt::LeftButton, Qt::NoModifier, box.center());
    QVERIFY(udp->isChecked());
    QVERIFY(!serial->isChecked());
}

void tst_SetupDialog::failedCheckKeepsDialogOpen_data()
{
    QTest::addColumn<bool>("udpMode");
    QTest::addColumn<QString>("field"); // emptied (or given "field:text") before OK
    QTest::addColumn<QString>("message");
    QTest::newRow("no port") << false << "port" << QStringLiteral("请选择串口!");
    QTest::newRow("no baud rate") << false << "baudrate" << QStringLiteral("请选择波特率!");
    QTest::newRow("baud rate beyond int") << false << "baudrate:99999999999" << QStringLiteral("请选择波特率!");
    QTest::newRow("no udp address") << true << "edUdpAddress" << QStringLiteral("请输入UDP地址");
    QTest::newRow("no udp port") << true << "edUdpPort" << QStringLiteral("请输入UDP端口");
}

void tst_SetupDialog::failedCheckKeepsDialogOpen()
{
    QFETCH(bool, udpMode);
    QFETCH(QString, field);
    QFETCH(QString, message);
    m_dir->writeConfig({{"serial/port", "ttyZR1"}, {"udp/address", "127.0.0.1"}, {"udp/port", "1502"}});
    SetupDialog d(nullptr);
    d.show();
    child<QGroupBox>(d, udpMode ? "gbUdp" : "gbSerial")->setChecked(true);
    child<QComboBox>(d, "cmbDeviceAddress")->setCurrentIndex(6); // address 7
    child<QCheckBox>(d, "cbEncrypt")->setChecked(true);
    if (field == "port")
        child<QComboBox>(d, "port")->setCurrentIndex(-1);
    else if (field.startsWith("baudrate"))
        child<QComboBox>(d, "baudrate")->setEditText(field.section(':', 1));
    else
        child<QLineEdit>(d, qPrintable(field))->clear();

    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen()[0].text, message);
    QCOMPARE(closer.seen()[0].title, QStringLiteral("串口设置"));
    QCOMPARE(closer.seen()[0].icon, QMessageBox::Critical);
    QVERIFY(d.isVisible());
    QVERIFY(d.result() != QDialog::Accepted);

    const QVariantMap file = readConfigFile(*m_dir);
    QCOMPARE(file.value("device/address").toInt(), 7);
    QCOMPARE(file.value("communicate/encrypt").toBool(), true);
    // Nothing past the failed check was written.
    QVERIFY(!file.contains("communicate/udp"));
    QVERIFY(!file.contains("serial/baudrate"));
    QCOMPARE(file.value("udp/port").toString(), QStringLiteral("1502"));
}

void tst_SetupDialog::udpSaveLeavesSerialKeys()
{
    QVariantMap v = kSerialKeys;
    v.insert("communicate/udp", 0);
    m_dir->writeConfig(v);
    SetupDialog d(nullptr);
    d.show();
    child<QGroupBox>(d, "gbUdp")->setChecked(true);
    // Serial widgets changed but not in use: they must not be saved.
    child<QComboBox>(d, "baudrate")->setEditText("1200");
    child<QCheckBox>(d, "ckRTS")->setChecked(false);
    child<QLineEdit>(d, "edUdpAddress")->setText("127.0.0.5");
    child<QLineEdit>(d, "edUdpPort")->setText("99999");
    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(d.result(), int(QDialog::Accepted));

    const QVariantMap file = readConfigFile(*m_dir);
    for (auto it = kSerialKeys.begin(); it != kSerialKeys.end(); ++it)
        QCOMPARE(file.value(it.key()).toString(), it.value().toString());
    QCOMPARE(file.value("communicate/udp").toInt(), 1);
    QCOMPARE(file.value("udp/address").toString(), QStringLiteral("127.0.0.5"));
    QCOMPARE(file.value("udp/port").toString(), QStringLiteral("99999"));
    QCOMPARE(file.value("device/address").toInt(), 255);
    QCOMPARE(file.value("communicate/encrypt").toBool(), false);
}

void tst_SetupDialog::serialSaveWritesSerialLeavesUdp()
{
    m_dir->writeConfig({{"communicate/udp", 1}, {"udp/address", "127.0.0.3"}, {"udp/port", "4001"},
                        {"serial/port", "ttyZR3"}});
    SetupDialog d(nullptr);
    d.show();
    child<QGroupBox>(d, "gbSerial")->setChecked(true);
    child<QLineEdit>(d, "edUdpAddress")->setText("127.0.0.4");
    child<QComboBox>(d, "baudrate")->setEditText("57600");
    child<QComboBox>(d, "databit")->setCurrentIndex(2);   // 7
    child<QComboBox>(d, "parity")->setCurrentIndex(4);    // Mark
    child<QComboBox>(d, "stopbit")->setCurrentIndex(2);   // 1.5
    child<QCheckBox>(d, "ckRTS")->setChecked(true);
    ModalCloser closer;
    clickOk(d);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(d.result(), int(QDialog::Accepted));

    const QVariantMap file = readConfigFile(*m_dir);
    QCOMPARE(file.value("udp/address").toString(), QStringLiteral("127.0.0.3"));
    QCOMPARE(file.value("udp/port").toString(), QStringLiteral("4001"));
    QCOMPARE(file.value("communicate/udp").toInt(), 0);
    QCOMPARE(file.value("serial/port").toString(), QStringLiteral("ttyZR3"));
    QCOMPARE(file.value("serial/baudrate").toInt(), 57600);
    QCOMPARE(file.value("serial/databits").toInt(), 7);
    QCOMPARE(file.value("serial/parity").toInt(), 5);
    QCOMPARE(file.value("serial/stopbits").toInt(), 3);
    QCOMPARE(file.value("serial/send_rts").toBool(), true);
    QCOMPARE(file.value("serial/send_dtr").toBool(), false);
}

void tst_SetupDialog::searchFillsEndpointCancelWritesNothing()
{
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::once("ZR-FOUND"));
    SearchDeviceDialog::SearchOverride o;
    o.targets = {QHostAddress(QStringLiteral("127.0.0.1"))};
    o.port = responder.udpPort();
    o.listenMs = 400;
    SearchDeviceDialog::setSearchOverride(o);

    m_dir->writeUdpConfig(1502);
    const QByteArray before = m_dir->readFile("config.ini");
    SetupDialog d(nullptr);
    d.show();

    ModalCloser closer;
    closer.setDialogHandler([](QWidget *w) {
        auto *search = qobject_cast<SearchDeviceDialog *>(w);
        if (!search)
            return;
        QTest::mouseClick(search->findChild<QPushButton *>("bntSearch"), Qt::LeftButton);
        auto *list = search->findChild<QListWidget *>("listWidget");
        auto *ok = search->findChild<QPushButton *>("bntOk");
        // Finished and re-enabled: the worker's last report has arrived.
        if (!QTest::qWaitFor([&] { return list->count() == 1 && !search->isSearching() && ok->isEnabled(); }, 10000)) {
            search->reject(); // the test then fails on the unchanged fields
            return;
        }
        list->setCurrentRow(0);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(d, "bntSearch"), Qt::LeftButton);
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen()[0].title, QStringLiteral("查找设备"));
    QCOMPARE(child<QLineEdit>(d, "edUdpAddress")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QString::number(responder.udpPort()));

    QTest::mouseClick(child<QPushButton>(d, "cancel"), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    resetConfigStore();
    QCOMPARE(m_dir->readFile("config.ini"), before);
}

void tst_SetupDialog::searchRejectedChangesNothing()
{
    m_dir->writeUdpConfig(1502);
    SetupDialog d(nullptr);
    d.show();
    ModalCloser closer; // rejects the search dialog
    QTest::mouseClick(child<QPushButton>(d, "bntSearch"), Qt::LeftButton);
    QCOMPARE(closer.count(), 1);
    QCOMPARE(child<QLineEdit>(d, "edUdpAddress")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QStringLiteral("1502"));
}

void tst_SetupDialog::foundInstrumentAnswersTheLink()
{
    DiscoverySim sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--address", "9", "--discovery", "0", "--discovery-from-link",
                        "--discovery-name", "ZR-LINK"}),
             qPrintable(sim.error));
    SearchDeviceDialog::SearchOverride o;
    o.targets = {QHostAddress(QStringLiteral("127.0.0.1"))};
    o.port = sim.discoveryPort;
    o.listenMs = 500;
    SearchDeviceDialog::setSearchOverride(o);

    SetupDialog d(nullptr);
    d.show();
    child<QGroupBox>(d, "gbUdp")->setChecked(true);
    child<QComboBox>(d, "cmbDeviceAddress")->setCurrentIndex(8); // address 9
    ModalCloser closer;
    closer.setDialogHandler([](QWidget *w) {
        auto *search = qobject_cast<SearchDeviceDialog *>(w);
        if (!search)
            return;
        QTest::mouseClick(search->findChild<QPushButton *>("bntSearch"), Qt::LeftButton);
        auto *list = search->findChild<QListWidget *>("listWidget");
        auto *ok = search->findChild<QPushButton *>("bntOk");
        if (!QTest::qWaitFor([&] { return list->count() == 1 && !search->isSearching() && ok->isEnabled(); }, 10000)) {
            search->reject();
            return;
        }
        list->setCurrentRow(0);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(d, "bntSearch"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(d, "edUdpPort")->text(), QString::number(sim.udpPort));
    clickOk(d);
    QCOMPARE(d.result(), int(QDialog::Accepted));

    // The next link connection reaches the instrument the search found.
    resetConfigStore();
    DeviceLink link;
    QVERIFY2(link.open(), qPrintable(link.errorText));
    QByteArray reply;
    QCOMPARE(link.transact(buildItemReadRequest(9, 0), reply, false, 2000), 0);
    QVERIFY(reply.size() > 5);
    QCOMPARE(quint8(reply[0]), quint8(9));
}

QTEST_MAIN(tst_SetupDialog)
#include "tst_setupdialog.moc"
