#pragma once

#include "firmware/httpget.h"
#include "link/outcome.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class QIODevice;

struct DownloadHooks {
    // Polled once per wait; may be empty.
    std::function<bool()> stopRequested;
    // Percent of the announced length written so far (only when the server
    // announces one).
    std::function<void(int percent)> progress;
};

// Far above any real package; a server that sends more is refused.
constexpr qint64 kDefaultDownloadMaxBytes = 512LL * 1024 * 1024;

struct DownloadLimits {
    qint64 maxBytes = kDefaultDownloadMaxBytes;
    int transferTimeoutMs = HttpGet::defaultTransferTimeoutMs;
};

struct DownloadOutcome {
    Q_GADGET
public:
    enum Status {
        Complete,       // path holds the whole body
        // failure says why: Interrupted (the stop; no message) or
        // DownloadFailed (the link could not be requested).
        Failed,
        BadFileName,    // the link names no plain file; detail: the name as shown
        FileOpenFailed, // detail: the file name
        WriteFailed,    // detail: the cause, naming the file
        TooLarge,       // over limits.maxBytes
        TimedOut,       // nothing arrived for limits.transferTimeoutMs
        TransferError,  // network or HTTP error; detail: the reply's text
        Incomplete,     // ended short of its Content-Length, or had none
    };
    Q_ENUM(Status)
    Status status = Incomplete;
    // None for Complete, Interrupted for the stop, else DownloadFailed.
    Failure::Code failure = Failure::DownloadFailed;
    QString detail;
    QString path;
    qint64 bytes = 0;
    DownloadLimits limits;
};

// Stores the body of `link` as `folder`/<the link's file name>, creating the
// folder. The file appears under its own name only when the whole body
// arrived; an older file of that name survives every failure and every stop.
DownloadOutcome downloadPackage(const QString &link, const QString &folder, const DownloadHooks &hooks,
                                const DownloadLimits &limits = DownloadLimits());
// Only the transfer into an open device: Complete when the whole body was
// written to `file`.
DownloadOutcome transferPackage(const QString &link, QIODevice *file, const DownloadHooks &hooks,
                                const DownloadLimits &limits = DownloadLimits());
// The user's text for a failed download (context DownloadThread); empty for
// Complete and the stop.
QString downloadMessage(const DownloadOutcome &outcome);

// The update dialog's texts around a download (context UpdateDialog).
QString downloadSucceededMessage();
QString downloadNoTypeMessage();
QString downloadNoFolderMessage();

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
    void setMaxBytes(qint64 bytes) { m_limits.maxBytes = bytes; }
    void setTransferTimeout(int ms) { m_limits.transferTimeoutMs = ms; }
    static constexpr qint64 defaultMaxBytes = kDefaultDownloadMaxBytes;
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
    DownloadLimits m_limits;
    DownloadHooks hooks();
};
