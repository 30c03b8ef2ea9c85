#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A fresh working directory for one test: config.ini, SkipItems and the
// like live here. The settings store is destroyed on entry and exit so that
// every test reads the file it wrote.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir &) = delete;
    TempWorkDir &operator=(const TempWorkDir &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Replaces config.ini with these keys ("group/name" → value) and drops
    // the cached settings store.
    void writeConfig(const QVariantMap &values);
    // Keys for a UDP link to 127.0.0.1:port (plus extra keys).
    void writeUdpConfig(quint16 port, const QVariantMap &extra = {});
    // Keys for a serial link on the given port name (plus extra keys).
    void writeSerialConfig(const QString &portName, const QVariantMap &extra = {});
    QByteArray readFile(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &bytes) const;
    // Writes a zrsim items file (one "name:value" or command per line,
    // UTF-8) and returns its path, for zrsim's --items.
    QString writeSimItems(const QStringList &items, const QString &name = QStringLiteral("items.txt")) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

void resetConfigStore();

// The whole file, or nothing when it cannot be read.
QByteArray fileBytes(const QString &path);
