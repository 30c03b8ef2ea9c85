// DDbServer::readInfo on a package file made from the input. The first byte
// picks what the rest is: 0 the whole file, 1 the INFO row's text in an
// otherwise well-formed database, 2 the payload of a correctly sealed
// package (so that the field-map reader is reached past the digest).
// Run with -malloc_limit_mb: no length field may make the reader allocate
// far more than the file holds.
#include "firmware/package.h"
#include "fuzz/fuzzcheck.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

namespace {

QString scratchRoot()
{
    // Every input is a file write plus an SQLite open: keep it off the disk.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QSet<QString> errorTexts()
{
    return {QStringLiteral("解析文件失败,文件不存在或拒绝访问!"), QStringLiteral("解析文件失败,打开文件失败,请检查文件类型!"),
            QStringLiteral("解析文件失败,文件操作失败!"), QStringLiteral("解析文件失败,无法获取文件内容!"),
            QStringLiteral("解析文件失败,文件校验失败!")};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // Qt warns about every unknown type name a mutated payload holds.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 0x100000)
        return 0;
    static QTemporaryDir dir(scratchRoot() + QStringLiteral("/zr-fuzz-package-XXXXXX"));
    static const QSet<QString> errors = errorTexts();
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("p.zrbin"));
    QFile::remove(path);

    const int mode = data[0] % 3;
    const QByteArray rest = fuzzBytes(data + 1, size - 1);
    bool written = false;
    if (mode == 0) {
        written = writeFile(path, rest);
    } else if (mode == 1) {
        written = writePackageDatabase(path, {rest}, true, nullptr);
    } else {
        const QByteArray digest = QCryptographicHash::hash(rest, QCryptographicHash::Md5);
        written = writePackageDatabase(path, {sealPackageBlob(rest, digest).toBase64()}, true, nullptr);
    }
    if (!written)
        return 0;
    const QByteArray before = mode == 0 ? rest : QByteArray();

    DEncryptInfo info(path);
    QVariantMap marker;
    marker.insert(QStringLiteral("marker"), 1);
    info.setFields(marker);
    QString result;
    {
        DDbServer db(packageConnectionName());
        result = db.readInfo(info);
    }
    FUZZ_CHECK(result.isEmpty() || errors.contains(result));
    // Nothing is published from a refused file.
    if (!result.isEmpty())
        FUZZ_CHECK(info.fields() == marker);
    // A correctly sealed payload always passes, whatever it holds.
    if (mode == 2)
        FUZZ_CHECK(result.isEmpty());
    // Read-only: the file is as it was written.
    if (mode == 0) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == before);
    }
    return 0;
}
