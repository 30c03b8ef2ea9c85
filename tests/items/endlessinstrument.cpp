#include "tests/items/endlessinstrument.h"

#include "link/framecodec.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QUdpSocket>

EndlessInstrument::EndlessInstrument(int limit)
    : m_limit(limit)
{
}

EndlessInstrument::~EndlessInstrument()
{
    requestInterruption();
    wait();
}

bool EndlessInstrument::startListening()
{
    start();
    QElapsedTimer t;
    t.start();
    while (!m_ready.loadAcquire() && t.elapsed() < 5000)
        QThread::msleep(5);
    return m_port != 0;
}

void EndlessInstrument::run()
{
    QUdpSocket socket;
    if (socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0))
        m_port = socket.localPort();
    m_ready.storeRelease(1);
    if (!m_port)
        return;
    QElapsedTimer life;
    life.start();
    while (!isInterruptionRequested() && life.elapsed() < 60000) {
        if (!socket.waitForReadyRead(50))
            continue;
        while (socket.hasPendingDatagrams()) {
            QHostAddress from;
            quint16 fromPort = 0;
            QByteArray request(int(socket.pendingDatagramSize()), '\0');
            socket.readDatagram(request.data(), request.size(), &from, &fromPort);
            if (request.size() != 8 || m_answered.loadAcquire() >= m_limit)
                continue;
            const QByteArray text = "Item" + QByteArray::number(quint8(request.at(3))) + ":1";
            QByteArray reply;
            reply.append(request.at(0)).append('\x03').append(char(text.size())).append(text);
            appendCrcLowFirst(reply);
            // Counted before sending, so the reader never sees the reply first.
            m_answered.fetchAndAddOrdered(1);
            socket.writeDatagram(reply, from, fromPort);
        }
    }
}
