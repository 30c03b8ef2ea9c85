#pragma once

#include <QByteArray>
#include <QList>

// Cuts a byte stream into lines at each line feed. Bytes after the last line
// feed wait for the next chunk.
class HistoryLineSplitter
{
public:
    // Complete lines in `chunk` (each with its line feed), in order.
    QList<QByteArray> feed(const QByteArray &chunk);
    // The unfinished rest, emptied.
    QByteArray takeRest();
    bool hasRest() const { return !m_rest.isEmpty(); }
    void clear() { m_rest.clear(); }

private:
    QByteArray m_rest;
};
