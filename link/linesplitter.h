#pragma once

#include <QByteArray>
#include <QList>

// Cuts a byte stream into lines at each line feed; bytes after the last line
// feed wait for the next chunk. A peer that never sends a line feed must not
// grow the rest without end: a line reaching maxLineBytes is handed on as it
// is, and the bytes after it start the next one.
class LineSplitter
{
public:
    static constexpr int kDefaultMaxLineBytes = 4096;

    explicit LineSplitter(int maxLineBytes = kDefaultMaxLineBytes);

    // Complete lines in `chunk` (each with its line feed, or exactly
    // maxLineBytes long without one), in order.
    QList<QByteArray> feed(const QByteArray &chunk);
    // The unfinished rest, emptied.
    QByteArray takeRest();
    QByteArray rest() const { return m_rest; }
    bool hasRest() const { return !m_rest.isEmpty(); }
    void clear() { m_rest.clear(); }
    int maxLineBytes() const { return m_maxLine; }

private:
    QByteArray m_rest;
    int m_maxLine;
};
