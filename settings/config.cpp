#include "settings/config.h"

#include <QFileInfo>
#include <QTextCodec>

#include <memory>

Config::~Config()
{
    delete m_settings; // writes pending changes to config.ini
}

namespace {
QString &fileNameSlot()
{
    static QString name = QStringLiteral("config.ini");
    return name;
}
} // namespace

void setConfigFileName(const QString &fileName)
{
    fileNameSlot() = fileName;
}

QString configFileName()
{
    return fileNameSlot();
}

template<>
Config *singleton<Config>::create()
{
    std::unique_ptr<singleton<Config>> config(new singleton<Config>);
    // The settings object opens the file itself, and a FIFO or a device in
    // place of config.ini would block every reader (the window's start
    // among them). Such a file counts as unreadable: defaults, nothing saved.
    const QFileInfo info(configFileName());
    const bool usable = !info.exists() || info.isFile();
    auto *settings = new QSettings(usable ? configFileName() : QString(), QSettings::IniFormat);
    settings->setIniCodec(QTextCodec::codecForName("utf-8"));
    config->setSettings(settings);
    return config.release();
}

QSettings *configSettings()
{
    return singleton<Config>::instance()->settings();
}

QString applicationTitle(const QString &language)
{
    QSettings *s = configSettings();
    QString name;
    if (language == QLatin1String("en_US"))
        name = s->value(QStringLiteral("appname/us"), ConfigDefaults::appnameUs()).toString();
    else if (language == QLatin1String("zh_TW"))
        name = s->value(QStringLiteral("appname/tw"), ConfigDefaults::appnameTw()).toString();
    else
        name = s->value(QStringLiteral("appname/ch"), ConfigDefaults::appnameCh()).toString();
    if (s->value(QStringLiteral("appname/ver"), ConfigDefaults::appnameVer).toBool())
        name += ConfigDefaults::versionText();
    return name;
}
