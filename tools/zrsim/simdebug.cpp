#include "link/framecodec.h"
#include "tools/zrsim/simdevice.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

constexpr int kMaxRate = 1000;
// Debug output switches itself off after this long, so a forgotten
// simulator never talks forever.
constexpr qint64 kMaxDebugMs = 10 * 60 * 1000;

// Item 255 switches the debug output: "1" on, "0" off. While on, text
// lines go to whoever switched it on.
class SimDebug : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("debug"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("debug-rate"),
                          QStringLiteral("Debug lines per second while debug output is on (1-1000, default 5)."),
                          QStringLiteral("N"), QStringLiteral("5")});
        parser.addOption({QStringLiteral("debug-split"),
                          QStringLiteral("Over UDP, send every third debug line in two datagrams.")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        bool ok = false;
        const int rate = parser.value(QStringLiteral("debug-rate")).toInt(&ok);
        if (!ok || rate < 1 || rate > kMaxRate) {
            *error = QStringLiteral("--debug-rate needs a number from 1 to %1").arg(kMaxRate);
            return false;
        }
        m_timer.setInterval(1000 / rate);
        m_split = parser.isSet(QStringLiteral("debug-split"));
        return true;
    }

    bool start(SimDevice &device, QString *error) override
    {
        Q_UNUSED(error)
        m_device = &device;
        QObject::connect(&m_timer, &QTimer::timeout, &device, [this] { emitLine(); });
        return true;
    }

    bool handle(SimDevice &device, const QByteArray &r, QList<SimChunk> &reply) override
    {
        if (r.size() < 10 || static_cast<quint8>(r[1]) != 0x0F || static_cast<quint8>(r[2]) != 0x4B
            || static_cast<quint8>(r[3]) != 0xFF)
            return false;
        const int n = static_cast<quint8>(r[6]);
        if (n < 1 || r.size() != n + 9)
            return false;
        const QString value = decodeDeviceText(r.constData() + 7, n - 1);
        if (value == QLatin1String("1")) {
            if (m_target.kind != device.currentOrigin().kind)
                flushRest();
            m_target = device.currentOrigin();
            if (!m_timer.isActive()) {
                m_sent = 0;
                m_on.start();
                m_timer.start();
            }
            device.status(QStringLiteral("DEBUG 1"));
        } else if (value == QLatin1String("0")) {
            // Sent now, the rest of a split line would land in front of the
            // reply; switching off cuts the line instead.
            m_rest.clear();
            m_timer.stop();
            device.status(QStringLiteral("DEBUG 0"));
        }
        const QByteArray state = m_timer.isActive() ? QByteArrayLiteral("debug:1") : QByteArrayLiteral("debug:0");
        reply.append({SimDevice::countedReply(device.address(), 0x03, state), 0});
        return true;
    }

private:
    QByteArray nextLine()
    {
        const int k = m_sent++;
        switch (k % 5) {
        case 0:
            return QStringLiteral("#%1 ch1=%2 mA\r\n").arg(k).arg(4.0 + (k % 160) / 10.0, 0, 'f', 2).toLatin1();
        case 1:
            return encodeDeviceText(QStringLiteral("#%1 温度: %2 ℃\r\n").arg(k).arg(20 + k % 7));
        case 2:
            return encodeDeviceText(QStringLiteral("#%1 压力正常, 报警未触发\r\n").arg(k));
        case 3:
            return QStringLiteral("#%1 state=OK\r\n").arg(k).toLatin1();
        default: {
            // An occasional long line (several hundred bytes).
            QByteArray line = QStringLiteral("#%1 dump:").arg(k).toLatin1();
            for (int i = 0; i < 64; ++i)
                line += QByteArray::number((k * 31 + i) % 1000).rightJustified(4, ' ') + ' ';
            return line + "\r\n";
        }
        }
    }

    void emitLine()
    {
        // A pending "0" must win over the line that would otherwise land
        // between the request and its reply.
        m_device->serviceInput();
        if (!m_timer.isActive())
            return;
        if (!m_target.isValid() || m_on.elapsed() > kMaxDebugMs) {
            flushRest();
            m_timer.stop();
            return;
        }
        const QByteArray line = nextLine();
        flushRest();
        if (m_split && m_target.kind == SimOrigin::Udp && m_sent % 3 == 0 && line.size() > 2) {
            // The rest goes out at the next tick, ahead of the next line.
            const int cut = line.size() / 2;
            m_device->sendUnsolicited(m_target, line.left(cut));
            m_rest = line.mid(cut);
            return;
        }
        m_device->sendUnsolicited(m_target, line);
    }

    void flushRest()
    {
        if (!m_rest.isEmpty() && m_target.isValid())
            m_device->sendUnsolicited(m_target, m_rest);
        m_rest.clear();
    }

    SimDevice *m_device = nullptr;
    QTimer m_timer;
    QElapsedTimer m_on;
    SimOrigin m_target;
    QByteArray m_rest;
    bool m_split = false;
    int m_sent = 0;
};

} // namespace

SimFeature *createSimDebug()
{
    return new SimDebug;
}
