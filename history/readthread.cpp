#include "history/readthread.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QElapsedTimer>

namespace {

constexpr int kDeliverBatch = 500;
constexpr int kDeliverSliceMs = 30;

} // namespace

ReadThread::ReadThread(QObject *parent)
    : QThread(parent)
{
    connect(this, &ReadThread::signalLinesQueued, this, &ReadThread::slotDeliverLines, Qt::QueuedConnection);
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

void ReadThread::slotDeliverLines()
{
    // In slices: the receiving thread's timers and input keep their turn.
    QElapsedTimer clock;
    clock.start();
    while (!deliver(kDeliverBatch)) {
        if (clock.elapsed() >= kDeliverSliceMs) {
            QMetaObject::invokeMethod(this, &ReadThread::slotDeliverLines, Qt::QueuedConnection);
            return;
        }
    }
}

int ReadThread::queuedLineCount()
{
    QMutexLocker lock(&m_queueMutex);
    return static_cast<int>(m_queue.size());
}

void ReadThread::deliverAll()
{
    while (!deliver(kDeliverBatch)) {
    }
}

bool ReadThread::isStopped()
{
    return m_stop;
}

void ReadThread::fail(const QString &error)
{
    // One failure per query: a hang-up also ends the wait for the first
    // bytes, which reports itself.
    if (m_failed)
        return;
    m_failed = true;
    emit signalShowError(tr("查询"), error);
}

void ReadThread::onError(const QString &error)
{
    if (!error.isEmpty())
        fail(error);
}

void ReadThread::onData(const QByteArray &data)
{
    if (m_capped)
        return;
    const QList<QByteArray> lines = m_lines.feed(data);
    for (const QByteArray &line : lines)
        flush(line);
}

void ReadThread::flush(const QByteArray &line)
{
    if (line.isEmpty() || m_capped)
        return;
    if (m_lineCount >= m_maxLines) {
        m_capped = true;
        m_stop = true;
        fail(tr("历史数据超过%1行，已停止读取").arg(m_maxLines));
        return;
    }
    ++m_lineCount;
    queueLine(decodeDeviceText(line));
}

void ReadThread::run()
{
    m_lines.clear();
    m_lineCount = 0;
    m_failed = false;
    m_capped = false;
    {
        QMutexLocker lock(&m_queueMutex);
        m_queue.clear();
        m_wakePending = false;
    }
    DeviceLink link;
    link.interChunkWaitMs = m_interChunkWait;
    if (!link.open()) {
        emit signalShowError(tr("查询"), link.errorText);
        return;
    }
    emit signalClearText();
    link.transactStream(m_request, this);
    // A line that hung up mid-answer looks like the answer's closing
    // silence; what came is not the whole answer.
    if (!link.useUdp && link.transportFailed())
        fail(tr("串口读取失败"));
    // The answer's last line may come without a line feed.
    flush(m_lines.takeRest());
}
