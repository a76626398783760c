// Desktop.ini on the Linux file system: the read's line rule and code page, the write's exact bytes, refusals; and
// where each kind of file system keeps the Windows attributes, over a kernel in memory.

#include "common/RealFiles.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <linux/msdos_fs.h>

using namespace mirtal;
using namespace mirtal::platform;
using namespace mirtal::test;
using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kHiddenSystem = attr::Hidden | attr::System;

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

enum Flavour { Ext4, OtherFuse, Ntfs3, Ntfs3g, Cifs, Smb2, Vfat, Exfat };
// statfs' answer, and the name of the file system's own attribute store (the ioctl's "FAT"; SMB's names reach "smb").
constexpr quint32 kMagic[] = {0xEF53, 0x65735546, 0x7366746e, 0x65735546, 0xFF534D42, 0xFE534D42, 0x4d44, 0x2011BAB0};
const char* const kNative[] = {"", "", "system.ntfs_attrib", "system.ntfs_attrib", "smb", "smb", "FAT", "FAT"};

// The attribute calls of a kernel for one file, logging every change; open is real. Calls whose "<call> <name>" holds
// failing fail with error; "keep-as-ea" is an SMB client that reports the attributes but keeps writes as server EAs.
struct FakeKernel {
    Flavour flavour;
    QByteArray failing;
    int error;
    QHash<QByteArray, QByteArray> values; // by name
    QStringList changes;                  // "<name> <value>" (4 bytes as 0x<hex>, a blob in hex), "remove <name>"
    int writableOpens = 0;

    bool failed(const QByteArray& call) { return (errno = call.contains(failing) ? error : 0) != 0; }
    // Where a name is kept; null, errno set, for a name the file system does not know. It knows its own (ntfs3 more
    // than one) and user EAs everywhere but on FAT (on SMB: the server's). A FUSE file system that passes names on
    // to a store keeping any finds an unknown one just absent.
    QByteArray key(const QByteArray& name, bool write)
    {
        errno = flavour == OtherFuse ? ENODATA : EOPNOTSUPP;
        if (name != kNative[flavour] && !(flavour == Ntfs3 && name.startsWith("system.")) &&
            !(name.startsWith("user.") && qstrcmp(kNative[flavour], "FAT") != 0))
            return {};
        return name.endsWith(".dosattrib") && !(write && failing == "keep-as-ea") ? "smb" : name;
    }
    int log(const QByteArray& name, const QByteArray& value) // 0, as the call that succeeded returns
    {
        const bool u32 = value.size() == 4 && name != "user.DOSATTRIB";
        const QByteArray shown = value.startsWith('\0') ? value.toHex() : value.chopped(1);
        changes.append(QString::fromLatin1(
            name + ' ' + (u32 ? "0x" + QByteArray::number(qFromLittleEndian<quint32>(value.data()), 16) : shown)));
        return 0;
    }

    LinuxSysCalls calls()
    {
        LinuxSysCalls sys;
        sys.statfs = [this](const char*, struct statfs* result) {
            *result = {};
            result->f_type = static_cast<decltype(result->f_type)>(kMagic[flavour]);
            return failed("statfs") ? -1 : 0;
        };
        sys.openat = [this](int dirFd, const char* path, int flags, mode_t mode) {
            writableOpens += (flags & O_ACCMODE) != O_RDONLY;
            return failed("open") ? -1 : ::openat(dirFd, path, flags, mode);
        };
        sys.getxattr = [this](const char*, const char* name, void* value, size_t size) -> ssize_t {
            const QByteArray k = failed("get "_ba + name) ? QByteArray() : key(name, false);
            const QByteArray found = values.value(k);
            if (!k.isNull() && (errno = found.isNull() ? ENODATA : size < size_t(found.size()) ? ERANGE : 0) == 0)
                std::memcpy(value, found.data(), size_t(found.size()));
            return errno == 0 ? found.size() : -1;
        };
        sys.setxattr = [this](const char*, const char* name, const void* value, size_t size, int) {
            const QByteArray k = failed("set "_ba + name) ? QByteArray() : key(name, true);
            errno = errno == ENODATA ? EOPNOTSUPP : errno;
            return k.isNull() ? -1
                              : log(name, values[k] = QByteArray(static_cast<const char*>(value), qsizetype(size)));
        };
        sys.removexattr = [this](const char*, const char* name) {
            changes.append("remove "_L1 + QLatin1String(name));
            return values.remove(key(name, true)) ? 0 : -1;
        };
        sys.ioctl = [this](int, unsigned long request, void* argument) {
            const bool get = request == FAT_IOCTL_GET_ATTRIBUTES;
            if (failed(get ? "ioctl-get" : "ioctl-set"))
                return -1;
            if (get)
                std::memcpy(argument, values["FAT"].data(), 4);
            return get ? 0 : log("FAT", values["FAT"] = QByteArray(static_cast<char*>(argument), 4));
        };
        return sys;
    }
};

} // namespace

class TestLinuxFileSystem : public QObject {
    Q_OBJECT

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString ini() const { return path(u"Desktop.ini"_s); }
    QString file(const QString& name) const { return writeBytes(path(name), "x\r\n") ? path(name) : QString(); }
    QString folder(const QString& name) const { return QDir().mkdir(path(name)) ? path(name) : QString(); }

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void lineRule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        // CR LF and a lone CR end a line, a lone LF stays in it, the last line needs no end.
        QTest::newRow("line ends") << QByteArray("a\r\nb\rc\nd\n\r\ne") << u"a|b|c\nd\n|e"_s.split(u'|');
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0", 6) << QStringList{u"a\0b"_s, u"\0"_s};
        QTest::newRow("UTF-16 with BOM, read as ANSI")
            << QByteArray::fromHex("fffe61000d000a00") << QStringList{u"яюa\0"_s, u"\0\n\0"_s};
        QTest::newRow("code page") << QByteArray("D:\\\xD4\xEE\xF2\xEE.jpg") << QStringList{u"D:\\Фото.jpg"_s};
    }
    void lineRule()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QVERIFY(writeBytes(ini(), bytes));
        LinuxSysCalls sys;
        bool interrupted = false; // the first read, retried
        sys.read = [&interrupted, real = sys.read](int fd, void* buffer, size_t size) -> ssize_t {
            errno = EINTR;
            return std::exchange(interrupted, true) ? real(fd, buffer, size) : -1;
        };
        const auto read = LinuxFileSystem(AnsiCodePage::windows1251(), QString(), sys).readLines(ini());
        QVERIFY2(read.isOk(), qPrintable(read.message()));
        QCOMPARE(*read, lines);
    }

    // Exact bytes, however the kernel takes them (three bytes a write, some interrupted, a folder that cannot be
    // flushed), nothing left of the longer old content, whose permission bits stay. A new file gets 0666 less the
    // umask, and the temporary files of applies killed a minute ago go (not a fresh one's, nor others).
    void writeText()
    {
        int writes = 0;
        LinuxSysCalls sys;
        sys.write = [&writes, real = sys.write](int fd, const void* data, size_t size) -> ssize_t {
            errno = EINTR;
            return ++writes % 4 == 0 ? -1 : real(fd, data, std::min<size_t>(size, 3));
        };
        sys.fsync = [real = sys.fsync](int fd) {
            struct stat st {};
            errno = EINVAL;
            return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? -1 : real(fd);
        };
        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
        const QString text = u"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море.jpg"_s;
        const QByteArray bytes("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                               "IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n");
        QVERIFY(writeBytes(ini(), QByteArray("old\r\n").repeated(30)));
        QCOMPARE(::chmod(QFile::encodeName(ini()).constData(), 0604), 0);
        QVERIFY(fs.writeText(ini(), text));
        QCOMPARE(readBytes(ini()), bytes);
        QCOMPARE(modeOf(ini()), 0604u);

        QVERIFY(QFile::remove(ini()));
        for (const auto& [name, age] : {std::pair("AbC123", -120), std::pair("XyZ789", 0), std::pair("bak", -120)}) {
            QFile temporary(path(".Desktop.ini."_L1 + QLatin1String(name)));
            QVERIFY(temporary.open(QIODevice::WriteOnly));
            QVERIFY(temporary.setFileTime(QDateTime::currentDateTime().addSecs(age), QFile::FileModificationTime));
        }
        QVERIFY(fs.writeText(ini(), text));
        QCOMPARE(entriesOf(m_dir->path()),
                 (QStringList{u".Desktop.ini.XyZ789"_s, u".Desktop.ini.bak"_s, u"Desktop.ini"_s}));
        const mode_t mask = ::umask(022);
        ::umask(mask);
        QCOMPARE(modeOf(ini()), 0666 & ~mask);
    }

    // Nothing is read from or written over a folder, a FIFO (whose open would block) or a missing folder, and text
    // the code page cannot hold is refused before anything is opened. A search finds a directory only with its
    // filter (see attributes), and never a FIFO, a dangling link or anything missing.
    void refusalsAndFind()
    {
        LinuxSysCalls sys;
        int opens = 0;
        sys.openat = [&opens, real = sys.openat](int dirFd, const char* name, int flags, mode_t mode) {
            return ++opens, real(dirFd, name, flags, mode);
        };
        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
        const QString missing = path(u"missing/Desktop.ini"_s);
        for (const Status& status : {fs.readLines(missing).status(), fs.writeText(missing, u"x"_s),
                                     fs.setAttributes(missing, attr::System), fs.attributes(missing).status()})
            QVERIFY2(status.kind() == ErrorKind::NotFound && status.message().contains(path(u"missing"_s)),
                     qPrintable(status.message()));
        QCOMPARE(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600), 0);
        QCOMPARE(folder(u"Desktop.ini"_s), ini());
        for (const QString& name : {path(u"fifo"_s), ini()}) {
            const auto read = fs.readLines(name);
            QVERIFY2(!read.isOk() && read.message().contains(name), qPrintable(read.message()));
        }
        QVERIFY(!fs.writeText(ini(), u"x"_s).isOk() && QFileInfo(ini()).isDir());

        const QString kept = file(u"kept.ini"_s);
        opens = 0;
        const auto status = fs.writeText(kept, u"IconArea_Image=C:\\日本.jpg"_s);
        QVERIFY2(status.kind() == ErrorKind::Unrepresentable && status.message().contains(u"日"_s),
                 qPrintable(status.message()));
        QCOMPARE(opens, 0);
        QCOMPARE(readBytes(kept), QByteArray("x\r\n"));
        QCOMPARE(fs.checkEncodable(u"C:\\日本.jpg"_s).message(), status.message());

        QVERIFY(QFile::link(path(u"nowhere"_s), path(u"dangling"_s)));
        for (const QString& name : {path(u"dangling"_s), path(u"fifo"_s), missing}) {
            for (const auto filter :
                 {FindFilter::NormalFiles, FindFilter::FilesWithHiddenSystem, FindFilter::FilesAndDirectories})
                QVERIFY2(!fs.find(name, filter), qPrintable(name));
        }
        QCOMPARE(entriesOf(m_dir->path()), (QStringList{u"Desktop.ini"_s, u"dangling"_s, u"fifo"_s, u"kept.ini"_s}));
    }

    void attributes_data()
    {
        QTest::addColumn<int>("flavour");
        QTest::addColumn<QString>("name");   // a folder ends in '/'
        QTest::addColumn<quint32>("before"); // kept by the file system's own store; 0: none
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<int>("reads"); // the attributes read afterwards; -1: the read fails as well
        const auto set = [](const char* row, int flavour, const char* name, quint32 before, quint32 value,
                            const char* change, int reads) {
            QTest::newRow(row) << flavour << QString::fromUtf8(name) << before << value << QString() << 0 << true
                               << QString::fromLatin1(change) << reads;
        };
        // The apply sets the file hidden + system and the folder system. Sparse 0x200, compressed 0x800 and
        // not-indexed 0x2000 survive; read-only and archive go. A value Samba wrote in its binary form is patched.
        set("ext4 file, Samba's blob", Ext4, "Desktop.ini", 0x21, kHiddenSystem,
            "user.DOSATTRIB 00000500050000000100000006000000", 6);
        // Samba shows dot names on a Linux disk hidden: implied, not stored. Windows reading NTFS, FAT or SMB does not.
        set("ext4 dot-named folder", Ext4, ".Фото/", 0, attr::System, "user.DOSATTRIB 0x14", 0x16);
        set("ntfs3 dot-named sparse file", Ntfs3, ".a.jpg", 0xA21, attr::System, "system.ntfs_attrib 0xa04", 0xA04);
        set("ntfs-3g not-indexed folder", Ntfs3g, "Фото/", 0x2013, attr::System, "system.ntfs_attrib 0x2014", 0x2014);
        set("vfat read-only archive file", Vfat, "Desktop.ini", 0x21, kHiddenSystem, "FAT 0x6", 6);
        // On SMB 0 would mean "leave unchanged", and a file never gets the directory bit.
        set("SMB file asked for the directory bit", Cifs, "a", 0x27, attr::Directory, "user.smb3.dosattrib 0x80", 0x80);
        set("SMB normal folder", Smb2, "Фото/", 0x2027, attr::Normal, "user.smb3.dosattrib 0x10", 0x10);

        // What cannot be done falls through to the next store or to nothing, errors are reported; read-only is normal.
        const auto fail = [](const char* row, int fs, const char* call, int error, bool ok, const char* log, int read) {
            QTest::newRow(row) << fs << u"Desktop.ini"_s << 0x21u << kHiddenSystem << QString::fromLatin1(call) << error
                               << ok << QString::fromLatin1(log) << read;
        };
        fail("statfs denied", Ext4, "statfs", EACCES, false, "", -1);
        fail("statfs missing", Ntfs3, "statfs", ENOSYS, true, "user.DOSATTRIB 0x6", 6);
        fail("ext4 without user xattrs", Ext4, "set user.DOSATTRIB", EOPNOTSUPP, true, "", 0x21);
        fail("ext4 write denied", Ext4, "set user.DOSATTRIB", EACCES, false, "", 0x21);
        fail("ext4 read I/O error", Ext4, "get user.DOSATTRIB", EIO, false, "", -1);
        fail("ntfs3 word unknown: no fallback", Ntfs3, "get system.ntfs_attrib", EOPNOTSUPP, true, "", 0);
        fail("FUSE probe ENOSYS", OtherFuse, "get system.", ENOSYS, true,
             "user.DOSATTRIB 00000500050000000100000006000000", 6);
        fail("SMB older name only", Cifs, "user.smb3", EOPNOTSUPP, true, "user.cifs.dosattrib 0x6", 6);
        // Without the pseudo-attribute the name is an ordinary server EA: nothing is written at all.
        fail("SMB without the pseudo-attribute", Smb2, "get user.smb3", ENODATA, true, "", 0);
        // The stray EA is taken back and nothing else tried (never user.DOSATTRIB over SMB).
        fail("SMB write kept as a server EA", Smb2, "keep-as-ea", 0, true,
             "user.smb3.dosattrib 0x6|remove user.smb3.dosattrib", 0x21);
        fail("exFAT before the ioctls", Exfat, "ioctl-get", ENOTTY, true, "", 0);
        fail("FAT root refused", Vfat, "ioctl-set", EINVAL, true, "", 0x21);
        fail("FAT system bit needs privilege, which is told", Vfat, "ioctl-set", EPERM, false, "", 0x21);
    }
    // One change by the file system's own store, keeping the bits that are not ours; read back the same way, past a
    // stale Samba value, and nothing opened for writing. Failures name the file and the error. A file whose
    // attributes cannot be read is no normal file, but a file.
    void attributes()
    {
        QFETCH(int, flavour);
        QFETCH(QString, name);
        QFETCH(quint32, before);
        QFETCH(quint32, value);
        QFETCH(QString, failing);
        QFETCH(int, error);
        QFETCH(bool, ok);
        QFETCH(QString, changes);
        QFETCH(int, reads);
        const bool directory = name.endsWith(u'/');
        const QString target = directory ? folder(name.chopped(1)) : file(name);
        FakeKernel kernel{Flavour(flavour), failing.toLatin1(), error, {}, {}};
        // As the file system keeps them, past a stale Samba value; without a store of its own, in Samba's binary form.
        const QByteArray native = kNative[flavour];
        if (!native.isEmpty())
            kernel.values["user.DOSATTRIB"] = QByteArray("0x1", 4);
        QByteArray seeded = native.isEmpty() ? QByteArray("\0\0\5\0\5\0\0\0\1\0\0\0\0\0\0\0", 16) : QByteArray(4, 0);
        qToLittleEndian(before, seeded.data() + seeded.size() - 4);
        if (before != 0)
            kernel.values[native.isEmpty() ? "user.DOSATTRIB" : native] = seeded;
        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

        const auto status = fs.setAttributes(target, value);
        QVERIFY2(status.isOk() == ok && (ok || status.kind() == ErrorKind::Failed), qPrintable(status.message()));
        QCOMPARE(kernel.changes.join(u'|'), changes);
        QCOMPARE(kernel.writableOpens, 0);
        const auto read = fs.attributes(target);
        QCOMPARE(read.isOk() ? int(*read) : -1, reads);
        for (const auto& [failed, message] : {std::pair(!ok, status.message()), std::pair(reads < 0, read.message())}) {
            for (const QString& piece : {target, QString::fromLocal8Bit(std::strerror(error))})
                QVERIFY2(!failed || message.contains(piece), qPrintable(message));
        }
        QVERIFY(error != EPERM || status.message().contains(u"CAP_LINUX_IMMUTABLE"_s));
        QCOMPARE(fs.find(target, FindFilter::NormalFiles),
                 !directory && reads >= 0 && (quint32(reads) & kHiddenSystem) == 0);
        QCOMPARE(fs.find(target, FindFilter::FilesWithHiddenSystem), !directory);
        QVERIFY(fs.find(target, FindFilter::FilesAndDirectories));
    }
};

QTEST_GUILESS_MAIN(TestLinuxFileSystem)
#include "tst_linuxfilesystem.moc"
