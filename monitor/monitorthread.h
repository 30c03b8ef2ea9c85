#pragma once

#include "link/linedeliverythread.h"
#include "monitor/monitorlines.h"

#include <QByteArray>
#include <QString>

#include <atomic>

// Listens to the instrument's text output over a link of its own, with its
// debug output switched on for the run when asked to.
class MonitorThread : public LineDeliveryThread
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

    // The user's notice for lines the view could not keep up with.
    static QString droppedText(qint64 count);

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
    // The instrument took the first debug-switch request; lines captured
    // from now on are its output.
    void signalCapturing();

protected:
    void run() override;
    bool deliver(int maxEntries) override;

private:
    void queueLine(const QByteArray &line);

    std::atomic_bool m_stop{false};
    bool m_debug = false;
    int m_replyTimeoutMs = 5000;
    MonitorLineQueue m_queue;
};
