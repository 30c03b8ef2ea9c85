#include "tests/support/workdir.h"

#include "settings/config.h"

#include <QFile>
#include <QSettings>
#include <QTextCodec>

void resetConfigStore()
{
    singleton<Config>::destroy();
}

TempWorkDir::TempWorkDir()
    : m_previous(QDir::currentPath())
{
    resetConfigStore();
    QDir::setCurrent(m_dir.path());
}

TempWorkDir::~TempWorkDir()
{
    resetConfigStore();
    QDir::setCurrent(m_previous);
}

void TempWorkDir::writeConfig(const QVariantMap &values)
{
    resetConfigStore();
    QFile::remove(filePath(QStringLiteral("config.ini")));
    {
        QSettings s(filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        s.setIniCodec(QTextCodec::codecForName("utf-8"));
        for (auto it = values.begin(); it != values.end(); ++it)
            s.setValue(it.key(), it.value());
    }
}

void TempWorkDir::writeUdpConfig(quint16 port, const QVariantMap &extra)
{
    QVariantMap v{{"communicate/udp", 1},
                  {"udp/address", "127.0.0.1"},
                  {"udp/port", QString::number(port)},
                  {"device/address", 1}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        v.insert(it.key(), it.value());
    writeConfig(v);
}

void TempWorkDir::writeSerialConfig(const QString &portName, const QVariantMap &extra)
{
    QVariantMap v{{"communicate/udp", 0},
                  {"serial/port", portName},
                  {"serial/baudrate", 115200},
                  {"device/address", 1}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        v.insert(it.key(), it.value());
    writeConfig(v);
}

QByteArray TempWorkDir::readFile(const QString &name) const
{
    QFile f(filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void TempWorkDir::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(filePath(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString TempWorkDir::writeSimItems(const QStringList &items, const QString &name) const
{
    QByteArray bytes;
    for (const QString &item : items)
        bytes += item.toUtf8() + '\n';
    writeFile(name, bytes);
    return filePath(name);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
