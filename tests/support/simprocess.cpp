#include "tests/support/simprocess.h"

#include <QElapsedTimer>

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
    m_process.setProgram(executable());
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(100)) {
            if (m_process.state() == QProcess::NotRunning) {
                m_error = QStringLiteral("zrsim exited: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
                return false;
            }
            continue;
        }
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.size() >= 4 && parts[0] == QLatin1String("ZRSIM") && parts[1] == QLatin1String("UDP")) {
                m_udpHost = parts[2];
                m_udpPort = parts[3].toUShort();
            } else if (parts.size() >= 3 && parts[0] == QLatin1String("ZRSIM") && parts[1] == QLatin1String("PTY")) {
                m_ptyPath = parts[2];
            } else if (parts.size() >= 2 && parts[0] == QLatin1String("ZRSIM") && parts[1] == QLatin1String("READY")) {
                return true;
            }
        }
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
