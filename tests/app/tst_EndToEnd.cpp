#include "Harness.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace mirtal;
using test::dosAttrib;
using test::readBytes;
using test::xattrsWork;

// The whole job on real files: the real file system layer and picture decoders, only the dialogs scripted.
class TestEndToEnd final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chooseFitApplyReload();
};

void TestEndToEnd::chooseFitApplyReload()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(S("program"));
    const QString target = root.filePath(S("Мои фото"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(target));
    const QString picture = root.filePath(S("море.jpg"));
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(QColor(20, 90, 160));
    QVERIFY(image.save(picture, "JPG"));
    QVERIFY(QFile::copy(picture, target + S("/unused.jpg")));
    QVERIFY(test::writeBytes(target + S("/Desktop.ini"), "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n"));

    RealWindow w(target, program);
    app::Form1& form = w.form();
    platform::FakeDialogs& dialogs = w.dialogs;
    QCOMPARE(form.findChild<QLabel*>(S("Label2"))->text(), S("Файл настройки найден"));

    dialogs.queueFile(picture);
    form.Command2_Click();
    form.R1024_Click();
    const QString copy = program + S("/pictures/море.bmp");
    QCOMPARE(form.ImagePath, copy);
    QCOMPARE(QImage(copy).size(), QSize(781, 626));
    dialogs.queueColor(0x00FF00);
    form.Command3_Click();
    form.Command5_Click();
    QCOMPARE(w.ends, 0);
    QCOMPARE(dialogs.shownTexts(), QStringList{S("Файл настройки отредактирован")});

    const QByteArray expected = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                                "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=" +
                                platform::AnsiCodePage::windows1251().encode(copy).value() +
                                "\r\nIconArea_Text=0x00FF00\r\n";
    QCOMPARE(readBytes(target + S("/Desktop.ini")), expected);
    if (xattrsWork(target)) {
        QCOMPARE(dosAttrib(target + S("/Desktop.ini")), QByteArray("0x6", 4));
        QCOMPARE(dosAttrib(target), QByteArray("0x14", 5));
    }
    // The reload after applying shows the file as written.
    QCOMPARE(form.TextColorHex, S("FF00"));
    QCOMPARE(form.ImagePath, copy);
    QCOMPARE(form.findChild<QLabel*>(S("Label5"))->text(), S("781x626\r\n1.248"));
    QCOMPARE(form.sampleColor(), QColor(0, 255, 0));

    // Removing takes the file and the copy; the folder stays a system folder.
    dialogs.queueAnswer(platform::Answer::Yes);
    form.Command4_Click();
    QVERIFY(!QFile::exists(target + S("/Desktop.ini")));
    QVERIFY(!QFile::exists(copy));
    QVERIFY(QFile::exists(picture));
    if (xattrsWork(target))
        QCOMPARE(dosAttrib(target), QByteArray("0x14", 5));
    QCOMPARE(w.ends, 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
