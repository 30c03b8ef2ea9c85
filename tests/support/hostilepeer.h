#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

// An instrument we do not control, on its own thread: a UDP socket on
// 127.0.0.1 or the master side of a pseudo-terminal. It serves the item
// list "Item0:0", "Item1:1", … (itemCount items, then the empty item) and
// echoes text writes as "Item<n>:<value>", misbehaving in one way:
//  - Flood: from the first request on, sends pieces that start with the
//    device address and never complete a frame, until stopped or floodMs;
//  - Duplicate: sends every reply twice, back to back (duplicateGapUs
//    apart);
//  - ForeignFirst: UDP only; a datagram from a second port foreignLeadMs
//    before every reply;
//  - Trickle: every reply one byte per trickleMs;
//  - HangUp: Pty only; answers hangUpAfter requests, then closes the line
//    on the next one.
// Every loop that sends is bounded in time and count.
class HostilePeer
{
public:
    enum Kind { Udp, Pty };
    enum Mode { Normal, Flood, Duplicate, ForeignFirst, Trickle, HangUp };

    HostilePeer(Kind kind, Mode mode);
    ~HostilePeer();
    HostilePeer(const HostilePeer &) = delete;
    HostilePeer &operator=(const HostilePeer &) = delete;

    // Settings; only before start().
    int itemCount = 5;
    int floodPieceBytes = 1400;
    int floodMs = 20000;
    int trickleMs = 100;
    int foreignLeadMs = 50;
    int hangUpAfter = 2;
    int duplicateGapUs = 0;

    bool start();
    void stop();
    quint16 port() const { return m_port; }
    QString slavePath() const { return m_slavePath; }
    int requestCount() const { return m_requests.load(); }
    qint64 bytesSent() const { return m_sent.load(); }

    // The reply the instrument gives to `request` (empty: none).
    QByteArray answer(const QByteArray &request) const;

private:
    void run();
    void reply(const QByteArray &bytes);
    void flood(quint8 address);
    bool sendBytes(int fd, const QByteArray &bytes);

    Kind m_kind;
    Mode m_mode;
    int m_fd = -1;
    int m_foreignFd = -1;
    int m_slaveFd = -1;
    quint16 m_port = 0;
    QString m_slavePath;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::atomic<qint64> m_sent{0};
    std::thread m_thread;
    QByteArray m_input; // pty bytes not yet taken as a request
    quint32 m_clientAddr = 0; // network byte order
    quint16 m_clientPort = 0;
};
