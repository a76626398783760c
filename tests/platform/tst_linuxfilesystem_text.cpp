// Reading lines, the atomic write, deleting files and making folders on the Linux file system.

#include "SysCallFaults.h"
#include "common/RealFiles.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
using mirtal::platform::LinuxFileSystem;
using mirtal::platform::LinuxSysCalls;
using mirtal::test::countCalls;
using mirtal::test::failCall;
using mirtal::test::readBytes;
using mirtal::test::writeBytes;

namespace {

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

class TestLinuxFileSystemText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void lineRule_data();
    void lineRule();
    void decodesWithTheCodePage();
    void largeBinaryFileFinishes();
    void readFailures();
    void readRetriesAfterInterrupt();

    void writeCreatesNewFile();
    void writeReplacesAndKeepsPermissionBits();
    void writeRefusesUnrepresentableBeforeTouchingAnything();
    void writeHandlesShortWritesAndInterrupts();
    void writeRetriesTakenTempName();
    void directoryFlushUnsupportedIsFine();
    void writeOverDirectoryFails();
    void writeSweepsStaleTemporaries();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLinuxFileSystemText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLinuxFileSystemText::lineRule_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const auto s = [](const char* text) { return QString::fromLatin1(text); };
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("no line end") << QByteArray("abc") << QStringList{s("abc")};
    QTest::newRow("CR LF ends") << QByteArray("a\r\nb\r\n") << QStringList{s("a"), s("b")};
    QTest::newRow("lone CR ends") << QByteArray("a\rb\r") << QStringList{s("a"), s("b")};
    QTest::newRow("lone LF stays") << QByteArray("a\nb\r\nc\n") << QStringList{s("a\nb"), s("c\n")};
    QTest::newRow("LF CR is LF then an end") << QByteArray("\n\r\n") << QStringList{s("\n")};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{s("a"), QString(), s("b")};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << QStringList{QString(), QString()};
    QTest::newRow("only CR") << QByteArray("\r") << QStringList{QString()};
    QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0", 6)
                               << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(u'\0'))};
    // UTF-16 with its byte-order mark is read byte by byte all the same.
    QTest::newRow("UTF-16 read as ANSI") << QByteArray("\xFF\xFE"
                                                       "a\0\r\0\n\0",
                                                       8)
                                         << QStringList{QStringLiteral("ÿþa") + QChar(u'\0'),
                                                        QChar(u'\0') + s("\n") + QChar(u'\0')};
}

void TestLinuxFileSystemText::lineRule()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QVERIFY(writeBytes(path(QStringLiteral("Desktop.ini")), bytes));
    const LinuxFileSystem fs(AnsiCodePage::windows1252(), QString());
    const auto read = fs.readLines(path(QStringLiteral("Desktop.ini")));
    QVERIFY2(read.isOk(), qPrintable(read.message()));
    QCOMPARE(*read, lines);
}

void TestLinuxFileSystemText::decodesWithTheCodePage()
{
    QVERIFY(writeBytes(path(QStringLiteral("Desktop.ini")),
                       "IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n"));
    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    const auto read = fs.readLines(path(QStringLiteral("Desktop.ini")));
    QVERIFY2(read.isOk(), qPrintable(read.message()));
    QCOMPARE(*read, QStringList{QStringLiteral("IconArea_Image=D:\\Фото\\море.jpg")});
}

void TestLinuxFileSystemText::largeBinaryFileFinishes()
{
    QByteArray noise(5 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240607);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    QVERIFY(writeBytes(path(QStringLiteral("Desktop.ini")), noise));

    const AnsiCodePage page = AnsiCodePage::windows1251();
    const LinuxFileSystem fs(page, QString());
    const auto read = fs.readLines(path(QStringLiteral("Desktop.ini")));
    QVERIFY2(read.isOk(), qPrintable(read.message()));
    // Every CR LF and lone CR is one line end; the last one adds no empty line.
    QString expected = page.decode(noise).replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    if (expected.endsWith(u'\r'))
        expected.chop(1);
    QCOMPARE(read->join(u'\r'), expected);
}

void TestLinuxFileSystemText::readFailures()
{
    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());

    const auto missing = fs.readLines(path(QStringLiteral("Desktop.ini")));
    QVERIFY(!missing.isOk());
    QCOMPARE(missing.kind(), ErrorKind::NotFound);
    QVERIFY2(missing.message().contains(path(QStringLiteral("Desktop.ini"))), qPrintable(missing.message()));

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    QVERIFY(!fs.readLines(path(QStringLiteral("folder"))).isOk());

    // A FIFO would block an ordinary open; it is refused at once.
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    const auto fifo = fs.readLines(path(QStringLiteral("fifo")));
    QVERIFY(!fifo.isOk());
    QVERIFY2(fifo.message().contains(path(QStringLiteral("fifo"))), qPrintable(fifo.message()));
}

void TestLinuxFileSystemText::readRetriesAfterInterrupt()
{
    QVERIFY(writeBytes(path(QStringLiteral("Desktop.ini")), "abc\r\ndef"));
    LinuxSysCalls sys;
    failCall(sys.read, 1, EINTR);
    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto read = fs.readLines(path(QStringLiteral("Desktop.ini")));
    QVERIFY2(read.isOk(), qPrintable(read.message()));
    QCOMPARE(*read, (QStringList{QStringLiteral("abc"), QStringLiteral("def")}));
}

void TestLinuxFileSystemText::writeCreatesNewFile()
{
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    const QString target = path(QStringLiteral("Desktop.ini"));
    const QString text =
        QStringLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море.jpg\r\n"
                       "IconArea_Text=0x00FF");
    const auto status = fs.writeText(target, text);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(readBytes(target), QByteArray("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                           "IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n"
                                           "IconArea_Text=0x00FF\r\n"));
    QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("Desktop.ini")});

    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0666 & ~currentUmask());
}

void TestLinuxFileSystemText::writeReplacesAndKeepsPermissionBits()
{
    const QString target = path(QStringLiteral("Desktop.ini"));
    QVERIFY(writeBytes(target, "old content that is longer than the new one\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0604), 0);

    LinuxFileSystem fs(AnsiCodePage::windows1252(), QString());
    const auto status = fs.writeText(target, QStringLiteral("new"));
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(readBytes(target), QByteArray("new\r\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0604u);
    QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("Desktop.ini")});
}

void TestLinuxFileSystemText::writeRefusesUnrepresentableBeforeTouchingAnything()
{
    const QString target = path(QStringLiteral("Desktop.ini"));
    QVERIFY(writeBytes(target, "old\r\n"));
    int opens = 0;
    LinuxSysCalls sys;
    countCalls(sys.openat, &opens);
    LinuxFileSystem fs(AnsiCodePage::windows1252(), QString(), sys);
    const auto status = fs.writeText(target, QStringLiteral("IconArea_Image=C:\\日本.jpg"));
    QVERIFY(!status.isOk());
    QCOMPARE(status.kind(), ErrorKind::Unrepresentable);
    QVERIFY2(status.message().contains(QStringLiteral("日")), qPrintable(status.message()));
    QCOMPARE(opens, 0);
    QCOMPARE(readBytes(target), QByteArray("old\r\n"));

    const auto check = fs.checkEncodable(QStringLiteral("C:\\日本.jpg"));
    QCOMPARE(check.kind(), ErrorKind::Unrepresentable);
    QCOMPARE(check.message(), status.message());
    QVERIFY(fs.checkEncodable(QStringLiteral("Café €")).isOk());
}

void TestLinuxFileSystemText::writeHandlesShortWritesAndInterrupts()
{
    const QString target = path(QStringLiteral("Desktop.ini"));
    LinuxSysCalls sys;
    auto real = sys.write;
    int calls = 0;
    sys.write = [&](int fd, const void* data, size_t count) -> ssize_t {
        if (++calls == 2) {
            errno = EINTR;
            return -1;
        }
        return real(fd, data, std::min<size_t>(count, 3));
    };
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto status = fs.writeText(target, QStringLiteral("Мирталь пишет"));
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(readBytes(target), QByteArray("\xCC\xE8\xF0\xF2\xE0\xEB\xFC \xEF\xE8\xF8\xE5\xF2\r\n"));
    QVERIFY(calls > 5);
}

void TestLinuxFileSystemText::writeRetriesTakenTempName()
{
    const QString target = path(QStringLiteral("Desktop.ini"));
    LinuxSysCalls sys;
    QList<QByteArray> opened;
    auto real = sys.openat;
    sys.openat = [&](int dirFd, const char* name, int flags, mode_t mode) {
        opened.append(QByteArray(name));
        if (opened.size() == 2) {
            errno = EEXIST;
            return -1;
        }
        return real(dirFd, name, flags, mode);
    };
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto status = fs.writeText(target, QStringLiteral("x"));
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(opened.size(), 3);
    for (const QByteArray& temp : {opened[1], opened[2]})
        QVERIFY2(temp.startsWith(".Desktop.ini.") && temp.size() == 19, temp.constData());
    QVERIFY(opened[1] != opened[2]);
    QCOMPARE(readBytes(target), QByteArray("x\r\n"));
}

void TestLinuxFileSystemText::directoryFlushUnsupportedIsFine()
{
    const QString target = path(QStringLiteral("Desktop.ini"));
    LinuxSysCalls sys;
    failCall(sys.fsync, 2, EINVAL);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto status = fs.writeText(target, QStringLiteral("new"));
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(readBytes(target), QByteArray("new\r\n"));
}

void TestLinuxFileSystemText::writeOverDirectoryFails()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Desktop.ini")));
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QVERIFY(!fs.writeText(path(QStringLiteral("Desktop.ini")), QStringLiteral("x")).isOk());
    QVERIFY(QFileInfo(path(QStringLiteral("Desktop.ini"))).isDir());
    QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("Desktop.ini")});

    const auto noFolder = fs.writeText(path(QStringLiteral("missing/Desktop.ini")), QStringLiteral("x"));
    QVERIFY(!noFolder.isOk());
    QCOMPARE(noFolder.kind(), ErrorKind::NotFound);
}

void TestLinuxFileSystemText::writeSweepsStaleTemporaries()
{
    // Left by an apply killed between creating its temporary file and renaming it.
    const QString stale = path(QStringLiteral(".Desktop.ini.AbC123"));
    const QString fresh = path(QStringLiteral(".Desktop.ini.XyZ789"));
    const QString foreign = path(QStringLiteral(".Desktop.ini.bak"));
    for (const QString& path : {stale, fresh, foreign}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile old(stale);
    QVERIFY(old.open(QIODevice::ReadWrite));
    QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
    old.close();

    LinuxFileSystem fs(AnsiCodePage::windows1252(), QString());
    QVERIFY(fs.writeText(path(QStringLiteral("Desktop.ini")), QStringLiteral("x")));
    QVERIFY(!QFile::exists(stale));
    QVERIFY(QFile::exists(fresh)); // may belong to an apply still running
    QVERIFY(QFile::exists(foreign));
}

QTEST_GUILESS_MAIN(TestLinuxFileSystemText)
#include "tst_linuxfilesystem_text.moc"
