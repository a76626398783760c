// Fitting a picture: the fit sizes and the size text the user reads, loading BMP, JPEG and GIF (refusals named,
// JPEG shrunk on load without visible loss), the BMP copy and where it goes, and the custom-size dialog.
#include "picture/FitArithmetic.h"
#include "picture/Form4.h"
#include "picture/ScaledCopy.h"
#include "picture/SizeText.h"
#include "platform/Platform.h"
#include "platform/qt/QtPictures.h"

#include <QApplication>
#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace mirtal;
using namespace mirtal::picture;

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

// Texture at several scales over gradients, like a photograph: a decoder that shrinks badly shows on it.
QImage textured(QSize size)
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
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// Qt writes no GIF, so these 2 x 2 ones are spelled out. Left column red, right column transparent:
const QByteArray kHalfTransparentGif = QByteArray::fromHex(
    "474946383961020002 00f10000000000ff0000000000000000 21f904050a000000 2c000000000200020000 02030c181400 3b");
// Two frames, all red then all blue:
const QByteArray kRedThenBlueGif = QByteArray::fromHex(
    "474946383961020002 00f10000000000ff00000000ff000000 21f904040a000000 2c000000000200020000 02034c981400"
    "21f904040a000000 2c000000000200020000 0203942815 00 3b");

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
            return S("%1x%2").arg(natural->width()).arg(natural->height());
        if (image || natural || image.kind() != natural.kind() || !image.message().contains(path))
            return S("inconsistent: ") + image.message();
        return image.kind() == ErrorKind::NotFound ? S("not found") : S("refused");
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
        const auto fit = [](int width, int height) { return automaticFitSize(QSize(width, height) * 15); };
        row("fit 1024x768", fit(1024, 768), QSize(781, 626));
        // Beyond 2184 pixels 16-bit twips arithmetic would overflow.
        row("fit 3840x2160", fit(3840, 2160), QSize(3597, 2018));
        row("fit 7 twips over, down", automaticFitSize({15367, 11527}), QSize(781, 626));
        row("fit 8 twips over, up", automaticFitSize({15368, 11528}), QSize(782, 627));
        row("fit tiny screen", fit(200, 100), QSize(1, 1));

        const auto custom = [](const char* width) { return customFitSize(S(width), S("626")); };
        row("custom 783", custom("783"), QSize(783, 626));
        row("custom 5000 lowered", custom("5000"), QSize(2000, 626));
        row("custom tie to even, down", custom("10.5"), QSize(10, 626));
        row("custom tie to even, up", custom("11.5"), QSize(12, 626));
        row("custom empty", custom(""), QSize(3, 626));
        row("custom leading number", custom("12a4"), QSize(12, 626));
        row("custom negative", custom("-5"), QSize(3, 626));
        row("custom beyond double", custom(QByteArray(400, '9').constData()), QSize(2000, 626));
        row("custom other digits", custom("\u0661\u0662"), QSize(3, 626));
        row("box keeps four", cutToFourCharacters(S("12345")), S("1234"));
        row("box keeps no half a character", cutToFourCharacters(S("123\U0001F600")), S("123"));

        const QLocale c = QLocale::c();
        row("size text", sizeText(1024, 768, c), S("1024x768\r\n1.333"));
        row("size text, square", sizeText(800, 800, c), S("800x800\r\n1.0"));
        row("size text, half up", sizeText(17, 16, c), S("17x16\r\n1.063"));
        row("size text, ru, no grouping", sizeText(12000, 10, QLocale(QLocale::Russian, QLocale::Russia)),
            S("12000x10\r\n1200,0"));
        row("size text, no height", sizeText(1024, 0, c), QString());

        // What a JPEG is decoded at: whole eighths, at least the target.
        const auto reduced = &platform::QtPictures::reducedSize;
        row("decoded, 24 MP to screen", reduced({6000, 4000}, {781, 626}), QSize(1500, 1000));
        row("decoded, at most 1/8", reduced({6000, 4000}, {157, 126}), QSize(750, 500));
        row("decoded, one pixel over", reduced({6000, 4000}, {751, 500}), QSize(1500, 1000));
        row("decoded, height decides", reduced({1600, 1200}, {783, 626}), QSize(1000, 750));
        row("decoded, odd sizes round down", reduced({1601, 1201}, {400, 300}), QSize(400, 300));
        row("decoded, never enlarged", reduced({100, 80}, {2000, 2000}), QSize(100, 80));
        row("decoded, no target", reduced({100, 80}, QSize()), QSize(100, 80));

        const auto copy = [](const char* path) {
            return scaledCopyPath(picturesDir(S("/opt/mirtal")), S(path)).value_or(QString());
        };
        row("copy of a jpg", copy("/home/u/Фото/sea.jpg"), S("/opt/mirtal/pictures/sea.bmp"));
        row("copy, four-letter extension", copy("/m/x.jpeg"), S("/opt/mirtal/pictures/x..bmp"));
        row("copy, no extension", copy("/m.d/readme"), S("/opt/mirtal/pictures/re.bmp"));
        row("copy, name of four", copy("/m/.jpg"), S("/opt/mirtal/pictures/.bmp"));
        row("no copy, name of three", copy("/m/abc"), QString());

        const QByteArray jpeg = encoded(textured({200, 100}), "JPEG");
        row("load, no path, no picture", loaded(QString()), S("0x0"));
        row("load, missing", loaded(m_dir.filePath(S("нет.jpg"))), S("not found"));
        row("load, text", loaded(write(S("a.jpg"), "no picture")), S("refused"));
        row("load, JPEG header only", loaded(write(S("c.jpg"), jpeg.left(120))), S("refused"));
        row("load, PNG not offered", loaded(write(S("d.png"), encoded(textured({4, 4}), "PNG"))), S("refused"));
        row("load, by content", loaded(write(S("jpeg.gif"), jpeg)), S("200x100"));
        // Like most viewers, a JPEG whose data ends early shows what it has.
        row("load, cut JPEG", loaded(write(S("cut.jpg"), jpeg.left(jpeg.size() / 2))), S("200x100"));
        row("load, GIF", loaded(write(S("two.gif"), kRedThenBlueGif)), S("2x2"));
        row("load, GIF's first frame", m_pictures.load(m_dir.filePath(S("two.gif")))->pixel(1, 1), qRgb(255, 0, 0));
    }

    void rules()
    {
        QFETCH(QVariant, got);
        QFETCH(QVariant, expected);
        QVERIFY2(got == expected, qPrintable(QDebug::toString(got) + S(" instead of ") + QDebug::toString(expected)));
    }

    void scaledCopy_data()
    {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QSize>("target");
        const QByteArray photo = encoded(textured({3200, 2400}), "JPEG", 90);
        QTest::newRow("quarter") << photo << QSize(781, 626);
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
        const QString path = write(S("photo.jpg"), picture);
        const QString folder = picturesFolder(m_dir.path());
        const QString copy = *scaledCopyPath(picturesDir(m_dir.path()), path);
        const Status written =
            writeScaledCopy(m_pictures, *m_os.fileSystem, *m_pictures.loadForSize(path, target), target, folder, copy);
        QVERIFY2(written, qPrintable(written.message()));

        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(30);
        QVERIFY(head.startsWith("BM") && head.at(28) == 24 && head.at(29) == 0);
        const QImage back = *m_pictures.load(copy);
        QCOMPARE(back.size(), target);
        const QImage whole = *m_pictures.load(path);
        const QImage reference = m_pictures.stretch(whole, target, 0xFFFFFFFF);
        // With an alpha channel the same pixels take the painting path, which must come out the same.
        if (!whole.hasAlphaChannel())
            QCOMPARE(m_pictures.stretch(whole.convertToFormat(QImage::Format_ARGB32), target, 0xFFFFFFFF), reference);
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
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{S("photo.bmp")});
    }

    // Borderless, centred, black; Tab runs through the boxes and buttons; Enter and Esc do nothing; only "ОК" sets
    // the size, with the texts as typed.
    void customSizeDialog()
    {
        for (const bool confirm : {true, false}) {
            Form4 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(form.frameGeometry().center(), form.screen()->geometry().center());
            QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::black));
            const auto child = [&form](const char* name) { return form.findChild<QWidget*>(QLatin1String(name)); };
            QStringList texts;
            for (const char* name : {"Text1", "Text2", "Command1", "Command2", "Label1"})
                texts << child(name)->property("text").toString();
            QCOMPARE(texts.join(QLatin1Char('|')), S("783|626|\u041E\u041A|Отмена|Введите размеры:"));

            QStringList order{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < 4; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
                    QTest::keyClick(QApplication::focusWidget(), key);
                order << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(order.join(QLatin1Char(' ')), S("Text1 Text2 Command1 Command2 Text1"));
            QVERIFY(form.isVisible());

            static_cast<QLineEdit*>(child("Text1"))->clear();
            QTest::keyClicks(child("Text1"), S("12345"));
            static_cast<QLineEdit*>(child("Text2"))->setText(S("1x"));
            QTest::mouseClick(child(confirm ? "Command1" : "Command2"), Qt::LeftButton);
            QVERIFY(!form.isVisible());
            QCOMPARE(form.customSizeSet(), confirm);
            QCOMPARE(form.result(), int(confirm ? QDialog::Accepted : QDialog::Rejected));
            if (confirm)
                QVERIFY(form.widthText() == S("12345") && form.heightText() == S("1x"));
        }
    }
};

QTEST_MAIN(PictureTest)
#include "tst_Picture.moc"
