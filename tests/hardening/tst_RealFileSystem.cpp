// Over the real file system: awkward folders, damaged pictures, and SIGKILL while applying (this test run with
// --apply is the process killed). Desktop.ini is always a whole content it may hold; nothing damaged crashes.
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdio>
#include <thread>

using namespace mirtal;

namespace {

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00FF\r\nForeign=1\r\n";
// Applied in turn: the picture path and the caption colour.
const char* const kSettings[2][2] = {{"C:\\Мои картинки\\море.jpg", "FF"}, {"", "FF0000"}};

void apply(RealWindow& w, int which)
{
    w.form().ImagePath = s(kSettings[which][0]);
    w.form().TextColorHex = s(kSettings[which][1]);
    w.form().Command5_Click();
}

QByteArray encoded(QImage::Format format, const char* type)
{
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x)
            image.setPixel(x, y, qRgb(x * 255 / 96, y * 4, (x * y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(format).save(&buffer, type);
    return bytes;
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray& by) { return bytes.replace(at, by.size(), by); }
template <typename T> QByteArray raw(T value) { return {reinterpret_cast<const char*>(&value), sizeof value}; }
template <typename T> QByteArray le(T value) { return raw(qToLittleEndian(value)); }
QByteArray be16(quint16 value) { return raw(qToBigEndian(value)); }

// 1 x 1: the screen's size at 6, the frame's at 24, the code size at 29.
const QByteArray kGif = QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b");

// Virtual memory at its highest so far: every allocation counts, touched or not.
qint64 peakVirtualMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmPeak:") + 7).trimmed().split(' ').value(0).toLongLong() * 1024;
}

} // namespace

class TestRealFileSystem final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void awkwardFolders_data();
    void awkwardFolders();
    void damagedPictures_data();
    void damagedPictures();
    void killedAtRandomMoments();

private:
    QTemporaryDir m_root;
    QString m_folder = m_root.filePath(s("folder")), m_program = m_root.filePath(s("program"));
    qint64 m_baseline = 0;
};

void TestRealFileSystem::initTestCase()
{
    QVERIFY(QDir().mkpath(m_folder) && QDir().mkpath(m_program));
    // The decoders' complaints about each damaged file say nothing the checks do not.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    // Measured once the window and the decoders are loaded, so that only what a picture makes them allocate counts.
    for (const QByteArray& picture : {encoded(QImage::Format_RGB32, "JPG"), kGif})
        (void)QImage::fromData(picture);
    (void)RealWindow(m_folder, m_program);
    m_baseline = peakVirtualMemory();
    QVERIFY(m_baseline > 0);
}

void TestRealFileSystem::awkwardFolders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("link");
    QTest::newRow("spaces and brackets") << s("My Pictures (copy) [x] %1 $HOME 'q'") << false;
    QTest::newRow("Cyrillic, outer spaces") << s("  Мои фото с моря  ") << false;
    QTest::newRow("outside the code page") << s("写真 Ölbilder") << false;
    QTest::newRow("dot name") << s(".скрытая папка") << false;
    QTest::newRow("reached through a link") << s("ссылка") << true;
    // "/Desktop.ini" and the terminating NUL end exactly at the limit, in folders of 199 characters.
    QString deep(PATH_MAX - 1 - 12 - m_root.path().size() - 1, u'd');
    for (qsizetype i = 199; i < deep.size() - 1; i += 200)
        deep[i] = u'/';
    QTest::newRow("at the path limit") << deep << false;
}

// The folder's name is the file system's business: the file is written, read and removed as ever.
void TestRealFileSystem::awkwardFolders()
{
    QFETCH(QString, name);
    QFETCH(bool, link);
    const QString folder = m_root.filePath(name), ini = folder + s("/Desktop.ini");
    QVERIFY(QDir().mkpath(link ? folder + s(" (цель)") : folder));
    QVERIFY(!link || QFile::link(folder + s(" (цель)"), folder));
    QVERIFY(test::writeBytes(ini, kForeign));
    RealWindow w(folder, m_program);
    QVERIFY(w.text2() == folder && w.label("Label2") == s("Файл настройки найден") && w.form().TextColorHex == s("FF"));
    apply(w, 0);
    QCOMPARE(w.dialogs.shownTexts(), QStringList{s("Файл настройки отредактирован")});
    QCOMPARE(test::readBytes(ini),
             "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
             "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=C:\\\xcc\xee\xe8 "
             "\xea\xe0\xf0\xf2\xe8\xed\xea\xe8\\\xec\xee\xf0\xe5.jpg\r\nIconArea_Text=0x00FF\r\n");
    w.dialogs.queueAnswer(platform::Answer::Yes);
    w.form().Command4_Click();
    QVERIFY(!QFileInfo::exists(ini) && w.label("Label2") == s("Файла настройки больше нет с нами") && w.ends == 0 &&
            test::leftoverTemporaries(folder).isEmpty());
}

void TestRealFileSystem::damagedPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Refused whatever the decoder makes of it: no picture at all, a zero side, or more pixels than the program
    // decodes. The others (cut bodies, odd tables) may also come out as a partial picture.
    QTest::addColumn<bool>("refused");
    const QByteArray jpg = encoded(QImage::Format_RGB32, "JPG");
    const qsizetype sof = jpg.indexOf("\xFF\xC0"), dht = jpg.indexOf("\xFF\xC4"), sos = jpg.indexOf("\xFF\xDA");
    for (qsizetype at : {qsizetype{0}, qsizetype{20}, sof + 6, sos, jpg.size() / 2, jpg.size() - 2})
        QTest::addRow("jpg cut at %lld", qint64{at}) << jpg.left(at) << (at <= sos);
    QTest::newRow("jpg 20000x20000") << patched(jpg, sof + 5, be16(20000) + be16(20000)) << true;
    QTest::newRow("jpg zero height") << patched(jpg, sof + 5, be16(0)) << true;
    QTest::newRow("jpg no components") << patched(jpg, sof + 9, QByteArray(1, '\0')) << true;
    QTest::newRow("jpg Huffman table overfull") << patched(jpg, dht + 5, QByteArray(16, '\xFF')) << false;
    QTest::newRow("jpg marker length huge") << patched(jpg, 4, be16(0xFFFF)) << false;
    const QByteArray bmp = encoded(QImage::Format_RGB32, "BMP");
    for (qsizetype at : {0, 14, 30, 53, 55, 1000})
        QTest::addRow("bmp cut at %lld", qint64{at}) << bmp.left(at) << (at < 54);
    QTest::newRow("bmp 65535x65535") << patched(bmp, 18, le(65535) + le(65535)) << true;
    QTest::newRow("bmp 1x-2147483648") << patched(bmp, 18, le(1) + le(0x80000000)) << true;
    QTest::newRow("bmp 46341x46341") << patched(bmp, 18, le(46341) + le(46341)) << true;
    QTest::newRow("bmp 9000x7000, no pixels") << patched(bmp, 18, le(9000) + le(7000)) << false;
    QTest::newRow("bmp zero width") << patched(bmp, 18, le(0)) << true;
    QTest::newRow("bmp 7 bits") << patched(bmp, 28, le(quint16{7})) << true;
    QTest::newRow("bmp compression 99") << patched(bmp, 30, le(99)) << true;
    QTest::newRow("bmp pixels beyond the end") << patched(bmp, 10, le(0xFFFFFFF0)) << false;
    QTest::newRow("bmp8 palette 2^32") << patched(encoded(QImage::Format_Indexed8, "BMP"), 46, le(0xFFFFFFFF)) << false;
    for (qsizetype at : {0, 6, 13, 24, 30, 34})
        QTest::addRow("gif cut at %lld", qint64{at}) << kGif.left(at) << (at <= 24);
    QTest::newRow("gif screen 65535x65535") << patched(kGif, 6, le(0xFFFFFFFF)) << true;
    QTest::newRow("gif frame 65535x65535") << patched(kGif, 24, le(0xFFFFFFFF)) << false;
    QTest::newRow("gif zero size") << patched(patched(kGif, 6, le(0)), 24, le(0)) << true;
    QTest::newRow("gif code size 12") << patched(kGif, 29, "\x0c") << false;
    QTest::newRow("gif bad signature") << patched(kGif, 2, "X") << true;
    QTest::newRow("gif table of 256 colours, 2 there") << patched(kGif, 10, "\x87") << false;
}

// Chosen sound, then damaged: fitted, a stop message naming it with no copy, or a sound copy; chosen again, the
// message with the display as it was, or the picture taken. Never the general error path, nor memory beyond the
// decoding bound (4 bytes a pixel, and a margin).
void TestRealFileSystem::damagedPictures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, refused);
    const QString type = QString::fromLatin1(QTest::currentDataTag()).left(3);
    const QString bad = m_root.filePath(s("bad.") + type), copy = m_program + s("/pictures/bad.bmp");
    QVERIFY(test::writeBytes(bad, type == s("gif") ? kGif : encoded(QImage::Format_RGB32, qPrintable(type))));
    QFile::remove(copy);
    RealWindow w(m_folder, m_program);
    w.dialogs.queueFile(bad);
    w.form().Command2_Click();
    QVERIFY(w.dialogs.shown().isEmpty() && test::writeBytes(bad, bytes));

    w.form().R1024_Click();
    const auto& shown = w.dialogs.shown();
    static const QRegularExpression sane(s("^[1-9]\\d*x[1-9]\\d*\r\n\\d+\\.\\d+$")); // "W" "x" "H", CR LF, the ratio
    const bool fitRefused = !shown.isEmpty();
    if (fitRefused)
        QVERIFY2(shown.size() == 1 && shown[0].icon == platform::MessageIcon::Stop && shown[0].text.contains(bad) &&
                     w.form().ImagePath == bad && !QFile::exists(copy),
                 qPrintable(shown[0].text));
    else
        QVERIFY(w.form().ImagePath == copy && QImage(copy).size() == QSize(781, 626));

    const QString label = w.label("Label5"), text4 = w.text4();
    w.dialogs.clearShown();
    w.dialogs.queueFile(bad);
    w.form().Command2_Click();
    const bool choiceRefused = !shown.isEmpty();
    if (choiceRefused)
        QVERIFY(w.dialogs.shownTexts() == QStringList{s("Ошибка загрузки фона (Ошибка 1)")} &&
                shown[0].icon == platform::MessageIcon::None && w.label("Label5") == label && w.text4() == text4);
    else
        QVERIFY2(sane.match(w.label("Label5")).hasMatch() && w.text4() == bad, qPrintable(w.label("Label5")));
    QVERIFY(w.ends == 0 && w.form().ImagePath == bad);
    QVERIFY2(!refused || (fitRefused && choiceRefused), "taken, though it must be refused");
    const qint64 grown = peakVirtualMemory() - m_baseline;
    QVERIFY2(grown <= platform::QtPictures::kMaxDecodedPixels * 4 + (qint64{256} << 20),
             qPrintable(QStringLiteral("peak virtual memory grew by %1 MiB").arg(grown >> 20)));
}

// The process killed: applies without end once loaded; exits with 3 if anything but the confirmation shows.
int applyForever(const QString& folder, const QString& program)
{
    RealWindow w(folder, program);
    std::puts("ready");
    std::fflush(stdout);
    for (int round = 0;; ++round) {
        apply(w, round % 2);
        if (w.ends > 0 || w.dialogs.shown().size() != 1)
            return 3;
        w.dialogs.clearShown();
    }
}

// After each kill Desktop.ini is byte for byte a content it may hold, and a leftover temporary file feeds nothing.
void TestRealFileSystem::killedAtRandomMoments()
{
    const QString folder = m_root.filePath(s("Фото с моря")), scratch = m_root.filePath(s("scratch"));
    const QString ini = folder + s("/Desktop.ini");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(scratch));
    // A long tail of foreign lines, so that a torn write would show.
    QByteArray original = "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\system32\\imageres.dll,-3\r\n\r\n"
                          "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=C:\\old.jpg\r\nForeign=1\r\n"
                          "IconArea_Text=0x00FF\r\n[ViewState]\r\nFolderType=Pictures\r\n[Comments]\r\n";
    for (int i = 0; i < 120; ++i)
        original += "File" + QByteArray::number(i) + ".jpg=picture number " + QByteArray::number(i) + "\r\n";
    QVERIFY(test::writeBytes(ini, original) && test::writeBytes(scratch + s("/Desktop.ini"), original));
    const bool attributesKept = test::xattrsWork(folder) && test::setDosAttrib(ini, QByteArray("0x6", 4));
    const QList<QByteArray> normalOrHidden = {{}, QByteArray("0x0", 4), QByteArray("0x6", 4)};

    // The contents it may hold, each with what it sets, as applying in turn leaves them.
    const auto sets = [](RealWindow& w) -> QString { return w.form().ImagePath + u'|' + w.form().TextColorHex; };
    QHash<QByteArray, QString> valid{{original, s("C:\\old.jpg|FF")}};
    RealWindow clean(scratch, m_program);
    for (int i = 0; i < 6; ++i) {
        apply(clean, i % 2);
        valid.insert(test::readBytes(scratch + s("/Desktop.ini")), sets(clean));
    }
    const auto env = [](const char* v, int d) {
        return qEnvironmentVariableIsSet(v) ? qEnvironmentVariableIntValue(v) : d;
    };
    const auto seed = quint32(env("MIRTAL_CRASH_SEED", int(QRandomGenerator::system()->generate())));
    const int trials = env("MIRTAL_CRASH_TRIALS", 200);
    QRandomGenerator random(seed);
    const QDeadlineTimer deadline(60'000);
    int trial = 0;
    for (; trial < trials && !deadline.hasExpired(); ++trial) {
        const QString where = QStringLiteral("trial %1, seed %2: ").arg(trial).arg(seed);
        QProcess helper;
        helper.start(QCoreApplication::applicationFilePath(), {s("--apply"), folder, m_program});
        while (!helper.canReadLine())
            QVERIFY2(helper.waitForReadyRead(20000),
                     qPrintable(where + QString::fromLocal8Bit(helper.readAllStandardError())));
        QCOMPARE(helper.readLine(), QByteArray("ready\n"));
        // Within the first few applies, wherever they fall.
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(20000)));
        helper.kill();
        QVERIFY2(helper.waitForFinished(10000) && helper.exitStatus() == QProcess::CrashExit, qPrintable(where));

        const QByteArray content = test::readBytes(ini);
        QVERIFY2(valid.contains(content), qPrintable(where + s("none of the contents it may hold")));
        // Normal while rewritten, hidden and system before and after.
        QVERIFY2(!attributesKept || normalOrHidden.contains(test::dosAttrib(ini)), qPrintable(where));
        // A leftover is a hidden temporary file holding the start of a new content, never Desktop.ini itself.
        for (const QString& name : test::leftoverTemporaries(folder)) {
            const QByteArray partial = test::readBytes(folder + u'/' + name);
            QVERIFY2(std::any_of(valid.keyBegin(), valid.keyEnd(),
                                 [&](const QByteArray& v) { return v != original && v.startsWith(partial); }),
                     qPrintable(where + name));
        }
        // The next run loads the folder as the file says, and applies to it, the leftovers notwithstanding.
        RealWindow next(folder, m_program);
        QVERIFY2(next.dialogs.shown().isEmpty() && next.label("Label2") == s("Файл настройки найден") &&
                     sets(next) == valid.value(content),
                 qPrintable(where));
        apply(next, trial % 2);
        QVERIFY2(next.dialogs.shownTexts() == QStringList{s("Файл настройки отредактирован")} &&
                     valid.value(test::readBytes(ini)) == sets(next),
                 qPrintable(where));
    }
    QVERIFY2(trial >= trials, qPrintable(QStringLiteral("only %1 trials in 60 s").arg(trial)));
    qInfo("%d kills (seed %u), %lld leftovers", trial, seed, qint64(test::leftoverTemporaries(folder).size()));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--apply")
        return applyForever(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestRealFileSystem test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RealFileSystem.moc"
