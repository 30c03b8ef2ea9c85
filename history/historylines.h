#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Cuts a byte stream into lines at each line feed. Bytes after the last line
// feed wait for the next chunk. An answer that never sends a line feed must
// not grow the rest without end: a line reaching maxLineBytes is handed on
// as it is, and the bytes after it start the next one.
class HistoryLineSplitter
{
public:
    static constexpr int kDefaultMaxLineBytes = 4096;

    explicit HistoryLineSplitter(int maxLineBytes = kDefaultMaxLineBytes);

    // Complete lines in `chunk` (each with its line feed, or exactly
    // maxLineBytes long without one), in order.
    QList<QByteArray> feed(const QByteArray &chunk);
    // The unfinished rest, emptied.
    QByteArray takeRest();
    bool hasRest() const { return !m_rest.isEmpty(); }
    void clear() { m_rest.clear(); }
    int maxLineBytes() const { return m_maxLine; }

private:
    QByteArray m_rest;
    int m_maxLine;
};

// One received line as the history view holds it: every line break (CR LF,
// CR or LF) one paragraph end, as a text document takes them. The exports
// read that text, whether from the view or from zrvu-cli's spool.
QString historyViewText(const QString &received);
