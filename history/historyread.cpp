#include "history/historyread.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

HistoryAnswerReceiver::HistoryAnswerReceiver(HistoryReadHooks hooks, int maxLines)
    : m_hooks(std::move(hooks))
{
    reset(maxLines);
}

void HistoryAnswerReceiver::reset(int maxLines)
{
    m_lines.clear();
    m_outcome = HistoryReadOutcome();
    // A read is whole until something fails it.
    m_outcome.status = HistoryReadOutcome::Complete;
    m_outcome.failure = Failure::None;
    m_outcome.maxLines = maxLines;
    m_failed = false;
    m_capped = false;
    m_stopped = false;
}

bool HistoryAnswerReceiver::isStopped()
{
    if (m_capped)
        return true;
    if (m_hooks.stopRequested && m_hooks.stopRequested()) {
        m_stopped = true;
        return true;
    }
    return false;
}

void HistoryAnswerReceiver::onError(const QString &error)
{
    if (!error.isEmpty())
        fail(HistoryReadOutcome::Failed, Failure::NoReply, error);
}

void HistoryAnswerReceiver::onData(const QByteArray &data)
{
    if (m_capped)
        return;
    const QList<QByteArray> lines = m_lines.feed(data);
    for (const QByteArray &line : lines)
        flush(line);
}

void HistoryAnswerReceiver::flush(const QByteArray &line)
{
    if (line.isEmpty() || m_capped)
        return;
    if (m_outcome.lines >= m_outcome.maxLines) {
        m_capped = true;
        fail(HistoryReadOutcome::LineCap, Failure::TooManyLines, QString());
        return;
    }
    ++m_outcome.lines;
    if (m_hooks.line)
        m_hooks.line(decodeDeviceText(line));
}

void HistoryAnswerReceiver::fail(HistoryReadOutcome::Status status, Failure::Code failure, const QString &detail)
{
    // A hang-up also ends the wait for the first bytes, which reports itself.
    if (m_failed)
        return;
    m_failed = true;
    m_outcome.status = status;
    m_outcome.failure = failure;
    m_outcome.detail = detail;
}

HistoryReadOutcome HistoryAnswerReceiver::finish()
{
    flush(m_lines.takeRest());
    if (!m_failed && m_stopped) {
        m_outcome.status = HistoryReadOutcome::Failed;
        m_outcome.failure = Failure::Interrupted;
    }
    return m_outcome;
}

HistoryReadOutcome readHistory(DeviceLink &link, const QByteArray &request, HistoryAnswerReceiver &receiver,
                               int maxLines)
{
    receiver.reset(maxLines);
    if (!link.open()) {
        receiver.fail(HistoryReadOutcome::Failed, Failure::OpenFailed, link.errorText);
        return receiver.finish();
    }
    if (receiver.hooks().opened)
        receiver.hooks().opened();
    link.transactStream(request, &receiver);
    // A line that hung up mid-answer looks like the answer's closing
    // silence; what came is not the whole answer.
    if (!link.useUdp && link.transportFailed())
        receiver.fail(HistoryReadOutcome::Failed, Failure::LineLost, QString());
    return receiver.finish();
}

HistoryReadOutcome readHistory(DeviceLink &link, const QByteArray &request, const HistoryReadHooks &hooks,
                               int maxLines)
{
    HistoryAnswerReceiver receiver(hooks, maxLines);
    return readHistory(link, request, receiver, maxLines);
}

QString historyReadTitle()
{
    return QCoreApplication::translate("ReadThread", "查询");
}

QString historyReadMessage(const HistoryReadOutcome &outcome)
{
    switch (outcome.status) {
    case HistoryReadOutcome::Complete:
        return QString();
    case HistoryReadOutcome::Failed:
        if (outcome.failure == Failure::Interrupted)
            return QString();
        if (outcome.failure == Failure::LineLost)
            return QCoreApplication::translate("ReadThread", "串口读取失败");
        return outcome.detail;
    case HistoryReadOutcome::LineCap:
        return QCoreApplication::translate("ReadThread", "历史数据超过%1行，已停止读取").arg(outcome.maxLines);
    }
    return QString();
}

Failure::Code historyReadError(const HistoryReadOutcome &outcome)
{
    return outcome.failure;
}
