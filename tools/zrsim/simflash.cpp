// Flash programming commands of the simulated instrument: identify, erase,
// pages and leave. It reassembles the image it receives so tests can compare
// it with the package they flashed.
#include "tools/zrsim/simdevice.h"
#include "tools/zrsim/simfeature.h"

#include "link/framecodec.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

quint16 be16(const QByteArray &b, int at)
{
    return static_cast<quint16>((static_cast<quint8>(b.at(at)) << 8) | static_cast<quint8>(b.at(at + 1)));
}

// 7E 02 05 01 01, payload length, tag 01, text length, text, CRC, 7F.
QByteArray textReply(const QByteArray &text)
{
    QByteArray body;
    body.append("\x02\x05\x01\x01", 4);
    const int n = text.size();
    body.append(static_cast<char>(((n + 3) >> 8) & 0xFF));
    body.append(static_cast<char>((n + 3) & 0xFF));
    body.append('\x01');
    body.append(static_cast<char>((n >> 8) & 0xFF));
    body.append(static_cast<char>(n & 0xFF));
    body.append(text);
    return buildDelimitedFrame(body);
}

class SimFlash : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("flash"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("model"), QStringLiteral("Model the instrument reports when identified."),
                          QStringLiteral("TEXT"), QStringLiteral("ZR-SIM")});
        parser.addOption({QStringLiteral("flash-out"),
                          QStringLiteral("Write the image received when the update is left."),
                          QStringLiteral("FILE")});
        parser.addOption({QStringLiteral("flash-ignore-identify"),
                          QStringLiteral("Leave the first N identify requests unanswered."), QStringLiteral("N")});
        parser.addOption({QStringLiteral("flash-drop-page"),
                          QStringLiteral("Store but do not acknowledge the page of ordinal K (0-based)."),
                          QStringLiteral("K")});
        parser.addOption({QStringLiteral("flash-silent-leave"),
                          QStringLiteral("Do not answer leave requests (like an instrument that restarts).")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        m_model = parser.value(QStringLiteral("model"));
        m_outFile = parser.value(QStringLiteral("flash-out"));
        m_silentLeave = parser.isSet(QStringLiteral("flash-silent-leave"));
        bool ok = true;
        if (parser.isSet(QStringLiteral("flash-ignore-identify")))
            m_ignoreIdentify = parser.value(QStringLiteral("flash-ignore-identify")).toInt(&ok);
        if (ok && parser.isSet(QStringLiteral("flash-drop-page")))
            m_dropPage = parser.value(QStringLiteral("flash-drop-page")).toInt(&ok);
        if (!ok && error)
            *error = QStringLiteral("flash options need numbers");
        return ok;
    }

    int requestLength(const QByteArray &buffer) const override
    {
        static const char head[] = {0x7E, 0x05, 0x02};
        for (int i = 0; i < 3 && i < buffer.size(); ++i) {
            if (buffer.at(i) != head[i])
                return -1;
        }
        if (buffer.size() < 7)
            return 0;
        const int total = 10 + be16(buffer, 5);
        return total <= buffer.size() ? total : 0;
    }

    bool handle(SimDevice &device, const QByteArray &request, QList<SimChunk> &reply) override
    {
        if (request.size() < 10 || request.at(0) != 0x7E || request.at(1) != 0x05 || request.at(2) != 0x02)
            return false;
        const int n = be16(request, 5);
        if (request.size() != 10 + n || static_cast<quint8>(request.back()) != 0x7F
            || !checkFrameCrc(request.constData(), request.size() - 1, true)) {
            say(device, "FLASH BADFRAME");
            return true;
        }
        const quint16 command = be16(request, 3);
        switch (command) {
        case 0x293F:
            return identify(device, reply);
        case 0x2FAC:
            return erase(device, request, reply);
        case 0x2C01:
            return page(device, request, reply);
        case 0x2A79:
            return leave(device, reply);
        default:
            return false;
        }
    }

private:
    static void say(SimDevice &device, const QByteArray &line) { device.status(QString::fromLatin1(line)); }

    bool identify(SimDevice &device, QList<SimChunk> &reply)
    {
        ++m_identifies;
        say(device, "FLASH IDENTIFY " + QByteArray::number(m_identifies));
        if (m_identifies <= m_ignoreIdentify)
            return true;
        reply.append({textReply("!Find " + encodeDeviceText(m_model) + " OK\r\n"), 0});
        return true;
    }

    bool erase(SimDevice &device, const QByteArray &request, QList<SimChunk> &reply)
    {
        if (be16(request, 5) != 7 || request.at(7) != char(0x91) || be16(request, 8) != 4) {
            say(device, "FLASH BADFRAME");
            return true;
        }
        m_length = 0;
        for (int i = 0; i < 4; ++i)
            m_length |= static_cast<quint32>(static_cast<quint8>(request.at(10 + i))) << (8 * i);
        m_received.clear();
        m_pages = 0;
        m_misnumbered = 0;
        m_erased = true;
        say(device, "FLASH ERASE " + QByteArray::number(m_length));
        static const char erased[] = "\x02\x05\x01\x01\x00\x13\x01\x00\x10"
                                     "Erase OK\r\n\x00\x00\x00\xC1\x81\x40";
        reply.append({buildDelimitedFrame(QByteArray(erased, sizeof erased - 1)), 0});
        return true;
    }

    bool page(SimDevice &device, const QByteArray &request, QList<SimChunk> &reply)
    {
        if (be16(request, 5) != 0x0404 || request.at(7) != char(0x91) || be16(request, 8) != 0x0401) {
            say(device, "FLASH BADFRAME");
            return true;
        }
        const int ordinal = m_pages++;
        const quint8 number = static_cast<quint8>(request.at(10));
        if (number != static_cast<quint8>(ordinal & 0xFF))
            ++m_misnumbered;
        say(device, "FLASH PAGE " + QByteArray::number(ordinal) + " " + QByteArray::number(number));
        m_received.append(request.mid(11, 1024));
        if (ordinal == m_dropPage) {
            say(device, "FLASH DROPPED " + QByteArray::number(ordinal));
            return true;
        }
        reply.append({textReply(encodeDeviceText(QStringLiteral("Page[%1] OK\r\n").arg(number))), 0});
        return true;
    }

    bool leave(SimDevice &device, QList<SimChunk> &reply)
    {
        ++m_leaves;
        say(device, "FLASH LEAVE " + QByteArray::number(m_leaves));
        if (m_erased) {
            const QByteArray image = m_received.left(static_cast<int>(m_length));
            const QByteArray md5 = QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex();
            say(device, "FLASH IMAGE " + QByteArray::number(image.size()) + " " + md5 + " PAGES "
                + QByteArray::number(m_pages) + " MISNUMBERED " + QByteArray::number(m_misnumbered));
            if (!m_outFile.isEmpty()) {
                QFile out(m_outFile);
                if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    out.write(image);
            }
            m_erased = false;
            if (static_cast<quint32>(image.size()) == m_length)
                device.announce(QStringLiteral("flashed"));
        }
        if (!m_silentLeave)
            reply.append({textReply("Leave OK\r\n"), 0});
        return true;
    }

    QString m_model;
    QString m_outFile;
    bool m_silentLeave = false;
    int m_ignoreIdentify = 0;
    int m_dropPage = -1;
    int m_identifies = 0;
    int m_leaves = 0;
    quint32 m_length = 0;
    bool m_erased = false;
    int m_pages = 0;
    int m_misnumbered = 0;
    QByteArray m_received;
};

} // namespace

SimFeature *createSimFlash()
{
    return new SimFlash;
}
