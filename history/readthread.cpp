#include "history/readthread.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

ReadThread::ReadThread(QObject *parent)
    : QThread(parent)
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
    emit signalAddText(decodeDeviceText(line));
}

void ReadThread::run()
{
    m_lines.clear();
    m_lineCount = 0;
    m_failed = false;
    m_capped = false;
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
