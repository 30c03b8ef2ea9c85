#pragma once

#include "settings/singleton.h"

#include <QSettings>

// Owns the settings object on config.ini in the working directory.
// Callers read values with the defaults below and write them directly.
class Config
{
public:
    Config() = default;
    Config(const Config &) = delete;
    Config &operator=(const Config &) = delete;
    virtual ~Config();

    QSettings *settings() const { return m_settings; }
    void setSettings(QSettings *settings) { m_settings = settings; }

private:
    QSettings *m_settings = nullptr;
};

template<>
Config *singleton<Config>::create();

// The file the store opens on first use: "config.ini" in the working
// directory unless a tool points it elsewhere before that (zrvu-cli runs on a
// private copy so that its link options never reach the user's file).
void setConfigFileName(const QString &fileName);
QString configFileName();

// Shorthand for singleton<Config>::instance()->settings().
QSettings *configSettings();

// The version text appended to the application name.
inline QString versionText() { return QStringLiteral(" V6.5"); }

// The application name for a language value ("en_US", "zh_TW", anything
// else), with the version text unless appname/ver is false.
QString applicationTitle(const QString &language);
