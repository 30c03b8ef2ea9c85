#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QSaveFile>
#include <QString>

#include <memory>

// Files from outside (a colleague's item file, a SkipItems, a package) are
// input we do not control: only regular files are opened, so a FIFO or a
// device never blocks the program, and only up to a size the caller names.
struct FileReadResult {
    Q_GADGET
public:
    enum Status { Ok, NotFound, NotRegular, TooLarge, ReadFailed };
    Q_ENUM(Status)
    Status status = ReadFailed;
    QByteArray bytes;
    QString detail; // empty for Ok
    bool ok() const { return status == Ok; }
};
FileReadResult readRegularFile(const QString &path, qint64 maxBytes);

// The one way the program writes a file: into a temporary file beside the
// target, every write and the final flush checked, renamed over the target
// only when all of it succeeded. On any failure the older file stays as it
// was and errorText() names the cause (a full disk among them).
class SafeFileWriter
{
    Q_DECLARE_TR_FUNCTIONS(SafeFileWriter)

public:
    explicit SafeFileWriter(const QString &path);
    ~SafeFileWriter(); // an uncommitted file is discarded
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    bool open();
    // False once any write failed; later writes do nothing.
    bool write(const QByteArray &bytes);
    // For writers that need a device (QPdfWriter, QTextStream): what they
    // write is checked at commit().
    QIODevice *device();
    bool commit();
    void cancel();

    bool failed() const { return !m_error.isEmpty(); }
    QString errorText() const { return m_error; }
    // The system's reason alone ("no such folder"); empty when the failure
    // was no system error (e.g. not a regular file).
    QString errorCause() const { return m_cause; }
    // The file could not even be created; nothing was written.
    bool openFailed() const { return m_openFailed; }
    QString path() const { return m_path; }

private:
    class CheckedDevice;
    friend class CheckedDevice;
    void fail(const QString &operation, int osError);

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QIODevice> m_device;
    QString m_error;
    QString m_cause;
    bool m_openFailed = false;
};

// Writes `bytes` as the whole file; empty on success, else the cause.
QString writeWholeFile(const QString &path, const QByteArray &bytes);

// A name picked in a save dialog, with ".suffix" added when it has none
// ("log" and "log." become "log.txt"); a name with any suffix is kept as the
// user typed it.
QString withDefaultSuffix(const QString &fileName, const QString &suffix);

// The user's text for an operating-system error of a file operation.
QString fileErrorCause(int osError, const QString &fallback);
