#pragma once

#include "items/exchangethread.h"
#include "items/refreshthread.h"
#include "items/itemrows.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class ConfigTree;
class FleetWindow;
class DeviceLink;
class QLabel;
class QToolButton;
class QTranslator;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The common error box: critical icon, one "确定", text also in the
    // status bar for 5000 ms.
    void showMessageBox(const QString &title, const QString &text, const QIcon &icon);
    void setLanguage(const QString &language);

    // Asks for a CSV file name (save or open); replaceable so that scripted
    // runs and tests need no file dialog.
    using FileNameProvider = std::function<QString(bool save, const QString &caption)>;
    void setFileNameProvider(FileNameProvider provider) { m_fileNameProvider = std::move(provider); }

    ConfigTree *tree() const { return m_tree; }
    RefreshThread &refreshThread() { return m_refreshThread; }
    ExchangeThread &exchangeThread() { return m_exchange; }
    // True from the start of a refresh, write, clock sync or serial-number
    // exchange until its outcome has been shown.
    bool isExchangeRunning() const { return m_busy != Idle; }
    // The progress of the running exchange, and the connection label.
    QString progressText() const;
    QString connectionText() const;
    const ItemSkipFilter &skipFilter() const { return m_rowFilter.skipFilter(); }

    // The plant view (one per main window), shown and raised.
    FleetWindow *openFleetWindow();
    // Switches the connection to `link` (as the setup dialog stores it) and
    // refreshes the tree from it; false while an exchange runs.
    bool openInstrument(const LinkSettings &link);

    // 0 nothing to write, 1 command item confirmed, 2 new value chosen.
    int editItem(const QString &name, const QString &value, QString &newValue);

signals:
    // After an exchange's outcome has been shown and the actions are back.
    void signalExchangeEnded();

private slots:
    void slotCommunicationSetup();
    void slotRefresh();
    void slotExportItems();
    void slotImportItems();
    void slotWriteItems();
    void slotRestoreBackup();
    void slotSyncTime();
    void slotHistoryData();
    void slotUpdateHardware();
    void slotDeviceMonitor();
    void slotAbout();
    void slotClearItems();
    void slotAddItems(int index, const QStringList &list);
    void slotShowErrorMessage(const QString &title, const QString &error, const QString &image);
    void slotItemDoubleClicked(QTreeWidgetItem *item, int column);
    void slot_en_US();
    void slot_zh_CH();
    void slot_zh_TW();
    void slotWriteSN();
    void slotStopExchange();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void loadSettings();
    void showStatus(const QString &text, int timeoutMs = 0);
    QString askFileName(bool save, const QString &caption);

    enum Busy { Idle, BusyRefresh, BusyWriteOne, BusyWriteAll, BusyClock, BusySerialNumber, BusyPreviewRead };
    // False (with a status note) when an exchange is already running.
    bool beginExchange(Busy kind);
    void endExchange();
    void setInstrumentActionsEnabled(bool enabled);
    void updateProgress();
    void updateConnectionLabel();
    // The rows were read from the instrument the current settings reach.
    bool treeIsFromCurrentLink() const;
    void startWrite(const QList<WriteRowCopy> &rows, Busy kind);
    // The status line after a failure box: the text and where it went.
    void showFailureStatus(const QString &text);
    QTreeWidgetItem *rowAt(const WriteRowCopy &row) const;
    void onRowStarted(int number, int count, const WriteRowCopy &row);
    void onRowWritten(const WriteRowCopy &row, const ItemWriteOutcome &outcome);
    void onWriteFinished(const WriteRunOutcome &outcome);
    void onItemsReceived(int items, bool check);
    // The last box of a batch: names the backup it made, with a way to it.
    void showBatchResultBox(bool ok, const QString &text, const QString &backupPath);
    void onClockSynced(const ClockSyncOutcome &outcome);
    void onSerialProbed(bool opened, const QString &openError);
    void onSerialNumberWritten(const SerialNumberOutcome &outcome);
    void onRefreshFinished();
    // Write-all and restore: read what the instrument holds, preview, back
    // up, write the checked rows, check what it kept.
    void startPreviewedWrite(const QList<ItemRow> &rows, bool fromTree);
    void onItemsRead(const ItemListOutcome &outcome, const QList<ItemRow> &rows);

    Ui::MainWindow *m_ui = nullptr;
    ConfigTree *m_tree = nullptr;
    RefreshThread m_refreshThread;
    QTranslator *m_translator = nullptr;
    // Qt's own texts (file dialogs, standard buttons) in the same language.
    QTranslator *m_qtTranslator = nullptr;
    ItemRowFilter m_rowFilter;
    FileNameProvider m_fileNameProvider;
    bool m_closing = false;

    ExchangeThread m_exchange;
    Busy m_busy = Idle;
    LinkSettings m_exchangeLink; // what the running (or last) exchange uses
    int m_refreshCount = 0;
    int m_rowNumber = 0;
    int m_rowCount = 0;
    QString m_rowName;
    bool m_checking = false; // the batch's rows went out, the check reads back
    int m_checkItems = 0;
    int m_checkCount = 0;
    QList<ItemRow> m_pendingRows; // the file (or tree) rows a previewed write is for
    bool m_pendingFromTree = false;
    bool m_treeFromInstrument = false; // the rows came from a refresh, not a file
    LinkSettings m_treeLink;           // the connection that refresh used
    QString m_progressText;   // the progress part of the status line
    QString m_progressStatus; // the whole status line it was shown in
    QToolButton *m_stopButton = nullptr;
    QLabel *m_connectionLabel = nullptr;
    QAction *m_fleetAction = nullptr;
    QPointer<FleetWindow> m_fleet;
};
