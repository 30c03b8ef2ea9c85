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

HistoryTable::HistoryTable(int maxColumns, bool keepRows)
    : m_maxColumns(std::max(0, maxColumns))
    , m_keepRows(keepRows)
{
}

HistoryLineKind HistoryTable::addLine(const QString &line)
{
    HistoryRecord record;
    if (parseHistoryRecord(line, &record)) {
        const int fields = record.fields.size();
        widenTo(fields);
        const int kept = std::min(fields, m_maxColumns);
        Row row;
        row.time = record.time;
        row.fields = fields;
        if (m_keepRows) {
            row.ends.reserve(kept);
            row.numbers.reserve(kept);
        }
        for (int i = 0; i < kept; ++i) {
            const QString &field = record.fields.at(i);
            double v = kNaN;
            if (parseHistoryNumber(field, &v))
                ++m_state[i].numbers;
            else
                ++m_state[i].texts;
            if (m_keepRows) {
                row.cells += field;
                row.ends.append(row.cells.size());
                row.numbers.append(v);
            }
        }
        if (!m_first.isValid() || record.time < m_first)
            m_first = record.time;
        if (!m_last.isValid() || record.time > m_last)
            m_last = record.time;
        ++m_recordCount;
        if (m_keepRows) {
            row.cells.squeeze();
            m_rows.append(row);
        }
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
    if (!m_headerSeen && m_recordCount == 0 && titles) {
        m_headerSeen = true;
        m_header = fields;
        return HistoryLineKind::Header;
    }
    ++m_otherLines;
    return HistoryLineKind::Other;
}

void HistoryTable::clear()
{
    *this = HistoryTable(m_maxColumns, m_keepRows);
}

void HistoryTable::widenTo(int fields)
{
    while (m_fieldNames.size() < fields)
        m_fieldNames.append(QString());
    while (m_state.size() < std::min(fields, m_maxColumns))
        m_state.append(ColumnState());
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
    return s.numbers > s.texts;
}

QList<int> HistoryTable::numericColumns() const
{
    QList<int> columns;
    for (int c = 1; c <= m_state.size(); ++c) {
        if (isNumeric(c))
            columns.append(c);
    }
    return columns;
}

int HistoryTable::columnOf(const QString &name) const
{
    for (int c = 0; c <= fieldColumnCount(); ++c) {
        if (columnName(c) == name)
            return c;
    }
    return -1;
}

HistoryRecord HistoryTable::record(int row) const
{
    HistoryRecord r;
    r.time = m_rows.at(row).time;
    for (int c = 1; c <= m_rows.at(row).ends.size(); ++c)
        r.fields << cellText(row, c);
    return r;
}

double HistoryTable::number(int row, int column) const
{
    const QVector<double> &numbers = m_rows.at(row).numbers;
    if (column < 1 || column > numbers.size())
        return kNaN;
    return numbers.at(column - 1);
}

QString HistoryTable::cellText(int row, int column) const
{
    const Row &r = m_rows.at(row);
    if (column == 0)
        return r.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (column < 1 || column > r.ends.size())
        return QString();
    const int from = column == 1 ? 0 : r.ends.at(column - 2);
    return r.cells.mid(from, r.ends.at(column - 1) - from);
}

QString HistoryTable::summary() const
{
    if (m_recordCount == 0)
        return tableText("没有记录，%1 行不是记录").arg(m_otherLines);
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    QString text = tableText("%1 条记录，%2 至 %3，%4 行不是记录")
                       .arg(m_recordCount)
                       .arg(m_first.toString(format), m_last.toString(format))
                       .arg(m_otherLines);
    if (leftOutColumns() > 0)
        text += tableText("；表格只显示前 %1 列，另有 %2 列未显示（导出包含全部字段）")
                    .arg(m_maxColumns)
                    .arg(leftOutColumns());
    return text;
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

QString HistoryChartNotes::text() const
{
    QStringList parts;
    if (notNumbers > 0)
        parts << tableText("%1 个值不是数字").arg(notNumbers);
    if (outOfRange > 0)
        parts << tableText("%1 个值超出图表范围").arg(outOfRange);
    if (!leftOut.isEmpty()) {
        // Named, but a wide answer must not make the status line endless.
        constexpr int kNamed = 8;
        QString names = QStringList(leftOut.mid(0, kNamed)).join(QStringLiteral(", "));
        if (leftOut.size() > kNamed)
            names += QStringLiteral(", …");
        parts << tableText("图表只画前 %1 个数字列，另有 %2 列未画: %3")
                     .arg(kMaxHistorySeries)
                     .arg(leftOut.size())
                     .arg(names);
    }
    return parts.join(tableText("，"));
}

namespace {

// The chart's time axis shows local time: the shift from UTC, looked up once
// a day rather than once a record.
class LocalShift
{
public:
    double x(const QDateTime &time)
    {
        if (time.date() != m_day) {
            m_day = time.date();
            m_offsetMs = QDateTime(m_day, QTime(12, 0)).offsetFromUtc() * 1000LL;
        }
        return double(time.toMSecsSinceEpoch() - m_offsetMs);
    }

private:
    QDate m_day;
    qint64 m_offsetMs = 0;
};

// A cell as the chart takes it: NaN when it is left out, counted.
double chartValue(double v, bool present, HistoryChartNotes *notes)
{
    if (!present)
        return kNaN;
    if (std::isnan(v)) {
        if (notes)
            ++notes->notNumbers;
        return kNaN;
    }
    if (!(std::fabs(v) <= kMaxHistoryChartValue)) {
        if (notes)
            ++notes->outOfRange;
        return kNaN;
    }
    return v;
}

QList<int> chartColumns(const HistoryTable &table, const QList<int> &columns, HistoryChartNotes *notes)
{
    if (!columns.isEmpty())
        return columns;
    QList<int> wanted = table.numericColumns();
    if (notes) {
        for (int i = kMaxHistorySeries; i < wanted.size(); ++i)
            notes->leftOut << table.columnName(wanted.at(i));
    }
    return wanted.mid(0, kMaxHistorySeries);
}

} // namespace

QVector<HistorySeries> historySeries(const HistoryTable &table, const QList<int> &columns, HistoryChartNotes *notes)
{
    const QList<int> wanted = chartColumns(table, columns, notes);
    // Instruments send in time order, but a clock set back mid-answer must
    // not make the line run backwards.
    QVector<int> order(table.rowCount());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    bool sorted = true;
    for (int i = 1; i < order.size() && sorted; ++i)
        sorted = table.time(i - 1) <= table.time(i);
    if (!sorted)
        std::stable_sort(order.begin(), order.end(), [&table](int a, int b) { return table.time(a) < table.time(b); });
    QVector<double> xs(order.size());
    LocalShift shift;
    for (int i = 0; i < order.size(); ++i)
        xs[i] = shift.x(table.time(order.at(i)));

    QVector<HistorySeries> out;
    for (int column : wanted) {
        HistorySeries s;
        s.column = column;
        s.name = table.columnName(column);
        s.points.resize(order.size());
        for (int i = 0; i < order.size(); ++i) {
            const int row = order.at(i);
            const double v = chartValue(table.number(row, column), column <= table.fieldCount(row), notes);
            s.points[i] = QPointF(xs.at(i), v);
        }
        out.append(s);
    }
    return out;
}

bool reduceHistorySeries(HistoryLineSource &lines, const HistoryTable &table, const QList<int> &columns, int width,
                         QVector<HistorySeries> *series, HistoryChartNotes *notes)
{
    series->clear();
    const QList<int> wanted = chartColumns(table, columns, notes);
    if (!lines.rewind())
        return false;
    width = std::max(1, width);
    LocalShift shift;
    const double xMin = table.firstTime().isValid() ? shift.x(table.firstTime()) : 0.0;
    const double xMax = table.lastTime().isValid() ? shift.x(table.lastTime()) : 0.0;
    const double scale = xMax > xMin ? width / (xMax - xMin) : 0.0;
    // Per series and pixel column the lowest and the highest point.
    struct Bucket {
        QPointF low, high;
        bool any = false;
    };
    QVector<QVector<Bucket>> buckets(wanted.size(), QVector<Bucket>(width));
    QString line;
    HistoryRecord record;
    while (lines.next(&line)) {
        if (!parseHistoryRecord(line, &record))
            continue;
        const double x = shift.x(record.time);
        const int b = std::clamp(static_cast<int>((x - xMin) * scale), 0, width - 1);
        for (int i = 0; i < wanted.size(); ++i) {
            const int column = wanted.at(i);
            const bool present = column <= record.fields.size();
            double v = kNaN;
            if (present)
                parseHistoryNumber(record.fields.at(column - 1), &v);
            v = chartValue(v, present, notes);
            if (std::isnan(v))
                continue;
            Bucket &k = buckets[i][b];
            const QPointF p(x, v);
            if (!k.any) {
                k.low = k.high = p;
                k.any = true;
            } else {
                if (v < k.low.y())
                    k.low = p;
                if (v > k.high.y())
                    k.high = p;
            }
        }
    }
    for (int i = 0; i < wanted.size(); ++i) {
        HistorySeries s;
        s.column = wanted.at(i);
        s.name = table.columnName(s.column);
        for (const Bucket &k : qAsConst(buckets.at(i))) {
            if (!k.any)
                continue;
            const bool lowFirst = k.low.x() <= k.high.x();
            s.points.append(lowFirst ? k.low : k.high);
            if (k.low != k.high)
                s.points.append(lowFirst ? k.high : k.low);
        }
        series->append(s);
    }
    return true;
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
            return m_table.time(row).toMSecsSinceEpoch();
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
