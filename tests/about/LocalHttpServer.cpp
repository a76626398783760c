#include "LocalHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace mirtal::about::test {
namespace {

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kEndlessCap = qint64(256) * 1024 * 1024; // the test ends even if the client never lets go

} // namespace

LocalHttpServer::LocalHttpServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                socket->setProperty("head", head);
                if (!head.endsWith("\r\n\r\n") || socket->property("answered").toBool())
                    return;
                socket->setProperty("answered", true);
                ++m_requests;
                answer(socket);
            });
        }
    });
}

QUrl LocalHttpServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/update.txt").arg(m_server.serverPort()));
}

void LocalHttpServer::serve(Behaviour behaviour, QByteArray rawResponse, bool announceLength)
{
    m_behaviour = behaviour;
    m_response = std::move(rawResponse);
    m_announceLength = announceLength;
}

QByteArray LocalHttpServer::response(int status, const QByteArray& body, bool withLength)
{
    QByteArray raw = "HTTP/1.1 " + QByteArray::number(status) + " Whatever\r\nContent-Type: text/plain\r\n";
    if (withLength)
        raw += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return raw + "Connection: close\r\n\r\n" + body;
}

quint16 LocalHttpServer::refusedPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : quint16(0);
}

void LocalHttpServer::answer(QTcpSocket* socket)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n";
    switch (m_behaviour) {
    case Behaviour::Respond:
        socket->write(m_response);
        socket->disconnectFromHost();
        break;
    case Behaviour::Silent:
        break;
    case Behaviour::Drop:
        socket->abort();
        break;
    case Behaviour::Endless:
        socket->write(ok +
                      (m_announceLength ? QByteArray("Content-Length: " + QByteArray::number(kEndlessCap) + "\r\n")
                                        : QByteArray()) +
                      "\r\n");
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] { feed(socket); });
        feed(socket);
        break;
    case Behaviour::Trickle: {
        socket->write(ok + "\r\n");
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write("m"); });
        drip->start(20);
        break;
    }
    case Behaviour::RedirectLoop:
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + url().toEncoded() +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        break;
    }
}

void LocalHttpServer::feed(QTcpSocket* socket)
{
    qint64 sent = socket->property("sent").toLongLong();
    if (socket->state() != QAbstractSocket::ConnectedState || sent >= kEndlessCap)
        return;
    if (socket->bytesToWrite() < kChunk) {
        socket->write(QByteArray(kChunk, 'x'));
        sent += kChunk;
        socket->setProperty("sent", sent);
        if (sent >= kEndlessCap)
            socket->disconnectFromHost();
    }
}

} // namespace mirtal::about::test
