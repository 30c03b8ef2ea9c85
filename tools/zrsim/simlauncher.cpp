#include "tools/zrsim/simlauncher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

bool SimLauncher::takeLine(const QString &line, Announcement *a)
{
    const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts[0] != QLatin1String("ZRSIM"))
        return false;
    const QString &kind = parts[1];
    if (kind == QLatin1String("READY"))
        return true;
    if (kind == QLatin1String("UDP") && parts.size() >= 4) {
        a->udpHost = parts[2];
        a->udpPort = parts[3].toUShort();
    } else if (kind == QLatin1String("PTY") && parts.size() >= 3) {
        a->ptyPath = parts[2];
    } else if (kind == QLatin1String("DISCOVERY") && parts.size() >= 3) {
        a->discoveryPort = parts[2].toUShort();
    }
    return false;
}

SimLauncher::Outcome SimLauncher::start(QProcess &process, const QString &program, const QStringList &arguments,
                                        Announcement *announcement, int timeoutMs)
{
    Announcement local;
    Announcement *a = announcement ? announcement : &local;
    *a = Announcement();
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted(timeoutMs))
        return NotStarted;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!process.canReadLine() && !process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 100)))) {
            if (process.state() == QProcess::NotRunning)
                return Exited;
            continue;
        }
        while (process.canReadLine()) {
            if (takeLine(QString::fromUtf8(process.readLine()), a))
                return Ready;
        }
    }
    return TimedOut;
}

QString SimLauncher::locate(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString env = qEnvironmentVariable("ZRSIM");
    if (!env.isEmpty())
        return env;
    const QString sibling = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../tools/zrsim/zrsim"));
    return QFileInfo::exists(sibling) ? QFileInfo(sibling).canonicalFilePath() : QStringLiteral("zrsim");
}
