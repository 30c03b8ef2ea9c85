#pragma once

#include "firmware/devicetypemgr.h"
#include "firmware/downloadthread.h"
#include "firmware/updatethread.h"

#include <QDialog>

#include <memory>

namespace Ui {
class UpdateDialog;
}

// Flashes a package into the instrument and downloads packages from the
// catalogue. Never lets a running worker be destroyed underneath it.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateDialog(QWidget *parent);
    ~UpdateDialog() override;

    virtual void setDownloadControlsEnabled(bool enabled);
    // "name: value" lines of the instrument's name, model and version items
    // as read over the connection the flash will use, for the confirmation;
    // empty when unknown (the confirmation then says so).
    void setInstrumentSummary(const QString &summary) { m_instrumentSummary = summary; }
    bool flashSucceeded() const { return m_flashSucceeded; }

    // For callers that drive the workers (tests, shorter timeouts).
    UpdateThread &updateThread() { return m_updateThread; }
    DeviceTypeMgr &deviceTypeMgr() { return m_deviceTypeMgr; }
    DownloadThread &downloadThread() { return m_downloadThread; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    // The file and folder prompts; empty on cancel.
    virtual QString askPackagePath(const QString &startFolder);
    virtual QString askDownloadFolder(const QString &startFolder);

private slots:
    void slotSelectFile();
    void slotUpdate();
    void soltStartUpdate();
    void soltStopUpdate();
    void slotSetUpdateProgress(int value);
    void slotUpdateSucceed();
    void slotStartRefreshFile();
    void slotStopRefreshFile();
    void slotFinishedRefreshFile();
    void slotSelectPath();
    void slotStartDownloadThread();
    void slotStartDownloadFile();
    void slotStopDownloadFile();
    void slotSetDownloadProgress(int value);
    void slotDownloadSucceed();
    void slotShowErrorMessage(const QString &error);
    void slotBackupFailed(const QString &cause);

private:
    void startRefresh();
    bool refuseWhileFlashing();
    void stopWorkers();
    void applyControlStates();
    void askFlashWithoutBackup(const QString &cause);
    static QString filesFolder();

    std::unique_ptr<Ui::UpdateDialog> m_ui;
    UpdateThread m_updateThread;
    DeviceTypeMgr m_deviceTypeMgr;
    DownloadThread m_downloadThread;
    bool m_flashing = false;
    bool m_fetching = false;
    bool m_downloading = false;
    bool m_packageReady = false;
    bool m_flashSucceeded = false;
    QString m_instrumentSummary;
    QString m_backupFailure; // asked about once the run has ended
};
