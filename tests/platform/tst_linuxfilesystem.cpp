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

    // The lines read ("|" between them), and as what: "ANSI", "UTF-16LE", or "refused" with the file untouched.
    void lineRule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("as");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& lines,
                            const QString& as = u"ANSI"_s) { QTest::newRow(name) << bytes << lines << as; };
        row("empty file", {}, {});
        // CR LF, a lone CR and a lone LF end a line, as Windows' reader ends it; the last line needs no end.
        row("line ends", "a\r\nb\rc\nd\n\r\ne", u"a|b|c|d||e"_s);
        row("NUL bytes", QByteArray("a\0b\r\n\0", 6), u"a\0b|\0"_s);
        // As Windows writes it for a folder name outside the code page; read as such, and kept so by a rewrite.
        row("UTF-16LE with BOM", QByteArray::fromHex("fffe5b0041005d000d000a00200424040e003d0078000a00"),
            u"[A]|\u0420\u0424\u000e=x"_s, u"UTF-16LE"_s);
        row("UTF-8 BOM is ANSI", "\xEF\xBB\xBFx", u"\u043f\u00bb\u0457x"_s);
        // Windows' reader does not take UTF-16BE.
        row("UTF-16BE", QByteArray::fromHex("feff005b"), {}, u"refused"_s);
        row("UTF-16LE cut in a character", QByteArray::fromHex("fffe5b005d"), {}, u"refused"_s);
    }
    void lineRule()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, lines);
        QFETCH(QString, as);
        QVERIFY(writeBytes(ini(), bytes));
        LinuxSysCalls sys;
        bool interrupted = false; // the first read, retried
        sys.read = [&interrupted, real = sys.read](int fd, void* buffer, size_t size) -> ssize_t {
            errno = EINTR;
            return std::exchange(interrupted, true) ? real(fd, buffer, size) : -1;
        };
        const auto read = LinuxFileSystem(AnsiCodePage::windows1251(), QString(), sys).readText(ini());
        QCOMPARE(readBytes(ini()), bytes);
        if (as == u"refused") {
            QVERIFY2(!read.isOk() && read.message().contains(ini()), qPrintable(read.message()));
            return;
        }
        QVERIFY2(read.isOk(), qPrintable(read.message()));
        QCOMPARE(read->lines, lines.isEmpty() ? QStringList() : lines.split(u'|'));
        QCOMPARE(read->encoding == TextEncoding::Utf16Le, as == u"UTF-16LE");
    }

    // Exact bytes, however the kernel takes them (three bytes a write, some interrupted, a folder that cannot be
    // flushed), nothing left of the longer old content, whose permission bits, owner, access list and extended
    // attributes stay; the attribute store is not copied but written, on the temporary file before its rename. A
    // new file gets 0666 less the umask. UTF-16LE is written back with its mark. Of the files beside it only the
    // temporary files of applies killed a minute ago go, by their exact name.
    void replaceText()
    {
        int writes = 0;
        QStringList steps;
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
        sys.renameat = [&steps, real = sys.renameat](int from, const char* old, int to, const char* name) {
            steps.append(u"rename "_s + QString::fromLatin1(old).left(24) + u' ' +
                         QString::fromLatin1(dosAttrib(
                             QFile::decodeName(QByteArray("/proc/self/fd/") + QByteArray::number(from) + '/' + old))));
            return real(from, old, to, name);
        };
        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
        const QString text = u"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море.jpg"_s;
        const QByteArray bytes("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                               "IconArea_Image=D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg\r\n");
        QVERIFY(writeBytes(ini(), QByteArray("old\r\n").repeated(30)));
        const QByteArray name = QFile::encodeName(ini());
        // rw- for the owner, r-- for user 4321, the mask and the group, nothing for others.
        const QByteArray acl = QByteArray::fromHex(
            "0200000001000600ffffffff02000400e110000004000400ffffffff10000400ffffffff20000000ffffffff");
        const bool aclsWork =
            ::setxattr(name.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0;
        QCOMPARE(::chmod(name.constData(), 0640), 0);
        const bool owned = ::geteuid() == 0 && ::chown(name.constData(), 4321, 4322) == 0;
        const bool xattrs = xattrsWork(m_dir->path());
        QVERIFY(!xattrs || (setDosAttrib(ini(), QByteArray("0x27", 5)) &&
                            ::setxattr(name.constData(), "user.tag", "blue", 4, 0) == 0));
        QVERIFY(fs.replaceText(ini(), text, TextEncoding::Ansi, kHiddenSystem));
        QCOMPARE(readBytes(ini()), bytes);
        QCOMPARE(modeOf(ini()), 0640u);
        if (xattrs) {
            QCOMPARE(steps, QStringList{u"rename .Desktop.ini.mirtal-tmp- 0x6"_s + QChar(0)});
            char tag[8] = {};
            QVERIFY(::getxattr(name.constData(), "user.tag", tag, sizeof tag) == 4 && QByteArray(tag) == "blue");
        }
        if (aclsWork) {
            QByteArray copied(128, 0);
            copied.truncate(::getxattr(name.constData(), "system.posix_acl_access", copied.data(), 128));
            QCOMPARE(copied, acl);
        }
        struct stat st {};
        QVERIFY(!owned || (::stat(name.constData(), &st) == 0 && st.st_uid == 4321 && st.st_gid == 4322));

        const QByteArray utf16 = QByteArray::fromHex("fffe5b0041005d000d000a00200424040d000a00");
        QVERIFY(fs.replaceText(ini(), u"[A]\r\n\u0420\u0424"_s, TextEncoding::Utf16Le, kHiddenSystem));
        QCOMPARE(readBytes(ini()), utf16);

        QVERIFY(QFile::remove(ini()));
        const QStringList temporaries{u".Desktop.ini.mirtal-tmp-AbC123"_s,
                                      u".Desktop.ini.mirtal-tmp-XyZ789"_s,
                                      u".Desktop.ini.backup"_s,
                                      u".desktop.ini.MIRTAL-TMP-AbC123"_s,
                                      u".Desktop.ini.mirtal-tmp-AbC12"_s,
                                      u".Desktop.ini.mirtal-tmp-A.C123"_s};
        for (const QString& temporary : temporaries) {
            QFile file(path(temporary));
            QVERIFY(file.open(QIODevice::WriteOnly));
            const int age = temporary.endsWith(u"XyZ789"_s) ? 0 : -120;
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(age), QFile::FileModificationTime));
        }
        QCOMPARE(folder(u".Desktop.ini.mirtal-tmp-Fold12"_s).isEmpty(), false);
        QVERIFY(QFile::link(path(u"nowhere"_s), path(u".Desktop.ini.mirtal-tmp-Lnk123"_s)));
        QVERIFY(fs.replaceText(ini(), text, TextEncoding::Ansi, kHiddenSystem));
        QStringList left = temporaries + QStringList{u".Desktop.ini.mirtal-tmp-Fold12"_s,
                                                     u".Desktop.ini.mirtal-tmp-Lnk123"_s, u"Desktop.ini"_s};
        left.removeOne(u".Desktop.ini.mirtal-tmp-AbC123"_s);
        left.sort();
        QCOMPARE(entriesOf(m_dir->path()), left);
        const mode_t mask = ::umask(022);
        ::umask(mask);
        QCOMPARE(modeOf(ini()), 0666 & ~mask);
    }

    // A failed rename leaves the old file as it was, its attributes included, and no temporary file. A settings
    // file that is a symbolic link is neither followed nor replaced, by a rewrite or an attribute step: refused,
    // naming the link and its target.
    void failedRenameAndLinks()
    {
        if (!xattrsWork(m_dir->path()))
            QSKIP("this file system keeps no user extended attributes");
        LinuxSysCalls sys;
        sys.renameat = [](int, const char*, int, const char*) { return errno = EACCES, -1; };
        LinuxFileSystem failing(AnsiCodePage::windows1251(), QString(), sys);
        QVERIFY(writeBytes(ini(), "old\r\n") && setDosAttrib(ini(), QByteArray("0x6", 4)));
        const Status refused = failing.replaceText(ini(), u"new"_s, TextEncoding::Ansi, kHiddenSystem);
        QVERIFY2(!refused.isOk() && refused.message().contains(ini()), qPrintable(refused.message()));
        QCOMPARE(readBytes(ini()), QByteArray("old\r\n"));
        QCOMPARE(dosAttrib(ini()), QByteArray("0x6", 4));
        QCOMPARE(entriesOf(m_dir->path()), QStringList{u"Desktop.ini"_s});

        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
        const QString outside = path(u"outside.ini"_s), inner = folder(u"inner"_s) + u"/Desktop.ini"_s;
        QVERIFY(QFile::rename(ini(), outside) && QFile::link(outside, inner));
        for (const Status& status : {fs.replaceText(inner, u"new"_s, TextEncoding::Ansi, kHiddenSystem),
                                     fs.setAttributes(inner, attr::Normal)})
            QVERIFY2(!status.isOk() && status.message().contains(inner) && status.message().contains(outside),
                     qPrintable(status.message()));
        QCOMPARE(readBytes(outside), QByteArray("old\r\n"));
        QCOMPARE(dosAttrib(outside), QByteArray("0x6", 4));
        QVERIFY(QFileInfo(inner).isSymLink());
        // A link to a folder is the folder the user sees.
        QVERIFY(QFile::link(path(u"inner"_s), path(u"shortcut"_s)));
        QVERIFY(fs.setAttributes(path(u"shortcut"_s), attr::System));
    }

    // The settings file found as Windows finds it, in any case; of several names, Desktop.ini, else the first in byte
    // order; without any, or in a folder that cannot be listed, the name as asked.
    void locate_data()
    {
        QTest::addColumn<QString>("names"); // "|" between them; a folder ends in '/'
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << u"Desktop.ini.bak|esktop.ini"_s << u"Desktop.ini"_s;
        QTest::newRow("lower case") << u"desktop.ini"_s << u"desktop.ini"_s;
        QTest::newRow("ours among others") << u"DESKTOP.INI|Desktop.ini|desktop.ini"_s << u"Desktop.ini"_s;
        QTest::newRow("a folder of the name is none") << u"DESKTOP.INI/|desktop.ini"_s << u"desktop.ini"_s;
        QTest::newRow("first in byte order") << u"desktop.ini|DeskTop.INI|DESKTOP.ini"_s << u"DESKTOP.ini"_s;
    }
    void locate()
    {
        QFETCH(QString, names);
        QFETCH(QString, found);
        for (const QString& name : names.split(u'|'))
            QVERIFY(!(name.endsWith(u'/') ? folder(name.chopped(1)) : file(name)).isEmpty());
        LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
        QCOMPARE(fs.locate(m_dir->path(), u"Desktop.ini"_s), path(found));
        QCOMPARE(fs.locate(path(u"missing"_s), u"Desktop.ini"_s), path(u"missing/Desktop.ini"_s));
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
        for (const Status& status :
             {fs.readText(missing).status(), fs.replaceText(missing, u"x"_s, TextEncoding::Ansi, 0),
              fs.setAttributes(missing, attr::System), fs.attributes(missing).status()})
            QVERIFY2(status.kind() == ErrorKind::NotFound && status.message().contains(path(u"missing"_s)),
                     qPrintable(status.message()));
        QCOMPARE(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600), 0);
        QCOMPARE(folder(u"Desktop.ini"_s), ini());
        for (const QString& name : {path(u"fifo"_s), ini()}) {
            const auto read = fs.readText(name);
            QVERIFY2(!read.isOk() && read.message().contains(name), qPrintable(read.message()));
        }
        QVERIFY(!fs.replaceText(ini(), u"x"_s, TextEncoding::Ansi, 0).isOk() && QFileInfo(ini()).isDir());

        const QString kept = file(u"kept.ini"_s);
        opens = 0;
        const auto status = fs.replaceText(kept, u"IconArea_Image=C:\\日本.jpg"_s, TextEncoding::Ansi, 0);
        QVERIFY2(status.kind() == ErrorKind::Unrepresentable && status.message().contains(u"日"_s),
                 qPrintable(status.message()));
        QCOMPARE(opens, 0);
        QCOMPARE(readBytes(kept), QByteArray("x\r\n"));

        // A file the process may not read is told apart from a damaged one, naming its folder.
        LinuxSysCalls denying;
        denying.openat = [](int, const char*, int, mode_t) { return errno = EACCES, -1; };
        const auto denied = LinuxFileSystem(AnsiCodePage::windows1251(), QString(), denying).readText(kept);
        QVERIFY2(denied.kind() == ErrorKind::PermissionDenied && denied.message().contains(m_dir->path()),
                 qPrintable(denied.message()));
        QCOMPARE(fs.readText(ini()).kind(), ErrorKind::Failed);

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
