#include "link/traffic.h"

#include "link/framedecoder.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {

std::atomic<TrafficObserver *> g_defaultObserver{nullptr};

struct TrafficLogText {
    Q_DECLARE_TR_FUNCTIONS(TrafficLogText)
};

} // namespace

TrafficObserver::~TrafficObserver() = default;

void setDefaultTrafficObserver(TrafficObserver *observer)
{
    g_defaultObserver.store(observer);
}

TrafficObserver *defaultTrafficObserver()
{
    return g_defaultObserver.load(std::memory_order_relaxed);
}

qint64 trafficEntryCost(const TrafficEntry &entry)
{
    constexpr qint64 kEntryOverhead = 256;
    return kEntryOverhead + entry.bytes.size() + entry.inner.size() + entry.request.size()
        + 2 * (entry.endpoint.size() + entry.noteDetail.size());
}

TrafficLog::TrafficLog(int capacity, qint64 maxBytes)
    : m_capacity(std::max(1, capacity))
    , m_maxBytes(std::max<qint64>(1, maxBytes))
{
}

void TrafficLog::record(const TrafficEntry &entry)
{
    TrafficEntry kept = entry;
    if (kept.bytes.size() > kMaxEntryBytes) {
        kept.fullLength = kept.bytes.size();
        // A copy of the head alone: the whole datagram must not stay shared.
        kept.bytes = QByteArray(kept.bytes.constData(), kMaxEntryBytes);
    }
    if (kept.inner.size() > kMaxEntryBytes)
        kept.inner = QByteArray(kept.inner.constData(), kMaxEntryBytes);
    if (kept.request.size() > kMaxEntryBytes)
        kept.request = QByteArray(kept.request.constData(), kMaxEntryBytes);
    const qint64 cost = trafficEntryCost(kept);
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_entries.empty() && (int(m_entries.size()) >= m_capacity || m_bytes + cost > m_maxBytes)) {
        m_bytes -= trafficEntryCost(m_entries.front());
        m_entries.pop_front();
    }
    m_bytes += cost;
    m_entries.push_back(std::move(kept));
    m_entries.back().sequence = ++m_lastSequence;
}

qint64 TrafficLog::bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

QVector<TrafficEntry> TrafficLog::entriesAfter(qint64 sequence) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QVector<TrafficEntry> out;
    if (m_entries.empty() || m_entries.back().sequence <= sequence)
        return out;
    // Sequence numbers are consecutive within the deque.
    const qint64 first = m_entries.front().sequence;
    const auto start = m_entries.begin() + std::max<qint64>(0, sequence + 1 - first);
    out.reserve(int(m_entries.end() - start));
    for (auto it = start; it != m_entries.end(); ++it)
        out.append(*it);
    return out;
}

int TrafficLog::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_entries.size());
}

qint64 TrafficLog::lastSequence() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastSequence;
}

void TrafficLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
    m_bytes = 0;
}

QString explainTraffic(const TrafficEntry &entry)
{
    const QByteArray &request = entry.request;
    // A head is no frame: its length says more than its bytes.
    auto frame = [&entry, &request](bool sent) {
        if (entry.fullLength > 0)
            return TrafficLogText::tr("%1 字节，只保留了前 %2 字节").arg(entry.fullLength).arg(entry.bytes.size());
        if (!entry.lineStart.isEmpty())
            return explainFrame(entry.lineStart + entry.bytes, sent, request);
        return explainFrame(entry.bytes, sent, request);
    };
    QString text;
    switch (entry.note) {
    case TrafficNote::ForeignSender:
        return TrafficLogText::tr("丢弃: 来自 %1 的数据报").arg(entry.noteDetail) + QStringLiteral(", ") + frame(false);
    case TrafficNote::Stale:
        return TrafficLogText::tr("丢弃: 请求前残留的数据") + QStringLiteral(", ") + frame(false);
    case TrafficNote::CrcFailed:
        text = TrafficLogText::tr("CRC校验失败") + QStringLiteral(", ");
        break;
    case TrafficNote::Incomplete:
        text = TrafficLogText::tr("应答不完整") + QStringLiteral(", ");
        break;
    case TrafficNote::TimedOut:
        return TrafficLogText::tr("超时: %1 ms 内没有应答").arg(entry.noteDetail);
    case TrafficNote::ExtraAnswer:
        return TrafficLogText::tr("设备重复应答: 应答比请求多");
    case TrafficNote::None:
        break;
    }
    return text + frame(entry.direction == TrafficDirection::Sent);
}

QString trafficEndpoint(const QString &host, quint16 port)
{
    const QHostAddress address(host);
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(host).arg(port);
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QString trafficEndpoint(const QString &serialPort)
{
    QString name = serialPort;
    for (QChar &c : name) {
        if (c.isSpace())
            c = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("-") : name;
}

QString trafficHex(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (int i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(' ');
        const auto b = static_cast<quint8>(bytes.at(i));
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0xF]);
    }
    return out;
}

QString formatTrafficLine(const TrafficEntry &entry)
{
    const char *direction = entry.direction == TrafficDirection::Sent ? "TX"
        : entry.direction == TrafficDirection::Received               ? "RX"
        : entry.direction == TrafficDirection::Event                  ? "EVENT"
                                                                      : "DROP";
    QString explanation = explainTraffic(entry);
    // A tab or line break inside would break the columns.
    for (QChar &c : explanation) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + QLatin1Char('\t')
        + QLatin1String(direction) + QLatin1Char('\t') + entry.endpoint + QLatin1Char('\t') + trafficHex(entry.bytes)
        + QLatin1Char('\t') + explanation;
}

bool TrafficTraceWriter::open(const QString &fileName, QString *error)
{
    const bool ok = fileName == QLatin1String("-") ? m_file.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered)
                                                   : (m_file.setFileName(fileName),
                                                      m_file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!ok && error)
        *error = m_file.errorString();
    return ok;
}

void TrafficTraceWriter::record(const TrafficEntry &entry)
{
    // Formatted outside the lock: the links of several threads may report.
    const QByteArray line = (formatTrafficLine(entry) + QLatin1Char('\n')).toUtf8();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file.isOpen() || m_osError != 0)
        return;
    errno = 0;
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        m_osError = errno != 0 ? errno : EIO;
        m_errorString = m_file.errorString();
    }
}

int TrafficTraceWriter::failedOsError(QString *errorString)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (errorString)
        *errorString = m_errorString;
    return m_osError;
}
