#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <limits>

class HistoryLineSource;

// One record line taken apart: the moment it was taken and its fields.
struct HistoryRecord {
    QDateTime time; // as the instrument wrote it, held as UTC
    QStringList fields;
};

enum class HistoryLineKind { Empty, Header, Record, Other };

// Date ("2024-03-05" or "2024/03/05") and time ("10:00:00" or "10:00") at
// the start of a line, then the fields. A date without a time stands for
// midnight; a line that does not start with a date is no record.
bool parseHistoryRecord(const QString &line, HistoryRecord *record);
// A field as a number: signs and decimals, not "nan" or "inf".
bool parseHistoryNumber(const QString &field, double *value);

// The records of one answer split into columns as they arrive: the header
// line names the columns, every record fills a row, and the lines that are
// neither are counted. Column 0 is the date and time. A row keeps the cells
// of the first `maxColumns` fields only (a record may have thousands); the
// counts and the names cover every field seen.
class HistoryTable
{
public:
    static constexpr int kMaxColumns = 200;
    // keepRows false: counts, names and the time range alone, for a first
    // pass over a long answer.
    explicit HistoryTable(int maxColumns = kMaxColumns, bool keepRows = true);

    HistoryLineKind addLine(const QString &line);
    void clear();

    int rowCount() const { return m_rows.size(); }
    // The time column and one per kept field.
    int columnCount() const { return 1 + std::min(int(m_fieldNames.size()), m_maxColumns); }
    // Every field seen, kept or not.
    int fieldColumnCount() const { return m_fieldNames.size(); }
    int leftOutColumns() const { return std::max(0, int(m_fieldNames.size()) - m_maxColumns); }
    QString columnName(int column) const;
    // Field columns (1…) most of whose present cells are numbers: one odd
    // cell ("21.5°") does not take a column off the chart.
    bool isNumeric(int column) const;
    // Within fieldColumnCount(), so possibly beyond the kept columns.
    QList<int> numericColumns() const;
    // -1 when no column has that name.
    int columnOf(const QString &name) const;

    HistoryRecord record(int row) const;
    QDateTime time(int row) const { return m_rows.at(row).time; }
    int fieldCount(int row) const { return m_rows.at(row).fields; }
    // NaN for a missing or non-numeric cell.
    double number(int row, int column) const;
    QString cellText(int row, int column) const;

    int recordCount() const { return m_recordCount; }
    int otherLines() const { return m_otherLines; }
    QDateTime firstTime() const { return m_first; }
    QDateTime lastTime() const { return m_last; }
    // "1296 records, … to …, 3 lines not records" for the dialog's status.
    QString summary() const;

private:
    struct ColumnState {
        int numbers = 0;
        int texts = 0;
    };
    // One record held compactly: the kept cells run together in one text,
    // `ends` marking where each stops.
    struct Row {
        QDateTime time;
        int fields = 0; // in the line, kept or not
        QString cells;
        QVector<int> ends;
        QVector<double> numbers;
    };
    void widenTo(int fields);

    int m_maxColumns;
    bool m_keepRows;
    QStringList m_header;
    bool m_headerSeen = false;
    QStringList m_fieldNames;
    QVector<ColumnState> m_state;
    QVector<Row> m_rows;
    int m_recordCount = 0;
    int m_otherLines = 0;
    QDateTime m_first;
    QDateTime m_last;
};

// Points for a line chart of `width` pixel columns over [xMin, xMax]: per
// column the lowest and the highest point (in their order of x), so a spike
// stays visible whatever the zoom. `points` must be ordered by x; NaN values
// are skipped. Few enough points are returned as they are (within range).
QVector<QPointF> reduceHistoryPoints(const QVector<QPointF> &points, double xMin, double xMax, int width);

// One line of the chart: a column's numbers over time, x the record's time
// in milliseconds since the epoch, ordered by time (NaN where the record
// lacks the value).
struct HistorySeries {
    int column = 0;
    QString name;
    QVector<QPointF> points;
};

// What a chart leaves out, for the status line.
struct HistoryChartNotes {
    qint64 notNumbers = 0; // cells of a drawn column that hold no number
    qint64 outOfRange = 0; // numbers too large for the value axis
    QStringList leftOut; // numeric columns beyond the series a chart draws
    // Empty when nothing was left out.
    QString text() const;
};

// A chart draws at most this many columns; more lines would be unreadable
// and each costs its points.
constexpr int kMaxHistorySeries = 32;
// Beyond this magnitude the axis range and its labels overflow.
constexpr double kMaxHistoryChartValue = 1e15;

// One series per column asked for; an empty list means the first
// kMaxHistorySeries numeric ones (the rest named in `notes`). Cells that are
// no number, or too large to draw, are left out (NaN) and counted.
QVector<HistorySeries> historySeries(const HistoryTable &table, const QList<int> &columns = {},
                                     HistoryChartNotes *notes = nullptr);
// The same read from `lines` without keeping the records: `table` is a first
// pass over the same lines (keepRows false); each series is reduced to
// `width` buckets over the whole time range while the lines are read again.
// False when the lines cannot be read again.
bool reduceHistorySeries(HistoryLineSource &lines, const HistoryTable &table, const QList<int> &columns, int width,
                         QVector<HistorySeries> *series, HistoryChartNotes *notes = nullptr);

// The table for views: date and time, then every field; sorting by a
// column compares numbers as numbers.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit HistoryTableModel(QObject *parent = nullptr);

    // Takes lines in batches; rows and columns are announced once per batch.
    void addLines(const QStringList &lines);
    void clear();
    const HistoryTable &table() const { return m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Sort role: the number for numeric cells, the time for column 0.
    static constexpr int SortRole = Qt::UserRole + 1;

private:
    HistoryTable m_table;
    // What the views have been told; the table may be ahead within a batch.
    int m_rows = 0;
    int m_columns = 1;
};
