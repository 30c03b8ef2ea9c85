#include "history/historyrequest.h"

#include "link/framecodec.h"

#include <QCoreApplication>

namespace {

void appendDate(QByteArray &body, const QDate &date)
{
    body.append(static_cast<char>(date.year() % 100));
    body.append(static_cast<char>(date.month()));
    body.append(static_cast<char>(date.day()));
}

} // namespace

QByteArray buildHistoryRequest(const QDate &start, const QDate &end)
{
    QByteArray body;
    body.reserve(15);
    body.append("\x05\x02\x4E\x9F\x00\x07\x91\x00\x04", 9);
    appendDate(body, start);
    appendDate(body, end);
    return buildDelimitedFrame(body);
}

QString historyRangeMessage(const QDate &start, const QDate &end)
{
    if (end < start)
        return QCoreApplication::translate("HistoryData", "起始日期应该小于或等于结束日期");
    return QString();
}
