#include "discovery/searchdevicedialog.h"

#include "link/messageboxes.h"
#include "ui_searchdevicedialog.h"

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
    setFixedSize(size());

    if (s_override) {
        m_thread.setTargets(s_override->targets);
        m_thread.setPort(s_override->port);
        m_thread.setListenMs(s_override->listenMs);
    }

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
}

void SearchDeviceDialog::done(int result)
{
    // Escape or a window-manager close during a search: end it, then close.
    stopSearch();
    QDialog::done(result);
}

void SearchDeviceDialog::slotSearchDevice()
{
    m_thread.startSearch();
}

void SearchDeviceDialog::slotCommit()
{
    choose(m_ui->listWidget->currentItem());
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
    m_ui->bntSearch->setEnabled(enable);
    if (!enable) {
        m_devices.clear();
        m_ui->listWidget->clear();
        // The only sign of a running search besides the greyed controls.
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    // So that OK takes the first instrument found without a click.
    if (m_ui->listWidget->count() > 0 && !m_ui->listWidget->currentItem()) {
        m_ui->listWidget->setCurrentRow(0);
        m_ui->listWidget->setFocus();
    }
}

void SearchDeviceDialog::slotInsertDevice(const QString &content, const QHostAddress &hostAddress, quint16 hostPort)
{
    auto *item = new QListWidgetItem(content);
    m_devices.insert(item, qMakePair(hostAddress, hostPort));
    m_ui->listWidget->addItem(item);
}
