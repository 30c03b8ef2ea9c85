#include "discovery/searchdevicedialog.h"

#include "discovery/searchtargets.h"
#include "link/messageboxes.h"
#include "ui_searchdevicedialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QMetaType>

std::optional<SearchDeviceDialog::SearchOverride> SearchDeviceDialog::s_override;

void SearchDeviceDialog::setSearchOverride(const SearchOverride &override)
{
    s_override = override;
}

void SearchDeviceDialog::resetSearchOverride()
{
    s_override.reset();
}

SearchDeviceDialog::SearchDeviceDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SearchDeviceDialog)
{
    qRegisterMetaType<QHostAddress>("QHostAddress");

    m_ui->setupUi(this);
    // A title bar without the help and close buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    if (s_override) {
        m_thread.setPort(s_override->port);
        m_thread.setListenMs(s_override->listenMs);
    }
    addTargetChoice(s_override ? s_override->targets : collectBroadcastTargets());

    connect(m_ui->bntSearch, &QPushButton::clicked, this, &SearchDeviceDialog::slotSearchDevice);
    connect(m_ui->bntOk, &QPushButton::clicked, this, &SearchDeviceDialog::slotCommit);
    connect(m_ui->bntCancel, &QPushButton::clicked, this, &SearchDeviceDialog::reject);
    connect(&m_thread, &DSearchDeviceThread::signalSetEnableButtons, this, &SearchDeviceDialog::slotSetEnableButtons);
    connect(&m_thread, &DSearchDeviceThread::signalInsertDevice, this, &SearchDeviceDialog::slotInsertDevice);
    connect(m_ui->listWidget, &QListWidget::itemDoubleClicked, this, &SearchDeviceDialog::slotItemDoubleClicked);
}

SearchDeviceDialog::~SearchDeviceDialog()
{
    // The worker must be gone before the list it reports into.
    m_thread.disconnect(this);
    stopSearch();
    delete m_ui;
}

void SearchDeviceDialog::stopSearch()
{
    if (!m_thread.isRunning())
        return;
    m_thread.requestStop();
    m_thread.wait();
    // The dialog is closing: what is still queued concerns nobody.
    m_reportsPending = false;
}

void SearchDeviceDialog::done(int result)
{
    // Escape or a window-manager close during a search: end it, then close.
    stopSearch();
    QDialog::done(result);
}

void SearchDeviceDialog::addTargetChoice(const QList<QHostAddress> &broadcast)
{
    m_targetBox = new QGroupBox(tr("广播地址"), this);
    auto *boxLayout = new QVBoxLayout(m_targetBox);
    for (const QHostAddress &address : broadcast) {
        auto *check = new QCheckBox(address.toString(), m_targetBox);
        check->setChecked(true);
        boxLayout->addWidget(check);
        m_targetChecks << qMakePair(check, address);
    }
    if (broadcast.isEmpty())
        boxLayout->addWidget(new QLabel(tr("(无)"), m_targetBox));

    auto *directRow = new QHBoxLayout;
    directRow->addWidget(new QLabel(tr("直接询问："), this));
    m_direct = new QLineEdit(this);
    m_direct->setObjectName(QStringLiteral("edDirect"));
    m_direct->setPlaceholderText(tr("IP 地址(可选)"));
    directRow->addWidget(m_direct, 1);

    // The form places the list and the buttons by hand; a layout makes room
    // for the address choice above them.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 10, 20, 10);
    layout->addWidget(m_targetBox);
    layout->addLayout(directRow);
    m_ui->listWidget->setMinimumHeight(180);
    layout->addWidget(m_ui->listWidget, 1);
    m_ui->horizontalLayoutWidget_3->setMinimumHeight(41);
    layout->addWidget(m_ui->horizontalLayoutWidget_3);
    setFixedSize(sizeHint().expandedTo(QSize(353, 374)));
}

void SearchDeviceDialog::slotSearchDevice()
{
    // While a search runs the same button ends it; the answers so far stay.
    if (m_thread.isRunning()) {
        m_thread.requestStop();
        m_ui->bntSearch->setEnabled(false);
        return;
    }
    QList<QHostAddress> targets;
    for (const auto &choice : qAsConst(m_targetChecks)) {
        if (choice.first->isChecked())
            targets << choice.second;
    }
    const QString direct = m_direct->text().trimmed();
    if (!direct.isEmpty()) {
        const QHostAddress address(direct);
        // The search socket is IPv4; a name is not resolved.
        if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
            showErrorBox(tr("请输入有效的IPv4地址"), this);
            return;
        }
        if (!targets.contains(address))
            targets << address;
    }
    m_thread.setTargets(targets);
    m_reportsPending = true;
    m_thread.startSearch();
}

void SearchDeviceDialog::slotCommit()
{
    // Only a row the user chose: the view makes its first row current on
    // focus without selecting it, and on a network with several
    // instruments that would be a guess.
    QListWidgetItem *current = m_ui->listWidget->currentItem();
    choose(current && current->isSelected() ? current : nullptr);
}

void SearchDeviceDialog::slotItemDoubleClicked(QListWidgetItem *item)
{
    choose(item);
}

void SearchDeviceDialog::choose(QListWidgetItem *item)
{
    const auto it = item ? m_devices.constFind(item) : m_devices.constEnd();
    if (it == m_devices.constEnd()) {
        showErrorBox(tr("请选择设备"), this);
        return;
    }
    m_selectedHostAddress = it->first;
    m_selectedHostPort = it->second;
    accept();
}

void SearchDeviceDialog::slotSetEnableButtons(bool enable)
{
    m_ui->bntOk->setEnabled(enable);
    m_ui->bntCancel->setEnabled(enable);
    m_ui->listWidget->setEnabled(enable);
    m_ui->bntSearch->setEnabled(true);
    m_ui->bntSearch->setText(enable ? tr("搜索") : tr("停止"));
    m_targetBox->setEnabled(enable);
    m_direct->setEnabled(enable);
    if (!enable) {
        m_devices.clear();
        m_ui->listWidget->clear();
        // The only sign of a running search besides the greyed controls.
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    m_reportsPending = false;
}

void SearchDeviceDialog::slotInsertDevice(const QString &content, const QHostAddress &hostAddress, quint16 hostPort)
{
    // Instruments of one kind often answer with the same name.
    bool isV4 = false;
    const quint32 v4 = hostAddress.toIPv4Address(&isV4);
    const QString address = isV4 ? QHostAddress(v4).toString() : hostAddress.toString();
    auto *item = new QListWidgetItem(QStringLiteral("%1    %2:%3").arg(content, address).arg(hostPort));
    m_devices.insert(item, qMakePair(hostAddress, hostPort));
    m_ui->listWidget->addItem(item);
}
