#include "AboutDoubles.h"

#include "about/AboutArt.h"
#include "about/Form2.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using mirtal::Status;
using mirtal::about::BannerAnimation;
using mirtal::about::Form2;
using mirtal::about::test::RecordingShell;
using mirtal::about::test::ScriptedHttp;

namespace {

const QString kSite = QStringLiteral("http://mirtal.example/");

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Every window of a test gets its own doubles; draws come from a fixed sequence.
struct Opened {
    ScriptedHttp http;
    RecordingShell shell;
    double next = 0.37;
    Form2 form{http, shell, kSite, [this] {
                   next = next * 3.9 * (1.0 - next); // chaotic but repeatable, within (0, 1)
                   return next;
               }};

    template <typename T = QWidget> T* control(const char* name) const
    {
        return form.findChild<T*>(QLatin1StringView(name));
    }
    QLabel* label(const char* name) const { return control<QLabel>(name); }

    bool show()
    {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }
    QPoint centreOf(const char* name) const
    {
        const QWidget* w = control(name);
        return w->mapTo(&form, w->rect().center());
    }
    void moveTo(QPoint at) { QTest::mouseMove(form.windowHandle(), at); }
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(form.windowHandle(), button, {}, at);
    }
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(form.windowHandle(), button, {}, at);
    }
};

QColor textOf(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
QColor groundOf(const QWidget* w) { return w->palette().color(QPalette::Window); }

const QColor kWhite(255, 255, 255);
const QColor kCloseGround(64, 64, 64);
const QColor kCloseHoverGround(128, 128, 128);
const QColor kCloseHoverText(228, 228, 228);
const QColor kLinkAtOpening(202, 202, 251);
const QColor kLinkResting(192, 192, 255);
const QColor kLinkHover(252, 227, 186);
const QColor kLinkPressed(248, 208, 105);

} // namespace

class Form2Test final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void atOpening()
    {
        Opened o;
        QVERIFY(o.show());
        const Form2& form = o.form;

        QCOMPARE(form.windowTitle(), text(" О программе"));
        QCOMPARE(form.size(), QSize(501, 579));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.windowType(), Qt::Tool);
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(form.isModal());
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0, 0));

        QCOMPARE(o.control<QGroupBox>("Frame2")->title(), text("Описание"));
        QCOMPARE(o.label("Label1")->text(), text("Тобрелин      v.1.04   Июль 2008"));
        QVERIFY(o.label("Label1")->alignment() & Qt::AlignRight);
        QCOMPARE(o.label("Label5")->text(), text("На сайте "));
        QCOMPARE(o.label("Label4")->text(), kSite);
        QCOMPARE(textOf(o.label("Label4")), kLinkAtOpening);
        QCOMPARE(o.label("Label2")->text(),
                 text("вы вероятно сможете найти новую версию этой программы; скачать другие мои программы, "
                      "задать интересующие вопросы, выразить свое мнение о программе, пожелания, сообщить об "
                      "ошибках."));
        QVERIFY(o.label("Label2")->wordWrap());
        QCOMPARE(o.label("Label7")->text(), QString());
        QCOMPARE(textOf(o.label("Label7")), QColor(192, 255, 192));
        QVERIFY(o.label("Label7")->alignment() & Qt::AlignHCenter);
        QCOMPARE(o.label("Label3")->text(), text("Закрыть"));
        QCOMPARE(textOf(o.label("Label3")), kWhite);
        QCOMPARE(groundOf(o.label("Label3")), kCloseGround);
        QVERIFY(o.label("Label3")->autoFillBackground());
        QVERIFY(o.label("Label3")->alignment() & Qt::AlignHCenter);

        auto* text1 = o.control<QPlainTextEdit>("Text1");
        QVERIFY(text1->isReadOnly());
        QCOMPARE(text1->toPlainText(), Form2::descriptionText().replace(text("\r\n"), text("\n")));
        QCOMPARE(form.focusWidget(), text1);
        QCOMPARE(o.control<QAbstractButton>("Command1")->text(), QString());

        QCOMPARE(form.Timer1()->interval(), 2000);
        QVERIFY(form.Timer1()->isActive());
        QCOMPARE(form.Timer3()->interval(), 80);
        QVERIFY(!form.Timer3()->isActive());
        QCOMPARE(form.animation().state(), BannerAnimation::State::Waiting);
        QCOMPARE(form.StreakColor(), QColor(222, 245, 254));
        QCOMPARE(form.StreakRows(), 57);
        QCOMPARE(form.updateCheck().UpdateKey(), text("mt111="));
    }

    // Seven lines ended by CR LF; blank lines after 1, 2, 3, 4 and 6; line 6 ends with a space.
    void descriptionShape()
    {
        const QString description = Form2::descriptionText();
        QVERIFY(description.endsWith(text("\r\n")));
        QCOMPARE(description.count(QLatin1Char('\r')), description.count(QLatin1Char('\n')));
        QCOMPARE(description.count(text("\r\n")), description.count(QLatin1Char('\n')));
        const QStringList lines = description.chopped(2).split(text("\r\n"));
        QCOMPARE(lines.size(), 12);
        for (int blank : {1, 3, 5, 7, 10})
            QVERIFY2(lines.at(blank).isEmpty(), qPrintable(QString::number(blank)));
        QCOMPARE(lines.at(8), text("Подгон размера фона:"));
        QVERIFY(lines.at(9).endsWith(text("программой. ")));
        QVERIFY(lines.at(0).startsWith(text("Программа редактирует фон")));
        QVERIFY(lines.at(11).endsWith(text("вручную.")));
        QCOMPARE(lines.at(4).count(QLatin1Char('"')), 6);
        QCOMPARE(lines.at(11).count(QLatin1Char('"')), 2);
        QCOMPARE(description.count(QLatin1Char('"')), 8);
    }

    // Window points (the frame lies at (4, 8) in the window).
    void resetAreas_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("resets");

        QTest::newRow("window background") << QPoint(2, 300) << true;
        QTest::newRow("Frame2") << QPoint(12, 308) << true;
        QTest::newRow("Frame2 under Line1") << QPoint(204, 560) << true;
        QTest::newRow("Label1") << QPoint(316, 36) << true;
        QTest::newRow("Label2") << QPoint(250, 456) << true;
        QTest::newRow("Label5") << QPoint(68, 431) << true;
        QTest::newRow("Text1") << QPoint(250, 254) << true;
        QTest::newRow("banner outside Label1") << QPoint(80, 68) << false;
        QTest::newRow("Command1") << QPoint(178, 498) << false;
        QTest::newRow("Label7") << QPoint(396, 500) << false;
    }

    void resetAreas()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, resets);
        Opened o;
        QVERIFY(o.show());
        QLabel* close = o.label("Label3");
        QLabel* link = o.label("Label4");

        o.moveTo(o.centreOf("Label3"));
        QCOMPARE(groundOf(close), kCloseHoverGround);
        QCOMPARE(textOf(close), kCloseHoverText);
        o.moveTo(o.centreOf("Label4"));
        QCOMPARE(textOf(link), kLinkHover);
        QCOMPARE(textOf(close), kCloseHoverText); // leaving a label changes nothing

        o.moveTo(at);
        QCOMPARE(textOf(close), resets ? kWhite : kCloseHoverText);
        QCOMPARE(groundOf(close), resets ? kCloseGround : kCloseHoverGround);
        QCOMPARE(textOf(link), resets ? kLinkResting : kLinkHover);
        QVERIFY(o.form.isVisible());
    }

    void closeLabel_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("releaseAt");

        QTest::newRow("left, on it") << Qt::LeftButton << QPoint(100, 535);
        QTest::newRow("right, on it") << Qt::RightButton << QPoint(100, 535);
        QTest::newRow("middle, on it") << Qt::MiddleButton << QPoint(100, 535);
        QTest::newRow("left, dragged over the banner") << Qt::LeftButton << QPoint(300, 50);
        QTest::newRow("right, dragged outside the window") << Qt::RightButton << QPoint(-30, 700);
    }

    // A press on "Закрыть" blackens its text; the release closes the window wherever it happens. Movements in
    // between still go to the label and bring its hover colours back.
    void closeLabel()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, releaseAt);
        Opened o;
        QVERIFY(o.show());
        QLabel* close = o.label("Label3");
        const QPoint on(100, 535);
        QCOMPARE(o.form.childAt(on), close);

        o.moveTo(o.centreOf("Label5")); // from elsewhere, so that the pointer really moves onto the label
        o.moveTo(on);
        o.press(on, button);
        QCOMPARE(textOf(close), QColor(0, 0, 0));
        QCOMPARE(groundOf(close), kCloseHoverGround);
        if (releaseAt != on) {
            o.moveTo(releaseAt);
            QCOMPARE(textOf(close), kCloseHoverText);
        }
        QVERIFY(o.form.isVisible());

        o.release(releaseAt, button);
        QVERIFY(!o.form.isVisible());
        QCOMPARE(o.form.result(), int(QDialog::Rejected));
        QVERIFY(!o.form.Timer1()->isActive());
        QVERIFY(!o.form.Timer3()->isActive());
    }

    void link()
    {
        Opened o;
        QVERIFY(o.show());
        QLabel* link = o.label("Label4");
        const QPoint on = o.centreOf("Label4");

        o.moveTo(on);
        QCOMPARE(textOf(link), kLinkHover);
        o.press(on, Qt::RightButton);
        QCOMPARE(textOf(link), kLinkPressed);
        QVERIFY(o.shell.openedUrls.isEmpty());
        o.release(on, Qt::RightButton);
        QCOMPARE(o.shell.openedUrls, QStringList({kSite}));
        QVERIFY(o.form.isVisible()); // a failing browser is not reported
        QCOMPARE(textOf(link), kLinkPressed);

        // Only a movement over the link or over a reset area changes it back.
        o.moveTo(o.centreOf("Command1"));
        o.moveTo(o.centreOf("Label7"));
        QCOMPARE(textOf(link), kLinkPressed);
        o.moveTo(o.centreOf("Label5"));
        QCOMPARE(textOf(link), kLinkResting);
        QCOMPARE(textOf(o.label("Label3")), kWhite);

        // Released far away, the press still opens the site.
        o.moveTo(on);
        o.press(on);
        o.release(QPoint(600, -40));
        QCOMPARE(o.shell.openedUrls, QStringList({kSite, kSite}));
        QVERIFY(o.form.isVisible());
    }

    // A click on the button runs one whole check; "Ожидание..." shows while the transfer waits.
    void checkButton()
    {
        Opened o;
        QVERIFY(o.show());
        QLabel* status = o.label("Label7");
        QStringList duringFetch;
        o.http.duringFetch([&] { duringFetch.append(status->text()); });
        o.http.answer(QByteArray("mt111=1.05"));
        o.http.answer(Status::failure(text("time-out")));

        QTest::mouseClick(o.control<QAbstractButton>("Command1"), Qt::LeftButton);
        QCOMPARE(status->text(), text("версия на сайте: 1.05"));
        QCOMPARE(o.http.requests().size(), 1);
        QCOMPARE(o.http.requests().first().url, QUrl(kSite + text("update.txt")));

        o.control("Command1")->setFocus();
        QTest::keyClick(o.control("Command1"), Qt::Key_Space);
        QCOMPARE(status->text(), text("Ошибка"));
        QCOMPARE(duringFetch, QStringList({text("Ожидание..."), text("Ожидание...")}));
        QVERIFY(o.control("Command1")->isEnabled());
    }

    // The streak is painted over the banner from the animation's points, never into the picture.
    void streakOnTheBanner()
    {
        // Right of the author line, where the streak plays.
        const QRect zone(400, 0, 61, 57);
        const QImage plain = mirtal::about::bannerPicture().convertToFormat(QImage::Format_RGB32);
        Opened o;
        QVERIFY(o.show());
        QWidget* banner = o.control("Picture1");
        const auto shown = [banner, zone] {
            return banner->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(zone);
        };
        const QRgb streak = QColor(222, 245, 254).rgb();
        QCOMPARE(shown(), plain.copy(zone));

        o.form.Timer1_Timer();
        QVERIFY(!o.form.Timer1()->isActive());
        QVERIFY(o.form.Timer3()->isActive());
        QImage expected = plain;
        expected.setPixel(o.form.animation().points().first(), streak);
        QCOMPARE(shown(), expected.copy(zone));

        for (int frame = 1; frame <= 5; ++frame) {
            o.form.Timer3_Timer();
            QVERIFY(o.form.Timer3()->isActive());
            expected = plain;
            for (const QPoint& at : o.form.animation().points()) {
                if (expected.rect().contains(at))
                    expected.setPixel(at, streak);
            }
            QCOMPARE(shown(), expected.copy(zone)); // one clear, then exactly this frame's points; row 57 clipped
        }
        o.form.Timer3_Timer();
        QVERIFY(o.form.Timer1()->isActive());
        QVERIFY(!o.form.Timer3()->isActive());
        QCOMPARE(shown(), plain.copy(zone));
        QCOMPARE(mirtal::about::bannerPicture().convertToFormat(QImage::Format_RGB32), plain);
    }

    // Each opening is a new window: whatever the last one showed, the status line starts empty.
    void reopening()
    {
        {
            Opened first;
            QVERIFY(first.show());
            first.http.answer(QByteArray("mt111=1.05"));
            first.form.CheckForUpdate();
            first.form.Timer1_Timer();
            QCOMPARE(first.label("Label7")->text(), text("версия на сайте: 1.05"));
            QTest::keyClick(&first.form, Qt::Key_Escape); // only "Закрыть" and the close box close it
            QVERIFY(first.form.isVisible());
            first.form.close();
            QVERIFY(!first.form.isVisible());
            QVERIFY(!first.form.Timer1()->isActive() && !first.form.Timer3()->isActive());
        }
        Opened second;
        QVERIFY(second.show());
        QCOMPARE(second.label("Label7")->text(), QString());
        QCOMPARE(textOf(second.label("Label4")), kLinkAtOpening);
        QVERIFY(second.form.Timer1()->isActive());
        QVERIFY(!second.form.Timer3()->isActive());
        QCOMPARE(second.form.animation().state(), BannerAnimation::State::Waiting);
    }
};

QTEST_MAIN(Form2Test)
#include "tst_Form2.moc"
