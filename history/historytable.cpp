#include "history/historytable.h"

#include "history/historyexport.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

QString tableText(const char *text)
{
    return QCoreApplication::translate("HistoryTable", text);
}

// Digits at [from, from + count) as a number; -1 when any is no digit.
int digits(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// By hand rather than through QDate::fromString: its parser consults the
// time zone, which is a file look-up per call and dominates a year of
// records.
QDate parseDate(const QString &field)
{
    if (field.size() != 10 || field.at(4) != field.at(7)
        || (field.at(4) != QLatin1Char('-') && field.at(4) != QLatin1Char('/')))
        return QDate();
    const int y = digits(field, 0, 4), m = digits(field, 5, 2), d = digits(field, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return QDate();
    return QDate(y, m, d);
}

// "h:mm", "hh:mm", "hh:mm:ss", "hh:mm:ss.zzz".
QTime parseTime(const QString &field)
{
    const int colon = field.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 2)
        return QTime();
    const int h = digits(field, 0, colon);
    int at = colon + 1;
    if (field.size() < at + 2)
        return QTime();
    const int m = digits(field, at, 2);
    at += 2;
    int sec = 0, ms = 0;
    if (at < field.size()) {
        if (field.at(at) != QLatin1Char(':') || field.size() < at + 3)
            return QTime();
        sec = digits(field, at + 1, 2);
        at += 3;
        if (at < field.size()) {
            if (field.at(at) != QLatin1Char('.') || field.size() != at + 4)
                return QTime();
            ms = digits(field, at + 1, 3);
        }
    }
    if (h < 0 || m < 0 || sec < 0 || ms < 0 || !QTime::isValid(h, m, sec, ms))
        return QTime();
    return QTime(h, m, sec, ms);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

bool parseHistoryNumber(const QString &field, double *value)
{
    if (field.isEmpty())
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(field, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool parseHistoryRecord(const QString &line, HistoryRecord *record)
{
    QStringList fields = splitHistoryFields(line);
    if (fields.isEmpty())
        return false;
    const QDate date = parseDate(fields.first());
    if (!date.isValid())
        return false;
    fields.removeFirst();
    QTime time(0, 0);
    if (!fields.isEmpty()) {
        const QTime t = parseTime(fields.first());
        if (t.isValid()) {
            time = t;
            fields.removeFirst();
        }
    }
    // The instrument's clock has no zone; as UTC the time is taken as it
    // stands and costs no zone look-up per record.
    record->time = QDateTime(date, time, Qt::UTC);
    record->fields = fields;
    return true;
}

HistoryLineKind HistoryTable::addLine(const QString &line)
{
    HistoryRecord record;
    if (parseHistoryRecord(line, &record)) {
        widenTo(record.fields.size());
        QVector<double> numbers(record.fields.size(), kNaN);
        for (int i = 0; i < record.fields.size(); ++i) {
            double v = 0;
            if (parseHistoryNumber(record.fields.at(i), &v)) {
                numbers[i] = v;
                ++m_state[i].numbers;
            } else {
                ++m_state[i].texts;
            }
        }
        if (!m_first.isValid() || record.time < m_first)
            m_first = record.time;
        if (!m_last.isValid() || record.time > m_last)
            m_last = record.time;
        m_records.append(record);
        m_numbers.append(numbers);
        return HistoryLineKind::Record;
    }
    const QStringList fields = splitHistoryFields(line);
    if (fields.isEmpty())
        return HistoryLineKind::Empty;
    // Column titles come before the first record; a line of one word, or
    // one with a number in it (an error code, say), is no title row.
    const bool titles = fields.size() > 1 && std::none_of(fields.cbegin(), fields.cend(), [](const QString &f) {
        double v = 0;
        return parseHistoryNumber(f, &v);
    });
    if (!m_headerSeen && m_records.isEmpty() && titles) {
        m_headerSeen = true;
        m_header = fields;
        return HistoryLineKind::Header;
    }
    ++m_otherLines;
    return HistoryLineKind::Other;
}

void HistoryTable::clear()
{
    *this = HistoryTable();
}

void HistoryTable::widenTo(int fields)
{
    while (m_fieldNames.size() < fields) {
        m_fieldNames.append(QString());
        m_state.append(ColumnState());
    }
}

QString HistoryTable::columnName(int column) const
{
    // Titles for date and time apart ("日期 时间 温度 …") or as one.
    const int fieldCount = m_fieldNames.size();
    const int offset = m_header.size() >= fieldCount + 2 && fieldCount > 0 ? 2 : 1;
    if (column == 0) {
        if (m_header.isEmpty())
            return tableText("时间");
        return QStringList(m_header.mid(0, offset)).join(QLatin1Char(' '));
    }
    const int at = offset + column - 1;
    if (at < m_header.size())
        return m_header.at(at);
    return tableText("列 %1").arg(column + 1);
}

bool HistoryTable::isNumeric(int column) const
{
    if (column < 1 || column > m_state.size())
        return false;
    const ColumnState &s = m_state.at(column - 1);
    return s.numbers > 0 && s.texts == 0;
}

QList<int> HistoryTable::numericColumns() const
{
    QList<int> columns;
    for (int c = 1; c < columnCount(); ++c) {
        if (isNumeric(c))
            columns.append(c);
    }
    return columns;
}

int HistoryTable::columnOf(const QString &name) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (columnName(c) == name)
            return c;
    }
    return -1;
}

double HistoryTable::number(int row, int column) const
{
    const QVector<double> &numbers = m_numbers.at(row);
    if (column < 1 || column > numbers.size())
        return kNaN;
    return numbers.at(column - 1);
}

QString HistoryTable::cellText(int row, int column) const
{
    const HistoryRecord &r = m_records.at(row);
    if (column == 0)
        return r.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return column <= r.fields.size() ? r.fields.at(column - 1) : QString();
}

QString HistoryTable::summary() const
{
    if (m_records.isEmpty())
        return tableText("没有记录，%1 行不是记录").arg(m_otherLines);
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    return tableText("%1 条记录，%2 至 %3，%4 行不是记录")
        .arg(m_records.size())
        .arg(m_first.toString(format), m_last.toString(format))
        .arg(m_otherLines);
}

QVector<QPointF> reduceHistoryPoints(const QVector<QPointF> &points, double xMin, double xMax, int width)
{
    QVector<QPointF> out;
    const auto begin = std::lower_bound(points.cbegin(), points.cend(), xMin,
                                        [](const QPointF &p, double x) { return p.x() < x; });
    const auto end = std::upper_bound(begin, points.cend(), xMax,
                                      [](double x, const QPointF &p) { return x < p.x(); });
    // One point either side keeps the line running to the plot's edges.
    const auto from = begin == points.cbegin() ? begin : begin - 1;
    const auto to = end == points.cend() ? end : end + 1;
    if (width < 1 || !(xMax > xMin) || (end - begin) <= 2 * width) {
        for (auto it = from; it != to; ++it) {
            if (!std::isnan(it->y()))
                out.append(*it);
        }
        return out;
    }
    out.reserve(2 * width + 2);
    if (from != begin && !std::isnan(from->y()))
        out.append(*from);
    const double scale = width / (xMax - xMin);
    int bucket = -1;
    const QPointF *low = nullptr;
    const QPointF *high = nullptr;
    auto emitBucket = [&] {
        if (!low)
            return;
        if (low == high) {
            out.append(*low);
        } else if (low < high) {
            out.append(*low);
            out.append(*high);
        } else {
            out.append(*high);
            out.append(*low);
        }
        low = high = nullptr;
    };
    for (auto it = begin; it != end; ++it) {
        if (std::isnan(it->y()))
            continue;
        const int b = std::clamp(static_cast<int>((it->x() - xMin) * scale), 0, width - 1);
        if (b != bucket) {
            emitBucket();
            bucket = b;
        }
        if (!low || it->y() < low->y())
            low = &*it;
        if (!high || it->y() > high->y())
            high = &*it;
    }
    emitBucket();
    if (to != end && !std::isnan(end->y()))
        out.append(*end);
    return out;
}

QVector<HistorySeries> historySeries(const HistoryTable &table, const QList<int> &columns)
{
    const QList<int> wanted = columns.isEmpty() ? table.numericColumns() : columns;
    // Instruments send in time order, but a clock set back mid-answer must
    // not make the line run backwards.
    QVector<int> order(table.rowCount());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    bool sorted = true;
    for (int i = 1; i < order.size() && sorted; ++i)
        sorted = table.record(i - 1).time <= table.record(i).time;
    if (!sorted)
        std::stable_sort(order.begin(), order.end(),
                         [&table](int a, int b) { return table.record(a).time < table.record(b).time; });
    // The chart's time axis shows local time: shift by the zone's offset,
    // looked up once a day rather than once a record.
    QVector<double> xs(order.size());
    QDate offsetDay;
    qint64 offsetMs = 0;
    for (int i = 0; i < order.size(); ++i) {
        const QDateTime &time = table.record(order.at(i)).time;
        if (time.date() != offsetDay) {
            offsetDay = time.date();
            offsetMs = QDateTime(offsetDay, QTime(12, 0)).offsetFromUtc() * 1000LL;
        }
        xs[i] = double(time.toMSecsSinceEpoch() - offsetMs);
    }

    QVector<HistorySeries> out;
    for (int column : wanted) {
        HistorySeries s;
        s.column = column;
        s.name = table.columnName(column);
        s.points.resize(order.size());
        for (int i = 0; i < order.size(); ++i)
            s.points[i] = QPointF(xs.at(i), table.number(order.at(i), column));
        out.append(s);
    }
    return out;
}

HistoryTableModel::HistoryTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void HistoryTableModel::addLines(const QStringList &lines)
{
    for (const QString &line : lines)
        m_table.addLine(line);
    const int columns = m_table.columnCount();
    if (columns > m_columns) {
        beginInsertColumns(QModelIndex(), m_columns, columns - 1);
        m_columns = columns;
        endInsertColumns();
    }
    const int rows = m_table.rowCount();
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    // Titles may have arrived, and a column may have stopped being numeric.
    emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void HistoryTableModel::clear()
{
    beginResetModel();
    m_table.clear();
    m_rows = 0;
    m_columns = 1;
    endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return m_table.cellText(row, column);
    case SortRole:
        if (column == 0)
            return m_table.record(row).time.toMSecsSinceEpoch();
        if (m_table.isNumeric(column)) {
            const double v = m_table.number(row, column);
            return std::isnan(v) ? -std::numeric_limits<double>::infinity() : v;
        }
        return m_table.cellText(row, column);
    case Qt::TextAlignmentRole:
        return int((m_table.isNumeric(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < m_columns ? m_table.columnName(section) : QVariant();
}
