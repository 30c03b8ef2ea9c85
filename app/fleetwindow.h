#pragma once

#include <memory>

#include "app/fleet.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

// The plant view: one row per instrument, actions on the checked rows. A
// thin view over FleetRunner, which does the work on its workers.
class FleetWindow : public QWidget
{
    Q_OBJECT

public:
    enum Column { ColName, ColEndpoint, ColAddress, ColState, ColStation, ColModel, ColVersion, ColBackup, ColDiffers,
                  ColResult, ColumnCount };

    explicit FleetWindow(QWidget *parent = nullptr);
    ~FleetWindow() override;

    FleetRunner &runner() { return *m_runner; }
    QTreeWidget *tree() const { return m_tree; }
    QString statusText() const;

    // Replaceable so that tests and scripted runs need no dialogs.
    enum FileKind { OpenItemFile, OpenReference, OpenPackage, OpenTargets, SaveTargets, SaveResults, ExportFolder };
    using FileProvider = std::function<QString(FileKind kind, const QString &caption)>;
    using ConfirmProvider = std::function<bool(const QString &title, const QString &text)>;
    void setFileProvider(FileProvider p) { m_fileProvider = std::move(p); }
    void setConfirmProvider(ConfirmProvider p) { m_confirmProvider = std::move(p); }

    // Loads a targets file in the background and reads every instrument.
    void openTargetsFile(const QString &path);

public slots:
    void refreshAll();
    void backupChecked();
    void writeChecked();
    void restoreChecked();
    void syncClockChecked();
    void flashChecked();
    void exportChecked();
    void stop();
    void saveResults();
    void saveTargets();
    void chooseReference();
    void addByHand();
    void addFromSearch();
    void removeSelected();

signals:
    // Double-click: the main window opens its tree on this instrument.
    void instrumentActivated(const LinkSettings &link, const QString &name);
    // Each targets file, reference or package that was loaded, and each save.
    void fileLoaded(bool ok, const QString &message);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void retranslate();
    void rebuild();
    void updateRow(int row);
    void updateActions();
    void onFinished(FleetAction action);
    void setStatus(const QString &text);
    QString askFile(FileKind kind, const QString &caption);
    bool confirm(const QString &title, const QString &question, const QStringList &lines);
    QStringList checkedNames() const;
    bool beginOnChecked(FleetAction action, const QString &title, const QString &question,
                        const QStringList &lines = QStringList());
    void fillRecentMenu();
    void onItemChanged(QTreeWidgetItem *item, int column);
    void onDoubleClicked(QTreeWidgetItem *item, int column);
    FleetJobOptions baseOptions() const;

    std::unique_ptr<FleetRunner> m_runner = std::make_unique<FleetRunner>();
    QTreeWidget *m_tree = nullptr;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_status = nullptr;
    QAction *m_refresh = nullptr, *m_backup = nullptr, *m_write = nullptr, *m_restore = nullptr,
            *m_clock = nullptr, *m_flash = nullptr, *m_export = nullptr, *m_stop = nullptr,
            *m_saveResults = nullptr, *m_reference = nullptr, *m_add = nullptr, *m_remove = nullptr,
            *m_saveList = nullptr, *m_addHand = nullptr, *m_addSearch = nullptr, *m_protected = nullptr;
    QMenu *m_addMenu = nullptr;
    QMenu *m_recentMenu = nullptr;
    FileProvider m_fileProvider;
    ConfirmProvider m_confirmProvider;
    bool m_updating = false;
    QString m_packageVersion;
    QString m_statusText;
};
