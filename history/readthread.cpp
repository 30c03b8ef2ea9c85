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

void ReadThread::onError(const QString &error)
{
    if (!error.isEmpty())
        emit signalShowError(tr("查询"), error);
}

void ReadThread::onData(const QByteArray &data)
{
    const QList<QByteArray> lines = m_lines.feed(data);
    for (const QByteArray &line : lines)
        flush(line);
}

void ReadThread::flush(const QByteArray &line)
{
    if (!line.isEmpty())
        emit signalAddText(decodeDeviceText(line));
}

void ReadThread::run()
{
    m_lines.clear();
    DeviceLink link;
    link.interChunkWaitMs = m_interChunkWait;
    if (!link.open()) {
        emit signalShowError(tr("查询"), link.errorText);
        return;
    }
    emit signalClearText();
    link.transactStream(m_request, this);
    // The answer's last line may come without a line feed.
    flush(m_lines.takeRest());
}
