#include "PictureFiles.h"
#include "picture/ScaledCopy.h"
#include "picture/SizeText.h"
#include "platform/qt/QtPictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;
using namespace mirtal::picture;

namespace {

// Just what the copy needs of a file system: find and makeDirectory, over QDir.
class DirFileSystem final : public platform::FileSystem {
public:
    DirFileSystem() = default;
    Q_DISABLE_COPY_MOVE(DirFileSystem)

    bool find(const QString& path, platform::FindFilter) const override { return QFileInfo::exists(path); }
    Status makeDirectory(const QString& path) override
    {
        return QDir().mkdir(path) ? Status::ok() : Status::failure(QStringLiteral("mkdir отказал"));
    }
    Result<QStringList> readLines(const QString&) const override { return unused(); }
    Status writeText(const QString&, const QString&) override { return unused(); }
    Status checkEncodable(const QString&) const override { return unused(); }
    Result<quint32> attributes(const QString&) const override { return unused(); }
    Status setAttributes(const QString&, quint32) override { return unused(); }
    Status removeFile(const QString&) override { return unused(); }
    QString programDirectory() const override { return {}; }

private:
    static Status unused() { return Status::failure(QStringLiteral("не для копии")); }
};

} // namespace

class ScaledCopyTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.emplace().isValid()); }
    void copyPath_data();
    void copyPath();
    void jpegFittedIntoNewFolder();
    void fittingTwiceScalesTheCopy();
    void transparentGifTurnsWhite();
    void unwritableFolderIsNamed();
    void unwritableCopyIsNamed();

private:
    QString folder() const { return m_dir->filePath(QStringLiteral("pictures")); }
    QString copyIn(const char* name) const { return folder() + QLatin1Char('/') + QLatin1String(name); }
    Status fit(const QImage& source, QSize size, const QString& copy, const QString& into = {})
    {
        return writeScaledCopy(m_pictures, m_fs, source, size, into.isEmpty() ? folder() : into, copy);
    }

    std::optional<QTemporaryDir> m_dir;
    platform::QtPictures m_pictures;
    DirFileSystem m_fs;
};

void ScaledCopyTest::copyPath_data()
{
    QTest::addColumn<QString>("imagePath");
    QTest::addColumn<QString>("expected"); // null: no copy
    QTest::newRow("jpg") << QStringLiteral("/home/u/Фото/sea.jpg") << QStringLiteral("sea.bmp");
    QTest::newRow("four-letter extension") << QStringLiteral("/m/x.jpeg") << QStringLiteral("x..bmp");
    QTest::newRow("no extension") << QStringLiteral("/m.d/readme") << QStringLiteral("re.bmp");
    QTest::newRow("no separator") << QStringLiteral("Море.gif") << QStringLiteral("Море.bmp");
    QTest::newRow("name of four") << QStringLiteral("/m/.jpg") << QStringLiteral(".bmp");
    QTest::newRow("name of three") << QStringLiteral("/m/abc") << QString();
    QTest::newRow("folder") << QStringLiteral("/m/photo/") << QString();
}

void ScaledCopyTest::copyPath()
{
    QFETCH(QString, imagePath);
    QFETCH(QString, expected);
    const QString dir = picturesDir(QStringLiteral("/opt/mirtal"));
    QCOMPARE(scaledCopyPath(dir, imagePath),
             expected.isNull() ? std::nullopt
                               : std::optional<QString>(QStringLiteral("/opt/mirtal/pictures/") + expected));
}

void ScaledCopyTest::jpegFittedIntoNewFolder()
{
    const QString photo = m_dir->filePath(QStringLiteral("photo.jpg"));
    QVERIFY(test::gradientImage({1600, 1200}).save(photo, "JPEG"));
    const QString copy = *scaledCopyPath(folder() + QLatin1Char('/'), photo);
    QCOMPARE(copy, copyIn("photo.bmp"));

    const Status written = fit(*m_pictures.load(photo), {783, 626}, copy);
    QVERIFY2(written, qPrintable(written.message()));
    QCOMPARE(test::bmpBitsPerPixel(copy), 24);
    const QImage back = *m_pictures.load(copy);
    QCOMPARE(sizeText(back.width(), back.height(), QLocale::c()), QStringLiteral("783x626\r\n1.251"));
    QVERIFY(qRed(back.pixel(5, 300)) < 20 && qRed(back.pixel(777, 300)) > 235);
}

void ScaledCopyTest::fittingTwiceScalesTheCopy()
{
    const QString copy = copyIn("sea.bmp");
    QVERIFY(fit(test::gradientImage({1024, 768}), {800, 600}, copy));
    QVERIFY(fit(*m_pictures.load(copy), {400, 300}, copy));
    QCOMPARE(m_pictures.load(copy)->size(), QSize(400, 300));
    QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{QStringLiteral("sea.bmp")});
}

void ScaledCopyTest::transparentGifTurnsWhite()
{
    const QString gif = m_dir->filePath(QStringLiteral("half.gif"));
    QVERIFY(test::writeFile(gif, test::kHalfTransparentGif));
    QVERIFY(fit(*m_pictures.load(gif), {40, 20}, copyIn("half.bmp")));
    const QImage back = *m_pictures.load(copyIn("half.bmp"));
    QCOMPARE(back.pixel(1, 10), qRgb(255, 0, 0));
    QCOMPARE(back.pixel(38, 10), qRgb(255, 255, 255));
}

void ScaledCopyTest::unwritableFolderIsNamed()
{
    // A plain file where the program's folder should be: refused even to root.
    const QString plain = m_dir->filePath(QStringLiteral("plain"));
    QVERIFY(test::writeFile(plain, "x"));
    const QString blocked = plain + QStringLiteral("/pictures");

    const Status written = fit(test::gradientImage({8, 8}), {4, 4}, blocked + QStringLiteral("/x.bmp"), blocked);
    QVERIFY2(!written && written.message().contains(QStringLiteral("папку")) && written.message().contains(blocked),
             qPrintable(written.message()));
}

void ScaledCopyTest::unwritableCopyIsNamed()
{
    const QString copy = copyIn("busy.bmp");
    QVERIFY(QDir().mkpath(copy)); // a folder in the copy's way

    const Status written = fit(test::gradientImage({8, 8}), {4, 4}, copy);
    QVERIFY2(!written && written.message().contains(copy), qPrintable(written.message()));
    QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(ScaledCopyTest)
#include "tst_ScaledCopy.moc"
