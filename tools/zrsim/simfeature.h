#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QList>
#include <QString>

class SimDevice;

// Reads an integer option that must lie in [min, max]; an option not given
// leaves *out alone. `what` names the unit in the error, e.g. "milliseconds".
inline bool parseBoundedOption(const QCommandLineParser &parser, const QString &name, int min, int max,
                               const char *what, int *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < min || v > max) {
        *error = QStringLiteral("--%1 needs %2 from %3 to %4").arg(name, QLatin1String(what)).arg(min).arg(max);
        return false;
    }
    *out = v;
    return true;
}

// One piece of a reply, sent delayMs after the previous piece (or after the
// request for the first one).
struct SimChunk {
    QByteArray bytes;
    int delayMs = 0;
};

// A group of instrument commands. The device core owns the transports, the
// envelope and the fault injection; a feature only maps requests to replies.
// A new feature lives in a source file of its own that defines
// `SimFeature *createSimSomething()`, plus one ZRSIM_FEATURE line in
// features.cpp. Helpers on SimDevice (simdevice.h): countedReply, address,
// status ("ZRSIM ..." lines on stdout), log (--verbose), currentOrigin and
// sendUnsolicited (output that is no reply).
class SimFeature
{
public:
    virtual ~SimFeature() = default;

    virtual QString name() const = 0;
    virtual void addOptions(QCommandLineParser &parser) { Q_UNUSED(parser) }
    virtual bool configure(const QCommandLineParser &parser, QString *error)
    {
        Q_UNUSED(parser) Q_UNUSED(error)
        return true;
    }
    // After the link transports are up (e.g. to open a socket of its own).
    virtual bool start(SimDevice &device, QString *error)
    {
        Q_UNUSED(device) Q_UNUSED(error)
        return true;
    }
    // On a byte stream (serial) without datagram boundaries: the length of
    // the request at the start of `buffer` (> 0), 0 when more bytes are
    // needed, -1 when this feature does not recognise it.
    virtual int requestLength(const QByteArray &buffer) const
    {
        Q_UNUSED(buffer)
        return -1;
    }
    // A complete request, already taken out of its envelope. Returns true
    // when handled; the reply chunks are wrapped in envelopes by the core
    // exactly when the request came in one.
    virtual bool handle(SimDevice &device, const QByteArray &request, QList<SimChunk> &reply) = 0;
    // Something one feature did that another may answer to (SimDevice::announce),
    // e.g. "flashed" after a whole image arrived.
    virtual void announced(SimDevice &device, const QString &event)
    {
        Q_UNUSED(device) Q_UNUSED(event)
    }
};

// Every feature of the simulator, in dispatch order (features.cpp).
QList<SimFeature *> createSimFeatures();
