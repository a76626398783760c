#include "PictureFiles.h"
#include "platform/qt/QtPictures.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

using namespace mirtal;
using mirtal::platform::QtPictures;

namespace {

QByteArray encoded(QSize size, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    test::gradientImage(size).save(&buffer, format);
    return bytes;
}

QSize sizeOf(const Result<QImage>& image) { return image ? image->size() : QSize(-1, -1); }

// Texture at several scales over gradients, like a photograph: a decoder that shrinks badly shows on it.
QImage texturedImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const double fine = std::sin(x * 0.35) * std::cos(y * 0.3);
            const double coarse = std::sin(x / 40.0 + y / 55.0);
            line[x] = qRgb(static_cast<int>(128 + 60 * coarse + 30 * fine), static_cast<int>(y * 200 / size.height()),
                           static_cast<int>(100 + 40 * fine + 50 * std::cos(x / 23.0)));
        }
    }
    return image;
}

// Mean absolute difference per channel, in levels of 255.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class QtPicturesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyPathIsEmptyPicture();
    void refusesWhatIsNoPicture_data();
    void refusesWhatIsNoPicture();
    void readsByContentAndToleratesCutData();
    void gifGivesFirstFrame();
    void refusesHugePictureFromItsHeader();
    void reducedSize_data();
    void reducedSize();
    void loadForSizeShrinksJpegOnly();
    void shrunkCopyLooksLikeTheFullOne_data();
    void shrunkCopyLooksLikeTheFullOne();
    void opaqueStretchEqualsPaintingOverTheBackground();

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        return test::writeFile(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
    QtPictures m_pictures;
};

void QtPicturesTest::emptyPathIsEmptyPicture()
{
    QVERIFY(m_pictures.load(QString())->isNull());
    QCOMPARE(*m_pictures.naturalSize(QString()), QSize(0, 0));
}

void QtPicturesTest::refusesWhatIsNoPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no such file
    QTest::addColumn<ErrorKind>("kind");
    QTest::newRow("missing") << QStringLiteral("нет.jpg") << QByteArray() << ErrorKind::NotFound;
    QTest::newRow("text") << QStringLiteral("a.jpg") << QByteArray("no picture") << ErrorKind::Failed;
    QTest::newRow("empty file") << QStringLiteral("b.bmp") << QByteArray("") << ErrorKind::Failed;
    QTest::newRow("jpeg header only") << QStringLiteral("c.jpg") << encoded({64, 64}, "JPEG").left(120)
                                      << ErrorKind::Failed;
    QTest::newRow("png is not offered") << QStringLiteral("d.png") << encoded({4, 4}, "PNG") << ErrorKind::Failed;
}

void QtPicturesTest::refusesWhatIsNoPicture()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(ErrorKind, kind);
    const QString path = content.isNull() ? m_dir.filePath(name) : write(name, content);

    const Result<QImage> image = m_pictures.load(path);
    QVERIFY(!image);
    QCOMPARE(image.kind(), kind);
    QVERIFY2(image.message().contains(path), qPrintable(image.message()));
    QCOMPARE(m_pictures.naturalSize(path).kind(), kind);
}

void QtPicturesTest::readsByContentAndToleratesCutData()
{
    QCOMPARE(sizeOf(m_pictures.load(write(QStringLiteral("jpeg.gif"), encoded({30, 20}, "JPEG")))), QSize(30, 20));
    // Like most viewers, a JPEG whose data ends early shows what it has.
    const QByteArray whole = encoded({200, 100}, "JPEG");
    QCOMPARE(sizeOf(m_pictures.load(write(QStringLiteral("cut.jpg"), whole.left(whole.size() / 2)))), QSize(200, 100));
}

void QtPicturesTest::gifGivesFirstFrame()
{
    const Result<QImage> image = m_pictures.load(write(QStringLiteral("two.gif"), test::kRedThenBlueGif));
    QVERIFY2(image, qPrintable(image.message()));
    QCOMPARE(image->pixel(1, 1), qRgb(255, 0, 0));
}

void QtPicturesTest::refusesHugePictureFromItsHeader()
{
    // The header claims 20000 x 20000, 400 megapixels; no pixel data stands behind it.
    QByteArray jpeg = encoded({16, 16}, "JPEG");
    auto* frame = reinterpret_cast<uchar*>(jpeg.data() + jpeg.indexOf("\xFF\xC0"));
    qToBigEndian<quint16>(20000, frame + 5);
    qToBigEndian<quint16>(20000, frame + 7);
    const QString path = write(QStringLiteral("huge.jpg"), jpeg);

    QCOMPARE(*m_pictures.naturalSize(path), QSize(20000, 20000));
    const Result<QImage> image = m_pictures.load(path);
    QVERIFY2(image.message().contains(QStringLiteral("20000x20000")), qPrintable(image.message()));
    // Also where an eighth of it would do: what is shown must be copyable at any size.
    const Result<QImage> preview = m_pictures.loadForSize(path, {157, 126});
    QVERIFY2(preview.message().contains(QStringLiteral("20000x20000")), qPrintable(preview.message()));
}

void QtPicturesTest::reducedSize_data()
{
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("24 MP to screen") << QSize(6000, 4000) << QSize(781, 626) << QSize(1500, 1000);
    QTest::newRow("at most 1/8") << QSize(6000, 4000) << QSize(157, 126) << QSize(750, 500);
    QTest::newRow("one pixel over takes the next eighth") << QSize(6000, 4000) << QSize(751, 500) << QSize(1500, 1000);
    QTest::newRow("height decides") << QSize(1600, 1200) << QSize(783, 626) << QSize(1000, 750);
    QTest::newRow("five eighths for a large screen") << QSize(6000, 4000) << QSize(3597, 2018) << QSize(3750, 2500);
    QTest::newRow("odd sizes round down") << QSize(1601, 1201) << QSize(400, 300) << QSize(400, 300);
    QTest::newRow("all of it") << QSize(1600, 1200) << QSize(1401, 1000) << QSize(1600, 1200);
    QTest::newRow("never enlarged") << QSize(100, 80) << QSize(2000, 2000) << QSize(100, 80);
    QTest::newRow("no target") << QSize(100, 80) << QSize() << QSize(100, 80);
}

void QtPicturesTest::reducedSize()
{
    QFETCH(QSize, natural);
    QFETCH(QSize, target);
    QFETCH(QSize, expected);
    QCOMPARE(QtPictures::reducedSize(natural, target), expected);
}

void QtPicturesTest::loadForSizeShrinksJpegOnly()
{
    const QString jpeg = write(QStringLiteral("big.jpg"), encoded({1600, 1200}, "JPEG"));
    const QString bmp = write(QStringLiteral("big.bmp"), encoded({1600, 1200}, "BMP"));
    QCOMPARE(sizeOf(m_pictures.loadForSize(jpeg, {400, 300})), QSize(400, 300));
    QCOMPARE(sizeOf(m_pictures.loadForSize(jpeg, {401, 300})), QSize(600, 450));
    QCOMPARE(sizeOf(m_pictures.loadForSize(jpeg, {1500, 300})), QSize(1600, 1200));
    QCOMPARE(sizeOf(m_pictures.loadForSize(bmp, {400, 300})), QSize(1600, 1200));
    // Sizes that are no whole eighth: the decoder's extra pixel is taken off.
    const QString odd = write(QStringLiteral("odd.jpg"), encoded({1601, 1201}, "JPEG"));
    QCOMPARE(sizeOf(m_pictures.loadForSize(odd, {600, 450})), QSize(600, 450));
}

void QtPicturesTest::shrunkCopyLooksLikeTheFullOne_data()
{
    QTest::addColumn<QSize>("target");
    QTest::newRow("quarter") << QSize(781, 626);
    QTest::newRow("eighth, the preview") << QSize(157, 126);
    QTest::newRow("three eighths") << QSize(1000, 700);
    QTest::newRow("stretched, not shrunk evenly") << QSize(1500, 300);
}

void QtPicturesTest::shrunkCopyLooksLikeTheFullOne()
{
    // What the copy is made from against the whole picture decoded, both stretched the same way.
    QFETCH(QSize, target);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(texturedImage({3200, 2400}).save(&buffer, "JPEG", 90));
    const QString path = write(QStringLiteral("textured.jpg"), bytes);

    const Result<QImage> shrunk = m_pictures.loadForSize(path, target);
    const Result<QImage> whole = m_pictures.load(path);
    QVERIFY(shrunk && whole);
    QVERIFY(shrunk->width() < 3200);
    const QImage copy = m_pictures.stretch(*shrunk, target, 0xFFFFFFFF);
    const QImage reference = m_pictures.stretch(*whole, target, 0xFFFFFFFF);
    QCOMPARE(copy.size(), target);
    const double difference = meanDifference(copy, reference);
    // Measured 0.3 to 0.7 levels; shrinking by sampling instead of averaging gives 4 to 6.
    QVERIFY2(difference < 1.5, qPrintable(QString::number(difference)));
}

void QtPicturesTest::opaqueStretchEqualsPaintingOverTheBackground()
{
    const QImage opaque = test::gradientImage({300, 200});
    // The same pixels with an alpha channel take the painting path.
    const QImage withAlpha = opaque.convertToFormat(QImage::Format_ARGB32);
    for (const QSize size : {QSize(97, 61), QSize(300, 200), QSize(450, 90)}) {
        const QImage fast = m_pictures.stretch(opaque, size, 0xFFFFFFFF);
        QCOMPARE(fast.format(), QImage::Format_RGB32);
        QCOMPARE(fast, m_pictures.stretch(withAlpha, size, 0xFFFFFFFF));
    }
    const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(m_pictures.stretch(grey, {50, 40}, 0xFFFFFFFF).format(), QImage::Format_RGB32);
}

QTEST_MAIN(QtPicturesTest)
#include "tst_QtPictures.moc"
