#include "LinuxFileSystem.h"

#include "platform/DosAttrib.h"
#include "platform/Paths.h"
#include "platform/TextLines.h"
#include "platform/linux/AttributeStores.h"
#include "platform/linux/SysCallSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <utility>

namespace mirtal::platform {

using detail::errorText;
using detail::ScopedFd;
using detail::systemFailure;

namespace {

// Files larger than this are refused rather than read into memory: no settings file comes near it.
constexpr qsizetype kMaxReadSize = 64 * 1024 * 1024;
constexpr qsizetype kSuffixLength = 6;

// Samba shows a name that begins with a dot as hidden ("." and ".." aside).
bool isDotName(const QString& path)
{
    const QString name = path.mid(lastSeparator(path) + 1);
    return name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String("..");
}

QByteArray randomSuffix()
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(kSuffixLength, Qt::Uninitialized);
    for (char& c : suffix)
        c = kAlphabet[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kAlphabet) - 1)];
    return suffix;
}

// ".<name>.mirtal-tmp-": a marker no user types, so that the sweep below can never take a file of the user's.
QByteArray temporaryPrefix(const QByteArray& fileName) { return '.' + fileName + ".mirtal-tmp-"; }

bool isTemporaryName(const char* entry, const QByteArray& prefix)
{
    const QByteArrayView name(entry);
    if (name.size() != prefix.size() + kSuffixLength || !name.startsWith(prefix))
        return false;
    for (const char c : name.sliced(prefix.size())) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Temporary files that an apply killed half-way left beside the target: exactly our name, a regular file, a minute
// old, so that no running apply owns it. Anything else is left, whatever it is called.
void removeStaleTemporaries(const LinuxSysCalls& sys, int dirFd, const QByteArray& fileName)
{
    // Listed through the handle the deletions use, so both see the same folder even if its path changes meanwhile.
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return;
    }
    const QByteArray prefix = temporaryPrefix(fileName);
    const time_t threshold = ::time(nullptr) - 60;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat status {};
        if (isTemporaryName(entry->d_name, prefix) &&
            sys.fstatat(dirFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
            status.st_mtime < threshold)
            sys.unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Where the Windows attributes are kept: they follow the order of the replacement, never a copy of the old ones.
bool isAttributeStore(const QByteArrayView name)
{
    return name == dosattrib::kName || name.startsWith("system.ntfs_attrib") || name == "system.dos_attrib" ||
           name == "user.smb3.dosattrib" || name == "user.cifs.dosattrib";
}

bool asciiEqualNoCase(QByteArrayView a, QByteArrayView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

QString LinuxFileSystem::locate(const QString& folder, const QString& name) const
{
    const QString joined = joinPath(folder, name);
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return joined;
    const QByteArray wanted = QFile::encodeName(name);
    QByteArray found;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView entryName(entry->d_name);
        // A folder of that name is no settings file, and would only stand in the way of one.
        if (entry->d_type == DT_DIR || !asciiEqualNoCase(entryName, wanted))
            continue;
        if (entryName == wanted) {
            found = wanted;
            break;
        }
        if (found.isEmpty() || entryName < found)
            found = entryName.toByteArray();
    }
    ::closedir(dir);
    return found.isEmpty() ? joined : joinPath(folder, QFile::decodeName(found));
}

Result<TextFile> LinuxFileSystem::readText(const QString& path) const
{
    // A file the process may not read is no damaged file: told as such, naming the folder and why.
    const auto failure = [&path](const QString& what, int error) {
        if (error != EACCES && error != EPERM)
            return systemFailure(what, path, error);
        const qsizetype separator = lastSeparator(path);
        const QString folder = separator <= 0 ? QStringLiteral("/") : path.left(separator);
        return Status::failure(QStringLiteral("Файл настройки папки «%1» нельзя прочитать: нет прав доступа (%2).")
                                   .arg(folder, errorText(error)),
                               ErrorKind::PermissionDenied);
    };
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO of that name must not hang the open; it is refused below.
    const ScopedFd fd(m_sys, m_sys.openat(AT_FDCWD, name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0));
    if (fd.get() < 0)
        return failure(QStringLiteral("Не удалось открыть файл"), errno);

    struct stat status {};
    if (m_sys.fstat(fd.get(), &status) != 0)
        return failure(QStringLiteral("Не удалось прочитать файл"), errno);
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
            return failure(QStringLiteral("Не удалось прочитать файл"), error);
        }
        if (count == 0)
            break;
        done += count;
    }
    bytes.truncate(done);
    return decodeText(bytes, m_codePage, path);
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

Status LinuxFileSystem::linkRefusal(const QString& path) const
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t size =
        m_sys.readlinkat(AT_FDCWD, QFile::encodeName(path).constData(), target.data(), static_cast<size_t>(PATH_MAX));
    target.truncate(size < 0 ? 0 : size);
    return Status::failure(QStringLiteral("Файл настройки «%1» — символическая ссылка на «%2». Программа не меняет "
                                          "файлы за пределами папки: ни ссылка, ни её цель не тронуты.")
                               .arg(path, QFile::decodeName(target)),
                           ErrorKind::Refused);
}

// The old file's extended attributes, its access list among them, but the attribute stores. One the process may not
// set (security.* without the privilege) is left out, as is a failure to list them: the content stays safe.
void LinuxFileSystem::copyExtendedAttributes(const QByteArray& oldName, int fd) const
{
    QByteArray names(64 * 1024, Qt::Uninitialized);
    const ssize_t size = m_sys.llistxattr(oldName.constData(), names.data(), static_cast<size_t>(names.size()));
    if (size <= 0)
        return;
    names.truncate(size);
    QByteArray value(64 * 1024, Qt::Uninitialized);
    for (const QByteArray& attribute : names.split('\0')) {
        if (attribute.isEmpty() || isAttributeStore(attribute))
            continue;
        const ssize_t length =
            m_sys.getxattr(oldName.constData(), attribute.constData(), value.data(), static_cast<size_t>(value.size()));
        if (length >= 0)
            m_sys.fsetxattr(fd, attribute.constData(), value.constData(), static_cast<size_t>(length), 0);
    }
}

Status LinuxFileSystem::replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes)
{
    Result<QByteArray> encoded = encodeText(text, encoding, m_codePage);
    if (!encoded)
        return encoded.status();
    const QByteArray bytes = std::move(encoded).value();

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
    if (m_sys.fstatat(dir.get(), fileName.constData(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        if (error != ENOENT)
            return systemFailure(QStringLiteral("Не удалось получить сведения о"), path, error);
        hadOld = false;
    } else if (S_ISLNK(old.st_mode)) {
        return linkRefusal(path);
    } else if (S_ISDIR(old.st_mode)) {
        return systemFailure(QStringLiteral("Не удалось записать файл"), path, EISDIR);
    }

    // A new file gets 0666 less the umask, as any file the user creates; a replaced one keeps its old bits.
    const QByteArray prefix = temporaryPrefix(fileName);
    QByteArray tempName;
    int fd = -1;
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = prefix + randomSuffix();
        fd = m_sys.openat(dir.get(), tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        error = errno;
        if (fd >= 0 || error != EEXIST)
            break;
    }
    if (fd < 0)
        return systemFailure(QStringLiteral("Не удалось создать временный файл в папке"), folder, error);
    const QString tempPath = joinPath(folder, QFile::decodeName(tempName));

    // Takes the temporary file away again; the old file has not been touched.
    const auto abandon = [&](const Status& failure) {
        if (fd >= 0)
            m_sys.close(fd);
        m_sys.unlinkat(dir.get(), tempName.constData(), 0);
        return failure;
    };

    if (Status written = writeAll(fd, bytes, path); !written)
        return abandon(written);
    if (hadOld) {
        // The owner first, where the process may (a change of owner clears the set-id bits that the mode then puts
        // back); the access list after the mode, which would otherwise narrow its mask.
        m_sys.fchown(fd, old.st_uid, old.st_gid);
        if (m_sys.fchmod(fd, old.st_mode & 07777) != 0)
            return abandon(systemFailure(QStringLiteral("Не удалось задать права доступа файлу"), path, errno));
        copyExtendedAttributes(QFile::encodeName(path), fd);
    }
    // Before the rename, so that the file never stands in the folder without them. Through the descriptor's name
    // in /proc where there is one: the temporary file's own path is longer than the target's, and may be too long.
    struct stat written {};
    if (m_sys.fstat(fd, &written) != 0)
        return abandon(systemFailure(QStringLiteral("Не удалось получить сведения о"), path, errno));
    const QString byDescriptor = QStringLiteral("/proc/self/fd/%1").arg(fd);
    const bool procMounted = ::access(QFile::encodeName(byDescriptor).constData(), F_OK) == 0;
    if (Status set = storeAttributes(procMounted ? byDescriptor : tempPath, written, attributes); !set)
        return abandon(set);
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
    removeStaleTemporaries(m_sys, dir.get(), fileName);
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
    // The attribute stores follow links: a link to a file may lead out of the folder. One to a folder is the
    // folder the user sees.
    struct stat link {};
    const Result<struct stat> status = statOf(path);
    if (m_sys.fstatat(AT_FDCWD, QFile::encodeName(path).constData(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(link.st_mode) && !(status && S_ISDIR(status->st_mode)))
        return linkRefusal(path);
    if (!status)
        return status.status();
    return storeAttributes(path, *status, value);
}

Status LinuxFileSystem::storeAttributes(const QString& path, const struct stat& status, quint32 value)
{
    // The directory bit belongs to directories alone, and a directory's stored value carries it, as Samba's
    // does.
    quint32 bits = value & ~attr::Directory;
    if (S_ISDIR(status.st_mode))
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
