#pragma once

#include "history/historylines.h"
#include "link/datareceiver.h"
#include "link/outcome.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>

class DeviceLink;

// The history dialog and zrvu-cli wait this long for the next chunk of an
// answer on a serial line: the instrument pauses between its records.
constexpr int kHistoryInterChunkWaitMs = 2000;

struct HistoryReadHooks {
    // Polled between chunks; may be empty.
    std::function<bool()> stopRequested;
    // The link is open; the request goes out next.
    std::function<void()> opened;
    // One decoded line with its line feed (the last one may lack it).
    std::function<void(const QString &line)> line;
};

struct HistoryReadOutcome {
    Q_GADGET
public:
    enum Status {
        Complete, // the answer ended with its closing silence
        // failure says why: Interrupted (the stop ended it), OpenFailed
        // (detail: the link's error text), NoReply (the send or the first
        // answer failed; detail: the link's text; the streamed exchange
        // reports its failure as text only), LineLost (the serial line
        // hung up mid-answer).
        Failed,
        LineCap, // more than maxLines lines (TooManyLines); the rest was not read
        LinesBroken, // brokenLines lines do not fit the answer: bytes were lost (BadReply)
    };
    Q_ENUM(Status)
    Status status = Failed; // an outcome says it succeeded, never by default
    Failure::Code failure = Failure::NoReply; // None for Complete
    QString detail;
    qint64 lines = 0;
    int maxLines = 0;
    // Lines that are neither the one header nor a record with as many
    // fields as most records: what a lost datagram (or lost serial bytes)
    // leaves behind, a line cut off and joined to the rest of another one.
    qint64 brokenLines = 0;
};

// The streaming exchange's side of a history read: turns the answer's
// pieces into decoded lines for the hooks and keeps what became of it.
class HistoryAnswerReceiver : public DDataReceiver
{
public:
    HistoryAnswerReceiver(HistoryReadHooks hooks, int maxLines);
    // Ready for the next read.
    void reset(int maxLines);
    const HistoryReadHooks &hooks() const { return m_hooks; }

    bool isStopped() override;
    void onError(const QString &error) override;
    void onData(const QByteArray &data) override;

    // The first failure of a read is the one it reports.
    void fail(HistoryReadOutcome::Status status, Failure::Code failure, const QString &detail);
    // Hands on the last line, which may lack its line feed.
    HistoryReadOutcome finish();

private:
    void flush(const QByteArray &line);
    void checkShape(const QString &line);

    HistoryReadHooks m_hooks;
    HistoryLineSplitter m_lines;
    HistoryReadOutcome m_outcome;
    bool m_failed = false;
    bool m_capped = false;
    bool m_stopped = false;
    bool m_sawLine = false;
    qint64 m_strayLines = 0; // neither header nor record
    QHash<int, qint64> m_recordShapes; // records by their field count
};

// Opens `link` (as the caller configured it: its interChunkWaitMs is the
// serial answer's closing silence), sends `request` unchanged and hands the
// answer on line by line until the instrument falls silent. An answer past
// maxLines lines is cut off: a peer that never falls silent must not fill
// the memory. Lines already handed on stay valid whatever the outcome.
HistoryReadOutcome readHistory(DeviceLink &link, const QByteArray &request, const HistoryReadHooks &hooks,
                               int maxLines);
// The same with a receiver the caller keeps (reset here).
HistoryReadOutcome readHistory(DeviceLink &link, const QByteArray &request, HistoryAnswerReceiver &receiver,
                               int maxLines);

// The user's text for a failed read (the title is always "查询"); empty for
// Complete and the stop.
QString historyReadMessage(const HistoryReadOutcome &outcome);
// The failure in the shared vocabulary (None for Complete): `failure`.
Failure::Code historyReadError(const HistoryReadOutcome &outcome);
QString historyReadTitle();
