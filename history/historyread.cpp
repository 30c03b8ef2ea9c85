#include "history/historyread.h"
#include "history/historytable.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

#include <algorithm>

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
    m_sawLine = false;
    m_strayLines = 0;
    m_recordShapes.clear();
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
    const QString text = decodeDeviceText(line);
    checkShape(text);
    if (m_hooks.line)
        m_hooks.line(text);
}

void HistoryAnswerReceiver::checkShape(const QString &line)
{
    // The answer carries no count and no sequence: a lost datagram shows
    // only where the line it cut is joined to the rest of another one.
    if (line.trimmed().isEmpty())
        return;
    const bool first = !m_sawLine;
    m_sawLine = true;
    HistoryRecord record;
    if (!parseHistoryRecord(line, &record)) {
        // One header may lead the records; nothing else comes between them.
        if (!first)
            ++m_strayLines;
        return;
    }
    // Counted against the usual shape at the end: the first record may be
    // the cut one.
    ++m_recordShapes[record.fields.size()];
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
    qint64 records = 0, usual = 0;
    for (auto it = m_recordShapes.cbegin(); it != m_recordShapes.cend(); ++it) {
        records += it.value();
        usual = std::max(usual, it.value());
    }
    // Without a single record the answer is no record data to judge.
    m_outcome.brokenLines = records > 0 ? m_strayLines + records - usual : 0;
    if (!m_failed && m_stopped) {
        m_outcome.status = HistoryReadOutcome::Failed;
        m_outcome.failure = Failure::Interrupted;
    } else if (!m_failed && m_outcome.brokenLines > 0) {
        m_outcome.status = HistoryReadOutcome::LinesBroken;
        m_outcome.failure = Failure::BadReply;
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
    case HistoryReadOutcome::LinesBroken:
        return QCoreApplication::translate("ReadThread", "%1行历史数据不完整，传输中丢失了数据")
            .arg(outcome.brokenLines);
    }
    return QString();
}

Failure::Code historyReadError(const HistoryReadOutcome &outcome)
{
    return outcome.failure;
}
