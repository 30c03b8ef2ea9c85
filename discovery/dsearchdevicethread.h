#pragma once

#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>

class SearchDeviceDialogInterf;

// Broadcasts the discovery datagram to each target in turn and reports
// every non-empty answer. Everything a search needs is built inside run();
// the dialog hears from it only through the two signals.
class DSearchDeviceThread : public QThread
{
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 1500;
    static constexpr int defaultListenMs = 3000;
    static constexpr int pollMs = 20;

    explicit DSearchDeviceThread(SearchDeviceDialogInterf *owner);
    ~DSearchDeviceThread() override;

    SearchDeviceDialogInterf *owner() const { return m_owner; }

    static QByteArray discoveryDatagram();

    // Fixed targets instead of the interfaces' broadcast addresses; an
    // empty list with useFixed false goes back to collecting them.
    void setTargets(const QList<QHostAddress> &targets, bool useFixed = true);
    void setPort(quint16 port);
    // How long a target is listened to after its send or its last answer.
    void setListenMs(int ms);

    // Starts a search unless one is running; clears an earlier stop request.
    void startSearch();
    // Ends a running search at its next poll (at most pollMs plus one send).
    void requestStop() { m_stop.store(true); }
    bool stopRequested() const { return m_stop.load(); }

signals:
    void signalSetEnableButtons(bool enable);
    void signalInsertDevice(const QString &content, const QHostAddress &hostAddress, quint16 hostPort);

protected:
    void run() override;

private:
    SearchDeviceDialogInterf *m_owner = nullptr;
    mutable QMutex m_mutex; // guards the three settings below
    bool m_useFixedTargets = false;
    QList<QHostAddress> m_targets;
    quint16 m_port = defaultPort;
    int m_listenMs = defaultListenMs;
    std::atomic<bool> m_stop{false};
};
