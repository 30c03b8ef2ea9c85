#pragma once

#include "settings/config.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <type_traits>

// QVariant takes any text but "false" and "0" for true: "maybe" under
// communicate/encrypt would switch encryption on. Only true and false (and
// 1 and 0) mean something; anything else is unconvertible, so false.
inline bool settingBool(const QVariant &value)
{
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1");
}

// A key of config.ini declared once with its default. The store, the link,
// the dialogs and zrvu-cli all read and write through these, so a key's
// name and default cannot differ between two call sites.
template<typename T>
class SettingKey
{
public:
    SettingKey(const char *name, T fallback)
        : m_name(QString::fromLatin1(name))
        , m_default(std::move(fallback))
    {
    }

    const QString &name() const { return m_name; }
    const T &defaultValue() const { return m_default; }

    // An unconvertible value reads as 0, false or empty, like QVariant's
    // own conversions.
    T read(QSettings *settings = nullptr) const
    {
        QSettings *s = settings ? settings : configSettings();
        const QVariant stored = s->value(m_name, QVariant::fromValue(m_default));
        if constexpr (std::is_same_v<T, bool>)
            return settingBool(stored);
        else
            return stored.template value<T>();
    }
    void write(const T &value, QSettings *settings = nullptr) const
    {
        QSettings *s = settings ? settings : configSettings();
        s->setValue(m_name, QVariant::fromValue(value));
    }
    bool isStored(QSettings *settings = nullptr) const
    {
        QSettings *s = settings ? settings : configSettings();
        return s->contains(m_name);
    }

private:
    QString m_name;
    T m_default;
};

namespace SettingKeys {
// Communication setup.
inline const SettingKey<int> deviceAddress{"device/address", 255};
inline const SettingKey<int> communicateUdp{"communicate/udp", 0}; // any non-zero value means UDP
inline const SettingKey<bool> communicateEncrypt{"communicate/encrypt", false};
inline const SettingKey<QString> serialPort{"serial/port", QString()};
inline const SettingKey<int> serialBaudrate{"serial/baudrate", 9600};
inline const SettingKey<int> serialDatabits{"serial/databits", 8};
inline const SettingKey<int> serialParity{"serial/parity", 0};
inline const SettingKey<int> serialStopbits{"serial/stopbits", 1};
inline const SettingKey<bool> serialSendRts{"serial/send_rts", false};
inline const SettingKey<bool> serialSendDtr{"serial/send_dtr", false};
inline const SettingKey<QString> udpAddress{"udp/address", QString()};
// Stored as text of up to five digits, read as a number by the link.
inline const SettingKey<QString> udpPort{"udp/port", QString()};

// Window and language.
inline const SettingKey<QString> language{"language/language", QString()};
inline const SettingKey<int> windowWidth{"window/width", 0};
inline const SettingKey<int> windowHeight{"window/height", 0};

// The catalogue page of downloadable packages; none until the user sets one.
inline const SettingKey<QString> updateCatalogue{"update/catalogue", QString()};

// Writing a configuration: names an instrument keeps unless the user checks
// them (comma-separated, matched as substrings), and the backups taken first.
inline const SettingKey<QString> writeProtected{"write/protected", QStringLiteral("设备地址,站点名称,IP")};
inline const SettingKey<bool> backupEnabled{"backup/enabled", true};
inline const SettingKey<int> backupKeep{"backup/keep", 50};

// Read only: a config.ini may rename the application.
inline const SettingKey<QString> appnameUs{"appname/us", QStringLiteral("ZR Zoverezaz")};
inline const SettingKey<QString> appnameTw{"appname/tw", QStringLiteral("ZRvu")};
inline const SettingKey<QString> appnameCh{"appname/ch", QStringLiteral("ZRvu")};
inline const SettingKey<bool> appnameVer{"appname/ver", true};
} // namespace SettingKeys
