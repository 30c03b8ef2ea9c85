#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs zrsim as a child process for one test. zrsim announces itself on
// stdout with "ZRSIM UDP <host> <port>", "ZRSIM PTY <path>" and finally
// "ZRSIM READY"; start() waits for READY so no test sleeps blindly.
class SimProcess
{
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Arguments are passed to zrsim as given (add "--udp 127.0.0.1:0" or "--pty").
    bool start(const QStringList &arguments, int timeoutMs = 10000);
    void stop();

    quint16 udpPort() const { return m_udpPort; }
    QString udpHost() const { return m_udpHost; }
    QString ptyPath() const { return m_ptyPath; }
    // Everything zrsim printed on stderr so far (its --verbose log).
    QString errorOutput();
    // Lines zrsim printed on stdout after READY (status lines of features).
    QStringList outputLines();
    QString lastError() const { return m_error; }
    QProcess &process() { return m_process; }

    static QString executable();

private:
    QProcess m_process;
    QString m_udpHost;
    quint16 m_udpPort = 0;
    QString m_ptyPath;
    QString m_error;
    QByteArray m_stdout;
    QByteArray m_stderr;
};

// Starts zrsim with `args` (warning why when it does not start).
bool startSim(SimProcess &sim, const QStringList &args);
// The same on a pty or on loopback UDP; *cliLink (if given) gets the
// zrvu-cli options that reach it at device address 1.
bool startSim(SimProcess &sim, bool pty, QStringList args, QStringList *cliLink = nullptr);

// zrsim's status lines matching `pattern` (a regular expression), waiting
// up to waitMs for at least `atLeast` of them (0: look once).
QStringList simLines(SimProcess &sim, const QString &pattern, int atLeast = 1, int waitMs = 3000);
