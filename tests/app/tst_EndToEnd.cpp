// The window over the real Linux platform: the folder list as a full listing would show it, links followed to
// write a picture relative to its folder, and the unreadable settings file.
#include "Harness.h"
#include "app/FolderList.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QTest>

using namespace mirtal;

class TestEndToEnd final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderListShowsAFullListing();
    void linkedPictureIsWrittenRelative();
    void unreadableFolderIsSaidSo();
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
    for (const QLocale& locale : {QLocale(QLocale::Russian), QLocale::c()}) { // the C locale left set
        QLocale::setDefault(locale);
        app::FolderList list;
        QVERIFY(list.setPath(dir.path()));
        QStringList rows; // the folder's own entries, below the chain of folders down to it
        for (int row = list.currentFolderRow() + 1; row < list.count(); ++row)
            rows.append(list.item(row)->text());
        const QStringList expected =
            QDir(dir.path())
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
        QVERIFY(expected.size() == 304 && expected.contains(S("link to b")));
        QCOMPARE(rows, expected);
        // A folder that cannot be listed leaves the list as it was.
        const auto moved = list.setPath(dir.filePath(S("missing")));
        QVERIFY(!moved && moved.message().contains(S("missing")) && list.path() == dir.path() &&
                list.count() == expected.size() + list.currentFolderRow() + 1);
    }
}

// The editor asks the real file system whether a picture lies inside the folder: one reached through a link is
// written relative to the folder and read back from it; its fitted copy, beside the program, by its full path.
void TestEndToEnd::linkedPictureIsWrittenRelative()
{
    QTemporaryDir root;
    const QString program = root.filePath(S("program")), target = root.filePath(S("Мои фото"));
    const QString ini = target + S("/Desktop.ini"), copy = program + S("/pictures/лес.bmp");
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(QColor(20, 90, 160));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(target) && image.save(target + S("/лес.jpg"), "JPG"));
    QVERIFY(QFile::link(root.path(), root.filePath(S("link"))));
    RealWindow w(target, program);
    w.dialogs.queueFile(root.filePath(S("link/Мои фото/лес.jpg")));
    w.editor().choosePicture();
    w.editor().apply();
    QVERIFY(test::readBytes(ini).contains("\r\nIconArea_Image=.\\\xEB\xE5\xF1.jpg\r\n"));
    QVERIFY(w.state().imagePath == S(".\\лес.jpg") && w.picturePath() == target + S("/лес.jpg"));
    w.editor().fitToScreen();
    w.editor().apply();
    QVERIFY(test::readBytes(ini).contains(QByteArray("\r\nIconArea_Image=" + cp1251(copy) + "\r\n")));
    QVERIFY(QImage(copy).size() == QSize(781, 626) && w.label("sizeLabel") == S("781x626\r\n1.248") && w.ends == 0);
}

// A folder whose settings file the user may not look at (/root for a user) is said to be unreadable, with the
// folder and why; it is no damaged file, and nothing is offered for removal.
void TestEndToEnd::unreadableFolderIsSaidSo()
{
    QTemporaryDir root;
    const QString closed = root.filePath(S("closed"));
    QVERIFY(QDir().mkpath(closed) && test::writeBytes(closed + S("/Desktop.ini"), "IconArea_Text=0x00FF\r\n"));
    platform::LinuxSysCalls sys; // as root, the permission bits would not stop us
    const auto denied = [](const char* path) {
        if (!QByteArrayView(path).contains("/closed/"))
            return false;
        errno = EACCES;
        return true;
    };
    sys.fstatat = [denied, real = sys.fstatat](int fd, const char* path, struct stat* result, int flags) {
        return denied(path) ? -1 : real(fd, path, result, flags);
    };
    sys.openat = [denied, real = sys.openat](int fd, const char* path, int flags, mode_t mode) {
        return denied(path) ? -1 : real(fd, path, flags, mode);
    };
    RealWindow w(closed, root.filePath(S("program")), sys);
    QCOMPARE(w.dialogs.shown().size(), 1);
    const auto& box = w.dialogs.shown().constFirst();
    QVERIFY2(box.icon == platform::MessageIcon::Stop && box.text.contains(S("«%1»").arg(closed)) &&
                 box.text.contains(S("нет прав доступа")),
             qPrintable(box.text));
    QVERIFY(w.label("statusLabel") == S("Файл настройки недоступен") && w.ends == 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
