#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QThread>
#include <QtTest>

#include <memory>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for catalogue and download tests.
// It runs on the thread that created it, so tests keep its event loop
// spinning (QSignalSpy::wait, QTRY_*) while a worker fetches.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    struct Response {
        int status = 200;
        QByteArray body;
        bool withLength = true;   // otherwise the end is marked by closing
        int chunkSize = 0;        // > 0: send the body in pieces
        int chunkDelayMs = 0;     // pause between pieces
        int closeAfter = -1;      // >= 0: drop the connection after this many body bytes
        bool stallAfterClose = false; // with closeAfter: keep the connection open instead
        QByteArray extraHeaders;      // whole lines, each ending in \r\n
    };

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &path) const;
    void setResponse(const QString &path, const Response &response) { m_routes.insert(path, response); }
    QStringList requestedPaths() const { return m_requested; }

private slots:
    void slotNewConnection();

private:
    void serve(QTcpSocket *socket, const QByteArray &head);
    void sendBody(QTcpSocket *socket, Response response, int offset);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QStringList m_requested;
};

// Runs a synchronous operation on a thread of its own while this thread's
// events (the server's) keep running; bounded so a hung operation fails.
template <class Result, class Work>
bool runBesideServer(Work work, Result *result, int timeoutMs = 20000)
{
    std::unique_ptr<QThread> thread(QThread::create([&] { *result = work(); }));
    thread->start();
    const bool done = QTest::qWaitFor([&] { return thread->isFinished(); }, timeoutMs);
    thread->wait();
    return done;
}
