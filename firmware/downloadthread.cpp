#include "firmware/downloadthread.h"

#include "firmware/devicetypemgr.h"
#include "firmware/httpget.h"
#include "settings/fileio.h"

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

void DownloadThread::run()
{
    const QString path = QUrl(m_link, QUrl::TolerantMode).path(QUrl::FullyDecoded);
    const QString rawName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).trimmed();
    const QString name = fileNameOfLink(m_link);
    if (name.isEmpty()) {
        // Shown without its control characters, which a message box or a
        // terminal would act on.
        QString shown;
        for (const QChar c : rawName)
            shown += c.category() == QChar::Other_Control ? QChar(0xFFFD) : c;
        emit signalShowErrorMessage(tr("下载失败,打开文件失败: %1").arg(shown));
        m_stop = false;
        return;
    }

    QDir().mkpath(m_folder);
    // The new body goes to a temporary file beside the target and replaces
    // it only when complete and every write and the flush succeeded.
    SafeFileWriter file(QDir(m_folder).filePath(name));
    if (!file.open()) {
        emit signalShowErrorMessage(tr("下载失败,打开文件失败: %1").arg(name));
        m_stop = false;
        return;
    }
    m_writer = &file;
    const bool complete = download(file.device());
    m_writer = nullptr;
    if (complete && file.commit())
        emit signalDownloadSucceed();
    else if (file.failed() && !m_stop)
        emit signalShowErrorMessage(tr("下载异常: %1").arg(file.errorText()));
    file.cancel();
    m_stop = false;
}

bool DownloadThread::download(QIODevice *file)
{
    HttpGet get(m_link, m_transferTimeoutMs);
    QNetworkReply *reply = get.reply();
    if (!reply) {
        emit signalShowErrorMessage(tr("下载失败,打开链接失败!"));
        return false;
    }
    // Without a bound Qt buffers whatever the server sends faster than the
    // disk takes it.
    reply->setReadBufferSize(kReadBufferBytes);

    emit signalSetDownloadProgress(0);
    bool complete = false;
    bool writeFailed = false;
    bool tooLarge = false;
    qint64 written = 0;
    auto drain = [&]() {
        // A reply cancelled by its timeout is closed.
        if (writeFailed || tooLarge || !reply->isOpen())
            return;
        const QByteArray chunk = reply->read(kReadBufferBytes);
        if (chunk.isEmpty())
            return;
        if (written + chunk.size() > m_maxBytes) {
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
            emit signalSetDownloadProgress(static_cast<int>(qMin<qint64>(100, written * 100 / total)));
        // An error page may be complete too; it is judged once finished.
        const int status = get.status();
        complete = total > 0 && written == total && (status == 0 || (status >= 200 && status < 300));
    };

    for (;;) {
        if (m_stop)
            return false;
        if (get.contentLength() > m_maxBytes)
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

    if (writeFailed) {
        // The writer names the file and the cause (a full disk among them).
        if (!m_writer)
            emit signalShowErrorMessage(tr("下载异常: %1").arg(file->errorString()));
        return false;
    }
    if (tooLarge) {
        emit signalShowErrorMessage(tr("下载异常: 文件过大(超过%1 MB)").arg(m_maxBytes / (1024 * 1024)));
        return false;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        // Only the transfer timeout cancels a reply we did not abort.
        const int seconds = qMax(1, (m_transferTimeoutMs + 999) / 1000);
        emit signalShowErrorMessage(tr("下载异常: 服务器在%1秒内没有发送数据").arg(seconds));
        return false;
    }
    if (reply->error() != QNetworkReply::NoError) {
        emit signalShowErrorMessage(tr("下载异常: %1").arg(reply->errorString()));
        return false;
    }
    if (!complete) {
        emit signalShowErrorMessage(tr("下载异常: 未找到该文件或下载失败"));
        return false;
    }
    return true;
}
