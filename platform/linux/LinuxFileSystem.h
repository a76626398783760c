#pragma once

#include "platform/AnsiCodePage.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace mirtal::platform {

// The system calls LinuxFileSystem makes, each one replaceable so that a test can make any single step fail.
// Every member has the signature of the call it stands for and reports failure the same way (-1 and errno).
struct LinuxSysCalls {
    std::function<int(int dirFd, const char* path, int flags, mode_t mode)> openat =
        [](int dirFd, const char* path, int flags, mode_t mode) { return ::openat(dirFd, path, flags, mode); };
    std::function<ssize_t(int fd, void* buffer, size_t count)> read = ::read;
    std::function<ssize_t(int fd, const void* buffer, size_t count)> write = ::write;
    std::function<int(int fd, struct stat* result)> fstat = ::fstat;
    std::function<int(int dirFd, const char* path, struct stat* result, int flags)> fstatat = ::fstatat;
    std::function<int(int fd, mode_t mode)> fchmod = ::fchmod;
    std::function<int(int fd, uid_t owner, gid_t group)> fchown = ::fchown;
    std::function<int(int fd)> fsync = ::fsync;
    std::function<int(int fd)> close = ::close;
    std::function<int(int oldDirFd, const char* oldPath, int newDirFd, const char* newPath)> renameat = ::renameat;
    std::function<int(int dirFd, const char* path, int flags)> unlinkat = ::unlinkat;
    std::function<int(const char* path, mode_t mode)> mkdir = ::mkdir;
    std::function<ssize_t(const char* path, const char* name, void* value, size_t size)> getxattr = ::getxattr;
    std::function<int(const char* path, const char* name, const void* value, size_t size, int flags)> setxattr =
        ::setxattr;
    std::function<int(const char* path, const char* name)> removexattr = ::removexattr;
    std::function<ssize_t(const char* path, char* list, size_t size)> llistxattr = ::llistxattr;
    std::function<int(int fd, const char* name, const void* value, size_t size, int flags)> fsetxattr = ::fsetxattr;
    std::function<ssize_t(int dirFd, const char* path, char* buffer, size_t size)> readlinkat = ::readlinkat;
    std::function<int(const char* path, struct statfs* result)> statfs = ::statfs;
    // Only ever called with a pointer argument.
    std::function<int(int fd, unsigned long request, void* argument)> ioctl =
        [](int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); };
};

namespace detail {
class AttributeStores;
}

// The file system of Linux. Windows attributes live where Windows reads them, chosen by the file system of the
// path: the NTFS attribute word (ntfs3, ntfs-3g), the SMB client's pass-through to the server (cifs), the FAT
// ioctl (vfat, exFAT), and elsewhere Samba's user.DOSATTRIB, which a Samba share shows to Windows. A file system
// that cannot hold them reads as carrying none and accepts any value without keeping it.
class LinuxFileSystem final : public FileSystem {
public:
    LinuxFileSystem(AnsiCodePage codePage, QString programDirectory, LinuxSysCalls sys = {});
    ~LinuxFileSystem() override;
    Q_DISABLE_COPY_MOVE(LinuxFileSystem)

    bool find(const QString& path, FindFilter filter) const override;
    QString locate(const QString& folder, const QString& name) const override;
    Result<TextFile> readText(const QString& path) const override;
    // The temporary file ".<name>.mirtal-tmp-XXXXXX" gets the old file's owner and group (where the process may),
    // mode, access list and extended attributes but the attribute stores, then the new attributes; it is flushed and
    // renamed over the old one. The temporary files of applies killed a minute ago or more go afterwards.
    Status replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes) override;
    Status checkEncodable(const QString& text) const override;
    Result<quint32> attributes(const QString& path) const override;
    Status setAttributes(const QString& path, quint32 value) override;
    Status removeFile(const QString& path) override;
    Status makeDirectory(const QString& path) override;
    QString programDirectory() const override { return m_programDirectory; }

private:
    Result<struct stat> statOf(const QString& path) const;
    Result<quint32> attributesOf(const QString& path, const struct stat& status) const;
    Status writeAll(int fd, const QByteArray& bytes, const QString& path) const;
    Status linkRefusal(const QString& path) const;
    Status storeAttributes(const QString& path, const struct stat& status, quint32 value);
    void copyExtendedAttributes(const QByteArray& oldName, int fd) const;

    AnsiCodePage m_codePage;
    QString m_programDirectory;
    LinuxSysCalls m_sys;
    std::unique_ptr<detail::AttributeStores> m_stores;
};

} // namespace mirtal::platform
