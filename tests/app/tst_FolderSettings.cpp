#include "Harness.h"

#include <QDir>
#include <QTest>

using namespace mirtal;
using platform::Answer;

namespace {

QByteArray cp1251(const char* utf8)
{
    return platform::AnsiCodePage::windows1251().encode(QString::fromUtf8(utf8)).value();
}

const QByteArray kForeignFile = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                                "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=C:\\old.jpg\r\n"
                                "Foreign=1\r\nIconArea_Text=0x00FF\r\n";

QString damagedQuestion()
{
    return S("Во время чтения файла настройки возникла ошибка \r\n"
             "              Вероятно файл настройки испорчен\r\n"
             "                             Удалить его?");
}

} // namespace

class TestFolderSettings final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Loading.
    void loadWithoutFile();
    void loadFileWithoutKeys();
    void loadColourAndPicture();
    void loadMissingOrHiddenPictureKeepsThePath_data();
    void loadMissingOrHiddenPictureKeepsThePath();
    void damagedFile_data();
    void damagedFile();
    void unreadablePictureAsksWithColoursAlreadySet();
    void damagedFileYesRunsTheRemoval();

    // Applying.
    void applyCreatesTheFile();
    void applyRewritesKeepingForeignLines();
    void applyIsByteStableFromTheSecondRewrite();
    void applyToHighlightedFolder();
    void applyRefusesUnrepresentablePath();

    // Removing.
    void removeWithoutFile();
    void removeAnsweredNo();
    void removeDeletesFileAndCopy_data();
    void removeDeletesFileAndCopy();
    void removeAfterAutomaticFitOfAFilePicture();
};

void TestFolderSettings::loadWithoutFile()
{
    Harness h;
    h.start();
    h.form().Command8_Click();
    QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
    QCOMPARE(h.form().sampleColor(), QColor(Qt::black));
    QVERIFY(h.previewEmpty());
    QVERIFY(h.option1());
    QCOMPARE(h.text4(), QString());
}

void TestFolderSettings::loadFileWithoutKeys()
{
    Harness h;
    h.writeIni("[.ShellClassInfo]\r\nIconResource=x.ico,0\r\n", platform::attr::Hidden | platform::attr::System);
    h.start();
    QCOMPARE(h.label("Label2"), S("Файл настройки найден"));
    QCOMPARE(h.form().ImagePath, QString());
    QCOMPARE(h.form().TextColorHex, S("000000"));
    QVERIFY(h.option1() && h.previewEmpty());
}

void TestFolderSettings::loadColourAndPicture()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1024, 768));
    h.writeIni("[x]\r\nIconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00ff\r\n");
    h.start();
    QCOMPARE(h.form().TextColorHex, S("ff"));
    QCOMPARE(h.form().sampleColor(), QColor(255, 0, 0));
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QCOMPARE(h.text4(), S("/pics/sea.jpg"));
    QCOMPARE(h.label("Label5"), S("1024x768\r\n1.333"));
    QVERIFY(h.option2() && !h.option1());
    QVERIFY(!h.previewEmpty());
    QVERIFY(h.dialogs.shown().isEmpty());
}

void TestFolderSettings::loadMissingOrHiddenPictureKeepsThePath_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << false;
    QTest::newRow("hidden") << true;
}

void TestFolderSettings::loadMissingOrHiddenPictureKeepsThePath()
{
    QFETCH(bool, exists);
    Harness h;
    if (exists)
        h.addPicture(S("/pics/sea.jpg"), QSize(10, 10), platform::attr::Hidden);
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00FF00\r\n");
    h.start();
    QCOMPARE(h.form().ImagePath, S("/pics/sea.jpg"));
    QVERIFY(h.option1() && h.previewEmpty());
    QCOMPARE(h.text4(), QString());
    // The next apply writes the path back unchanged.
    h.form().Command5_Click();
    QVERIFY(h.ini().contains("IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00FF00\r\n"));
}

void TestFolderSettings::damagedFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("colour line of 18 characters") << QByteArray("IconArea_Text=0xFF\r\n");
    QTest::newRow("colour line too short") << QByteArray("IconArea_Text=255\r\n");
    QTest::newRow("not hexadecimal") << QByteArray("IconArea_Text=0x00GG\r\n");
    QTest::newRow("above a colour") << QByteArray("IconArea_Text=0x001000000\r\n");
    QTest::newRow("UTF-16 with a byte-order mark")
        << QByteArray("\xFF\xFEI\0c\0o\0n\0A\0r\0e\0a\0_\0T\0e\0x\0t\0=\0\r\0\n\0", 34);
}

void TestFolderSettings::damagedFile()
{
    QFETCH(QByteArray, file);
    Harness h;
    h.writeIni(file);
    h.dialogs.queueAnswer(Answer::No);
    h.start();
    if (file.startsWith("\xFF\xFE")) {
        // Read byte by byte as ANSI text: no key is recognised, and nothing breaks.
        QVERIFY(h.dialogs.shown().isEmpty());
        QCOMPARE(h.label("Label2"), S("Файл настройки найден"));
        return;
    }
    QCOMPARE(h.dialogs.shownTexts(), QStringList{damagedQuestion()});
    QCOMPARE(h.dialogs.shown().at(0).title, S("Мирталь"));
    QCOMPARE(h.dialogs.shown().at(0).icon, platform::MessageIcon::Question);
    QCOMPARE(h.label("Label2"), S("Файл настройки найден"));
    QVERIFY(h.fs.exists(h.iniPath()));
}

void TestFolderSettings::unreadablePictureAsksWithColoursAlreadySet()
{
    Harness h;
    h.fs.addFile(S("/pics/not-a-picture.jpg"), "text");
    h.start();
    h.writeIni("IconArea_Image=/pics/not-a-picture.jpg\r\nIconArea_Text=0x00FF0000\r\n");
    QColor colourWhenAsked;
    h.dialogs.setOnMessage([&](const auto&) { colourWhenAsked = h.form().sampleColor(); });
    h.form().Command8_Click();
    QCOMPARE(h.dialogs.shownTexts(), QStringList{damagedQuestion()});
    QCOMPARE(colourWhenAsked, QColor(0, 0, 255));
    QVERIFY(h.option1()); // unchanged from before the load
}

void TestFolderSettings::damagedFileYesRunsTheRemoval()
{
    Harness h;
    h.writeIni("IconArea_Text=255\r\n");
    h.dialogs.queueAnswer(Answer::Yes); // delete it?
    h.dialogs.queueAnswer(Answer::Yes); // are you sure?
    h.start();
    QCOMPARE(h.dialogs.shownTexts(), (QStringList{damagedQuestion(), S("Вы уверены?"), S("Файл настройки удалён")}));
    QVERIFY(!h.fs.exists(h.iniPath()));
    QCOMPARE(h.label("Label2"), S("Файла настройки больше нет с нами"));
}

void TestFolderSettings::applyCreatesTheFile()
{
    Harness h;
    h.addPicture(S("/Фото/море.jpg"), QSize(40, 30));
    h.fs.addDirectory(h.folder(), platform::attr::Hidden | platform::attr::ReadOnly);
    h.start();
    h.dialogs.queueFile(S("/Фото/море.jpg"));
    h.form().Command2_Click();
    h.dialogs.queueColor(0x0000FF);
    h.form().Command3_Click();
    h.form().Command5_Click();
    QCOMPARE(h.ini(), cp1251("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=/Фото/море.jpg\r\n"
                             "IconArea_Text=0x00FF\r\n"));
    QCOMPARE(h.fs.entry(h.iniPath())->attributes, platform::attr::Hidden | platform::attr::System);
    QCOMPARE(h.fs.entry(h.folder())->attributes, platform::attr::System);
    QCOMPARE(h.shell.changedFolders, QStringList{h.folder()});
    QCOMPARE(h.dialogs.shown().last().text, S("Файл настройки создан"));
    QCOMPARE(h.dialogs.shown().last().title, S("Готово"));
    QCOMPARE(h.dialogs.shown().last().icon, platform::MessageIcon::Information);
    // The reload shows what was written.
    QCOMPARE(h.label("Label2"), S("Файл настройки найден"));
    QCOMPARE(h.form().TextColorHex, S("FF"));
}

void TestFolderSettings::applyRewritesKeepingForeignLines()
{
    Harness h;
    h.writeIni(kForeignFile, platform::attr::Hidden | platform::attr::System | platform::attr::ReadOnly);
    h.start();
    h.form().Option1_MouseDown(); // no background
    h.form().TextColorHex.clear();
    h.form().Command5_Click();
    QCOMPARE(h.ini(), QByteArray("[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
                                 "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00000000\r\n"));
    QCOMPARE(h.fs.entry(h.iniPath())->attributes, platform::attr::Hidden | platform::attr::System);
    QCOMPARE(h.dialogs.shown().last().text, S("Файл настройки отредактирован"));
    QCOMPARE(h.form().OtherLines, S("[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n"));
}

void TestFolderSettings::applyIsByteStableFromTheSecondRewrite()
{
    Harness h;
    h.start();
    h.form().Command5_Click();
    const QByteArray created = h.ini();
    QVERIFY(!created.startsWith("\r\n"));
    h.form().Command5_Click();
    const QByteArray first = h.ini();
    QCOMPARE(first, "\r\n" + created);
    h.form().Command5_Click();
    QCOMPARE(h.ini(), first);
}

void TestFolderSettings::applyToHighlightedFolder()
{
    Harness h;
    QVERIFY(QDir(h.folder()).mkdir(S("inner")));
    const QString inner = h.folder() + S("/inner");
    h.fs.addDirectory(inner);
    h.start();
    QVERIFY(h.form().folderList()->highlight(inner));
    QCOMPARE(h.text2(), inner);
    // Highlighting loads nothing.
    QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
    h.form().Command5_Click();
    QVERIFY(h.fs.exists(inner + S("/Desktop.ini")));
    QVERIFY(!h.fs.exists(h.iniPath()));
}

void TestFolderSettings::applyRefusesUnrepresentablePath()
{
    Harness h;
    h.writeIni(kForeignFile, platform::attr::Hidden);
    h.addPicture(S("/pics/日本.jpg"), QSize(8, 8));
    h.start();
    h.dialogs.queueFile(S("/pics/日本.jpg"));
    h.form().Command2_Click();
    h.fs.clearLog();
    h.form().Command5_Click();
    QCOMPARE(h.dialogs.shown().size(), 1);
    QVERIFY(h.dialogs.shown().at(0).text.contains(S("«日»")));
    QCOMPARE(h.ends, 0);
    QCOMPARE(h.ini(), kForeignFile);
    QCOMPARE(h.fs.entry(h.iniPath())->attributes, platform::attr::Hidden);
    for (const QString& call : h.fs.log())
        QVERIFY2(!call.startsWith(S("write")) && !call.startsWith(S("attrib")), qPrintable(call));
    QCOMPARE(h.form().ImagePath, S("/pics/日本.jpg"));
}

void TestFolderSettings::removeWithoutFile()
{
    Harness h;
    h.start();
    h.form().Command4_Click();
    QCOMPARE(h.dialogs.shown().size(), 1);
    QCOMPARE(h.dialogs.shown().at(0).text, S("В выбранной папке нет файла настройки"));
    QCOMPARE(h.dialogs.shown().at(0).title, S("Нет здесь никакого файла настройки"));
    QCOMPARE(h.dialogs.shown().at(0).icon, platform::MessageIcon::Stop);
    QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
}

void TestFolderSettings::removeAnsweredNo()
{
    Harness h;
    h.writeIni(kForeignFile);
    h.start();
    h.dialogs.queueAnswer(Answer::No);
    h.form().Command4_Click();
    QCOMPARE(h.dialogs.shown().last().title, S("Подтверждение удаления"));
    QCOMPARE(h.ini(), kForeignFile);
}

void TestFolderSettings::removeDeletesFileAndCopy_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("copy");
    QTest::newRow("copy of a picture") << S("/Фото/море.jpg") << S("/opt/mirtal/pictures/море.bmp");
    QTest::newRow("the copy itself") << S("/opt/mirtal/pictures/sea.bmp") << S("/opt/mirtal/pictures/sea.bmp");
    QTest::newRow("four-letter extension") << S("/pics/x.jpeg") << S("/opt/mirtal/pictures/x..bmp");
    QTest::newRow("name shorter than four") << S("/pics/a.b") << QString();
}

void TestFolderSettings::removeDeletesFileAndCopy()
{
    QFETCH(QString, picture);
    QFETCH(QString, copy);
    Harness h;
    h.fs.addDirectory(S("/opt/mirtal/pictures"));
    h.addPicture(picture, QSize(20, 10));
    if (!copy.isEmpty() && copy != picture)
        h.addPicture(copy, QSize(5, 5));
    h.writeIni(platform::AnsiCodePage::windows1251().encode(S("IconArea_Image=") + picture + S("\r\n")).value(),
               platform::attr::Hidden | platform::attr::System | platform::attr::ReadOnly);
    h.fs.addDirectory(h.folder(), platform::attr::System);
    h.start();
    QCOMPARE(h.form().ImagePath, picture);
    h.dialogs.clearShown();
    h.dialogs.queueAnswer(Answer::Yes);
    h.form().Command4_Click();
    QVERIFY(!h.fs.exists(h.iniPath()));
    if (!copy.isEmpty())
        QVERIFY(!h.fs.exists(copy));
    if (copy != picture)
        QVERIFY(h.fs.exists(picture));
    QCOMPARE(h.dialogs.shown().last().text, S("Файл настройки удалён"));
    QCOMPARE(h.dialogs.shown().last().title, S("Радуйся"));
    QCOMPARE(h.shell.changedFolders, QStringList{h.folder()});
    QCOMPARE(h.label("Label2"), S("Файла настройки больше нет с нами"));
    QCOMPARE(h.form().ImagePath, QString());
    QCOMPARE(h.fs.entry(h.folder())->attributes, platform::attr::System);
    QCOMPARE(h.ends, 0);
}

void TestFolderSettings::removeAfterAutomaticFitOfAFilePicture()
{
    Harness h;
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    h.writeIni("IconArea_Image=/pics/sea.jpg\r\n");
    h.start();
    h.form().R1024_Click();
    QCOMPARE(h.form().ImagePath, S("/opt/mirtal/pictures/sea.bmp"));
    h.dialogs.clearShown();
    h.dialogs.queueAnswer(Answer::Yes);
    h.form().Command4_Click();
    // The fit reset finds no file chosen in the dialog: no picture, so no copy is looked for.
    QCOMPARE(h.dialogs.shownTexts(),
             (QStringList{S("Ошибка загрузки фона"), S("Вы уверены?"), S("Файл настройки удалён")}));
    QVERIFY(h.fs.exists(S("/opt/mirtal/pictures/sea.bmp")));
    QVERIFY(!h.fs.exists(h.iniPath()));
    QVERIFY(h.checked("RNN"));
}

QTEST_MAIN(TestFolderSettings)
#include "tst_FolderSettings.moc"
