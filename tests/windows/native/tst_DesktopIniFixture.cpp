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

// The Windows suite hands a checked-in Desktop.ini to the shell's reader under Wine. This keeps that file what the
// program's apply really writes: the main window's apply over the real file system, in Windows-1251.
class TestDesktopIniFixture final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void applyWritesTheFixture();
};

void TestDesktopIniFixture::applyWritesTheFixture()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(S("program"));
    const QString target = root.filePath(S("Мои фото"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(target));
    const auto cp1251 = platform::AnsiCodePage::windows1251();
    QFile existing(target + S("/Desktop.ini"));
    QVERIFY(existing.open(QIODevice::WriteOnly) &&
            existing.write("[.ShellClassInfo]\r\nInfoTip=" + cp1251.encode(S("Фотографии с моря")).value() + "\r\n" +
                           // A picture on the Windows machine the file is meant for; it need not exist here, and a
                           // path read that names no file is kept and written back.
                           "IconArea_Image=" + cp1251.encode(S("D:\\Фото\\море.jpg")).value() + "\r\n") > 0);
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
    dialogs.queueColor(0x3366CC);
    editor.chooseCaptionColor();
    editor.apply();
    QCOMPARE(ends, 0);
    QCOMPARE(dialogs.shownTexts(), QStringList{S("Файл настройки отредактирован")});

    const QByteArray written = readAll(target + S("/Desktop.ini"));
    const QByteArray fixture = readAll(QString::fromUtf8(MIRTAL_DESKTOP_INI_FIXTURE));
    if (written != fixture) {
        QFile actual(QDir::current().filePath(S("Desktop.ini.actual")));
        QVERIFY(actual.open(QIODevice::WriteOnly) && actual.write(written) == written.size());
        QFAIL(qPrintable(S("apply no longer writes the Windows suite's fixture; it wrote %1").arg(actual.fileName())));
    }
}

QTEST_MAIN(TestDesktopIniFixture)
#include "tst_DesktopIniFixture.moc"
