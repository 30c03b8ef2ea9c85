#include "link/framecodec.h"
#include "tools/zrsim/simdevice.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

namespace {

// Answers the device search (the four bytes 01 01 01 01) with the
// instrument's name, on a loopback socket of its own in place of the
// broadcast port 1500. Other datagrams on that socket are ignored.
class SimDiscovery : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("discovery"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("discovery"),
                          QStringLiteral("Answer the device search on 127.0.0.1:PORT (0: a free port, printed as "
                                         "\"ZRSIM DISCOVERY <port>\")."),
                          QStringLiteral("PORT")});
        parser.addOption({QStringLiteral("discovery-name"),
                          QStringLiteral("Name the search is answered with, sent as given (GB2312), blanks included "
                                         "(default ZR-SIM; empty: an empty answer)."),
                          QStringLiteral("TEXT"), QStringLiteral("ZR-SIM")});
        parser.addOption({QStringLiteral("discovery-twice"), QStringLiteral("Answer every search twice.")});
        parser.addOption({QStringLiteral("discovery-delay"),
                          QStringLiteral("Answer this many milliseconds after the search (default 0)."),
                          QStringLiteral("MS"), QStringLiteral("0")});
        parser.addOption({QStringLiteral("discovery-from-link"),
                          QStringLiteral("Send the answers from the link's UDP socket (needs --udp), so the "
                                         "endpoint the search finds is the one the link talks to.")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        if (!parser.isSet(QStringLiteral("discovery")))
            return true;
        bool ok = false;
        const uint port = parser.value(QStringLiteral("discovery")).toUInt(&ok);
        if (!ok || port > 65535) {
            *error = QStringLiteral("--discovery needs a port number from 0 to 65535");
            return false;
        }
        const int delay = parser.value(QStringLiteral("discovery-delay")).toInt(&ok);
        if (!ok || delay < 0 || delay > 60000) {
            *error = QStringLiteral("--discovery-delay needs 0 to 60000 ms");
            return false;
        }
        m_enabled = true;
        m_port = static_cast<quint16>(port);
        m_delayMs = delay;
        m_answer = encodeDeviceText(parser.value(QStringLiteral("discovery-name")));
        m_twice = parser.isSet(QStringLiteral("discovery-twice"));
        m_fromLink = parser.isSet(QStringLiteral("discovery-from-link"));
        if (m_fromLink && !parser.isSet(QStringLiteral("udp"))) {
            *error = QStringLiteral("--discovery-from-link needs --udp");
            return false;
        }
        return true;
    }

    bool start(SimDevice &device, QString *error) override
    {
        if (!m_enabled)
            return true;
        m_device = &device;
        m_socket = std::make_unique<QUdpSocket>();
        if (!m_socket->bind(QHostAddress(QHostAddress::LocalHost), m_port)) {
            *error = QStringLiteral("--discovery: cannot bind 127.0.0.1:%1: %2").arg(m_port).arg(m_socket->errorString());
            return false;
        }
        QObject::connect(m_socket.get(), &QUdpSocket::readyRead, &device, [this] { onReadyRead(); });
        device.status(QStringLiteral("DISCOVERY %1").arg(m_socket->localPort()));
        return true;
    }

    bool handle(SimDevice &, const QByteArray &, QList<SimChunk> &) override { return false; }

private:
    void onReadyRead()
    {
        while (m_socket->hasPendingDatagrams()) {
            const QNetworkDatagram d = m_socket->receiveDatagram();
            m_device->log(QStringLiteral("DISCOVERY IN %1:%2: %3")
                              .arg(d.senderAddress().toString())
                              .arg(d.senderPort())
                              .arg(hexDump(d.data())));
            // Only a search from loopback is answered; nothing else ever leaves.
            if (d.data() != QByteArray(4, '\x01') || !d.senderAddress().isLoopback())
                continue;
            const QHostAddress to = d.senderAddress();
            const quint16 toPort = static_cast<quint16>(d.senderPort());
            const int answers = m_twice ? 2 : 1;
            for (int i = 0; i < answers; ++i)
                QTimer::singleShot(m_delayMs, m_device, [this, to, toPort] { answer(to, toPort); });
        }
    }

    void answer(const QHostAddress &to, quint16 toPort)
    {
        if (m_fromLink) {
            SimOrigin origin;
            origin.kind = SimOrigin::Udp;
            origin.address = to;
            origin.port = toPort;
            m_device->sendUnsolicited(origin, m_answer);
            return;
        }
        m_device->log(QStringLiteral("DISCOVERY OUT %1:%2: %3").arg(to.toString()).arg(toPort).arg(hexDump(m_answer)));
        m_socket->writeDatagram(m_answer, to, toPort);
    }

    bool m_enabled = false;
    quint16 m_port = 0;
    int m_delayMs = 0;
    bool m_twice = false;
    bool m_fromLink = false;
    QByteArray m_answer;
    SimDevice *m_device = nullptr;
    std::unique_ptr<QUdpSocket> m_socket;
};

} // namespace

SimFeature *createSimDiscovery()
{
    return new SimDiscovery;
}
