#include "httptestserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpTestServer::slotNewConnection);
}

HttpTestServer::~HttpTestServer() = default;

bool HttpTestServer::listen()
{
    return m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
}

QString HttpTestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void HttpTestServer::slotNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *buffer = new QByteArray;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = buffer->left(end);
            buffer->clear();
            serve(socket, head);
        });
    }
}

void HttpTestServer::serve(QTcpSocket *socket, const QByteArray &head)
{
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_requested << QUrl::fromPercentEncoding(path.toLatin1());

    Response response;
    if (m_routes.contains(path)) {
        response = m_routes.value(path);
    } else {
        response.status = 404;
        response.body = "<html><body>missing</body></html>";
    }
    QByteArray header = "HTTP/1.1 " + QByteArray::number(response.status)
                        + (response.status == 200 ? " OK" : response.status == 404 ? " Not Found" : " Other")
                        + "\r\nContent-Type: application/octet-stream\r\n" + response.extraHeaders;
    if (response.withLength)
        header += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    header += "Connection: close\r\n\r\n";
    socket->write(header);
    sendBody(socket, response, 0);
}

void HttpTestServer::sendBody(QTcpSocket *socket, Response response, int offset)
{
    int end = response.body.size();
    if (response.chunkSize > 0)
        end = qMin(end, offset + response.chunkSize);
    if (response.closeAfter >= 0)
        end = qMin(end, response.closeAfter);
    socket->write(response.body.mid(offset, end - offset));

    if (response.closeAfter >= 0 && end >= response.closeAfter) {
        if (response.stallAfterClose)
            return; // the peer waits until it gives up or is stopped
        // Pending bytes still go out; then the peer sees the connection end
        // before the announced length.
        socket->disconnectFromHost();
        return;
    }
    if (end >= response.body.size()) {
        socket->disconnectFromHost();
        return;
    }
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(response.chunkDelayMs, this, [this, guard, response, end] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            sendBody(guard, response, end);
    });
}
