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

// How a text file is stored: single bytes in the ANSI code page, or UTF-16LE behind its byte-order mark (FF FE), as
// Windows writes Desktop.ini when a name needs characters outside the code page.
enum class TextEncoding { Ansi, Utf16Le };

// A text file's lines and the encoding it was read in, which a rewrite keeps.
struct TextFile {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;
};

class FileSystem {
public:
    FileSystem() = default;
    virtual ~FileSystem() = default;
    Q_DISABLE_COPY_MOVE(FileSystem)

    // Whether something of that name exists under the filter. With the first two filters a directory never matches.
    virtual bool find(const QString& path, FindFilter filter) const = 0;

    // The path of the file called name in folder, found as Windows finds it: in any case. Where several names differ
    // only in case (Linux), name itself wins, else the first in byte order. Without any, folder joined with name.
    virtual QString locate(const QString& folder, const QString& name) const = 0;

    // The whole file as lines: a line ends at CR, CR LF or LF, the last line needs no end. Bytes are converted from
    // the ANSI code page, or from UTF-16LE after its byte-order mark; UTF-16BE is refused. A file the process may not
    // read fails with ErrorKind::PermissionDenied.
    virtual Result<TextFile> readText(const QString& path) const = 0;

    // Replaces the file by text followed by CR LF in that encoding, with exactly these attributes (attr::*): written
    // to a temporary file beside it, which gets the attributes and what else the old file carried (owner, access
    // list, extended attributes or streams) before it takes the old one's place. At every instant the folder holds
    // the old file with its old attributes or the new one with the new. A character the code page cannot hold fails
    // with ErrorKind::Unrepresentable before anything is touched; a symbolic link is refused, untouched.
    virtual Status replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes) = 0;

    // Fails with ErrorKind::Unrepresentable, naming the character, when text holds one the code page cannot hold.
    virtual Status checkEncodable(const QString& text) const = 0;

    // Attributes as Windows bits (attr::*).
    virtual Result<quint32> attributes(const QString& path) const = 0;
    // Sets exactly this value: 0, attr::System or attr::Hidden | attr::System in this program. A symbolic link to a
    // file is refused: what it points to may lie outside the folder.
    virtual Status setAttributes(const QString& path, quint32 value) = 0;

    virtual Status removeFile(const QString& path) = 0;
    // Creates one directory; its parent must exist.
    virtual Status makeDirectory(const QString& path) = 0;

    // The folder that holds the program, without a trailing separator except for a root.
    virtual QString programDirectory() const = 0;
};

} // namespace mirtal::platform
