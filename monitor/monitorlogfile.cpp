#include "monitor/monitorlogfile.h"

#include "settings/fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSaveFile>

#include <cerrno>
#include <memory>

namespace {

class LogWorker : public QObject
{
public:
    std::unique_ptr<QFile> file;
};

QString failText(const QString &fileName, const QString &error)
{
    return QCoreApplication::translate("MonitorDialog", "无法写入 %1: %2").arg(QDir::toNativeSeparators(fileName), error);
}

// Qt's own text for a full disk is "unknown error" or "cancelled by the
// application"; the cause is named as the other writers name it.
QString causeText(int osError, const QFileDevice &file)
{
    return fileErrorCause(osError, file.errorString());
}

} // namespace

MonitorLogFile::MonitorLogFile(QObject *parent)
    : QObject(parent)
{
    auto *worker = new LogWorker;
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    m_thread.setObjectName(QStringLiteral("MonitorLogFile"));
    m_thread.start();
}

MonitorLogFile::~MonitorLogFile()
{
    stop();
    m_thread.quit();
    m_thread.wait();
}

void MonitorLogFile::start(const QString &fileName)
{
    m_active = true;
    auto *worker = static_cast<LogWorker *>(m_worker);
    QMetaObject::invokeMethod(worker, [this, worker, fileName] {
        worker->file = std::make_unique<QFile>(fileName);
        errno = 0;
        if (!worker->file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString error = causeText(errno, *worker->file);
            worker->file.reset();
            emit failed(failText(fileName, error));
        }
    });
}

void MonitorLogFile::append(const QString &text)
{
    if (!m_active)
        return;
    auto *worker = static_cast<LogWorker *>(m_worker);
    QMetaObject::invokeMethod(worker, [this, worker, text] {
        if (!worker->file)
            return;
        const QByteArray bytes = text.toUtf8();
        errno = 0;
        if (worker->file->write(bytes) != bytes.size() || !worker->file->flush()) {
            const QString message = failText(worker->file->fileName(), causeText(errno, *worker->file));
            worker->file.reset();
            emit failed(message);
        }
    });
}

void MonitorLogFile::stop()
{
    if (!m_active)
        return;
    m_active = false;
    auto *worker = static_cast<LogWorker *>(m_worker);
    QMetaObject::invokeMethod(worker, [worker] { worker->file.reset(); });
}

void MonitorLogFile::sync()
{
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}

void writeFileInBackground(const QString &fileName, const QByteArray &bytes, QObject *context,
                           std::function<void(bool ok, const QString &error)> done)
{
    QPointer<QObject> guard(context);
    QThread *thread = QThread::create([fileName, bytes, guard, done] {
        QSaveFile file(fileName);
        errno = 0;
        const bool opened = file.open(QIODevice::WriteOnly);
        // The flush is where a full disk shows; commit() alone would only
        // say that writing was cancelled.
        bool ok = opened && file.write(bytes) == bytes.size() && file.flush();
        int osError = errno;
        if (ok) {
            errno = 0;
            ok = file.commit();
            osError = errno;
        } else if (opened) {
            file.cancelWriting();
        }
        const QString error = ok ? QString() : failText(fileName, causeText(osError, file));
        // Run where the context lives; the guard is judged there.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [guard, done, ok, error] {
            if (guard && done)
                done(ok, error);
        });
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
