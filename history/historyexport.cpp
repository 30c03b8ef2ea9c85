#include "history/historyexport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTextStream>
#include <QVector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("HistoryData", text);
}

QString openFailedText(const QString &fileName)
{
    return tr("打开文件失败: %1").arg(fileName);
}

// Lines as a plain-text document holds them: split at line feeds only.
QVector<QStringRef> textLines(const QString &text)
{
    return text.splitRef(QLatin1Char('\n'));
}

} // namespace

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

int historyColumnCount(const QString &text)
{
    if (text.isEmpty())
        return 0;
    int last = 0;
    for (const QStringRef &line : textLines(text)) {
        last = splitHistoryFields(line.toString()).size();
        if (last > 1)
            return last;
    }
    return last;
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

HistoryPdfLayout historyPdfLayout(QPainter &painter, int pageWidth, int pageHeight, int columns, int lineCount)
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
    return l;
}

void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &l, const QString &text,
                      const std::function<void()> &newPage)
{
    const QVector<QStringRef> lines = textLines(text);
    const QFontMetrics fm = painter.fontMetrics();
    int next = 0;
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
        for (int row = 0; row < l.rowsPerPage; ++row) {
            const QString line = next < lines.size() ? lines.at(next).toString() : QString();
            ++next;
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

QString exportHistoryCsv(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return openFailedText(fileName);
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForLocale());
    out << text;
    out.flush();
    file.close();
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError)
        return openFailedText(fileName);
    return QString();
}

QString exportHistoryPdf(const QString &fileName, const QString &text, HistoryPdfLayout *layoutOut)
{
    const int columns = historyColumnCount(text);
    if (columns <= 1)
        return tr("导出数据失败，数据格式错误");

    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return openFailedText(fileName);
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        QPainter painter(&writer);
        QPen pen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        painter.setPen(pen);
        const HistoryPdfLayout layout = historyPdfLayout(painter, writer.width(), writer.height(), columns,
                                                         historyLineCount(text));
        drawHistoryTable(painter, layout, text, [&writer] { writer.newPage(); });
        painter.end();
        if (layoutOut)
            *layoutOut = layout;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return openFailedText(fileName);
    return QString();
}
