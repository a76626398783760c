// Where the Windows attributes go on each file system, chosen by statfs and a read-only probe, over a kernel in
// memory: which names and ioctls are used, which never are, and which failures fall through or are reported.

#include "FakeKernel.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
using mirtal::platform::FindFilter;
using mirtal::platform::LinuxFileSystem;
using mirtal::test::FakeKernel;
using Flavour = mirtal::test::FakeKernel::Flavour;
namespace attr = mirtal::platform::attr;

Q_DECLARE_METATYPE(FakeKernel::Flavour)

namespace {

constexpr quint32 kHiddenSystem = attr::Hidden | attr::System;

QStringList list(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out.append(QString::fromLatin1(item));
    return out;
}

int errnoNamed(const QByteArray& name)
{
    static const QHash<QByteArray, int> known = {
        {"EACCES", EACCES},   {"EIO", EIO},       {"EPERM", EPERM},   {"EROFS", EROFS},   {"ENOTSUP", ENOTSUP},
        {"ENODATA", ENODATA}, {"ENOSYS", ENOSYS}, {"ENOTTY", ENOTTY}, {"EINVAL", EINVAL}, {"EOPNOTSUPP", EOPNOTSUPP},
    };
    return known.value(name, -1);
}

} // namespace

class TestAttributeMechanisms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void applyAndRead_data();
    void applyAndRead();
    void keepsBitsItDoesNotOwn_data();
    void keepsBitsItDoesNotOwn();
    void smbValues_data();
    void smbValues();
    void smbOlderNameOnly();
    void smbWriteKeptAsServerEa();
    void smbWithoutPseudoAttribute();
    void fatSystemBitRefused();
    void failures_data();
    void failures();
    void readingFollowsTheChoice_data();
    void readingFollowsTheChoice();
    void dotNames_data();
    void dotNames();

private:
    QString makeFile(const QString& name) const;
    QString makeFolder(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAttributeMechanisms::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestAttributeMechanisms::makeFile(const QString& name) const
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("x\r\n");
    return file.fileName();
}

QString TestAttributeMechanisms::makeFolder(const QString& name) const
{
    return QDir(m_dir->path()).mkdir(name) ? m_dir->filePath(name) : QString();
}

void TestAttributeMechanisms::applyAndRead_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<QStringList>("fileChanges");
    QTest::addColumn<QStringList>("folderChanges");

    const QStringList sambaFile = list({"user.DOSATTRIB 0x6"});
    const QStringList sambaFolder = list({"user.DOSATTRIB 0x14"});
    QTest::newRow("ext4") << Flavour::Ext4 << sambaFile << sambaFolder;
    QTest::newRow("xfs") << Flavour::Xfs << sambaFile << sambaFolder;
    QTest::newRow("btrfs") << Flavour::Btrfs << sambaFile << sambaFolder;
    QTest::newRow("tmpfs") << Flavour::Tmpfs << sambaFile << sambaFolder;
    QTest::newRow("FUSE, not ntfs-3g") << Flavour::OtherFuse << sambaFile << sambaFolder;

    // Archive is cleared on the file; the folder keeps its directory bit.
    const QStringList ntfsFile = list({"system.ntfs_attrib 0x6"});
    const QStringList ntfsFolder = list({"system.ntfs_attrib 0x14"});
    QTest::newRow("ntfs3") << Flavour::Ntfs3 << ntfsFile << ntfsFolder;
    QTest::newRow("ntfs-3g") << Flavour::Ntfs3g << ntfsFile << ntfsFolder;

    const QStringList smbFile = list({"user.smb3.dosattrib 0x6"});
    const QStringList smbFolder = list({"user.smb3.dosattrib 0x14"});
    QTest::newRow("cifs") << Flavour::Cifs << smbFile << smbFolder;
    QTest::newRow("smb2") << Flavour::Smb2 << smbFile << smbFolder;

    QTest::newRow("vfat") << Flavour::Vfat << list({"FAT 0x6"}) << list({"FAT 0x14"});
    QTest::newRow("exfat") << Flavour::Exfat << list({"FAT 0x6"}) << list({"FAT 0x14"});
}

// The apply sequence: the file hidden + system, the folder system. Exactly one change each, by the file
// system's own mechanism, and read back the same way.
void TestAttributeMechanisms::applyAndRead()
{
    QFETCH(Flavour, flavour);
    QFETCH(QStringList, fileChanges);
    QFETCH(QStringList, folderChanges);

    const QString folder = makeFolder(QStringLiteral("Фото"));
    const QString file = makeFile(QStringLiteral("Фото/Desktop.ini"));
    FakeKernel kernel(flavour);
    kernel.seed(file, false);
    kernel.seed(folder, true);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto fileSet = fs.setAttributes(file, kHiddenSystem);
    QVERIFY2(fileSet.isOk(), qPrintable(fileSet.message()));
    QCOMPARE(kernel.changes(), fileChanges);
    const auto folderSet = fs.setAttributes(folder, attr::System);
    QVERIFY2(folderSet.isOk(), qPrintable(folderSet.message()));
    QCOMPARE(kernel.changes(), fileChanges + folderChanges);
    QCOMPARE(kernel.writableOpens(), 0);

    QCOMPARE(*fs.attributes(file), kHiddenSystem);
    QCOMPARE(*fs.attributes(folder), attr::Directory | attr::System);
    QVERIFY(!fs.find(file, FindFilter::NormalFiles));
    QVERIFY(fs.find(file, FindFilter::FilesWithHiddenSystem));

    // Setting the same value again changes nothing on the native mechanisms and repeats the rest harmlessly.
    QVERIFY(fs.setAttributes(file, kHiddenSystem).isOk());
    QCOMPARE(*fs.attributes(file), kHiddenSystem);
}

void TestAttributeMechanisms::keepsBitsItDoesNotOwn_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<quint32>("before");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("change");

    // Sparse 0x200 and compressed 0x800 survive; read-only and archive go.
    QTest::newRow("ntfs3 sparse compressed file")
        << Flavour::Ntfs3 << false << 0xA21u << kHiddenSystem << QStringLiteral("system.ntfs_attrib 0xa06");
    QTest::newRow("ntfs-3g not-indexed folder")
        << Flavour::Ntfs3g << true << 0x2013u << attr::System << QStringLiteral("system.ntfs_attrib 0x2014");
    QTest::newRow("ntfs3 back to normal")
        << Flavour::Ntfs3 << false << 0x806u << attr::Normal << QStringLiteral("system.ntfs_attrib 0x800");
    QTest::newRow("vfat read-only archive file")
        << Flavour::Vfat << false << 0x21u << kHiddenSystem << QStringLiteral("FAT 0x6");
    QTest::newRow("vfat hidden folder") << Flavour::Vfat << true << 0x12u << attr::System << QStringLiteral("FAT 0x14");
}

void TestAttributeMechanisms::keepsBitsItDoesNotOwn()
{
    QFETCH(Flavour, flavour);
    QFETCH(bool, directory);
    QFETCH(quint32, before);
    QFETCH(quint32, value);
    QFETCH(QString, change);

    const QString path = directory ? makeFolder(QStringLiteral("folder")) : makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(flavour);
    if (flavour == Flavour::Vfat)
        kernel.setFat(path, before);
    else
        kernel.setU32(path, "system.ntfs_attrib", before);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(path, value);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(kernel.changes(), QStringList{change});
}

void TestAttributeMechanisms::smbValues_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("change");

    // 0 would mean "leave unchanged" on the wire; a file never gets the directory bit.
    QTest::newRow("normal file") << Flavour::Cifs << false << attr::Normal
                                 << QStringLiteral("user.smb3.dosattrib 0x80");
    QTest::newRow("normal folder") << Flavour::Smb2 << true << attr::Normal
                                   << QStringLiteral("user.smb3.dosattrib 0x10");
    QTest::newRow("file asked for the directory bit")
        << Flavour::Cifs << false << (attr::Directory | kHiddenSystem) << QStringLiteral("user.smb3.dosattrib 0x6");
    QTest::newRow("read-only archive file")
        << Flavour::Smb2 << false << (attr::ReadOnly | attr::Archive) << QStringLiteral("user.smb3.dosattrib 0x21");
}

void TestAttributeMechanisms::smbValues()
{
    QFETCH(Flavour, flavour);
    QFETCH(bool, directory);
    QFETCH(quint32, value);
    QFETCH(QString, change);

    const QString path = directory ? makeFolder(QStringLiteral("folder")) : makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(flavour);
    kernel.setU32(path, "user.smb3.dosattrib", 0x2027);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(path, value);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(kernel.changes(), QStringList{change});
}

void TestAttributeMechanisms::smbOlderNameOnly()
{
    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(Flavour::Cifs);
    kernel.seed(file, false);
    kernel.fail("get", "user.smb3.dosattrib", EOPNOTSUPP);
    kernel.fail("set", "user.smb3.dosattrib", EOPNOTSUPP);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    QVERIFY(fs.setAttributes(file, kHiddenSystem).isOk());
    QCOMPARE(kernel.changes(), list({"user.cifs.dosattrib 0x6"}));
    QCOMPARE(*fs.attributes(file), kHiddenSystem);
}

// A kernel that reports the attributes but keeps the write as a server EA: the stray EA is taken back, nothing
// else is tried (never user.DOSATTRIB over SMB), and the file reads as the server has it.
void TestAttributeMechanisms::smbWriteKeptAsServerEa()
{
    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(Flavour::Smb2);
    kernel.seed(file, false);
    kernel.keepSmbWritesAsEa();
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(file, kHiddenSystem);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(kernel.changes(), list({"user.smb3.dosattrib 0x6", "remove user.smb3.dosattrib"}));
    QCOMPARE(*fs.attributes(file), attr::Archive);
    QVERIFY(fs.find(file, FindFilter::NormalFiles));
}

// Without the pseudo-attribute the name is an ordinary server EA: nothing is written at all.
void TestAttributeMechanisms::smbWithoutPseudoAttribute()
{
    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(Flavour::Cifs);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    QVERIFY(fs.setAttributes(file, kHiddenSystem).isOk());
    QCOMPARE(kernel.changes(), QStringList());
    QCOMPARE(*fs.attributes(file), 0u);
}

void TestAttributeMechanisms::fatSystemBitRefused()
{
    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(Flavour::Vfat);
    kernel.seed(file, false);
    kernel.fail("ioctl-set", {}, EPERM);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(file, kHiddenSystem);
    QVERIFY(!status.isOk());
    QCOMPARE(status.kind(), ErrorKind::Failed);
    QVERIFY2(status.message().contains(file), qPrintable(status.message()));
    QVERIFY2(status.message().contains(QStringLiteral("CAP_LINUX_IMMUTABLE")), qPrintable(status.message()));
}

void TestAttributeMechanisms::failures_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<QStringList>("failing"); // "<call> <name> <errno>", name "-" for none
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("changes");

    const QStringList none;
    const QStringList samba = list({"user.DOSATTRIB 0x6"});
    QTest::newRow("statfs denied") << Flavour::Ext4 << list({"statfs - EACCES"}) << false << none;
    QTest::newRow("statfs missing") << Flavour::Ntfs3 << list({"statfs - ENOSYS"}) << true << samba;
    QTest::newRow("ext4 without user xattrs")
        << Flavour::Ext4 << list({"set user.DOSATTRIB EOPNOTSUPP"}) << true << none;
    QTest::newRow("ntfs3 word unknown: no fallback to EAs")
        << Flavour::Ntfs3 << list({"get system.ntfs_attrib EOPNOTSUPP"}) << true << none;
    QTest::newRow("ntfs3 read I/O error") << Flavour::Ntfs3 << list({"get system.ntfs_attrib EIO"}) << false << none;
    QTest::newRow("ntfs3 write denied") << Flavour::Ntfs3 << list({"set system.ntfs_attrib EACCES"}) << false << none;
    QTest::newRow("FUSE probe ENOSYS") << Flavour::OtherFuse << list({"get system.ntfs_attrib ENOSYS"}) << true
                                       << samba;
    QTest::newRow("FUSE probe denied") << Flavour::OtherFuse << list({"get system.ntfs_attrib EACCES"}) << false
                                       << none;
    QTest::newRow("FUSE keeping nothing")
        << Flavour::OtherFuse << list({"get user.DOSATTRIB ENOTSUP", "set user.DOSATTRIB ENOTSUP"}) << true << none;
    QTest::newRow("ntfs-3g read-only mount")
        << Flavour::Ntfs3g << list({"set system.ntfs_attrib EROFS"}) << false << none;
    QTest::newRow("SMB names both unknown")
        << Flavour::Cifs << list({"get user.smb3.dosattrib ENOTSUP", "get user.cifs.dosattrib EOPNOTSUPP"}) << true
        << none;
    QTest::newRow("SMB read denied") << Flavour::Cifs << list({"get user.smb3.dosattrib EACCES"}) << false << none;
    QTest::newRow("SMB write I/O error") << Flavour::Smb2 << list({"set user.smb3.dosattrib EIO"}) << false << none;
    QTest::newRow("exFAT before the ioctls") << Flavour::Exfat << list({"ioctl-get - ENOTTY"}) << true << none;
    QTest::newRow("FAT root refused") << Flavour::Vfat << list({"ioctl-set - EINVAL"}) << true << none;
    QTest::newRow("FAT read-only mount") << Flavour::Vfat << list({"ioctl-set - EROFS"}) << false << none;
    QTest::newRow("FAT open denied") << Flavour::Vfat << list({"open - EACCES"}) << false << none;
}

// What the file system cannot do falls through to the next mechanism or to nothing; permission and I/O errors are
// reported, naming the file.
void TestAttributeMechanisms::failures()
{
    QFETCH(Flavour, flavour);
    QFETCH(QStringList, failing);
    QFETCH(bool, ok);
    QFETCH(QStringList, changes);

    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(flavour);
    kernel.seed(file, false);
    for (const QString& failure : failing) {
        const QList<QByteArray> parts = failure.toLatin1().split(' ');
        QCOMPARE(parts.size(), 3);
        const int error = errnoNamed(parts[2]);
        QVERIFY(error > 0);
        kernel.fail(parts[0], parts[1] == "-" ? QByteArray() : parts[1], error);
    }
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    const auto status = fs.setAttributes(file, kHiddenSystem);
    QCOMPARE(status.isOk(), ok);
    if (!ok) {
        QCOMPARE(status.kind(), ErrorKind::Failed);
        QVERIFY2(status.message().contains(file), qPrintable(status.message()));
    }
    QCOMPARE(kernel.changes(), changes);
}

void TestAttributeMechanisms::readingFollowsTheChoice_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("ext4: Samba's value") << Flavour::Ext4 << attr::Normal;
    QTest::newRow("other FUSE: Samba's value") << Flavour::OtherFuse << attr::Normal;
    QTest::newRow("ntfs3: the NTFS word") << Flavour::Ntfs3 << attr::Hidden;
    QTest::newRow("ntfs-3g: the NTFS word") << Flavour::Ntfs3g << attr::Hidden;
    QTest::newRow("cifs: the server's attributes") << Flavour::Cifs << attr::Hidden;
    QTest::newRow("vfat: the entry's byte") << Flavour::Vfat << attr::Hidden;
}

// A file whose own mechanism says hidden carries a stale Samba value that says normal: only the mechanism of the
// file system counts, for attributes() and for the search that skips hidden files.
void TestAttributeMechanisms::readingFollowsTheChoice()
{
    QFETCH(Flavour, flavour);
    QFETCH(quint32, expected);

    const QString file = makeFile(QStringLiteral("Desktop.ini"));
    FakeKernel kernel(flavour);
    kernel.setU32(file, "system.ntfs_attrib", attr::Hidden);
    kernel.setU32(file, "user.smb3.dosattrib", attr::Hidden);
    kernel.setFat(file, attr::Hidden);
    kernel.setRaw(file, "user.DOSATTRIB", QByteArray("0x0", 4));
    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());

    QCOMPARE(*fs.attributes(file), expected);
    QCOMPARE(fs.find(file, FindFilter::NormalFiles), expected == attr::Normal);
    QVERIFY(fs.find(file, FindFilter::FilesWithHiddenSystem));
}

void TestAttributeMechanisms::dotNames_data()
{
    QTest::addColumn<Flavour>("flavour");
    QTest::addColumn<bool>("keepsNothing");
    QTest::addColumn<quint32>("expected");

    // Samba hides dot names of a Linux disk; Windows reading NTFS, FAT or an SMB server does not.
    QTest::newRow("ext4") << Flavour::Ext4 << false << attr::Hidden;
    QTest::newRow("ext4 without xattrs") << Flavour::Ext4 << true << attr::Hidden;
    QTest::newRow("other FUSE") << Flavour::OtherFuse << false << attr::Hidden;
    QTest::newRow("ntfs3") << Flavour::Ntfs3 << false << attr::Archive;
    QTest::newRow("ntfs3 without the word") << Flavour::Ntfs3 << true << attr::Normal;
    QTest::newRow("cifs") << Flavour::Cifs << false << attr::Archive;
    QTest::newRow("vfat") << Flavour::Vfat << false << attr::Archive;
}

void TestAttributeMechanisms::dotNames()
{
    QFETCH(Flavour, flavour);
    QFETCH(bool, keepsNothing);
    QFETCH(quint32, expected);

    const QString file = makeFile(QStringLiteral(".hidden.jpg"));
    FakeKernel kernel(flavour);
    kernel.seed(file, false);
    if (keepsNothing) {
        for (const char* name : {"user.DOSATTRIB", "system.ntfs_attrib"})
            kernel.fail("get", name, EOPNOTSUPP);
    }
    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), kernel.calls());
    QCOMPARE(*fs.attributes(file), expected);
}

QTEST_GUILESS_MAIN(TestAttributeMechanisms)
#include "tst_attribute_mechanisms.moc"
