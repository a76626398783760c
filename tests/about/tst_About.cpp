// The update check against a local server (the status texts shown, oversized or endless answers cut off; the search
// itself is fuzz_update_search's), and the About window: texts, link, close, a streak never drawn into its picture.
#include "about/AboutArt.h"
#include "about/AboutWindow.h"
#include "platform/fake/FakeHttpTransfer.h"
#include "platform/fake/FakeShell.h"
#include "platform/qt/QtHttpTransfer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace mirtal;
using namespace mirtal::about;
using namespace Qt::StringLiterals;

class AboutTest final : public QObject {
    Q_OBJECT

    // One transfer for every check: it serves again after a time-out or an error.
    platform::QtHttpTransfer m_http;

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QByteArray>("response"); // null: never answers; "no server": nothing listens
        QTest::addColumn<QString>("status");
        const auto reply = [](int status, const QByteArray& body, bool withLength = true) -> QByteArray {
            return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
                   (withLength ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : QByteArray()) +
                   "\r\n" + body;
        };
        const auto row = [](const char* name, const QByteArray& response, const QString& status) {
            QTest::newRow(name) << response << status;
        };
        const QByteArray atLimit = QByteArray(UpdateCheck::kMaxBytes - 10, '.') + "mt111=1.05";
        row("windows-1251, last key", reply(200, "mt111=1.04\r\nmt111=\xc4\xe2\x31\x31\r\n"),
            u"версия на сайте: Дв11"_s);
        row("empty body", reply(200, ""), u"Нет соединения"_s);
        row("nothing listens", "no server", u"Нет соединения"_s);
        // An error page is an answer like any other.
        row("404 page", reply(404, "<html>Not Found</html>"), u"нет данных"_s);
        row("500 page holding the key", reply(500, "oops mt111=1.07"), u"версия на сайте: 1.07"_s);
        row("body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nmt111=1.05", u"Ошибка"_s);
        row("redirect loop", "HTTP/1.1 302 Found\r\nLocation: /update.txt\r\nContent-Length: 0\r\n\r\n", u"Ошибка"_s);
        row("never answers", QByteArray(), u"Ошибка"_s);
        row("body at the limit", reply(200, atLimit), u"версия на сайте: 1.05"_s);
        row("one byte over", reply(200, atLimit + "0"), u"Ошибка"_s);
        row("one byte over, no length", reply(200, atLimit + "0", false), u"Ошибка"_s);
    }

    // The whole check, with the status texts in order. The wait keeps timers (the banner, repaints) running.
    void check()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, status);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        // Answers each request, once its head is in, with the raw response and closes; never when that is null.
        QObject::connect(&server, &QTcpServer::newConnection, [&server, &response] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [socket, &response, head = QByteArray()]() mutable {
                head += socket->readAll();
                if (head.endsWith("\r\n\r\n") && !response.isNull()) {
                    socket->write(response);
                    socket->disconnectFromHost();
                }
            });
        });
        const QUrl url = updateFileUrl(u"http://127.0.0.1:%1/"_s.arg(server.serverPort()));
        if (response == "no server")
            server.close();
        bool ticked = false;
        QTimer::singleShot(10, &server, [&ticked] { ticked = true; });
        QStringList shown;
        const auto timeout = std::chrono::milliseconds(response.isNull() ? 300 : 20000);
        UpdateCheck check(
            m_http, url, [&shown](const QString& s) { shown.append(s); }, timeout);
        QElapsedTimer clock;
        clock.start();
        check.run();
        QCOMPARE(shown, QStringList({u"Ожидание..."_s, status}));
        // A looping or oversized answer is cut off at once, not at the time-out.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!response.isNull() || ticked);
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
        for (const char* name : {"versionLabel", "siteCaption", "siteLink", "siteText", "statusLabel", "closeBar"})
            texts << label(name)->text();
        QCOMPARE(texts, QStringList({u" О программе"_s, u"Описание"_s, u"Тобрелин      v.1.04   Июль 2008"_s,
                                     u"На сайте "_s, u"http://site/"_s,
                                     u"вы вероятно сможете найти новую версию этой программы; скачать другие мои "
                                     u"программы, задать интересующие вопросы, выразить свое мнение о программе, "
                                     u"пожелания, сообщить об ошибках."_s,
                                     QString(), u"Закрыть"_s}));

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
