#pragma once

#include "platform/windows/Win32Text.h"
#include "platform/windows/WinResult.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mirtal::win {

// What a search for one path may match.
enum class FindFilter {
    NormalFiles,           // plain files only: hidden and system files count as absent
    FilesWithHiddenSystem, // files, hidden and system ones included
    FilesAndDirectories,   // all of the above and directories
};

// Whether something of that name exists under the filter (FindFirstFileW). With the first two filters a directory
// never matches. A name with wildcards matches nothing: it can only name a pattern, never one file.
bool find(const std::wstring& path, FindFilter filter);

// GetFileAttributesW as it stands (FILE_ATTRIBUTE_*).
WinResult<unsigned long> attributes(const std::wstring& path);

// Sets exactly this value: 0 clears read-only, hidden, system and archive alike.
WinStatus setAttributes(const std::wstring& path, unsigned long value);

// The path of the file called name in folder as the directory search finds it, in any case, under the name it has;
// without one, folder and name joined.
std::wstring locate(const std::wstring& folder, const std::wstring& name);

// How a text file is stored: the code page, or UTF-16LE behind its byte-order mark FF FE.
enum class TextEncoding { Ansi, Utf16Le };

struct TextFile {
    std::vector<std::wstring> lines;
    TextEncoding encoding = TextEncoding::Ansi;
};

// The whole file as lines, converted from the code page or, after its mark, from UTF-16LE; UTF-16BE is refused.
// Files above 64 MiB are refused; one the process may not open fails with WinErrorKind::PermissionDenied.
WinResult<TextFile> readText(const std::wstring& path, unsigned codePage = kAnsiCodePage);

// The calls by which replaceText changes attributes and moves the new file into place, replaceable so that a test
// can watch their order and make one fail (Wine enforces neither read-only nor hidden + system on a replacement).
// Each returns false with GetLastError() set, as the Win32 call does.
struct ReplaceCalls {
    std::function<bool(const std::wstring& path, unsigned long attributes)> setAttributes;
    std::function<bool(const std::wstring& from, const std::wstring& to)> move;
};
ReplaceCalls systemReplaceCalls();

// Replaces the file by text and CR LF in that encoding, with exactly these attributes. The text goes to a new file
// ".<name>.mirtal-tmp-XXXXXXXX" in the same folder, which takes the old file's owner, access list and alternate
// streams, is flushed, gets the attributes, and is then moved over the old one: at every instant the folder holds
// the old file with its attributes or the new one with the new. A read-only old file loses that bit just before the
// move and gets it back should the move fail. A character the code page cannot hold fails before anything is
// touched. Temporary files of replacements stopped a minute ago or more go afterwards.
WinStatus replaceText(const std::wstring& path, std::wstring_view text, TextEncoding encoding, unsigned long attributes,
                      unsigned codePage = kAnsiCodePage, const ReplaceCalls& calls = systemReplaceCalls());

WinStatus removeFile(const std::wstring& path);

// One directory; its parent must exist.
WinStatus makeDirectory(const std::wstring& path);

// The folder of the running program (GetModuleFileNameW).
std::wstring programDirectory();

// The folder part of a program's path: no trailing backslash, except that a drive root keeps it ("C:\").
std::wstring directoryOf(std::wstring_view modulePath);

} // namespace mirtal::win
