#pragma once

#include "firmware/httpget.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <atomic>

class QIODevice;
class SafeFileWriter;

// Fetches one package into a folder. The file appears under its own name
// only when the whole body arrived; an older file of that name survives
// every failure and every stop.
class DownloadThread : public QThread
{
    Q_OBJECT

public:
    explicit DownloadThread(QObject *parent = nullptr);
    ~DownloadThread() override;

    void startDownload(const QString &link, const QString &folder);
    void stopDownload();

    // The plain file name the link names, or empty when it names none
    // (empty, ".", "..", or holding a path separator of any platform).
    static QString fileNameOfLink(const QString &link);
    QString link() const { return m_link; }
    // Smaller bounds for tests; the defaults suit real packages and servers.
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    void setTransferTimeout(int ms) { m_transferTimeoutMs = ms; }
    static constexpr qint64 defaultMaxBytes = 512LL * 1024 * 1024;
    QString folder() const { return m_folder; }

signals:
    void signalDownloadSucceed();
    void signalShowErrorMessage(const QString &error);
    void signalSetDownloadProgress(int value);

protected:
    void run() override;
    // True when the whole body was written to `file`.
    virtual bool download(QIODevice *file);

private:
    std::atomic_bool m_stop{false};
    QString m_link;
    QString m_folder;
    qint64 m_maxBytes = defaultMaxBytes;
    int m_transferTimeoutMs = HttpGet::defaultTransferTimeoutMs;
    // The writer of the running transfer, which names a failed write's cause.
    SafeFileWriter *m_writer = nullptr;
};
