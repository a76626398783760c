#pragma once

#include "platform/Result.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QString>
#include <memory>
#include <span>

namespace mirtal::platform::detail {

// statfs() f_type of the file systems that keep Windows attributes a way of their own.
namespace fsmagic {
inline constexpr quint32 Ntfs3 = 0x7366746e;
inline constexpr quint32 Fuse = 0x65735546; // fuse and fuseblk alike: ntfs-3g or anything else
inline constexpr quint32 Cifs = 0xFF534D42;
inline constexpr quint32 Smb2 = 0xFE534D42;
inline constexpr quint32 Msdos = 0x4d44; // vfat and msdos
inline constexpr quint32 Exfat = 0x2011BAB0;
} // namespace fsmagic

// One place where the Windows attributes of a file can live.
class AttributeStore {
public:
    AttributeStore() = default;
    virtual ~AttributeStore() = default;
    Q_DISABLE_COPY_MOVE(AttributeStore)

    // The stored bits. ErrorKind::Unsupported: this mechanism does not work on that file.
    virtual Result<quint32> read(const QString& path) const = 0;
    // Makes read-only, hidden, system and archive exactly those of bits; attr::Directory is set in bits for a
    // directory and clear for anything else. ErrorKind::Unsupported as for read(), and nothing was changed.
    virtual Status write(const QString& path, quint32 bits) const = 0;
    // A dot name reads as hidden where Samba serves the files: it hides them by default.
    virtual bool hidesDotNames() const { return false; }
};

using StoreChain = std::span<const AttributeStore* const>;

// Every mechanism, and the order in which a file system tries them. The first that is not Unsupported
// answers; when none does, the file system cannot keep attributes.
class AttributeStores final {
public:
    explicit AttributeStores(const LinuxSysCalls& sys);
    ~AttributeStores();
    Q_DISABLE_COPY_MOVE(AttributeStores)

    // The chain for the file system that holds path (statfs), never empty.
    Result<StoreChain> chainFor(const QString& path) const;
    StoreChain chainForType(quint32 fsType) const;

private:
    const LinuxSysCalls& m_sys;
    std::unique_ptr<const AttributeStore> m_samba;
    std::unique_ptr<const AttributeStore> m_ntfs;
    std::unique_ptr<const AttributeStore> m_smb;
    std::unique_ptr<const AttributeStore> m_fat;
    const AttributeStore* m_ntfs3Chain[1];
    const AttributeStore* m_fuseChain[2];
    const AttributeStore* m_smbChain[1];
    const AttributeStore* m_fatChain[1];
    const AttributeStore* m_otherChain[1];
};

} // namespace mirtal::platform::detail
