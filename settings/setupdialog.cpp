#include "settings/setupdialog.h"

#include "discovery/searchdevicedialog.h"
#include "items/connectiontest.h"
#include "settings/recentconnections.h"
#include "settings/settingkeys.h"
#include "ui_setupdialog.h"

#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRegExpValidator>
#include <QSerialPortInfo>
#include <QSettings>
#include <QStandardItemModel>
#include <QThread>

#include <algorithm>
#include <mutex>

namespace {

void selectData(QComboBox *combo, int value)
{
    combo->setCurrentIndex(combo->findData(value));
}

} // namespace

// A test's exchange cannot be cut short; a cancelled test or a closed dialog
// only makes its result go nowhere.
struct SetupDialog::TestState {
    std::mutex lock;
    SetupDialog *dialog = nullptr;
    int generation = 0;
};

SetupDialog::SetupDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SetupDialog)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_testState = std::make_shared<TestState>();
    m_testState->dialog = this;
    addRecentRow();
    addTestRow();
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
    fillRecent();
    m_ui->ckDTR->hide();
    // Larger system fonts and longer translations need more than the form's
    // 344 x 660 (with the recent list and the test row); growing beats squeezing the rows.
    setFixedSize(QSize(344, 660).expandedTo(minimumSizeHint()));
}

SetupDialog::~SetupDialog()
{
    {
        std::lock_guard<std::mutex> guard(m_testState->lock);
        m_testState->dialog = nullptr;
    }
    delete m_ui;
}

void SetupDialog::addRecentRow()
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(tr("最近的连接："), this);
    m_recent = new QComboBox(this);
    m_recent->setObjectName(QStringLiteral("cmbRecent"));
    m_recent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_recent->setMinimumContentsLength(12);
    row->addWidget(label);
    row->addWidget(m_recent, 1);
    m_ui->layoutDialog->insertLayout(0, row);
    connect(m_recent, QOverload<int>::of(&QComboBox::activated), this, &SetupDialog::applyRecent);
}

void SetupDialog::addTestRow()
{
    auto *row = new QHBoxLayout;
    m_testButton = new QPushButton(tr("测试连接"), this);
    m_testButton->setObjectName(QStringLiteral("bntTest"));
    m_testButton->setMinimumHeight(28);
    m_testButton->setAutoDefault(false);
    // Both texts fit, so the button does not jump when it turns into "cancel".
    int width = 0;
    for (const QString &text : {tr("测试连接"), tr("取消测试")})
        width = qMax(width, m_testButton->fontMetrics().horizontalAdvance(text));
    m_testButton->setMinimumWidth(width + 32);
    row->addWidget(m_testButton);
    row->addStretch(1);
    m_testResult = new QLabel(this);
    m_testResult->setObjectName(QStringLiteral("labelTestResult"));
    m_testResult->setWordWrap(true);
    m_testResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_testResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for a long answer without the fixed-size dialog cutting it off.
    m_testResult->setMinimumHeight(fontMetrics().lineSpacing() * 4);
    // After the device address and encryption, before the spacer.
    const int at = m_ui->layoutDialog->indexOf(m_ui->spacerBottom);
    m_ui->layoutDialog->insertLayout(at, row);
    m_ui->layoutDialog->insertWidget(at + 1, m_testResult);
    connect(m_testButton, &QPushButton::clicked, this, [this] { m_testing ? cancelTest() : startTest(); });
}

void SetupDialog::fillRecent()
{
    m_recentEntries = RecentConnections::load();
    m_recent->clear();
    // A first row that says what the list is for; the combo box's own
    // placeholder is not drawn by every style.
    m_recent->addItem(m_recentEntries.isEmpty() ? tr("(无)") : tr("选择以填入"));
    if (auto *model = qobject_cast<QStandardItemModel *>(m_recent->model()))
        model->item(0)->setEnabled(false);
    for (const LinkSettings &entry : qAsConst(m_recentEntries)) {
        QString text = ConnectionTest::endpointText(entry);
        if (entry.encrypt)
            text = tr("%1,加密").arg(text);
        m_recent->addItem(text);
    }
    m_recent->setEnabled(!m_recentEntries.isEmpty());
    m_recent->setCurrentIndex(0);
}

void SetupDialog::applyRecent(int row)
{
    const int index = row - 1;
    if (index < 0 || index >= m_recentEntries.size())
        return;
    const LinkSettings &l = m_recentEntries.at(index);
    selectData(m_ui->cmbDeviceAddress, l.deviceAddress);
    m_ui->cbEncrypt->setChecked(l.encrypt);
    if (l.useUdp) {
        m_ui->edUdpAddress->setText(l.udpAddress);
        m_ui->edUdpPort->setText(QString::number(l.udpPort));
    } else {
        fillPorts(l.serialPort, true);
        m_ui->baudrate->setEditText(QString::number(l.baudrate));
        selectData(m_ui->databit, l.databits);
        selectData(m_ui->parity, l.parity);
        selectData(m_ui->stopbit, l.stopbits);
        m_ui->ckRTS->setChecked(l.useRts);
        m_ui->ckDTR->setChecked(l.useDtr);
    }
    m_ui->gbUdp->setChecked(l.useUdp);
    m_ui->gbSerial->setChecked(!l.useUdp);
}

bool SetupDialog::fieldSettings(LinkSettings *settings, QString *problem) const
{
    LinkSettings l;
    l.deviceAddress = static_cast<quint8>(m_ui->cmbDeviceAddress->currentData().toInt() & 0xFF);
    l.encrypt = m_ui->cbEncrypt->isChecked();
    l.useUdp = m_ui->gbUdp->isChecked();
    if (!l.useUdp) {
        if (m_ui->port->currentText().trimmed().isEmpty()) {
            *problem = tr("请选择串口!");
            return false;
        }
        bool baudOk = false;
        l.baudrate = m_ui->baudrate->currentText().toInt(&baudOk);
        if (!baudOk || l.baudrate <= 0) {
            *problem = tr("请选择波特率!");
            return false;
        }
        l.serialPort = m_ui->port->currentText().trimmed();
        l.databits = m_ui->databit->currentData().toInt();
        l.parity = m_ui->parity->currentData().toInt();
        l.stopbits = m_ui->stopbit->currentData().toInt();
        l.useRts = m_ui->ckRTS->isChecked();
        l.useDtr = m_ui->ckDTR->isChecked();
    } else {
        if (m_ui->edUdpAddress->text().isEmpty()) {
            *problem = tr("请输入UDP地址");
            return false;
        }
        if (m_ui->edUdpPort->text().isEmpty()) {
            *problem = tr("请输入UDP端口");
            return false;
        }
        l.udpAddress = m_ui->edUdpAddress->text();
        l.udpPort = static_cast<quint16>(m_ui->edUdpPort->text().toUInt() & 0xFFFF);
    }
    *settings = l;
    return true;
}

QString SetupDialog::testResultText() const
{
    return m_testResult->text();
}

void SetupDialog::startTest()
{
    LinkSettings settings;
    QString problem;
    if (!fieldSettings(&settings, &problem)) {
        m_testResult->setText(problem);
        return;
    }
    int generation = 0;
    {
        std::lock_guard<std::mutex> guard(m_testState->lock);
        generation = ++m_testState->generation;
    }
    m_testing = true;
    m_testButton->setText(tr("取消测试"));
    m_testResult->setText(tr("正在测试 %1 …").arg(ConnectionTest::endpointText(settings)));

    const std::shared_ptr<TestState> state = m_testState;
    QThread *worker = QThread::create([state, settings, generation] {
        const QString text = ConnectionTest::message(settings, testConnection(settings));
        std::lock_guard<std::mutex> guard(state->lock);
        if (state->dialog && state->generation == generation) {
            SetupDialog *dialog = state->dialog;
            QMetaObject::invokeMethod(dialog, [dialog, text] { dialog->testFinished(text); }, Qt::QueuedConnection);
        }
    });
    // No parent: a closed dialog leaves a running exchange to finish alone.
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void SetupDialog::testFinished(const QString &text)
{
    m_testing = false;
    m_testButton->setText(tr("测试连接"));
    m_testResult->setText(text);
}

void SetupDialog::cancelTest()
{
    if (!m_testing)
        return;
    {
        std::lock_guard<std::mutex> guard(m_testState->lock);
        ++m_testState->generation;
    }
    testFinished(tr("测试已取消"));
}

void SetupDialog::done(int result)
{
    cancelTest();
    QDialog::done(result);
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
    for (const ParityCode &p : kParityCodes)
        m_ui->parity->addItem(tr(p.name), p.code);
    for (const StopBitsCode &s : kStopBitsCodes)
        m_ui->stopbit->addItem(QLatin1String(s.text), s.code);
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

    // The list holds what the system enumerates; a /dev/serial/by-id link,
    // a pseudo-terminal or a port that comes and goes can be typed.
    m_ui->port->setEditable(true);
    m_ui->port->setInsertPolicy(QComboBox::NoInsert);
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
        if (m_ui->port->currentText().trimmed().isEmpty()) {
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
        SettingKeys::serialPort.write(m_ui->port->currentText().trimmed());
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
    LinkSettings accepted;
    QString problem;
    if (fieldSettings(&accepted, &problem))
        RecentConnections::remember(accepted);
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
