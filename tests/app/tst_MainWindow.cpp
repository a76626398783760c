// The window's own promises: its title in the user's locale; choosing, fitting and dropping the picture, with the copy
// made or deleted (never the user's picture); F1 and the general error path.
#include "Harness.h"
#include "app/TitleText.h"

#include <QTest>

using namespace mirtal;

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
    // Twips divided by 15 at any dpi, as single precision numbers in the user's locale, as the size text is.
    QCOMPARE(h.form().windowTitle(), S("Мирталь папки - текущее разрешение: 1024x768"));
    QCOMPARE(app::mainWindowTitle(QSize(1024, 1000), h.locale),
             S("Мирталь папки - текущее разрешение: 68,26667x66,66666"));
    // Cancel in the colour dialog keeps the colour read from the file. Cancel in the file dialog with no earlier
    // choice means no background, though the preview and size text stay.
    h.form().Command3_Click();
    h.form().Command2_Click();
    QVERIFY(h.form().sampleColor() == QColor(255, 0, 0) && h.form().ImagePath.isEmpty() && h.option1());
    QVERIFY(!h.previewEmpty() && h.text4().isEmpty() && h.label("Label5") == S("1600x1200\r\n1,333"));
    // A cancelled dialog remembers the earlier choice, and that is taken again.
    h.dialogs.queueFile(sea);
    h.form().Command2_Click();
    h.form().Command2_Click();
    QVERIFY(h.dialogs.lastInitialFile() == sea && h.form().ImagePath == sea && h.option2() && h.text4() == sea);
    h.form().R1024_Click();
    QVERIFY(h.form().ImagePath == copy && h.text4() == copy && h.label("Label5") == S("781x626\r\n1,248"));
    QVERIFY(h.checked("R1024") && !h.checked("RNN") && h.pictures.picture(copy).size() == QSize(781, 626));
    // No background deletes the copy, never the picture, and clears what is shown.
    h.form().Option1_MouseDown();
    QVERIFY(!h.fs.exists(copy) && h.fs.exists(sea) && h.checked("RNN") && h.previewEmpty());
    QVERIFY(h.form().ImagePath.isEmpty() && h.text4().isEmpty() && h.label("Label5").isEmpty());
    // F1 with any modifier opens the about window; an unexpected failure shows the error, then ends with code 1.
    QTest::keyClick(h.control<QWidget>("Dir1"), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
    h.fs.failNext(platform::FakeFileSystem::Op::Write, {}, 0, S("Нет места на диске"));
    h.form().Command5_Click();
    QCOMPARE(h.boxes(), QStringList{S("! Мирталь: Ошибка: Нет места на диске")});
    QVERIFY(h.aboutShown == 1 && h.ends == 1 && h.lastExitCode == 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
