#pragma once

#include <QCoreApplication>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Field keys of a firmware package.
namespace PackageKeys {
inline QString device() { return QStringLiteral("{01F1095D-25DB-41A1-B694-D978198993AD}"); }
inline QString model() { return QStringLiteral("{DBCA09A2-3B0F-49C8-892D-BBF54C0ACD64}"); }
inline QString version() { return QStringLiteral("{160BEA7C-07BB-4FCC-BF7E-3C9BDF2EE0B6}"); }
inline QString image() { return QStringLiteral("{B2D57D72-C2D0-47C1-8A16-CC2303201956}"); }
} // namespace PackageKeys

// The connection name the update dialog reads packages through.
inline QString packageConnectionName() { return QStringLiteral("{2E451E41-C049-4DED-911D-15B6DA036408}"); }

// One decoded package: where it came from and its field map.
class DEncryptInfo
{
public:
    explicit DEncryptInfo(const QString &path = QString())
        : m_path(path)
    {
    }
    virtual ~DEncryptInfo() = default;
    DEncryptInfo(const DEncryptInfo &) = default;
    DEncryptInfo &operator=(const DEncryptInfo &) = default;

    QString path() const { return m_path; }
    QMap<QString, QVariant> fields() const { return m_fields; }
    void setFields(const QMap<QString, QVariant> &fields) { m_fields = fields; }
    // An invalid variant for a missing key.
    QVariant field(const QString &key) const { return m_fields.value(key); }

    QString device() const { return field(PackageKeys::device()).toString(); }
    QString model() const { return field(PackageKeys::model()).toString(); }
    QString version() const { return field(PackageKeys::version()).toString(); }
    QByteArray image() const { return field(PackageKeys::image()).toByteArray(); }

private:
    QString m_path;
    QMap<QString, QVariant> m_fields;
};

// One SQLite handle on a named connection that stays registered for the
// life of the process. Use it on the thread that first registered the name.
class DDbServer
{
    Q_DECLARE_TR_FUNCTIONS(DDbServer)

public:
    explicit DDbServer(const QString &connectionName);
    virtual ~DDbServer();
    DDbServer(const DDbServer &) = delete;
    DDbServer &operator=(const DDbServer &) = delete;

    // Empty on success, otherwise the user's text. Never creates or changes
    // a file: packages are opened read-only.
    QString readInfo(DEncryptInfo &info);
    // The whole package is held in memory several times over while it is
    // read; firmware images are a few megabytes.
    static constexpr qint64 maxPackageBytes = 256LL * 1024 * 1024;

private:
    QSqlDatabase m_db;
};

// ---- Building packages (zrpack and tests) --------------------------------

QVariantMap packageFields(const QString &device, const QString &model, const QString &version,
                          const QByteArray &image);
// The map serialised the way the reader expects it.
QByteArray packagePayload(const QVariantMap &fields);
// Payload and digest as two serialised byte arrays.
QByteArray sealPackageBlob(const QByteArray &payload, const QByteArray &digest);
// The Base64 text stored in the INFO row for a well-formed package.
QByteArray packageInfoText(const QVariantMap &fields);

// Writes an SQLite package file at `path`, replacing it only once the new
// file is complete. `rows` are the INFO values (one for a good package);
// with createInfoTable false no INFO table is made at all.
bool writePackageDatabase(const QString &path, const QList<QByteArray> &rows, bool createInfoTable,
                          QString *error);
bool writePackage(const QString &path, const QVariantMap &fields, QString *error);
