// Desktop.ini on the Linux file system: the line rule and code page of the read, and the write's exact bytes, its
// replacement by rename that never leaves a half-written file, and its refusals.

#include "common/RealFiles.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
using mirtal::platform::LinuxFileSystem;
using mirtal::platform::LinuxSysCalls;
using namespace mirtal::test;

namespace {

// Counts the calls of that system call into *count; the one that reaches *failAt fails with error.
template <typename R, typename... A> void seam(std::function<R(A...)>& call, int* count, const int* failAt, int error)
{
    call = [=, real = call](A... args) -> R {
        if (++*count == *failAt) {
            errno = error;
            return R(-1);
        }
        return real(args...);
    };
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestLinuxFileSystemText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void lineRule_data();
    void lineRule();
    void writesExactBytesAndKeepsPermissions();
    void failureAtEveryCallLeavesOldOrNew();
    void refusals();
    void writeSweepsStaleTemporaries();

private:
    QString path(const char* name) const { return m_dir->filePath(QString::fromUtf8(name)); }
    QString ini() const { return path("Desktop.ini"); }

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
    QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0", 6)
                               << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(u'\0'))};
    // UTF-16 with its byte-order mark is read byte by byte all the same.
    QTest::newRow("UTF-16 read as ANSI") << QByteArray("\xFF\xFE"
                                                       "a\0\r\0\n\0",
                                                       8)
                                         << QStringList{QStringLiteral("яюa") + QChar(u'\0'),
                                                        QChar(u'\0') + s("\n") + QChar(u'\0')};
    QTest::newRow("code page") << QByteArray("IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n")
                               << QStringList{QStringLiteral("IconArea_Image=D:\\Фото\\море.jpg")};
}

void TestLinuxFileSystemText::lineRule()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QVERIFY(writeBytes(ini(), bytes));
    LinuxSysCalls sys;
    int reads = 0;
    const int first = 1;
    seam(sys.read, &reads, &first, EINTR); // an interrupted read is retried
    const auto read = LinuxFileSystem(AnsiCodePage::windows1251(), QString(), sys).readLines(ini());
    QVERIFY2(read.isOk(), qPrintable(read.message()));
    QCOMPARE(*read, lines);
}

// Exact bytes, however the kernel takes them: a few bytes a write, an interrupted write, a folder that cannot be
// flushed.
void TestLinuxFileSystemText::writesExactBytesAndKeepsPermissions()
{
    LinuxSysCalls sys;
    int writes = 0;
    sys.write = [&writes, real = sys.write](int fd, const void* data, size_t count) -> ssize_t {
        if (++writes == 2) {
            errno = EINTR;
            return -1;
        }
        return real(fd, data, std::min<size_t>(count, 3));
    };
    int fsyncs = 0;
    const int second = 2;
    seam(sys.fsync, &fsyncs, &second, EINVAL);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto created =
        fs.writeText(ini(), QStringLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                           "IconArea_Image=D:\\Фото\\море.jpg\r\nIconArea_Text=0x00FF"));
    QVERIFY2(created.isOk(), qPrintable(created.message()));
    QCOMPARE(readBytes(ini()), QByteArray("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                          "IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n"
                                          "IconArea_Text=0x00FF\r\n"));
    QVERIFY(writes > 30);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    QCOMPARE(modeOf(ini()), 0666 & ~mask);

    // A shorter replacement leaves nothing of the old content, and the file keeps its permission bits.
    QCOMPARE(::chmod(QFile::encodeName(ini()).constData(), 0604), 0);
    QVERIFY(fs.writeText(ini(), QStringLiteral("new")).isOk());
    QCOMPARE(readBytes(ini()), QByteArray("new\r\n"));
    QCOMPARE(modeOf(ini()), 0604u);
    QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("Desktop.ini")});
}

// Whichever single call fails, Desktop.ini holds the old or the new content with its permission bits, no
// temporary file is left, and only the final close of the folder may fail unnoticed.
void TestLinuxFileSystemText::failureAtEveryCallLeavesOldOrNew()
{
    int count = 0;
    int failAt = 0;
    LinuxSysCalls sys;
    const auto fail = [&](auto&... calls) { (seam(calls, &count, &failAt, EIO), ...); };
    fail(sys.openat, sys.write, sys.fstatat, sys.fchmod, sys.fsync, sys.close, sys.renameat, sys.unlinkat);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    for (int calls = 1; failAt <= calls; ++failAt) {
        QVERIFY(writeBytes(ini(), "old\r\n"));
        QCOMPARE(::chmod(QFile::encodeName(ini()).constData(), 0604), 0);
        count = 0;
        const auto status = fs.writeText(ini(), QStringLiteral("new"));
        calls = failAt == 0 ? count : calls;
        const QByteArray now = readBytes(ini());
        QVERIFY2(now == "new\r\n" || (!status.isOk() && now == "old\r\n"), qPrintable(QString::number(failAt)));
        QCOMPARE(status.isOk(), failAt == 0 || failAt == calls);
        QVERIFY2(status.isOk() || status.message().contains(m_dir->path()), qPrintable(status.message()));
        QCOMPARE(modeOf(ini()), 0604u);
        QCOMPARE(entriesOf(m_dir->path()), QStringList{QStringLiteral("Desktop.ini")});
    }
}

// Nothing is read from or written over a folder, a FIFO (whose open would block) or a missing folder, and text the
// code page cannot hold is refused before anything is opened.
void TestLinuxFileSystemText::refusals()
{
    int opens = 0;
    const int never = 0;
    LinuxSysCalls sys;
    seam(sys.openat, &opens, &never, 0);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto missing = fs.readLines(ini());
    QCOMPARE(missing.kind(), ErrorKind::NotFound);
    QVERIFY2(missing.message().contains(ini()), qPrintable(missing.message()));
    QCOMPARE(fs.writeText(path("missing/Desktop.ini"), QStringLiteral("x")).kind(), ErrorKind::NotFound);
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    const auto fifo = fs.readLines(path("fifo"));
    QVERIFY2(!fifo.isOk() && fifo.message().contains(path("fifo")), qPrintable(fifo.message()));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Desktop.ini")));
    QVERIFY(!fs.readLines(ini()).isOk());
    QVERIFY(!fs.writeText(ini(), QStringLiteral("x")).isOk());
    QVERIFY(QFileInfo(ini()).isDir());

    QVERIFY(writeBytes(path("kept.ini"), "old\r\n"));
    opens = 0;
    const auto status = fs.writeText(path("kept.ini"), QStringLiteral("IconArea_Image=C:\\日本.jpg"));
    QCOMPARE(status.kind(), ErrorKind::Unrepresentable);
    QVERIFY2(status.message().contains(QStringLiteral("日")), qPrintable(status.message()));
    QCOMPARE(opens, 0);
    QCOMPARE(readBytes(path("kept.ini")), QByteArray("old\r\n"));
    QCOMPARE(fs.checkEncodable(QStringLiteral("C:\\日本.jpg")).message(), status.message());
    QVERIFY(fs.checkEncodable(QStringLiteral("Мой € №")).isOk());
    QCOMPARE(entriesOf(m_dir->path()),
             (QStringList{QStringLiteral("Desktop.ini"), QStringLiteral("fifo"), QStringLiteral("kept.ini")}));
}

void TestLinuxFileSystemText::writeSweepsStaleTemporaries()
{
    // Left by an apply killed between creating its temporary file and renaming it.
    const QString stale = path(".Desktop.ini.AbC123");
    for (const QString& name : {stale, path(".Desktop.ini.XyZ789"), path(".Desktop.ini.bak")})
        QVERIFY(writeBytes(name, {}));
    QFile old(stale);
    QVERIFY(old.open(QIODevice::ReadWrite) &&
            old.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
    QVERIFY(LinuxFileSystem(AnsiCodePage::windows1252(), QString()).writeText(ini(), QStringLiteral("x")));
    // The fresh one may belong to an apply still running; the other is not ours.
    QCOMPARE(entriesOf(m_dir->path()),
             (QStringList{QStringLiteral(".Desktop.ini.XyZ789"), QStringLiteral(".Desktop.ini.bak"),
                          QStringLiteral("Desktop.ini")}));
}

QTEST_GUILESS_MAIN(TestLinuxFileSystemText)
#include "tst_linuxfilesystem_text.moc"
