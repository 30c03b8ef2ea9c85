#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

// What one zrvu-cli run left behind.
struct CliResult {
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs the built zrvu-cli in a working directory while the test's own event
// loop keeps turning (HTTP servers and zrsim readers live on it).
class CliProcess
{
public:
    CliProcess();
    ~CliProcess();
    CliProcess(const CliProcess &) = delete;
    CliProcess &operator=(const CliProcess &) = delete;

    static QString executable();

    // stderr on a pseudo-terminal instead of a pipe (read back in err).
    void setStderrTerminal(bool on) { m_stderrTerminal = on; }
    void setEnvironmentValue(const QString &name, const QString &value);
    // stdout into a file (/dev/full) instead of the pipe read back in out.
    void setStandardOutputFile(const QString &path);
    bool start(const QString &workDir, const QStringList &arguments);
    qint64 pid() const;
    CliResult wait(int timeoutMs = 30000);
    // Turns the event loop until stderr holds `text` (false when the
    // process ended first or the time ran out).
    bool waitForError(const QString &text, int timeoutMs = 20000);

    static CliResult run(const QString &workDir, const QStringList &arguments, int timeoutMs = 30000,
                         const QMap<QString, QString> &environment = {});

private:
    class Process;
    Process *m_process = nullptr;
    bool m_stderrTerminal = false;
    int m_ptyMaster = -1;
    QByteArray m_ptyBytes;
    QByteArray m_out;
    QByteArray m_err;
    void drainPty();
    void pump(int ms);
};
