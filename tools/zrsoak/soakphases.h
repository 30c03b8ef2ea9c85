#pragma once

#include "tools/zrsoak/soakrecord.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// What one soak run is asked to do; the parent hands the same settings to
// each phase process.
struct SoakOptions {
    quint64 seed = 1;
    int rounds = 1000;
    double dropRate = 0.004;
    double crcRate = 0.004;
    double splitRate = 0.05;
    double delayRate = 0.008;
    int delayMaxMs = 6000;
    int splitGapMaxMs = 50;
    bool serial = false;
    bool encrypt = false;
    int imageBytes = 40 * 1024 + 123;
    int toleranceMs = 750;
    QString simPath;

    // Arguments for zrsim's random faults.
    QStringList simFaultArguments(quint64 seedOffset) const;
    // The longest one request-and-reply exchange with time limit `timeoutMs`
    // may take: a reply piece that arrives just before the limit starts
    // the wait anew, and a serial reply is waited for a further 500 ms
    // after its last byte.
    qint64 exchangeBoundMs(int timeoutMs) const;
};

// zrsim as a child of one phase.
class SoakSim
{
public:
    ~SoakSim();
    bool start(const QString &path, const QStringList &arguments, QString *error);
    quint16 udpPort() const { return m_udpPort; }
    QString ptyPath() const { return m_ptyPath; }
    // Reads what zrsim printed since the last call (status lines).
    QStringList takeLines();
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    QByteArray m_buffer;
    quint16 m_udpPort = 0;
    QString m_ptyPath;
};

// One phase, run in a process of its own; every operation goes to `report`.
using SoakEmit = std::function<void(const SoakRecord &)>;
int runSoakPhase(const QString &phase, const SoakOptions &options, const SoakEmit &report);
