#pragma once

#include "items/refreshthread.h"
#include "items/itemrows.h"

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>

class ConfigTree;
class DeviceLink;
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
    const ItemSkipFilter &skipFilter() const { return m_rowFilter.skipFilter(); }

    // 0 nothing to write, 1 command item confirmed, 2 new value chosen.
    int editItem(const QString &name, const QString &value, QString &newValue);
    bool writeItem(DeviceLink &link, QTreeWidgetItem *row, const QString &value, int mode);

private slots:
    void slotCommunicationSetup();
    void slotRefresh();
    void slotExportItems();
    void slotImportItems();
    void slotWriteItems();
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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void loadSettings();
    void showStatus(const QString &text, int timeoutMs = 0);
    QString askFileName(bool save, const QString &caption);

    Ui::MainWindow *m_ui = nullptr;
    ConfigTree *m_tree = nullptr;
    RefreshThread m_refreshThread;
    QTranslator *m_translator = nullptr;
    // Qt's own texts (file dialogs, standard buttons) in the same language.
    QTranslator *m_qtTranslator = nullptr;
    ItemRowFilter m_rowFilter;
    FileNameProvider m_fileNameProvider;
    bool m_closing = false;
};
