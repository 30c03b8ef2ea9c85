#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

// A stand-in instrument on a loopback address: answers each discovery
// datagram with the configured answers, each after its delay from the probe.
// It only ever replies to loopback senders.
class LoopbackResponder : public QObject
{
public:
    struct Answer {
        QByteArray bytes;
        int delayMs = 0;
    };

    explicit LoopbackResponder(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] { readProbes(); });
    }

    bool bind(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0)
    {
        if (!address.isLoopback())
            return false;
        return m_socket.bind(address, port);
    }
    quint16 port() const { return m_socket.localPort(); }
    QHostAddress address() const { return m_socket.localAddress(); }

    void setAnswers(const QList<Answer> &answers) { m_answers = answers; }
    void setAnswer(const QByteArray &bytes) { m_answers = {{bytes, 0}}; }

    QList<QByteArray> received() const { return m_received; }
    int probeCount() const { return m_received.count(QByteArray(4, '\x01')); }

private:
    void readProbes()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = m_socket.receiveDatagram();
            m_received << d.data();
            if (d.data() != QByteArray(4, '\x01') || !d.senderAddress().isLoopback())
                continue;
            const QHostAddress to = d.senderAddress();
            const quint16 toPort = static_cast<quint16>(d.senderPort());
            for (const Answer &a : qAsConst(m_answers)) {
                const QByteArray bytes = a.bytes;
                QTimer::singleShot(a.delayMs, this, [this, bytes, to, toPort] {
                    m_socket.writeDatagram(bytes, to, toPort);
                });
            }
        }
    }

    QUdpSocket m_socket;
    QList<Answer> m_answers;
    QList<QByteArray> m_received;
};
