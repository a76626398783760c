#include "platform/windows/Win32Shell.h"

#include "platform/windows/Win32Text.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace mirtal::win {

WinResult<UniqueHandle> startMaximized(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    PROCESS_INFORMATION process{};
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        const DWORD error = GetLastError();
        return WinStatus::failure(L"Не удалось запустить «" + commandLine + L"»: " + systemErrorText(error),
                                  WinErrorKind::Failed, error);
    }
    CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

WinStatus openFolderInExplorer(const std::wstring& folder)
{
    WinResult<UniqueHandle> started = startMaximized(L"Explorer.exe " + folder);
    return started ? WinStatus::ok() : started.status();
}

WinStatus openUrl(std::wstring_view url)
{
    const WinResult<std::string> address = toAnsi(url);
    if (!address)
        return address.status();
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address->c_str(), "", "", SW_SHOWMAXIMIZED));
    // Values up to 32 are error codes, most of them those of GetLastError().
    if (result <= 32) {
        const auto error = static_cast<DWORD>(result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : result);
        return WinStatus::failure(L"Не удалось открыть адрес " + std::wstring(url) + L": " + systemErrorText(error),
                                  WinErrorKind::Failed, error);
    }
    return WinStatus::ok();
}

void notifyFolderChanged(const std::wstring& folder)
{
    // FLUSHNOWAIT: delivery starts at once, yet a hung Explorer window does not hold the program up.
    SHChangeNotify(SHCNE_ATTRIBUTES, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
}

} // namespace mirtal::win
