// The update check against a local server (the status texts shown; heads, bodies, chunks, redirects and silence
// each cut off at their bound; the search itself is fuzz_update_search's), and the About window: texts, link, close,
// a streak never drawn into its picture, and a close during a check that ends it at once.
#include "about/AboutArt.h"
#include "about/AboutWindow.h"
#include "platform/fake/FakeHttpTransfer.h"
#include "platform/fake/FakeShell.h"
#include "platform/qt/QtHttpTransfer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace mirtal;
using namespace mirtal::about;
using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

namespace {

// The time limit of a fetch, moved on by hand: no test waits for the real clock.
class SteppedDeadline final : public platform::TransferDeadline {
public:
    void start(milliseconds limit, std::function<void()> expired) override
    {
        left = limit;
        m_expired = std::move(expired);
        fired = false;
    }
    void stop() override { m_expired = nullptr; }
    bool running() const { return m_expired != nullptr; }
    void advance(milliseconds step)
    {
        if (!running() || (left -= step) > milliseconds(0))
            return;
        fired = true;
        std::exchange(m_expired, nullptr)();
    }

    milliseconds left{0};
    bool fired = false;

private:
    std::function<void()> m_expired;
};

// A transfer that keeps what the real one answered, failures included.
class RecordingTransfer final : public platform::HttpTransfer {
public:
    explicit RecordingTransfer(platform::HttpTransfer& real)
        : m_real(real)
    {
    }
    Result<QByteArray> last = QByteArray();
    Result<QByteArray> fetch(const QUrl& url, milliseconds timeout, qint64 maxBytes) override
    {
        return last = m_real.fetch(url, timeout, maxBytes);
    }
    void abort() override { m_real.abort(); }

private:
    platform::HttpTransfer& m_real;
};

// What the server does with a request: answer at once and close, dribble the answer one byte per pass of the
// event loop and close, say nothing, or send `bytes` and then `repeated` for as long as the client reads.
struct Answer {
    enum Mode { Whole, Dribble, Silent, Endless } mode = Whole;
    QByteArray bytes;
    QByteArray repeated;
};
using Answers = QMap<QByteArray, Answer>; // by request path

// A local HTTP server that answers each request, once its head is in, by its path ("{port}" in an answer becomes
// the server's port), and keeps every request head.
class ScriptedServer final : public QTcpServer {
public:
    ScriptedServer(Answers answers, SteppedDeadline* deadline = nullptr)
        : m_answers(std::move(answers))
        , m_deadline(deadline)
    {
        QObject::connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                serve(socket);
        });
    }

    QList<QByteArray> requests;
    qint64 endlessSent = 0;
    int closedByClient = 0;
    std::function<void()> onSilentRequest; // run while the client waits for an answer that never comes

private:
    // Far beyond every bound; past it the fetch is timed out, so that a missing bound fails instead of hanging.
    static constexpr qint64 kEndlessCap = 64 << 20;

    void serve(QTcpSocket* socket)
    {
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this] { ++closedByClient; });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head = QByteArray()]() mutable {
            if (head.endsWith("\r\n\r\n"))
                return;
            head += socket->readAll();
            if (!head.endsWith("\r\n\r\n"))
                return;
            requests.append(head);
            const QByteArray path = head.mid(4, head.indexOf(' ', 4) - 4);
            answer(socket, m_answers.value(path, {Answer::Whole, "HTTP/1.1 404 Not Found\r\n\r\n", {}}));
        });
    }

    void answer(QTcpSocket* socket, const Answer& a)
    {
        QByteArray bytes = a.bytes;
        bytes.replace("{port}", QByteArray::number(serverPort()));
        switch (a.mode) {
        case Answer::Whole:
            socket->write(bytes);
            socket->disconnectFromHost();
            break;
        case Answer::Dribble:
            dribble(socket, bytes);
            break;
        case Answer::Silent:
            if (onSilentRequest)
                onSilentRequest();
            break;
        case Answer::Endless: {
            socket->write(bytes);
            const auto more = [this, socket, unit = a.repeated.repeated(qMax(1, 4096 / int(a.repeated.size())))] {
                while (socket->bytesToWrite() < 65536 && endlessSent < kEndlessCap) {
                    socket->write(unit);
                    endlessSent += unit.size();
                }
                if (endlessSent >= kEndlessCap && m_deadline != nullptr)
                    m_deadline->advance(m_deadline->left);
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            break;
        }
        }
    }

    void dribble(QTcpSocket* socket, QByteArray rest)
    {
        if (rest.isEmpty()) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(rest.first(1));
        socket->flush();
        QTimer::singleShot(0, socket, [this, socket, rest] { dribble(socket, rest.sliced(1)); });
    }

    Answers m_answers;
    SteppedDeadline* m_deadline;
};

QByteArray reply(int status, const QByteArray& body, bool withLength = true)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
           (withLength ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : QByteArray()) + "\r\n" + body;
}

// The body in chunks of at most size bytes, with an extension on the first and a trailer at the end.
QByteArray chunked(const QByteArray& body, qsizetype size)
{
    QByteArray out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (qsizetype at = 0; at < body.size(); at += size) {
        const QByteArray piece = body.mid(at, size);
        out += QByteArray::number(piece.size(), 16) + (at == 0 ? ";name=value" : "") + "\r\n" + piece + "\r\n";
    }
    return out + "0\r\nX-Trailer: t\r\n\r\n";
}

} // namespace

Q_DECLARE_METATYPE(Answers)

class AboutTest final : public QObject {
    Q_OBJECT

    // One transfer for every check: it serves again after a time-out or an error.
    SteppedDeadline* m_deadline = new SteppedDeadline;
    platform::QtHttpTransfer m_http{std::unique_ptr<platform::TransferDeadline>(m_deadline)};

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<Answers>("answers"); // empty: nothing listens
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("why");  // in the transfer's failure; empty: no failure
        QTest::addColumn<int>("requests"); // that the server saw
        const auto row = [](const char* name, const Answers& answers, const QString& status, const QString& why = {},
                            int requests = 1) { QTest::newRow(name) << answers << status << why << requests; };
        const auto at = [](const QByteArray& bytes, Answer::Mode mode = Answer::Whole,
                           const QByteArray& repeated = {}) {
            return Answers{{"/update.txt", Answer{mode, bytes, repeated}}};
        };
        const QString tooLong = u"длиннее 65536 байт"_s, headTooLong = u"Заголовки ответа сервера длиннее 16384"_s;
        const QString notHttp = u"не по протоколу HTTP"_s;
        const QByteArray atLimit = QByteArray(UpdateCheck::kMaxBytes - 10, '.') + "mt111=1.05";
        row("windows-1251, last key", at(reply(200, "mt111=1.04\r\nmt111=\xc4\xe2\x31\x31\r\n")),
            u"версия на сайте: Дв11"_s);
        row("empty body", at(reply(200, "")), u"Нет соединения"_s);
        row("nothing listens", {}, u"Нет соединения"_s, {}, 0);
        // An error page is an answer like any other.
        row("404 page", at(reply(404, "<html>Not Found</html>")), u"нет данных"_s);
        row("500 page holding the key", at(reply(500, "oops mt111=1.07")), u"версия на сайте: 1.07"_s);
        row("HTTP/1.0, ended by the close", at("HTTP/1.0 200 OK\r\n\r\nmt111=1.05"), u"версия на сайте: 1.05"_s);
        row("body at the limit", at(reply(200, atLimit)), u"версия на сайте: 1.05"_s);
        row("one byte over", at(reply(200, atLimit + "0")), u"Ошибка"_s, tooLong);
        row("one byte over, no length", at(reply(200, atLimit + "0", false)), u"Ошибка"_s, tooLong);
        row("length over the limit, no body", at("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n"), u"Ошибка"_s,
            tooLong);
        row("body endless", at("HTTP/1.1 200 OK\r\n\r\n", Answer::Endless, "mt111=1.05\r\n"), u"Ошибка"_s, tooLong);
        row("body cut short", at("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nmt111=1.05"), u"Ошибка"_s,
            u"оборван"_s);
        row("chunked, extension and trailer", at(chunked("mt111=1.04\r\nmt111=1.05", 7)), u"версия на сайте: 1.05"_s);
        row("chunked at the limit", at(chunked(atLimit, 4000)), u"версия на сайте: 1.05"_s);
        row("chunked one byte over", at(chunked(atLimit + "0", 4000)), u"Ошибка"_s, tooLong);
        row("chunked, cut short", at(chunked("mt111=1.05", 4).chopped(7)), u"Ошибка"_s, u"оборван"_s);
        row("chunk size endless", at("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;", Answer::Endless, "a"),
            u"Ошибка"_s, notHttp);
        row("compressed transfer", at("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nxx"), u"Ошибка"_s,
            u"закодирован"_s);
        // Every line end, header and chunk split across packets; an interim answer first.
        row("one byte at a time", at("HTTP/1.1 100 Continue\r\n\r\n" + chunked("mt111=1.05", 3), Answer::Dribble),
            u"версия на сайте: 1.05"_s);
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nX: ";
        const QByteArray atBound =
            head + QByteArray(platform::QtHttpTransfer::kMaxHeadBytes - head.size() - 4, 'h') + "\r\n\r\n";
        row("head at the bound", at(atBound + "mt111=1.05"), u"версия на сайте: 1.05"_s);
        row("head one byte over", at(atBound.chopped(4) + "h\r\n\r\nmt111=1.05"), u"Ошибка"_s, headTooLong);
        row("headers endless",
            at("HTTP/1.1 200 OK\r\n", Answer::Endless, "X-Filler: " + QByteArray(1000, 'a') + "\r\n"), u"Ошибка"_s,
            headTooLong);
        row("one header line endless", at("HTTP/1.1 200 OK\r\nX: ", Answer::Endless, "a"), u"Ошибка"_s, headTooLong);
        row("interim answers endless", at({}, Answer::Endless, "HTTP/1.1 100 Continue\r\n\r\n"), u"Ошибка"_s,
            headTooLong);
        row("not HTTP", at("SSH-2.0-OpenSSH_9.2\r\n"), u"Ошибка"_s, notHttp);
        row("closed without an answer", at({}), u"Ошибка"_s, u"закрыл"_s);
        row("never answers", at({}, Answer::Silent), u"Ошибка"_s, u"не ответил вовремя"_s);
        row("redirects, relative and absolute",
            Answers{{"/update.txt", {Answer::Whole, "HTTP/1.1 302 Found\r\nLocation: moved?a=1\r\n\r\nignored", {}}},
                    {"/moved?a=1",
                     {Answer::Whole, "HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:{port}/final.txt\r\n\r\n", {}}},
                    {"/final.txt", {Answer::Whole, reply(200, "mt111=2.00"), {}}}},
            u"версия на сайте: 2.00"_s, {}, 3);
        row("redirect loop", at("HTTP/1.1 307 Again\r\nLocation: /update.txt\r\nContent-Length: 0\r\n\r\n"),
            u"Ошибка"_s, u"переадресаций"_s, platform::QtHttpTransfer::kMaxRedirects + 1);
        row("redirect to https", at("HTTP/1.1 301 Moved\r\nLocation: https://127.0.0.1:{port}/update.txt\r\n\r\n"),
            u"Ошибка"_s, notHttp);
    }

    // The whole check, with the status texts in order, and why the transfer failed; the time limit runs out only
    // for the server that never answers, and only at its last millisecond.
    void check()
    {
        QFETCH(Answers, answers);
        QFETCH(QString, status);
        QFETCH(QString, why);
        QFETCH(int, requests);
        ScriptedServer server(answers, m_deadline);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        bool endedAtTheLimit = false;
        server.onSilentRequest = [this, &endedAtTheLimit] {
            m_deadline->advance(UpdateCheck::kTimeout - milliseconds(1));
            const bool waited = m_deadline->running();
            m_deadline->advance(milliseconds(1));
            endedAtTheLimit = waited && !m_deadline->running();
            m_deadline->advance(m_deadline->left); // a longer limit ends here too: a failure, not a hang
        };
        const QUrl url = updateFileUrl(u"http://127.0.0.1:%1/"_s.arg(server.serverPort()));
        if (answers.isEmpty())
            server.close();
        QStringList shown;
        RecordingTransfer http(m_http);
        UpdateCheck check(http, url, [&shown](const QString& s) { shown.append(s); });
        check.run();
        QCOMPARE(shown, QStringList({u"Ожидание..."_s, status}));
        QVERIFY2(why.isEmpty() ? bool(http.last) : !http.last && http.last.message().contains(why),
                 qPrintable(http.last ? u"no failure"_s : http.last.message()));
        QVERIFY(m_deadline->fired == why.contains(u"вовремя"_s) && (!m_deadline->fired || endedAtTheLimit));
        QVERIFY(!m_deadline->running());
        QCOMPARE(server.requests.size(), requests);
        const QByteArray host = "\r\nHost: 127.0.0.1:" + QByteArray::number(server.serverPort()) + "\r\n";
        for (const QByteArray& request : std::as_const(server.requests)) {
            QVERIFY2(request.startsWith("GET /") && request.contains(QByteArray(" HTTP/1.1" + host)) &&
                         !request.toLower().contains("accept-encoding"),
                     request.constData());
        }
    }

    // Closed while the check waits for a silent server: the transfer ends at once, the window closes once the
    // check's handler has returned (a window that deletes itself is deleted after it, not under it), and until then
    // the window takes no other input.
    void closeDuringCheck_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<bool>("deleteOnClose");
        QTest::newRow("Закрыть") << false << false;
        QTest::newRow("close box") << true << false;
        QTest::newRow("close box, deleted on close") << true << true;
    }

    void closeDuringCheck()
    {
        QFETCH(bool, closeBox);
        QFETCH(bool, deleteOnClose);
        ScriptedServer server({{"/update.txt", {Answer::Silent, {}, {}}}}, m_deadline);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        platform::FakeShell shell;
        auto* form =
            new AboutWindow(m_http, shell, u"http://127.0.0.1:%1/"_s.arg(server.serverPort()), [] { return 0.5; });
        std::unique_ptr<AboutWindow> owner(deleteOnClose ? nullptr : form);
        form->setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
        const QPointer<AboutWindow> alive(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        const auto label = [form](const char* name) { return form->findChild<QLabel*>(QLatin1StringView(name)); };
        QLabel* const status = label("statusLabel");
        QLabel* const link = label("siteLink");
        auto* const button = form->findChild<QAbstractButton*>(u"checkForUpdateButton"_s);
        const QPoint onClose(240, 536), onLink(180, 430);

        bool clickReturned = false, destroyedUnderTheCheck = false, timedOut = false;
        QStringList during;
        QObject::connect(form, &QObject::destroyed, &server, [&] { destroyedUnderTheCheck = !clickReturned; });
        server.onSilentRequest = [&] {
            QWindow* const window = form->windowHandle();
            QTest::mouseClick(button, Qt::LeftButton); // no second check
            QTest::keyClick(form, Qt::Key_Escape);
            QTest::mouseMove(window, onLink);
            QTest::mouseClick(window, Qt::LeftButton, {}, onLink);
            during << status->text() << link->palette().color(QPalette::WindowText).name()
                   << QString::number(shell.openedUrls.size()) << QString::number(form->isVisible());
            if (closeBox) {
                window->close();
            } else {
                QTest::mousePress(window, Qt::LeftButton, {}, onClose);
                QTest::mouseRelease(window, Qt::LeftButton, {}, onClose);
            }
            // Whatever else the wait handles after the close deletes nothing under the check.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // A transfer still waiting after the close is ended here, so that the test fails instead of hanging.
            QTimer::singleShot(0, &server, [&] {
                timedOut = m_deadline->running();
                m_deadline->advance(m_deadline->left);
            });
        };
        QTest::mouseClick(button, Qt::LeftButton);
        clickReturned = true;
        QCOMPARE(during, QStringList({u"Ожидание..."_s, u"#cacafb"_s, u"0"_s, u"1"_s}));
        QVERIFY(!timedOut && !m_deadline->running() && !destroyedUnderTheCheck);
        QCOMPARE(server.requests.size(), 1);
        if (deleteOnClose) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(alive.isNull());
        } else {
            // Closed, its timers stopped, the status line left as the check had it.
            QVERIFY(!form->isVisible() && form->result() == QDialog::Rejected && status->text() == u"Ожидание..."_s);
            QVERIFY(!form->waitTimer()->isActive() && !form->frameTimer()->isActive());
        }
        // The connection is closed by us at once, not left to the server.
        for (int pass = 0; pass < 1000 && server.closedByClient == 0; ++pass)
            QCoreApplication::processEvents();
        QCOMPARE(server.closedByClient, 1);
    }

    void window()
    {
        platform::FakeHttpTransfer http;
        http.nextResult = QByteArray("mt111=1.05");
        platform::FakeShell shell;
        shell.nextResult = Status::failure(u"no browser"_s);
        double next = 0.37;
        AboutWindow form(http, shell, u"http://site/"_s, [&next] { return next = next * 3.9 * (1.0 - next); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form) && form.isModal());
        const auto label = [&form](const char* name) { return form.findChild<QLabel*>(QLatin1StringView(name)); };
        const auto move = [&form](QPoint at) { QTest::mouseMove(form.windowHandle(), at); };
        const auto textOf = [](const QWidget* w) { return w->palette().color(QPalette::WindowText); };

        QStringList texts{form.windowTitle(), form.findChild<QGroupBox*>(u"descriptionFrame"_s)->title()};
        for (const char* name : {"versionLabel", "siteCaption", "siteLink", "statusLabel", "closeBar"})
            texts << label(name)->text();
        QCOMPARE(texts, QStringList({u" О программе"_s, u"Описание"_s, u"Тобрелин      v.1.04   Июль 2008"_s,
                                     u"На сайте "_s, u"http://site/"_s, QString(), u"Закрыть"_s}));

        QTest::mouseClick(form.findChild<QAbstractButton*>(u"checkForUpdateButton"_s), Qt::LeftButton);
        QCOMPARE(http.requested, QList<QUrl>{QUrl(u"http://site/update.txt"_s)});
        QCOMPARE(label("statusLabel")->text(), u"версия на сайте: 1.05"_s);

        // The wait timer starts a streak, the frame timer draws five frames of it and clears on its sixth tick; the
        // streak is only painted over the banner, never into its picture.
        const QImage plain = bannerPicture().convertToFormat(QImage::Format_RGB32);
        for (int tick = 0; tick < 7; ++tick) {
            tick == 0 ? form.waitTimerTick() : form.frameTimerTick();
            QVERIFY(form.waitTimer()->isActive() == (tick == 6) && form.frameTimer()->isActive() == (tick < 6));
            QCOMPARE(form.animation().points().size(), tick == 0 ? 1 : tick < 6 ? 58 : 0);
            const QImage shown = form.findChild<QWidget*>(u"banner"_s)->grab().toImage();
            QVERIFY(tick == 6 || shown.pixelColor(form.animation().points().first()) == QColor(222, 245, 254));
        }
        QCOMPARE(bannerPicture().convertToFormat(QImage::Format_RGB32), plain);

        // Hovering the link lights it; any button on it opens the site on release, wherever, and a failing browser is
        // not reported; the window's ground puts the colour back.
        const QPoint onClose(250, 538), onLink(176, 428);
        move(onLink);
        QCOMPARE(textOf(label("siteLink")), QColor(252, 227, 186));
        QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, onLink);
        QVERIFY(textOf(label("siteLink")) == QColor(248, 208, 105) && shell.openedUrls.isEmpty());
        QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, QPoint(600, -40));
        QCOMPARE(shell.openedUrls, QStringList({u"http://site/"_s}));
        move(QPoint(2, 300));
        QCOMPARE(textOf(label("siteLink")), QColor(192, 192, 255));
        QTest::keyClick(&form, Qt::Key_Escape); // only "Закрыть" and the close box close the window
        QVERIFY(form.isVisible());

        // A press on "Закрыть" blackens it; the release closes the window wherever it happens and stops the timers.
        move(onClose);
        QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, onClose);
        QCOMPARE(textOf(label("closeBar")), QColor(0, 0, 0));
        QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, QPoint(-30, 700));
        QVERIFY(!form.isVisible() && form.result() == QDialog::Rejected);
        QVERIFY(!form.waitTimer()->isActive() && !form.frameTimer()->isActive());
    }
};

QTEST_MAIN(AboutTest)
#include "tst_About.moc"
