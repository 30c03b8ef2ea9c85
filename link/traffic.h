#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QVector>

#include <deque>
#include <mutex>

// What a link saw on the wire, one entry per frame sent or piece received.
enum class TrafficDirection {
    Sent,
    Received,
    Dropped, // read from the transport but not taken as a reply
    Event, // no bytes: what became of an exchange (a timeout, say)
};

enum class TrafficNote {
    None,
    ForeignSender, // a datagram from someone other than the instrument
    Stale,         // input pending before a request, discarded
    CrcFailed,     // the reply as it stood when the exchange ended fails its CRC
    Incomplete,    // the reply never became a whole frame
    TimedOut,      // an event: no reply within noteDetail ms
    ExtraAnswer,   // an event: more answers than requests on this link
};

struct TrafficEntry {
    qint64 sequence = 0; // set by TrafficLog, counting from 1
    QDateTime time; // links stamp it in UTC; shown in local time
    TrafficDirection direction = TrafficDirection::Sent;
    bool udp = false;
    QString endpoint; // "127.0.0.1:5000", "/dev/ttyUSB0", "COM3"
    QByteArray bytes; // as on the wire
    QByteArray inner; // the plain frame of an encrypted envelope
    // The plain request sent last on the same link, so that a reply can be
    // named after what it answers.
    QByteArray request;
    TrafficNote note = TrafficNote::None;
    QString noteDetail; // the sender of a foreign datagram
    // The length on the wire when `bytes` holds only its head (the log keeps
    // no more of a datagram than any frame can be long); 0 when whole.
    int fullLength = 0;
    // Milliseconds from the last request sent on the same link, for what
    // came back and for events; -1 for a request, or with none before.
    int responseMs = -1;
    // The start of a text line that earlier pieces began: a line split
    // across datagrams is explained whole (a character may be cut in two).
    QByteArray lineStart;
};

// What an entry costs the log's memory, roughly: its bytes and a share for
// the rest.
qint64 trafficEntryCost(const TrafficEntry &entry);

// Receives entries from the links of any thread, so record() must be
// thread-safe. An observer has to outlive every link that reports to it.
class TrafficObserver
{
public:
    virtual ~TrafficObserver();
    virtual void record(const TrafficEntry &entry) = 0;
};

// New DeviceLinks report to this observer (none by default, which costs a
// link nothing but a null test).
void setDefaultTrafficObserver(TrafficObserver *observer);
TrafficObserver *defaultTrafficObserver();

// The last `capacity` entries, and no more than `maxBytes` of them; older
// ones fall out. A peer that floods with long datagrams must not fill the
// memory: beyond kMaxEntryBytes an entry keeps its head and its length.
class TrafficLog : public TrafficObserver
{
public:
    static constexpr int kDefaultCapacity = 20000;
    static constexpr qint64 kDefaultMaxBytes = 64LL * 1024 * 1024;
    // Longer than any frame of the protocol.
    static constexpr int kMaxEntryBytes = 4096;
    explicit TrafficLog(int capacity = kDefaultCapacity, qint64 maxBytes = kDefaultMaxBytes);

    void record(const TrafficEntry &entry) override;
    // Entries with a sequence number above `sequence`, oldest first.
    QVector<TrafficEntry> entriesAfter(qint64 sequence) const;
    int size() const;
    int capacity() const { return m_capacity; }
    qint64 maxBytes() const { return m_maxBytes; }
    qint64 bytes() const;
    qint64 lastSequence() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::deque<TrafficEntry> m_entries;
    int m_capacity;
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    qint64 m_lastSequence = 0;
};

// The explanation of an entry: the frame's name plus what the link noted.
QString explainTraffic(const TrafficEntry &entry);
// "127.0.0.1:5000" for an IPv4 peer, "[::1]:5000" for IPv6; blanks in a
// serial port name become underscores.
QString trafficEndpoint(const QString &host, quint16 port);
QString trafficEndpoint(const QString &serialPort);
// One line without its line end: time, TX/RX/DROP, endpoint, hex,
// explanation, separated by tabs.
QString formatTrafficLine(const TrafficEntry &entry);
// Upper-case hex pairs separated by single blanks, none at the end.
QString trafficHex(const QByteArray &bytes);

// Writes every entry as a line to a file (or stderr), flushed at once so
// that nothing is lost when the process ends abruptly.
class TrafficTraceWriter : public TrafficObserver
{
public:
    TrafficTraceWriter() = default;
    // "-" is stderr. False with `error` set when the file cannot be opened.
    bool open(const QString &fileName, QString *error);
    void record(const TrafficEntry &entry) override;
    // The first write that failed: its errno (0 when none failed) and the
    // file's error text; later lines are not tried.
    int failedOsError(QString *errorString = nullptr);
    QString fileName() const { return m_file.fileName(); }

private:
    std::mutex m_mutex;
    QFile m_file;
    int m_osError = 0;
    QString m_errorString;
};
