#include "firmware/package.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

namespace {

// Column 0 of the first row of a count query; anything failing counts as 0.
int countOf(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.prepare(sql) || !query.exec() || !query.next())
        return 0;
    return query.value(0).toInt();
}

// Qt's list readers reserve room for the count they read before reading a
// single element, so one count field in a payload of a few bytes could make
// a reading allocate gigabytes. Each element takes at least four bytes, so
// a larger count could never be met anyway.
constexpr int kMinElementBytes = 4;
// Deeper nesting than any package needs would only exhaust the stack.
constexpr int kMaxNesting = 32;

bool countFits(QDataStream &in, quint32 *count)
{
    in >> *count;
    return in.status() == QDataStream::Ok && *count <= in.device()->bytesAvailable() / kMinElementBytes;
}

bool variantFits(QDataStream &in, int depth);

bool variantMapFits(QDataStream &in, int depth)
{
    quint32 n = 0;
    if (!countFits(in, &n))
        return false;
    for (quint32 i = 0; i < n; ++i) {
        QString key;
        in >> key;
        if (in.status() != QDataStream::Ok || !variantFits(in, depth))
            return false;
    }
    return true;
}

template<typename T>
bool plainListFits(QDataStream &in)
{
    quint32 n = 0;
    if (!countFits(in, &n))
        return false;
    for (quint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
        T element;
        in >> element;
    }
    return in.status() == QDataStream::Ok;
}

// Plain values whose reading is bounded by the bytes they take. Other types
// hide containers of their own (an easing curve's point vector, a polygon)
// or decode images, and a package never holds them: those are refused.
bool isPlainValue(int type)
{
    switch (type) {
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QBitArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QUuid:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QLine:
    case QMetaType::QLineF:
        return true;
    default:
        return false;
    }
}

// Walks one serialised variant without building its containers; plain
// values are read by Qt itself so that the walk ends where Qt's reading
// would.
bool variantFits(QDataStream &in, int depth)
{
    if (depth > kMaxNesting)
        return false;
    const qint64 start = in.device()->pos();
    quint32 stored = 0;
    qint8 isNull = 0;
    in >> stored >> isNull;
    if (in.status() != QDataStream::Ok)
        return false;
    // Resolve the type the way Qt's reading does: a user type by its name,
    // any other id cut to the 30 bits a variant keeps (so 0x40000009 reads
    // as a variant list too).
    int type = static_cast<int>(stored & 0x3FFFFFFF);
    if (stored == QMetaType::User) {
        QByteArray name;
        in >> name;
        type = QMetaType::type(name.constData());
        if (in.status() != QDataStream::Ok || type == QMetaType::UnknownType)
            return false;
    }
    switch (type) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return variantMapFits(in, depth + 1);
    case QMetaType::QVariantList: {
        quint32 n = 0;
        if (!countFits(in, &n))
            return false;
        for (quint32 i = 0; i < n; ++i) {
            if (!variantFits(in, depth + 1))
                return false;
        }
        return true;
    }
    case QMetaType::QStringList:
        return plainListFits<QString>(in);
    case QMetaType::QByteArrayList:
        return plainListFits<QByteArray>(in);
    default: {
        if (!isPlainValue(type))
            return false;
        in.device()->seek(start);
        QVariant leaf;
        in >> leaf;
        return in.status() == QDataStream::Ok;
    }
    }
}

// False when the payload would not read as a field map anyway, decided
// before Qt reserves anything for it.
bool payloadFits(const QByteArray &payload)
{
    QDataStream in(payload);
    return variantMapFits(in, 0);
}

} // namespace

DDbServer::DDbServer(const QString &connectionName)
{
    // The file it last pointed at is not reopened here: every reading sets
    // its own file first.
    if (QSqlDatabase::contains(connectionName))
        m_db = QSqlDatabase::database(connectionName, false);
    else
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
}

DDbServer::~DDbServer()
{
    m_db.close();
}

QString DDbServer::readInfo(DEncryptInfo &info)
{
    const QFileInfo file(info.path());
    // Regular files only: SQLite would block on a FIFO or read a device
    // without end.
    if (info.path().isEmpty() || !file.exists() || !file.isFile() || !file.isReadable())
        return tr("解析文件失败,文件不存在或拒绝访问!");
    if (file.size() > maxPackageBytes)
        return tr("解析文件失败,文件过大!");

    m_db.close();
    m_db.setDatabaseName(info.path());
    // Read-only: a reading must never create, roll back or otherwise touch
    // the user's file.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_db.open())
        return tr("解析文件失败,打开文件失败,请检查文件类型!");

    if (countOf(m_db, QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = 'INFO'")) != 1)
        return tr("解析文件失败,文件操作失败!");
    if (countOf(m_db, QStringLiteral("select count(*) from INFO")) != 1)
        return tr("解析文件失败,文件操作失败!");

    QByteArray text;
    {
        QSqlQuery query(m_db);
        if (!query.prepare(QStringLiteral("select * from INFO")) || !query.exec() || !query.next())
            return tr("解析文件失败,无法获取文件内容!");
        text = query.value(0).toByteArray();
    }

    const QByteArray blob = QByteArray::fromBase64(text);
    QDataStream sealed(blob);
    QByteArray payload;
    QByteArray digest;
    sealed >> payload >> digest;
    if (QCryptographicHash::hash(payload, QCryptographicHash::Md5) != digest)
        return tr("解析文件失败,文件校验失败!");

    // A payload whose counts outrun it reads as an empty map, as one that
    // ends early does.
    QMap<QString, QVariant> fields;
    if (payloadFits(payload)) {
        QDataStream in(payload);
        in >> fields;
    }
    info.setFields(fields);
    return QString();
}

QVariantMap packageFields(const QString &device, const QString &model, const QString &version,
                          const QByteArray &image)
{
    QVariantMap fields;
    fields.insert(PackageKeys::device(), device);
    fields.insert(PackageKeys::model(), model);
    fields.insert(PackageKeys::version(), version);
    fields.insert(PackageKeys::image(), image);
    return fields;
}

QByteArray packagePayload(const QVariantMap &fields)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << fields;
    return payload;
}

QByteArray sealPackageBlob(const QByteArray &payload, const QByteArray &digest)
{
    QByteArray blob;
    QDataStream out(&blob, QIODevice::WriteOnly);
    out << payload << digest;
    return blob;
}

QByteArray packageInfoText(const QVariantMap &fields)
{
    const QByteArray payload = packagePayload(fields);
    return sealPackageBlob(payload, QCryptographicHash::hash(payload, QCryptographicHash::Md5)).toBase64();
}

bool writePackageDatabase(const QString &path, const QList<QByteArray> &rows, bool createInfoTable,
                          QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };

    // Build beside the target so the final rename stays on one file system
    // and an older package survives a failed build.
    QString tempPath;
    {
        QTemporaryFile temp(path + QStringLiteral(".XXXXXX"));
        temp.setAutoRemove(false);
        if (!temp.open())
            return fail(QStringLiteral("cannot create %1: %2").arg(temp.fileTemplate(), temp.errorString()));
        tempPath = temp.fileName();
    }

    const QString connection = QStringLiteral("zrpack-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(tempPath);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (createInfoTable && !query.exec(QStringLiteral("create table INFO (data TEXT)")))
                failure = query.lastError().text();
            if (!createInfoTable && failure.isEmpty() && !query.exec(QStringLiteral("create table OTHER (data TEXT)")))
                failure = query.lastError().text();
            for (const QByteArray &row : rows) {
                if (!failure.isEmpty() || !createInfoTable)
                    break;
                if (!query.prepare(QStringLiteral("insert into INFO (data) values (?)"))) {
                    failure = query.lastError().text();
                    break;
                }
                query.addBindValue(QString::fromLatin1(row));
                if (!query.exec())
                    failure = query.lastError().text();
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);

    if (!failure.isEmpty()) {
        QFile::remove(tempPath);
        return fail(failure);
    }
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        QFile::remove(tempPath);
        return fail(QStringLiteral("cannot replace %1").arg(path));
    }
    if (!QFile::rename(tempPath, path)) {
        QFile::remove(tempPath);
        return fail(QStringLiteral("cannot rename %1 to %2").arg(tempPath, path));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                    | QFileDevice::ReadOther);
    return true;
}

bool writePackage(const QString &path, const QVariantMap &fields, QString *error)
{
    return writePackageDatabase(path, {packageInfoText(fields)}, true, error);
}
