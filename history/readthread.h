#pragma once

#include "history/historyread.h"
#include "link/datareceiver.h"
#include "link/linedeliverythread.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <deque>

// Runs one history query: sends the request over a link of its own and
// hands the answer on line by line until the instrument falls silent.
class ReadThread : public LineDeliveryThread, public DDataReceiver
{
    Q_OBJECT

public:
    explicit ReadThread(QObject *parent = nullptr);
    ~ReadThread() override;

    // An answer past this many lines is cut off with a message: a peer that
    // never falls silent must not fill the memory.
    static constexpr int kDefaultMaxLines = 2000000;
    // Lines decoded but not yet handed on. A receiver slower than the
    // line (a blocked stdout) makes the worker wait at this many instead of
    // piling the answer up in the event queue; over the serial line the
    // instrument then waits too.
    static constexpr int kMaxQueuedLines = 20000;

    // Only while idle.
    void startQuery(const QByteArray &request, int interChunkWait);
    void requestStop();
    // Only while idle (tests lower it).
    void setMaxLines(int lines) { m_maxLines = lines; }
    int maxLines() const { return m_maxLines; }
    int queuedLineCount();

    bool isStopped() override;
    void onError(const QString &error) override;
    void onData(const QByteArray &data) override;

signals:
    void signalClearText();
    void signalAddText(QString text);
    void signalShowError(QString title, QString error);

protected:
    void run() override;
    bool deliver(int maxLines) override;

private:
    void queueLine(const QString &line);

    std::atomic_bool m_stop{false};
    int m_maxLines = kDefaultMaxLines;
    QMutex m_queueMutex;
    QWaitCondition m_queueSpace;
    std::deque<QString> m_queue;
    bool m_wakePending = false;
    HistoryAnswerReceiver m_receiver;
    int m_interChunkWait = 500;
    QByteArray m_request;
};
