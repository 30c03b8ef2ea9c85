#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

class DeviceLink;

// The item fields of a reply that checkReply accepted: the N data bytes
// after the header, decoded and split at every ':'.
QStringList itemReplyFields(const QByteArray &reply);

// Reads the instrument's item list, one request per item, until the empty
// item or the first error. Reports only through its signals.
class RefreshThread : public QThread
{
    Q_OBJECT

public:
    explicit RefreshThread(QObject *parent = nullptr);
    ~RefreshThread() override;

    // The request byte addresses 256 items; reading on would only repeat
    // items 0, 1, … under new indexes (and never end on such an instrument).
    static constexpr int kMaxItems = 256;
    static constexpr int kFirstTimeoutMs = 3000;
    static constexpr int kRetryTimeoutMs = 5000;
    // After the empty item: how long a second copy of a reply may still
    // come in (an instrument that answers twice shifts every later row).
    static constexpr int kSettleMs = 100;

    // Only while not running (tests shorten the waits).
    void setTimeouts(int firstMs, int retryMs);

    // The whole refresh on an unopened link; usable without a thread.
    void readItems(DeviceLink &link);
    int requestItem(DeviceLink &link, int index, QByteArray &reply, int timeoutMs);
    // True means stop; emits showErrorMessage itself on an error.
    bool checkReply(int result, DeviceLink &link, int index, QByteArray &reply);

signals:
    void signalClearItems();
    void signalAddItems(int index, const QStringList &list);
    void showErrorMessage(const QString &title, const QString &error, const QString &image);

protected:
    void run() override;

private:
    void fail(const QString &title, const QString &error);

    int m_firstTimeoutMs = kFirstTimeoutMs;
    int m_retryTimeoutMs = kRetryTimeoutMs;
    bool m_failed = false; // this refresh has shown its error
};
