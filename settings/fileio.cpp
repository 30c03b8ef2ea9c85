#include "settings/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

FileReadResult readRegularFile(const QString &path, qint64 maxBytes)
{
    FileReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = FileReadResult::NotFound;
        result.detail = SafeFileWriter::tr("文件不存在: %1").arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (!info.isFile()) {
        result.status = FileReadResult::NotRegular;
        result.detail = SafeFileWriter::tr("不是普通文件: %1").arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (info.size() > maxBytes) {
        result.status = FileReadResult::TooLarge;
        result.detail = SafeFileWriter::tr("文件过大(超过%1 MB): %2")
                               .arg(maxBytes / (1024 * 1024))
                               .arg(QDir::toNativeSeparators(path));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FileReadResult::ReadFailed;
        result.detail = SafeFileWriter::tr("读取文件失败: %1").arg(QDir::toNativeSeparators(path));
        return result;
    }
    // The size may have changed since the check; never read past the cap.
    result.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.status = FileReadResult::ReadFailed;
        result.detail = SafeFileWriter::tr("读取文件失败: %1").arg(QDir::toNativeSeparators(path));
        result.bytes.clear();
        return result;
    }
    if (result.bytes.size() > maxBytes) {
        result.status = FileReadResult::TooLarge;
        result.detail = SafeFileWriter::tr("文件过大(超过%1 MB): %2")
                               .arg(maxBytes / (1024 * 1024))
                               .arg(QDir::toNativeSeparators(path));
        result.bytes.clear();
        return result;
    }
    result.status = FileReadResult::Ok;
    return result;
}

QString fileErrorCause(int osError, const QString &fallback)
{
    switch (osError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return SafeFileWriter::tr("磁盘空间不足");
    case EFBIG:
        return SafeFileWriter::tr("文件超过系统允许的大小");
    case EACCES:
    case EPERM:
    case EROFS:
        return SafeFileWriter::tr("没有写入权限");
    default:
        return fallback;
    }
}

// Writers that only see a device ignore short writes (QPdfWriter does):
// every write through it is checked here instead.
class SafeFileWriter::CheckedDevice : public QIODevice
{
public:
    explicit CheckedDevice(SafeFileWriter *owner)
        : m_owner(owner)
    {
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (!m_owner->m_file || m_owner->failed())
            return -1;
        errno = 0;
        if (m_owner->m_file->write(data, length) != length) {
            m_owner->fail(SafeFileWriter::tr("写入文件失败"), errno);
            return -1;
        }
        return length;
    }

private:
    SafeFileWriter *m_owner;
};

SafeFileWriter::SafeFileWriter(const QString &path)
    : m_path(path)
{
}

SafeFileWriter::~SafeFileWriter()
{
    cancel();
}

void SafeFileWriter::fail(const QString &operation, int osError)
{
    if (!m_error.isEmpty())
        return;
    const QString system = m_file ? m_file->errorString() : QString();
    m_cause = fileErrorCause(osError, system);
    m_error = tr("%1: %2 (%3)").arg(operation, QDir::toNativeSeparators(m_path), m_cause);
}

bool SafeFileWriter::open()
{
    m_error.clear();
    m_cause.clear();
    m_openFailed = false;
    const QFileInfo info(m_path);
    // Renaming over a FIFO or a device would replace it; writing into one
    // could block forever.
    if (info.exists() && !info.isFile()) {
        m_error = tr("不是普通文件: %1").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    m_file = std::make_unique<QSaveFile>(m_path);
    m_file->setDirectWriteFallback(false);
    errno = 0;
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_openFailed = true;
        fail(tr("创建文件失败"), errno);
        m_file.reset();
        return false;
    }
    return true;
}

bool SafeFileWriter::write(const QByteArray &bytes)
{
    if (!m_file || failed())
        return false;
    errno = 0;
    if (m_file->write(bytes) != bytes.size()) {
        fail(tr("写入文件失败"), errno);
        return false;
    }
    return true;
}

QIODevice *SafeFileWriter::device()
{
    if (!m_file)
        return nullptr;
    if (!m_device)
        m_device = std::make_unique<CheckedDevice>(this);
    return m_device.get();
}

bool SafeFileWriter::commit()
{
    if (!m_file)
        return false;
    if (failed()) {
        cancel();
        return false;
    }
    // QSaveFile::commit() alone would rename a file whose buffered tail
    // never reached the disk: the flush is where a full disk shows.
    errno = 0;
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError) {
        fail(tr("写入文件失败"), errno);
        cancel();
        return false;
    }
    errno = 0;
    const bool committed = m_file->commit();
    if (!committed)
        fail(tr("保存文件失败"), errno);
    m_file.reset();
    m_device.reset();
    return committed;
}

void SafeFileWriter::cancel()
{
    if (!m_file)
        return;
    m_file->cancelWriting();
    m_file->commit(); // with writing cancelled this only removes the temporary file
    m_file.reset();
    m_device.reset();
}

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    SafeFileWriter writer(path);
    if (!writer.open() || !writer.write(bytes) || !writer.commit())
        return writer.errorText();
    return QString();
}

QString withDefaultSuffix(const QString &fileName, const QString &suffix)
{
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    // "name." has an empty suffix too; it gets the suffix, not a second dot.
    return fileName + (fileName.endsWith(QLatin1Char('.')) ? suffix : QLatin1Char('.') + suffix);
}
