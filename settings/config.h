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

// Defaults shared by every reader of a key.
namespace ConfigDefaults {
constexpr int deviceAddress = 255;
constexpr int communicateUdp = 0;
constexpr bool communicateEncrypt = false;
constexpr int serialBaudrate = 9600;
constexpr int serialDatabits = 8;
constexpr int serialParity = 0;
constexpr int serialStopbits = 1;
constexpr bool serialSendRts = false;
constexpr bool serialSendDtr = false;
constexpr int windowWidth = 0;
constexpr int windowHeight = 0;
constexpr bool appnameVer = true;
inline QString appnameUs() { return QStringLiteral("ZR Zoverezaz"); }
inline QString appnameTw() { return QStringLiteral("ZRvu"); }
inline QString appnameCh() { return QStringLiteral("ZRvu"); }
inline QString versionText() { return QStringLiteral(" V6.5"); }
} // namespace ConfigDefaults

// The application name for a language value ("en_US", "zh_TW", anything
// else), with the version text unless appname/ver is false.
QString applicationTitle(const QString &language);
