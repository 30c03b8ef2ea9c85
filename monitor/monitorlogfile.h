#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// Appends text to a file on a thread of its own, flushing after every
// piece, so that the GUI thread never waits for the disk and everything
// handed over is in the file even if the program ends.
class MonitorLogFile : public QObject
{
    Q_OBJECT

public:
    explicit MonitorLogFile(QObject *parent = nullptr);
    // Writes what is still queued, then closes.
    ~MonitorLogFile() override;

    // Appends from now on (the file is created when missing).
    void start(const QString &fileName);
    void append(const QString &text);
    void stop();
    bool isActive() const { return m_active; }
    // Returns once everything handed over so far is written.
    void sync();

signals:
    // Queued to the owner's thread; logging has stopped.
    void failed(const QString &message);

private:
    QThread m_thread;
    QObject *m_worker = nullptr;
    bool m_active = false;
};

// Writes `bytes` to `fileName` (replacing it) off the calling thread; `done`
// runs on `context`'s thread with the outcome, unless `context` is gone.
void writeFileInBackground(const QString &fileName, const QByteArray &bytes, QObject *context,
                           std::function<void(bool ok, const QString &error)> done);
