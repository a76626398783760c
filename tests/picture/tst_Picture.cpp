// Fitting a picture: the fit sizes and the size text the user reads; loading (refusals named, a JPEG by its content);
// the 24-bit BMP copy, shrunk on load without visible loss, and where it goes.
#include "picture/CustomSizeDialog.h"
#include "picture/FitArithmetic.h"
#include "picture/ScaledCopy.h"
#include "picture/SizeText.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/qt/QtPictures.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <cmath>

using namespace mirtal;
using namespace mirtal::picture;
using namespace Qt::StringLiterals;

namespace {

// Texture at several scales over gradients, like a photograph: a decoder that shrinks badly shows on it.
QByteArray textured(QSize size, const char* format, int quality = -1)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const double fine = std::sin(x * 0.35) * std::cos(y * 0.3);
            image.setPixel(x, y,
                           qRgb(static_cast<int>(128 + 60 * std::sin(x / 40.0 + y / 55.0) + 30 * fine),
                                y * 200 / size.height(), static_cast<int>(100 + 40 * fine + 50 * std::cos(x / 23.0))));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// Qt writes no GIF, so this 2 x 2 one is spelled out: left column red, right column transparent.
const QByteArray kHalfTransparentGif = QByteArray::fromHex(
    "474946383961020002 00f10000000000ff0000000000000000 21f904050a000000 2c000000000200020000 02030c181400 3b");

} // namespace

class PictureTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    platform::QtPictures m_pictures;
    platform::Services m_os = platform::createServices(); // the real file system

    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    }

    // "<W>x<H>" when load and the header agree on it, else the kind of refusal (whose message names the file).
    QString loaded(const QString& path) const
    {
        const Result<QImage> image = m_pictures.load(path);
        const Result<QSize> natural = m_pictures.naturalSize(path);
        if (image && natural && image->size() == *natural)
            return u"%1x%2"_s.arg(natural->width()).arg(natural->height());
        if (image || natural || image.kind() != natural.kind() || !image.message().contains(path))
            return u"inconsistent: "_s + image.message();
        if (image.kind() == ErrorKind::NotFound)
            return u"not found"_s;
        return image.message().contains(u"слишком велик"_s) ? u"too large"_s : u"refused"_s;
    }

private Q_SLOTS:
    // Each row: what the program gives, and what it must give.
    void rules_data()
    {
        QTest::addColumn<QVariant>("got");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char* name, const QVariant& got, const QVariant& expected) {
            QTest::newRow(name) << got << expected;
        };
        // The screen in twips; beyond 2184 pixels 16-bit twips arithmetic would overflow.
        row("fit 3840x2160", automaticFitSize({57600, 32400}), QSize(3597, 2018));
        row("fit 1024x768 and 7 twips, down", automaticFitSize({15367, 11527}), QSize(781, 626));
        row("fit 1024x768 and 8 twips, up", automaticFitSize({15368, 11528}), QSize(782, 627));
        row("fit tiny screen", automaticFitSize({3000, 1500}), QSize(1, 1));
        const auto custom = [](const QString& width) { return customFitSize(width, u"626"_s); };
        row("custom beyond double, lowered", custom(QString(400, u'9')), QSize(2000, 626));
        row("custom tie to even, down", custom(u"10.5"_s), QSize(10, 626));
        row("custom tie to even, up", custom(u"11.5"_s), QSize(12, 626));
        row("custom leading number", custom(u"12a4"_s), QSize(12, 626));
        row("custom other digits", custom(u"\u0661\u0662"_s), QSize(3, 626));
        row("box keeps four", cutToFourCharacters(u"12345"_s), u"1234"_s);
        row("box keeps no half a character", cutToFourCharacters(u"123\U0001F600"_s), u"123"_s);
        const QLocale c = QLocale::c();
        row("size text, half up", sizeText(17, 16, c), u"17x16\r\n1.063"_s);
        row("size text, ru, no grouping", sizeText(12000, 10, QLocale(QLocale::Russian)), u"12000x10\r\n1200,0"_s);
        row("size text, no height", sizeText(1024, 0, c), QString());
        const auto copy = [](const QString& path) {
            return scaledCopyPath(picturesDir(u"/opt/mirtal"_s), path).value_or(QString());
        };
        row("copy, no extension", copy(u"/m.d/readme"_s),
            u"/opt/mirtal%1pictures%1re.bmp"_s.arg(platform::pathSeparator()));
        row("no copy, name of three", copy(u"/m/abc"_s), QString());

        const QByteArray jpeg = textured({200, 100}, "JPEG");
        row("load, missing", loaded(m_dir.filePath(u"нет.jpg"_s)), u"not found"_s);
        row("load, text", loaded(write(u"a.jpg"_s, "no picture")), u"refused"_s);
        row("load, PNG not offered", loaded(write(u"d.png"_s, textured({4, 4}, "PNG"))), u"refused"_s);
        row("load, by content", loaded(write(u"jpeg.gif"_s, jpeg)), u"200x100"_s);
        // Like most viewers, a JPEG whose data ends early shows what it has.
        row("load, cut JPEG", loaded(write(u"cut.jpg"_s, jpeg.left(jpeg.size() / 2))), u"200x100"_s);
        row("load, GIF", loaded(write(u"two.gif"_s, kHalfTransparentGif)), u"2x2"_s);
        // A GIF (by its logical screen) or a BMP is decoded whole: one row more than 256 MiB at 32 bits is refused
        // before decoding.
        const auto sized = [](QByteArray bytes, qsizetype at, const char* sizeHex) {
            const QByteArray size = QByteArray::fromHex(sizeHex);
            return bytes.replace(at, size.size(), size);
        };
        row("load, GIF over the decode bound", loaded(write(u"big.gif"_s, sized(kHalfTransparentGif, 6, "00200120"))),
            u"too large"_s);
        const QByteArray bmp = textured({4, 4}, "BMP");
        row("load, BMP over the decode bound", loaded(write(u"big.bmp"_s, sized(bmp, 18, "0020000001200000"))),
            u"too large"_s);
        // A file larger than any picture the program decodes is refused unread, whatever its header.
        const QString huge = write(u"huge.jpg"_s, jpeg);
        QVERIFY(QFile::resize(huge, platform::QtPictures::kMaxFileBytes + 1));
        row("load, file over 256 MiB", loaded(huge), u"too large"_s);
#ifdef Q_OS_UNIX
        // Opening a pipe for reading waits for a writer that never comes.
        const QString pipe = m_dir.filePath(u"pipe.jpg"_s);
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        row("load, named pipe", loaded(pipe), u"refused"_s);
#endif
        row("load, folder", loaded(m_dir.path()), u"refused"_s);
    }

    void rules()
    {
        QFETCH(QVariant, got);
        QFETCH(QVariant, expected);
        QVERIFY2(got == expected, qPrintable(QDebug::toString(got) + u" instead of "_s + QDebug::toString(expected)));
    }

    void scaledCopy_data()
    {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QSize>("target");
        const QByteArray photo = textured({3200, 2400}, "JPEG", 90);
        QTest::newRow("eighth, the preview") << photo << QSize(157, 126);
        QTest::newRow("stretched, not shrunk evenly") << photo << QSize(1500, 300);
        QTest::newRow("transparent turns white") << kHalfTransparentGif << QSize(40, 20);
    }

    // The copy is made from the picture shrunk on load, into a folder made for it: a 24-bit BMP of exactly the
    // size, as the whole picture stretched onto white would look. A second fit replaces it.
    void scaledCopy()
    {
        QFETCH(QByteArray, picture);
        QFETCH(QSize, target);
        const QString path = write(u"photo.jpg"_s, picture);
        const QString folder = picturesFolder(m_dir.path());
        const QString copy = *scaledCopyPath(picturesDir(m_dir.path()), path);
        const Status written =
            writeScaledCopy(m_pictures, *m_os.fileSystem, *m_pictures.loadForSize(path, target), target, folder, copy);
        QVERIFY2(written, qPrintable(written.message()));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(30);
        file.close(); // Windows replaces no file that is open
        QVERIFY(head.startsWith("BM") && head.at(28) == 24 && head.at(29) == 0);

        const QImage back = *m_pictures.load(copy);
        QCOMPARE(back.size(), target);
        const QImage whole = *m_pictures.load(path);
        const QImage reference = m_pictures.stretch(whole, target, 0xFFFFFFFF);
        const QImage a = back.convertToFormat(QImage::Format_RGB888);
        const QImage b = reference.convertToFormat(QImage::Format_RGB888);
        double difference = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int i = 0; i < a.width() * 3; ++i)
                difference += std::abs(a.constScanLine(y)[i] - b.constScanLine(y)[i]);
        }
        difference /= 3.0 * a.width() * a.height();
        // Measured 0.3 to 0.7 levels; shrinking by sampling instead of averaging gives 4 to 6.
        QVERIFY2(difference < 1.5, qPrintable(QString::number(difference)));

        QVERIFY(writeScaledCopy(m_pictures, *m_os.fileSystem, back, {4, 3}, folder, copy));
        QCOMPARE(m_pictures.load(copy)->size(), QSize(4, 3));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"photo.bmp"_s});
    }

    // The custom-size dialog: Enter and Esc do nothing, only "ОК" sets the size, and the texts come back as typed.
    void customSizeDialog()
    {
        CustomSizeDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* width = form.findChild<QLineEdit*>(u"widthBox"_s);
        QVERIFY(width && width->hasFocus() && width->text() == u"783"_s);
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(width, key);
        QVERIFY(form.isVisible() && !form.customSizeSet());
        width->setText(u"12345"_s);
        QTest::mouseClick(form.findChild<QWidget*>(u"okButton"_s), Qt::LeftButton);
        QVERIFY(!form.isVisible() && form.customSizeSet());
        QCOMPARE(form.widthText() + u'x' + form.heightText(), u"12345x626"_s);

        CustomSizeDialog cancelled;
        cancelled.show();
        QTest::mouseClick(cancelled.findChild<QWidget*>(u"cancelButton"_s), Qt::LeftButton);
        QVERIFY(!cancelled.isVisible() && !cancelled.customSizeSet());
    }
};

QTEST_MAIN(PictureTest)
#include "tst_Picture.moc"
