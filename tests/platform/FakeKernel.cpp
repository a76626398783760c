#include "FakeKernel.h"

#include <QFile>
#include <fcntl.h>

namespace mirtal::test {

namespace {

constexpr const char* kNtfsAttrib = "system.ntfs_attrib";
constexpr const char* kSmbValue = "smb";

QByteArray u32Bytes(quint32 value) { return QByteArray(reinterpret_cast<const char*>(&value), sizeof value); }

bool isFat(FakeKernel::Flavour flavour)
{
    return flavour == FakeKernel::Flavour::Vfat || flavour == FakeKernel::Flavour::Exfat;
}

} // namespace

FakeKernel::FakeKernel(Flavour flavour)
    : m_flavour(flavour)
{
    switch (flavour) {
    case Flavour::Ext4:
        m_fsType = 0xEF53;
        break;
    case Flavour::Xfs:
        m_fsType = 0x58465342;
        break;
    case Flavour::Btrfs:
        m_fsType = 0x9123683E;
        break;
    case Flavour::Tmpfs:
        m_fsType = 0x01021994;
        break;
    case Flavour::Ntfs3:
        m_fsType = 0x7366746e;
        m_names = {kNtfsAttrib, "system.dos_attrib", "system.ntfs_attrib_be"};
        break;
    case Flavour::Ntfs3g:
        m_fsType = 0x65735546;
        m_names = {kNtfsAttrib};
        break;
    case Flavour::OtherFuse:
        // A FUSE file system that passes names on to a store that keeps any: an unknown one is just absent.
        m_fsType = 0x65735546;
        m_unknownNameError = ENODATA;
        break;
    case Flavour::Cifs:
    case Flavour::Smb2:
        m_fsType = flavour == Flavour::Cifs ? 0xFF534D42 : 0xFE534D42;
        m_names = {"user.smb3.dosattrib", "user.cifs.dosattrib"};
        break;
    case Flavour::Vfat:
    case Flavour::Exfat:
        m_fsType = flavour == Flavour::Vfat ? 0x4d44 : 0x2011BAB0;
        break;
    }
    // Every file system here but FAT keeps user extended attributes (on an SMB mount: as EAs on the server).
    m_anyName = !isFat(flavour);
}

QByteArray FakeKernel::key(const QString& path) { return QFile::encodeName(path); }

QByteArray FakeKernel::alias(const QByteArray& name)
{
    return name == "user.smb3.dosattrib" || name == "user.cifs.dosattrib" ? QByteArray(kSmbValue) : name;
}

void FakeKernel::seed(const QString& path, bool directory)
{
    const quint32 own = directory ? 0x10 : 0x20;
    switch (m_flavour) {
    case Flavour::Ntfs3:
    case Flavour::Ntfs3g:
        setU32(path, kNtfsAttrib, own);
        break;
    case Flavour::Cifs:
    case Flavour::Smb2:
        setU32(path, kSmbValue, own);
        break;
    case Flavour::Vfat:
    case Flavour::Exfat:
        setFat(path, own);
        break;
    default:
        break;
    }
}

void FakeKernel::setRaw(const QString& path, const QByteArray& name, const QByteArray& value)
{
    m_xattrs[key(path)][alias(name)] = value;
}

void FakeKernel::setU32(const QString& path, const QByteArray& name, quint32 value)
{
    setRaw(path, name, u32Bytes(value));
}

int FakeKernel::failure(const QByteArray& call, const QByteArray& name) const
{
    return m_failures.value(call + ' ' + name, 0);
}

bool FakeKernel::answersFor(const QByteArray& name) const
{
    return m_names.contains(name) || (m_anyName && name.startsWith("user."));
}

ssize_t FakeKernel::getxattr(const char* path, const char* name, void* value, size_t size)
{
    if (const int error = failure("get", name)) {
        errno = error;
        return -1;
    }
    if (!answersFor(name)) {
        errno = m_unknownNameError;
        return -1;
    }
    const auto values = m_xattrs.value(path);
    const auto found = values.constFind(alias(name));
    if (found == values.cend()) {
        errno = ENODATA;
        return -1;
    }
    if (size < static_cast<size_t>(found->size())) {
        errno = ERANGE;
        return -1;
    }
    std::memcpy(value, found->constData(), static_cast<size_t>(found->size()));
    return found->size();
}

int FakeKernel::setxattr(const char* path, const char* name, const void* value, size_t size)
{
    if (const int error = failure("set", name)) {
        errno = error;
        return -1;
    }
    if (!answersFor(name)) {
        errno = m_unknownNameError == ENODATA ? ENOTSUP : m_unknownNameError;
        return -1;
    }
    const QByteArray bytes(static_cast<const char*>(value), static_cast<qsizetype>(size));
    const bool u32 = size == 4 && qstrcmp(name, "user.DOSATTRIB") != 0;
    quint32 number = 0;
    std::memcpy(&number, value, u32 ? 4 : 0);
    m_changes.append(QString::fromLatin1(name) + u' ' +
                     (u32 ? QStringLiteral("0x%1").arg(number, 0, 16) : QString::fromLatin1(bytes.constData())));
    const bool keptAsEa = m_smbWritesAsEa && alias(name) == kSmbValue;
    m_xattrs[path][keptAsEa ? QByteArray(name) : alias(name)] = bytes;
    return 0;
}

int FakeKernel::removexattr(const char* path, const char* name)
{
    if (const int error = failure("remove", name)) {
        errno = error;
        return -1;
    }
    m_changes.append(QStringLiteral("remove ") + QString::fromLatin1(name));
    const QByteArray stored = m_smbWritesAsEa ? QByteArray(name) : alias(name);
    if (m_xattrs[path].remove(stored) == 0) {
        errno = ENODATA;
        return -1;
    }
    return 0;
}

int FakeKernel::ioctl(int fd, unsigned long request, void* argument)
{
    const bool get = request == FAT_IOCTL_GET_ATTRIBUTES;
    const bool set = request == FAT_IOCTL_SET_ATTRIBUTES;
    if (const int error = failure(get ? "ioctl-get" : "ioctl-set")) {
        errno = error;
        return -1;
    }
    const auto found = m_fat.find(m_openFds.value(fd));
    if ((!get && !set) || found == m_fat.end()) {
        errno = ENOTTY;
        return -1;
    }
    if (get) {
        *static_cast<quint32*>(argument) = *found;
    } else {
        *found = *static_cast<const quint32*>(argument);
        m_changes.append(QStringLiteral("FAT 0x%1").arg(*found, 0, 16));
    }
    return 0;
}

mirtal::platform::LinuxSysCalls FakeKernel::calls()
{
    mirtal::platform::LinuxSysCalls sys;
    sys.statfs = [this](const char*, struct statfs* result) {
        if (const int error = failure("statfs")) {
            errno = error;
            return -1;
        }
        *result = {};
        result->f_type = static_cast<decltype(result->f_type)>(m_fsType);
        return 0;
    };
    sys.openat = [this](int dirFd, const char* path, int flags, mode_t mode) {
        if (const int error = failure("open")) {
            errno = error;
            return -1;
        }
        const int fd = ::openat(dirFd, path, flags, mode);
        if (fd >= 0) {
            m_openFds[fd] = path;
            if ((flags & O_ACCMODE) != O_RDONLY)
                ++m_writableOpens;
        }
        return fd;
    };
    sys.getxattr = [this](const char* path, const char* name, void* value, size_t size) {
        return getxattr(path, name, value, size);
    };
    sys.setxattr = [this](const char* path, const char* name, const void* value, size_t size, int) {
        return setxattr(path, name, value, size);
    };
    sys.removexattr = [this](const char* path, const char* name) { return removexattr(path, name); };
    sys.ioctl = [this](int fd, unsigned long request, void* argument) { return ioctl(fd, request, argument); };
    return sys;
}

} // namespace mirtal::test
