#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QUdpSocket>

#include <atomic>
#include <functional>
#include <thread>
#include <memory>

// A scripted instrument on loopback UDP or on a pseudo-terminal, driven by
// the test's event loop: it records every request and answers with the
// pieces the test's responder returns, each after its delay.
class FakeInstrument : public QObject
{
    Q_OBJECT

public:
    struct Piece {
        QByteArray bytes;
        int delayMs = 0;
    };
    using Responder = std::function<QList<Piece>(const QByteArray &request)>;

    explicit FakeInstrument(QObject *parent = nullptr);
    ~FakeInstrument() override;

    bool startUdp();
    bool startPty();
    quint16 udpPort() const;
    QString ptyPath() const { return m_ptyPath; }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Sends bytes to the last requester (unsolicited output).
    void push(const QByteArray &bytes);
    // Closes the pseudo-terminal's both ends, as a pulled cable would.
    void hangUp();
    // Drops the pieces of earlier answers not sent yet.
    void cancelPending();
    // UDP only: sends `datagram` to the last requester from a thread of its
    // own, as fast as the socket takes it, until `count` went out, `maxMs`
    // passed or stopFlood(). Loopback peers only.
    bool startFlood(const QByteArray &datagram, int count, int maxMs);
    void stopFlood();
    int floodSent() const { return m_floodSent; }

    QList<QByteArray> requests() const { return m_requests; }
    // Serial only: bytes that did not (yet) form a request.
    QByteArray pendingInput() const { return m_input; }

    // Length of the request at the start of a serial byte stream, 0 for
    // "need more".
    static int requestLength(const QByteArray &buffer);
    // The well-formed reply the instrument gives to a text write: the
    // echoed text in a counted reply.
    static QByteArray textWriteAck(const QByteArray &request);

signals:
    void requestReceived(const QByteArray &request);

private:
    void onDatagrams();
    void onPtyReadable();
    void handle(const QByteArray &request);
    void send(const QByteArray &bytes);

    std::unique_ptr<QUdpSocket> m_udp;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    int m_master = -1;
    int m_slaveKeep = -1;
    QString m_ptyPath;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_input;
    QList<QByteArray> m_requests;
    Responder m_responder;
    QObject *m_timerContext = nullptr;
    std::thread m_flood;
    std::atomic_bool m_floodStop{false};
    std::atomic_int m_floodSent{0};
};
