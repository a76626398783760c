#pragma once

#include "platform/windows/WinResult.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mirtal::win {

// CP_ACP: the code page of the system's "ANSI" functions, in which the program's files are written.
inline constexpr unsigned kAnsiCodePage = 0;

// The number of the code page, CP_ACP resolved through GetACP().
unsigned codePageNumber(unsigned codePage);

// The text in that code page. A character the code page cannot hold fails with WinErrorKind::Unrepresentable
// and a Russian message naming it, instead of turning into '?' or a look-alike ("best fit": é into e).
WinResult<std::string> toAnsi(std::wstring_view text, unsigned codePage = kAnsiCodePage);

// Position of the first character of text that the code page cannot hold (a surrogate pair counts from its
// first half), or std::wstring_view::npos.
std::size_t firstUnrepresentable(std::wstring_view text, unsigned codePage = kAnsiCodePage);

// Every byte becomes a character; none is dropped.
std::wstring fromAnsi(std::string_view bytes, unsigned codePage = kAnsiCodePage);

// A line ends at CR, CR LF or LF, as the INI reader ends it; the last line needs no end.
std::vector<std::wstring> splitLines(std::wstring_view text);

// The system's text for an error code of GetLastError(), without the line end it comes with.
std::wstring systemErrorText(unsigned long error);

} // namespace mirtal::win
