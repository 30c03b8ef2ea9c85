#include "settings/config.h"
#include "settings/settingkeys.h"

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
        name = SettingKeys::appnameUs.read(s);
    else if (language == QLatin1String("zh_TW"))
        name = SettingKeys::appnameTw.read(s);
    else
        name = SettingKeys::appnameCh.read(s);
    if (SettingKeys::appnameVer.read(s))
        name += versionText();
    return name;
}
