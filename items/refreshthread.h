#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>

#include "settings/linksettings.h"

class DeviceLink;

#include "items/itemread.h"

// Reads the instrument's item list (readItemList) on its own thread.
// Reports only through its signals.
class RefreshThread : public QThread
{
    Q_OBJECT

public:
    explicit RefreshThread(QObject *parent = nullptr);
    ~RefreshThread() override;

    static constexpr int kMaxItems = ::kMaxItems;
    static constexpr int kFirstTimeoutMs = kItemFirstTimeoutMs;
    static constexpr int kRetryTimeoutMs = kItemRetryTimeoutMs;

    // Only while not running (tests shorten the waits).
    void setTimeouts(int firstMs, int retryMs);
    // Only while not running: the next run opens its link with these
    // instead of reading the store on the worker thread.
    void setLinkSettings(const LinkSettings &settings);

    // The whole refresh on an unopened link; usable without a thread.
    void readItems(DeviceLink &link);
    // One exchange judged as readItems judges it (retried once on a link
    // error, index -1 being the retry). True means stop; emits
    // showErrorMessage itself on an error.
    bool checkReply(int result, DeviceLink &link, int index, QByteArray &reply);

    // The refresh ends at once: the wait for the item on the wire (or its
    // retry) is given up. clearStop only while not running.
    void requestStop() { m_stop = true; }
    void clearStop() { m_stop = false; }
    bool stopRequested() const { return m_stop; }
    // Whether the last run ended on requestStop.
    bool wasStopped() const { return m_stopped; }
    static QString stoppedText(int items);

signals:
    void signalClearItems();
    void signalAddItems(int index, const QStringList &list);
    void showErrorMessage(const QString &title, const QString &error, const QString &image);

protected:
    void run() override;

private:
    int m_firstTimeoutMs = kFirstTimeoutMs;
    int m_retryTimeoutMs = kRetryTimeoutMs;
    bool m_hasLinkSettings = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stopped{false};
    LinkSettings m_linkSettings;
};
