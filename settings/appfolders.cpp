#include "settings/appfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace {
const char kConfigName[] = "config.ini";
}

QString installedTranslationsDir(const QString &programDir)
{
    if (programDir.isEmpty())
        return QString();
    const QString dir = QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/zrvu/translations")));
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString userDataDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir(base).filePath(QStringLiteral("zrvu"));
}

QString chooseWorkingDir(const QString &currentDir, const QString &programDir, const QString &userDir)
{
    if (QFileInfo(QDir(currentDir).filePath(QLatin1String(kConfigName))).exists())
        return currentDir;
    if (installedTranslationsDir(programDir).isEmpty() || userDir.isEmpty())
        return currentDir;
    return userDir;
}

bool prepareUserDir(const QString &userDir, QString *error)
{
    QDir dir(userDir);
    for (const QString &sub : {QStringLiteral("."), QStringLiteral("Files"), QStringLiteral("Backups")}) {
        if (!dir.mkpath(sub)) {
            *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(dir.filePath(sub)));
            return false;
        }
    }
    // An empty store reads as all defaults; having the file marks the folder
    // as the one to use even when the program is started from inside it.
    QFile config(dir.filePath(QLatin1String(kConfigName)));
    if (!config.exists() && !config.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot create %1: %2")
                     .arg(QDir::toNativeSeparators(config.fileName()), config.errorString());
        return false;
    }
    return true;
}

bool enterWorkingDir(QString *error)
{
    const QString current = QDir::currentPath();
    const QString chosen = chooseWorkingDir(current, QCoreApplication::applicationDirPath(), userDataDir());
    if (chosen == current)
        return true;
    if (!prepareUserDir(chosen, error))
        return false;
    if (!QDir::setCurrent(chosen)) {
        *error = QStringLiteral("cannot enter %1").arg(QDir::toNativeSeparators(chosen));
        return false;
    }
    return true;
}

QStringList translationDirs(const QStringList &extra)
{
    QStringList dirs{QStringLiteral(".")};
    const QString installed = installedTranslationsDir(QCoreApplication::applicationDirPath());
    if (!installed.isEmpty())
        dirs << installed;
    dirs << extra;
    return dirs;
}

bool loadTranslation(QTranslator *translator, const QString &name, const QStringList &dirs)
{
    if (name.isEmpty())
        return false;
    for (const QString &dir : dirs) {
        if (translator->load(name, dir))
            return true;
    }
    return false;
}

QString qtTranslationName(const QString &language)
{
    if (language == QLatin1String("en_US"))
        return QString();
    if (language == QLatin1String("zh_TW"))
        return QStringLiteral("qtbase_zh_TW");
    // Any other code selects the Simplified Chinese interface.
    return QStringLiteral("qtbase_zh_CN");
}

QString qtTranslationsDir()
{
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
}
