#include "firmware/updatethread.h"

#include "firmware/flash.h"
#include "link/devicelink.h"

UpdateThread::UpdateThread(QObject *parent)
    : QThread(parent)
{
}

UpdateThread::~UpdateThread()
{
    // A run cannot be cancelled; never tear it down underneath itself.
    wait();
}

void UpdateThread::setTimeouts(int exchangeMs, int eraseMs, int reopenPauseMs)
{
    m_exchangeTimeoutMs = exchangeMs;
    m_eraseTimeoutMs = eraseMs;
    m_reopenPauseMs = reopenPauseMs;
}

void UpdateThread::run()
{
    if (m_beforeFlash && !m_skipBeforeFlash) {
        const QString cause = m_beforeFlash();
        if (!cause.isEmpty()) {
            emit signalBeforeFlashFailed(cause);
            return;
        }
    }
    DeviceLink link;
    FlashHooks hooks;
    hooks.timeouts = {m_exchangeTimeoutMs, m_eraseTimeoutMs, m_reopenPauseMs};
    hooks.progress = [this](int percent) { emit signalUpdateProgress(percent); };
    const FlashOutcome outcome = flashPackage(link, m_info, hooks);
    if (outcome.status == FlashOutcome::Complete)
        emit signalUpdateSucceed();
    else
        emit signalShowErrorMessage(flashMessage(outcome));
}
