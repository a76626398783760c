#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;

// The Windows suite hands checked-in Desktop.ini files to the shell's reader under Wine. This keeps them what the
// program's apply really writes: the window's apply over the real file system, in Windows-1251, over an old file as
// Windows or a user left it.
class TestDesktopIniFixture final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void applyWritesTheFixture_data()
    {
        const QByteArray tip = cp1251(S("[.ShellClassInfo]\r\nInfoTip=Фотографии с моря\r\n"));
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("name"); // of the old file
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QString>("chosen"); // a picture inside the folder, chosen before apply; empty: none
        QTest::newRow("foreign section") << S("Desktop.ini") << S("Desktop.ini") << tip << QString();
        // Our section first under a lower-case header, the keys in other cases and with blanks, LF line ends:
        // Windows' reader would take that first section, so none of it may stay.
        QTest::newRow("lower-case section first")
            << S("Desktop-any-case.ini") << S("desktop.ini")
            << cp1251(S("  [{be098140-a513-11d0-a3a4-00c04fd706ec}] \niconarea_image=C:\\old.jpg\n"
                        "  IconArea_TEXT = 0x000000FF\nForeign=1\r\n[.ShellClassInfo]\r\nInfoTip=Старое\r\n"))
            << QString();
        // As Windows writes it for a name outside the code page.
        QTest::newRow("UTF-16LE") << S("Desktop-utf16.ini") << S("DESKTOP.INI")
                                  << utf16le(S("[.ShellClassInfo]\r\nLocalizedResourceName=写真 Фото\r\n"))
                                  << QString();
        // A picture inside the folder is named relative to it, so that a Windows client of the share finds it.
        QTest::newRow("picture inside") << S("Desktop-relative.ini") << S("Desktop.ini") << tip << S("лес.jpg");
    }

    void applyWritesTheFixture()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, name);
        QFETCH(QByteArray, old);
        QFETCH(QString, chosen);
        QTemporaryDir root;
        const QString program = root.filePath(S("program")), target = root.filePath(S("Мои фото"));
        // A picture on the Windows machine the file is meant for; it need not exist here, and a path read that names
        // no file is kept and written back. Our key lines are dropped on rewrite, so it changes no expected byte.
        const QString pictureLine = S("IconArea_Image=D:\\Фото\\море.jpg\r\n");
        const QByteArray withPicture =
            old + (old.startsWith("\xFF\xFE") ? utf16le(pictureLine).mid(2) : cp1251(pictureLine));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(target) && test::writeBytes(target + u'/' + name, withPicture));
        RealWindow w(target, program);
        if (!chosen.isEmpty()) {
            QImage picture(8, 6, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            QVERIFY(picture.save(target + u'/' + chosen, "JPG"));
            w.dialogs.queueFile(target + u'/' + chosen);
            w.editor().choosePicture();
        }
        w.dialogs.queueColor(0x3366CC);
        w.editor().chooseCaptionColor();
        w.editor().apply();
        QVERIFY(w.ends == 0 && w.dialogs.shownTexts() == QStringList{S("Файл настройки отредактирован")});
        // Rewritten under the name it had, never beside it.
        QStringList files = QDir(target).entryList(QDir::Files | QDir::Hidden);
        files.removeOne(chosen);
        QCOMPARE(files, QStringList{name});
        const QByteArray written = test::readBytes(target + u'/' + name);
        if (written != test::readBytes(S(MIRTAL_DESKTOP_INI_FIXTURES "/") + fixture)) {
            const QString actual = QDir::current().filePath(fixture + S(".actual"));
            QVERIFY(test::writeBytes(actual, written));
            QFAIL(qPrintable(S("apply no longer writes the Windows suite's fixture; it wrote %1").arg(actual)));
        }
    }
};

QTEST_MAIN(TestDesktopIniFixture)
#include "tst_DesktopIniFixture.moc"
