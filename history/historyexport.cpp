#include "history/historyexport.h"

#include "settings/fileio.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTextStream>

namespace {

QString openFailedText(const QString &fileName)
{
    return QCoreApplication::translate("HistoryData", "打开文件失败: %1").arg(fileName);
}

} // namespace

QString historyPageNumberText(int page, int pageCount)
{
    return QCoreApplication::translate("HistoryPdfLayout", "第 %1 页 / 共 %2 页").arg(page).arg(pageCount);
}

HistoryLineSource::~HistoryLineSource() = default;

HistoryTextLines::HistoryTextLines(const QString &text)
    : m_text(text)
{
}

bool HistoryTextLines::rewind()
{
    m_at = 0;
    return true;
}

bool HistoryTextLines::next(QString *line)
{
    // Lines as a plain-text document holds them: split at line feeds only.
    if (m_at > m_text.size())
        return false;
    int lf = m_text.indexOf(QLatin1Char('\n'), m_at);
    if (lf < 0)
        lf = m_text.size();
    *line = m_text.mid(m_at, lf - m_at);
    m_at = lf + 1;
    return true;
}

HistoryDeviceLines::HistoryDeviceLines(QIODevice *device)
    : m_device(device)
{
}

bool HistoryDeviceLines::rewind()
{
    m_more = true;
    return m_device->seek(0);
}

bool HistoryDeviceLines::next(QString *line)
{
    if (!m_more)
        return false;
    QByteArray bytes = m_device->readLine();
    m_more = bytes.endsWith('\n');
    if (m_more)
        bytes.chop(1);
    *line = QString::fromUtf8(bytes);
    return true;
}

QStringList splitHistoryFields(const QString &line)
{
    static const QRegularExpression separator(QStringLiteral("\\s|,"));
    QStringList fields;
    const QStringList pieces = line.split(separator);
    for (const QString &piece : pieces) {
        const QString field = piece.trimmed();
        if (!field.isEmpty())
            fields.append(field);
    }
    return fields;
}

int historyColumnCount(HistoryLineSource &lines)
{
    int last = 0;
    QString line;
    while (lines.next(&line)) {
        last = splitHistoryFields(line).size();
        if (last > 1)
            return last;
    }
    return last;
}

int historyColumnCount(const QString &text)
{
    HistoryTextLines lines(text);
    return historyColumnCount(lines);
}

QStringList historyRowFields(const QString &line, int columns)
{
    QStringList fields = splitHistoryFields(line);
    if (fields.size() > std::max(columns, 2)) {
        fields[0] = fields.at(0) + QLatin1Char(' ') + fields.at(1);
        fields.removeAt(1);
    }
    while (fields.size() > columns)
        fields.removeLast();
    return fields;
}

int historyLineCount(const QString &text)
{
    return text.count(QLatin1Char('\n')) + 1;
}

int historyLineCount(HistoryLineSource &lines)
{
    int count = 0;
    QString line;
    while (lines.next(&line))
        ++count;
    return count;
}

HistoryPdfLayout historyPdfLayout(QPainter &painter, int pageWidth, int pageHeight, int columns, int lineCount,
                                  int bottomMargin)
{
    HistoryPdfLayout l;
    const QFontMetrics fm = painter.fontMetrics();
    const int margin = pageWidth / 16;
    l.columns = columns;
    l.left = margin;
    l.top = 100;
    l.right = pageWidth - margin - 1;
    l.bottom = pageHeight - 101;
    l.fontHeight = fm.height();
    l.rowHeight = l.fontHeight + 50;
    const int advance = fm.horizontalAdvance(QStringLiteral("1900-01-01 00:00:00"));
    l.firstWidth = advance + advance / 4;
    l.otherWidth = columns > 1 ? (l.right - l.left + 1 - l.firstWidth) / (columns - 1) : 0;
    l.rowsPerPage = std::max(1, (l.bottom - l.top + 1) / l.rowHeight);
    l.lineCount = lineCount;
    l.pageCount = (lineCount + l.rowsPerPage - 1) / l.rowsPerPage;
    // The space between the grid's last line and the paper's edge, with a
    // gap of a quarter line either side of the text.
    const int gridBottom = l.top + l.rowsPerPage * l.rowHeight;
    const int gap = l.fontHeight / 4;
    const int room = pageHeight + std::max(0, bottomMargin) - gridBottom;
    l.pageNumbers = room >= l.fontHeight + 2 * gap;
    l.pageNumberBaseline = gridBottom + (room - l.fontHeight) / 2 + fm.ascent();
    return l;
}

void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &l, HistoryLineSource &lines,
                      const std::function<void()> &newPage)
{
    const QFontMetrics fm = painter.fontMetrics();
    bool more = true;
    for (int page = 0; page < l.pageCount; ++page) {
        if (page > 0)
            newPage();
        for (int i = 0; i <= l.rowsPerPage; ++i) {
            const int y = l.top + i * l.rowHeight;
            painter.drawLine(l.left, y, l.left + (l.right - l.left + 1), y);
        }
        const int gridBottom = l.top + l.rowsPerPage * l.rowHeight;
        int x = l.left;
        for (int c = 0; c <= l.columns; ++c) {
            painter.drawLine(x, l.top, x, gridBottom);
            x += c == 0 ? l.firstWidth : l.otherWidth;
        }
        if (l.pageNumbers) {
            const QString number = historyPageNumberText(page + 1, l.pageCount);
            const int width = l.right - l.left + 1;
            painter.drawText(l.left + (width - fm.horizontalAdvance(number)) / 2, l.pageNumberBaseline, number);
        }
        for (int row = 0; row < l.rowsPerPage; ++row) {
            QString line;
            if (more && !lines.next(&line)) {
                more = false;
                line.clear();
            }
            const QStringList cells = historyRowFields(line, l.columns);
            const int baseline = l.top + row * l.rowHeight + l.fontHeight;
            int cellLeft = l.left;
            for (int c = 0; c < cells.size(); ++c) {
                const int width = c == 0 ? l.firstWidth : l.otherWidth;
                const int advance = fm.horizontalAdvance(cells.at(c));
                painter.drawText(cellLeft + (width - advance) / 2, baseline, cells.at(c));
                cellLeft += width;
            }
        }
    }
}

void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &layout, const QString &text,
                      const std::function<void()> &newPage)
{
    HistoryTextLines lines(text);
    drawHistoryTable(painter, layout, lines, newPage);
}

QString exportHistoryCsv(const QString &fileName, HistoryLineSource &lines)
{
    if (!lines.rewind())
        return openFailedText(fileName);
    SafeFileWriter file(fileName);
    if (!file.open())
        return openFailedText(fileName);
    {
        QTextStream out(file.device());
        out.setCodec(QTextCodec::codecForLocale());
        QString line;
        bool first = true;
        while (lines.next(&line)) {
            if (!first)
                out << QLatin1Char('\n');
            out << line;
            first = false;
        }
        out.flush();
    }
    if (!file.commit())
        return file.errorText();
    return QString();
}

QString exportHistoryCsv(const QString &fileName, const QString &text)
{
    HistoryTextLines lines(text);
    return exportHistoryCsv(fileName, lines);
}

QString exportHistoryPdf(const QString &fileName, HistoryLineSource &lines, HistoryPdfLayout *layoutOut)
{
    if (!lines.rewind())
        return openFailedText(fileName);
    const int columns = historyColumnCount(lines);
    if (columns <= 1)
        return QCoreApplication::translate("HistoryData", "导出数据失败，数据格式错误");
    if (!lines.rewind())
        return openFailedText(fileName);
    const int lineCount = historyLineCount(lines);
    if (!lines.rewind())
        return openFailedText(fileName);

    SafeFileWriter file(fileName);
    if (!file.open())
        return openFailedText(fileName);
    {
        QPdfWriter writer(file.device());
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        QPainter painter(&writer);
        QPen pen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        painter.setPen(pen);
        const int bottomMargin = writer.pageLayout().marginsPixels(writer.resolution()).bottom();
        const HistoryPdfLayout layout =
            historyPdfLayout(painter, writer.width(), writer.height(), columns, lineCount, bottomMargin);
        drawHistoryTable(painter, layout, lines, [&writer] { writer.newPage(); });
        painter.end();
        if (layoutOut)
            *layoutOut = layout;
    }
    if (!file.commit())
        return file.errorText();
    return QString();
}

QString exportHistoryPdf(const QString &fileName, const QString &text, HistoryPdfLayout *layoutOut)
{
    HistoryTextLines lines(text);
    return exportHistoryPdf(fileName, lines, layoutOut);
}
