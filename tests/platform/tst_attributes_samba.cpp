// What a Windows client sees of a folder the program has set up: a real smbd on 127.0.0.1 shares a temporary
// folder, the program applies and removes its settings there, and smbclient asks the server for the attributes.

#include "RealPeers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace mirtal;
using mirtal::test::Daemon;
using mirtal::test::findTool;
using mirtal::test::ProgramOnFolder;
using mirtal::test::runTool;

namespace {

constexpr const char* kPassword = "mirtal-test";

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port that was free a moment ago.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// "attributes: HS (6)" of smbclient's allinfo: the letters as a set, in a fixed order. Empty when the name is not
// there.
QString attributeLetters(const QString& allinfo)
{
    static const QRegularExpression line(QStringLiteral("^attributes: ([A-Z]*) \\(([0-9a-f]+)\\)$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(allinfo);
    if (!match.hasMatch())
        return {};
    QString letters;
    for (const QChar letter : QStringLiteral("RHSDA"))
        if (match.captured(1).contains(letter))
            letters.append(letter);
    return letters;
}

} // namespace

class TestAttributesSamba final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void applyAndRemove();
    void replacesWhatAClientSet();
    void throughTheKernelSmbClient();

private:
    // smbclient's allinfo on a name relative to the share, '\' as separator.
    QString allinfo(const QString& name);
    QString setmode(const QString& name, const QString& mode);
    QString share() const { return m_root.filePath(QStringLiteral("share")); }

    QTemporaryDir m_root;
    QString m_smbclient;
    QString m_config;
    quint16 m_port = 0;
    Daemon m_smbd;
};

void TestAttributesSamba::initTestCase()
{
    const QString smbd = findTool(QStringLiteral("smbd"));
    const QString smbpasswd = findTool(QStringLiteral("smbpasswd"));
    m_smbclient = findTool(QStringLiteral("smbclient"));
    if (smbd.isEmpty() || smbpasswd.isEmpty() || m_smbclient.isEmpty())
        QSKIP("smbd, smbpasswd or smbclient is not installed (packages samba and smbclient)");
    if (::geteuid() != 0)
        QSKIP("smbd serves the share as the connecting user, which needs root");
    QVERIFY(m_root.isValid());
    if (!test::keepsUserXattrs(m_root.path()))
        QSKIP("the temporary folder keeps no user extended attributes, where Samba stores the DOS attributes");

    const QDir root(m_root.path());
    for (const char* dir : {"share", "private", "lock", "state", "cache", "pid", "ncalrpc"})
        QVERIFY(root.mkpath(QString::fromLatin1(dir)));
    m_port = freePort();
    QVERIFY(m_port != 0);

    const QString config = QStringLiteral(R"([global]
server role = standalone server
interfaces = 127.0.0.1
bind interfaces only = yes
smb ports = %2
disable netbios = yes
private dir = %1/private
lock directory = %1/lock
state directory = %1/state
cache directory = %1/cache
pid directory = %1/pid
ncalrpc dir = %1/ncalrpc
log file = %1/smbd.log
log level = 1
passdb backend = tdbsam:%1/private/passdb.tdb
load printers = no
printing = bsd
printcap name = /dev/null
disable spoolss = yes
unix charset = UTF-8
store dos attributes = yes
map archive = no
map hidden = no
map system = no
map readonly = no

[share]
path = %1/share
read only = no
)")
                               .arg(m_root.path(), QString::number(m_port));
    m_config = m_root.filePath(QStringLiteral("smb.conf"));
    QFile file(m_config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(config.toUtf8());
    file.close();

    const QByteArray password = QByteArray(kPassword) + '\n' + kPassword + '\n';
    const test::ToolRun added = runTool(
        smbpasswd, {QStringLiteral("-c"), m_config, QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("root")},
        30000, password);
    QVERIFY2(added.ok(), qPrintable(added.text()));

    if (!m_smbd.start(smbd, {QStringLiteral("--foreground"), QStringLiteral("--no-process-group"),
                             QStringLiteral("--configfile=") + m_config}))
        QSKIP("smbd could not be started");
    const QDeadlineTimer deadline(15000);
    while (!accepts(m_port) && !deadline.hasExpired()) {
        if (m_smbd.waitForExit(100))
            break;
    }
    if (!accepts(m_port)) {
        m_smbd.stop();
        QFile log(m_root.filePath(QStringLiteral("smbd.log")));
        const QString tail =
            log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(2000)) : m_smbd.output();
        QSKIP(qPrintable(
            QStringLiteral("smbd did not listen on 127.0.0.1:%1 within 15 s: %2").arg(QString::number(m_port), tail)));
    }
}

void TestAttributesSamba::cleanupTestCase() { m_smbd.stop(); }

QString TestAttributesSamba::allinfo(const QString& name)
{
    const test::ToolRun run =
        runTool(m_smbclient, {QStringLiteral("//127.0.0.1/share"), QStringLiteral("-p"), QString::number(m_port),
                              QStringLiteral("-s"), m_config, QStringLiteral("-U"),
                              QStringLiteral("root%") + QLatin1String(kPassword), QStringLiteral("-c"),
                              QStringLiteral("allinfo \"%1\"").arg(name)});
    return run.text();
}

QString TestAttributesSamba::setmode(const QString& name, const QString& mode)
{
    const test::ToolRun run =
        runTool(m_smbclient, {QStringLiteral("//127.0.0.1/share"), QStringLiteral("-p"), QString::number(m_port),
                              QStringLiteral("-s"), m_config, QStringLiteral("-U"),
                              QStringLiteral("root%") + QLatin1String(kPassword), QStringLiteral("-c"),
                              QStringLiteral("setmode \"%1\" %2").arg(name, mode)});
    return run.text();
}

// Apply, then remove, exactly as the user does it; the client sees the file hidden + system and the folder
// system, and after removing no file and the folder still system.
void TestAttributesSamba::applyAndRemove()
{
    const QString folderName = QStringLiteral("Мои фото");
    QVERIFY(QDir(share()).mkdir(folderName));
    QTemporaryDir program;
    const QString iniName = folderName + QStringLiteral("\\Desktop.ini");
    {
        ProgramOnFolder form(share() + u'/' + folderName, program.path());
        QCOMPARE(form.apply(0x0000FF), QStringList{QStringLiteral("Файл настройки создан")});
        QVERIFY(!form.failed());
    }
    QString info = allinfo(iniName);
    QCOMPARE(attributeLetters(info), QStringLiteral("HS"));
    info = allinfo(folderName);
    QCOMPARE(attributeLetters(info), QStringLiteral("SD"));

    {
        ProgramOnFolder form(share() + u'/' + folderName, program.path());
        const QStringList shown = form.remove();
        QVERIFY2(shown.contains(QStringLiteral("Файл настройки удалён")), qPrintable(shown.join(u'|')));
        QVERIFY(!form.failed());
    }
    info = allinfo(iniName);
    QVERIFY2(info.contains(QStringLiteral("NT_STATUS_OBJECT_NAME_NOT_FOUND")), qPrintable(info));
    QCOMPARE(attributeLetters(allinfo(folderName)), QStringLiteral("SD"));
}

// Attributes that a Windows client set through the server, in Samba's own binary form, are replaced by exactly
// the program's: read-only, archive and hidden go.
void TestAttributesSamba::replacesWhatAClientSet()
{
    const QString folderName = QStringLiteral("Desktop");
    QVERIFY(QDir(share()).mkdir(folderName));
    QFile existing(share() + QStringLiteral("/Desktop/Desktop.ini"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n");
    existing.close();
    const QString iniName = QStringLiteral("Desktop\\Desktop.ini");
    QCOMPARE(setmode(iniName, QStringLiteral("+rha")), QString());
    QCOMPARE(setmode(folderName, QStringLiteral("+rha")), QString());
    QCOMPARE(attributeLetters(allinfo(iniName)), QStringLiteral("RHA"));
    QCOMPARE(attributeLetters(allinfo(folderName)), QStringLiteral("RHDA"));

    QTemporaryDir program;
    {
        ProgramOnFolder form(share() + QStringLiteral("/Desktop"), program.path());
        QCOMPARE(form.apply(0xFFFFFF), QStringList{QStringLiteral("Файл настройки отредактирован")});
        QVERIFY(!form.failed());
    }
    QCOMPARE(attributeLetters(allinfo(iniName)), QStringLiteral("HS"));
    QCOMPARE(attributeLetters(allinfo(folderName)), QStringLiteral("SD"));
}

// The share mounted with the kernel's SMB client: the program writes the attributes through the mount, the server
// keeps them, and smbclient sees them as any Windows client would.
void TestAttributesSamba::throughTheKernelSmbClient()
{
    if (!test::kernelHas("cifs"))
        QSKIP("the kernel has no SMB client (cifs), so the share cannot be mounted here");
    const QString folderName = QStringLiteral("По сети");
    QVERIFY(QDir(share()).mkdir(folderName));
    QTemporaryDir work;
    const QString point = work.filePath(QStringLiteral("mnt"));
    QVERIFY(QDir().mkpath(point));
    const QString options = QStringLiteral("port=%1,ip=127.0.0.1,username=root,password=%2,vers=3.0,cache=none,"
                                           "actimeo=0,iocharset=utf8")
                                .arg(QString::number(m_port), QLatin1String(kPassword));
    const auto mounted =
        runTool(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("cifs"),
                                          QStringLiteral("//127.0.0.1/share"), point, QStringLiteral("-o"), options});
    if (!mounted.ok())
        QSKIP(qPrintable(QStringLiteral("the share could not be mounted: ") + mounted.text()));
    const auto unmount = qScopeGuard([&] {
        if (!runTool(QStringLiteral("umount"), {point}).ok())
            runTool(QStringLiteral("umount"), {QStringLiteral("-l"), point});
    });

    const QString folder = point + u'/' + folderName;
    const QString iniName = folderName + QStringLiteral("\\Desktop.ini");
    {
        ProgramOnFolder form(folder, work.path());
        QCOMPARE(form.apply(0x0000FF), QStringList{QStringLiteral("Файл настройки создан")});
        QVERIFY(!form.failed());
        QCOMPARE(*form.fileSystem().attributes(folder + QStringLiteral("/Desktop.ini")) &
                     (platform::attr::Hidden | platform::attr::System),
                 platform::attr::Hidden | platform::attr::System);
    }
    QCOMPARE(attributeLetters(allinfo(iniName)), QStringLiteral("HS"));
    QCOMPARE(attributeLetters(allinfo(folderName)), QStringLiteral("SD"));

    {
        ProgramOnFolder form(folder, work.path());
        const QStringList shown = form.remove();
        QVERIFY2(shown.contains(QStringLiteral("Файл настройки удалён")), qPrintable(shown.join(u'|')));
        QVERIFY(!form.failed());
    }
    QVERIFY(allinfo(iniName).contains(QStringLiteral("NT_STATUS_OBJECT_NAME_NOT_FOUND")));
    QCOMPARE(attributeLetters(allinfo(folderName)), QStringLiteral("SD"));
}

QTEST_MAIN(TestAttributesSamba)
#include "tst_attributes_samba.moc"
