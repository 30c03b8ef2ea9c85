#pragma once

#include <QByteArray>
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
