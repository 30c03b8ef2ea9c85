#include "monitor/monitorlines.h"

#include "link/framecodec.h"

#include <algorithm>

void MonitorLineQueue::setLimits(int maxLines, qint64 maxBytes)
{
    QMutexLocker lock(&m_mutex);
    m_maxLines = std::max(1, maxLines);
    m_maxBytes = std::max<qint64>(1, maxBytes);
}

bool MonitorLineQueue::push(const QByteArray &line, bool *wake)
{
    QMutexLocker lock(&m_mutex);
    *wake = false;
    if (m_lines >= m_maxLines || m_bytes + line.size() > m_maxBytes) {
        ++m_pendingDrops;
        return false;
    }
    if (m_pendingDrops > 0) {
        m_entries.push_back({QByteArray(), m_pendingDrops});
        m_pendingDrops = 0;
    }
    m_entries.push_back({line, 0});
    ++m_lines;
    m_bytes += line.size();
    if (!m_wakePending) {
        m_wakePending = true;
        *wake = true;
    }
    return true;
}

QList<MonitorLineQueue::Entry> MonitorLineQueue::take(int maxEntries, bool *more)
{
    QMutexLocker lock(&m_mutex);
    QList<Entry> out;
    while (!m_entries.empty() && out.size() < maxEntries) {
        Entry &e = m_entries.front();
        if (!e.line.isEmpty()) {
            --m_lines;
            m_bytes -= e.line.size();
        }
        out.append(std::move(e));
        m_entries.pop_front();
    }
    // Drops after the last queued line have no later line to carry them.
    if (m_entries.empty() && m_pendingDrops > 0) {
        out.append({QByteArray(), m_pendingDrops});
        m_pendingDrops = 0;
    }
    *more = !m_entries.empty();
    m_wakePending = *more;
    return out;
}

int MonitorLineQueue::size() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

void MonitorLineQueue::clear()
{
    QMutexLocker lock(&m_mutex);
    m_entries.clear();
    m_lines = 0;
    m_bytes = 0;
    m_pendingDrops = 0;
    m_wakePending = false;
}

QString monitorLinePrefix(const QByteArray &line, const QDateTime &now)
{
    return QStringLiteral("%1[%2] : ")
        .arg(now.toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss.zzz]")))
        .arg(line.size());
}

QString formatMonitorLine(const QByteArray &line, MonitorFormat format, const QDateTime &now)
{
    if (line.isEmpty())
        return QString();
    switch (format) {
    case MonitorFormat::Original:
        return decodeDeviceText(line);
    case MonitorFormat::Hex:
        return monitorLinePrefix(line, now) + hexDump(line) + QStringLiteral("\r\n");
    case MonitorFormat::OriginalHex: {
        QString flat = decodeDeviceText(line).trimmed();
        flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
        flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return monitorLinePrefix(line, now) + flat + QStringLiteral(" ( ") + hexDump(line)
               + QStringLiteral(" )\r\n");
    }
    }
    return QString();
}
