// Awkward folders and picture paths: spaces and scripts the code page lacks in the folder's name, a drive root, a
// path near and beyond the system's limit, a picture path the code page cannot hold, a folder that goes away
// between loading and applying, and a read-only folder. Each ends in the prescribed message or the general error
// path, and no foreign line is ever lost.
#include "app/FolderList.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakePictures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace mirtal;
using platform::Answer;

namespace {

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00FF\r\nForeign=1\r\n";
const QByteArray kRewritten = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
                              "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=C:\\pics\\sea.jpg\r\n"
                              "IconArea_Text=0x00FF00\r\n";

void applySeaGreen(RealWindow& w)
{
    w.form().ImagePath = s("C:\\pics\\sea.jpg");
    w.form().TextColorHex = s("FF00");
    w.form().Command5_Click();
}

// Folders made and removed relative to an open parent, so that no path handed to the kernel exceeds its limit.
int openDirectory(int parent, const QByteArray& name)
{
    return ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void removeTree(int parent, const QByteArray& name)
{
    const int fd = openDirectory(parent, name);
    if (fd < 0) {
        ::unlinkat(parent, name.constData(), 0);
        return;
    }
    DIR* dir = ::fdopendir(fd);
    QList<QByteArray> children;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray child(entry->d_name);
        if (child != "." && child != "..")
            children.append(child);
    }
    for (const QByteArray& child : children)
        removeTree(::dirfd(dir), child);
    ::closedir(dir);
    ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}

// A chain of folders with names of up to 200 characters below root (ASCII), whose whole path is length long.
QString deepFolder(const QString& root, qsizetype length)
{
    QDir().mkpath(root);
    QString path = root;
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && path.size() + 1 < length) {
        const QByteArray name(qMin<qsizetype>(200, length - path.size() - 1), 'd');
        ::mkdirat(fd, name.constData(), 0777);
        const int next = openDirectory(fd, name);
        ::close(fd);
        fd = next;
        path += u'/' + QString::fromLatin1(name);
    }
    if (fd >= 0)
        ::close(fd);
    return path;
}

// Writes a file below a folder whose path may be beyond the limit, walking there one folder at a time.
bool writeDeep(const QString& folder, const QByteArray& name, const QByteArray& bytes)
{
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
        const int next = openDirectory(fd, QFile::encodeName(part));
        ::close(fd);
        fd = next;
        if (fd < 0)
            return false;
    }
    const int file = ::openat(fd, name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::close(fd);
    if (file < 0)
        return false;
    const bool written = ::write(file, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    ::close(file);
    return written;
}

QByteArray readDeep(const QString& folder, const QByteArray& name)
{
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
        const int next = openDirectory(fd, QFile::encodeName(part));
        ::close(fd);
        fd = next;
        if (fd < 0)
            return {};
    }
    const int file = ::openat(fd, name.constData(), O_RDONLY | O_CLOEXEC);
    ::close(fd);
    if (file < 0)
        return {};
    QByteArray bytes(1 << 16, '\0');
    const ssize_t size = ::read(file, bytes.data(), static_cast<size_t>(bytes.size()));
    ::close(file);
    return bytes.left(size < 0 ? 0 : size);
}

// A folder mounted over itself read-only for as long as this lives.
class ReadOnlyMount final {
public:
    explicit ReadOnlyMount(const QString& folder)
        : m_folder(folder)
    {
        m_mounted = QProcess::execute(s("mount"), {s("--bind"), folder, folder}) == 0;
        if (m_mounted && QProcess::execute(s("mount"), {s("-o"), s("remount,bind,ro"), folder}) != 0) {
            QProcess::execute(s("umount"), {folder});
            m_mounted = false;
        }
    }
    ~ReadOnlyMount()
    {
        if (m_mounted)
            QProcess::execute(s("umount"), {m_folder});
    }
    Q_DISABLE_COPY_MOVE(ReadOnlyMount)
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

class TestPaths final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_root.isValid()); }

    void folderNames_data();
    void folderNames();
    void driveRoot();
    void longPathWithinTheLimit();
    void pathBeyondTheLimit();
    void unrepresentablePicturePath_data();
    void unrepresentablePicturePath();
    void folderGoneBeforeApplying_data();
    void folderGoneBeforeApplying();
    void readOnlyFolder();

private:
    QTemporaryDir m_root;
    QString m_program = m_root.filePath(s("program"));
};

void TestPaths::folderNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << s("My Pictures 2024 (copy)");
    QTest::newRow("cyrillic and spaces") << s("Мои фото с моря");
    QTest::newRow("leading and trailing spaces") << s("  папка  ");
    QTest::newRow("outside the code page") << s("写真 Ölbilder");
    QTest::newRow("dot name") << s(".скрытая папка");
    QTest::newRow("brackets and a percent") << s("[x] %1 $HOME 'q' \"w\"");
}

// The folder's name is the file system's business, not the file's: the file is written and read back byte for byte.
void TestPaths::folderNames()
{
    QFETCH(QString, name);
    const QString folder = m_root.filePath(name);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(test::writeBytes(folder + s("/Desktop.ini"), kForeign));
    RealWindow w(folder, m_program);
    QCOMPARE(w.text2(), folder);
    QCOMPARE(w.label("Label2"), s("Файл настройки найден"));
    applySeaGreen(w);
    QCOMPARE(w.dialogs.shownTexts(), QStringList{s("Файл настройки отредактирован")});
    QCOMPARE(test::readBytes(folder + s("/Desktop.ini")), kRewritten);
    QCOMPARE(w.form().TextColorHex, s("FF00"));
    w.dialogs.queueAnswer(Answer::Yes);
    w.form().Command4_Click();
    QVERIFY(!QFile::exists(folder + s("/Desktop.ini")));
    QCOMPARE(w.label("Label2"), s("Файла настройки больше нет с нами"));
    QCOMPARE(w.ends, 0);
    QVERIFY(test::leftoverTemporaries(folder).isEmpty());
}

// A root already ends in a separator, so the file's path holds a doubled one, which names the same file.
void TestPaths::driveRoot()
{
    platform::FakeFileSystem fs(s("/opt/mirtal"));
    platform::FakePictures pictures(fs);
    platform::FakeDialogs dialogs;
    platform::FakeShell shell;
    platform::FakeScreen screen;
    int ends = 0;
    app::GeneralErrorPath errorPath(dialogs, [&](int) { ++ends; });
    fs.addFile(s("/Desktop.ini"), kForeign, platform::attr::Hidden | platform::attr::System);
    app::Form1 form(app::Form1Services{fs, pictures, dialogs, shell, screen, errorPath, {}, {}, s("/"), QLocale::c()});
    QCOMPARE(form.findChild<QTextEdit*>(s("Text2"))->toPlainText(), s("/"));
    QCOMPARE(form.findChild<QLabel*>(s("Label2"))->text(), s("Файл настройки найден"));
    fs.clearLog();
    form.ImagePath = s("C:\\pics\\sea.jpg");
    form.TextColorHex = s("FF00");
    form.Command5_Click();
    QCOMPARE(ends, 0);
    QCOMPARE(fs.bytes(s("/Desktop.ini")), kRewritten);
    QVERIFY(fs.log().contains(s("attrib / 4")));
    QCOMPARE(fs.entry(s("/Desktop.ini"))->attributes, platform::attr::Hidden | platform::attr::System);
    dialogs.queueAnswer(Answer::Yes);
    form.Command4_Click();
    QVERIFY(!fs.exists(s("/Desktop.ini")));
    QCOMPARE(dialogs.shownTexts().last(), s("Файл настройки удалён"));
}

// Just below the system's limit on a path everything works.
void TestPaths::longPathWithinTheLimit()
{
    const QString folder = deepFolder(m_root.filePath(s("long")), PATH_MAX - 1 - 12);
    QCOMPARE(folder.size() + 12, PATH_MAX - 1); // "/Desktop.ini" and the terminating NUL: exactly at the limit
    QVERIFY(writeDeep(folder, "Desktop.ini", kForeign));
    RealWindow w(folder, m_program);
    QCOMPARE(w.text2(), folder);
    QCOMPARE(w.label("Label2"), s("Файл настройки найден"));
    applySeaGreen(w);
    QCOMPARE(w.ends, 0);
    QCOMPARE(readDeep(folder, "Desktop.ini"), kRewritten);
    removeTree(AT_FDCWD, QFile::encodeName(m_root.filePath(s("long"))));
}

// A sub-folder whose path is beyond the limit can be highlighted; nothing can reach its file, so nothing is lost.
void TestPaths::pathBeyondTheLimit()
{
    const QString parent = deepFolder(m_root.filePath(s("deep")), PATH_MAX - 100);
    const QString child = parent + u'/' + QString(250, u'c');
    QVERIFY(child.size() > PATH_MAX);
    {
        const int fd = ::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QVERIFY(::mkdirat(fd, QByteArray(250, 'c').constData(), 0777) == 0);
        ::close(fd);
    }
    QVERIFY(writeDeep(child, "Desktop.ini", kForeign));
    RealWindow w(parent, m_program);
    QVERIFY(w.form().folderList()->highlight(child));
    QCOMPARE(w.text2(), child);
    w.dialogs.clearShown();

    applySeaGreen(w);
    QCOMPARE(w.ends, 1);
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY2(w.dialogs.shown().at(0).text.startsWith(s("Ошибка: ")), qPrintable(w.dialogs.shown().at(0).text));
    QCOMPARE(readDeep(child, "Desktop.ini"), kForeign);

    // Unreachable is not taken for absent: the load reports a file it cannot read, the removal asks first.
    RealWindow again(parent, m_program);
    QVERIFY(again.form().folderList()->highlight(child));
    again.dialogs.clearShown();
    again.form().Command8_Click();
    QCOMPARE(again.label("Label2"), s("Файл настройки найден"));
    QCOMPARE(again.dialogs.shown().size(), 1);
    QCOMPARE(again.dialogs.shown().at(0).icon, platform::MessageIcon::Question);
    again.dialogs.clearShown();
    again.form().Command4_Click(); // answered No
    QCOMPARE(again.dialogs.shownTexts(), QStringList{s("Вы уверены?")});
    QCOMPARE(again.ends, 0);
    QCOMPARE(readDeep(child, "Desktop.ini"), kForeign);
    removeTree(AT_FDCWD, QFile::encodeName(m_root.filePath(s("deep"))));
}

void TestPaths::unrepresentablePicturePath_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("named");
    QTest::newRow("1251, Japanese") << 1251 << s("D:\\写真\\海.jpg") << s("«写»");
    QTest::newRow("1251, Latin accent") << 1251 << s("D:\\Fotos\\Müller.jpg") << s("«ü»");
    QTest::newRow("1252, Cyrillic") << 1252 << s("D:\\Фото\\море.jpg") << s("«Ф»");
}

// Refused with a message naming the character; the file, its attributes and the folder stay as they were.
void TestPaths::unrepresentablePicturePath()
{
    QFETCH(int, codePage);
    QFETCH(QString, picture);
    QFETCH(QString, named);
    const QString folder =
        m_root.filePath(QStringLiteral("codepage-%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    QVERIFY(QDir().mkpath(folder));
    const QString ini = folder + s("/Desktop.ini");
    QVERIFY(test::writeBytes(ini, kForeign));
    const bool attributes = test::xattrsWork(folder) && test::setDosAttrib(ini, QByteArray("0x7", 4));
    RealWindow w(folder, m_program, {},
                 codePage == 1251 ? platform::AnsiCodePage::windows1251() : platform::AnsiCodePage::windows1252());
    w.form().ImagePath = picture;
    w.form().Command5_Click();
    QCOMPARE(w.ends, 0);
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY2(w.dialogs.shown().at(0).text.contains(named), qPrintable(w.dialogs.shown().at(0).text));
    QCOMPARE(w.dialogs.shown().at(0).icon, platform::MessageIcon::Stop);
    QCOMPARE(test::readBytes(ini), kForeign);
    if (attributes)
        QCOMPARE(test::dosAttrib(ini), QByteArray("0x7", 4));
    QVERIFY(test::leftoverTemporaries(folder).isEmpty());
    QCOMPARE(w.form().ImagePath, picture);
}

void TestPaths::folderGoneBeforeApplying_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << s("deleted");
    QTest::newRow("renamed") << s("renamed");
    QTest::newRow("replaced by a file") << s("file");
}

// Loaded, then gone: applying ends in the general error path and creates nothing; the foreign lines, wherever the
// file now is, stay; the removal finds no file.
void TestPaths::folderGoneBeforeApplying()
{
    QFETCH(QString, how);
    const QString base = m_root.filePath(s("gone-") + how);
    const QString folder = base + s("/Папка");
    const QString moved = base + s("/Папка переименована");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(test::writeBytes(folder + s("/Desktop.ini"), kForeign));
    RealWindow w(folder, m_program);
    QCOMPARE(w.label("Label2"), s("Файл настройки найден"));
    if (how == s("renamed")) {
        QVERIFY(QDir().rename(folder, moved));
    } else {
        QVERIFY(QDir(folder).removeRecursively());
        if (how == s("file"))
            QVERIFY(test::writeBytes(folder, "not a folder"));
    }

    applySeaGreen(w);
    QCOMPARE(w.ends, 1);
    QCOMPARE(w.dialogs.shown().size(), 1);
    QVERIFY2(w.dialogs.shown().at(0).text.startsWith(s("Ошибка: ")), qPrintable(w.dialogs.shown().at(0).text));
    if (how == s("renamed")) {
        QCOMPARE(test::readBytes(moved + s("/Desktop.ini")), kForeign);
        QVERIFY(!QFile::exists(folder));
    } else if (how == s("file")) {
        QCOMPARE(test::readBytes(folder), QByteArray("not a folder"));
    } else {
        QVERIFY(!QFile::exists(folder));
    }
    QVERIFY(test::leftoverTemporaries(base).isEmpty());

    w.dialogs.clearShown();
    w.form().Command4_Click();
    QCOMPARE(w.dialogs.shownTexts(), QStringList{s("В выбранной папке нет файла настройки")});
    w.form().Command8_Click();
    QCOMPARE(w.label("Label2"), s("Файл настройки отсутствует"));
}

// A read-only medium: applying and removing end in the general error path with the file unchanged; a scaled copy
// that cannot be written into a read-only program folder is reported and the picture stays.
void TestPaths::readOnlyFolder()
{
    const QString folder = m_root.filePath(s("read-only"));
    const QString program = m_root.filePath(s("read-only program"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(program));
    const QString ini = folder + s("/Desktop.ini");
    QVERIFY(test::writeBytes(ini, kForeign));
    const QString picture = m_root.filePath(s("sea.jpg"));
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(picture, "JPG"));
    const ReadOnlyMount folderMount(folder);
    const ReadOnlyMount programMount(program);
    if (!folderMount.mounted() || !programMount.mounted())
        QSKIP("no read-only bind mount here (needs root and a mount namespace of one's own)");

    RealWindow w(folder, program);
    QCOMPARE(w.label("Label2"), s("Файл настройки найден"));
    applySeaGreen(w);
    QCOMPARE(w.ends, 1);
    QVERIFY(w.dialogs.shown().last().text.startsWith(s("Ошибка: ")));
    QCOMPARE(test::readBytes(ini), kForeign);

    RealWindow remover(folder, program);
    remover.dialogs.queueAnswer(Answer::Yes);
    remover.form().Command4_Click();
    QCOMPARE(remover.ends, 1);
    QVERIFY(remover.dialogs.shown().last().text.startsWith(s("Ошибка: ")));
    QCOMPARE(test::readBytes(ini), kForeign);

    RealWindow fitter(folder, program);
    fitter.dialogs.queueFile(picture);
    fitter.form().Command2_Click();
    fitter.form().R1024_Click();
    QCOMPARE(fitter.ends, 0);
    QCOMPARE(fitter.dialogs.shown().size(), 1);
    QVERIFY2(fitter.dialogs.shown().at(0).text.startsWith(s("Не удалось создать папку для копий картинок")),
             qPrintable(fitter.dialogs.shown().at(0).text));
    QCOMPARE(fitter.form().ImagePath, picture);
    QCOMPARE(fitter.text4(), picture);
}

QTEST_MAIN(TestPaths)
#include "tst_Paths.moc"
