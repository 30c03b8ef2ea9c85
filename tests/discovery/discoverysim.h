#pragma once

#include "tests/support/simprocess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

// zrsim with its discovery socket; the port it prints before READY is the
// one the search is sent to.
struct DiscoverySim {
    QProcess process;
    quint16 discoveryPort = 0;
    quint16 udpPort = 0;
    QString error;

    bool start(const QStringList &arguments)
    {
        process.setProgram(SimProcess::executable());
        process.setArguments(arguments);
        process.start();
        if (!process.waitForStarted(10000)) {
            error = process.errorString();
            return false;
        }
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (!process.canReadLine() && !process.waitForReadyRead(100)) {
                if (process.state() == QProcess::NotRunning) {
                    error = QString::fromLocal8Bit(process.readAllStandardError());
                    return false;
                }
                continue;
            }
            while (process.canReadLine()) {
                const QStringList parts = QString::fromUtf8(process.readLine()).trimmed().split(QLatin1Char(' '));
                if (parts.size() == 3 && parts[0] == "ZRSIM" && parts[1] == "DISCOVERY")
                    discoveryPort = parts[2].toUShort();
                else if (parts.size() == 4 && parts[0] == "ZRSIM" && parts[1] == "UDP")
                    udpPort = parts[3].toUShort();
                else if (parts.size() == 2 && parts[0] == "ZRSIM" && parts[1] == "READY")
                    return discoveryPort != 0;
            }
        }
        error = QStringLiteral("no READY");
        return false;
    }
    ~DiscoverySim()
    {
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};
