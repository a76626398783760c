#include "LocalHttpServer.h"

#include "about/UpdateCheck.h"
#include "platform/qt/QtHttpTransfer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using mirtal::about::UpdateCheck;
using mirtal::about::test::LocalHttpServer;
using mirtal::platform::QtHttpTransfer;
using Behaviour = LocalHttpServer::Behaviour;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(LocalHttpServer::Behaviour)

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kShortMs = 300;
constexpr int kLongMs = 20000; // never reached when the transfer works

} // namespace

class HttpCheckTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The whole check against a real server, with the status texts in order.
    void check_data()
    {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("announceLength");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("status");

        const auto respond = [](const char* name, const QByteArray& response, const char* status) {
            QTest::newRow(name) << Behaviour::Respond << response << false << kLongMs << text(status);
        };
        respond("normal file", LocalHttpServer::response(200, "other=0.1\r\nmt111=1.05\r\n"), "версия на сайте: 1.05");
        respond("no length, ends at close", LocalHttpServer::response(200, "mt111=2.00", false),
                "версия на сайте: 2.00");
        respond("windows-1251", LocalHttpServer::response(200, "mt111=\xc4\xe2\x31\x31"), "версия на сайте: Дв11");
        respond("empty body", LocalHttpServer::response(200, ""), "Нет соединения");
        respond("404 page", LocalHttpServer::response(404, "<html>Not Found</html>"), "нет данных");
        respond("404 without body", LocalHttpServer::response(404, ""), "Нет соединения");
        respond("500 page holding the key", LocalHttpServer::response(500, "oops mt111=1.07"), "версия на сайте: 1.07");
        respond("not HTTP at all", "SSH-2.0-OpenSSH\r\n\r\n", "Ошибка");
        respond("body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nmt111=1.05", "Ошибка");

        QTest::newRow("never answers") << Behaviour::Silent << QByteArray() << false << kShortMs << text("Ошибка");
        QTest::newRow("trickles past the time-out")
            << Behaviour::Trickle << QByteArray() << false << kShortMs << text("Ошибка");
        QTest::newRow("closes without answer") << Behaviour::Drop << QByteArray() << false << kLongMs << text("Ошибка");
        QTest::newRow("megabytes") << Behaviour::Endless << QByteArray() << false << kLongMs << text("Ошибка");
        QTest::newRow("megabytes announced") << Behaviour::Endless << QByteArray() << true << kLongMs << text("Ошибка");
        QTest::newRow("redirect loop") << Behaviour::RedirectLoop << QByteArray() << false << kLongMs << text("Ошибка");
    }

    void check()
    {
        QFETCH(Behaviour, behaviour);
        QFETCH(QByteArray, response);
        QFETCH(bool, announceLength);
        QFETCH(int, timeoutMs);
        QFETCH(QString, status);

        LocalHttpServer server;
        QVERIFY(server.start());
        server.serve(behaviour, response, announceLength);
        QtHttpTransfer http;
        QStringList shown;
        UpdateCheck check(
            http, server.url(), [&shown](const QString& s) { shown.append(s); }, std::chrono::milliseconds(timeoutMs));
        QElapsedTimer clock;
        clock.start();
        check.run();

        QCOMPARE(shown, QStringList({text("Ожидание..."), status}));
        QVERIFY(server.requests() >= 1);
        // An endless or looping answer is cut off at once, not at the time-out.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }

    void refusedPortShowsNoConnection()
    {
        const quint16 port = LocalHttpServer::refusedPort();
        QVERIFY(port != 0);
        QtHttpTransfer http;
        QStringList shown;
        UpdateCheck check(http, QUrl(QStringLiteral("http://127.0.0.1:%1/update.txt").arg(port)),
                          [&shown](const QString& s) { shown.append(s); });
        check.run();
        QCOMPARE(shown, QStringList({text("Ожидание..."), text("Нет соединения")}));
    }

    // The limit is on the body: exactly the limit passes, one byte more fails.
    void bodyLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("withLength");

        QTest::newRow("at the limit") << UpdateCheck::kMaxBytes << true;
        QTest::newRow("at the limit, no length") << UpdateCheck::kMaxBytes << false;
        QTest::newRow("one over") << UpdateCheck::kMaxBytes + 1 << true;
        QTest::newRow("one over, no length") << UpdateCheck::kMaxBytes + 1 << false;
    }

    void bodyLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, withLength);
        LocalHttpServer server;
        QVERIFY(server.start());
        const QByteArray body = QByteArray(size - 10, '.') + "mt111=1.05";
        server.serve(Behaviour::Respond, LocalHttpServer::response(200, body, withLength));

        QtHttpTransfer http;
        const mirtal::Result<QByteArray> result = http.fetch(server.url(), 20s, UpdateCheck::kMaxBytes);
        QCOMPARE(result.isOk(), size <= UpdateCheck::kMaxBytes);
        if (result.isOk())
            QCOMPARE(result.value(), body);
    }

    // The wait runs an event loop: timers (the banner, repaints) go on, and the transfer object serves again.
    void waitingKeepsTimersRunning()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.serve(Behaviour::Silent);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);

        QtHttpTransfer http;
        QVERIFY(!http.fetch(server.url(), std::chrono::milliseconds(kShortMs), UpdateCheck::kMaxBytes).isOk());
        QVERIFY(ticks > 0);

        server.serve(Behaviour::Respond, LocalHttpServer::response(200, "mt111=1.06"));
        const mirtal::Result<QByteArray> again = http.fetch(server.url(), 20s, UpdateCheck::kMaxBytes);
        QVERIFY(again.isOk());
        QCOMPARE(again.value(), QByteArray("mt111=1.06"));
    }
};

QTEST_GUILESS_MAIN(HttpCheckTest)
#include "tst_HttpCheck.moc"
