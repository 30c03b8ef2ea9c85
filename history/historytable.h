#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>

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
// neither are counted. Column 0 is the date and time.
class HistoryTable
{
public:
    HistoryLineKind addLine(const QString &line);
    void clear();

    int rowCount() const { return m_records.size(); }
    // The time column and one per field seen so far.
    int columnCount() const { return 1 + m_fieldNames.size(); }
    QString columnName(int column) const;
    // Field columns (1…) whose every present cell is a number.
    bool isNumeric(int column) const;
    QList<int> numericColumns() const;
    // -1 when no column has that name.
    int columnOf(const QString &name) const;

    const HistoryRecord &record(int row) const { return m_records.at(row); }
    // NaN for a missing or non-numeric cell.
    double number(int row, int column) const;
    QString cellText(int row, int column) const;

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
    void widenTo(int fields);

    QStringList m_header;
    bool m_headerSeen = false;
    QStringList m_fieldNames;
    QVector<ColumnState> m_state;
    QVector<HistoryRecord> m_records;
    QVector<QVector<double>> m_numbers; // per record, per field
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
// One series per column asked for; an empty list means every numeric one.
QVector<HistorySeries> historySeries(const HistoryTable &table, const QList<int> &columns = {});

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
