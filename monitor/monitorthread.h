#pragma once

#include "monitor/monitorlines.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

class DeviceLink;

// Listens to the instrument's text output over a link of its own, with its
// debug output switched on for the run when asked to.
class MonitorThread : public QThread
{
    Q_OBJECT

public:
    explicit MonitorThread(QObject *parent = nullptr);
    ~MonitorThread() override;

    // Only while idle.
    void setDebug(bool on) { m_debug = on; }
    bool debug() const { return m_debug; }
    // Reply timeout of the debug-switch requests (tests shorten it).
    void setReplyTimeout(int ms) { m_replyTimeoutMs = ms; }
    // Sets the stop flag without waiting.
    void requestStop() { m_stop = true; }

public slots:
    void start();
    // Blocks until the run, including its final "0" request, is over.
    void stop();

signals:
    void signalShowError(const QString &title, const QString &error);
    void signalDataRecv(const QByteArray &byteArray);

protected:
    void run() override;

private:
    bool switchDebug(DeviceLink &link, bool on, bool first);
    int transactUdp(DeviceLink &link, const QByteArray &request, QByteArray &reply);
    void captureUdp(DeviceLink &link);
    void captureSerial(DeviceLink &link);
    void splitLines(const QByteArray &bytes);

    std::atomic_bool m_stop{false};
    bool m_debug = false;
    int m_replyTimeoutMs = 5000;
    MonitorLineSplitter m_lines;
};
