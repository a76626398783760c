// The program's apply and remove on small NTFS and FAT images, mounted the ways Linux mounts them; the attributes
// are then read from the unmounted image by the file system's own tools (ntfsinfo, mattrib), not by our code.

#include "RealPeers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/vfs.h>
#include <unistd.h>

using namespace mirtal;
using mirtal::test::Daemon;
using mirtal::test::findTool;
using mirtal::test::kernelHas;
using mirtal::test::ProgramOnFolder;
using mirtal::test::runTool;
namespace attr = mirtal::platform::attr;

namespace {

constexpr qint64 kImageSize = 16 * 1024 * 1024;
constexpr long kFuseMagic = 0x65735546;

enum class Disk { Ntfs3g, Ntfs3, Vfat };

bool isNtfs(Disk disk) { return disk != Disk::Vfat; }

// Windows attribute letters in a fixed order, without the directory bit.
QString letters(quint32 bits)
{
    QString out;
    if (bits & attr::ReadOnly)
        out += u'R';
    if (bits & attr::Hidden)
        out += u'H';
    if (bits & attr::System)
        out += u'S';
    if (bits & attr::Archive)
        out += u'A';
    return out;
}

// What the machine lacks for that disk, empty when it has everything.
QString missingFor(Disk disk)
{
    if (::geteuid() != 0)
        return QStringLiteral("mounting an image needs root");
    const bool ntfs = isNtfs(disk);
    const QStringList tools = ntfs ? QStringList{QStringLiteral("mkntfs"), QStringLiteral("ntfsinfo")}
                                   : QStringList{QStringLiteral("mkfs.vfat"), QStringLiteral("mattrib")};
    for (const QString& tool : tools) {
        if (findTool(tool).isEmpty())
            return QStringLiteral("%1 is not installed (packages ntfs-3g, dosfstools, mtools)").arg(tool);
    }
    switch (disk) {
    case Disk::Ntfs3g:
        if (findTool(QStringLiteral("ntfs-3g")).isEmpty())
            return QStringLiteral("ntfs-3g is not installed");
        if (!kernelHas("fuse") || !QFile::exists(QStringLiteral("/dev/fuse")))
            return QStringLiteral("the kernel offers no FUSE (/dev/fuse)");
        return {};
    case Disk::Ntfs3:
        if (!kernelHas("ntfs3"))
            return QStringLiteral("the kernel has no ntfs3 driver");
        break;
    case Disk::Vfat:
        if (!kernelHas("vfat"))
            return QStringLiteral("the kernel has no vfat driver");
        break;
    }
    if (!QFile::exists(QStringLiteral("/dev/loop-control")))
        return QStringLiteral("there are no loop devices");
    return {};
}

// A mounted image; unmounted again however the test ends.
class Mount final {
public:
    Mount(Disk disk, QString image, QString point)
        : m_disk(disk)
        , m_image(std::move(image))
        , m_point(std::move(point))
    {
    }
    ~Mount()
    {
        if (!unmount()) {
            runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_point});
            m_ntfs3g.stop();
        }
    }
    Q_DISABLE_COPY_MOVE(Mount)

    // Empty on success, else why it failed.
    QString mount()
    {
        if (m_disk == Disk::Ntfs3g) {
            if (!m_ntfs3g.start(findTool(QStringLiteral("ntfs-3g")),
                                {QStringLiteral("-o"), QStringLiteral("no_detach"), m_image, m_point}))
                return QStringLiteral("ntfs-3g did not start");
            const QDeadlineTimer deadline(10000);
            while (!deadline.hasExpired()) {
                struct statfs info {};
                if (::statfs(QFile::encodeName(m_point).constData(), &info) == 0 && info.f_type == kFuseMagic) {
                    m_mounted = true;
                    return {};
                }
                if (m_ntfs3g.waitForExit(50))
                    break;
            }
            m_ntfs3g.stop();
            return QStringLiteral("ntfs-3g did not mount the image: ") + m_ntfs3g.output();
        }
        QString options = QStringLiteral("loop");
        if (m_disk == Disk::Vfat)
            options += QStringLiteral(",utf8");
        const auto run =
            runTool(QStringLiteral("mount"),
                    {QStringLiteral("-t"), m_disk == Disk::Vfat ? QStringLiteral("vfat") : QStringLiteral("ntfs3"),
                     QStringLiteral("-o"), options, m_image, m_point});
        m_mounted = run.ok();
        return m_mounted ? QString() : QStringLiteral("mount failed: ") + run.text();
    }

    // Written through to the image when this returns.
    bool unmount()
    {
        if (!m_mounted)
            return true;
        m_mounted = !runTool(QStringLiteral("umount"), {m_point}).ok();
        if (m_mounted)
            return false;
        if (m_disk == Disk::Ntfs3g) {
            // ntfs-3g closes the image only as it exits.
            m_ntfs3g.waitForExit(15000);
            m_ntfs3g.stop();
        }
        return true;
    }

private:
    Disk m_disk;
    QString m_image;
    QString m_point;
    Daemon m_ntfs3g;
    bool m_mounted = false;
};

} // namespace

Q_DECLARE_METATYPE(Disk)

class TestAttributesDiskImages final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The image is not partitioned as a disk; mtools need not check that.
    void initTestCase() { qputenv("MTOOLS_SKIP_CHECK", "1"); }
    void applyAndRemove_data();
    void applyAndRemove();

private:
    // The attribute letters that the file system's tool reads from the image; "absent" when the name is not there.
    static QString lettersOnImage(Disk disk, const QString& image, const QString& name);
};

QString TestAttributesDiskImages::lettersOnImage(Disk disk, const QString& image, const QString& name)
{
    if (isNtfs(disk)) {
        const auto run = runTool(findTool(QStringLiteral("ntfsinfo")), {QStringLiteral("-F"), name, image});
        const QString text = run.text();
        // The attributes of $STANDARD_INFORMATION are the ones Windows reports.
        static const QRegularExpression standard(QStringLiteral(
            R"(\$STANDARD_INFORMATION[^\n]*\n(?:[^\n]*\n)*?\s*File attributes:[^(\n]*\(0x([0-9a-fA-F]+)\))"));
        const QRegularExpressionMatch match = standard.match(text);
        if (!match.hasMatch()) {
            if (text.contains(QStringLiteral("No such file")))
                return QStringLiteral("absent");
            qWarning().noquote() << "ntfsinfo:" << text;
            return QStringLiteral("<no answer>");
        }
        return letters(match.captured(1).toUInt(nullptr, 16));
    }
    const auto run =
        runTool(findTool(QStringLiteral("mattrib")), {QStringLiteral("-i"), image, QStringLiteral("::") + name});
    if (run.text().contains(QStringLiteral("not found")))
        return QStringLiteral("absent");
    // "  A  SH      ::/Photos/Desktop.ini": the letters stand before the name.
    const QString out = QString::fromLocal8Bit(run.out);
    const qsizetype at = out.indexOf(QStringLiteral("::"));
    if (!run.ok() || at < 0) {
        qWarning().noquote() << "mattrib:" << run.text();
        return QStringLiteral("<no answer>");
    }
    QString found;
    for (const QChar letter : QStringLiteral("RHSA"))
        if (out.left(at).contains(letter))
            found += letter;
    return found;
}

void TestAttributesDiskImages::applyAndRemove_data()
{
    QTest::addColumn<Disk>("disk");
    QTest::newRow("NTFS through ntfs-3g (FUSE)") << Disk::Ntfs3g;
    QTest::newRow("NTFS through the kernel's ntfs3") << Disk::Ntfs3;
    QTest::newRow("FAT through the kernel's vfat") << Disk::Vfat;
}

void TestAttributesDiskImages::applyAndRemove()
{
    QFETCH(Disk, disk);
    if (const QString missing = missingFor(disk); !missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("Cannot mount the image here: %1. The choice of mechanism is covered by "
                                        "tst_attribute_mechanisms.")
                             .arg(missing)));

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString image = work.filePath(QStringLiteral("disk.img"));
    const QString point = work.filePath(QStringLiteral("mnt"));
    const QString program = work.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(point) && QDir().mkpath(program));
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kImageSize));
    }
    const auto made = isNtfs(disk) ? runTool(findTool(QStringLiteral("mkntfs")),
                                             {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-q"), image})
                                   : runTool(findTool(QStringLiteral("mkfs.vfat")), {image});
    QVERIFY2(made.ok(), qPrintable(made.text()));

    const QString folder = point + QStringLiteral("/Photos");
    const QString ini = folder + QStringLiteral("/Desktop.ini");
    {
        Mount mounted(disk, image, point);
        if (const QString failure = mounted.mount(); !failure.isEmpty())
            QSKIP(qPrintable(QStringLiteral("Cannot mount the image here: ") + failure));
        QVERIFY(QDir().mkdir(folder));
        {
            ProgramOnFolder form(folder, program);
            QCOMPARE(form.apply(0x00FF00), QStringList{QStringLiteral("Файл настройки создан")});
            QVERIFY(!form.failed());
            QCOMPARE(*form.fileSystem().attributes(ini), attr::Hidden | attr::System);
        }
        QVERIFY(mounted.unmount());
    }
    QCOMPARE(lettersOnImage(disk, image, QStringLiteral("/Photos/Desktop.ini")), QStringLiteral("HS"));
    QCOMPARE(lettersOnImage(disk, image, QStringLiteral("/Photos")), QStringLiteral("S"));

    {
        Mount mounted(disk, image, point);
        QCOMPARE(mounted.mount(), QString());
        {
            ProgramOnFolder form(folder, program);
            const QStringList shown = form.remove();
            QVERIFY2(shown.contains(QStringLiteral("Файл настройки удалён")), qPrintable(shown.join(u'|')));
            QVERIFY(!form.failed());
        }
        QVERIFY(mounted.unmount());
    }
    QCOMPARE(lettersOnImage(disk, image, QStringLiteral("/Photos/Desktop.ini")), QStringLiteral("absent"));
    QCOMPARE(lettersOnImage(disk, image, QStringLiteral("/Photos")), QStringLiteral("S"));
}

QTEST_MAIN(TestAttributesDiskImages)
#include "tst_attributes_disk_images.moc"
