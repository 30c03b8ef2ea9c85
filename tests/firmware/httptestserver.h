#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

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
