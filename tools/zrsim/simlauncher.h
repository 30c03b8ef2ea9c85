#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts zrsim and waits for its announcement on stdout: "ZRSIM UDP <host>
// <port>", "ZRSIM PTY <path>", "ZRSIM DISCOVERY <port>" (each when asked
// for), then "ZRSIM READY". Used by the tests, the benchmarks and the soak,
// so that none sleeps blindly and the handshake is read in one place.
// Whatever zrsim prints after READY stays unread in the process.
class SimLauncher
{
public:
    enum Outcome { Ready, NotStarted, Exited, TimedOut };

    struct Announcement {
        QString udpHost;
        quint16 udpPort = 0;
        QString ptyPath;
        quint16 discoveryPort = 0;
    };

    // The process's channel mode is left as the caller set it.
    static Outcome start(QProcess &process, const QString &program, const QStringList &arguments,
                         Announcement *announcement, int timeoutMs = 10000);
    // Takes one announcement line into `announcement`; true for READY.
    static bool takeLine(const QString &line, Announcement *announcement);
    // `given` if set, else $ZRSIM, else zrsim next to the calling program
    // in the build tree, else "zrsim" from the PATH.
    static QString locate(const QString &given = QString());
};
