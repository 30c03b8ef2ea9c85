#pragma once

#include "link/linesplitter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>

#include <deque>

// The monitor's captured lines (the one splitter of the link's streams).
using MonitorLineSplitter = LineSplitter;

// Lines on their way from the capture to the view, which may be slower than
// the instrument. Past the limits new lines are dropped and counted; the
// count travels as a marker at the place where the lines went missing.
class MonitorLineQueue
{
public:
    static constexpr int kDefaultMaxLines = 10000;
    static constexpr qint64 kDefaultMaxBytes = 8 * 1024 * 1024;

    struct Entry {
        QByteArray line;     // empty for a marker
        qint64 dropped = 0;  // lines lost at this place (markers only)
    };

    void setLimits(int maxLines, qint64 maxBytes);
    // False when the line was dropped. *wake is set when the consumer has
    // not been told of waiting lines yet.
    bool push(const QByteArray &line, bool *wake);
    // At most maxEntries entries, oldest first. *more tells whether entries
    // remain; when none do, the next push wakes the consumer again.
    QList<Entry> take(int maxEntries, bool *more);
    int size() const;
    void clear();

private:
    mutable QMutex m_mutex;
    std::deque<Entry> m_entries;
    int m_lines = 0;
    qint64 m_bytes = 0;
    qint64 m_pendingDrops = 0;
    int m_maxLines = kDefaultMaxLines;
    qint64 m_maxBytes = kDefaultMaxBytes;
    bool m_wakePending = false;
};

enum class MonitorFormat {
    Original,    // the decoded text as it came
    Hex,         // prefix and hex dump
    OriginalHex, // prefix, flattened text and hex dump
};

// "[yyyy-MM-dd hh:mm:ss.zzz][<bytes>] : "
QString monitorLinePrefix(const QByteArray &line, const QDateTime &now);
// The text appended to the view for one captured line; empty for an empty
// line.
QString formatMonitorLine(const QByteArray &line, MonitorFormat format, const QDateTime &now);
