#pragma once

#include "platform/FileSystem.h"

namespace mirtal::platform {

// The file system of Windows, through the Win32 layer: FindFirstFileW, Get/SetFileAttributesW, text in the system's
// ANSI code page (CP_ACP, refusing what it cannot hold), and the program's folder from GetModuleFileNameW.
class WindowsFileSystem final : public FileSystem {
public:
    WindowsFileSystem() = default;

    bool find(const QString& path, FindFilter filter) const override;
    QString locate(const QString& folder, const QString& name) const override;
    Result<TextFile> readText(const QString& path) const override;
    // Written to a new file beside the target, which takes the old one's owner, access list and streams and the
    // attributes, then moved over it.
    Status replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes) override;
    Status checkEncodable(const QString& text) const override;
    Result<quint32> attributes(const QString& path) const override;
    Status setAttributes(const QString& path, quint32 value) override;
    Status removeFile(const QString& path) override;
    Status makeDirectory(const QString& path) override;
    QString programDirectory() const override;
};

} // namespace mirtal::platform
