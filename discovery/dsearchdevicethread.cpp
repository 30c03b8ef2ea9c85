#include "discovery/dsearchdevicethread.h"

#include "discovery/devicesearch.h"
#include "discovery/searchtargets.h"

#include <QMutexLocker>

DSearchDeviceThread::DSearchDeviceThread(SearchDeviceDialogInterf *owner)
    : m_owner(owner)
{
}

DSearchDeviceThread::~DSearchDeviceThread()
{
    // Destroying a running QThread aborts the process; end the search first.
    requestStop();
    wait();
}

QByteArray DSearchDeviceThread::discoveryDatagram()
{
    return ::discoveryDatagram();
}

void DSearchDeviceThread::setTargets(const QList<QHostAddress> &targets, bool useFixed)
{
    QMutexLocker lock(&m_mutex);
    m_targets = targets;
    m_useFixedTargets = useFixed;
}

void DSearchDeviceThread::setPort(quint16 port)
{
    QMutexLocker lock(&m_mutex);
    m_port = port;
}

void DSearchDeviceThread::setListenMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_listenMs = ms;
}

void DSearchDeviceThread::startSearch()
{
    if (isRunning())
        return;
    m_stop.store(false);
    start();
}

void DSearchDeviceThread::run()
{
    QList<QHostAddress> fixedTargets;
    bool useFixed;
    quint16 port;
    int listenMs;
    {
        QMutexLocker lock(&m_mutex);
        useFixed = m_useFixedTargets;
        fixedTargets = m_targets;
        port = m_port;
        listenMs = m_listenMs;
    }

    emit signalSetEnableButtons(false);

    QList<SearchTarget> targets;
    for (const QHostAddress &address : useFixed ? fixedTargets : collectBroadcastTargets())
        targets.append({address, port});
    DeviceSearchHooks hooks;
    hooks.stopRequested = [this] { return m_stop.load(); };
    hooks.answer = [this](const SearchAnswer &answer) {
        emit signalInsertDevice(answer.name, answer.address, answer.port);
    };
    searchDevices(targets, listenMs, pollMs, hooks);

    emit signalSetEnableButtons(true);
}
