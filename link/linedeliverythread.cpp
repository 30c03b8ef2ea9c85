#include "link/linedeliverythread.h"

#include <QElapsedTimer>

namespace {

constexpr int kDeliverSliceMs = 30;

} // namespace

LineDeliveryThread::LineDeliveryThread(int deliverBatch, QObject *parent)
    : QThread(parent)
    , m_deliverBatch(deliverBatch)
{
    connect(this, &LineDeliveryThread::signalLinesQueued, this, &LineDeliveryThread::slotDeliverLines,
            Qt::QueuedConnection);
}

void LineDeliveryThread::deliverAll()
{
    while (!deliver(m_deliverBatch)) {
    }
}

void LineDeliveryThread::slotDeliverLines()
{
    QElapsedTimer clock;
    clock.start();
    while (!deliver(m_deliverBatch)) {
        if (clock.elapsed() >= kDeliverSliceMs) {
            // The rest in a later turn of the event loop.
            QMetaObject::invokeMethod(this, &LineDeliveryThread::slotDeliverLines, Qt::QueuedConnection);
            return;
        }
    }
}
