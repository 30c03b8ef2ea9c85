// History records: answers the date-range query with a text stream, cut
// into chunks that do not respect line boundaries.

#include "tools/zrsim/simfeature.h"

#include "link/framecodec.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVector>

#include <cmath>

namespace {

const QByteArray kHistoryPrefix("\x7E\x05\x02\x4E\x9F", 5);
constexpr int kHistoryRequestLength = 19;

class SimHistory : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("history"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("history-interval"),
                          QStringLiteral("Minutes between history records (default 10)."),
                          QStringLiteral("MINUTES"), QStringLiteral("10")});
        parser.addOption({QStringLiteral("history-chunk"),
                          QStringLiteral("Bytes per history answer chunk (default 700)."),
                          QStringLiteral("BYTES"), QStringLiteral("700")});
        parser.addOption({QStringLiteral("history-gap"),
                          QStringLiteral("Milliseconds between history answer chunks (default 1)."),
                          QStringLiteral("MS"), QStringLiteral("1")});
        parser.addOption({QStringLiteral("history-columns"),
                          QStringLiteral("Value columns per history record (default 2; more are one-digit counters)."),
                          QStringLiteral("N"), QStringLiteral("2")});
        parser.addOption({QStringLiteral("history-drop"),
                          QStringLiteral("Leave out the Nth chunk (1 = the first) of every history answer, as a "
                                         "datagram lost on the way (default 0: none)."),
                          QStringLiteral("N"), QStringLiteral("0")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        bool ok1 = false, ok2 = false, ok3 = false, ok4 = false, ok5 = false;
        m_dropChunk = parser.value(QStringLiteral("history-drop")).toInt(&ok5);
        m_columns = parser.value(QStringLiteral("history-columns")).toInt(&ok4);
        m_intervalMinutes = parser.value(QStringLiteral("history-interval")).toInt(&ok1);
        m_chunkBytes = parser.value(QStringLiteral("history-chunk")).toInt(&ok2);
        m_gapMs = parser.value(QStringLiteral("history-gap")).toInt(&ok3);
        if (!ok1 || m_intervalMinutes < 1 || m_intervalMinutes > 1440 || !ok2 || m_chunkBytes < 1 || !ok3
            || m_gapMs < 0 || !ok4 || m_columns < 2 || m_columns > 100000 || !ok5 || m_dropChunk < 0) {
            if (error)
                *error = QStringLiteral("bad --history-interval, --history-chunk, --history-gap, --history-columns "
                                        "or --history-drop");
            return false;
        }
        return true;
    }

    int requestLength(const QByteArray &buffer) const override
    {
        const int n = std::min(buffer.size(), kHistoryPrefix.size());
        if (buffer.left(n) != kHistoryPrefix.left(n))
            return -1;
        return buffer.size() >= kHistoryRequestLength ? kHistoryRequestLength : 0;
    }

    bool handle(SimDevice &device, const QByteArray &request, QList<SimChunk> &reply) override
    {
        Q_UNUSED(device)
        if (request.size() != kHistoryRequestLength || !request.startsWith(kHistoryPrefix)
            || static_cast<quint8>(request.at(18)) != 0x7F)
            return false;
        // The CRC sits high byte first before the closing 0x7F.
        if (!checkFrameCrc(request.constData(), 18, true))
            return true; // a corrupt query gets no answer, like the instrument
        const QDate start = dateAt(request, 10);
        const QDate end = dateAt(request, 13);
        const QByteArray text = records(start, end);
        for (int at = 0, n = 1; at < text.size(); at += m_chunkBytes, ++n) {
            if (n != m_dropChunk)
                reply.append(SimChunk{text.mid(at, m_chunkBytes), at == 0 ? 0 : m_gapMs});
        }
        return true;
    }

private:
    static QDate dateAt(const QByteArray &request, int offset)
    {
        return QDate(2000 + static_cast<quint8>(request.at(offset)), static_cast<quint8>(request.at(offset + 1)),
                     static_cast<quint8>(request.at(offset + 2)));
    }

    QByteArray records(const QDate &start, const QDate &end) const
    {
        QByteArray text = encodeDeviceText(QStringLiteral("时间,温度(℃),湿度(%)"));
        for (int c = 3; c <= m_columns; ++c)
            text += ",c" + QByteArray::number(c);
        text += "\r\n";
        if (!start.isValid() || !end.isValid() || end < start)
            return text;
        // The extra columns repeat every ten minutes: made once, not per record.
        QVector<QByteArray> extraColumns(10);
        for (int m = 0; m < 10; ++m) {
            for (int c = 3; c <= m_columns; ++c) {
                extraColumns[m] += ',';
                extraColumns[m] += static_cast<char>('0' + (m + c) % 10);
            }
        }
        for (QDate day = start; day <= end; day = day.addDays(1)) {
            const QByteArray date = day.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
            for (int minute = 0; minute < 24 * 60; minute += m_intervalMinutes) {
                const QTime time(minute / 60, minute % 60);
                // A daily swing plus a little noise; the values depend only
                // on the moment, so every run gives the same text.
                const double phase = (minute - 4 * 60) * 2.0 * M_PI / (24 * 60);
                const int noise = static_cast<int>((day.toJulianDay() * 7919 + minute * 104729) % 11) - 5;
                const double temperature = 18.0 + 6.0 * std::sin(phase) + noise / 10.0;
                const int humidity = 60 - static_cast<int>(std::lround(15.0 * std::sin(phase))) + noise;
                text += date + ' ' + time.toString(QStringLiteral("hh:mm:ss")).toLatin1() + ", "
                        + QByteArray::number(temperature, 'f', 1) + ", " + QByteArray::number(humidity);
                text += extraColumns.at(minute % 10);
                text += "\r\n";
            }
        }
        return text;
    }

    int m_intervalMinutes = 10;
    int m_chunkBytes = 700;
    int m_gapMs = 1;
    int m_columns = 2;
    int m_dropChunk = 0;
};

} // namespace

SimFeature *createSimHistory()
{
    return new SimHistory;
}
