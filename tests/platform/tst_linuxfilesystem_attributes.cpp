// Windows attributes kept as Samba's user.DOSATTRIB, and the search filters that read them.

#include "SysCallFaults.h"
#include "common/RealFiles.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <sys/xattr.h>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
using mirtal::platform::FindFilter;
using mirtal::platform::LinuxFileSystem;
using mirtal::platform::LinuxSysCalls;
using mirtal::test::dosAttrib;
using mirtal::test::failCall;
using mirtal::test::setDosAttrib;
namespace attr = mirtal::platform::attr;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// A folder that keeps user extended attributes: the temporary folder, /var/tmp, or the test's own folder.
QString xattrCapableParent()
{
    const QStringList candidates = {QDir::tempPath(), QStringLiteral("/var/tmp"),
                                    QCoreApplication::applicationDirPath()};
    for (const QString& parent : candidates) {
        QTemporaryDir probe(parent + QStringLiteral("/mirtal-xattr-probe-XXXXXX"));
        if (probe.isValid() && setDosAttrib(probe.path(), QByteArray("0x0", 4)))
            return parent;
    }
    return {};
}

} // namespace

class TestLinuxFileSystemAttributes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void storesTheSambaValue_data();
    void storesTheSambaValue();
    void directoryCarriesDirectoryBit();
    void fileNeverStoresDirectoryBit();
    void dotNameReadsHidden();

    void findFilters_data();
    void findFilters();

    void fileSystemWithoutXattrs();
    void setFailureIsReported_data();
    void setFailureIsReported();
    void readFailureIsReported();
    void missingPath();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString file(const QString& name) const;

    QString m_parent;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLinuxFileSystemAttributes::initTestCase()
{
    m_parent = xattrCapableParent();
    if (m_parent.isEmpty())
        QSKIP("No folder on this machine keeps user extended attributes (tried the temporary folder, "
              "/var/tmp and "
              "the test's folder): the attributes cannot be tested here.");
}

void TestLinuxFileSystemAttributes::init()
{
    m_dir = std::make_unique<QTemporaryDir>(m_parent + QStringLiteral("/mirtal-attributes-XXXXXX"));
    QVERIFY(m_dir->isValid());
}

QString TestLinuxFileSystemAttributes::file(const QString& name) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("x\r\n");
    return f.fileName();
}

void TestLinuxFileSystemAttributes::storesTheSambaValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<quint32>("read");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QByteArray>("stored");
    const QByteArray v5 =
        bytes({0, 0, 5, 0, 5, 0, 0, 0, 3, 0, 0, 0, 0x20, 0, 0, 0, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0x01});
    const QByteArray v4 =
        bytes({0, 0, 4, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0x21, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2});
    QByteArray v5Patched = v5;
    v5Patched[12] = 0x06;
    QByteArray v4Patched = v4;
    v4Patched[12] = 0x06;
    QTest::newRow("missing reads 0") << QByteArray() << 0u << 6u << QByteArray("0x6", 4);
    QTest::newRow("legacy with NUL") << QByteArray("0x6", 4) << 6u << 4u << QByteArray("0x4", 4);
    QTest::newRow("legacy without NUL, normal is not empty") << QByteArray("0x4") << 4u << 0u << QByteArray("0x0", 4);
    QTest::newRow("upper-case digits") << QByteArray("0x2A", 5) << 0x2Au << 4u << QByteArray("0x4", 4);
    QTest::newRow("garbage reads 0 and is replaced")
        << QByteArray("not an attribute") << 0u << 4u << QByteArray("0x4", 4);
    QTest::newRow("v5 blob patched in place") << v5 << 0x20u << 6u << v5Patched;
    QTest::newRow("v4 blob patched in place") << v4 << 0x21u << 6u << v4Patched;
}

void TestLinuxFileSystemAttributes::storesTheSambaValue()
{
    QFETCH(QByteArray, before);
    QFETCH(quint32, read);
    QFETCH(quint32, value);
    QFETCH(QByteArray, stored);
    const QString target = file(QStringLiteral("Desktop.ini"));
    if (!before.isEmpty())
        QVERIFY(setDosAttrib(target, before));
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QCOMPARE(*fs.attributes(target), read);
    const auto status = fs.setAttributes(target, value);
    QVERIFY2(status.isOk(), qPrintable(status.message()));
    QCOMPARE(dosAttrib(target), stored);
    QCOMPARE(*fs.attributes(target), value);
}

void TestLinuxFileSystemAttributes::directoryCarriesDirectoryBit()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Фото")));
    const QString folder = path(QStringLiteral("Фото"));
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QCOMPARE(*fs.attributes(folder), attr::Directory);

    QVERIFY(fs.setAttributes(folder, attr::System).isOk());
    QCOMPARE(dosAttrib(folder), QByteArray("0x14", 5));
    QCOMPARE(*fs.attributes(folder), attr::Directory | attr::System);

    QVERIFY(fs.setAttributes(folder, attr::Normal).isOk());
    QCOMPARE(dosAttrib(folder), QByteArray("0x10", 5));
    QCOMPARE(*fs.attributes(folder), attr::Directory);
}

void TestLinuxFileSystemAttributes::fileNeverStoresDirectoryBit()
{
    const QString target = file(QStringLiteral("Desktop.ini"));
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QVERIFY(fs.setAttributes(target, attr::Directory | attr::Hidden | attr::System).isOk());
    QCOMPARE(dosAttrib(target), QByteArray("0x6", 4));

    // A directory bit that another program stored on a file is not reported.
    QVERIFY(setDosAttrib(target, QByteArray("0x16", 5)));
    QCOMPARE(*fs.attributes(target), attr::Hidden | attr::System);
}

void TestLinuxFileSystemAttributes::dotNameReadsHidden()
{
    const QString target = file(QStringLiteral(".hidden"));
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QCOMPARE(*fs.attributes(target), attr::Hidden);
    QVERIFY(fs.setAttributes(target, attr::System).isOk());
    QCOMPARE(dosAttrib(target), QByteArray("0x4", 4));
    QCOMPARE(*fs.attributes(target), attr::Hidden | attr::System);
    QCOMPARE(*fs.attributes(m_dir->path() + QStringLiteral("/.")), attr::Directory);
}

void TestLinuxFileSystemAttributes::findFilters_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("normal");
    QTest::addColumn<bool>("withHiddenSystem");
    QTest::addColumn<bool>("withDirectories");
    QTest::newRow("plain file") << QStringLiteral("plain") << true << true << true;
    QTest::newRow("hidden by xattr") << QStringLiteral("hidden") << false << true << true;
    QTest::newRow("system by xattr") << QStringLiteral("system") << false << true << true;
    QTest::newRow("read-only by xattr") << QStringLiteral("readonly") << true << true << true;
    QTest::newRow("dot name") << QStringLiteral("dot") << false << true << true;
    QTest::newRow("directory Desktop.ini") << QStringLiteral("directory") << false << false << true;
    QTest::newRow("system directory") << QStringLiteral("systemdir") << false << false << true;
    QTest::newRow("symlink to a plain file") << QStringLiteral("symlink") << true << true << true;
    QTest::newRow("dangling symlink") << QStringLiteral("dangling") << false << false << false;
    QTest::newRow("FIFO") << QStringLiteral("fifo") << false << false << false;
    QTest::newRow("missing") << QStringLiteral("missing") << false << false << false;
    QTest::newRow("missing parent") << QStringLiteral("noparent") << false << false << false;
}

void TestLinuxFileSystemAttributes::findFilters()
{
    QFETCH(QString, kind);
    QFETCH(bool, normal);
    QFETCH(bool, withHiddenSystem);
    QFETCH(bool, withDirectories);

    QString target = path(QStringLiteral("Desktop.ini"));
    if (kind == QLatin1String("plain")) {
        file(QStringLiteral("Desktop.ini"));
    } else if (kind == QLatin1String("hidden") || kind == QLatin1String("system") ||
               kind == QLatin1String("readonly")) {
        file(QStringLiteral("Desktop.ini"));
        const char* value = kind == QLatin1String("hidden") ? "0x2" : kind == QLatin1String("system") ? "0x4" : "0x1";
        QVERIFY(setDosAttrib(target, QByteArray(value, 4)));
    } else if (kind == QLatin1String("dot")) {
        target = file(QStringLiteral(".Desktop.ini"));
    } else if (kind == QLatin1String("directory") || kind == QLatin1String("systemdir")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Desktop.ini")));
        if (kind == QLatin1String("systemdir"))
            QVERIFY(setDosAttrib(target, QByteArray("0x14", 5)));
    } else if (kind == QLatin1String("symlink")) {
        QVERIFY(QFile::link(file(QStringLiteral("real.ini")), target));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(path(QStringLiteral("nowhere.ini")), target));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    } else if (kind == QLatin1String("noparent")) {
        target = path(QStringLiteral("missing/Desktop.ini"));
    }

    const LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    QCOMPARE(fs.find(target, FindFilter::NormalFiles), normal);
    QCOMPARE(fs.find(target, FindFilter::FilesWithHiddenSystem), withHiddenSystem);
    QCOMPARE(fs.find(target, FindFilter::FilesAndDirectories), withDirectories);
}

void TestLinuxFileSystemAttributes::fileSystemWithoutXattrs()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    const QString target = file(QStringLiteral("Desktop.ini"));
    const QString folder = path(QStringLiteral("folder"));
    const QString dotted = file(QStringLiteral(".dotted"));
    LinuxSysCalls sys;
    sys.getxattr = [](const char*, const char*, void*, size_t) -> ssize_t {
        errno = ENOTSUP;
        return -1;
    };
    sys.setxattr = [](const char*, const char*, const void*, size_t, int) {
        errno = ENOTSUP;
        return -1;
    };
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);

    for (const QString& p : {target, folder, dotted}) {
        const auto status = fs.setAttributes(p, attr::Hidden | attr::System);
        QVERIFY2(status.isOk(), qPrintable(status.message()));
    }
    QCOMPARE(*fs.attributes(target), 0u);
    QCOMPARE(*fs.attributes(folder), attr::Directory);
    QCOMPARE(*fs.attributes(dotted), attr::Hidden);
    QVERIFY(fs.find(target, FindFilter::NormalFiles));
    QCOMPARE(dosAttrib(target), QByteArray());

    // Only the write unsupported: still a no-op.
    LinuxSysCalls writeOnly;
    failCall(writeOnly.setxattr, 1, EOPNOTSUPP);
    LinuxFileSystem fs2(AnsiCodePage::windows1251(), QString(), writeOnly);
    QVERIFY(fs2.setAttributes(target, attr::System).isOk());
}

void TestLinuxFileSystemAttributes::setFailureIsReported_data()
{
    QTest::addColumn<int>("error");
    QTest::newRow("EACCES") << EACCES;
    QTest::newRow("EPERM") << EPERM;
    QTest::newRow("EROFS") << EROFS;
    QTest::newRow("EIO") << EIO;
    QTest::newRow("ENOSPC") << ENOSPC;
}

void TestLinuxFileSystemAttributes::setFailureIsReported()
{
    QFETCH(int, error);
    const QString target = file(QStringLiteral("Desktop.ini"));
    QVERIFY(setDosAttrib(target, QByteArray("0x20", 5)));
    LinuxSysCalls sys;
    failCall(sys.setxattr, 1, error);
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto status = fs.setAttributes(target, attr::Hidden | attr::System);
    QVERIFY(!status.isOk());
    QCOMPARE(status.kind(), ErrorKind::Failed);
    QVERIFY2(status.message().contains(target), qPrintable(status.message()));
    QVERIFY2(status.message().contains(QString::fromLocal8Bit(std::strerror(error))), qPrintable(status.message()));
    QCOMPARE(dosAttrib(target), QByteArray("0x20", 5));
}

void TestLinuxFileSystemAttributes::readFailureIsReported()
{
    const QString target = file(QStringLiteral("Desktop.ini"));
    LinuxSysCalls sys;
    sys.getxattr = [](const char*, const char*, void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString(), sys);
    const auto read = fs.attributes(target);
    QVERIFY(!read.isOk());
    QVERIFY2(read.message().contains(QString::fromLocal8Bit(std::strerror(EIO))), qPrintable(read.message()));
    QVERIFY(!fs.setAttributes(target, attr::System).isOk());
    // Unknown attributes: not a normal file, but still a file.
    QVERIFY(!fs.find(target, FindFilter::NormalFiles));
    QVERIFY(fs.find(target, FindFilter::FilesWithHiddenSystem));
}

void TestLinuxFileSystemAttributes::missingPath()
{
    LinuxFileSystem fs(AnsiCodePage::windows1251(), QString());
    const QString target = path(QStringLiteral("Desktop.ini"));
    const auto read = fs.attributes(target);
    QVERIFY(!read.isOk());
    QCOMPARE(read.kind(), ErrorKind::NotFound);
    const auto set = fs.setAttributes(target, attr::System);
    QVERIFY(!set.isOk());
    QCOMPARE(set.kind(), ErrorKind::NotFound);
    QVERIFY2(set.message().contains(target), qPrintable(set.message()));
}

QTEST_GUILESS_MAIN(TestLinuxFileSystemAttributes)
#include "tst_linuxfilesystem_attributes.moc"
