// The About window and what it runs: the update check, with its file's search, against a real local server with the
// status texts the user reads, the banner's streak (never drawn into the picture), and the window's texts and pointer.
#include "about/AboutArt.h"
#include "about/Form2.h"
#include "platform/qt/QtHttpTransfer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace mirtal::about;

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

QByteArray reply(int status, const QByteArray& body, bool withLength = true)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\n" +
           (withLength ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : QByteArray()) + "\r\n" + body;
}

// On 127.0.0.1: answers each request, once its head is in, with the raw response and closes; never answers when
// the response is null.
class LocalServer final : public QTcpServer {
public:
    QByteArray response;
    std::function<void(const QByteArray& head)> onRequest = [](const QByteArray&) {};

    LocalServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                    socket->setProperty("head", head);
                    if (!head.endsWith("\r\n\r\n"))
                        return;
                    onRequest(head);
                    if (!response.isNull()) {
                        socket->write(response);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QString root() const { return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()); }
};

// Records the addresses handed to the browser, and fails as a machine without one would.
class RecordingShell final : public mirtal::platform::Shell {
public:
    QStringList opened;
    mirtal::Status openFolder(const QString&) override { return mirtal::Status::ok(); }
    mirtal::Status openUrl(const QString& url) override
    {
        opened.append(url);
        return mirtal::Status::failure(QStringLiteral("no browser"));
    }
};

} // namespace

class AboutTest final : public QObject {
    Q_OBJECT

    // One transfer for every check: it serves again after a time-out or an error.
    mirtal::platform::QtHttpTransfer m_http;

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, const QByteArray& response, const char* status, int timeoutMs = 20000,
                            bool listening = true) {
            QTest::newRow(name) << response << timeoutMs << listening << text(status);
        };
        const QByteArray atLimit = QByteArray(UpdateCheck::kMaxBytes - 10, '.') + "mt111=1.05";
        row("normal file", reply(200, "other=0.1\r\nmt111=1.05\r\n"), "версия на сайте: 1.05");
        row("CR LF inside the four", reply(200, "mt111=1.1\r\nnext"), "версия на сайте: 1.1\r");
        row("last key wins", reply(200, "mt111=1.04\r\nmt111=1.05\r\n"), "версия на сайте: 1.05");
        row("3 characters remain", reply(200, "xx mt111=1.0"), "версия на сайте: 1.0");
        row("overlapping keys", reply(200, "mt111=mt111=9.99"), "версия на сайте: 9.99");
        row("key at the very end", reply(200, "mt111=1.05\r\nmt111="), "нет данных");
        row("key in another case", reply(200, "MT111=1.05"), "нет данных");
        row("windows-1251", reply(200, "mt111=\xc4\xe2\x31\x31"), "версия на сайте: Дв11");
        row("empty body", reply(200, ""), "Нет соединения");
        row("404 page", reply(404, "<html>Not Found</html>"), "нет данных");
        row("404 without body", reply(404, ""), "Нет соединения");
        row("500 page holding the key", reply(500, "oops mt111=1.07"), "версия на сайте: 1.07");
        row("nothing listens", reply(200, "mt111=1.05"), "Нет соединения", 20000, false);
        row("not HTTP at all", "SSH-2.0-OpenSSH\r\n\r\n", "Ошибка");
        row("body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nmt111=1.05", "Ошибка");
        row("closes without answer", "", "Ошибка");
        row("redirect loop", "HTTP/1.1 302 Found\r\nLocation: /update.txt\r\nContent-Length: 0\r\n\r\n", "Ошибка");
        row("never answers", QByteArray(), "Ошибка", 300);
        row("body at the limit", reply(200, atLimit), "версия на сайте: 1.05");
        row("no length, ends at close", reply(200, atLimit, false), "версия на сайте: 1.05");
        row("one byte over", reply(200, atLimit + "0"), "Ошибка");
        row("one byte over, no length", reply(200, atLimit + "0", false), "Ошибка");
    }

    // The whole check, with the status texts in order: the version is the four characters after the last key. The
    // wait keeps timers (the banner, repaints) running.
    void check()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, timeoutMs);
        QFETCH(bool, listening);
        QFETCH(QString, status);
        LocalServer server;
        QVERIFY(server.isListening());
        server.response = response;
        const QUrl url = updateFileUrl(server.root());
        if (!listening)
            server.close();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QStringList shown;
        UpdateCheck check(
            m_http, url, [&shown](const QString& s) { shown.append(s); }, std::chrono::milliseconds(timeoutMs));
        QElapsedTimer clock;
        clock.start();
        check.run();

        QCOMPARE(shown, QStringList({text("Ожидание..."), status}));
        // A looping or oversized answer is cut off at once, not at the time-out.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        if (response.isNull())
            QVERIFY(ticks > 0);
    }

    void banner_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("step"); // 0 left, 0.25 right, 0.5 and 0.9999 down
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("last");
        QTest::newRow("0, left stays at 404") << 0.0 << 0.0 << 404 << 404 << 404;
        QTest::newRow("below 1/56, right stops at 460") << 0.999 / 56 << 0.25 << 404 << 405 << 460;
        QTest::newRow("middle, 3 goes down") << 0.5 << 0.5 << 432 << 432 << 432;
        QTest::newRow("middle, 4 goes down") << 0.5 << 0.9999 << 432 << 432 << 432;
        QTest::newRow("middle, left stops at 404") << 0.5 << 0.0 << 432 << 431 << 404;
        QTest::newRow("largest draw starts at 459") << std::nextafter(1.0, 0.0) << 0.25 << 459 << 460 << 460;
        QTest::newRow("stray 1.0") << 1.0 << 0.5 << 459 << 459 << 459;
        QTest::newRow("stray NaN") << std::nan("") << 0.5 << 404 << 404 << 404;
    }

    // Timer1 plots the start on the top row; Timer3 draws five frames of a fresh walk from it, one point per row,
    // then clears on its sixth tick and hands back to Timer1.
    void banner()
    {
        QFETCH(double, start);
        QFETCH(double, step);
        QFETCH(int, column);
        QFETCH(int, second);
        QFETCH(int, last);
        // The first draw places the series; every later one is the same step.
        BannerAnimation animation(57,
                                  [=, first = true]() mutable { return std::exchange(first, false) ? start : step; });
        QCOMPARE(animation.state(), BannerAnimation::State::Waiting);
        animation.Timer1Tick();
        QCOMPARE(animation.state(), BannerAnimation::State::Flashing);
        QCOMPARE(animation.points(), QList<QPoint>({QPoint(column, 0)}));
        for (int frame = 1; frame <= 5; ++frame) {
            animation.Timer3Tick();
            QCOMPARE(animation.state(), BannerAnimation::State::Flashing);
            const QList<QPoint>& points = animation.points();
            QCOMPARE(points.size(), 58);
            QCOMPARE(points.first(), QPoint(column, 0));
            QCOMPARE(points.at(1), QPoint(second, 1));
            QCOMPARE(points.last(), QPoint(last, 57));
        }
        animation.Timer3Tick();
        QCOMPARE(animation.state(), BannerAnimation::State::Waiting);
        QVERIFY(animation.points().isEmpty());
    }

    void window()
    {
        LocalServer server;
        RecordingShell shell;
        double next = 0.37;
        Form2 form(m_http, shell, server.root(), [&next] { return next = next * 3.9 * (1.0 - next); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto label = [&form](const char* name) { return form.findChild<QLabel*>(QLatin1StringView(name)); };
        const auto centreOf = [&form](const char* name) {
            const QWidget* w = form.findChild<QWidget*>(QLatin1StringView(name));
            return w->mapTo(&form, w->rect().center());
        };
        const auto move = [&form](QPoint at) { QTest::mouseMove(form.windowHandle(), at); };
        const auto textOf = [](const QWidget* w) { return w->palette().color(QPalette::WindowText); };
        const auto groundOf = [](const QWidget* w) { return w->palette().color(QPalette::Window); };

        QCOMPARE(form.windowTitle(), text(" О программе"));
        QVERIFY(form.isModal());
        QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("Frame2"))->title(), text("Описание"));
        const std::pair<const char*, QString> texts[] = {
            {"Label1", text("Тобрелин      v.1.04   Июль 2008")},
            {"Label5", text("На сайте ")},
            {"Label4", server.root()},
            {"Label2", text("вы вероятно сможете найти новую версию этой программы; скачать другие мои программы, "
                            "задать интересующие вопросы, выразить свое мнение о программе, пожелания, сообщить об "
                            "ошибках.")},
            {"Label7", QString()},
            {"Label3", text("Закрыть")},
        };
        for (const auto& [name, expected] : texts)
            QCOMPARE(label(name)->text(), expected);
        QCOMPARE(textOf(label("Label4")), QColor(202, 202, 251));

        // Twelve lines, each ended by CR LF (no lone LF), blank ones between the paragraphs.
        const QString description = Form2::descriptionText();
        QCOMPARE(description.count(text("\r\n")), description.count(QLatin1Char('\n')));
        const QStringList lines = description.split(text("\r\n"));
        QCOMPARE(lines.size(), 13);
        for (int blank : {1, 3, 5, 7, 10, 12})
            QVERIFY2(lines.at(blank).isEmpty(), qPrintable(QString::number(blank)));
        QCOMPARE(lines.at(8), text("Подгон размера фона:"));
        QVERIFY(lines.at(9).endsWith(text("программой. ")));
        QCOMPARE(form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(),
                 QString(description).replace(text("\r\n"), text("\n")));

        // The check: "Ожидание..." shows while the transfer waits; the request asks for update.txt.
        server.response = reply(200, "mt111=1.05");
        QStringList duringFetch;
        server.onRequest = [&](const QByteArray& head) {
            QVERIFY(head.startsWith("GET /update.txt "));
            duringFetch.append(label("Label7")->text());
        };
        QTest::mouseClick(form.findChild<QAbstractButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(label("Label7")->text(), text("версия на сайте: 1.05"));
        QCOMPARE(duringFetch, QStringList({text("Ожидание...")}));

        // The streak is painted over the banner from the animation's points, never into the picture.
        const QRect zone(400, 0, 61, 57);
        const QImage plain = bannerPicture().convertToFormat(QImage::Format_RGB32);
        QWidget* banner = form.findChild<QWidget*>(QStringLiteral("Picture1"));
        const auto shown = [banner, zone] {
            return banner->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(zone);
        };
        for (int tick = 0; tick < 7; ++tick) {
            tick == 0 ? form.Timer1_Timer() : form.Timer3_Timer();
            QCOMPARE(form.Timer1()->isActive(), tick == 6);
            QCOMPARE(form.Timer3()->isActive(), tick < 6);
            QImage expected = plain;
            for (const QPoint& at : form.animation().points()) {
                if (expected.rect().contains(at)) // row 57 lies below the banner
                    expected.setPixel(at, QColor(222, 245, 254).rgb());
            }
            QCOMPARE(shown(), expected.copy(zone));
        }
        QCOMPARE(bannerPicture().convertToFormat(QImage::Format_RGB32), plain);

        // Hovering "Закрыть" or the link lights it; only some areas put both back (the frame lies at (4, 8)).
        QLabel* close = label("Label3");
        QLabel* link = label("Label4");
        const std::pair<QPoint, bool> areas[] = {
            {{2, 300}, true},  {{12, 308}, true},  {{204, 560}, true}, {{316, 36}, true},   {{250, 456}, true},
            {{68, 431}, true}, {{250, 254}, true}, {{80, 68}, false},  {{178, 498}, false}, {{396, 500}, false},
        };
        for (const auto& [at, resets] : areas) {
            move(centreOf("Label3"));
            move(centreOf("Label4"));
            QCOMPARE(textOf(link), QColor(252, 227, 186));
            QCOMPARE(textOf(close), QColor(228, 228, 228));
            move(at);
            QCOMPARE(textOf(close), resets ? QColor(255, 255, 255) : QColor(228, 228, 228));
            QCOMPARE(groundOf(close), resets ? QColor(64, 64, 64) : QColor(128, 128, 128));
            QCOMPARE(textOf(link), resets ? QColor(192, 192, 255) : QColor(252, 227, 186));
        }

        // Any button on the link opens the site on release, wherever; a failing browser is not reported.
        move(centreOf("Label4"));
        QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, centreOf("Label4"));
        QCOMPARE(textOf(link), QColor(248, 208, 105));
        QVERIFY(shell.opened.isEmpty());
        QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, QPoint(600, -40));
        QCOMPARE(shell.opened, QStringList({server.root()}));
        QTest::keyClick(&form, Qt::Key_Escape); // only "Закрыть" and the close box close the window
        QVERIFY(form.isVisible());

        // A press on "Закрыть" blackens it; the release closes the window wherever it happens and stops the timers.
        const QPoint on(100, 535);
        move(on);
        QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, on);
        QCOMPARE(textOf(close), QColor(0, 0, 0));
        move(QPoint(-30, 700));
        QCOMPARE(textOf(close), QColor(228, 228, 228));
        QVERIFY(form.isVisible());
        QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, QPoint(-30, 700));
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(!form.Timer1()->isActive() && !form.Timer3()->isActive());
    }
};

QTEST_MAIN(AboutTest)
#include "tst_About.moc"
