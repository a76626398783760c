// The window's own promises: its title in the user's locale; its buttons and menu items wired to the editor, with
// what each shows; choosing, fitting and dropping the picture, with the copy made or deleted (never the user's
// picture); F1 and the general error path.
#include "Harness.h"
#include "app/TitleText.h"

#include <QPushButton>
#include <QTest>

using namespace mirtal;
using app::Fit;

class TestMainWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void session();
};

void TestMainWindow::session()
{
    const QString sea = S("/pics/sea.jpg"), copy = S("/opt/mirtal/pictures/sea.bmp");
    Harness h;
    h.locale = QLocale(QLocale::Russian);
    h.addPicture(sea, QSize(1600, 1200));
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x000000FF\r\n");
    h.start();
    h.window().show();
    const auto click = [&h](const char* name) { QTest::mouseClick(h.control<QWidget>(name), Qt::LeftButton); };
    const auto sample = [&h] { return h.control<QLabel>("largeCaptionSample")->palette().color(QPalette::WindowText); };
    // Twips divided by 15 at any dpi, as single precision numbers in the user's locale, as the size text is.
    QCOMPARE(h.window().windowTitle(), S("Мирталь папки - текущее разрешение: 1024x768"));
    QCOMPARE(app::mainWindowTitle(QSize(1024, 1000), h.locale),
             S("Мирталь папки - текущее разрешение: 68,26667x66,66666"));
    QVERIFY(h.label("statusLabel") == S("Файл настройки найден") && sample() == QColor(255, 0, 0));
    QVERIFY(h.picturePath() == sea && h.pictureMarked() && h.folderPath() == h.folder());
    // Cancel in the colour dialog keeps the colour read from the file. Cancel in the file dialog with no earlier
    // choice means no background, though the preview and size text stay.
    click("captionColorButton");
    click("choosePictureButton");
    QVERIFY(sample() == QColor(255, 0, 0) && h.state().imagePath.isEmpty() && h.noBackgroundMarked());
    QVERIFY(!h.previewEmpty() && h.picturePath().isEmpty() && h.label("sizeLabel") == S("1600x1200\r\n1,333"));
    // A cancelled dialog remembers the earlier choice, and that is taken again; pressing the option chooses too.
    h.dialogs.queueFile(sea);
    click("choosePictureButton");
    click("pictureOption");
    QVERIFY(h.dialogs.lastInitialFile() == sea && h.state().imagePath == sea && h.pictureMarked());
    QCOMPARE(h.picturePath(), sea);
    h.action("fitToScreenAction")->trigger();
    QVERIFY(h.state().imagePath == copy && h.picturePath() == copy && h.label("sizeLabel") == S("781x626\r\n1,248"));
    QVERIFY(h.action("fitToScreenAction")->isChecked() && !h.action("keepPictureAction")->isChecked());
    QVERIFY(h.pictures.picture(copy).size() == QSize(781, 626) && h.state().fit == Fit::Automatic);
    // Choosing the fit already chosen changes nothing, its tick included.
    h.action("fitToScreenAction")->trigger();
    QVERIFY(h.action("fitToScreenAction")->isChecked() && h.dialogs.shown().isEmpty());
    // A custom size cancelled keeps the fit; "Не менять" goes back to the picture chosen.
    h.action("fitToCustomSizeAction")->trigger();
    QVERIFY(!h.action("fitToCustomSizeAction")->isChecked() && h.state().fit == Fit::Automatic);
    h.action("keepPictureAction")->trigger();
    QVERIFY(h.state().imagePath == sea && h.picturePath() == sea && h.action("keepPictureAction")->isChecked());
    h.action("fitToScreenAction")->trigger();
    // No background deletes the copy, never the picture, and clears what is shown.
    click("noBackgroundOption");
    QVERIFY(!h.fs.exists(copy) && h.fs.exists(sea) && h.action("keepPictureAction")->isChecked() && h.previewEmpty());
    QVERIFY(h.state().imagePath.isEmpty() && h.picturePath().isEmpty() && h.label("sizeLabel").isEmpty());
    QVERIFY(h.noBackgroundMarked() && h.state().fit == Fit::Unchanged);
    // Reload and the file manager act on the folder shown.
    click("reloadButton");
    click("openInFileManagerButton");
    QVERIFY(h.state().imagePath == sea && h.picturePath() == sea && h.shell.openedFolders == QStringList{h.folder()});
    // F1 with any modifier opens the about window, and so does its menu item; an unexpected failure shows the error,
    // then ends with code 1; the end button and menu item end with 0.
    QTest::keyClick(h.control<QWidget>("folderList"), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
    h.action("aboutAction")->trigger();
    h.fs.failNext(platform::FakeFileSystem::Op::Write, {}, 0, S("Нет места на диске"));
    click("applyButton");
    QCOMPARE(h.boxes(), QStringList{S("! Мирталь: Ошибка: Нет места на диске")});
    QVERIFY(h.aboutShown == 2 && h.ends == 1 && h.lastExitCode == 1);
    click("endButton");
    h.action("endAction")->trigger();
    QVERIFY(h.ends == 3 && h.lastExitCode == 0);
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
