#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

// Receives the pieces of a streaming exchange (DeviceLink::transactStream).
class DDataReceiver
{
public:
    virtual ~DDataReceiver();
    virtual bool isStopped() = 0;
    virtual void onError(const QString &error) = 0;
    virtual void onData(const QByteArray &data) = 0;
};

// Collects everything: the last error text and all data bytes.
class DDataReceiverImpl : public DDataReceiver
{
public:
    bool isStopped() override { return false; }
    void onError(const QString &error) override { m_error = error; }
    void onData(const QByteArray &data) override { m_data.append(data); }

    QString errorText() const { return m_error; }
    QByteArray data() const { return m_data; }

private:
    QString m_error;
    QByteArray m_data;
};

// Hands queued entries to the receiving thread in slices of at most
// `sliceMs`, so that its timers and input keep their turn. `deliverBatch`
// returns true once nothing is left; the result is false when entries
// remain and the caller should post itself again.
template <typename DeliverBatch>
bool deliverInSlice(int sliceMs, DeliverBatch deliverBatch)
{
    QElapsedTimer clock;
    clock.start();
    while (!deliverBatch()) {
        if (clock.elapsed() >= sliceMs)
            return false;
    }
    return true;
}
