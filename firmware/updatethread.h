#pragma once

#include "firmware/package.h"

#include <QByteArray>
#include <QThread>

#include <functional>

class DeviceLink;

// Writes a package's image into the connected instrument. Runs to success
// or to its first failure; there is no cancellation, so owners wait for it.
class UpdateThread : public QThread
{
    Q_OBJECT

public:
    explicit UpdateThread(QObject *parent = nullptr);
    ~UpdateThread() override;

    // Only while the thread is not running.
    void setPackage(const DEncryptInfo &info) { m_info = info; }
    // Runs on the thread before the flash (the window's backup of the
    // items); a non-empty answer is why it failed: nothing is sent to the
    // instrument then and signalBeforeFlashFailed carries the answer, so the
    // owner can ask whether to flash without it (setSkipBeforeFlash).
    void setBeforeFlash(std::function<QString()> step) { m_beforeFlash = std::move(step); }
    void setSkipBeforeFlash(bool skip) { m_skipBeforeFlash = skip; }

    // Shorter waits for tests; the defaults are what instruments need.
    void setTimeouts(int exchangeMs, int eraseMs, int reopenPauseMs);

signals:
    void signalUpdateSucceed();
    void signalShowErrorMessage(const QString &error);
    void signalUpdateProgress(int value);
    void signalBeforeFlashFailed(const QString &cause);

protected:
    void run() override;

private:
    DEncryptInfo m_info;
    std::function<QString()> m_beforeFlash;
    bool m_skipBeforeFlash = false;
    int m_exchangeTimeoutMs = 5000;
    int m_eraseTimeoutMs = 10000;
    int m_reopenPauseMs = 1000;
};
