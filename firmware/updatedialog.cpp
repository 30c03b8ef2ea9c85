#include "firmware/updatedialog.h"

#include "firmware/flash.h"
#include "firmware/package.h"
#include "link/messageboxes.h"
#include "settings/settingkeys.h"

#include "ui_updatedialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

UpdateDialog::UpdateDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::UpdateDialog>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/image/update.png")));
    // The form's size unless the fonts or the translation need more rows'
    // height than it was drawn for.
    setFixedSize(size().expandedTo(minimumSizeHint()));
    // Display-only fields must not look like places to type.
    for (QLineEdit *field : {m_ui->edDevice, m_ui->edType, m_ui->edVersion}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        field->setPalette(palette);
    }

    connect(m_ui->bntSelectFile, &QPushButton::clicked, this, &UpdateDialog::slotSelectFile);
    connect(m_ui->bntUpdate, &QPushButton::clicked, this, &UpdateDialog::slotUpdate);
    connect(&m_updateThread, &QThread::started, this, &UpdateDialog::soltStartUpdate);
    connect(&m_updateThread, &QThread::finished, this, &UpdateDialog::soltStopUpdate);
    connect(&m_updateThread, &UpdateThread::signalUpdateProgress, this, &UpdateDialog::slotSetUpdateProgress);
    connect(&m_updateThread, &UpdateThread::signalUpdateSucceed, this, &UpdateDialog::slotUpdateSucceed);
    connect(&m_updateThread, &UpdateThread::signalShowErrorMessage, this, &UpdateDialog::slotShowErrorMessage);
    connect(&m_updateThread, &UpdateThread::signalBeforeFlashFailed, this, &UpdateDialog::slotBackupFailed);
    connect(&m_deviceTypeMgr, &QThread::started, this, &UpdateDialog::slotStartRefreshFile);
    connect(&m_deviceTypeMgr, &QThread::finished, this, &UpdateDialog::slotStopRefreshFile);
    connect(&m_deviceTypeMgr, &DeviceTypeMgr::signalFinished, this, &UpdateDialog::slotFinishedRefreshFile);
    connect(&m_deviceTypeMgr, &DeviceTypeMgr::signalShowErrorMessage, this, &UpdateDialog::slotShowErrorMessage);
    connect(m_ui->bntRefresh, &QPushButton::clicked, this, &UpdateDialog::startRefresh);
    connect(m_ui->bntSelectPath, &QPushButton::clicked, this, &UpdateDialog::slotSelectPath);
    connect(m_ui->bntDownload, &QPushButton::clicked, this, &UpdateDialog::slotStartDownloadThread);
    connect(&m_downloadThread, &QThread::started, this, &UpdateDialog::slotStartDownloadFile);
    connect(&m_downloadThread, &QThread::finished, this, &UpdateDialog::slotStopDownloadFile);
    connect(&m_downloadThread, &DownloadThread::signalSetDownloadProgress, this,
            &UpdateDialog::slotSetDownloadProgress);
    connect(&m_downloadThread, &DownloadThread::signalDownloadSucceed, this, &UpdateDialog::slotDownloadSucceed);
    connect(&m_downloadThread, &DownloadThread::signalShowErrorMessage, this, &UpdateDialog::slotShowErrorMessage);

    m_ui->barUpdate->setRange(0, 100);
    m_ui->barUpdate->setValue(0);
    m_ui->barDownload->setRange(0, 100);
    m_ui->barDownload->setValue(0);
    m_ui->bntUpdate->setEnabled(false);
    m_ui->edCatalogueUrl->setText(DeviceTypeMgr::configuredCatalogueUrl());
    // The program's folder for packages; created by the download itself.
    m_ui->edDownloadDir->setText(QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("Files"))));
}

UpdateDialog::~UpdateDialog()
{
    // Queued reports of the workers must not reach a half-destroyed dialog.
    m_deviceTypeMgr.disconnect(this);
    m_downloadThread.disconnect(this);
    m_updateThread.disconnect(this);
    stopWorkers();
    m_updateThread.wait();
}

QString UpdateDialog::filesFolder()
{
    const QString folder = QDir::current().filePath(QStringLiteral("Files"));
    QDir().mkpath(folder);
    return folder;
}

QString UpdateDialog::askPackagePath(const QString &startFolder)
{
    return QFileDialog::getOpenFileName(this, tr("更新固件"), startFolder, QStringLiteral("Files (*.zrbin)"));
}

QString UpdateDialog::askDownloadFolder(const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(this, tr("下载文件"), startFolder, QFileDialog::ShowDirsOnly);
}

void UpdateDialog::setDownloadControlsEnabled(bool enabled)
{
    m_ui->bntSelectPath->setEnabled(enabled);
    m_ui->bntDownload->setEnabled(enabled);
    m_ui->bntRefresh->setEnabled(enabled);
    m_ui->cmbFileList->setEnabled(enabled);
}

// A fetch or a download ending during flashing must not re-enable what the
// flash locked, and the reverse.
void UpdateDialog::applyControlStates()
{
    setDownloadControlsEnabled(!m_fetching && !m_downloading);
    if (m_flashing)
        m_ui->bntDownload->setEnabled(false);
    m_ui->bntSelectFile->setEnabled(!m_flashing);
    m_ui->bntUpdate->setEnabled(!m_flashing && m_packageReady);
}

void UpdateDialog::slotSelectFile()
{
    const QString chosen = askPackagePath(filesFolder());
    const QString path = chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
    m_ui->edFilePath->setText(path);
    m_ui->edFilePath->setToolTip(path);

    DEncryptInfo info(path);
    DDbServer db(packageConnectionName());
    if (!db.readInfo(info).isEmpty()) {
        m_ui->edDevice->clear();
        m_ui->edType->clear();
        m_ui->edVersion->clear();
        m_packageReady = false;
    } else {
        m_ui->edDevice->setText(info.device());
        m_ui->edType->setText(info.model());
        m_ui->edVersion->setText(info.version());
        m_packageReady = true;
    }
    applyControlStates();
}

void UpdateDialog::slotUpdate()
{
    if (m_updateThread.isRunning())
        return;
    const QString path = m_ui->edFilePath->text();
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || !file.isFile()) {
        showErrorBox(flashFileMissingMessage(), this);
        return;
    }
    DEncryptInfo info(path);
    DDbServer db(packageConnectionName());
    const QString error = db.readInfo(info);
    if (!error.isEmpty()) {
        showErrorBox(error, this);
        return;
    }
    // Flashing cannot be undone or stopped: say what goes where first.
    QString text = tr("固件文件\n设备: %1\n型号: %2\n版本: %3").arg(info.device(), info.model(), info.version());
    // Only what was read over this connection describes the instrument
    // that is about to be flashed.
    text += QStringLiteral("\n\n") + tr("设备当前") + QLatin1Char('\n')
        + (m_instrumentSummary.isEmpty() ? tr("未知(未从当前连接读取)") : m_instrumentSummary);
    text += QStringLiteral("\n\n") + tr("开始更新固件?");
    QMessageBox box(QMessageBox::Question, tr("更新固件"), text, QMessageBox::NoButton, this);
    QPushButton *yes = box.addButton(tr("更新"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(tr("取消"), QMessageBox::RejectRole));
    box.exec();
    if (box.clickedButton() != yes)
        return;
    m_backupFailure.clear();
    m_updateThread.setPackage(info);
    m_updateThread.setSkipBeforeFlash(false);
    m_updateThread.start();
}

void UpdateDialog::slotBackupFailed(const QString &cause)
{
    m_backupFailure = cause;
}

// An instrument that answers only its loader cannot be backed up, and it is
// the one that most needs the flash: the user decides.
void UpdateDialog::askFlashWithoutBackup(const QString &cause)
{
    const QString text =
        tr("无法保存备份,固件未更新: %1").arg(cause) + QStringLiteral("\n\n") + tr("不保存备份,继续更新固件?");
    QMessageBox box(QMessageBox::Warning, tr("更新固件"), text, QMessageBox::NoButton, this);
    QPushButton *go = box.addButton(tr("不备份更新"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(tr("取消"), QMessageBox::RejectRole));
    box.exec();
    if (box.clickedButton() != go)
        return;
    // The run has emitted finished and is only returning.
    m_updateThread.wait();
    m_updateThread.setSkipBeforeFlash(true);
    m_updateThread.start();
}

void UpdateDialog::soltStartUpdate()
{
    m_flashing = true;
    applyControlStates();
}

void UpdateDialog::soltStopUpdate()
{
    m_flashing = false;
    // Whatever the outcome, the user may flash again.
    m_ui->bntSelectFile->setEnabled(true);
    m_ui->bntUpdate->setEnabled(true);
    if (!m_fetching && !m_downloading)
        m_ui->bntDownload->setEnabled(true);
    if (!m_backupFailure.isEmpty()) {
        const QString cause = m_backupFailure;
        m_backupFailure.clear();
        askFlashWithoutBackup(cause);
    }
}

void UpdateDialog::slotSetUpdateProgress(int value)
{
    m_ui->barUpdate->setValue(value);
}

void UpdateDialog::slotUpdateSucceed()
{
    m_flashSucceeded = true;
    showInfoBox(flashSucceededMessage(), this);
    m_ui->barUpdate->setValue(0);
}

void UpdateDialog::startRefresh()
{
    if (m_deviceTypeMgr.isRunning())
        return;
    // Nothing is requested without a usable address.
    const QString address = m_ui->edCatalogueUrl->text().trimmed();
    if (address.isEmpty()) {
        showErrorBox(DeviceTypeMgr::noCatalogueText(), this);
        return;
    }
    if (!DeviceTypeMgr::isValidCatalogueUrl(address)) {
        showErrorBox(DeviceTypeMgr::invalidCatalogueText(), this);
        return;
    }
    if (address != DeviceTypeMgr::configuredCatalogueUrl())
        SettingKeys::updateCatalogue.write(address);
    m_deviceTypeMgr.setCatalogueUrl(address);
    m_deviceTypeMgr.start();
}

void UpdateDialog::slotStartRefreshFile()
{
    m_fetching = true;
    m_ui->cmbFileList->clear();
    applyControlStates();
}

void UpdateDialog::slotStopRefreshFile()
{
    m_fetching = false;
    applyControlStates();
}

void UpdateDialog::slotFinishedRefreshFile()
{
    const QMap<QString, QString> list = m_deviceTypeMgr.typeList();
    for (auto it = list.begin(); it != list.end(); ++it)
        m_ui->cmbFileList->addItem(QIcon(), it.key(), it.value());
}

void UpdateDialog::slotSelectPath()
{
    const QString folder = askDownloadFolder(filesFolder());
    m_ui->edDownloadDir->setText(folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder));
}

void UpdateDialog::slotStartDownloadThread()
{
    if (m_downloadThread.isRunning())
        return;
    const QString link = m_ui->cmbFileList->currentData(Qt::UserRole).toString();
    const QString folder = m_ui->edDownloadDir->text();
    if (link.isEmpty()) {
        showErrorBox(downloadNoTypeMessage(), this);
        return;
    }
    if (folder.isEmpty()) {
        showErrorBox(downloadNoFolderMessage(), this);
        return;
    }
    m_downloadThread.startDownload(link, folder);
}

void UpdateDialog::slotStartDownloadFile()
{
    m_downloading = true;
    applyControlStates();
}

void UpdateDialog::slotStopDownloadFile()
{
    m_downloading = false;
    applyControlStates();
}

void UpdateDialog::slotSetDownloadProgress(int value)
{
    m_ui->barDownload->setValue(value);
}

void UpdateDialog::slotDownloadSucceed()
{
    showInfoBox(downloadSucceededMessage(), this);
    m_ui->barDownload->setValue(0);
}

void UpdateDialog::slotShowErrorMessage(const QString &error)
{
    showErrorBox(error, this);
}

bool UpdateDialog::refuseWhileFlashing()
{
    if (!m_updateThread.isRunning())
        return false;
    showErrorBox(flashBusyMessage(), this);
    return true;
}

void UpdateDialog::stopWorkers()
{
    m_deviceTypeMgr.stopFetch();
    m_downloadThread.stopDownload();
}

void UpdateDialog::closeEvent(QCloseEvent *event)
{
    if (refuseWhileFlashing()) {
        event->ignore();
        return;
    }
    stopWorkers();
    QDialog::closeEvent(event);
}

void UpdateDialog::reject()
{
    // Escape ends a modal run through here without a close event.
    if (refuseWhileFlashing())
        return;
    stopWorkers();
    QDialog::reject();
}
