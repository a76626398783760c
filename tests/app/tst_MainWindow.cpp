// The window's own promises: its title in the user's locale; its buttons and menu items wired to the editor, with
// what each shows; choosing, fitting and dropping the picture, with the copy made or deleted (never the user's
// picture); F1 and the general error path.
#include "Harness.h"
#include "app/DriveList.h"
#include "app/FolderList.h"
#include "app/TitleText.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace mirtal;
using app::Fit;

class TestMainWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void session();
    void keyboardAndLooks();
    void folderShownIsFolderChanged();
    void failedCopyKeepsPicture_data();
    void failedCopyKeepsPicture();
};

void TestMainWindow::session()
{
    const QString sea = S("/pics/sea.jpg"), copy = copyOf(S("sea.bmp"));
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

void TestMainWindow::keyboardAndLooks()
{
    Harness h;
    h.start();
    h.window().show();
    QApplication::setActiveWindow(&h.window());
    const auto press = [](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        return QApplication::focusWidget()->objectName();
    };
    // Tab into the folder list keeps the folder shown; Tab, Tab and Enter then press "Применить" there.
    h.control<QWidget>("folderPathBox")->setFocus(Qt::TabFocusReason);
    QCOMPARE(press(Qt::Key_Tab), S("folderList"));
    QVERIFY(h.state().folder == h.folder() && h.folderPath() == h.folder());
    press(Qt::Key_Tab);
    QCOMPARE(press(Qt::Key_Tab), S("applyButton"));
    press(Qt::Key_Return);
    QVERIFY(h.fs.exists(h.iniPath()) && h.fs.log().filter(S(" /Desktop.ini")).isEmpty());
    // Only a move of the highlight retargets.
    h.control<QWidget>("folderList")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Up);
    QCOMPARE(h.state().folder, QDir::toNativeSeparators(QDir(h.folder() + S("/..")).absolutePath()));
    // Tab enters the two options on the marked one, " Без фона" too; Enter presses a picture button.
    const auto tabsFromEnd = [&] {
        h.control<QWidget>("endButton")->setFocus(Qt::TabFocusReason);
        QStringList order{press(Qt::Key_Tab), press(Qt::Key_Tab)};
        order << press(Qt::Key_Backtab);
        return order;
    };
    QCOMPARE(tabsFromEnd(), (QStringList{S("noBackgroundOption"), S("choosePictureButton"), S("noBackgroundOption")}));
    h.addPicture(S("/pics/sea.jpg"), QSize(40, 30));
    h.dialogs.queueFile(S("/pics/sea.jpg"));
    h.control<QWidget>("choosePictureButton")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Enter);
    QVERIFY(h.pictureMarked() && h.state().imagePath == S("/pics/sea.jpg"));
    QCOMPARE(tabsFromEnd(), (QStringList{S("pictureOption"), S("choosePictureButton"), S("pictureOption")}));
    // A tool tip on the size label alone; the picture buttons keep their names.
    QStringList tipped;
    for (const QWidget* widget : h.window().findChildren<QWidget*>())
        if (!widget->toolTip().isEmpty())
            tipped << widget->objectName();
    QVERIFY(tipped == QStringList{S("sizeLabel")} &&
            h.control<QWidget>("applyButton")->accessibleName() == S("Применить"));
    // The fit menu shows a tick on the item in force, and nothing, not an empty box, on the others.
    auto* menu = h.control<QMenu>("fitMenu");
    menu->adjustSize();
    const QImage look = menu->grab().toImage();
    for (QAction* item : menu->actions()) {
        const QRect column = menu->actionGeometry(item).adjusted(3, 2, 0, -2);
        int marked = 0;
        for (int y = column.top(); y <= column.bottom(); ++y)
            for (int x = column.left(); x < column.left() + column.height(); ++x)
                marked += look.pixel(x, y) != look.pixel(column.topLeft());
        QCOMPARE(marked > 0, item == h.action("keepPictureAction"));
    }
}

void TestMainWindow::folderShownIsFolderChanged()
{
    const auto restoreHome = qScopeGuard([saved = qgetenv("HOME")] { qputenv("HOME", saved); });
    QTemporaryDir home;
    const QString missing = QDir::toNativeSeparators(home.filePath(S("missing")));
    {
        // A start folder that cannot be listed is named, and so is the folder shown instead: the home folder
        // (Windows takes it from the user's profile, not from HOME).
        qputenv("HOME", home.path().toUtf8());
        Harness h;
        h.startIn(missing);
        h.window().show();
        QCoreApplication::processEvents();
        const QString shown = QDir::toNativeSeparators(QDir::homePath());
        QCOMPARE(
            h.boxes(),
            QStringList{
                S("! Мирталь: Папка «%1» недоступна: такой папки нет.\nПоказана папка «%2».").arg(missing, shown)});
        QCOMPARE(h.state().folder, shown);
    }
    qputenv("HOME", missing.toUtf8());
    if (QDir::homePath() == QDir::fromNativeSeparators(missing)) {
        // Nothing listed at all: nothing is loaded, and the commands refuse rather than take the root.
        Harness h;
        h.startIn(missing);
        h.window().show();
        QCoreApplication::processEvents();
        h.dialogs.queueAnswer(platform::Answer::Yes);
        for (const char* button : {"applyButton", "removeSettingsButton", "reloadButton", "openInFileManagerButton"})
            QTest::mouseClick(h.control<QWidget>(button), Qt::LeftButton);
        const QString refused = S("! Мирталь: Папка не выбрана. Выберите её в списке папок.");
        QCOMPARE(h.boxes().mid(1), QStringList(4, refused));
        QVERIFY(h.boxes().value(0).endsWith(S("Домашняя папка тоже недоступна. Выберите диск в списке дисков.")));
        QVERIFY(h.folderPath().isEmpty() && h.fs.log().isEmpty() && h.shell.changedFolders.isEmpty() &&
                h.shell.openedFolders.isEmpty());
    }

    // The exact path of a folder with a no-break space, never the box's plain text, and the drive list follows
    // the folder list, while picking the drive already current does nothing.
    Harness h;
    const QString odd = QDir::toNativeSeparators(h.folder() + S("/a\u00A0b"));
    QVERIFY(QDir().mkpath(odd));
    h.fs.addDirectory(odd);
    h.start();
    app::DriveList* drives = h.window().driveList();
    app::FolderList* folders = h.window().folderList();
    drives->addItem(S("/elsewhere"), S("/elsewhere"));
    drives->restore(S("/elsewhere"));
    QVERIFY(folders->setPath(odd) && h.state().folder == odd);
    QCOMPARE(drives->drive(), app::DriveList::driveOf(drives->roots(), QDir::fromNativeSeparators(odd)));
    auto* box = h.control<QTextEdit>("folderPathBox");
    box->selectAll();
    h.editor().chooseCaptionColor(); // cancelled
    QVERIFY(box->textCursor().hasSelection());
    Q_EMIT drives->activated(drives->currentIndex());
    QVERIFY(QDir::toNativeSeparators(folders->path()) == odd && h.state().folder == odd);
    h.editor().apply();
    QVERIFY(h.fs.exists(odd + S("/Desktop.ini")));
}

void TestMainWindow::failedCopyKeepsPicture_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<int>("fault");
    QTest::newRow("a name under four characters") << S("/pics/a.b") << 0;
    QTest::newRow("a pictures folder that cannot be written") << S("/pics/sea.jpg") << 1;
    QTest::newRow("a picture that can no longer be read") << S("/pics/sea.jpg") << 2;
}

// A copy that cannot be made is reported, and the fit goes back to "Не менять" with its tick, so that choosing
// the fit again tries again.
void TestMainWindow::failedCopyKeepsPicture()
{
    QFETCH(QString, picture);
    QFETCH(int, fault);
    Harness h;
    h.addPicture(picture, QSize(1600, 1200));
    h.start();
    h.dialogs.queueFile(picture);
    h.editor().choosePicture();
    if (fault == 2)
        QVERIFY(h.fs.removeFile(picture));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (fault == 1)
            h.pictures.failNextSave();
        h.action("fitToScreenAction")->trigger();
        QVERIFY(h.dialogs.shown().size() == attempt && h.boxes().last().startsWith(S("! ")));
        QVERIFY(h.action("keepPictureAction")->isChecked() && !h.action("fitToScreenAction")->isChecked());
        QVERIFY(h.state().fit == Fit::Unchanged && h.state().imagePath == picture && h.picturePath() == picture);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
