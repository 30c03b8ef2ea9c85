#include "settings/setupdialog.h"

#include "discovery/searchdevicedialog.h"
#include "settings/settingkeys.h"
#include "ui_setupdialog.h"

#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QRegExpValidator>
#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>

namespace {

void selectData(QComboBox *combo, int value)
{
    combo->setCurrentIndex(combo->findData(value));
}

} // namespace

SetupDialog::SetupDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SetupDialog)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    alignLabels();
    fillLists();
    m_ui->baudrate->setValidator(new QRegExpValidator(QRegExp(QStringLiteral("[1-9]\\d*")), this));
    m_ui->edUdpPort->setValidator(new QRegExpValidator(QRegExp(QStringLiteral("\\d{0,5}")), this));

    connect(m_ui->bntOk, &QPushButton::clicked, this, &SetupDialog::saveConfig);
    connect(m_ui->cancel, &QPushButton::clicked, this, &SetupDialog::reject);
    connect(m_ui->bntSearch, &QPushButton::clicked, this, &SetupDialog::searchDialog);
    connect(m_ui->gbUdp, &QGroupBox::toggled, this, [this](bool on) { m_ui->gbSerial->setChecked(!on); });
    connect(m_ui->gbSerial, &QGroupBox::toggled, this, [this](bool on) { m_ui->gbUdp->setChecked(!on); });

    loadConfig();
    m_ui->ckDTR->hide();
    // Larger system fonts and longer translations need more than the form's
    // 344 x 527; growing beats squeezing the rows.
    setFixedSize(QSize(344, 527).expandedTo(minimumSizeHint()));
}

SetupDialog::~SetupDialog()
{
    delete m_ui;
}

void SetupDialog::alignLabels()
{
    // One label column for both groups, so their fields line up.
    const QList<QLabel *> labels = {m_ui->labelPort,   m_ui->labelBaudrate,   m_ui->labelDatabit,
                                    m_ui->labelParity, m_ui->labelStopbit,    m_ui->labelUdpAddress,
                                    m_ui->labelUdpPort};
    int width = 0;
    for (QLabel *label : labels)
        width = qMax(width, label->sizeHint().width());
    for (QLabel *label : labels) {
        label->setMinimumWidth(width);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

void SetupDialog::fillLists()
{
    for (int address = 1; address <= 255; ++address)
        m_ui->cmbDeviceAddress->addItem(QString::number(address), address);
    for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        m_ui->baudrate->addItem(QString::number(rate), rate);
    for (int bits = 5; bits <= 8; ++bits)
        m_ui->databit->addItem(QString::number(bits), bits);
    // Ordered by the numbers the serial port takes, hence "1.5" after "2".
    m_ui->parity->addItem(tr("None"), 0);
    m_ui->parity->addItem(tr("Even"), 2);
    m_ui->parity->addItem(tr("Odd"), 3);
    m_ui->parity->addItem(tr("Space"), 4);
    m_ui->parity->addItem(tr("Mark"), 5);
    m_ui->stopbit->addItem(QStringLiteral("1"), 1);
    m_ui->stopbit->addItem(QStringLiteral("2"), 2);
    m_ui->stopbit->addItem(QStringLiteral("1.5"), 3);
}

void SetupDialog::fillPorts(const QString &storedPort, bool hasStoredPort)
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    // A port that has gone away stays choosable; the next link open reports it.
    if (hasStoredPort)
        names << storedPort;
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());

    m_ui->port->clear();
    for (const QString &name : qAsConst(names)) {
        if (!name.isEmpty())
            m_ui->port->addItem(name);
    }
    if (m_ui->port->count() == 0)
        m_ui->port->addItem(QString());
    m_ui->port->setCurrentIndex(m_ui->port->findText(storedPort, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void SetupDialog::loadConfig()
{
    selectData(m_ui->cmbDeviceAddress, SettingKeys::deviceAddress.read() & 0xFF);
    fillPorts(SettingKeys::serialPort.read(), SettingKeys::serialPort.isStored());
    m_ui->baudrate->setEditText(QString::number(SettingKeys::serialBaudrate.read()));
    selectData(m_ui->databit, SettingKeys::serialDatabits.read());
    selectData(m_ui->parity, SettingKeys::serialParity.read());
    selectData(m_ui->stopbit, SettingKeys::serialStopbits.read());
    m_ui->cbEncrypt->setChecked(SettingKeys::communicateEncrypt.read());
    m_ui->edUdpAddress->setText(SettingKeys::udpAddress.read());
    m_ui->edUdpPort->setText(SettingKeys::udpPort.read());
    m_ui->ckRTS->setChecked(SettingKeys::serialSendRts.read());
    m_ui->ckDTR->setChecked(SettingKeys::serialSendDtr.read());

    const bool udp = SettingKeys::communicateUdp.read() != 0;
    m_ui->gbUdp->setChecked(udp);
    m_ui->gbSerial->setChecked(!udp);
}

void SetupDialog::showError(const QString &text)
{
    QMessageBox::critical(this, windowTitle(), text);
}

void SetupDialog::saveConfig()
{
    // Saved before any check, so they stick even when the dialog stays open.
    SettingKeys::deviceAddress.write(m_ui->cmbDeviceAddress->currentData().toInt());
    SettingKeys::communicateEncrypt.write(m_ui->cbEncrypt->isChecked());

    if (m_ui->gbSerial->isChecked()) {
        if (m_ui->port->currentText().isEmpty()) {
            showError(tr("请选择串口!"));
            return;
        }
        // A rate beyond the integer range would be stored as 0 and fail the next open.
        bool baudOk = false;
        const int baudrate = m_ui->baudrate->currentText().toInt(&baudOk);
        if (m_ui->baudrate->currentText().isEmpty() || !baudOk) {
            showError(tr("请选择波特率!"));
            return;
        }
        SettingKeys::serialPort.write(m_ui->port->currentText());
        SettingKeys::serialBaudrate.write(baudrate);
        SettingKeys::serialDatabits.write(m_ui->databit->currentData().toInt());
        SettingKeys::serialParity.write(m_ui->parity->currentData().toInt());
        SettingKeys::serialStopbits.write(m_ui->stopbit->currentData().toInt());
        SettingKeys::serialSendRts.write(m_ui->ckRTS->isChecked());
        SettingKeys::serialSendDtr.write(m_ui->ckDTR->isChecked());
        SettingKeys::communicateUdp.write(0);
    } else {
        if (m_ui->edUdpAddress->text().isEmpty()) {
            showError(tr("请输入UDP地址"));
            return;
        }
        if (m_ui->edUdpPort->text().isEmpty()) {
            showError(tr("请输入UDP端口"));
            return;
        }
        SettingKeys::udpAddress.write(m_ui->edUdpAddress->text());
        SettingKeys::udpPort.write(m_ui->edUdpPort->text());
        SettingKeys::communicateUdp.write(1);
    }
    accept();
}

void SetupDialog::searchDialog()
{
    SearchDeviceDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Answers may come in as IPv4-mapped IPv6; the link wants dotted decimal.
    m_ui->edUdpAddress->setText(QHostAddress(dialog.selectedHostAddress().toIPv4Address()).toString());
    m_ui->edUdpPort->setText(QString::number(dialog.selectedHostPort()));
}
