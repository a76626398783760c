#pragma once

#include "platform/linux/LinuxFileSystem.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <linux/msdos_fs.h>
#include <memory>

namespace mirtal::test {

// The attribute calls of a kernel, in memory: what statfs says the file system is, which extended attribute names
// it answers for, the FAT attribute byte, and a log of every change. Everything else (stat, open, close) is the
// real call on real temporary files, so LinuxFileSystem runs unchanged above it.
class FakeKernel final {
public:
    // The file systems as this program meets them; see flavour() for what each answers.
    enum class Flavour { Ext4, Xfs, Btrfs, Tmpfs, Ntfs3, Ntfs3g, OtherFuse, Cifs, Smb2, Vfat, Exfat };

    explicit FakeKernel(Flavour flavour);

    // Gives a file or folder the values its file system would report for it on its own: archive for a file and
    // the directory bit for a folder in the NTFS word, the SMB attributes and the FAT byte.
    void seed(const QString& path, bool directory);
    // Makes every call of that kind ("get", "set", "remove", "ioctl-get", "ioctl-set", "statfs", "open") for
    // that name fail with error; name is ignored for the calls that have none.
    void fail(const QByteArray& call, const QByteArray& name, int error) { m_failures[call + ' ' + name] = error; }
    // An SMB client that reports the attributes but keeps a write as a server EA.
    void keepSmbWritesAsEa() { m_smbWritesAsEa = true; }

    void setRaw(const QString& path, const QByteArray& name, const QByteArray& value);
    void setU32(const QString& path, const QByteArray& name, quint32 value);
    void setFat(const QString& path, quint32 value) { m_fat[key(path)] = value; }

    // Every change, in order: "<name> <value>" for a set (a 4-byte value as 0x<hex>, anything else up to its NUL),
    // "remove <name>", "FAT <hex>" for the ioctl.
    const QStringList& changes() const { return m_changes; }
    int writableOpens() const { return m_writableOpens; }

    mirtal::platform::LinuxSysCalls calls();

private:
    static QByteArray key(const QString& path);
    // Both names of the SMB client reach one value on the server.
    static QByteArray alias(const QByteArray& name);
    int failure(const QByteArray& call, const QByteArray& name = {}) const;
    bool answersFor(const QByteArray& name) const;
    ssize_t getxattr(const char* path, const char* name, void* value, size_t size);
    int setxattr(const char* path, const char* name, const void* value, size_t size);
    int removexattr(const char* path, const char* name);
    int ioctl(int fd, unsigned long request, void* argument);

    Flavour m_flavour;
    quint32 m_fsType = 0;
    QSet<QByteArray> m_names; // names the file system answers for; any name when empty and m_anyName
    bool m_anyName = false;
    int m_unknownNameError = ENOTSUP;
    bool m_smbWritesAsEa = false;
    QHash<QByteArray, QHash<QByteArray, QByteArray>> m_xattrs;
    QHash<QByteArray, quint32> m_fat;
    QHash<int, QByteArray> m_openFds;
    QHash<QByteArray, int> m_failures;
    QStringList m_changes;
    int m_writableOpens = 0;
};

} // namespace mirtal::test
