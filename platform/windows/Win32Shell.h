#pragma once

#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WinResult.h"

#include <string>
#include <string_view>

namespace mirtal::win {

// Starts the command line (program and arguments as one string, no shell) with its window maximised. The process
// handle comes back for whoever wants it; dropping it does not stop or wait for the process.
WinResult<UniqueHandle> startMaximized(std::wstring commandLine);

// "Explorer.exe " followed by the folder exactly as given, started maximised and not waited for.
WinStatus openFolderInExplorer(const std::wstring& folder);

// ShellExecuteA(nullptr, "open", url, "", "", SW_SHOWMAXIMIZED); the address is passed in the ANSI code page.
WinStatus openUrl(std::wstring_view url);

// Tells the shell that the folder's content and attributes changed, so that an open Explorer window draws it
// again with its new Desktop.ini instead of the background it had cached. Does not wait for the shell.
void notifyFolderChanged(const std::wstring& folder);

} // namespace mirtal::win
