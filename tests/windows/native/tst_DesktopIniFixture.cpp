#include "app/FolderEditor.h"
#include "app/GeneralErrorPath.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The Windows suite hands checked-in Desktop.ini files to the shell's reader under Wine. This keeps them what the
// program's apply really writes: the folder editor's apply over the real file system, in Windows-1251, over an old
// file as Windows or a user left it.
class TestDesktopIniFixture final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void applyWritesTheFixture_data();
    void applyWritesTheFixture();
};

void TestDesktopIniFixture::applyWritesTheFixture_data()
{
    const auto cp1251 = platform::AnsiCodePage::windows1251();
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("name"); // of the old file
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QString>("chosen"); // a picture inside the folder, chosen before apply; empty: none
    QTest::newRow("foreign section") << S("Desktop.ini") << S("Desktop.ini")
                                     << "[.ShellClassInfo]\r\nInfoTip=" +
                                            cp1251.encode(S("Фотографии с моря")).value() + "\r\n"
                                     << QString();
    // Our section first under a lower-case header, the keys in other cases and with blanks, LF line ends: Windows'
    // reader would take that first section, so none of it may stay.
    QTest::newRow("lower-case section first")
        << S("Desktop-any-case.ini") << S("desktop.ini")
        << "  [{be098140-a513-11d0-a3a4-00c04fd706ec}] \niconarea_image=C:\\old.jpg\n  IconArea_TEXT = 0x000000FF\n"
           "Foreign=1\r\n[.ShellClassInfo]\r\nInfoTip=" +
               cp1251.encode(S("Старое")).value() + "\r\n"
        << QString();
    // As Windows writes it for a name outside the code page.
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : S("[.ShellClassInfo]\r\nLocalizedResourceName=写真 Фото\r\n"))
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    QTest::newRow("UTF-16LE") << S("Desktop-utf16.ini") << S("DESKTOP.INI") << utf16 << QString();
    // A picture inside the folder is named relative to it, so that a Windows client of the share finds it.
    QTest::newRow("picture inside") << S("Desktop-relative.ini") << S("Desktop.ini")
                                    << "[.ShellClassInfo]\r\nInfoTip=" + cp1251.encode(S("Фотографии с моря")).value() +
                                           "\r\n"
                                    << S("лес.jpg");
}

void TestDesktopIniFixture::applyWritesTheFixture()
{
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    QFETCH(QString, chosen);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(S("program"));
    const QString target = root.filePath(S("Мои фото"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(target));
    const auto cp1251 = platform::AnsiCodePage::windows1251();
    // A picture on the Windows machine the file is meant for; it need not exist here, and a path read that names no
    // file is kept and written back. Our key lines are dropped on rewrite, so adding one changes no expected byte.
    const QString pictureLine = S("IconArea_Image=D:\\Фото\\море.jpg\r\n");
    QByteArray withPicture = old;
    if (old.startsWith("\xFF\xFE")) {
        for (const QChar c : pictureLine)
            withPicture.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    } else {
        withPicture += cp1251.encode(pictureLine).value();
    }
    QFile existing(target + u'/' + name);
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(withPicture) == withPicture.size());
    existing.close();

    platform::LinuxFileSystem fileSystem(cp1251, program);
    platform::QtPictures pictures;
    platform::FakeDialogs dialogs;
    platform::FakeShell shell;
    platform::FakeScreen screen;
    int ends = 0;
    app::GeneralErrorPath errorPath(dialogs, [&](int) { ++ends; });
    app::FolderEditor editor(
        app::EditorServices{fileSystem, pictures, dialogs, shell, screen, errorPath, {}, QLocale::c()});
    editor.start(target);
    if (!chosen.isEmpty()) {
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(target + u'/' + chosen, "JPG"));
        dialogs.queueFile(target + u'/' + chosen);
        editor.choosePicture();
    }
    dialogs.queueColor(0x3366CC);
    editor.chooseCaptionColor();
    editor.apply();
    QCOMPARE(ends, 0);
    QCOMPARE(dialogs.shownTexts(), QStringList{S("Файл настройки отредактирован")});
    // Rewritten under the name it had, never beside it.
    QStringList files = QDir(target).entryList(QDir::Files | QDir::Hidden);
    files.removeOne(chosen);
    QCOMPARE(files, QStringList{name});

    const QByteArray written = readAll(target + u'/' + name);
    const QByteArray expected = readAll(QString::fromUtf8(MIRTAL_DESKTOP_INI_FIXTURES) + u'/' + fixture);
    if (written != expected) {
        QFile actual(QDir::current().filePath(fixture + S(".actual")));
        QVERIFY(actual.open(QIODevice::WriteOnly) && actual.write(written) == written.size());
        QFAIL(qPrintable(S("apply no longer writes the Windows suite's fixture; it wrote %1").arg(actual.fileName())));
    }
}

QTEST_MAIN(TestDesktopIniFixture)
#include "tst_DesktopIniFixture.moc"
