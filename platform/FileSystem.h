#pragma once

#include "Result.h"

#include <QStringList>
#include <QtGlobal>

namespace mirtal::platform {

// Windows file attribute bits; on other systems the file-system layer keeps them where Windows will see them.
namespace attr {
inline constexpr quint32 Normal = 0x00;
inline constexpr quint32 ReadOnly = 0x01;
inline constexpr quint32 Hidden = 0x02;
inline constexpr quint32 System = 0x04;
inline constexpr quint32 Directory = 0x10;
inline constexpr quint32 Archive = 0x20;
} // namespace attr

// What a search for one path may match.
enum class FindFilter {
    NormalFiles,           // plain files only: hidden and system files count as absent
    FilesWithHiddenSystem, // files, hidden and system ones included
    FilesAndDirectories,   // all of the above and directories
};

class FileSystem {
public:
    FileSystem() = default;
    virtual ~FileSystem() = default;
    Q_DISABLE_COPY_MOVE(FileSystem)

    // Whether something of that name exists under the filter. With the first two filters a directory never matches.
    virtual bool find(const QString& path, FindFilter filter) const = 0;

    // The whole file as lines: a line ends at CR or CR LF, a lone LF stays in the line, the last line needs no end.
    // Bytes are converted from the ANSI code page.
    virtual Result<QStringList> readLines(const QString& path) const = 0;

    // Replaces the file's content by text followed by CR LF in the ANSI code page. Either the old content or the new
    // one survives any failure; a character the code page cannot hold fails with ErrorKind::Unrepresentable before
    // anything is touched.
    virtual Status writeText(const QString& path, const QString& text) = 0;

    // Fails with ErrorKind::Unrepresentable, naming the character, when text holds one the code page cannot hold.
    virtual Status checkEncodable(const QString& text) const = 0;

    // Attributes as Windows bits (attr::*).
    virtual Result<quint32> attributes(const QString& path) const = 0;
    // Sets exactly this value: 0, attr::System or attr::Hidden | attr::System in this program.
    virtual Status setAttributes(const QString& path, quint32 value) = 0;

    virtual Status removeFile(const QString& path) = 0;
    // Creates one directory; its parent must exist.
    virtual Status makeDirectory(const QString& path) = 0;

    // The folder that holds the program, without a trailing separator except for a root.
    virtual QString programDirectory() const = 0;
};

} // namespace mirtal::platform
