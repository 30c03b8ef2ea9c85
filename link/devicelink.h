#pragma once

#include "link/datareceiver.h"
#include "link/traffic.h"
#include "settings/linksettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <QUdpSocket>

#include "link/outcome.h"

#include <functional>
#include <memory>

// Result codes of DeviceLink::transact.
enum LinkResult {
    LinkOk = 0,
    LinkSendFailed = 1,
    LinkNoReply = 2,
    // 3 stays "undefined".
    LinkLineLost = 4,   // the serial peer hung up during the exchange
    LinkBadFrame = 5,   // more bytes came than any reply of that kind holds
    LinkExtraAnswer = 6, // the instrument answered more often than it was asked
};

// One short-lived connection to the instrument, opened from the current
// settings. Confined to the thread that constructed it.
class DeviceLink
{
    Q_DECLARE_TR_FUNCTIONS(DeviceLink)

public:
    DeviceLink();
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Reads the communication settings (or the fixed ones) and opens.
    bool open();
    bool open(const LinkSettings &settings);
    // Every later open() uses these instead of the stored settings (a test
    // of a setup not yet saved, one of several instruments).
    void setFixedSettings(const LinkSettings &settings);
    int transact(const char *request, int length, QByteArray &reply, bool highByteFirst, int timeoutMs);
    int transact(const QByteArray &request, QByteArray &reply, bool highByteFirst, int timeoutMs)
    {
        return transact(request.constData(), request.size(), reply, highByteFirst, timeoutMs);
    }
    void transactStream(const char *request, int length, DDataReceiver *receiver);
    void transactStream(const QByteArray &request, DDataReceiver *receiver)
    {
        transactStream(request.constData(), request.size(), receiver);
    }
    bool writeSerial(const char *data, int length);
    QByteArray readDatagrams() { return readDatagrams(kMaxPendingRead); }
    // Stops once maxBytes have been taken (the datagram that crosses it is
    // kept): a peer that sends faster than we read would otherwise keep
    // the loop, and the result, growing.
    QByteArray readDatagrams(int maxBytes);
    static constexpr int kMaxPendingRead = 256 * 1024;
    // Over UDP: waits up to waitMs for answers nobody asked for and tells
    // whether the instrument has answered more often than it was asked on
    // this connection. Then some reply taken so far may have been the
    // second copy of an earlier one: the pairing of replies to requests is
    // lost.
    bool answeredMoreThanAsked(int waitMs);
    // An exchange whose reply keeps trickling in ends after this many times
    // its timeout, however often a piece restarted the wait.
    static constexpr int kOverallLimitFactor = 3;
    void close();

    // Where this link reports its traffic; the default observer at
    // construction, null for none.
    void setTrafficObserver(TrafficObserver *observer) { m_traffic = observer; }
    TrafficObserver *trafficObserver() const { return m_traffic; }
    // For callers that read the transport themselves: a piece taken from
    // the instrument, and a datagram dropped because someone else sent it.
    void traceReceived(const QByteArray &bytes)
    {
        if (m_traffic)
            report(TrafficDirection::Received, bytes, TrafficNote::None);
    }
    void traceDropped(const QByteArray &bytes, const QHostAddress &sender, quint16 port)
    {
        if (m_traffic)
            reportForeign(bytes, sender, port);
    }

    // Waits at most timeoutMs for a datagram to be pending, noticing one at
    // once; returns whether one is pending.
    bool waitForDatagram(int timeoutMs);
    // Waits at most timeoutMs for new serial bytes (true when some are
    // available). A broken port ends the wait at once and stays broken.
    bool waitForSerialData(int timeoutMs);
    // Waits until the port has written everything (false on timeout/error).
    bool waitForSerialWritten(int timeoutMs);
    // True when the serial port reported a read or resource error (the peer
    // hung up); further waits return at once.
    bool transportFailed() const { return m_transportFailed; }
    // Asked (on this link's thread, so it must be safe to call from there)
    // during every wait for the instrument; once it returns true the wait
    // ends as if nothing came. A stop then costs no timeout. Empty: never.
    void setAbandonCheck(std::function<bool()> check) { m_abandon = std::move(check); }
    bool abandoned() const { return m_abandon && m_abandon(); }
    // True when `sender`:`port` is the configured instrument.
    bool isPeer(const QHostAddress &sender, quint16 port) const;
    // Drops every pending input (datagrams or serial bytes) and returns it.
    QByteArray takePending();
    // One datagram to the instrument; false for an unset address or when
    // nothing went out.
    bool sendDatagram(const QByteArray &frame);

    // Fields in the order of the data model; read by the feature workers.
    bool useRts = false;
    bool useDtr = false;
    bool useUdp = false;
    quint8 deviceAddress = 0xFF;
    QHostAddress peerAddress;
    quint16 peerPort = 0xFFFF;
    QString errorText;
    std::unique_ptr<QUdpSocket> udpSocket;
    std::unique_ptr<QSerialPort> serialPort;
    bool encrypt = false;
    int interChunkWaitMs = 500;

private:
    int exchange(const char *request, int length, QByteArray &reply, bool highByteFirst, int timeoutMs);
    void report(TrafficDirection direction, const QByteArray &bytes, TrafficNote note, const QString &detail = QString());
    void reportForeign(const QByteArray &bytes, const QHostAddress &sender, quint16 port);
    bool pulseRts();
    void createTransports();
    // Reads and drops pending input, counting the whole answers in it.
    void dropStale();
    int countAnswers(const QByteArray &bytes) const;

    bool m_transportFailed = false;
    std::function<bool()> m_abandon;
    std::unique_ptr<LinkSettings> m_fixedSettings;
    // UDP requests sent and whole answers seen (taken, or dropped as stale).
    int m_requestsSent = 0;
    int m_answersSeen = 0;

    TrafficObserver *m_traffic = defaultTrafficObserver();
    QString m_endpoint;      // as the traffic log shows it
    QElapsedTimer m_sinceRequest; // for the log's response times
    QByteArray m_textTail;   // an unfinished text line, for the log
    QByteArray m_lastRequest; // plain, for naming the replies
    bool m_readingStale = false;
};

// Runs a local event loop until `object` emits `signal` or timeoutMs pass;
// false when the time ran out. `alsoEnd(loop)` may connect further reasons
// to end the wait early (connected with `loop` as context, they go with it).
template<typename Obj, typename Signal, typename AlsoEnd>
bool waitForSignal(const Obj *object, Signal signal, int timeoutMs, AlsoEnd &&alsoEnd)
{
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer); // coarse timers fire up to 5% early
    timer.setSingleShot(true);
    timer.setInterval(timeoutMs);
    const auto c1 = QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto c2 = QObject::connect(object, signal, &loop, &QEventLoop::quit);
    alsoEnd(loop);
    timer.start();
    loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    if (!timer.isActive())
        return false;
    timer.stop();
    return true;
}

template<typename Obj, typename Signal>
bool waitForSignal(const Obj *object, Signal signal, int timeoutMs)
{
    return waitForSignal(object, signal, timeoutMs, [](QEventLoop &) {});
}

// Sleeps the calling thread's event loop for ms milliseconds.
void linkDelay(int ms);

// The user's text for a transact result; empty on success.
QString linkErrorText(int result, const QByteArray &reply);
