#include "firmware/httpget.h"

#ifndef QT_NO_SSL
#include <QSslConfiguration>
#include <QSslSocket>
#endif

HttpGet::HttpGet(const QString &address, int timeoutMs, std::unique_ptr<QNetworkAccessManager> manager)
    : m_manager(manager ? std::move(manager) : std::make_unique<QNetworkAccessManager>())
{
    const QUrl url(address, QUrl::TolerantMode);
    QNetworkRequest request(url);
#ifndef QT_NO_SSL
    // Touching the TLS configuration loads OpenSSL on this worker thread,
    // whose per-thread state OpenSSL then frees twice when the process
    // exits just after the worker (zrvu-cli does): plain HTTP keeps clear.
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        QSslConfiguration ssl = request.sslConfiguration();
        ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
        request.setSslConfiguration(ssl);
    }
#endif
    // Content-Length must describe the bytes we get, not a compressed body.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // A stalled server must not hold a worker forever.
    request.setTransferTimeout(timeoutMs);
    m_reply = m_manager->get(request);

    m_tick.setSingleShot(true);
    QObject::connect(&m_tick, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    if (m_reply) {
        QObject::connect(m_reply, &QNetworkReply::readyRead, &m_loop, &QEventLoop::quit);
        QObject::connect(m_reply, &QNetworkReply::finished, &m_loop, &QEventLoop::quit);
    }
}

HttpGet::~HttpGet()
{
    if (m_reply) {
        m_reply->disconnect();
        // Aborting or closing a reply that already has an error makes Qt
        // report a second one. An error page's error arrives before its end,
        // in a separate event, so a reply that is not finished yet may
        // already carry one: that reply is only deleted, which ends its
        // transfer just the same.
        const bool ending = !m_reply->isFinished() && m_reply->error() != QNetworkReply::NoError;
        if (!ending) {
            if (!m_reply->isFinished())
                m_reply->abort();
            m_reply->close();
        }
        delete m_reply;
    }
    m_manager->clearAccessCache();
}

void HttpGet::waitForActivity(int timeoutMs)
{
    if (!m_reply || m_reply->isFinished() || m_reply->bytesAvailable() > 0)
        return;
    m_tick.start(timeoutMs);
    m_loop.exec();
    m_tick.stop();
}

int HttpGet::status() const
{
    return m_reply ? m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

qint64 HttpGet::contentLength() const
{
    return m_reply ? m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() : 0;
}
