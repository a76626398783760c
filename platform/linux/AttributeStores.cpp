#include "AttributeStores.h"

#include "platform/DosAttrib.h"
#include "platform/FileSystem.h"
#include "platform/linux/SysCallSupport.h"

#include <QFile>
#include <linux/msdos_fs.h>

namespace mirtal::platform::detail {

namespace {

// The bits this program sets; every other bit a file system keeps is left as it is.
constexpr quint32 kSettable = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive;
constexpr quint32 kSmbNormal = 0x80;

constexpr unsigned long kFatGetAttributes = FAT_IOCTL_GET_ATTRIBUTES;
constexpr unsigned long kFatSetAttributes = FAT_IOCTL_SET_ATTRIBUTES;

Status unsupported(const QString& path)
{
    return Status::failure(QStringLiteral("Файловая система не хранит атрибуты «%1»").arg(path),
                           ErrorKind::Unsupported);
}

Status readFailure(const QString& path, int error)
{
    return systemFailure(QStringLiteral("Не удалось прочитать атрибуты"), path, error);
}

Status writeFailure(const QString& path, int error)
{
    return systemFailure(QStringLiteral("Не удалось задать атрибуты"), path, error);
}

// Reads a value of exactly four bytes: 0, or the errno. Any other size reads as ENODATA.
int getU32(const LinuxSysCalls& sys, const QString& path, const char* name, quint32* value)
{
    const QByteArray file = QFile::encodeName(path);
    const ssize_t size = sys.getxattr(file.constData(), name, value, sizeof *value);
    if (size < 0)
        return errno;
    return size == static_cast<ssize_t>(sizeof *value) ? 0 : ENODATA;
}

// A missing value, a longer one or an unknown name says that this is not the mechanism of that file.
Result<quint32> u32Result(int error, quint32 value, const QString& path)
{
    if (error == 0)
        return value;
    if (isUnsupported(error) || error == ENODATA || error == ERANGE || error == ENOSYS)
        return unsupported(path);
    return readFailure(path, error);
}

// Samba's user.DOSATTRIB, read and written the way Samba does: what a Linux disk shared by Samba shows.
class SambaXattrStore final : public AttributeStore {
public:
    explicit SambaXattrStore(const LinuxSysCalls& sys)
        : m_sys(sys)
    {
    }

    Result<quint32> read(const QString& path) const override
    {
        const Result<QByteArray> value = storedValue(path);
        if (!value)
            return value.status();
        // A value that is neither of Samba's forms says nothing: the file reads as carrying no attributes.
        return dosattrib::parse(*value).value_or(0);
    }

    Status write(const QString& path, quint32 bits) const override
    {
        const Result<QByteArray> existing = storedValue(path);
        if (!existing)
            return existing.status();
        const QByteArray value = dosattrib::compose(bits, *existing);
        const QByteArray name = QFile::encodeName(path);
        if (m_sys.setxattr(name.constData(), dosattrib::kName, value.constData(), static_cast<size_t>(value.size()),
                           0) != 0) {
            const int error = errno;
            if (isUnsupported(error))
                return unsupported(path);
            return writeFailure(path, error);
        }
        return Status::ok();
    }

    bool hidesDotNames() const override { return true; }

private:
    // The raw value; empty when there is none, or when it is too long to be one of Samba's.
    Result<QByteArray> storedValue(const QString& path) const
    {
        const QByteArray name = QFile::encodeName(path);
        QByteArray buffer(256, Qt::Uninitialized);
        const ssize_t size =
            m_sys.getxattr(name.constData(), dosattrib::kName, buffer.data(), static_cast<size_t>(buffer.size()));
        if (size >= 0) {
            buffer.truncate(size);
            return buffer;
        }
        const int error = errno;
        if (error == ENODATA || error == ERANGE)
            return QByteArray();
        if (isUnsupported(error))
            return unsupported(path);
        return readFailure(path, error);
    }

    const LinuxSysCalls& m_sys;
};

// The whole NTFS attribute word, as the kernel's ntfs3 and ntfs-3g both offer it. Read, patched and written
// back, because the word also holds bits that must survive (sparse, compressed, directory). The one-byte
// system.dos_attrib of ntfs3 would overwrite the whole word, so it is never used.
class NtfsAttribStore final : public AttributeStore {
public:
    explicit NtfsAttribStore(const LinuxSysCalls& sys)
        : m_sys(sys)
    {
    }

    Result<quint32> read(const QString& path) const override
    {
        quint32 value = 0;
        const int error = getU32(m_sys, path, kName, &value);
        return u32Result(error, value, path);
    }

    Status write(const QString& path, quint32 bits) const override
    {
        const Result<quint32> current = read(path);
        if (!current)
            return current.status();
        const quint32 value = (*current & ~kSettable) | (bits & kSettable);
        if (value == *current)
            return Status::ok();
        const QByteArray file = QFile::encodeName(path);
        if (m_sys.setxattr(file.constData(), kName, &value, sizeof value, 0) != 0) {
            const int error = errno;
            return isUnsupported(error) ? unsupported(path) : writeFailure(path, error);
        }
        return Status::ok();
    }

private:
    static constexpr const char* kName = "system.ntfs_attrib";
    const LinuxSysCalls& m_sys;
};

// The kernel's SMB client passes this pseudo-attribute to the server as the file's Windows attributes.
class SmbClientStore final : public AttributeStore {
public:
    explicit SmbClientStore(const LinuxSysCalls& sys)
        : m_sys(sys)
    {
    }

    Result<quint32> read(const QString& path) const override
    {
        quint32 value = 0;
        int error = getU32(m_sys, path, kNames[0], &value);
        if (isUnsupported(error))
            error = getU32(m_sys, path, kNames[1], &value);
        return u32Result(error, value, path);
    }

    Status write(const QString& path, quint32 bits) const override
    {
        // A read first: a kernel that cannot even report the attributes would store the write as a server EA.
        if (const Result<quint32> probe = read(path); !probe)
            return probe.status();

        // 0 means "leave unchanged" on the wire, and the directory bit on a file is refused.
        quint32 value = bits & (kSettable | attr::Directory);
        if (value == 0)
            value = kSmbNormal;

        const QByteArray file = QFile::encodeName(path);
        const char* used = nullptr;
        for (const char* name : kNames) {
            if (m_sys.setxattr(file.constData(), name, &value, sizeof value, 0) == 0) {
                used = name;
                break;
            }
            const int error = errno;
            if (!isUnsupported(error))
                return writeFailure(path, error);
        }
        if (used == nullptr)
            return unsupported(path);

        // Kernels that can report the attributes but not set them keep the write as a server EA of that name:
        // the value read back is then unchanged. Archive is left out of the comparison, as servers set it on
        // their own.
        const Result<quint32> stored = read(path);
        if (!stored)
            return stored.status();
        constexpr quint32 kCompared = attr::ReadOnly | attr::Hidden | attr::System;
        if ((*stored & kCompared) != (value & kCompared)) {
            m_sys.removexattr(file.constData(), used);
            return unsupported(path);
        }
        return Status::ok();
    }

private:
    // The older name serves kernels that do not know the newer one.
    static constexpr const char* kNames[] = {"user.smb3.dosattrib", "user.cifs.dosattrib"};
    const LinuxSysCalls& m_sys;
};

// The attribute byte of a FAT or exFAT directory entry, through the driver's ioctl on a read-only descriptor.
class FatIoctlStore final : public AttributeStore {
public:
    explicit FatIoctlStore(const LinuxSysCalls& sys)
        : m_sys(sys)
    {
    }

    Result<quint32> read(const QString& path) const override
    {
        const ScopedFd fd(m_sys, open(path));
        if (fd.get() < 0)
            return readFailure(path, errno);
        return get(fd.get(), path);
    }

    Status write(const QString& path, quint32 bits) const override
    {
        const ScopedFd fd(m_sys, open(path));
        if (fd.get() < 0)
            return writeFailure(path, errno);
        const Result<quint32> current = get(fd.get(), path);
        if (!current)
            return current.status();
        quint32 value = (*current & ~kSettable) | (bits & kSettable);
        if (value == *current)
            return Status::ok();
        if (m_sys.ioctl(fd.get(), kFatSetAttributes, &value) != 0) {
            const int error = errno;
            if (notThisIoctl(error))
                return unsupported(path);
            if (error == EPERM)
                return Status::failure(
                    QStringLiteral("Не удалось задать атрибуты «%1»: %2. На томе FAT атрибуты меняет владелец "
                                   "файла, а системный атрибут при параметре монтирования sys_immutable — только "
                                   "процесс с правом CAP_LINUX_IMMUTABLE")
                        .arg(path, errorText(error)));
            return writeFailure(path, error);
        }
        return Status::ok();
    }

private:
    int open(const QString& path) const
    {
        const QByteArray file = QFile::encodeName(path);
        return m_sys.openat(AT_FDCWD, file.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    }

    Result<quint32> get(int fd, const QString& path) const
    {
        quint32 value = 0;
        if (m_sys.ioctl(fd, kFatGetAttributes, &value) == 0)
            return value;
        const int error = errno;
        return notThisIoctl(error) ? unsupported(path) : readFailure(path, error);
    }

    // ENOTTY: a driver without these ioctls (exFAT before 6.7). EINVAL: FUSE's answer to an unknown ioctl, and
    // the FAT root directory, which has no entry to keep attributes in.
    static bool notThisIoctl(int error)
    {
        return error == ENOTTY || error == EINVAL || error == ENOSYS || isUnsupported(error);
    }

    const LinuxSysCalls& m_sys;
};

} // namespace

AttributeStores::AttributeStores(const LinuxSysCalls& sys)
    : m_sys(sys)
    , m_samba(std::make_unique<SambaXattrStore>(sys))
    , m_ntfs(std::make_unique<NtfsAttribStore>(sys))
    , m_smb(std::make_unique<SmbClientStore>(sys))
    , m_fat(std::make_unique<FatIoctlStore>(sys))
    , m_ntfs3Chain{m_ntfs.get()}
    // A FUSE file system is ntfs-3g when it answers for the NTFS word; any other keeps what it can of Samba's.
    , m_fuseChain{m_ntfs.get(), m_samba.get()}
    // Never user.DOSATTRIB over SMB: the server would keep it as an EA that Windows does not read.
    , m_smbChain{m_smb.get()}
    , m_fatChain{m_fat.get()}
    , m_otherChain{m_samba.get()}
{
}

AttributeStores::~AttributeStores() = default;

Result<StoreChain> AttributeStores::chainFor(const QString& path) const
{
    const QByteArray file = QFile::encodeName(path);
    struct statfs info {};
    if (m_sys.statfs(file.constData(), &info) != 0) {
        const int error = errno;
        if (error != ENOSYS)
            return systemFailure(QStringLiteral("Не удалось определить файловую систему"), path, error);
        info.f_type = 0;
    }
    return chainForType(static_cast<quint32>(info.f_type));
}

StoreChain AttributeStores::chainForType(quint32 fsType) const
{
    switch (fsType) {
    case fsmagic::Ntfs3:
        return m_ntfs3Chain;
    case fsmagic::Fuse:
        return m_fuseChain;
    case fsmagic::Cifs:
    case fsmagic::Smb2:
        return m_smbChain;
    case fsmagic::Msdos:
    case fsmagic::Exfat:
        return m_fatChain;
    default:
        return m_otherChain;
    }
}

} // namespace mirtal::platform::detail
