// The window as the user meets it: title, shape and tab order, keys, mouse presses and ends; choosing the picture
// and fitting it, with the copy made or deleted (never the user's picture); the drive a folder lies on.
#include "Harness.h"
#include "app/DriveList.h"
#include "app/TitleText.h"

#include <QApplication>
#include <QTest>

using namespace mirtal;

namespace {

const QString kSea = S("/pics/sea.jpg");
const QString kCopy = S("/opt/mirtal/pictures/sea.bmp");

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shapeKeysAndEnds();
    void chooseFitAndNoBackground();
    void cancelWithoutEarlierChoiceAndColour();
    void driveOfAFolder();
};

void TestMainWindow::shapeKeysAndEnds()
{
    Harness h;
    h.locale = QLocale(QLocale::Russian);
    h.addPicture(kSea, QSize(30, 20));
    h.start();
    h.form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
    // Twips divided by 15 at any dpi, as single precision numbers in the user's locale.
    QCOMPARE(h.form().windowTitle(), S("Мирталь папки - текущее разрешение: 1024x768"));
    QCOMPARE(app::mainWindowTitle(QSize(1024, 1000), h.locale),
             S("Мирталь папки - текущее разрешение: 68,26667x66,66666"));
    QCOMPARE(h.form().CommonDialog1.filter, S("JPG, BMP, GIF|*.jpg;*.bmp;*.gif|BMP|*.bmp|JPG|*.jpg|GIF|*.gif"));
    QVERIFY(h.option1() && !h.option2() && h.previewEmpty());
    QVERIFY(h.checked("RNN") && !h.checked("R1024") && !h.checked("RXXXX"));
    // The narrowed window shows the first column; the second stays hidden, disabled and out of the tab order.
    const QRect visible(QPoint(0, 0), h.form().centralWidget()->size().boundedTo(h.form().size()));
    QVERIFY(visible.width() < 480);
    for (const char* name : {"Frame1", "Frame2", "Picture1", "Text2"})
        QVERIFY2(visible.contains(h.control<QWidget>(name)->geometry()) && h.control<QWidget>(name)->isVisible(), name);
    const QList<QWidget*> hidden{h.control<QWidget>("Frame4"), h.control<QWidget>("Picture2"),
                                 h.control<QWidget>("Picture3")};
    for (const QWidget* w : hidden)
        QVERIFY2(w->geometry().left() >= visible.right() && w->isHidden() && !w->isEnabled(),
                 qPrintable(w->objectName()));
    h.control<QWidget>("Text2")->setFocus();
    QStringList visited;
    for (int i = 0; i < 30; ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited.append(focus->objectName());
        for (const QWidget* w : hidden)
            QVERIFY2(w != focus && !w->isAncestorOf(focus), qPrintable(focus->objectName()));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QVERIFY(visited.contains(S("Dir1")) && visited.contains(S("Command5")));
    QVERIFY(!visited.contains(S("Text4")) && !visited.contains(S("Text1")));

    // F1 with any modifier opens the about window, as the menu item does.
    QWidget* dir1 = h.control<QWidget>("Dir1");
    dir1->setFocus();
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::ControlModifier | Qt::AltModifier})
        QTest::keyClick(dir1, Qt::Key_F1, modifiers);
    QTest::keyClick(dir1, Qt::Key_F2);
    h.form().menuAction(S("Справка"))->trigger();
    QCOMPARE(h.aboutShown, 4); // F2 is no help key
    // Pressing the background options, with either button, runs their commands.
    h.dialogs.queueFile(kSea);
    QTest::mousePress(h.control<QWidget>("Option2"), Qt::RightButton, {}, QPoint(6, 8));
    QCOMPARE(h.form().ImagePath, kSea);
    QTest::mouseClick(h.control<QWidget>("Option1"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(h.form().ImagePath, QString());
    // Both exits end at once, asking nothing; an unexpected failure shows the error, then ends with code 1.
    h.form().menuAction(S("Exit"))->trigger();
    QVERIFY(h.ends == 1 && h.lastExitCode == 0);
    QTest::mouseClick(h.control<QWidget>("Command7"), Qt::LeftButton);
    QCOMPARE(h.ends, 2);
    QVERIFY(h.dialogs.shown().isEmpty());
    h.fs.failNext(platform::FakeFileSystem::Op::Write, {}, 0, S("Нет места на диске"));
    h.form().Command5_Click();
    QCOMPARE(h.boxes(), QStringList{S("! Мирталь: Ошибка: Нет места на диске")});
    QVERIFY(h.ends == 3 && h.lastExitCode == 1);
}

void TestMainWindow::chooseFitAndNoBackground()
{
    Harness h;
    h.addPicture(kSea, QSize(1600, 1200));
    h.start();
    h.form().R1024_Click(); // no picture: falls back to "keep unchanged"
    QVERIFY(h.checked("RNN") && !h.checked("R1024") && h.form().option3().selected() == 3);
    h.choose(kSea);
    QCOMPARE(h.dialogs.lastFileTitle(), S("Выберите картинку фона"));
    QVERIFY(h.option2() && !h.option1() && !h.previewEmpty() && h.text4() == kSea);
    QCOMPARE(h.label("Label5"), S("1600x1200\r\n1.333"));
    // A cancelled dialog still remembers the earlier choice, and that is taken again.
    h.form().Option1_MouseDown();
    QCOMPARE(h.form().ImagePath, QString());
    h.form().Command2_Click();
    QCOMPARE(h.dialogs.lastInitialFile(), kSea);
    QVERIFY(h.form().ImagePath == kSea && h.option2());
    QVERIFY(!h.fs.exists(S("/opt/mirtal/pictures")));
    h.form().R1024_Click();
    QCOMPARE(h.pictures.picture(kCopy).size(), QSize(781, 626));
    QVERIFY(h.form().ImagePath == kCopy && h.text4() == kCopy);
    QCOMPARE(h.label("Label5"), S("781x626\r\n1.248"));
    QVERIFY(h.checked("R1024") && !h.checked("RNN") && h.form().option3().selected() == 1);
    // The same mode again makes no new copy.
    QVERIFY(h.fs.removeFile(kCopy).isOk());
    h.form().R1024_Click();
    QVERIFY(!h.fs.exists(kCopy));
    // "Keep unchanged" goes back to the dialog's file.
    h.form().RNN_Click();
    QVERIFY(h.form().ImagePath == kSea && h.label("Label5") == S("1600x1200\r\n1.333"));
    // A cancelled custom size keeps the mode; a custom one is clamped, its box keeps the text as typed.
    h.form().RXXXX_Click();
    QVERIFY(!h.form().CustomSizeSet && h.checked("RNN") && !h.checked("RXXXX"));
    h.customSize = app::CustomSize{S("5000"), S("1")};
    h.form().RXXXX_Click();
    QVERIFY(h.form().CustomSizeSet && h.checked("RXXXX") && !h.checked("RNN"));
    QCOMPARE(h.control<QLineEdit>("Text1")->text(), S("5000"));
    QCOMPARE(h.pictures.picture(kCopy).size(), QSize(2000, 3));
    // No background deletes the copy, never the picture, and clears what is shown.
    h.form().Option1_MouseDown();
    QVERIFY(!h.fs.exists(kCopy) && h.fs.exists(kSea));
    QVERIFY(h.form().ImagePath.isEmpty() && h.text4().isEmpty() && h.label("Label5").isEmpty());
    QVERIFY(h.previewEmpty() && h.checked("RNN") && h.dialogs.shown().isEmpty());
}

void TestMainWindow::cancelWithoutEarlierChoiceAndColour()
{
    Harness h;
    h.addPicture(kSea, QSize(100, 300));
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x000000FF\r\n");
    h.start();
    h.form().Command2_Click(); // cancelled: no background, the preview and size text stay
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.option1() && !h.previewEmpty() && h.text4().isEmpty());
    QCOMPARE(h.label("Label5"), S("100x300\r\n0.333"));
    // The colour dialog is owned by the window; cancel keeps the colour read from the file.
    h.form().Command3_Click();
    QCOMPARE(h.dialogs.lastOwner(), &h.form());
    QVERIFY(h.form().TextColorHex == S("0000FF") && h.form().sampleColor() == QColor(255, 0, 0));
}

void TestMainWindow::driveOfAFolder()
{
    const QStringList roots{S("/"), S("/home"), S("/media/ann/USB")};
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/"},         {"/etc/ssl", "/"},  {"/home/ann/Фото", "/home"},
        {"/home", "/home"}, {"/homework", "/"}, {"/media/ann/USB/a", "/media/ann/USB"}};
    for (const auto& [folder, drive] : cases)
        QCOMPARE(app::DriveList::driveOf(roots, S(folder)), S(drive));
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
