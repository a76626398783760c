#include "app/Form1.h"
#include "app/GeneralErrorPath.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"
#include "settings/IniFormat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

// The main window over real files and the real picture decoders; only the dialogs are scripted.
class RealWindow final {
    // First, as the members below use its paths.
    QTemporaryDir m_root;

public:
    RealWindow()
    {
        QDir().mkpath(program());
        QDir().mkpath(folder());
    }

    app::Form1& start()
    {
        m_form = std::make_unique<app::Form1>(app::Form1Services{
            fileSystem, pictures, dialogs, shell, screen, errorPath, {}, {}, folder(), QLocale::c()});
        return *m_form;
    }

    QString program() const { return m_root.filePath(S("program")); }
    QString folder() const { return m_root.filePath(S("folder")); }
    QString path(const char* name) const { return m_root.filePath(S(name)); }
    QString copyPath(const char* name) const { return program() + S("/pictures/") + S(name); }
    QString label5() const { return m_form->findChild<QLabel*>(S("Label5"))->text(); }
    QString text4() const { return m_form->findChild<QLineEdit*>(S("Text4"))->text(); }
    QPixmap preview() const { return m_form->findChild<QLabel*>(S("Image1"))->pixmap(); }

    void choose(const QString& picture)
    {
        dialogs.queueFile(picture);
        m_form->Command2_Click();
    }

    bool writeIni(const QString& picture)
    {
        QFile ini(folder() + S("/Desktop.ini"));
        return ini.open(QIODevice::WriteOnly) && ini.write(settings::composeNew(picture, S("0")).toUtf8() + "\r\n") > 0;
    }

    platform::LinuxFileSystem fileSystem{platform::AnsiCodePage::windows1251(), program()};
    platform::QtPictures pictures;
    platform::FakeDialogs dialogs;
    platform::FakeShell shell;
    platform::FakeScreen screen;
    int ends = 0;
    app::GeneralErrorPath errorPath{dialogs, [this](int) { ++ends; }};

private:
    std::unique_ptr<app::Form1> m_form;
};

bool writePicture(const QString& path, QSize size, QColor color, const char* format = "JPG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, format);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The preview is decoded at its own size and the size text read from the file's header; the pixels of the whole
// picture are read only when a copy is made. These check that the window still behaves as if it held the picture.
class TestRealPictures final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusedByContentThoughTheHeaderIsRead_data();
    void refusedByContentThoughTheHeaderIsRead();
    void pictureGoneBeforeTheFitIsReported();
};

void TestRealPictures::refusedByContentThoughTheHeaderIsRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text") << QByteArray("not a picture");
    QImage png(16, 16, QImage::Format_RGB32);
    png.fill(Qt::green);
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    // A picture, but of a format the program does not offer, its size plain in its header.
    QTest::newRow("png") << pngBytes;
}

void TestRealPictures::refusedByContentThoughTheHeaderIsRead()
{
    QFETCH(QByteArray, content);
    RealWindow w;
    const QString bad = w.path("bad.jpg");
    QVERIFY(writeFile(bad, content));

    // In the load operation: the damaged-file question, answered No.
    QVERIFY(w.writeIni(bad));
    app::Form1& form = w.start();
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY(w.dialogs.shown().at(0).text.startsWith(S("Во время чтения файла настройки возникла ошибка")));
    QCOMPARE(w.text4(), QString());

    // In the picture choice: the message, and the display as it was.
    const QString good = w.path("good.jpg");
    QVERIFY(writePicture(good, QSize(40, 30), Qt::red));
    w.choose(good);
    w.dialogs.clearShown();
    w.choose(bad);
    QCOMPARE(w.dialogs.shownTexts(), QStringList{S("Ошибка загрузки фона (Ошибка 1)")});
    QCOMPARE(form.ImagePath, bad);
    QCOMPARE(w.text4(), good);
    QCOMPARE(w.label5(), S("40x30\r\n1.333"));
    QCOMPARE(form.picture2().size(), QSize(40, 30));
    QCOMPARE(w.ends, 0);
}

void TestRealPictures::pictureGoneBeforeTheFitIsReported()
{
    RealWindow w;
    const QString photo = w.path("gone.jpg");
    QVERIFY(writePicture(photo, QSize(1600, 1200), Qt::gray));
    app::Form1& form = w.start();
    w.choose(photo);
    QVERIFY(QFile::remove(photo));
    form.R1024_Click();
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY2(w.dialogs.shown().at(0).text.contains(photo), qPrintable(w.dialogs.shown().at(0).text));
    QVERIFY(!QFile::exists(w.copyPath("gone.bmp")));
    QCOMPARE(form.ImagePath, photo);
    QCOMPARE(w.text4(), photo);
    QCOMPARE(w.label5(), S("1600x1200\r\n1.333"));
    QCOMPARE(w.ends, 0);
}

QTEST_MAIN(TestRealPictures)
#include "tst_RealPictures.moc"
