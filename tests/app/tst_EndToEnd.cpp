// The window over the real Linux platform: the folder list as a full listing would show it, and the whole job on
// real files and decoders, down to the bytes and attributes on disk and a picture refused by its content.
#include "Harness.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace mirtal;
using app::FolderList;
using test::dosAttrib;

namespace {

QStringList childRows(const FolderList& list)
{
    QStringList names;
    for (int row = list.currentFolderRow() + 1; row < list.count(); ++row)
        names.append(list.item(row)->text());
    return names;
}

} // namespace

class TestEndToEnd final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderListShowsAFullListing();
    void folderListNavigation();
    void chooseFitApplyReloadRemove();
};

void TestEndToEnd::folderListShowsAFullListing()
{
    // Hidden folders, files and links to files are left out; a link to a folder is a folder. Mixed case and
    // scripts sort by the user's locale with case ignored, in the C locale too.
    QTemporaryDir dir;
    for (const char* name : {"b", "A", "Ёлка", ".hidden"})
        QVERIFY(QDir(dir.path()).mkdir(S(name)));
    QVERIFY(test::writeBytes(dir.filePath(S("file.txt")), {}));
    QVERIFY(QFile::link(dir.filePath(S("b")), dir.filePath(S("link to b"))));
    QVERIFY(QFile::link(dir.filePath(S("file.txt")), dir.filePath(S("link to file"))));
    const QString stems[] = {S("Фото"), S("photo"), S("Отпуск"), S("work"), S("Архив"), S("Music")};
    for (int i = 0; i < 300; ++i)
        QVERIFY(QDir(dir.path()).mkdir(stems[i % 6] + QLatin1Char(' ') + QString::number(i * 7919 % 1000)));
    const QLocale before;
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Russian)}) {
        QLocale::setDefault(locale);
        FolderList list;
        QVERIFY(list.setPath(dir.path()));
        const QStringList expected =
            QDir(dir.path())
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        QVERIFY(expected.size() == 304 && expected.contains(S("link to b")));
        QCOMPARE(childRows(list), expected);
        QVERIFY(list.item(0)->text() == S("/") && list.currentFolderRow() == dir.path().count(QLatin1Char('/')));
        QCOMPARE(list.item(list.currentFolderRow())->text(), QFileInfo(dir.path()).fileName());
    }
}

void TestEndToEnd::folderListNavigation()
{
    QTemporaryDir dir;
    const QString inner = dir.filePath(S("inner"));
    QVERIFY(QDir().mkpath(inner + S("/deeper")));
    FolderList list;
    QVERIFY(list.setPath(dir.path()));
    QSignalSpy changed(&list, &FolderList::changed);
    // Enter opens the highlighted entry; an ancestor goes back up; the same folder again is no change.
    QVERIFY(list.highlight(inner) && !list.highlight(dir.filePath(S("nowhere"))));
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.path(), inner);
    QCOMPARE(childRows(list), QStringList{S("deeper")});
    QVERIFY(list.open(list.currentFolderRow() - 1) && list.setPath(dir.path() + S("/.")));
    QCOMPARE(list.path(), dir.path());
    QCOMPARE(changed.size(), 2);
    // A folder that cannot be listed leaves the list as it was.
    const int rows = list.count();
    const auto moved = list.setPath(dir.filePath(S("missing")));
    QVERIFY(!moved && moved.message().contains(S("missing")));
    QVERIFY(list.count() == rows && list.path() == dir.path());
}

void TestEndToEnd::chooseFitApplyReloadRemove()
{
    QTemporaryDir root;
    const QString program = root.filePath(S("program"));
    const QString target = root.filePath(S("Мои фото"));
    const QString picture = root.filePath(S("море.jpg"));
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(QColor(20, 90, 160));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(target) && image.save(picture, "JPG"));
    QVERIFY(test::writeBytes(target + S("/Desktop.ini"), "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n"));
    RealWindow w(target, program);
    QCOMPARE(w.label("Label2"), S("Файл настройки найден"));
    w.dialogs.queueFile(picture);
    w.form().Command2_Click();
    w.form().R1024_Click();
    const QString copy = program + S("/pictures/море.bmp");
    QCOMPARE(QImage(copy).size(), QSize(781, 626));
    w.dialogs.queueColor(0x00FF00);
    w.form().Command3_Click();
    w.form().Command5_Click();
    QCOMPARE(w.dialogs.shownTexts(), QStringList{S("Файл настройки отредактирован")});
    QCOMPARE(test::readBytes(target + S("/Desktop.ini")),
             "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
             "IconArea_Image=" +
                 platform::AnsiCodePage::windows1251().encode(copy).value() + "\r\nIconArea_Text=0x00FF00\r\n");
    const bool attributes = test::xattrsWork(target);
    QVERIFY(!attributes || dosAttrib(target + S("/Desktop.ini")) == QByteArray("0x6", 4));
    QVERIFY(!attributes || dosAttrib(target) == QByteArray("0x14", 5));
    // The reload after applying shows the file as written.
    QCOMPARE(w.form().ImagePath, copy);
    QCOMPARE(w.label("Label5"), S("781x626\r\n1.248"));
    QCOMPARE(w.form().sampleColor(), QColor(0, 255, 0));
    // Removing takes the file and the copy; the picture stays, and the folder a system folder.
    w.dialogs.queueAnswer(platform::Answer::Yes);
    w.form().Command4_Click();
    QVERIFY(!QFile::exists(target + S("/Desktop.ini")) && !QFile::exists(copy) && QFile::exists(picture));
    QVERIFY(!attributes || dosAttrib(target) == QByteArray("0x14", 5));

    // A PNG named .jpg has its size plain in its header, but is refused by its content: in the load the
    // damaged-file question, in the choice the message with the display as it was.
    const QString png = root.filePath(S("png.jpg"));
    QVERIFY(QImage(16, 16, QImage::Format_RGB32).save(png, "PNG"));
    QVERIFY(test::writeBytes(target + S("/Desktop.ini"), "IconArea_Image=" + png.toUtf8() + "\r\n"));
    w.dialogs.clearShown();
    w.form().Command8_Click();
    QVERIFY(w.dialogs.shownTexts().value(0).startsWith(S("Во время чтения файла настройки возникла ошибка")));
    w.dialogs.clearShown();
    w.dialogs.queueFile(picture);
    w.form().Command2_Click();
    w.dialogs.queueFile(png);
    w.form().Command2_Click();
    QCOMPARE(w.dialogs.shownTexts(), QStringList{S("Ошибка загрузки фона (Ошибка 1)")});
    QCOMPARE(w.form().ImagePath, png);
    QCOMPARE(w.text4(), picture);
    QCOMPARE(w.label("Label5"), S("1600x1200\r\n1.333"));
    QCOMPARE(w.ends, 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
