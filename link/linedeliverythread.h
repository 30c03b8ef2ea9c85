#pragma once

#include <QThread>

// A worker that queues the lines of a stream on its own thread and hands
// them on in the thread its object lives in: in batches, for at most 30 ms
// at a time, so that the receiver's timers and input (the stop button) keep
// their turn between slices.
class LineDeliveryThread : public QThread
{
    Q_OBJECT

public:
    // Hands on every line still queued (after the run, before the owner
    // looks at the result).
    void deliverAll();

signals:
    // Internal: lines wait in the queue; emitted by the worker when the
    // receiving thread has not been told yet.
    void signalLinesQueued();

protected:
    LineDeliveryThread(int deliverBatch, QObject *parent);
    // Hands on at most maxEntries queued entries; false when entries remain.
    virtual bool deliver(int maxEntries) = 0;

private slots:
    void slotDeliverLines();

private:
    const int m_deliverBatch;
};
