#include "tools/zrsim/simdevice.h"

namespace {

// The clock write: addr 0F 4D 08 00 03 07 yy mm dd hh mi ss dow CRC.
class SimClock : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("clock"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("clock-reply"),
                          QStringLiteral("Answer a clock write with this text instead of \"OK\"."),
                          QStringLiteral("TEXT")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        if (parser.isSet(QStringLiteral("clock-reply"))) {
            m_reply = parser.value(QStringLiteral("clock-reply")).toLatin1();
            if (m_reply.size() > 255) {
                *error = QStringLiteral("--clock-reply: at most 255 characters");
                return false;
            }
        }
        return true;
    }

    bool handle(SimDevice &device, const QByteArray &r, QList<SimChunk> &reply) override
    {
        static const QByteArray head = QByteArrayLiteral("\x0F\x4D\x08\x00\x03\x07");
        if (r.size() != 16 || r.mid(1, 6) != head)
            return false;
        auto at = [&r](int i) { return static_cast<quint8>(r[i]); };
        m_time = QStringLiteral("%1-%2-%3 %4:%5:%6 %7")
                     .arg(2000 + at(7))
                     .arg(at(8), 2, 10, QLatin1Char('0'))
                     .arg(at(9), 2, 10, QLatin1Char('0'))
                     .arg(at(10), 2, 10, QLatin1Char('0'))
                     .arg(at(11), 2, 10, QLatin1Char('0'))
                     .arg(at(12), 2, 10, QLatin1Char('0'))
                     .arg(at(13));
        device.status(QStringLiteral("CLOCK %1").arg(m_time));
        reply.append({SimDevice::countedReply(device.address(), 0x03, m_reply), 0});
        return true;
    }

private:
    QByteArray m_reply = QByteArrayLiteral("OK");
    QString m_time;
};

} // namespace

SimFeature *createSimClock()
{
    return new SimClock;
}
