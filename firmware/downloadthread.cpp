#include "firmware/downloadthread.h"

#include "firmware/devicetypemgr.h"
#include "firmware/httpget.h"
#include "settings/fileio.h"

#include <QCoreApplication>
#include <QDir>

namespace {

constexpr int kWaitMs = 100;
constexpr qint64 kReadBufferBytes = 256 * 1024;

} // namespace

DownloadThread::DownloadThread(QObject *parent)
    : QThread(parent)
{
}

DownloadThread::~DownloadThread()
{
    stopDownload();
}

void DownloadThread::startDownload(const QString &link, const QString &folder)
{
    if (isRunning())
        return;
    m_stop = false;
    m_link = link;
    m_folder = folder;
    start();
}

void DownloadThread::stopDownload()
{
    if (!isRunning())
        return;
    m_stop = true;
    wait();
}

QString DownloadThread::fileNameOfLink(const QString &link)
{
    const QString path = QUrl(link, QUrl::TolerantMode).path(QUrl::FullyDecoded);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).trimmed();
    // Decoding may turn %5C or %2F into separators; a name must stay inside
    // the chosen folder. A decoded NUL would cut the name short on disk.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || DeviceTypeMgr::hasControlCharacter(name))
        return QString();
    return name;
}

DownloadOutcome transferPackage(const QString &link, QIODevice *file, const DownloadHooks &hooks,
                                const DownloadLimits &limits)
{
    DownloadOutcome out;
    out.limits = limits;
    auto finish = [&](DownloadOutcome::Status status, const QString &detail = QString()) {
        out.status = status;
        out.failure = status == DownloadOutcome::Complete ? Failure::None : Failure::DownloadFailed;
        out.detail = detail;
        return out;
    };
    auto stopped = [&] { return hooks.stopRequested && hooks.stopRequested(); };
    auto progress = [&](int percent) {
        if (hooks.progress)
            hooks.progress(percent);
    };

    HttpGet get(link, limits.transferTimeoutMs);
    QNetworkReply *reply = get.reply();
    if (!reply)
        return finish(DownloadOutcome::Failed);
    // Without a bound Qt buffers whatever the server sends faster than the
    // disk takes it.
    reply->setReadBufferSize(kReadBufferBytes);

    progress(0);
    bool complete = false;
    bool writeFailed = false;
    bool tooLarge = false;
    qint64 &written = out.bytes;
    auto drain = [&]() {
        // A reply cancelled by its timeout is closed.
        if (writeFailed || tooLarge || !reply->isOpen())
            return;
        const QByteArray chunk = reply->read(kReadBufferBytes);
        if (chunk.isEmpty())
            return;
        if (written + chunk.size() > limits.maxBytes) {
            tooLarge = true;
            return;
        }
        if (file->write(chunk) != chunk.size()) {
            writeFailed = true;
            return;
        }
        written += chunk.size();
        const qint64 total = get.contentLength();
        if (total > 0)
            progress(static_cast<int>(qMin<qint64>(100, written * 100 / total)));
        // An error page may be complete too; it is judged once finished.
        const int status = get.status();
        complete = total > 0 && written == total && (status == 0 || (status >= 200 && status < 300));
    };

    for (;;) {
        if (stopped()) {
            finish(DownloadOutcome::Failed);
            out.failure = Failure::Interrupted;
            return out;
        }
        if (get.contentLength() > limits.maxBytes)
            tooLarge = true;
        if (reply->isFinished() || complete || writeFailed || tooLarge)
            break;
        get.waitForActivity(kWaitMs);
        drain();
    }
    // Bytes that came with the end of the transfer.
    while (reply->isFinished() && reply->isOpen() && !complete && !writeFailed && !tooLarge
           && reply->bytesAvailable() > 0)
        drain();

    if (writeFailed)
        return finish(DownloadOutcome::WriteFailed, file->errorString());
    if (tooLarge)
        return finish(DownloadOutcome::TooLarge);
    // Only the transfer timeout cancels a reply we did not abort.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return finish(DownloadOutcome::TimedOut);
    if (reply->error() != QNetworkReply::NoError)
        return finish(DownloadOutcome::TransferError, reply->errorString());
    if (!complete)
        return finish(DownloadOutcome::Incomplete);
    return finish(DownloadOutcome::Complete);
}

DownloadOutcome downloadPackage(const QString &link, const QString &folder, const DownloadHooks &hooks,
                                const DownloadLimits &limits)
{
    DownloadOutcome out;
    out.limits = limits;
    const QString name = DownloadThread::fileNameOfLink(link);
    if (name.isEmpty()) {
        const QString path = QUrl(link, QUrl::TolerantMode).path(QUrl::FullyDecoded);
        const QString rawName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).trimmed();
        // Shown without its control characters, which a message box or a
        // terminal would act on.
        for (const QChar c : rawName)
            out.detail += c.category() == QChar::Other_Control ? QChar(0xFFFD) : c;
        out.status = DownloadOutcome::BadFileName;
        return out;
    }

    QDir().mkpath(folder);
    // The new body goes to a temporary file beside the target and replaces
    // it only when complete and every write and the flush succeeded.
    SafeFileWriter file(QDir(folder).filePath(name));
    if (!file.open()) {
        out.status = DownloadOutcome::FileOpenFailed;
        out.detail = name;
        return out;
    }
    out = transferPackage(link, file.device(), hooks, limits);
    out.path = file.path();
    if (out.status == DownloadOutcome::Complete && !file.commit()) {
        out.status = DownloadOutcome::WriteFailed;
        out.failure = Failure::DownloadFailed;
        out.detail = file.errorText();
    } else if (out.status == DownloadOutcome::WriteFailed && file.failed()) {
        // The writer names the file and the cause (a full disk among them).
        out.detail = file.errorText();
    }
    file.cancel();
    return out;
}

QString downloadMessage(const DownloadOutcome &outcome)
{
    switch (outcome.status) {
    case DownloadOutcome::Complete:
        return QString();
    case DownloadOutcome::Failed:
        if (outcome.failure == Failure::Interrupted)
            return QString();
        return QCoreApplication::translate("DownloadThread", "下载失败,打开链接失败!");
    case DownloadOutcome::BadFileName:
    case DownloadOutcome::FileOpenFailed:
        return QCoreApplication::translate("DownloadThread", "下载失败,打开文件失败: %1").arg(outcome.detail);
    case DownloadOutcome::WriteFailed:
    case DownloadOutcome::TransferError:
        return QCoreApplication::translate("DownloadThread", "下载异常: %1").arg(outcome.detail);
    case DownloadOutcome::TooLarge:
        return QCoreApplication::translate("DownloadThread", "下载异常: 文件过大(超过%1 MB)")
            .arg(outcome.limits.maxBytes / (1024 * 1024));
    case DownloadOutcome::TimedOut:
        return QCoreApplication::translate("DownloadThread", "下载异常: 服务器在%1秒内没有发送数据")
            .arg(qMax(1, (outcome.limits.transferTimeoutMs + 999) / 1000));
    case DownloadOutcome::Incomplete:
        break;
    }
    return QCoreApplication::translate("DownloadThread", "下载异常: 未找到该文件或下载失败");
}

QString downloadSucceededMessage()
{
    return QCoreApplication::translate("UpdateDialog", "文件下载成功!");
}

QString downloadNoTypeMessage()
{
    return QCoreApplication::translate("UpdateDialog", "请选择设备类型!");
}

QString downloadNoFolderMessage()
{
    return QCoreApplication::translate("UpdateDialog", "请选择下载路径!");
}

DownloadHooks DownloadThread::hooks()
{
    DownloadHooks h;
    h.stopRequested = [this] { return m_stop.load(); };
    h.progress = [this](int percent) { emit signalSetDownloadProgress(percent); };
    return h;
}

void DownloadThread::run()
{
    const DownloadOutcome outcome = downloadPackage(m_link, m_folder, hooks(), m_limits);
    if (outcome.status == DownloadOutcome::Complete)
        emit signalDownloadSucceed();
    else if (outcome.failure != Failure::Interrupted)
        emit signalShowErrorMessage(downloadMessage(outcome));
    m_stop = false;
}

bool DownloadThread::download(QIODevice *file)
{
    const DownloadOutcome outcome = transferPackage(m_link, file, hooks(), m_limits);
    if (outcome.status != DownloadOutcome::Complete && outcome.failure != Failure::Interrupted)
        emit signalShowErrorMessage(downloadMessage(outcome));
    return outcome.status == DownloadOutcome::Complete;
}
