#include "tests/cli/cliprocess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

class CliProcess::Process : public QProcess
{
public:
    int slaveFd = -1;

protected:
    void setupChildProcess() override
    {
        if (slaveFd >= 0)
            ::dup2(slaveFd, STDERR_FILENO);
    }
};

CliProcess::CliProcess()
    : m_process(new Process)
{
}

CliProcess::~CliProcess()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    delete m_process;
    if (m_ptyMaster >= 0)
        ::close(m_ptyMaster);
}

QString CliProcess::executable()
{
    return QStringLiteral(ZRVU_CLI_PATH);
}

bool CliProcess::start(const QString &workDir, const QStringList &arguments)
{
    if (m_stderrTerminal) {
        m_ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_ptyMaster < 0 || ::grantpt(m_ptyMaster) != 0 || ::unlockpt(m_ptyMaster) != 0)
            return false;
        ::fcntl(m_ptyMaster, F_SETFL, O_NONBLOCK);
        m_process->slaveFd = ::open(::ptsname(m_ptyMaster), O_RDWR | O_NOCTTY);
        if (m_process->slaveFd < 0)
            return false;
    }
    m_process->setWorkingDirectory(workDir);
    m_process->start(executable(), arguments);
    const bool started = m_process->waitForStarted(10000);
    if (m_process->slaveFd >= 0) {
        ::close(m_process->slaveFd);
        m_process->slaveFd = -1;
    }
    return started;
}

void CliProcess::setEnvironmentValue(const QString &name, const QString &value)
{
    QProcessEnvironment env = m_process->processEnvironment();
    if (env.isEmpty())
        env = QProcessEnvironment::systemEnvironment();
    env.insert(name, value);
    m_process->setProcessEnvironment(env);
}

void CliProcess::setStandardOutputFile(const QString &path)
{
    m_process->setStandardOutputFile(path);
}

qint64 CliProcess::pid() const
{
    return m_process->processId();
}

void CliProcess::drainPty()
{
    if (m_ptyMaster < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_ptyMaster, buffer, sizeof buffer);
        if (n <= 0)
            break;
        m_ptyBytes.append(buffer, static_cast<int>(n));
    }
}

void CliProcess::pump(int ms)
{
    if (m_process->state() != QProcess::NotRunning) {
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                         &QEventLoop::quit);
        tick.start(ms);
        loop.exec();
    }
    drainPty();
    m_out += m_process->readAllStandardOutput();
    m_err += m_ptyMaster >= 0 ? m_ptyBytes : m_process->readAllStandardError();
    m_ptyBytes.clear();
}

bool CliProcess::waitForError(const QString &text, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!QString::fromUtf8(m_err).contains(text)) {
        if (m_process->state() == QProcess::NotRunning || clock.elapsed() > timeoutMs)
            return false;
        pump(20);
    }
    return true;
}

CliResult CliProcess::wait(int timeoutMs)
{
    CliResult result;
    QElapsedTimer clock;
    clock.start();
    while (m_process->state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
        pump(20);
    result.finished = m_process->state() == QProcess::NotRunning;
    if (!result.finished) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    pump(0);
    result.exitCode = m_process->exitCode();
    result.exitStatus = m_process->exitStatus();
    result.out = m_out;
    result.err = m_err;
    return result;
}

CliResult CliProcess::run(const QString &workDir, const QStringList &arguments, int timeoutMs,
                          const QMap<QString, QString> &environment)
{
    CliProcess process;
    for (auto it = environment.begin(); it != environment.end(); ++it)
        process.setEnvironmentValue(it.key(), it.value());
    if (!process.start(workDir, arguments))
        return CliResult();
    return process.wait(timeoutMs);
}
