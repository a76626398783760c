// Where picture paths point: a path read from Desktop.ini, the path written for a picture so that Windows clients of
// a share can follow it, and the folder the scaled copies go to.
#include "platform/Places.h"
#include "settings/PicturePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;
using namespace mirtal::settings;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mirtal::settings::PathStyle)

namespace {

// The file system's view of paths that need not exist: "." and ".." taken lexically, "/gone" missing, and one link,
// "/srv/link" to "/srv/share".
#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

QString fakeCanonical(const QString& path)
{
    QString clean = QDir::cleanPath(path);
    if (clean == u"/srv/link"_s || clean.startsWith(u"/srv/link/"_s))
        clean = u"/srv/share"_s + clean.mid(9);
    return clean.startsWith(u"/gone"_s) ? QString() : clean;
}

bool writing = false; // which rule the rows below are for

void row(const char* name, PathStyle style, const QString& folder, const QString& given, const QString& expected)
{
    QTest::newRow(name) << writing << style << folder << given << expected;
}

constexpr auto onLinux = PathStyle::Linux;
constexpr auto onWindows = PathStyle::Windows;

} // namespace

class TestPicturePaths final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A path read from the file, and the path written for a picture.
    void paths_data()
    {
        QTest::addColumn<bool>("writing");
        QTest::addColumn<PathStyle>("style");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        // A relative path is taken from the folder whose file it is, its backslashes splitting it on Linux too; a
        // path from a root, a drive or a share is left as read, on both systems.
        writing = false;
        row("bare name", onLinux, u"/srv/Фото"_s, u"фон.jpg"_s, u"/srv/Фото/фон.jpg"_s);
        row("mixed, doubled", onLinux, u"/srv"_s, u".\\\\a/./b\\x.jpg"_s, u"/srv/a/b/x.jpg"_s);
        row("up, kept", onLinux, u"/srv/Фото"_s, u"..\\x.jpg"_s, u"/srv/Фото/../x.jpg"_s);
        row("root folder", onLinux, u"/"_s, u".\\x.jpg"_s, u"/x.jpg"_s);
        row("the folder", onLinux, u"/srv/Фото"_s, u".\\"_s, u"/srv/Фото"_s);
        row("absolute", onLinux, u"/srv/Фото"_s, u"/home/u/x.jpg"_s, u"/home/u/x.jpg"_s);
        row("drive-relative", onLinux, u"/srv"_s, u"d:x.jpg"_s, u"d:x.jpg"_s);
        row("root of drive", onLinux, u"/srv"_s, u"\\x.jpg"_s, u"\\x.jpg"_s);
        row("empty", onLinux, u"/srv"_s, QString(), QString());
        row("win slash", onWindows, u"D:\\Фото\\"_s, u"sub/x.jpg"_s, u"D:\\Фото\\sub\\x.jpg"_s);
        row("win drive root", onWindows, u"D:\\"_s, u".\\x.jpg"_s, u"D:\\x.jpg"_s);
        // Inside the folder or below it, by the file system's view, a picture is written relative with backslashes;
        // everything else as held.
        writing = true;
        row("below", onLinux, u"/srv/share/"_s, u"/srv/share/sub/лес.jpg"_s, u".\\sub\\лес.jpg"_s);
        row("up and back", onLinux, u"/srv/share"_s, u"/srv/other/../share/./x.jpg"_s, u".\\x.jpg"_s);
        row("via a link", onLinux, u"/srv/link"_s, u"/srv/share/x.jpg"_s, u".\\x.jpg"_s);
        row("write, root folder", onLinux, u"/"_s, u"/x.jpg"_s, u".\\x.jpg"_s);
        row("shared prefix", onLinux, u"/a/b"_s, u"/a/bc/x.jpg"_s, u"/a/bc/x.jpg"_s);
        row("outside", onLinux, u"/srv/share"_s, u"/home/u/.local/x.bmp"_s, u"/home/u/.local/x.bmp"_s);
        row("up and out", onLinux, u"/srv/share"_s, u"/srv/share/../x.jpg"_s, u"/srv/share/../x.jpg"_s);
        row("write, the folder", onLinux, u"/srv/share"_s, u"/srv/share/"_s, u"/srv/share/"_s);
        row("missing", onLinux, u"/srv/share"_s, u"/gone/x.jpg"_s, u"/gone/x.jpg"_s);
        // Where the build's own paths take a backslash for a separator, it names a folder.
        row("backslash name", onLinux, u"/srv/share"_s, u"/srv/share/a\\b.jpg"_s,
            kWindows ? u".\\a\\b.jpg"_s : u"/srv/share/a\\b.jpg"_s);
        row("relative as read", onLinux, u"/srv/share"_s, u"..\\фон.jpg"_s, u"..\\фон.jpg"_s);
        row("windows", onWindows, u"/srv/share"_s, u"/srv/share/x.jpg"_s, u"/srv/share/x.jpg"_s);
    }

    void paths()
    {
        QFETCH(bool, writing);
        QFETCH(PathStyle, style);
        QFETCH(QString, folder);
        QFETCH(QString, given);
        QFETCH(QString, expected);
        QCOMPARE(writing ? picturePathToWrite(folder, given, style, fakeCanonical)
                         : resolvePicturePath(folder, given, style),
                 expected);
    }

    // The same on real folders: a linked subfolder that leads out of the folder is outside, one that stays inside
    // is followed, a linked folder is the folder it leads to; and what is written reads back to the picture.
    void toWriteOnDisk()
    {
        if (kWindows)
            QSKIP("links on disk are Linux's; the Windows build writes the full path (row windows)");
        QTemporaryDir dir;
        const QString share = dir.filePath(u"share"_s), elsewhere = dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(share + u"/2024"_s) && QDir().mkpath(elsewhere));
        for (const QString& file : QStringList{share + u"/2024/лес.jpg"_s, elsewhere + u"/x.jpg"_s}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(share + u"/2024"_s, share + u"/latest"_s));
        QVERIFY(QFile::link(elsewhere, share + u"/out"_s));
        QVERIFY(QFile::link(share, dir.filePath(u"linked share"_s)));
        const auto write = [&](const QString& folder, const QString& picture) {
            return picturePathToWrite(folder, picture, PathStyle::Linux, platform::canonicalPath);
        };
        QCOMPARE(write(share, share + u"/latest/лес.jpg"_s), u".\\2024\\лес.jpg"_s);
        QCOMPARE(write(dir.filePath(u"linked share"_s), share + u"/2024/лес.jpg"_s), u".\\2024\\лес.jpg"_s);
        QCOMPARE(write(share, share + u"/out/x.jpg"_s), share + u"/out/x.jpg"_s);
        // ".." after a link climbs out of where the link leads, not back to the share.
        QCOMPARE(write(share, share + u"/out/../2024/лес.jpg"_s), share + u"/out/../2024/лес.jpg"_s);
        const QString written = write(share + u"/"_s, share + u"/2024/лес.jpg"_s);
        QVERIFY(QFile::exists(resolvePicturePath(share, written, PathStyle::Linux)));
    }

    // Copies stay beside a program run from where it was built; an installed one keeps them in the user's data
    // folder, from $XDG_DATA_HOME when that is absolute.
    void picturesFolder_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("folder");
        const auto row = [](const char* name, const QString& program, const QString& installed, const QString& dataHome,
                            const QString& home, const QString& folder) {
            QTest::newRow(name) << program << installed << dataHome << home << folder;
        };
        const QString bin = u"/usr/bin"_s, home = u"/home/u"_s;
        row("installed", bin, bin, QString(), home, u"/home/u/.local/share/mirtal/pictures"_s);
        row("trailing separators", u"/usr/bin/"_s, bin, u"/data/"_s, home, u"/data/mirtal/pictures"_s);
        row("relative data home", bin, bin, u"data"_s, home, u"/home/u/.local/share/mirtal/pictures"_s);
        row("shared prefix, a build", u"/usr/bin2"_s, bin, u"/data"_s, home, u"/usr/bin2/pictures"_s);
        row("home is the root", bin, bin, QString(), u"/"_s,
            (kWindows ? u"/"_s : QString()) + u"/.local/share/mirtal/pictures"_s);
        row("installs nothing", u"/opt/mirtal"_s, QString(), u"/data"_s, home, u"/opt/mirtal/pictures"_s);
    }

    void picturesFolder()
    {
        QFETCH(QString, program);
        QFETCH(QString, installed);
        QFETCH(QString, dataHome);
        QFETCH(QString, home);
        QFETCH(QString, folder);
        // Joined with the build's separator.
        QCOMPARE(QDir::fromNativeSeparators(platform::picturesFolder(program, installed, dataHome, home)), folder);
        // This build is not installed: its copies stay beside it, whatever the environment says.
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        const QString here = QCoreApplication::applicationDirPath();
        QCOMPARE(QDir::fromNativeSeparators(platform::picturesFolder(here)), here + u"/pictures"_s);
    }
};

QTEST_GUILESS_MAIN(TestPicturePaths)
#include "tst_PicturePaths.moc"
