#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

// Pieces of a record line separated by white space and/or commas.
QStringList splitHistoryFields(const QString &line);
// Field count of the first line with more than one field (else of the last
// line; 0 for an empty text).
int historyColumnCount(const QString &text);
// The cells of one table row: date and time share the first cell when the
// line has more fields than the table has columns.
QStringList historyRowFields(const QString &line, int columns);

// Table geometry of one PDF export, in the writer's device units.
struct HistoryPdfLayout {
    int columns = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int fontHeight = 0;
    int rowHeight = 0;
    int firstWidth = 0;
    int otherWidth = 0;
    int rowsPerPage = 0;
    int lineCount = 0;
    int pageCount = 0;
};

// Number of text lines as a plain-text document counts them (a trailing
// line feed opens one more, empty line).
int historyLineCount(const QString &text);
HistoryPdfLayout historyPdfLayout(QPainter &painter, int pageWidth, int pageHeight, int columns, int lineCount);
// Draws every page; newPage is called between pages.
void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &layout, const QString &text,
                      const std::function<void()> &newPage);

// Both return an empty text on success, else the user's message (the
// dialog shows it titled "导出配置").
QString exportHistoryCsv(const QString &fileName, const QString &text);
// The format is judged before the file is created, so a refused export
// leaves nothing behind.
QString exportHistoryPdf(const QString &fileName, const QString &text, HistoryPdfLayout *layoutOut = nullptr);
