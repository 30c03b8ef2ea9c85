#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <thread>

// A scripted instrument on its own thread: a UDP socket on 127.0.0.1 or the
// master side of a pseudo-terminal. Each request it receives is answered
// with the next scripted reply (a list of timed chunks), then silence.
class ScriptedPeer
{
public:
    enum Kind { Udp, Pty };

    struct Chunk {
        int delayMs = 0;
        QByteArray bytes;
        bool foreign = false; // UDP: sent from another port
    };
    using Reply = QList<Chunk>;

    explicit ScriptedPeer(Kind kind);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer &) = delete;
    ScriptedPeer &operator=(const ScriptedPeer &) = delete;

    bool start();
    quint16 port() const { return m_port; }
    QString slavePath() const { return m_slavePath; }

    void setReplies(const QList<Reply> &replies);
    QList<QByteArray> requests() const;
    // Closes the pty master at once: the other end sees a hang-up.
    void hangUp();

    static Reply once(const QByteArray &bytes) { return Reply{Chunk{0, bytes, false}}; }

private:
    void run();
    void send(const Chunk &chunk);

    Kind m_kind;
    int m_fd = -1;
    int m_foreignFd = -1;
    int m_slaveFd = -1;
    quint16 m_port = 0;
    QString m_slavePath;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable QMutex m_mutex;
    QList<Reply> m_replies;
    QList<QByteArray> m_requests;
    // Sender of the last UDP request (network byte order).
    quint32 m_clientAddr = 0;
    quint16 m_clientPort = 0;
};
