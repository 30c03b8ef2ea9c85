#pragma once

#include "monitor/monitorlines.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

class DeviceLink;

// Listens to the instrument's text output over a link of its own, with its
// debug output switched on for the run when asked to.
class MonitorThread : public QThread
{
    Q_OBJECT

public:
    explicit MonitorThread(QObject *parent = nullptr);
    ~MonitorThread() override;

    // Only while idle.
    void setDebug(bool on) { m_debug = on; }
    bool debug() const { return m_debug; }
    // Reply timeout of the debug-switch requests (tests shorten it).
    void setReplyTimeout(int ms) { m_replyTimeoutMs = ms; }
    // Bounds of the lines captured but not yet handed on (tests lower them).
    void setQueueLimits(int maxLines, qint64 maxBytes) { m_queue.setLimits(maxLines, maxBytes); }
    int queuedLineCount() const { return m_queue.size(); }
    // Sets the stop flag without waiting.
    void requestStop() { m_stop = true; }
    // Hands on every line still queued (after the run, before the owner
    // looks at the result).
    void deliverAll();

    // The user's notice for lines the view could not keep up with.
    static QString droppedText(qint64 count);

    // A reply to the debug switch is a counted reply, in an envelope when
    // the link is encrypted; anything longer is no reply.
    static constexpr int kMaxSwitchReplyBytes = 255 + 5 + 6;

public slots:
    void start();
    // Blocks until the run, including its final "0" request, is over.
    void stop();

signals:
    void signalShowError(const QString &title, const QString &error);
    // Emitted on the thread the object lives in, line by line.
    void signalDataRecv(const QByteArray &byteArray);
    // `count` lines were lost here because the receiver fell behind.
    void signalLinesDropped(qint64 count);
    // Internal: lines are waiting in the queue.
    void signalLinesQueued();

protected:
    void run() override;

private slots:
    void slotDeliverLines();

private:
    bool switchDebug(DeviceLink &link, bool on, bool first);
    int transactUdp(DeviceLink &link, const QByteArray &request, QByteArray &reply);
    // Reads what is pending from the peer, at most about one budget's worth.
    void readPendingUdp(DeviceLink &link);
    void readPendingSerial(DeviceLink &link);
    void captureUdp(DeviceLink &link);
    void captureSerial(DeviceLink &link);
    void splitLines(const QByteArray &bytes);
    void queueLine(const QByteArray &line);
    // False when entries remain.
    bool deliver(int maxEntries);

    std::atomic_bool m_stop{false};
    bool m_debug = false;
    int m_replyTimeoutMs = 5000;
    MonitorLineSplitter m_lines;
    MonitorLineQueue m_queue;
};
