// Where Windows attributes go on each kind of file system (over a kernel in memory): names, ioctls, kept bits,
// fallbacks and reported failures; and NTFS and FAT images, written through Linux, read back by their own tools.

#include "common/RealFiles.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <linux/msdos_fs.h>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
using mirtal::platform::FindFilter;
using mirtal::platform::LinuxFileSystem;
using mirtal::platform::LinuxSysCalls;
using namespace mirtal::test;
namespace attr = mirtal::platform::attr;

namespace {

constexpr quint32 kHiddenSystem = attr::Hidden | attr::System;

enum Flavour { Ext4, OtherFuse, Ntfs3, Ntfs3g, Cifs, Smb2, Vfat, Exfat };
// statfs' answer, and where the file system keeps the attributes itself (both SMB names reach "smb").
constexpr quint32 kMagic[] = {0xEF53, 0x65735546, 0x7366746e, 0x65735546, 0xFF534D42, 0xFE534D42, 0x4d44, 0x2011BAB0};
const char* const kNative[] = {"", "", "system.ntfs_attrib", "system.ntfs_attrib", "smb", "smb", "FAT", "FAT"};

// The attribute calls of a kernel: what statfs says, which extended attribute names it answers for, the FAT
// attribute byte, and a log of every change. stat, open and close are real, on real temporary files.
class FakeKernel final {
public:
    explicit FakeKernel(int flavour)
        : m_flavour(Flavour(flavour))
        , m_native(kNative[flavour])
    {
    }

    // The attributes as the file system keeps them; without a mechanism of its own, in Samba's binary form.
    void seed(const QString& path, quint32 bits)
    {
        QByteArray value = m_native.isEmpty() ? QByteArray("\0\0\5\0\5\0\0\0\1\0\0\0\0\0\0\0", 16) : QByteArray(4, 0);
        qToLittleEndian(bits, value.data() + value.size() - 4);
        values[QFile::encodeName(path)][m_native.isEmpty() ? "user.DOSATTRIB" : m_native] = value;
    }
    // Makes calls fail, each "<call> <name or -> <errno>" (get, set, ioctl-get, ioctl-set, statfs, open), '|' between
    // them; or "keep-as-ea": an SMB client that reports the attributes but keeps a write as a server EA. The errno.
    int fail(const QString& failing)
    {
        int error = 0;
        for (const QString& call : failing.split(u'|')) {
            const QList<QByteArray> words = call.toLatin1().split(' ');
            m_smbWritesAsEa |= call == QLatin1String("keep-as-ea");
            for (error = 0; words.size() == 3 && words[2] != strerrorname_np(++error);)
                Q_ASSERT(error < 200);
            m_failures[words[0] + ' ' + (words.value(1) == "-" ? QByteArray() : words.value(1))] = error;
        }
        return error;
    }

    LinuxSysCalls calls()
    {
        LinuxSysCalls sys;
        sys.statfs = [this](const char*, struct statfs* result) {
            *result = {};
            result->f_type = static_cast<decltype(result->f_type)>(kMagic[m_flavour]);
            return failed("statfs") ? -1 : 0;
        };
        sys.openat = [this](int dirFd, const char* path, int flags, mode_t mode) {
            const int fd = failed("open") ? -1 : ::openat(dirFd, path, flags, mode);
            m_openFds[fd] = path;
            writableOpens += fd >= 0 && (flags & O_ACCMODE) != O_RDONLY;
            return fd;
        };
        sys.getxattr = [this](const char* path, const char* name, void* value, size_t size) -> ssize_t {
            if (failed("get", name) || unknown(name))
                return -1;
            const QByteArray found = values[path].value(alias(name));
            errno = found.isNull() ? ENODATA : size < size_t(found.size()) ? ERANGE : 0;
            if (errno == 0)
                std::memcpy(value, found.constData(), size_t(found.size()));
            return errno == 0 ? found.size() : -1;
        };
        sys.setxattr = [this](const char* path, const char* name, const void* value, size_t size, int) {
            if (failed("set", name) || unknown(name)) {
                errno = errno == ENODATA ? EOPNOTSUPP : errno;
                return -1;
            }
            const QByteArray bytes(static_cast<const char*>(value), qsizetype(size));
            const bool u32 = size == 4 && qstrcmp(name, "user.DOSATTRIB") != 0;
            changes.append(QString::fromLatin1(name) + u' ' +
                           (u32                      ? hex(bytes)
                            : bytes.startsWith('\0') ? QString::fromLatin1(bytes.toHex())
                                                     : QString::fromLatin1(bytes.data())));
            values[path][m_smbWritesAsEa ? QByteArray(name) : alias(name)] = bytes;
            return 0;
        };
        sys.removexattr = [this](const char* path, const char* name) {
            changes.append(QStringLiteral("remove ") + QString::fromLatin1(name));
            return values[path].remove(m_smbWritesAsEa ? QByteArray(name) : alias(name)) ? 0 : -1;
        };
        sys.ioctl = [this](int fd, unsigned long request, void* argument) {
            QByteArray& byte = values[m_openFds.value(fd)]["FAT"];
            const bool get = request == FAT_IOCTL_GET_ATTRIBUTES;
            if (failed(get ? "ioctl-get" : "ioctl-set"))
                return -1;
            errno = ENOTTY;
            if (byte.size() != 4)
                return -1;
            if (get)
                std::memcpy(argument, byte.constData(), 4);
            else
                changes.append(QStringLiteral("FAT ") + hex(byte = QByteArray(static_cast<char*>(argument), 4)));
            return 0;
        };
        return sys;
    }

    QHash<QByteArray, QHash<QByteArray, QByteArray>> values; // by path and name
    QStringList changes; // "<name> <value>" (4 bytes as 0x<hex>, a blob in hex), "remove <name>", "FAT 0x<hex>"
    int writableOpens = 0;

private:
    static QString hex(const QByteArray& u32)
    {
        return QStringLiteral("0x%1").arg(qFromLittleEndian<quint32>(u32.constData()), 0, 16);
    }
    static QByteArray alias(const QByteArray& name)
    {
        return name == "user.smb3.dosattrib" || name == "user.cifs.dosattrib" ? "smb" : name;
    }
    bool failed(const QByteArray& call, const QByteArray& name = {})
    {
        errno = m_failures.value(call + ' ' + name);
        return errno != 0;
    }
    // Its own names (ntfs3 has more than one), and user EAs everywhere but on FAT (on SMB: the server's). A FUSE file
    // system that passes names on to a store keeping any finds an unknown one just absent.
    bool unknown(const QByteArray& name)
    {
        errno = m_flavour == OtherFuse ? ENODATA : EOPNOTSUPP;
        return !(name == m_native || (m_flavour == Ntfs3 && name.startsWith("system.")) ||
                 (name.startsWith("user.") && m_native != "FAT"));
    }

    Flavour m_flavour;
    QByteArray m_native;
    bool m_smbWritesAsEa = false;
    QHash<QByteArray, int> m_failures;
    QHash<int, QByteArray> m_openFds;
};

// Runs a program to its end; its output, with ok telling whether it succeeded.
QString run(const char* program, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString::fromLatin1(program), arguments);
    const bool finished = process.waitForFinished(60000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAll());
}

// The "RHSA" letters that the file system's own tool reads from the image.
QString lettersOnImage(bool ntfs, const QString& image, const QString& name)
{
    // ntfsinfo: the attributes of $STANDARD_INFORMATION, the ones Windows reports. mattrib: the letters before
    // the name, as in "  A  SH      ::/Photos/Desktop.ini".
    static const QRegularExpression standard(QStringLiteral(
        R"(\$STANDARD_INFORMATION[^\n]*\n(?:[^\n]*\n)*?\s*File attributes:[^(\n]*\(0x([0-9a-fA-F]+)\))"));
    const QString out = ntfs ? run("ntfsinfo", {QStringLiteral("-F"), name, image})
                             : run("mattrib", {QStringLiteral("-i"), image, QStringLiteral("::") + name});
    const QRegularExpressionMatch match = standard.match(out);
    const uint bits = match.captured(1).toUInt(nullptr, 16);
    QString letters;
    for (const auto& [bit, letter] : {std::pair(attr::ReadOnly, u'R'), std::pair(attr::Hidden, u'H'),
                                      std::pair(attr::System, u'S'), std::pair(attr::Archive, u'A')}) {
        if (ntfs ? (bits & bit) != 0 : out.left(out.indexOf(QStringLiteral("::"))).contains(letter))
            letters += letter;
    }
    return (ntfs ? match.hasMatch() : out.contains(QStringLiteral("::"))) ? letters : out;
}

} // namespace

class TestAttributeMechanisms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void writes_data();
    void writes();
    void failures_data();
    void failures();
    void findFilters();
    void imageReadByItsOwnTools_data();
    void imageReadByItsOwnTools();

private:
    QString file(const QString& name) const { return writeBytes(path(name), "x\r\n") ? path(name) : QString(); }
    QString folder(const QString& name) const { return QDir().mkdir(path(name)) ? path(name) : QString(); }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAttributeMechanisms::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestAttributeMechanisms::writes_data()
{
    QTest::addColumn<int>("flavour");
    QTest::addColumn<QString>("name"); // a folder ends in '/'
    QTest::addColumn<quint32>("before");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("change");
    QTest::addColumn<quint32>("reads");
    const auto row = [](const char* name, int flavour, const char* file, quint32 before, quint32 value,
                        const char* change, quint32 reads) {
        QTest::newRow(name) << flavour << QString::fromUtf8(file) << before << value << QString::fromLatin1(change)
                            << reads;
    };
    // The apply sets the file hidden + system and the folder system.
    row("ext4 file", Ext4, "Desktop.ini", 0, kHiddenSystem, "user.DOSATTRIB 0x6", 6);
    row("ext4 folder", Ext4, "Фото/", 0, attr::System, "user.DOSATTRIB 0x14", 0x14);
    // Sparse 0x200, compressed 0x800 and not-indexed 0x2000 survive; read-only and archive go. A value Samba
    // wrote in its binary form is patched in place.
    row("ext4 file, Samba's blob", Ext4, "Desktop.ini", 0x21, kHiddenSystem,
        "user.DOSATTRIB 00000500050000000100000006000000", 6);
    row("ntfs3 sparse compressed file", Ntfs3, "Desktop.ini", 0xA21, kHiddenSystem, "system.ntfs_attrib 0xa06", 0xA06);
    row("ntfs-3g not-indexed folder", Ntfs3g, "Фото/", 0x2013, attr::System, "system.ntfs_attrib 0x2014", 0x2014);
    row("vfat read-only archive file", Vfat, "Desktop.ini", 0x21, kHiddenSystem, "FAT 0x6", 6);
    // On SMB 0 would mean "leave unchanged", and a file never gets the directory bit.
    row("SMB normal file", Cifs, "Desktop.ini", 0x2027, attr::Normal, "user.smb3.dosattrib 0x80", 0x80);
    row("SMB normal folder", Smb2, "Фото/", 0x2027, attr::Normal, "user.smb3.dosattrib 0x10", 0x10);
    row("SMB file asked for the directory bit", Cifs, "Desktop.ini", 0x2027, 0x16, "user.smb3.dosattrib 0x6", 6);
    // Samba hides dot names of a Linux disk, so hidden is implied there and not stored; Windows reading NTFS, FAT
    // or an SMB server does not.
    row("ext4 dot name", Ext4, ".hidden.jpg", 0, attr::System, "user.DOSATTRIB 0x4", 6);
    row("ntfs3 dot name", Ntfs3, ".hidden.jpg", 0x20, attr::System, "system.ntfs_attrib 0x4", 4);
    row("vfat dot name", Vfat, ".hidden.jpg", 0x20, attr::System, "FAT 0x4", 4);
}

// One change by the file system's own mechanism, keeping the bits that are not ours; read back the same way, past
// a stale Samba value, and nothing opened for writing.
void TestAttributeMechanisms::writes()
{
    QFETCH(int, flavour);
    QFETCH(QString, name);
    QFETCH(quint32, before);
    QFETCH(quint32, value);
    QFETCH(QString, change);
    QFETCH(quint32, reads);
    const bool directory = name.endsWith(u'/');
    const QString target = directory ? folder(name.chopped(1)) : file(name);
    FakeKernel kernel(flavour);
    kernel.values[QFile::encodeName(target)]["user.DOSATTRIB"] = QByteArray("0x1", 4);
    if (before != 0)
        kernel.seed(target, before);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());
    const auto status = fs.setAttributes(target, value);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(kernel.changes, QStringList{change});
    QCOMPARE(kernel.writableOpens, 0);
    QCOMPARE(*fs.attributes(target), reads);
    QCOMPARE(fs.find(target, FindFilter::NormalFiles), !directory && (reads & kHiddenSystem) == 0);
}

void TestAttributeMechanisms::failures_data()
{
    QTest::addColumn<int>("flavour");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<int>("reads"); // the attributes read afterwards; -1: the read fails as well
    const auto row = [](const char* name, int flavour, const char* failing, bool ok, const char* changes, int reads) {
        QTest::newRow(name) << flavour << QString::fromLatin1(failing) << ok << QString::fromLatin1(changes) << reads;
    };
    row("statfs denied", Ext4, "statfs - EACCES", false, "", -1);
    row("statfs missing", Ntfs3, "statfs - ENOSYS", true, "user.DOSATTRIB 0x6", 6);
    row("ext4 without user xattrs", Ext4, "set user.DOSATTRIB EOPNOTSUPP", true, "", attr::Archive);
    row("ext4 write denied", Ext4, "set user.DOSATTRIB EACCES", false, "", attr::Archive);
    row("ext4 read I/O error", Ext4, "get user.DOSATTRIB EIO", false, "", -1);
    row("ntfs3 word unknown: no fallback", Ntfs3, "get system.ntfs_attrib EOPNOTSUPP", true, "", 0);
    row("ntfs3 write denied", Ntfs3, "set system.ntfs_attrib EACCES", false, "", attr::Archive);
    row("FUSE probe ENOSYS", OtherFuse, "get system.ntfs_attrib ENOSYS", true,
        "user.DOSATTRIB 00000500050000000100000006000000", 6);
    row("FUSE probe denied", OtherFuse, "get system.ntfs_attrib EACCES", false, "", -1);
    row("FUSE keeping nothing", OtherFuse, "get user.DOSATTRIB EOPNOTSUPP|set user.DOSATTRIB EOPNOTSUPP", true, "", 0);
    row("SMB older name only", Cifs, "get user.smb3.dosattrib EOPNOTSUPP|set user.smb3.dosattrib EOPNOTSUPP", true,
        "user.cifs.dosattrib 0x6", 6);
    // Without the pseudo-attribute the name is an ordinary server EA: nothing is written at all.
    row("SMB without the pseudo-attribute", Smb2, "get user.smb3.dosattrib ENODATA", true, "", 0);
    // The stray EA is taken back and nothing else tried (never user.DOSATTRIB over SMB).
    row("SMB write kept as a server EA", Smb2, "keep-as-ea", true, "user.smb3.dosattrib 0x6|remove user.smb3.dosattrib",
        attr::Archive);
    row("SMB read denied", Cifs, "get user.smb3.dosattrib EACCES", false, "", -1);
    row("SMB write I/O error", Smb2, "set user.smb3.dosattrib EIO", false, "", attr::Archive);
    row("exFAT before the ioctls", Exfat, "ioctl-get - ENOTTY", true, "", 0);
    row("FAT root refused", Vfat, "ioctl-set - EINVAL", true, "", attr::Archive);
    row("FAT system bit refused", Vfat, "ioctl-set - EPERM", false, "", attr::Archive);
    row("FAT open denied", Vfat, "open - EACCES", false, "", -1);
}

// What the file system cannot do falls through to the next mechanism or to nothing; permission and I/O errors are
// reported, naming the file and the error. A file whose attributes cannot be read is no normal file, but a file.
void TestAttributeMechanisms::failures()
{
    QFETCH(int, flavour);
    QFETCH(QString, failing);
    QFETCH(bool, ok);
    QFETCH(QString, changes);
    QFETCH(int, reads);
    const QString ini = file(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(flavour);
    kernel.seed(ini, attr::Archive);
    const int error = kernel.fail(failing);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(ini, kHiddenSystem);
    QCOMPARE(status.isOk(), ok);
    QCOMPARE(kernel.changes.join(u'|'), changes);
    const auto read = fs.attributes(ini);
    QCOMPARE(read.isOk() ? int(*read) : -1, reads);
    for (const auto& [failed, message] : {std::pair(!ok, status.message()), std::pair(reads < 0, read.message())}) {
        for (const QString& piece : {ini, QString::fromLocal8Bit(std::strerror(error))})
            QVERIFY2(!failed || message.contains(piece), qPrintable(message));
    }
    QVERIFY(ok || status.kind() == ErrorKind::Failed);
    // Only privilege lets FAT take the system bit; the user is told which.
    QVERIFY(error != EPERM || status.message().contains(QStringLiteral("CAP_LINUX_IMMUTABLE")));
    QCOMPARE(fs.find(ini, FindFilter::NormalFiles), reads >= 0 && (quint32(reads) & kHiddenSystem) == 0);
    QVERIFY(fs.find(ini, FindFilter::FilesWithHiddenSystem));
}

// What each search finds beyond hidden and system files: read-only is normal, a directory only with its filter,
// and never a FIFO, a dangling link or anything missing.
void TestAttributeMechanisms::findFilters()
{
    FakeKernel kernel(Ext4);
    kernel.values[QFile::encodeName(file(QStringLiteral("read-only")))]["user.DOSATTRIB"] = QByteArray("0x1", 4);
    folder(QStringLiteral("folder"));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling"))));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());
    for (const auto& [name, matches] :
         {std::pair("read-only", "111"), std::pair("folder", "001"), std::pair("dangling", "000"),
          std::pair("fifo", "000"), std::pair("missing/parent", "000")}) {
        QString found; // by NormalFiles, FilesWithHiddenSystem, FilesAndDirectories
        for (const auto filter :
             {FindFilter::NormalFiles, FindFilter::FilesWithHiddenSystem, FindFilter::FilesAndDirectories})
            found += fs.find(path(QString::fromLatin1(name)), filter) ? u'1' : u'0';
        QVERIFY2(found == QLatin1String(matches), name);
    }
    const auto set = fs.setAttributes(path(QStringLiteral("missing")), attr::System);
    QVERIFY2(set.kind() == ErrorKind::NotFound && set.message().contains(path(QStringLiteral("missing"))),
             qPrintable(set.message()));
    QCOMPARE(fs.attributes(path(QStringLiteral("missing"))).kind(), ErrorKind::NotFound);
}

void TestAttributeMechanisms::imageReadByItsOwnTools_data()
{
    QTest::addColumn<QString>("driver");
    QTest::newRow("NTFS through ntfs-3g (FUSE)") << QStringLiteral("ntfs-3g");
    QTest::newRow("NTFS through the kernel's ntfs3") << QStringLiteral("ntfs3");
    QTest::newRow("FAT through the kernel's vfat") << QStringLiteral("vfat");
}

// What Windows will see: an image mounted the way Linux mounts it gets its settings through LinuxFileSystem, and
// is read unmounted by the file system's own tools, not by our code. Skips, saying why, without root or the tools.
void TestAttributeMechanisms::imageReadByItsOwnTools()
{
    QFETCH(QString, driver);
    const bool ntfs = driver != QLatin1String("vfat");
    if (::geteuid() != 0)
        QSKIP("Mounting an image needs root.");
    const QString image = path(QStringLiteral("disk.img"));
    const QString point = folder(QStringLiteral("mnt"));
    QVERIFY(writeBytes(image, QByteArray(16 * 1024 * 1024, 0)));
    bool ok = false;
    const QString made =
        ntfs ? run("mkntfs", {QStringLiteral("-F"), QStringLiteral("-Q"), image}, &ok) : run("mkfs.vfat", {image}, &ok);
    if (!ok || QStandardPaths::findExecutable(ntfs ? QStringLiteral("ntfsinfo") : QStringLiteral("mattrib")).isEmpty())
        QSKIP(qPrintable(QStringLiteral("The tools are not installed (ntfs-3g, dosfstools, mtools): ") + made));
    qputenv("MTOOLS_SKIP_CHECK", "1"); // the image is not partitioned as a disk

    // Through a loop device, so that ntfs-3g too has written everything back when umount returns.
    const QString mounting =
        run("mount", {QStringLiteral("-t"), driver, QStringLiteral("-o"), QStringLiteral("loop"), image, point}, &ok);
    if (!ok)
        QSKIP(qPrintable(QStringLiteral("Cannot mount the image here: ") + mounting));
    const auto unmount = qScopeGuard([&] { run("umount", {QStringLiteral("-l"), point}); });

    const QString photos = point + QStringLiteral("/Photos");
    const QString ini = photos + QStringLiteral("/Desktop.ini");
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QVERIFY(fs.makeDirectory(photos).isOk());
    QVERIFY(fs.writeText(ini, QStringLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]")).isOk());
    for (const auto& [target, bits] : {std::pair(ini, kHiddenSystem), std::pair(photos, attr::System)}) {
        const auto status = fs.setAttributes(target, bits);
        QVERIFY2(status.isOk(), qPrintable(status.message()));
    }
    run("umount", {point}, &ok);
    QVERIFY(ok);
    QCOMPARE(lettersOnImage(ntfs, image, QStringLiteral("/Photos/Desktop.ini")), QStringLiteral("HS"));
    QCOMPARE(lettersOnImage(ntfs, image, QStringLiteral("/Photos")), QStringLiteral("S"));
}

QTEST_GUILESS_MAIN(TestAttributeMechanisms)
#include "tst_attribute_mechanisms.moc"
