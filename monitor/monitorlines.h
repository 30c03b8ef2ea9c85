#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Cuts captured bytes into lines at each line feed; the rest of a read waits
// for the next one.
class MonitorLineSplitter
{
public:
    QList<QByteArray> feed(const QByteArray &bytes);
    void clear() { m_rest.clear(); }
    QByteArray rest() const { return m_rest; }

private:
    QByteArray m_rest;
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
