#include "LinuxFileSystem.h"

#include "platform/Paths.h"
#include "platform/TextLines.h"
#include "platform/linux/AttributeStores.h"
#include "platform/linux/SysCallSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <utility>

namespace mirtal::platform {

using detail::errorText;
using detail::ScopedFd;
using detail::systemFailure;

namespace {

// Files larger than this are refused rather than read into memory: no settings file comes near it.
constexpr qsizetype kMaxReadSize = 64 * 1024 * 1024;

// Samba shows a name that begins with a dot as hidden ("." and ".." aside).
bool isDotName(const QString& path)
{
    const QString name = path.mid(lastSeparator(path) + 1);
    return name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String("..");
}

QByteArray randomSuffix()
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, Qt::Uninitialized);
    for (char& c : suffix)
        c = kAlphabet[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kAlphabet) - 1)];
    return suffix;
}

// Temporary files that an apply killed half-way left beside the target; a minute old, no running apply owns them.
void removeStaleTemporaries(const LinuxSysCalls& sys, int dirFd, const QString& folder, const QByteArray& fileName)
{
    const QString prefix = QLatin1Char('.') + QFile::decodeName(fileName) + QLatin1Char('.');
    const QDir dir(folder, QString(), QDir::NoSort, QDir::Files | QDir::Hidden | QDir::System);
    const QDateTime threshold = QDateTime::currentDateTimeUtc().addSecs(-60);
    for (const QFileInfo& entry : dir.entryInfoList({prefix + QStringLiteral("??????")})) {
        if (entry.lastModified() < threshold)
            sys.unlinkat(dirFd, QFile::encodeName(entry.fileName()).constData(), 0);
    }
}

} // namespace

LinuxFileSystem::LinuxFileSystem(AnsiCodePage codePage, QString programDirectory, LinuxSysCalls sys)
    : m_codePage(codePage)
    , m_programDirectory(std::move(programDirectory))
    , m_sys(std::move(sys))
    , m_stores(std::make_unique<detail::AttributeStores>(m_sys))
{
}

LinuxFileSystem::~LinuxFileSystem() = default;

Result<struct stat> LinuxFileSystem::statOf(const QString& path) const
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (m_sys.fstatat(AT_FDCWD, name.constData(), &status, 0) != 0)
        return systemFailure(QStringLiteral("Не удалось получить сведения о"), path, errno);
    return status;
}

Result<quint32> LinuxFileSystem::attributesOf(const QString& path, const struct stat& status) const
{
    const Result<detail::StoreChain> chain = m_stores->chainFor(path);
    if (!chain)
        return chain.status();
    quint32 bits = 0;
    // Without a mechanism that answers, the file system reads as its last one would on a file without a value.
    bool dotNamesHidden = chain->back()->hidesDotNames();
    for (const detail::AttributeStore* store : *chain) {
        const Result<quint32> stored = store->read(path);
        if (stored) {
            bits = *stored & ~attr::Directory;
            dotNamesHidden = store->hidesDotNames();
            break;
        }
        if (stored.kind() != ErrorKind::Unsupported)
            return stored.status();
    }
    if (S_ISDIR(status.st_mode))
        bits |= attr::Directory;
    if (dotNamesHidden && isDotName(path))
        bits |= attr::Hidden;
    return bits;
}

bool LinuxFileSystem::find(const QString& path, FindFilter filter) const
{
    const Result<struct stat> status = statOf(path);
    // Only "no such file" is an answer. Any other failure (an I/O error on a share) must not be taken for a
    // missing settings file, which would be created afresh over the foreign lines: say "there is something", and
    // let the read that follows report the error.
    if (!status)
        return status.kind() != ErrorKind::NotFound && filter != FindFilter::NormalFiles;
    if (S_ISDIR(status->st_mode))
        return filter == FindFilter::FilesAndDirectories;
    if (!S_ISREG(status->st_mode))
        return false;
    if (filter != FindFilter::NormalFiles)
        return true;
    const Result<quint32> bits = attributesOf(path, *status);
    return bits && (*bits & (attr::Hidden | attr::System)) == 0;
}

Result<QStringList> LinuxFileSystem::readLines(const QString& path) const
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO of that name must not hang the open; it is refused below.
    const ScopedFd fd(m_sys, m_sys.openat(AT_FDCWD, name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0));
    if (fd.get() < 0)
        return systemFailure(QStringLiteral("Не удалось открыть файл"), path, errno);

    struct stat status {};
    if (m_sys.fstat(fd.get(), &status) != 0)
        return systemFailure(QStringLiteral("Не удалось прочитать файл"), path, errno);
    if (S_ISDIR(status.st_mode))
        return systemFailure(QStringLiteral("Не удалось прочитать файл"), path, EISDIR);
    if (!S_ISREG(status.st_mode))
        return Status::failure(QStringLiteral("«%1» не является обычным файлом").arg(path));
    if (status.st_size > kMaxReadSize)
        return Status::failure(
            QStringLiteral("Файл «%1» слишком велик: %2 байт").arg(path, QString::number(status.st_size)));

    // Bytes appended after the size was taken are not read.
    QByteArray bytes(static_cast<qsizetype>(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = m_sys.read(fd.get(), bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return systemFailure(QStringLiteral("Не удалось прочитать файл"), path, error);
        }
        if (count == 0)
            break;
        done += count;
    }
    bytes.truncate(done);
    return splitLines(m_codePage.decode(bytes));
}

Status LinuxFileSystem::writeAll(int fd, const QByteArray& bytes, const QString& path) const
{
    const char* data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t count = m_sys.write(fd, data, left);
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return systemFailure(QStringLiteral("Не удалось записать файл"), path, error);
        }
        if (count == 0)
            return systemFailure(QStringLiteral("Не удалось записать файл"), path, EIO);
        data += count;
        left -= static_cast<size_t>(count);
    }
    return Status::ok();
}

Status LinuxFileSystem::writeText(const QString& path, const QString& text)
{
    Result<QByteArray> encoded = m_codePage.encode(text);
    if (!encoded)
        return encoded.status();
    QByteArray bytes = std::move(encoded).value();
    bytes.append("\r\n", 2);

    const qsizetype separator = lastSeparator(path);
    const QString folder = separator < 0 ? QStringLiteral(".") : path.left(separator == 0 ? 1 : separator);
    const QByteArray fileName = QFile::encodeName(path.mid(separator + 1));
    if (fileName.isEmpty())
        return systemFailure(QStringLiteral("Не удалось записать файл"), path, EISDIR);

    const QByteArray folderName = QFile::encodeName(folder);
    const ScopedFd dir(m_sys, m_sys.openat(AT_FDCWD, folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (dir.get() < 0)
        return systemFailure(QStringLiteral("Не удалось открыть папку"), folder, errno);

    struct stat old {};
    bool hadOld = true;
    if (m_sys.fstatat(dir.get(), fileName.constData(), &old, 0) != 0) {
        const int error = errno;
        if (error != ENOENT)
            return systemFailure(QStringLiteral("Не удалось получить сведения о"), path, error);
        hadOld = false;
    } else if (S_ISDIR(old.st_mode)) {
        return systemFailure(QStringLiteral("Не удалось записать файл"), path, EISDIR);
    }

    // A new file gets 0666 less the umask, as any file the user creates; a replaced one keeps its old bits.
    QByteArray tempName;
    int fd = -1;
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = '.' + fileName + '.' + randomSuffix();
        fd = m_sys.openat(dir.get(), tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        error = errno;
        if (fd >= 0 || error != EEXIST)
            break;
    }
    if (fd < 0)
        return systemFailure(QStringLiteral("Не удалось создать временный файл в папке"), folder, error);

    // Takes the temporary file away again; the old file has not been touched.
    const auto abandon = [&](const Status& failure) {
        if (fd >= 0)
            m_sys.close(fd);
        m_sys.unlinkat(dir.get(), tempName.constData(), 0);
        return failure;
    };

    if (Status written = writeAll(fd, bytes, path); !written)
        return abandon(written);
    if (hadOld && m_sys.fchmod(fd, old.st_mode & 07777) != 0)
        return abandon(systemFailure(QStringLiteral("Не удалось задать права доступа файлу"), path, errno));
    if (m_sys.fsync(fd) != 0)
        return abandon(systemFailure(QStringLiteral("Не удалось сбросить на диск файл"), path, errno));
    const int closing = std::exchange(fd, -1);
    if (m_sys.close(closing) != 0)
        return abandon(systemFailure(QStringLiteral("Не удалось закрыть файл"), path, errno));
    if (m_sys.renameat(dir.get(), tempName.constData(), dir.get(), fileName.constData()) != 0)
        return abandon(systemFailure(QStringLiteral("Не удалось заменить файл"), path, errno));

    // The new content is in place; what is left is making the rename itself durable. A file system that
    // cannot flush a directory (EINVAL) has nothing more to do.
    if (m_sys.fsync(dir.get()) != 0) {
        error = errno;
        if (error != EINVAL)
            return Status::failure(QStringLiteral("Файл «%1» записан, но не удалось сбросить на диск папку «%2»: %3")
                                       .arg(path, folder, errorText(error)));
    }
    removeStaleTemporaries(m_sys, dir.get(), folder, fileName);
    return Status::ok();
}

Status LinuxFileSystem::checkEncodable(const QString& text) const
{
    if (m_codePage.firstUnrepresentable(text) < 0)
        return Status::ok();
    return m_codePage.encode(text).status();
}

Status LinuxFileSystem::setAttributes(const QString& path, quint32 value)
{
    const Result<struct stat> status = statOf(path);
    if (!status)
        return status.status();
    // The directory bit belongs to directories alone, and a directory's stored value carries it, as Samba's
    // does.
    quint32 bits = value & ~attr::Directory;
    if (S_ISDIR(status->st_mode))
        bits |= attr::Directory;
    const Result<detail::StoreChain> chain = m_stores->chainFor(path);
    if (!chain)
        return chain.status();
    for (const detail::AttributeStore* store : *chain) {
        Status stored = store->write(path, bits);
        if (stored.kind() != ErrorKind::Unsupported)
            return stored;
    }
    return Status::ok();
}

Result<quint32> LinuxFileSystem::attributes(const QString& path) const
{
    const Result<struct stat> status = statOf(path);
    if (!status)
        return status.status();
    return attributesOf(path, *status);
}

Status LinuxFileSystem::removeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (m_sys.unlinkat(AT_FDCWD, name.constData(), 0) != 0)
        return systemFailure(QStringLiteral("Не удалось удалить файл"), path, errno);
    return Status::ok();
}

Status LinuxFileSystem::makeDirectory(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (m_sys.mkdir(name.constData(), 0777) != 0)
        return systemFailure(QStringLiteral("Не удалось создать папку"), path, errno);
    return Status::ok();
}

} // namespace mirtal::platform
