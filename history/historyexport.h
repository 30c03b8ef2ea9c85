#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;
class QPainter;

// The lines of a text (split at line feeds, so a trailing line feed gives a
// last, empty line), read from the start as often as an export needs.
class HistoryLineSource
{
public:
    virtual ~HistoryLineSource();
    // Back to the first line; false when the text cannot be read again.
    virtual bool rewind() = 0;
    // The next line, false once the text is exhausted.
    virtual bool next(QString *line) = 0;
};

// A text held in memory.
class HistoryTextLines : public HistoryLineSource
{
public:
    explicit HistoryTextLines(const QString &text);
    bool rewind() override;
    bool next(QString *line) override;

private:
    QString m_text;
    int m_at = 0;
};

// UTF-8 text in a seekable device (a spool file), read line by line so that
// an export never holds the whole answer.
class HistoryDeviceLines : public HistoryLineSource
{
public:
    explicit HistoryDeviceLines(QIODevice *device);
    bool rewind() override;
    bool next(QString *line) override;

private:
    QIODevice *m_device;
    bool m_more = true;
};

// Pieces of a record line separated by white space and/or commas.
QStringList splitHistoryFields(const QString &line);
// Field count of the first line with more than one field (else of the last
// line; 0 for an empty text).
int historyColumnCount(const QString &text);
int historyColumnCount(HistoryLineSource &lines);
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
    // "第 N 页 / 共 M 页" below the grid, where the page leaves room for it
    // (the table is never moved or shrunk to make room).
    bool pageNumbers = false;
    int pageNumberBaseline = 0;
};

// "第 1 页 / 共 3 页", translated.
QString historyPageNumberText(int page, int pageCount);

// Number of text lines as a plain-text document counts them (a trailing
// line feed opens one more, empty line).
int historyLineCount(const QString &text);
int historyLineCount(HistoryLineSource &lines);
// bottomMargin: the page's margin below pageHeight, in the same units; the
// page number may use it, the table never does.
HistoryPdfLayout historyPdfLayout(QPainter &painter, int pageWidth, int pageHeight, int columns, int lineCount,
                                  int bottomMargin = 0);
// Draws every page; newPage is called between pages.
void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &layout, const QString &text,
                      const std::function<void()> &newPage);
void drawHistoryTable(QPainter &painter, const HistoryPdfLayout &layout, HistoryLineSource &lines,
                      const std::function<void()> &newPage);

// Both return an empty text on success, else the user's message (the
// dialog shows it titled "导出配置"). The file is written beside the target
// and replaces it only when complete: a failed or interrupted export leaves
// an older file as it was.
QString exportHistoryCsv(const QString &fileName, const QString &text);
QString exportHistoryCsv(const QString &fileName, HistoryLineSource &lines);
// The format is judged before the file is created, so a refused export
// leaves nothing behind.
QString exportHistoryPdf(const QString &fileName, const QString &text, HistoryPdfLayout *layoutOut = nullptr);
QString exportHistoryPdf(const QString &fileName, HistoryLineSource &lines, HistoryPdfLayout *layoutOut = nullptr);
