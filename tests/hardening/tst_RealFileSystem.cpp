// Over the real file system: awkward folders, SIGKILL while applying (this test run with --apply is the process
// killed), damaged pictures. Desktop.ini is always a whole content it may hold; nothing damaged crashes.
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QApplication>
#include <QtTest>

using namespace mirtal;

// Applied in turn: a picture whose path is in the code page and a caption colour, then no picture and another colour.
// The picture lies in the program's folder.
static void apply(RealWindow& w, int which)
{
    if (which) {
        w.editor().chooseNoBackground();
    } else {
        w.dialogs.queueFile(w.fileSystem.programDirectory() + S("/Мои картинки/море.jpg"));
        w.editor().choosePicture();
    }
    w.dialogs.queueColor(which ? 0xFF0000 : 0x0000FF);
    w.editor().chooseCaptionColor();
    w.editor().apply();
}

// 1 x 1: the frame's size at 24, the code size at 29.
const QByteArray kGif = QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b");

class TestRealFileSystem final : public QObject {
    Q_OBJECT

    QTemporaryDir m_root; // also the program's folder

private Q_SLOTS:
    void awkwardFoldersAndKills_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces, brackets, Cyrillic") << S("  Мои фото (copy) [x] %1 $HOME 'q'  ");
        QTest::newRow("outside the code page, dot name") << S(".写真 Ölbilder");
        // "/Desktop.ini" and the terminating NUL end exactly at the limit, in folders of 199 characters.
        const QString deep = QStringList(21, QString(199, u'd')).join(u'/').left(PATH_MAX - 14 - m_root.path().size());
        QTest::newRow("at the path limit") << deep;
    }

    // Desktop.ini found, applied to and removed as ever; killed while applying, byte for byte a content it may hold,
    // the killed process stopping of itself should a leftover temporary file disturb it.
    void awkwardFoldersAndKills()
    {
        QFETCH(QString, name);
        const QString folder = m_root.filePath(name), ini = folder + S("/Desktop.ini");
        QByteArray content = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]"
                             "\r\nIconArea_Text=0x00FF\r\n[Comments]\r\n";
        for (int i = 0; i < 120; ++i) // foreign lines, many, so that a torn write would show
            content += "File" + QByteArray::number(i) + ".jpg=picture number " + QByteArray::number(i) + "\r\n";
        QVERIFY(QDir().mkpath(folder) && test::writeBytes(ini, content));
        QImage picture(32, 24, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(QDir().mkpath(m_root.filePath(S("Мои картинки"))) &&
                picture.save(m_root.filePath(S("Мои картинки/море.jpg")), "JPG"));
        RealWindow w(folder, m_root.path());
        QVERIFY(w.label("statusLabel") == S("Файл настройки найден") && w.state().textColorHex == S("FF"));
        QSet<QByteArray> valid{content}; // and what applying in turn leaves
        for (int i = 0; i < 6; ++i) {
            apply(w, i % 2);
            valid.insert(test::readBytes(ini));
        }
        QVERIFY(w.dialogs.shownTexts() == QStringList(6, S("Файл настройки отредактирован")) && valid.size() == 3 &&
                test::leftoverTemporaries(folder).isEmpty());
        // Not at the path limit, where nothing but the program could remove what a kill leaves.
        const int kills = name.size() > NAME_MAX ? 0 : qMax(50, qEnvironmentVariableIntValue("MIRTAL_CRASH_TRIALS"));
        const bool xattrs = test::xattrsWork(folder);
        const QByteArray hiddenSystem("0x6", 4), systemFolder("0x14", 5);
        QMap<QByteArray, int> outcomes; // by the content's place among those applied, with its attributes
        for (int kill = 0; kill < kills; ++kill) {
            const QByteArray before = test::readBytes(ini);
            QProcess helper;
            helper.start(QCoreApplication::applicationFilePath(), {S("--apply"), folder, m_root.path()});
            QVERIFY(helper.waitForReadyRead(20000) && helper.readLine() == "ready\n");
            QThread::usleep(QRandomGenerator::global()->bounded(20000u)); // within the first few applies
            helper.kill();
            QVERIFY(helper.waitForFinished(10000) && helper.exitStatus() == QProcess::CrashExit);
            const QByteArray after = test::readBytes(ini);
            QVERIFY(valid.contains(after));
            // At every instant the old file with its attributes or the new one hidden and system; the folder system.
            const QByteArray bits = test::dosAttrib(ini), folderBits = test::dosAttrib(folder);
            QVERIFY2(!xattrs || (bits == hiddenSystem && folderBits == systemFolder),
                     QByteArray(bits.toHex() + " / " + folderBits.toHex()).constData());
            outcomes[(after == before ? "unchanged " : "replaced ") + bits.left(3) + ", folder " +
                     folderBits.left(4)] += 1;
        }
        for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
            qInfo("%d of %d kills: Desktop.ini %s", it.value(), kills, it.key().constData());
        // Whatever the kills left, the next run applies as ever.
        RealWindow next(folder, m_root.path());
        apply(next, 0);
        QVERIFY(next.dialogs.shownTexts() == QStringList{S("Файл настройки отредактирован")} &&
                valid.contains(test::readBytes(ini)));
        w.dialogs.queueAnswer(platform::Answer::Yes);
        w.editor().removeSettings();
        QVERIFY(!QFileInfo::exists(ini) && w.label("statusLabel") == S("Файла настройки больше нет с нами") &&
                w.ends == 0);
    }

    // As Windows keeps it: "desktop.ini" in UTF-16LE with our section under a lower-case header. Loaded, rewritten
    // under its own name in UTF-16LE with the old header gone (Windows' reader would take that first section), a
    // second name never made; then removed. A settings file that is a link is refused by both, nothing touched.
    void asWindowsKeepsIt()
    {
        const QString folder = m_root.filePath(S("Как в Windows")), ini = folder + S("/desktop.ini");
        const QString utf16 =
            S("[.ShellClassInfo]\r\nLocalizedResourceName=写真\r\n[{be098140-a513-11d0-a3a4-00c04fd706ec}]"
              "\r\nIconArea_Image=C:\\old.jpg\r\nIconArea_Text=0x0000FF00\r\n");
        QVERIFY(QDir().mkpath(folder) && test::writeBytes(ini, utf16le(utf16)));
        RealWindow w(folder, m_root.path());
        QVERIFY(w.label("statusLabel") == S("Файл настройки найден") && w.state().textColorHex == S("00FF00"));
        apply(w, 1);
        QCOMPARE(w.dialogs.shownTexts(), QStringList{S("Файл настройки отредактирован")});
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{S("desktop.ini")});
        QCOMPARE(test::readBytes(ini),
                 utf16le(S("[.ShellClassInfo]\r\nLocalizedResourceName=写真\r\n\r\n[{BE098140-A513-11D0-A3A4-"
                           "00C04FD706EC}]\r\nIconArea_Text=0x00FF0000\r\n")));
        QVERIFY(!test::xattrsWork(folder) || test::dosAttrib(ini) == QByteArray("0x6", 4));
        QCOMPARE(w.state().textColorHex, S("FF0000"));

        const QString outside = m_root.filePath(S("outside.ini")), link = folder + S("/Desktop.ini");
        QVERIFY(QFile::rename(ini, outside) && QFile::link(outside, link));
        for (const bool removing : {false, true}) {
            RealWindow linked(folder, m_root.path());
            linked.dialogs.queueAnswer(platform::Answer::Yes);
            removing ? linked.editor().removeSettings() : apply(linked, 0);
            QVERIFY(linked.ends == 0 && linked.dialogs.shownTexts().filter(outside).size() == 1);
        }
        QVERIFY(QFileInfo(link).isSymLink() && test::readBytes(outside).startsWith("\xFF\xFE"));
        QVERIFY(!test::xattrsWork(folder) || test::dosAttrib(outside) == QByteArray("0x6", 4));
    }

    // One row per decoder path; refused: no picture at all, a side below one, more pixels than the program decodes.
    void damagedPictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint64>("fileSize"); // 0: as long as the bytes; else extended, sparse
        quint32 noise[96 * 64];               // fills the encoders' tables
        QRandomGenerator(7).fillRange(noise);
        QBuffer jpeg, bitmap;
        const QImage image(reinterpret_cast<uchar*>(noise), 96, 64, QImage::Format_RGB32);
        QVERIFY(image.save(&jpeg, "JPG") && image.save(&bitmap, "BMP"));
        const QByteArray jpg = jpeg.data(), bmp = bitmap.data();
        const auto patched = [](QByteArray b, qsizetype i, QByteArray by) { return b.replace(i, by.size(), by); };
        const qsizetype sof = jpg.indexOf("\xFF\xC0") + 5, dht = jpg.indexOf("\xFF\xC4") + 5; // sizes, counts
        QTest::newRow("jpg cut in its header") << jpg.left(sof + 1) << true << 0LL;
        QTest::newRow("jpg 20000x20000") << patched(jpg, sof, QByteArray::fromHex("4e204e20")) << true << 0LL;
        QTest::newRow("jpg Huffman table overfull") << patched(jpg, dht, QByteArray(16, '\xFF')) << false << 0LL;
        // The decoder looks for its next marker through every byte of it: seconds.
        QTest::newRow("jpg header, 4 GiB sparse") << jpg.left(20) << true << (4LL << 30);
        QTest::newRow("bmp 1x-2147483648") << patched(bmp, 18, QByteArray::fromHex("0100000000000080")) << true << 0LL;
        QTest::newRow("bmp 46341x46341") << patched(bmp, 18, QByteArray::fromHex("05b5000005b50000")) << true << 0LL;
        QTest::newRow("bmp 9000x7000, no pixels")
            << patched(bmp, 18, QByteArray::fromHex("28230000581b0000")) << false << 0LL;
        QTest::newRow("gif frame 65535x65535") << patched(kGif, 24, QByteArray(4, '\xFF')) << false << 0LL;
        QTest::newRow("gif code size 12") << patched(kGif, 29, "\x0c") << false << 0LL;
        // 1 GB decoded for 35 bytes: screen and frame 16000x16000.
        const QByteArray wide = QByteArray::fromHex("803e803e");
        QTest::newRow("gif 16000x16000") << patched(patched(kGif, 6, wide), 24, wide) << true << 0LL;
    }

    // Chosen: refused with the message or taken; then fitted: a copy or a stop message. Never the general error path.
    void damagedPictures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        QFETCH(qint64, fileSize);
        const QString bad = m_root.filePath(S("bad")), copy = m_root.path() + S("/pictures/bad.bmp");
        QVERIFY(test::writeBytes(bad, bytes) && (QFile::remove(copy) || !QFile::exists(copy)));
        QVERIFY(fileSize == 0 || QFile::resize(bad, fileSize));
        RealWindow w(m_root.path(), m_root.path());
        w.dialogs.queueFile(bad);
        QElapsedTimer clock;
        clock.start();
        w.editor().choosePicture();
        // A file too large for a picture is refused unread: at once, where reading it took seconds.
        QVERIFY2(fileSize == 0 || clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        const auto& shown = w.dialogs.shown();
        const bool taken = shown.isEmpty();
        QVERIFY2(taken ? !refused && w.picturePath() == bad
                       : w.dialogs.shownTexts() == QStringList{S("Ошибка загрузки фона (Ошибка 1)")} &&
                             shown[0].icon == platform::MessageIcon::None && w.picturePath().isEmpty(),
                 "taken, though it must be refused");
        w.editor().fitToScreen();
        QVERIFY(!taken || (shown.isEmpty() ? w.state().imagePath == copy && QImage(copy).size() == QSize(781, 626)
                                           : shown.size() == 1 && shown[0].icon == platform::MessageIcon::Stop &&
                                                 shown[0].text.contains(bad) && !QFile::exists(copy)));
        QVERIFY(w.ends == 0);
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--apply") { // the process killed: applies until anything else shows
        RealWindow w(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        QTextStream(stdout) << "ready" << Qt::endl;
        for (int round = 0; w.ends == 0 && w.dialogs.shown().size() == round; ++round)
            apply(w, round % 2);
        return 3;
    }
    if (argc == 4 && QByteArrayView(argv[1]) == "--once") { // one apply or removal, for a peer to look at
        RealWindow w(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[3]));
        w.dialogs.queueAnswer(platform::Answer::Yes);
        QByteArrayView(argv[2]) == "remove" ? w.editor().removeSettings() : apply(w, 0);
        QTextStream(stdout) << w.dialogs.shownTexts().join(u'|') << Qt::endl;
        return w.ends;
    }
    QLoggingCategory::setFilterRules(S("qt.gui.imageio*=false")); // the decoders' complaints tell nothing more
    return QTest::qExec(std::make_unique<TestRealFileSystem>().get(), argc, argv);
}

#include "tst_RealFileSystem.moc"
