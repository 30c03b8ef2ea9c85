#pragma once

#include "tests/support/simprocess.h"
#include "tools/zrsim/simlauncher.h"

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
        SimLauncher::Announcement a;
        const SimLauncher::Outcome outcome = SimLauncher::start(process, SimProcess::executable(), arguments, &a);
        discoveryPort = a.discoveryPort;
        udpPort = a.udpPort;
        if (outcome == SimLauncher::Ready)
            return discoveryPort != 0;
        if (outcome == SimLauncher::NotStarted)
            error = process.errorString();
        else if (outcome == SimLauncher::Exited)
            error = QString::fromLocal8Bit(process.readAllStandardError());
        else
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
