#include "Harness.h"
#include "app/DriveList.h"
#include "app/TitleText.h"
#include "platform/OptionGroup.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QTest>

using namespace mirtal;

class TestMainWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpState();
    void title_data();
    void title();
    void narrowedWindowShowsTheFirstColumnOnly();
    void hiddenControlsNeverTakeTheFocus();
    void f1OpensTheAboutWindowWithAnyModifier();
    void exitCommandsEndAtOnce();
    void generalErrorPathShowsTheErrorThenEnds();
    void optionGroupRunsItsHandlerNestedOnlyOnChange();
    void driveOfAFolder_data();
    void driveOfAFolder();
};

void TestMainWindow::startUpState()
{
    Harness h;
    h.start();
    auto& f = h.form();
    QCOMPARE(f.ImagePath, QString());
    QCOMPARE(f.TextColorHex, S("000000"));
    QCOMPARE(f.SectionHeader, S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]"));
    QCOMPARE(f.PicturesDir, S("/opt/mirtal/pictures/"));
    QVERIFY(!f.CustomSizeSet);
    QVERIFY(!f.FitResetInProgress);
    QCOMPARE(h.text2(), h.folder());
    QCOMPARE(f.CommonDialog1.filter, S("JPG, BMP, GIF|*.jpg;*.bmp;*.gif|BMP|*.bmp|JPG|*.jpg|GIF|*.gif"));
    // The start-up load ran for the start folder.
    QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
    QVERIFY(h.option1() && !h.option2());
    QCOMPARE(f.option3().selected(), 3);
    QVERIFY(h.checked("RNN") && !h.checked("R1024") && !h.checked("RXXXX"));
    QCOMPARE(h.control<QLineEdit>("Text1")->text(), S("783"));
    QCOMPARE(h.control<QLineEdit>("Text3")->text(), S("626"));
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestMainWindow::title_data()
{
    QTest::addColumn<QSize>("twips");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1024x768") << QSize(15360, 11520) << QLocale::c()
                              << S("Мирталь папки - текущее разрешение: 1024x768");
    // 120 dpi: 12 twips per pixel, still divided by 15.
    QTest::newRow("120 dpi, Russian") << QSize(12288, 9216) << QLocale(QLocale::Russian)
                                      << S("Мирталь папки - текущее разрешение: 819,2x614,4");
    QTest::newRow("single precision") << QSize(1024, 1000) << QLocale(QLocale::Russian)
                                      << S("Мирталь папки - текущее разрешение: 68,26667x66,66666");
}

void TestMainWindow::title()
{
    QFETCH(QSize, twips);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(app::mainWindowTitle(twips, locale), expected);
    Harness h(QSize(1, 1), locale);
    h.screen.twips = twips;
    h.start();
    QCOMPARE(h.form().windowTitle(), expected);
}

void TestMainWindow::narrowedWindowShowsTheFirstColumnOnly()
{
    Harness h;
    h.start();
    const QRect visible(QPoint(0, 0), h.form().centralWidget()->size().boundedTo(h.form().size()));
    QVERIFY(visible.width() < 480);
    for (const char* name : {"Frame1", "Frame2", "Picture1", "Text2"}) {
        const auto* w = h.control<QWidget>(name);
        QVERIFY2(visible.contains(w->geometry()), name);
        QVERIFY2(w->isVisible() || !h.form().isVisible(), name);
    }
    for (const char* name : {"Frame4", "Picture2", "Picture3"}) {
        const auto* w = h.control<QWidget>(name);
        QVERIFY2(w->geometry().left() >= visible.right(), name);
        QVERIFY2(w->isHidden() && !w->isEnabled(), name);
    }
}

void TestMainWindow::hiddenControlsNeverTakeTheFocus()
{
    Harness h;
    h.start();
    h.form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
    h.control<QWidget>("Text2")->setFocus();
    QStringList visited;
    for (int i = 0; i < 30; ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited.append(focus->objectName());
        for (const char* hidden : {"Frame4", "Picture2", "Picture3"})
            QVERIFY2(!h.control<QWidget>(hidden)->isAncestorOf(focus) && focus->objectName() != QLatin1String(hidden),
                     qPrintable(focus->objectName()));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QVERIFY(visited.contains(S("Dir1")));
    QVERIFY(visited.contains(S("Command5")));
    QVERIFY(!visited.contains(S("Text4")));
    QVERIFY(!visited.contains(S("Text1")));
}

void TestMainWindow::f1OpensTheAboutWindowWithAnyModifier()
{
    Harness h;
    h.start();
    h.form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
    QWidget* dir1 = h.control<QWidget>("Dir1");
    dir1->setFocus();
    QTest::keyClick(dir1, Qt::Key_F1);
    QTest::keyClick(dir1, Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(dir1, Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(h.aboutShown, 3);
    QTest::keyClick(dir1, Qt::Key_F2);
    QCOMPARE(h.aboutShown, 3);
    h.form().menuAction(S("Справка"))->trigger();
    QCOMPARE(h.aboutShown, 4);
}

void TestMainWindow::exitCommandsEndAtOnce()
{
    Harness h;
    h.start();
    h.form().menuAction(S("Exit"))->trigger();
    QCOMPARE(h.ends, 1);
    QCOMPARE(h.lastExitCode, 0);
    QTest::mouseClick(h.control<QWidget>("Command7"), Qt::LeftButton);
    QCOMPARE(h.ends, 2);
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestMainWindow::generalErrorPathShowsTheErrorThenEnds()
{
    Harness h;
    h.start();
    h.fs.failNext(platform::FakeFileSystem::Op::Write, {}, 0, S("Нет места на диске"));
    h.form().Command5_Click();
    QCOMPARE(h.dialogs.shown().size(), 1);
    QVERIFY(h.dialogs.shown().at(0).text.contains(S("Нет места на диске")));
    QCOMPARE(h.dialogs.shown().at(0).title, S("Мирталь"));
    QCOMPARE(h.dialogs.shown().at(0).icon, platform::MessageIcon::Stop);
    QCOMPARE(h.ends, 1);
    QCOMPARE(h.lastExitCode, 1);
}

void TestMainWindow::optionGroupRunsItsHandlerNestedOnlyOnChange()
{
    platform::OptionGroup group(6, 3);
    QList<int> clicks;
    QList<int> seenSelected;
    group.setClickHandler([&](int index) {
        clicks.append(index);
        seenSelected.append(group.selected());
        // A handler that selects again runs the handler nested, before returning.
        if (index == 1)
            group.select(3);
    });
    group.select(3);
    QVERIFY(clicks.isEmpty());
    group.select(1);
    QCOMPARE(clicks, (QList<int>{1, 3}));
    QCOMPARE(seenSelected, (QList<int>{1, 3}));
    QCOMPARE(group.selected(), 3);
}

void TestMainWindow::driveOfAFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("drive");
    QTest::newRow("root") << S("/") << S("/");
    QTest::newRow("on the root volume") << S("/etc/ssl") << S("/");
    QTest::newRow("on home") << S("/home/ann/Фото") << S("/home");
    QTest::newRow("home itself") << S("/home") << S("/home");
    QTest::newRow("name sharing a prefix") << S("/homework") << S("/");
    QTest::newRow("removable medium") << S("/media/ann/USB/a") << S("/media/ann/USB");
}

void TestMainWindow::driveOfAFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, drive);
    const QStringList roots{S("/"), S("/home"), S("/media/ann/USB")};
    QCOMPARE(app::DriveList::driveOf(roots, folder), drive);
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
