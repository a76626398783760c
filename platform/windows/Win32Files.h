#pragma once

#include "platform/windows/Win32Text.h"
#include "platform/windows/WinResult.h"

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

// The whole file as lines, converted from the code page. Files above 64 MiB are refused.
WinResult<std::vector<std::wstring>> readLines(const std::wstring& path, unsigned codePage = kAnsiCodePage);

// Replaces the file's content by text and CR LF in the code page. The text goes to a new file in the same folder,
// which is flushed and then moved over the old one: either the old content or the new one survives any failure.
// A character the code page cannot hold fails before anything is touched.
WinStatus writeText(const std::wstring& path, std::wstring_view text, unsigned codePage = kAnsiCodePage);

WinStatus removeFile(const std::wstring& path);

// One directory; its parent must exist.
WinStatus makeDirectory(const std::wstring& path);

// The folder of the running program (GetModuleFileNameW).
std::wstring programDirectory();

// The folder part of a program's path: no trailing backslash, except that a drive root keeps it ("C:\").
std::wstring directoryOf(std::wstring_view modulePath);

} // namespace mirtal::win
