#include "PictureFiles.h"
#include "platform/qt/QtPictures.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

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
}

void QtPicturesTest::reducedSize_data()
{
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("24 MP to screen") << QSize(6000, 4000) << QSize(781, 626) << QSize(1500, 1000);
    QTest::newRow("at most 1/8") << QSize(6000, 4000) << QSize(157, 126) << QSize(750, 500);
    QTest::newRow("height decides") << QSize(1600, 1200) << QSize(783, 626) << QSize(1600, 1200);
    QTest::newRow("odd sizes") << QSize(1601, 1201) << QSize(400, 300) << QSize(400, 300);
    QTest::newRow("never enlarged") << QSize(100, 80) << QSize(2000, 2000) << QSize(100, 80);
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
    QCOMPARE(sizeOf(m_pictures.loadForSize(jpeg, {401, 300})), QSize(800, 600));
    QCOMPARE(sizeOf(m_pictures.loadForSize(bmp, {400, 300})), QSize(1600, 1200));
}

QTEST_MAIN(QtPicturesTest)
#include "tst_QtPictures.moc"
