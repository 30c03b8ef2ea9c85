#include "items/clocksync.h"

#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

namespace {
ClockSource &clockSource()
{
    static ClockSource source;
    return source;
}
} // namespace

void setClockSource(ClockSource source)
{
    clockSource() = std::move(source);
}

QDateTime currentClockTime()
{
    const ClockSource &source = clockSource();
    return source ? source() : QDateTime::currentDateTime();
}

QByteArray buildClockWriteRequest(quint8 deviceAddress, const QDateTime &localTime)
{
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    QByteArray frame;
    frame.append(char(deviceAddress));
    frame.append("\x0F\x4D\x08\x00\x03\x07", 6);
    frame.append(char(d.year() % 100));
    frame.append(char(d.month()));
    frame.append(char(d.day()));
    frame.append(char(t.hour()));
    frame.append(char(t.minute()));
    frame.append(char(t.second()));
    frame.append(char(d.dayOfWeek()));
    appendCrcLowFirst(frame);
    return frame;
}

QByteArray buildClockWriteRequest(quint8 deviceAddress)
{
    return buildClockWriteRequest(deviceAddress, currentClockTime());
}

bool isClockOkReply(const QByteArray &reply, quint8 deviceAddress)
{
    return reply.size() == 7 && quint8(reply.at(0)) == deviceAddress
        && reply.mid(1, 4) == QByteArray("\x03\x02\x4F\x4B", 4);
}

ClockSyncOutcome syncClockExchange(DeviceLink &link, int timeoutMs)
{
    ClockSyncOutcome out;
    out.request = buildClockWriteRequest(link.deviceAddress);
    const int result = link.transact(out.request, out.reply, false, timeoutMs);
    out.detail = linkErrorText(result, out.reply);
    out.failure = Failure::fromLinkResult(result, out.reply);
    if (!out.detail.isEmpty()) {
        out.status = ClockSyncOutcome::LinkFailed;
    } else if (isClockOkReply(out.reply, link.deviceAddress)) {
        out.status = ClockSyncOutcome::Synced;
        out.failure = Failure::None;
    } else {
        out.status = ClockSyncOutcome::BadReply;
        out.failure = Failure::BadReply;
    }
    return out;
}

ClockSyncOutcome syncClock(DeviceLink &link, int timeoutMs)
{
    if (!link.open()) {
        ClockSyncOutcome out;
        out.status = ClockSyncOutcome::LinkFailed;
        out.failure = Failure::OpenFailed;
        out.detail = link.errorText;
        return out;
    }
    const ClockSyncOutcome out = syncClockExchange(link, timeoutMs);
    link.close();
    return out;
}

QString clockSyncMessage(const ClockSyncOutcome &outcome)
{
    switch (outcome.status) {
    case ClockSyncOutcome::Synced:
        return QCoreApplication::translate("MainWindow", "同步时间成功");
    case ClockSyncOutcome::LinkFailed:
        return outcome.detail;
    case ClockSyncOutcome::BadReply:
        return QCoreApplication::translate("MainWindow", "同步时间失败");
    }
    return QString();
}

Failure::Code clockSyncError(const ClockSyncOutcome &outcome)
{
    return outcome.failure;
}
