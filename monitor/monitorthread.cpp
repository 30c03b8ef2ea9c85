#include "monitor/monitorthread.h"

#include "link/devicelink.h"
#include "monitor/monitorcapture.h"

MonitorThread::MonitorThread(QObject *parent)
    : LineDeliveryThread(200, parent) // lines handed on per batch
{
}

MonitorThread::~MonitorThread()
{
    stop();
}

void MonitorThread::start()
{
    if (isRunning())
        return;
    m_stop = false;
    QThread::start();
}

void MonitorThread::stop()
{
    if (!isRunning())
        return;
    m_stop = true;
    wait();
}

QString MonitorThread::droppedText(qint64 count)
{
    return tr("已丢弃 %1 行").arg(count);
}

void MonitorThread::queueLine(const QByteArray &line)
{
    bool wake = false;
    m_queue.push(line, &wake);
    if (wake)
        emit signalLinesQueued();
}

bool MonitorThread::deliver(int maxEntries)
{
    bool more = false;
    const QList<MonitorLineQueue::Entry> entries = m_queue.take(maxEntries, &more);
    for (const MonitorLineQueue::Entry &e : entries) {
        if (e.line.isEmpty())
            emit signalLinesDropped(e.dropped);
        else
            emit signalDataRecv(e.line);
    }
    return !more;
}

void MonitorThread::run()
{
    MonitorCaptureOptions options;
    options.debug = m_debug;
    options.replyTimeoutMs = m_replyTimeoutMs;
    MonitorCaptureHooks hooks;
    hooks.stopRequested = [this] { return m_stop.load(); };
    hooks.capturing = [this] { emit signalCapturing(); };
    hooks.line = [this](const QByteArray &line) { queueLine(line); };
    DeviceLink link;
    const MonitorCaptureOutcome outcome = captureMonitor(link, options, hooks);
    const QString error = monitorCaptureMessage(outcome);
    if (!error.isEmpty())
        emit signalShowError(monitorCaptureTitle(outcome), error);
}
