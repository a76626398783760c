#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace mirtal::about::test {

// A tiny HTTP server on 127.0.0.1 for one test: it reads a request up to its blank line, then behaves as told.
class LocalHttpServer final : public QObject {
    Q_OBJECT

public:
    enum class Behaviour {
        Respond,      // send the raw response, then close
        Silent,       // never answer
        Drop,         // close without a word
        Endless,      // a 200 header (with a huge Content-Length if told), then data until the client goes
        Trickle,      // a 200 header, then one byte every few milliseconds
        RedirectLoop, // send every request back to itself
    };

    LocalHttpServer();
    Q_DISABLE_COPY_MOVE(LocalHttpServer)

    bool start() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const;
    void serve(Behaviour behaviour, QByteArray rawResponse = {}, bool announceLength = false);
    int requests() const { return m_requests; }

    static QByteArray response(int status, const QByteArray& body, bool withLength = true);
    // A port on which nothing listens: taken from the system, then given back.
    static quint16 refusedPort();

private:
    void answer(QTcpSocket* socket);
    static void feed(QTcpSocket* socket);

    QTcpServer m_server;
    Behaviour m_behaviour = Behaviour::Respond;
    QByteArray m_response;
    bool m_announceLength = false;
    int m_requests = 0;
};

} // namespace mirtal::about::test
