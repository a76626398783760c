#include "Harness.h"

#include <QDir>
#include <QTest>

using namespace mirtal;

class TestPictureChoice final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosePicture();
    void cancelWithoutEarlierChoice();
    void cancelAfterEarlierChoiceReloadsIt();
    void nonPictureKeepsTheDisplay();
    void noBackgroundDeletesTheCopy_data();
    void noBackgroundDeletesTheCopy();
    void pressingTheOptionsRunsTheirCommands();

    void colourChoice_data();
    void colourChoice();

    void automaticFit();
    void automaticFitWithoutPictureFallsBack();
    void sameModeAgainMakesNoNewCopy();
    void keepUnchangedGoesBackToTheDialogFile();
    void keepUnchangedWithoutDialogFile();
    void newPictureResetsTheModeButNotTheMarks();
    void customSize_data();
    void customSize();
    void customSizeCancelledKeepsTheMode();
    void customSizeRedoneFromTheDialogPicture();
    void unwritableCopyIsReportedAndChangesNothing();
    void digitsOnlyInTheSizeBoxes();

    void openingAFolderResetsTheModeAndLoads();
    void openInFileManager();
};

namespace {

void choose(Harness& h, const QString& path)
{
    h.dialogs.queueFile(path);
    h.form().Command2_Click();
}

} // namespace

void TestPictureChoice::choosePicture()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1366, 768));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    QCOMPARE(h.dialogs.lastFileTitle(), S("Выберите картинку фона"));
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QCOMPARE(h.text4(), S("/pics/sea.jpg"));
    QCOMPARE(h.label("Label5"), S("1366x768\r\n1.779"));
    QVERIFY(h.option2() && !h.option1() && !h.previewEmpty());
    QCOMPARE(h.form().picture2().size(), QSize(1366, 768));
}

void TestPictureChoice::cancelWithoutEarlierChoice()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(100, 300));
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\n");
    h.start();
    QCOMPARE(h.label("Label5"), S("100x300\r\n0.333"));
    h.form().Command2_Click(); // cancelled
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.option1());
    QCOMPARE(h.text4(), QString());
    QVERIFY(!h.previewEmpty());
    QCOMPARE(h.label("Label5"), S("100x300\r\n0.333"));
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestPictureChoice::cancelAfterEarlierChoiceReloadsIt()
{
    Harness h;
    h.addPicture(S("/pics/a.jpg"), QSize(800, 800));
    h.start();
    choose(h, S("/pics/a.jpg"));
    h.form().Option1_MouseDown();
    QCOMPARE(h.form().ImagePath, QString());
    h.form().Command2_Click(); // cancelled: the dialog still remembers a.jpg
    QCOMPARE(h.dialogs.lastInitialFile(), S("/pics/a.jpg"));
    QCOMPARE(h.form().ImagePath, S("/pics/a.jpg"));
    QCOMPARE(h.label("Label5"), S("800x800\r\n1.0"));
    QVERIFY(h.option2());
}

void TestPictureChoice::nonPictureKeepsTheDisplay()
{
    Harness h;
    h.addPicture(S("/pics/a.jpg"), QSize(1280, 1024));
    h.fs.addFile(S("/pics/notes.jpg"), "not a picture");
    h.start();
    choose(h, S("/pics/a.jpg"));
    choose(h, S("/pics/notes.jpg"));
    QCOMPARE(h.dialogs.shown().size(), 1);
    QCOMPARE(h.dialogs.shown().at(0).text, S("Ошибка загрузки фона (Ошибка 1)"));
    QCOMPARE(h.dialogs.shown().at(0).title, S("Мирталь"));
    QCOMPARE(h.dialogs.shown().at(0).icon, platform::MessageIcon::None);
    // The new name is taken, everything shown stays.
    QCOMPARE(h.form().ImagePath, S("/pics/notes.jpg"));
    QCOMPARE(h.text4(), S("/pics/a.jpg"));
    QCOMPARE(h.label("Label5"), S("1280x1024\r\n1.25"));
    QCOMPARE(h.form().picture2().size(), QSize(1280, 1024));
}

void TestPictureChoice::noBackgroundDeletesTheCopy_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("copy");
    QTest::newRow("copy of the picture") << S("/pics/sea.jpg") << S("/opt/mirtal/pictures/sea.bmp");
    QTest::newRow("four-letter extension") << S("/pics/x.jpeg") << S("/opt/mirtal/pictures/x..bmp");
    QTest::newRow("the copy itself") << S("/opt/mirtal/pictures/sea.bmp") << S("/opt/mirtal/pictures/sea.bmp");
    QTest::newRow("name shorter than four") << S("/pics/a.b") << QString();
}

void TestPictureChoice::noBackgroundDeletesTheCopy()
{
    QFETCH(QString, picture);
    QFETCH(QString, copy);
    Harness h;
    h.fs.addDirectory(S("/opt/mirtal/pictures"));
    h.addPicture(picture, QSize(30, 20));
    if (!copy.isEmpty())
        h.addPicture(copy, QSize(3, 3));
    h.start();
    choose(h, picture);
    h.form().Option1_MouseDown();
    if (!copy.isEmpty())
        QVERIFY(!h.fs.exists(copy));
    if (copy != picture)
        QVERIFY(h.fs.exists(picture));
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.previewEmpty());
    QCOMPARE(h.text4(), QString());
    QCOMPARE(h.label("Label5"), QString());
    QVERIFY(h.checked("RNN"));
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestPictureChoice::pressingTheOptionsRunsTheirCommands()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(30, 20));
    h.start();
    h.form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
    h.dialogs.queueFile(S("/pics/sea.jpg"));
    QTest::mousePress(h.control<QWidget>("Option2"), Qt::RightButton, {}, QPoint(6, 8));
    QCOMPARE(h.dialogs.fileDialogs(), 1);
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QVERIFY(h.option2());
    QTest::mouseClick(h.control<QWidget>("Option1"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.option1());
}

void TestPictureChoice::colourChoice_data()
{
    QTest::addColumn<qint32>("chosen");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QColor>("sample");
    QTest::newRow("red") << 0x0000FF << S("FF") << QColor(255, 0, 0);
    QTest::newRow("blue") << 0xFF0000 << S("FF0000") << QColor(0, 0, 255);
    QTest::newRow("black") << 0 << S("0") << QColor(0, 0, 0);
    QTest::newRow("cancel") << -1 << S("0000FF") << QColor(255, 0, 0);
}

void TestPictureChoice::colourChoice()
{
    QFETCH(qint32, chosen);
    QFETCH(QString, digits);
    QFETCH(QColor, sample);
    Harness h;
    h.writeIni("IconArea_Text=0x000000FF\r\n");
    h.start();
    h.dialogs.queueColor(chosen);
    h.form().Command3_Click();
    QCOMPARE(h.dialogs.lastOwner(), &h.form());
    QCOMPARE(h.form().TextColorHex, digits);
    QCOMPARE(h.form().sampleColor(), sample);
}

void TestPictureChoice::automaticFit()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    QVERIFY(!h.fs.exists(S("/opt/mirtal/pictures")));
    h.form().R1024_Click();
    QCOMPARE(h.pictures.picture(S("/opt/mirtal/pictures/sea.bmp")).size(), QSize(781, 626));
    QCOMPARE(h.form().ImagePath, S("/opt/mirtal/pictures/sea.bmp"));
    QCOMPARE(h.text4(), S("/opt/mirtal/pictures/sea.bmp"));
    QCOMPARE(h.label("Label5"), S("781x626\r\n1.248"));
    QVERIFY(h.checked("R1024") && !h.checked("RNN"));
    QCOMPARE(h.form().option3().selected(), 1);
}

void TestPictureChoice::automaticFitWithoutPictureFallsBack()
{
    Harness h;
    h.start();
    h.form().R1024_Click();
    QVERIFY(!h.fs.exists(S("/opt/mirtal/pictures")));
    QCOMPARE(h.form().option3().selected(), 3);
    QVERIFY(h.checked("RNN") && !h.checked("R1024"));
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestPictureChoice::sameModeAgainMakesNoNewCopy()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.form().R1024_Click();
    h.fs.removeFile(S("/opt/mirtal/pictures/sea.bmp")).isOk();
    h.form().R1024_Click();
    QVERIFY(!h.fs.exists(S("/opt/mirtal/pictures/sea.bmp")));
    QVERIFY(h.checked("R1024"));
}

void TestPictureChoice::keepUnchangedGoesBackToTheDialogFile()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.form().R1024_Click();
    h.form().RNN_Click();
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QCOMPARE(h.label("Label5"), S("1600x1200\r\n1.333"));
    QVERIFY(h.fs.exists(S("/opt/mirtal/pictures/sea.bmp")));
    QVERIFY(h.checked("RNN"));
}

void TestPictureChoice::keepUnchangedWithoutDialogFile()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\n");
    h.start();
    h.form().R1024_Click();
    h.form().RNN_Click();
    QCOMPARE(h.dialogs.shownTexts(), QStringList{S("Ошибка загрузки фона")});
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.option1() && h.previewEmpty());
    QCOMPARE(h.text4(), QString());
}

void TestPictureChoice::newPictureResetsTheModeButNotTheMarks()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.addPicture(S("/pics/sky.gif"), QSize(640, 480));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.form().R1024_Click();
    choose(h, S("/pics/sky.gif"));
    QCOMPARE(h.form().option3().selected(), 3);
    QCOMPARE(h.form().ImagePath, S("/pics/sky.gif"));
    QVERIFY(h.checked("R1024") && !h.checked("RNN"));
    QVERIFY(!h.fs.exists(S("/opt/mirtal/pictures/sky.bmp")));
    h.form().RNN_Click();
    QVERIFY(h.checked("RNN") && !h.checked("R1024"));
}

void TestPictureChoice::customSize_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QSize>("copy");
    QTest::addColumn<QString>("text1");
    QTest::newRow("design values") << S("783") << S("626") << QSize(783, 626) << S("783");
    QTest::newRow("clamped") << S("5000") << S("1") << QSize(2000, 3) << S("5000");
    QTest::newRow("zero") << S("0") << S("0") << QSize(3, 3) << S("0");
    QTest::newRow("cut to four characters") << S("12345") << S("300") << QSize(1234, 300) << S("1234");
    QTest::newRow("no number") << S("") << S("abc") << QSize(3, 3) << S("");
}

void TestPictureChoice::customSize()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QSize, copy);
    QFETCH(QString, text1);
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.customSizes.push_back(app::CustomSize{width, height});
    h.form().RXXXX_Click();
    QVERIFY(h.form().CustomSizeSet);
    QCOMPARE(h.control<QLineEdit>("Text1")->text(), text1);
    QCOMPARE(h.pictures.picture(S("/opt/mirtal/pictures/sea.bmp")).size(), copy);
    QVERIFY(h.checked("RXXXX") && !h.checked("RNN"));
    QCOMPARE(h.ends, 0);
}

void TestPictureChoice::customSizeCancelledKeepsTheMode()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.form().R1024_Click();
    h.form().RXXXX_Click(); // cancelled
    QVERIFY(!h.form().CustomSizeSet);
    QCOMPARE(h.form().option3().selected(), 1);
    QVERIFY(h.checked("R1024") && !h.checked("RXXXX"));
    QCOMPARE(h.customSizeAsked, 1);
}

void TestPictureChoice::customSizeRedoneFromTheDialogPicture()
{
    Harness h;
    QImage halves(1600, 1200, QImage::Format_RGB32);
    halves.fill(Qt::red);
    h.pictures.addPicture(S("/pics/sea.jpg"), halves);
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.customSizes.push_back(app::CustomSize{S("800"), S("600")});
    h.form().RXXXX_Click();
    h.form().RNN_Click();
    // From "Не менять" back to custom: the copy is made again, from the dialog's picture.
    h.customSizes.push_back(app::CustomSize{S("400"), S("300")});
    h.form().RXXXX_Click();
    QCOMPARE(h.pictures.picture(S("/opt/mirtal/pictures/sea.bmp")).size(), QSize(400, 300));
    // A second custom size while custom is selected makes no copy; the boxes keep the values.
    h.customSizes.push_back(app::CustomSize{S("200"), S("100")});
    h.form().RXXXX_Click();
    QCOMPARE(h.pictures.picture(S("/opt/mirtal/pictures/sea.bmp")).size(), QSize(400, 300));
    QCOMPARE(h.control<QLineEdit>("Text1")->text(), S("200"));
}

void TestPictureChoice::unwritableCopyIsReportedAndChangesNothing()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.pictures.failNextSave(S("Диск заполнен"));
    h.form().R1024_Click();
    QCOMPARE(h.dialogs.shown().size(), 1);
    QVERIFY(h.dialogs.shown().at(0).text.contains(S("Диск заполнен")));
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QCOMPARE(h.text4(), S("/pics/sea.jpg"));
    QCOMPARE(h.label("Label5"), S("1600x1200\r\n1.333"));
    QCOMPARE(h.ends, 0);
}

void TestPictureChoice::digitsOnlyInTheSizeBoxes()
{
    Harness h;
    h.start();
    auto* text1 = h.control<QLineEdit>("Text1");
    text1->setEnabled(true); // the frame is inactive; enable the box to type into it
    text1->parentWidget()->setEnabled(true);
    text1->clear();
    QTest::keyClicks(text1, S("1a2-3 45"));
    QCOMPARE(text1->text(), S("1234"));
    QTest::keyClick(text1, Qt::Key_Backspace);
    QCOMPARE(text1->text(), S("1234"));
}

void TestPictureChoice::openingAFolderResetsTheModeAndLoads()
{
    Harness h;
    QVERIFY(QDir(h.folder()).mkdir(S("inner")));
    const QString inner = h.folder() + S("/inner");
    h.fs.addDirectory(inner);
    h.fs.addFile(inner + S("/Desktop.ini"), "IconArea_Text=0x00FF00\r\n");
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.start();
    choose(h, S("/pics/sea.jpg"));
    h.form().R1024_Click();
    QVERIFY(h.form().folderList()->highlight(inner));
    QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
    QVERIFY(h.form().folderList()->open(h.form().folderList()->currentRow()));
    QCOMPARE(h.text2(), inner);
    QCOMPARE(h.label("Label2"), S("Файл настройки найден"));
    QCOMPARE(h.form().TextColorHex, S("FF00"));
    QCOMPARE(h.form().ImagePath, QString());
    QVERIFY(h.checked("RNN"));
    QCOMPARE(h.form().option3().selected(), 3);
}

void TestPictureChoice::openInFileManager()
{
    Harness h;
    h.start();
    h.form().Command6_Click();
    QCOMPARE(h.shell.openedFolders, QStringList{h.folder()});
    h.shell.nextResult = Status::failure(S("нет файлового менеджера"));
    h.form().Command6_Click();
    QCOMPARE(h.dialogs.shown().size(), 1);
    QCOMPARE(h.ends, 0);
}

QTEST_MAIN(TestPictureChoice)
#include "tst_PictureChoice.moc"
