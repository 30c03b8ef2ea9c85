#pragma once

#include "link/traffic.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

// The rows of the traffic window: entries with their explanation worked
// out once, at most `capacity` of them.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, HexColumn, ExplanationColumn, ColumnCount };
    explicit TrafficModel(int capacity, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const QVector<TrafficEntry> &entries);
    void clear();
    // The line a saved file and the clipboard get for a row.
    QString line(int row) const;
    void retranslate();
    static QString directionText(TrafficDirection direction);

private:
    // The texts are made when a row is first shown (or copied, saved,
    // filtered): a fast stream adds far more rows than anyone looks at.
    struct Row {
        TrafficEntry entry;
        mutable QString time;
        mutable QString hex;
        mutable QString explanation;
    };
    const Row &texts(int row) const;

    std::deque<Row> m_rows;
    int m_capacity;
};

// The live traffic log: what every link of the program sends and receives,
// explained. Reads the log on a timer so that a fast stream costs the GUI
// thread one batch per tick, not one update per frame.
class TrafficWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 80;
    TrafficWindow(TrafficLog *log, QWidget *parent = nullptr);
    ~TrafficWindow() override;

    // The log every link of the process reports to, created and made the
    // default observer on first use.
    static TrafficLog *applicationLog();
    // Puts the 通讯记录 action into `menu`; it opens (or raises) the one
    // window, parented to `window`.
    static QAction *addMenuAction(QMenu *menu, QWidget *window);

    using FileNameProvider = std::function<QString(const QString &caption)>;
    void setFileNameProvider(FileNameProvider provider) { m_fileNameProvider = std::move(provider); }

    TrafficModel *model() const { return m_model; }
    QSortFilterProxyModel *proxy() const { return m_proxy; }
    // The model or, while a filter is set, the proxy.
    QAbstractItemModel *shownModel() const;
    QTableView *view() const { return m_view; }
    // Takes what the log gathered since the last batch (the timer calls it).
    void pullEntries();
    void setPaused(bool paused);
    void setFilterText(const QString &text);
    // The shown rows' lines, after the filter.
    QString shownText() const;
    void copySelection();
    void clearLog();
    // Saves the shown rows; the file is written off the GUI thread.
    void saveTo(const QString &fileName);

signals:
    void saveFinished(bool ok, const QString &message);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void slotSave();
    void slotSaveDone(bool ok, const QString &fileName, const QString &error);

private:
    void retranslate();
    void applyColumnWidths();
    int sourceRow(const QModelIndex &index) const;

    TrafficLog *m_log;
    qint64 m_lastSequence = 0;
    TrafficModel *m_model = nullptr;
    QSortFilterProxyModel *m_proxy = nullptr;
    QTableView *m_view = nullptr;
    QCheckBox *m_pause = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_filterLabel = nullptr;
    QLineEdit *m_filter = nullptr;
    QTimer *m_timer = nullptr;
    FileNameProvider m_fileNameProvider;
    bool m_follow = true;
    bool m_boxOnSaveError = false; // a save the user asked for shows its failure
};
