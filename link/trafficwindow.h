#pragma once

#include "link/traffic.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>

class QAction;
class QFontMetrics;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSortFilterProxyModel;
class TrafficFilterModel;
class QTableView;
class QTimer;

// The text the view shows in a cell `width` pixels wide: the same as
// metrics.elidedText(text, Qt::ElideRight, width), but at the cost of the
// shown start only, not of a frame's whole hex.
QString elidedCellText(const QString &text, int width, const QFontMetrics &metrics);

// The rows of the traffic window: entries with their explanation worked
// out once, at most `capacity` of them and `maxBytes` of their data.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, EndpointColumn, ResponseColumn, HexColumn, ExplanationColumn, ColumnCount };
    // Frames since the last clear, whether still shown or not.
    struct Counts {
        qint64 sent = 0;
        qint64 received = 0;
        qint64 failed = 0; // bad or incomplete replies, timeouts, duplicate answers
    };
    explicit TrafficModel(int capacity, qint64 maxBytes = TrafficLog::kDefaultMaxBytes, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const QVector<TrafficEntry> &entries);
    void clear();
    // The line a saved file and the clipboard get for a row.
    QString line(int row) const;
    // Whether any column of the row holds `needle` (case-insensitive); the
    // row's whole hex is made for the test and not kept.
    bool rowMatches(int row, const QString &needle) const;
    qint64 bytes() const { return m_bytes; }
    const Counts &counts() const { return m_counts; }
    void retranslate();
    static QString directionText(TrafficDirection direction);

private:
    // The texts are made when a row is first shown (or copied, saved,
    // filtered): a fast stream adds far more rows than anyone looks at.
    struct Row {
        TrafficEntry entry;
        mutable QString time;
        mutable QString hex; // as shown: the start of a long frame
        mutable QString explanation;
        qint64 cost = 0;
    };
    const Row &texts(int row) const;

    std::deque<Row> m_rows;
    int m_capacity;
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    Counts m_counts;
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
    // window, a top-level that `window`'s modal dialogs do not block and
    // that goes with `window`.
    static QAction *addMenuAction(QMenu *menu, QWidget *window);

    using FileNameProvider = std::function<QString(const QString &caption)>;
    void setFileNameProvider(FileNameProvider provider) { m_fileNameProvider = std::move(provider); }

    TrafficModel *model() const { return m_model; }
    QSortFilterProxyModel *proxy() const;
    // The model or, while a filter is set, the proxy.
    QAbstractItemModel *shownModel() const;
    QTableView *view() const { return m_view; }
    // Takes what the log gathered since the last batch (the timer calls it).
    void pullEntries();
    void setPaused(bool paused);
    // Keeps the newest row in view; scrolling away turns it off, and
    // selecting a row does not.
    void setFollowing(bool on);
    bool isFollowing() const;
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
    void showCounts();
    int sourceRow(const QModelIndex &index) const;

    TrafficLog *m_log;
    qint64 m_lastSequence = 0;
    TrafficModel *m_model = nullptr;
    TrafficFilterModel *m_proxy = nullptr;
    QTableView *m_view = nullptr;
    QCheckBox *m_pause = nullptr;
    QCheckBox *m_follow = nullptr;
    QLabel *m_counts = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_filterLabel = nullptr;
    QLineEdit *m_filter = nullptr;
    QTimer *m_timer = nullptr;
    FileNameProvider m_fileNameProvider;
    bool m_boxOnSaveError = false; // a save the user asked for shows its failure
};
