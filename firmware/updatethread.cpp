#include "firmware/updatethread.h"

#include "firmware/flash.h"
#include "firmware/flashframes.h"
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

bool UpdateThread::requestDeviceId(DeviceLink &link, QByteArray &reply)
{
    return flashIdentify(link, reply, m_exchangeTimeoutMs);
}

bool UpdateThread::modelMatches(const QString &identifyText, const QString &model)
{
    return flashModelMatches(identifyText, model);
}

bool UpdateThread::matchDeviceModel(const QByteArray &reply) const
{
    return parseIdentifyReply(reply, m_info.model()) == IdentifyReplyStatus::ModelConfirmed;
}

bool UpdateThread::eraseDevice(DeviceLink &link, int length)
{
    return sendAndCompare(link, FlashFrames::eraseRequest(static_cast<quint32>(length)), FlashFrames::eraseReply(),
                          m_eraseTimeoutMs);
}

bool UpdateThread::sendPage(DeviceLink &link, const char *data, quint8 pageNumber)
{
    return sendAndCompare(link, FlashFrames::pageRequest(data, pageNumber), FlashFrames::pageReply(pageNumber),
                          m_exchangeTimeoutMs);
}

void UpdateThread::leaveUpdate(DeviceLink &link)
{
    flashLeave(link, m_exchangeTimeoutMs);
}

bool UpdateThread::acknowledged(const QByteArray &reply, const QByteArray &expected)
{
    return isAcknowledged(parseFlashAck(reply, expected));
}

bool UpdateThread::sendAndCompare(DeviceLink &link, const QByteArray &request, const QByteArray &expected,
                                  int timeoutMs)
{
    return flashSendAndCompare(link, request, expected, timeoutMs);
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
