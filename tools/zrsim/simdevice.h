#pragma once

#include "tools/zrsim/simfaults.h"
#include "tools/zrsim/simfeature.h"
#include "tools/zrsim/simoutput.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

class QCommandLineParser;
class QSocketNotifier;
class QUdpSocket;

// Where a request came from, and so where its reply (or unsolicited output
// started by it) goes.
struct SimOrigin {
    enum Kind { None, Udp, Pty };
    Kind kind = None;
    QHostAddress address;
    quint16 port = 0;

    bool isValid() const { return kind != None; }
};

// The simulated instrument: transports, request framing on the byte
// stream, the envelope, the address filter and fault injection. Features
// only map requests to replies.
class SimDevice : public QObject
{
    Q_OBJECT

public:
    explicit SimDevice(QList<SimFeature *> features, QObject *parent = nullptr);
    ~SimDevice() override;

    static void addOptions(QCommandLineParser &parser);
    bool configure(const QCommandLineParser &parser, QString *error);
    // Opens the transports, starts the features and prints the startup lines.
    bool start(QString *error);

    quint8 address() const { return m_address; }
    bool verbose() const { return m_verbose; }
    // The origin of the request being handled (valid inside handle()).
    const SimOrigin &currentOrigin() const { return m_origin; }

    // A line on stdout ("ZRSIM " is prepended), flushed at once.
    void status(const QString &text);
    // Tells every feature (SimFeature::announced).
    void announce(const QString &event);
    // A line on stderr when --verbose is on.
    void log(const QString &text);
    // Bytes that are no reply (debug output): no envelope, no faults.
    void sendUnsolicited(const SimOrigin &to, const QByteArray &bytes);
    // Handles requests that already wait in the transports, so unsolicited
    // output is not slipped in between a request and its reply.
    void serviceInput();

    // addr, function, N, data, CRC low, CRC high.
    static QByteArray countedReply(quint8 address, quint8 function, const QByteArray &data);

    // Length of the request at the start of a serial byte stream: > 0 a
    // complete request, 0 more bytes needed, -1 not a request (drop a byte).
    int serialRequestLength(const QByteArray &buffer) const;

private slots:
    void onUdpReadyRead();
    void onPtyReadable();
    void onSerialSilence();

private:
    struct Faults {
        int ignoreFirst = 0;
        QSet<int> corruptReplies;
        QSet<int> dropReplies;
        int delayMs = 0;
        bool split = false;
        bool silent = false;
        bool foreign = false;
    };

    bool openUdp(const QString &endpoint, QString *error);
    bool openPty(const QString &link, QString *error);
    void takeSerialRequests();
    void handleRequest(const QByteArray &raw, const SimOrigin &origin);
    void sendReply(const QList<SimChunk> &chunks, bool enveloped, const SimOrigin &to, const SimFaultPlan &plan);
    void transmit(const SimOrigin &to, const QByteArray &bytes, const char *what);
    void closePty();

    QList<SimFeature *> m_features;
    quint8 m_address = 1;
    bool m_encrypt = false;
    bool m_verbose = false;
    Faults m_faults;
    SimRandomFaults m_random;
    QString m_udpAddress;
    bool m_wantPty = false;
    QString m_ptyLink;

    std::unique_ptr<QUdpSocket> m_udp;
    std::unique_ptr<QUdpSocket> m_foreignUdp;
    int m_ptyMaster = -1;
    int m_ptySlave = -1;
    QString m_ptyPath;
    bool m_linkCreated = false;
    std::unique_ptr<QSocketNotifier> m_ptyNotifier;
    QByteArray m_serialBuffer;
    QTimer m_serialSilence;

    SimOutput m_stdout{1};
    SimOutput m_stderr{2};
    SimOrigin m_origin;
    int m_requestCount = 0;
    int m_replyCount = 0;
};
