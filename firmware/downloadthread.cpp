#include "firmware/downloadthread.h"

#include "firmware/httpget.h"

#include <QDir>
#include <QSaveFile>

namespace {

constexpr int kWaitMs = 100;

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
    // the chosen folder.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QString();
    return name;
}

void DownloadThread::run()
{
    const QString path = QUrl(m_link, QUrl::TolerantMode).path(QUrl::FullyDecoded);
    const QString rawName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).trimmed();
    const QString name = fileNameOfLink(m_link);
    if (name.isEmpty()) {
        emit signalShowErrorMessage(tr("下载失败,打开文件失败: %1").arg(rawName));
        m_stop = false;
        return;
    }

    QDir().mkpath(m_folder);
    // The new body goes to a temporary file beside the target and replaces
    // it only when complete.
    QSaveFile file(QDir(m_folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        emit signalShowErrorMessage(tr("下载失败,打开文件失败: %1").arg(name));
        m_stop = false;
        return;
    }
    if (download(&file)) {
        if (file.commit())
            emit signalDownloadSucceed();
        else
            emit signalShowErrorMessage(tr("下载异常: %1").arg(file.errorString()));
    } else {
        file.cancelWriting();
    }
    m_stop = false;
}

bool DownloadThread::download(QIODevice *file)
{
    HttpGet get(m_link);
    QNetworkReply *reply = get.reply();
    if (!reply) {
        emit signalShowErrorMessage(tr("下载失败,打开链接失败!"));
        return false;
    }

    emit signalSetDownloadProgress(0);
    bool complete = false;
    qint64 written = 0;
    QString writeError;
    auto drain = [&]() {
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty() || !writeError.isEmpty())
            return;
        if (file->write(chunk) != chunk.size()) {
            writeError = file->errorString();
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
        if (reply->isFinished() || complete || !writeError.isEmpty())
            break;
        get.waitForActivity(kWaitMs);
        drain();
    }
    // Bytes that came with the end of the transfer.
    if (reply->isFinished() && !complete)
        drain();

    if (!writeError.isEmpty()) {
        emit signalShowErrorMessage(tr("下载异常: %1").arg(writeError));
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
