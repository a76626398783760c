// Broken JPEG, GIF and BMP files, made in code, through the three ways a picture comes in: the file dialog, a
// settings file that names it, and a scaled copy of a picture that was damaged after it was chosen. Each ends in
// the prescribed message or question, or in a picture the decoder could still make out, never in a crash, the
// general error path, or more memory than the decoding bound.
#include "DamagedPictures.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace mirtal;

namespace {

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

const QString kLoadError = s("Ошибка загрузки фона (Ошибка 1)");
const QString kDamagedQuestion = s("Во время чтения файла настройки возникла ошибка \r\n"
                                   "              Вероятно файл настройки испорчен\r\n"
                                   "                             Удалить его?");
const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n";

// Virtual memory at its highest so far: every allocation counts, touched or not.
qint64 peakVirtualMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

// "W" "x" "H", CR LF, the ratio: a picture that was taken.
std::optional<QSize> shownSize(const QString& label)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)x(\\d+)\r\n\\d+\\.\\d+$"));
    const auto match = pattern.match(label);
    if (!match.hasMatch())
        return std::nullopt;
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

// The natural size may be large: a JPEG is decoded shrunk, and the memory check after each case holds the bound.
bool sane(QSize size) { return size.width() > 0 && size.height() > 0; }

} // namespace

class TestMalformedPictures final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void theCorpus();
    void choice_data() { corpusRows(); }
    void choice();
    void load_data() { corpusRows(); }
    void load();
    void scaledCopy_data() { corpusRows(); }
    void scaledCopy();

private:
    void corpusRows();
    QString writePicture(const QString& name, const QByteArray& bytes) const;

    QTemporaryDir m_root;
    QString m_folder;
    QString m_program;
    QList<test::DamagedPicture> m_corpus;
    qint64 m_baseline = 0;
    qint64 m_highest = 0;
    int m_refused = 0;
    int m_taken = 0;
};

void TestMalformedPictures::initTestCase()
{
    // The decoders' complaints about each damaged file say nothing the checks do not.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    QVERIFY(m_root.isValid());
    m_folder = m_root.filePath(s("folder"));
    m_program = m_root.filePath(s("program"));
    QVERIFY(QDir().mkpath(m_folder) && QDir().mkpath(m_program) && QDir().mkpath(m_root.filePath(s("pics"))));
    m_corpus = test::damagedPictures();
    // Measured once the decoders are loaded, so that only what a picture makes them allocate counts.
    {
        RealWindow warmUp(m_folder, m_program);
        warmUp.dialogs.queueFile(writePicture(s("warm.jpg"), test::soundJpeg()));
        warmUp.form().Command2_Click();
        warmUp.dialogs.queueFile(writePicture(s("warm.gif"), test::soundGif()));
        warmUp.form().Command2_Click();
    }
    m_baseline = peakVirtualMemory();
    QVERIFY(m_baseline > 0);
}

// After every case: no case made the process reserve more than the decoding bound, 4 bytes a pixel, and a margin.
void TestMalformedPictures::cleanup()
{
    const qint64 grown = peakVirtualMemory() - m_baseline;
    m_highest = qMax(m_highest, grown);
    constexpr qint64 kBound = platform::QtPictures::kMaxDecodedPixels * 4 + qint64{256} * 1024 * 1024;
    QVERIFY2(grown <= kBound, qPrintable(QStringLiteral("peak virtual memory grew by %1 MiB").arg(grown >> 20)));
    QFile::remove(m_folder + s("/Desktop.ini"));
    QFile::remove(m_program + s("/pictures/target.bmp"));
}

void TestMalformedPictures::cleanupTestCase()
{
    qInfo("%lld damaged files: %d refusals and %d partial pictures over the three ways in; peak virtual memory "
          "grew by at most %lld MiB",
          static_cast<long long>(m_corpus.size()), m_refused, m_taken, static_cast<long long>(m_highest >> 20));
}

void TestMalformedPictures::corpusRows()
{
    QTest::addColumn<int>("index");
    const auto corpus = test::damagedPictures();
    for (int i = 0; i < corpus.size(); ++i)
        QTest::newRow(qPrintable(corpus.at(i).name)) << i;
}

QString TestMalformedPictures::writePicture(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_root.filePath(s("pics/") + name);
    return test::writeBytes(path, bytes) ? path : QString();
}

// Enough files of each kind, each of them damaged, made from pictures that are sound.
void TestMalformedPictures::theCorpus()
{
    QVERIFY(m_corpus.size() >= 50);
    int kinds[3] = {};
    for (const auto& picture : m_corpus) {
        ++kinds[picture.name.startsWith(s("jpeg")) ? 0 : picture.name.startsWith(s("bmp")) ? 1 : 2];
        QVERIFY2(picture.bytes != test::soundJpeg() && picture.bytes != test::soundBmp() &&
                     picture.bytes != test::soundGif(),
                 qPrintable(picture.name));
    }
    QVERIFY(kinds[0] >= 15 && kinds[1] >= 15 && kinds[2] >= 15);
    const platform::QtPictures pictures;
    const QSize expected[] = {QSize(96, 64), QSize(96, 64), QSize(16, 12)};
    const QByteArray sound[] = {test::soundJpeg(), test::soundBmp(), test::soundGif()};
    for (int i = 0; i < 3; ++i) {
        const auto loaded = pictures.load(writePicture(QStringLiteral("sound-%1").arg(i), sound[i]));
        QVERIFY2(loaded.isOk(), qPrintable(loaded.message()));
        QCOMPARE(loaded->size(), expected[i]);
    }
}

// The file dialog: the message, with the display as it was, or the picture taken at a sane size.
void TestMalformedPictures::choice()
{
    QFETCH(int, index);
    const auto& picture = m_corpus.at(index);
    const QString good = writePicture(s("good.bmp"), test::soundBmp());
    const QString bad = writePicture(picture.name, picture.bytes);
    RealWindow w(m_folder, m_program);
    w.dialogs.queueFile(good);
    w.form().Command2_Click();
    QCOMPARE(w.label("Label5"), s("96x64\r\n1.5"));
    w.dialogs.clearShown();

    w.dialogs.queueFile(bad);
    w.form().Command2_Click();
    QCOMPARE(w.ends, 0);
    QCOMPARE(w.form().ImagePath, bad);
    if (!w.dialogs.shown().isEmpty()) {
        ++m_refused;
        QCOMPARE(w.dialogs.shownTexts(), QStringList{kLoadError});
        QCOMPARE(w.dialogs.shown().at(0).icon, platform::MessageIcon::None);
        QCOMPARE(w.dialogs.shown().at(0).title, s("Мирталь"));
        QCOMPARE(w.label("Label5"), s("96x64\r\n1.5"));
        QCOMPARE(w.text4(), good);
        QVERIFY(w.option2());
        return;
    }
    ++m_taken;
    QVERIFY2(!picture.refused, "taken, though it must be refused");
    const auto size = shownSize(w.label("Label5"));
    QVERIFY2(size && sane(*size), qPrintable(w.label("Label5")));
    QCOMPARE(w.text4(), bad);
}

// A settings file that names it: the damaged-file question, answered No, leaves the file; or the picture shown.
void TestMalformedPictures::load()
{
    QFETCH(int, index);
    const auto& picture = m_corpus.at(index);
    const QString bad = writePicture(picture.name, picture.bytes);
    const QByteArray ini = kForeign + "IconArea_Image=" + QFile::encodeName(bad) + "\r\nIconArea_Text=0x00FF\r\n";
    QVERIFY(test::writeBytes(m_folder + s("/Desktop.ini"), ini));
    RealWindow w(m_folder, m_program);
    QCOMPARE(w.ends, 0);
    QCOMPARE(w.form().ImagePath, bad);
    QCOMPARE(w.label("Label2"), s("Файл настройки найден"));
    QCOMPARE(test::readBytes(m_folder + s("/Desktop.ini")), ini);
    if (!w.dialogs.shown().isEmpty()) {
        ++m_refused;
        QCOMPARE(w.dialogs.shownTexts(), QStringList{kDamagedQuestion});
        QCOMPARE(w.dialogs.shown().at(0).icon, platform::MessageIcon::Question);
        QCOMPARE(w.text4(), QString());
        return;
    }
    ++m_taken;
    QVERIFY2(!picture.refused, "taken, though it must be refused");
    const auto size = shownSize(w.label("Label5"));
    QVERIFY2(size && sane(*size), qPrintable(w.label("Label5")));
    QVERIFY(w.option2());
    QCOMPARE(w.text4(), bad);
}

// The picture is damaged after it was chosen, then fitted: a stop message naming it, with the picture kept and no
// copy, or a sound copy of the automatic size.
void TestMalformedPictures::scaledCopy()
{
    QFETCH(int, index);
    const auto& picture = m_corpus.at(index);
    const QString target = writePicture(s("target.jpg"), test::soundJpeg());
    RealWindow w(m_folder, m_program);
    w.dialogs.queueFile(target);
    w.form().Command2_Click();
    QVERIFY(w.dialogs.shown().isEmpty());
    QVERIFY(test::writeBytes(target, picture.bytes));

    w.form().R1024_Click();
    QCOMPARE(w.ends, 0);
    const QString copy = m_program + s("/pictures/target.bmp");
    if (!w.dialogs.shown().isEmpty()) {
        ++m_refused;
        QCOMPARE(w.dialogs.shown().size(), 1);
        QCOMPARE(w.dialogs.shown().at(0).icon, platform::MessageIcon::Stop);
        QVERIFY2(w.dialogs.shown().at(0).text.contains(target), qPrintable(w.dialogs.shown().at(0).text));
        QCOMPARE(w.form().ImagePath, target);
        QVERIFY(!QFile::exists(copy));
        return;
    }
    ++m_taken;
    QVERIFY2(!picture.refused, "copied, though it must be refused");
    QCOMPARE(w.form().ImagePath, copy);
    QCOMPARE(QImage(copy).size(), QSize(781, 626));
}

QTEST_MAIN(TestMalformedPictures)
#include "tst_MalformedPictures.moc"
