#include "app/mainwindow.h"

#include "about/neutralaboutdialog.h"
#include "app/fleetwindow.h"
#include "firmware/updatedialog.h"
#include "history/historydata.h"
#include "items/configtree.h"
#include "items/itemread.h"
#include "items/itemrows.h"
#include "items/safewrite.h"
#include "link/devicelink.h"
#include "link/messageboxes.h"
#include "link/trafficwindow.h"
#include "monitor/monitordialog.h"
#include "settings/appfolders.h"
#include "settings/config.h"
#include "settings/recentconnections.h"
#include "settings/settingkeys.h"
#include "settings/setupdialog.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(new Ui::MainWindow)
    , m_tree(new ConfigTree(this))
    , m_translator(new QTranslator(this))
    , m_qtTranslator(new QTranslator(this))
{
    m_ui->setupUi(this);
    setWindowTitle(QString());
    setWindowIcon(QIcon(QStringLiteral(":/image/configure.png")));
    QWidget *placeholder = centralWidget();
    setCentralWidget(m_tree);
    delete placeholder;
    m_ui->centralWidget = m_tree;
    m_ui->toolBar->setMovable(false);
    m_ui->toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    connect(m_ui->setup, &QAction::triggered, this, &MainWindow::slotCommunicationSetup);
    connect(m_ui->refresh, &QAction::triggered, this, &MainWindow::slotRefresh);
    connect(m_ui->import_2, &QAction::triggered, this, &MainWindow::slotImportItems);
    connect(m_ui->export_2, &QAction::triggered, this, &MainWindow::slotExportItems);
    connect(m_ui->save, &QAction::triggered, this, &MainWindow::slotWriteItems);
    connect(m_ui->restore, &QAction::triggered, this, &MainWindow::slotRestoreBackup);
    connect(m_ui->sync_time, &QAction::triggered, this, &MainWindow::slotSyncTime);
    connect(m_ui->debug, &QAction::triggered, this, &MainWindow::slotHistoryData);
    connect(m_ui->update, &QAction::triggered, this, &MainWindow::slotUpdateHardware);
    connect(m_ui->about, &QAction::triggered, this, &MainWindow::slotAbout);
    connect(m_ui->lang_en_US, &QAction::triggered, this, &MainWindow::slot_en_US);
    connect(m_ui->lang_zh_CH, &QAction::triggered, this, &MainWindow::slot_zh_CH);
    connect(m_ui->lang_zh_TW, &QAction::triggered, this, &MainWindow::slot_zh_TW);
    connect(m_ui->monitor, &QAction::triggered, this, &MainWindow::slotDeviceMonitor);
    connect(m_ui->writeSN, &QAction::triggered, this, &MainWindow::slotWriteSN);
    TrafficWindow::addMenuAction(m_ui->menu, this);
    keepDialogsWindowModal(this);
    m_fleetAction = m_ui->menu->addAction(tr("多台设备"));
    m_fleetAction->setObjectName(QStringLiteral("fleet"));
    connect(m_fleetAction, &QAction::triggered, this, &MainWindow::openFleetWindow);
    connect(&m_refreshThread, &RefreshThread::signalClearItems, this, &MainWindow::slotClearItems);
    connect(&m_refreshThread, &RefreshThread::signalAddItems, this, &MainWindow::slotAddItems);
    connect(&m_refreshThread, &RefreshThread::showErrorMessage, this, &MainWindow::slotShowErrorMessage);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &MainWindow::slotItemDoubleClicked);
    connect(&m_refreshThread, &RefreshThread::finished, this, &MainWindow::onRefreshFinished);
    connect(&m_exchange, &ExchangeThread::signalRowStarted, this, &MainWindow::onRowStarted);
    connect(&m_exchange, &ExchangeThread::signalRowWritten, this, &MainWindow::onRowWritten);
    connect(&m_exchange, &ExchangeThread::signalWriteFinished, this, &MainWindow::onWriteFinished);
    connect(&m_exchange, &ExchangeThread::signalClockSynced, this, &MainWindow::onClockSynced);
    connect(&m_exchange, &ExchangeThread::signalSerialProbed, this, &MainWindow::onSerialProbed);
    connect(&m_exchange, &ExchangeThread::signalSerialNumberWritten, this, &MainWindow::onSerialNumberWritten);
    connect(&m_exchange, &ExchangeThread::signalItemsRead, this, &MainWindow::onItemsRead);
    connect(&m_exchange, &ExchangeThread::signalItemsReceived, this, &MainWindow::onItemsReceived);

    // Progress goes into the message area; the stop button and the
    // connection stay at the right.
    m_stopButton = new QToolButton(this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->hide();
    connect(m_stopButton, &QToolButton::clicked, this, &MainWindow::slotStopExchange);
    m_connectionLabel = new QLabel(this);
    m_connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    statusBar()->addPermanentWidget(m_stopButton);
    statusBar()->addPermanentWidget(m_connectionLabel);

    showStatus(tr("准备就绪"), 5000);
    const QString ready = statusBar()->currentMessage();
    loadSettings();
    // The ready text went up before the stored language was loaded.
    if (statusBar()->currentMessage() == ready)
        showStatus(tr("准备就绪"), 5000);

    // The tool bar draws its icons at 16 x 16 inside the 25 x 25 buttons.
    for (QAction *action : m_ui->toolBar->actions()) {
        const QPixmap pixmap = action->icon().pixmap(16, 16, QIcon::Normal, QIcon::Off);
        action->setIcon(QIcon(pixmap));
    }

    QString skipWarning;
    m_rowFilter.setTable(loadSkipTable(QStringLiteral("SkipItems"), &skipWarning));
    if (!skipWarning.isEmpty())
        showStatus(skipWarning, 10000);
}

MainWindow::~MainWindow()
{
    m_exchange.requestStop();
    m_refreshThread.requestStop();
    m_exchange.wait();
    m_refreshThread.wait();
    delete m_ui;
}

void MainWindow::loadSettings()
{
    QSettings *s = configSettings();
    const int width = SettingKeys::windowWidth.read(s);
    const int height = SettingKeys::windowHeight.read(s);
    resize(width, qMax(height, 600));
    setLanguage(SettingKeys::language.read(s));
}

void MainWindow::setLanguage(const QString &language)
{
    m_ui->lang_en_US->setChecked(language == QLatin1String("en_US"));
    m_ui->lang_zh_TW->setChecked(language == QLatin1String("zh_TW"));
    m_ui->lang_zh_CH->setChecked(!m_ui->lang_en_US->isChecked() && !m_ui->lang_zh_TW->isChecked());

    // Workers translate their texts while they run; a translator is never
    // reloaded while it is installed.
    QApplication::removeTranslator(m_translator);
    QApplication::removeTranslator(m_qtTranslator);
    if (!language.isEmpty() && loadTranslation(m_translator, language, translationDirs()))
        QApplication::installTranslator(m_translator);
    else
        QApplication::removeTranslator(m_translator);
    if (loadTranslation(m_qtTranslator, qtTranslationName(language), translationDirs({qtTranslationsDir()})))
        QApplication::installTranslator(m_qtTranslator);
    else
        QApplication::removeTranslator(m_qtTranslator);

    // Dates, month names and numbers of the windows opened from now on (the
    // history's date pop-up, file dialogs) follow the language, not the
    // system's locale.
    QString localeName = QStringLiteral("zh_CN");
    if (m_ui->lang_en_US->isChecked())
        localeName = QStringLiteral("en_US");
    else if (m_ui->lang_zh_TW->isChecked())
        localeName = QStringLiteral("zh_TW");
    QLocale::setDefault(QLocale(localeName));
    m_ui->retranslateUi(this);
    if (m_fleetAction)
        m_fleetAction->setText(tr("多台设备"));
    m_stopButton->setText(ExchangeThread::stopButtonText());
    m_stopButton->setToolTip(ExchangeThread::stopButtonToolTip());
    updateProgress();
    updateConnectionLabel();

    QToolBar probe;
    int width = probe.minimumSizeHint().width();
    for (QAction *action : m_ui->toolBar->actions()) {
        if (QWidget *button = m_ui->toolBar->widgetForAction(action))
            width += button->minimumSizeHint().width();
    }
    // The sum above leaves out the spacing between the buttons, which
    // pushed the last action behind the extension arrow; the bar's own
    // hint includes it.
    width = qMax(width, m_ui->toolBar->sizeHint().width());
    // The stored or user-chosen width wins when the new texts fit in it;
    // long values would otherwise be cut off at every start.
    setMinimumWidth(width);
    resize(qMax(width, this->width()), height());

    QSettings *s = configSettings();
    SettingKeys::language.write(language, s);
    setWindowTitle(applicationTitle(SettingKeys::language.read(s)));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    if (m_refreshThread.isRunning() || m_exchange.isRunning())
        hide();
    // A batch ends after the row it is writing, a refresh after the item
    // on the wire: the port is free once the window is gone.
    m_exchange.requestStop();
    m_refreshThread.requestStop();
    m_refreshThread.wait();
    m_exchange.wait();
    QSettings *s = configSettings();
    SettingKeys::windowWidth.write(width(), s);
    SettingKeys::windowHeight.write(height(), s);
    QMainWindow::closeEvent(event);
    singleton<Config>::destroy();
}

void MainWindow::showStatus(const QString &text, int timeoutMs)
{
    statusBar()->showMessage(text, timeoutMs);
}

void MainWindow::showMessageBox(const QString &title, const QString &text, const QIcon &icon)
{
    QMessageBox box(this);
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(title);
    box.setText(text);
    QPushButton *ok = box.addButton(tr("确定"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setWindowIcon(icon);
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    showStatus(text, 5000);
    box.exec();
}

QString MainWindow::askFileName(bool save, const QString &caption)
{
    if (m_fileNameProvider)
        return m_fileNameProvider(save, caption);
    const QString filter = QStringLiteral("Files (*.csv)");
    if (save) {
        QFileDialog dialog(this, caption, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // Adds .csv before the dialog asks about replacing a file.
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
    // A colleague's file may carry another suffix, or none.
    return QFileDialog::getOpenFileName(this, caption, QString(), filter + QStringLiteral(";;") + tr("所有文件 (*)"));
}

void MainWindow::slotCommunicationSetup()
{
    if (isExchangeRunning())
        return;
    const bool wasCurrent = treeIsFromCurrentLink() && m_tree->topLevelItemCount() > 0;
    SetupDialog dlg(this);
    dlg.exec();
    // Also after a refused OK: address and encryption are saved first.
    updateConnectionLabel();
    if (wasCurrent && !treeIsFromCurrentLink())
        showStatus(tr("通讯设置已更改,列表中的配置项读自之前的连接"), 10000);
}

FleetWindow *MainWindow::openFleetWindow()
{
    if (!m_fleet) {
        m_fleet = new FleetWindow(this);
        connect(m_fleet, &FleetWindow::instrumentActivated, this,
                [this](const LinkSettings &link) { openInstrument(link); });
    }
    m_fleet->show();
    m_fleet->raise();
    m_fleet->activateWindow();
    return m_fleet;
}

bool MainWindow::openInstrument(const LinkSettings &link)
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return false;
    }
    // Stored as the setup dialog stores an accepted connection, so the next
    // exchange, the label and the tree's origin rules all follow it.
    SettingKeys::deviceAddress.write(link.deviceAddress);
    if (link.useUdp) {
        SettingKeys::udpAddress.write(link.udpAddress);
        SettingKeys::udpPort.write(QString::number(link.udpPort));
        SettingKeys::communicateUdp.write(1);
    } else {
        SettingKeys::serialPort.write(link.serialPort);
        SettingKeys::serialBaudrate.write(link.baudrate);
        SettingKeys::communicateUdp.write(0);
    }
    RecentConnections::remember(link);
    updateConnectionLabel();
    raise();
    activateWindow();
    slotRefresh();
    return true;
}

void MainWindow::slotRefresh()
{
    if (m_refreshThread.isRunning() || !beginExchange(BusyRefresh))
        return;
    m_refreshCount = 0;
    m_treeFromInstrument = true;
    m_treeLink = m_exchangeLink;
    updateConnectionLabel();
    m_refreshThread.setLinkSettings(m_exchangeLink);
    m_refreshThread.clearStop();
    updateProgress();
    m_refreshThread.start();
}

void MainWindow::onRefreshFinished()
{
    if (m_busy != BusyRefresh)
        return;
    endExchange();
    if (m_refreshThread.wasStopped() && !m_closing)
        showStatus(RefreshThread::stoppedText(m_refreshCount), 5000);
}

bool MainWindow::beginExchange(Busy kind)
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return false;
    }
    m_busy = kind;
    m_exchangeLink = LinkSettings::fromSettings();
    setInstrumentActionsEnabled(false);
    return true;
}

void MainWindow::endExchange()
{
    m_busy = Idle;
    m_checking = false;
    setInstrumentActionsEnabled(true);
    updateProgress();
    emit signalExchangeEnded();
}

void MainWindow::setInstrumentActionsEnabled(bool enabled)
{
    // Language, about and viewers that touch neither stay available.
    for (QAction *a : {m_ui->setup, m_ui->refresh, m_ui->import_2, m_ui->export_2, m_ui->save, m_ui->restore, m_ui->sync_time,
                       m_ui->debug, m_ui->update, m_ui->monitor, m_ui->writeSN})
        a->setEnabled(enabled);
}

void MainWindow::slotStopExchange()
{
    if (m_busy == BusyRefresh && m_refreshThread.isRunning()) {
        m_refreshThread.requestStop();
        m_stopButton->setEnabled(false);
        updateProgress();
    } else if ((m_busy == BusyWriteAll || m_busy == BusyPreviewRead) && m_exchange.isRunning()) {
        m_exchange.requestStop();
        m_stopButton->setEnabled(false);
        updateProgress();
    }
}

QString MainWindow::progressText() const
{
    return m_busy != Idle ? m_progressText : QString();
}

QString MainWindow::connectionText() const
{
    return m_connectionLabel->text();
}

void MainWindow::updateProgress()
{
    static const ExchangeThread::Kind kinds[] = {ExchangeThread::None, ExchangeThread::Refresh,
                                                 ExchangeThread::WriteOne, ExchangeThread::WriteAll,
                                                 ExchangeThread::ClockSync, ExchangeThread::SerialWrite,
                                                 ExchangeThread::ReadItems};
    const bool refresh = m_busy == BusyRefresh;
    const QString text = m_checking
        ? ExchangeThread::checkText(m_checkItems, m_checkCount)
        : ExchangeThread::progressText(kinds[m_busy], refresh ? m_refreshCount : m_rowNumber, m_rowCount, m_rowName,
                                       m_exchange.stopRequested());
    m_progressText = text;
    if (m_busy == Idle) {
        // A progress line nothing replaced would claim the exchange still runs.
        if (!m_progressStatus.isEmpty() && statusBar()->currentMessage() == m_progressStatus)
            statusBar()->clearMessage();
        m_progressStatus.clear();
    } else {
        // The check is a step of its own: the rows are out by then.
        const bool write = (m_busy == BusyWriteOne || m_busy == BusyWriteAll || m_busy == BusyPreviewRead) && !m_checking;
        m_progressStatus = write ? tr("正在写入配置......") + QLatin1Char(' ') + text : text;
        showStatus(m_progressStatus);
    }
    // A refresh against a slow instrument takes as long as a batch.
    const bool stoppable = m_busy == BusyWriteAll || m_busy == BusyRefresh || m_busy == BusyPreviewRead;
    m_stopButton->setVisible(stoppable);
    m_stopButton->setToolTip(m_busy == BusyWriteAll ? ExchangeThread::stopButtonToolTip()
                                                    : ExchangeThread::readStopButtonToolTip());
    if (!stoppable)
        m_stopButton->setEnabled(true);
}

// The same instrument: the same port or address and the same device address.
static bool sameInstrument(const LinkSettings &a, const LinkSettings &b)
{
    if (a.useUdp != b.useUdp || a.deviceAddress != b.deviceAddress)
        return false;
    return a.useUdp ? a.udpAddress == b.udpAddress && a.udpPort == b.udpPort : a.serialPort == b.serialPort;
}

bool MainWindow::treeIsFromCurrentLink() const
{
    return m_treeFromInstrument && sameInstrument(m_treeLink, LinkSettings::fromSettings());
}

void MainWindow::updateConnectionLabel()
{
    const LinkSettings link = LinkSettings::fromSettings();
    QString text = linkSummaryText(link);
    // Rows read from one instrument must not pass for another's.
    if (m_treeFromInstrument && !treeIsFromCurrentLink() && m_tree->topLevelItemCount() > 0)
        text += QStringLiteral(" \u00B7 ") + tr("列表读自另一连接: %1").arg(linkSummaryText(m_treeLink));
    m_connectionLabel->setText(text);
}

void MainWindow::showFailureStatus(const QString &text)
{
    showStatus(QStringLiteral("%1 \u2014 %2").arg(text, linkSummaryText(m_exchangeLink)), 5000);
}

void MainWindow::slotHistoryData()
{
    if (isExchangeRunning())
        return;
    HistoryData dlg(this);
    dlg.exec();
}

void MainWindow::slotUpdateHardware()
{
    if (isExchangeRunning())
        return;
    UpdateDialog dlg(this);
    // The instrument's identity as the last refresh read it, for the
    // confirmation; an imported file, or a list read over another
    // connection, says nothing about the instrument the flash talks to.
    QStringList summary;
    if (treeIsFromCurrentLink()) {
        for (const ItemRow &row : m_tree->rows()) {
            const QString name = itemRowName(row);
            for (const char *key : {"站点名称", "设备名称", "设备型号", "版本"}) {
                if (!row.column1.isEmpty() && name.contains(QString::fromUtf8(key))) {
                    summary << QStringLiteral("%1: %2").arg(name, itemRowValue(row));
                    break;
                }
            }
        }
    }
    dlg.setInstrumentSummary(summary.join(QLatin1Char('\n')));
    // The items are saved before the flash may change them, on the flash's
    // own thread, from a snapshot of what it needs.
    if (SettingKeys::backupEnabled.read()) {
        const LinkSettings link = LinkSettings::fromSettings();
        const SkipTable table = m_rowFilter.skipFilter().table();
        const QString dir = defaultBackupDir();
        const int keep = SettingKeys::backupKeep.read();
        dlg.updateThread().setBeforeFlash([link, table, dir, keep]() -> QString {
            QString cause;
            backupInstrumentItems(link, table, dir, keep, nullptr, &cause);
            return cause;
        });
    }
    dlg.exec();
    // A new firmware may number or name its items differently.
    if (dlg.flashSucceeded() && !m_closing)
        slotRefresh();
}

void MainWindow::slotDeviceMonitor()
{
    if (isExchangeRunning())
        return;
    MonitorDialog dlg(this);
    dlg.exec();
}

void MainWindow::slotAbout()
{
    NeutralAboutDialog dlg(this);
    dlg.exec();
}

void MainWindow::slotClearItems()
{
    m_tree->clear();
    if (m_busy == BusyRefresh && sender() == &m_refreshThread) {
        m_refreshCount = 0;
        updateProgress();
    }
}

void MainWindow::slotAddItems(int index, const QStringList &list)
{
    for (const ItemRow &row : m_rowFilter.addItem(index, list))
        m_tree->appendRow(row);
    if (m_busy == BusyRefresh && sender() == &m_refreshThread) {
        ++m_refreshCount;
        updateProgress();
    }
}

void MainWindow::slotShowErrorMessage(const QString &title, const QString &error, const QString &image)
{
    // A refresh that ended while the window was closing has nobody to tell.
    if (m_closing)
        return;
    showMessageBox(title, error, QIcon(image));
    showFailureStatus(error);
}

void MainWindow::slot_en_US()
{
    setLanguage(QStringLiteral("en_US"));
}

void MainWindow::slot_zh_CH()
{
    setLanguage(QStringLiteral("zh_CH"));
}

void MainWindow::slot_zh_TW()
{
    setLanguage(QStringLiteral("zh_TW"));
}
