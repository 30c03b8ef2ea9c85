#include "history/readthread.h"

#include "link/devicelink.h"

ReadThread::ReadThread(QObject *parent)
    : LineDeliveryThread(500, parent) // lines handed on per batch
    , m_receiver(HistoryReadHooks{[this] { return m_stop.load(); }, [this] { emit signalClearText(); },
                                  [this](const QString &line) { queueLine(line); }},
                 kDefaultMaxLines)
{
}

ReadThread::~ReadThread()
{
    // The owner should have waited already; never leave a running thread.
    requestStop();
    wait();
}

void ReadThread::startQuery(const QByteArray &request, int interChunkWait)
{
    m_interChunkWait = interChunkWait;
    m_request = request;
    m_stop = false;
    QThread::start();
}

void ReadThread::requestStop()
{
    m_stop = true;
    QMutexLocker lock(&m_queueMutex);
    m_queueSpace.wakeAll();
}

void ReadThread::queueLine(const QString &line)
{
    QMutexLocker lock(&m_queueMutex);
    while (m_queue.size() >= static_cast<size_t>(kMaxQueuedLines)) {
        if (m_stop)
            return; // nobody wants the rest any more
        m_queueSpace.wait(&m_queueMutex, 100);
    }
    m_queue.push_back(line);
    if (m_wakePending)
        return;
    m_wakePending = true;
    lock.unlock();
    emit signalLinesQueued();
}

bool ReadThread::deliver(int maxLines)
{
    QList<QString> lines;
    bool more = false;
    {
        QMutexLocker lock(&m_queueMutex);
        while (!m_queue.empty() && lines.size() < maxLines) {
            lines.append(std::move(m_queue.front()));
            m_queue.pop_front();
        }
        more = !m_queue.empty();
        m_wakePending = more;
        m_queueSpace.wakeAll();
    }
    for (const QString &line : qAsConst(lines))
        emit signalAddText(line);
    return !more;
}

int ReadThread::queuedLineCount()
{
    QMutexLocker lock(&m_queueMutex);
    return static_cast<int>(m_queue.size());
}

bool ReadThread::isStopped()
{
    return m_receiver.isStopped();
}

void ReadThread::onError(const QString &error)
{
    m_receiver.onError(error);
}

void ReadThread::onData(const QByteArray &data)
{
    m_receiver.onData(data);
}

void ReadThread::run()
{
    {
        QMutexLocker lock(&m_queueMutex);
        m_queue.clear();
        m_wakePending = false;
    }
    DeviceLink link;
    link.interChunkWaitMs = m_interChunkWait;
    const HistoryReadOutcome outcome = readHistory(link, m_request, m_receiver, m_maxLines);
    const QString error = historyReadMessage(outcome);
    if (!error.isEmpty())
        emit signalShowError(historyReadTitle(), error);
}
