#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>

class ScriptedInstrumentEngine;

// A scripted instrument on loopback UDP or on a pseudo-terminal. It runs on
// a thread of its own, so a test may block in a synchronous exchange while
// it answers. Every request is recorded and answered with the chunks the
// responder (or the next scripted reply) returns; each chunk goes out
// `delayMs` after the one before it, by a timer. UDP replies only ever go
// to loopback senders. All members may be called from any thread.
class ScriptedInstrument : public QObject
{
    Q_OBJECT

public:
    struct Chunk {
        QByteArray bytes;
        int delayMs = 0;       // after the previous chunk (the first: after the request)
        bool foreign = false;  // UDP: sent from another port
        bool hangUp = false;   // pty: close the line instead of sending
    };
    using Reply = QList<Chunk>;
    using Responder = std::function<Reply(const QByteArray &request)>;

    // How a serial byte stream is cut into requests: by the lengths of the
    // instrument's frames (anything else: what arrives until the line is
    // quiet for 30 ms), or always by the quiet gap.
    enum Framing { ByLength, ByQuietGap };

    explicit ScriptedInstrument(QObject *parent = nullptr);
    ~ScriptedInstrument() override;
    ScriptedInstrument(const ScriptedInstrument &) = delete;
    ScriptedInstrument &operator=(const ScriptedInstrument &) = delete;

    // Loopback addresses only.
    bool startUdp(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0);
    bool startPty(Framing framing = ByLength);
    quint16 udpPort() const { return m_port; }
    QString ptyPath() const { return m_ptyPath; }

    void setResponder(Responder responder);
    // Each request takes the next reply; when none is left, silence.
    void setReplies(const QList<Reply> &replies);
    static Reply once(const QByteArray &bytes) { return Reply{Chunk{bytes}}; }
    // Answers every request equal to `request` with `reply`; anything else
    // gets silence.
    void answer(const QByteArray &request, const Reply &reply);
    // The same chunks with their delays counted from the request instead of
    // from each other.
    static Reply atTimes(Reply chunks);

    // Sends bytes to the last requester (unsolicited output).
    void push(const QByteArray &bytes);
    // Closes the pseudo-terminal's both ends, as a pulled cable would.
    void hangUp();
    // Drops the chunks of earlier replies not sent yet.
    void cancelPending();
    // Sends `piece` to the last requester (UDP) or down the line (pty) from
    // a thread of its own, as fast as it is taken, until `count` went out,
    // `maxMs` passed or stopFlood(); after every `burst` pieces (0: never)
    // it pauses for half a millisecond.
    bool startFlood(const QByteArray &piece, int count, int maxMs, int burst = 0);
    void stopFlood();
    bool isFlooding() const { return m_flooding.load(); }
    int floodSent() const { return m_floodSent.load(); }

    QList<QByteArray> requests() const;
    int requestCount() const;
    qint64 bytesSent() const { return m_sent.load(); }

    // Length of the request at the start of a serial byte stream by its
    // frame (0: need more or unknown).
    static int requestLength(const QByteArray &buffer);
    // address, 0x03, count, text, CRC: the instrument's counted reply.
    static QByteArray countedReply(quint8 address, const QByteArray &text);
    // The well-formed reply to a text write: the echoed text, counted.
    static QByteArray textWriteAck(const QByteArray &request);
    // An instrument holding "Item0:0" … "Item<n-1>:<n-1>": its reply to an
    // item read or a text write (empty: not such a request).
    static QByteArray itemAnswer(const QByteArray &request, int itemCount);

signals:
    void requestReceived(const QByteArray &request);

private:
    friend class ScriptedInstrumentEngine;
    template<typename F>
    void onEngine(F f);
    // Engine thread: records the request and returns the chunks to send.
    Reply take(const QByteArray &request);

    QThread m_thread;
    ScriptedInstrumentEngine *m_engine = nullptr;
    quint16 m_port = 0;
    QString m_ptyPath;
    mutable QMutex m_mutex;
    Responder m_responder;
    QList<Reply> m_replies;
    bool m_scripted = false;
    QList<QByteArray> m_requests;
    std::atomic<qint64> m_sent{0};
    std::thread m_flood;
    std::atomic<bool> m_floodStop{false};
    std::atomic<bool> m_flooding{false};
    std::atomic<int> m_floodSent{0};
};
