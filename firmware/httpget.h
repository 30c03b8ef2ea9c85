#pragma once

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

// One GET on the calling worker thread, driven by explicit waits instead of
// an event loop of the thread's own.
class HttpGet
{
public:
    // A transfer that receives nothing for timeoutMs is cancelled (the
    // reply then reports OperationCanceledError).
    static constexpr int defaultTransferTimeoutMs = 30000;
    // `manager` only for tests that hand out replies of their own.
    explicit HttpGet(const QString &address, int timeoutMs = defaultTransferTimeoutMs,
                     std::unique_ptr<QNetworkAccessManager> manager = nullptr);
    ~HttpGet();
    HttpGet(const HttpGet &) = delete;
    HttpGet &operator=(const HttpGet &) = delete;

    QNetworkReply *reply() const { return m_reply; }
    // Processes the thread's events until something arrives, the reply
    // finishes or timeoutMs pass.
    void waitForActivity(int timeoutMs);
    // The HTTP status, 0 before the headers (or for non-HTTP schemes).
    int status() const;
    qint64 contentLength() const;

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QNetworkReply *m_reply = nullptr;
    QEventLoop m_loop;
    QTimer m_tick;
};
