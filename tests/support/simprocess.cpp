#include "tests/support/simprocess.h"

#include "tools/zrsim/simlauncher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

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

QStringList simLines(SimProcess &sim, const QString &pattern, int atLeast, int waitMs)
{
    const QRegularExpression re(pattern);
    QElapsedTimer clock;
    clock.start();
    QStringList lines;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        lines = sim.outputLines().filter(re);
    } while (lines.size() < atLeast && clock.elapsed() < waitMs);
    return lines;
}

bool startSim(SimProcess &sim, const QStringList &args)
{
    if (sim.start(args))
        return true;
    qWarning("%s", qPrintable(sim.lastError()));
    return false;
}

bool startSim(SimProcess &sim, bool pty, QStringList args, QStringList *cliLink)
{
    args << (pty ? QStringList{QStringLiteral("--pty")} : QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0")});
    if (!startSim(sim, args))
        return false;
    if (cliLink) {
        *cliLink = pty ? QStringList{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("115200")}
                       : QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:%1").arg(sim.udpPort())};
        *cliLink << QStringLiteral("--address") << QStringLiteral("1");
    }
    return true;
}
