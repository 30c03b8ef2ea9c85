#include "tests/support/simprocess.h"

#include "tools/zrsim/simlauncher.h"

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
    return qEnvironmentVariable("ZRSIM", QStringLiteral("zrsim"));
}

bool SimProcess::start(const QStringList &arguments, int timeoutMs)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    SimLauncher::Announcement a;
    switch (SimLauncher::start(m_process, executable(), arguments, &a, timeoutMs)) {
    case SimLauncher::Ready:
        m_udpHost = a.udpHost;
        m_udpPort = a.udpPort;
        m_ptyPath = a.ptyPath;
        return true;
    case SimLauncher::NotStarted:
        m_error = m_process.errorString();
        return false;
    case SimLauncher::Exited:
        m_error = QStringLiteral("zrsim exited: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
        return false;
    case SimLauncher::TimedOut:
        break;
    }
    m_error = QStringLiteral("zrsim did not report READY in time");
    return false;
}

void SimProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString SimProcess::errorOutput()
{
    m_stderr.append(m_process.readAllStandardError());
    return QString::fromUtf8(m_stderr);
}

QStringList SimProcess::outputLines()
{
    m_stdout.append(m_process.readAllStandardOutput());
    return QString::fromUtf8(m_stdout).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
