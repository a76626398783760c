// The shell calls: a maximised start, URLs refused before anything starts, and the change notice a listening
// Explorer window hears.
#include "Check.h"
#include "TempFolder.h"

#include "platform/windows/Win32Shell.h"

#include <shlobj.h>

#include <vector>

using namespace mirtal::win;

namespace {

std::wstring selfPath()
{
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return module;
}

// Started by startMaximizedShowsMaximized: exits with the show command it was started with.
CHILD_ROLE(reportShowWindow)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : 1000;
}

// ---- a shell listener of our own, as Explorer registers one for each open folder ----

constexpr UINT kShellMessage = WM_APP + 1;

struct Heard {
    LONG event;
    std::wstring path;
};
std::vector<Heard> heard;

LRESULT CALLBACK listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kShellMessage) {
        PIDLIST_ABSOLUTE* pidls = nullptr;
        LONG event = 0;
        const HANDLE lock =
            SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam), &pidls, &event);
        if (lock) {
            wchar_t path[MAX_PATH] = {};
            if (pidls && pidls[0])
                SHGetPathFromIDListW(pidls[0], path);
            heard.push_back({event, path});
            SHChangeNotification_Unlock(lock);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool heardEvent(LONG event, const std::wstring& path)
{
    for (const Heard& h : heard)
        if (h.event == event && lstrcmpiW(h.path.c_str(), path.c_str()) == 0)
            return true;
    return false;
}

} // namespace

TEST_CASE(startMaximizedShowsMaximized)
{
    WinResult<UniqueHandle> child = startMaximized(L"\"" + selfPath() + L"\" reportShowWindow");
    REQUIRE(child.isOk());
    REQUIRE(WaitForSingleObject(child->get(), 60000) == WAIT_OBJECT_0);
    DWORD code = 0;
    REQUIRE(GetExitCodeProcess(child->get(), &code));
    CHECK_EQ(code, static_cast<DWORD>(SW_SHOWMAXIMIZED));

    const WinResult<UniqueHandle> missing = startMaximized(L"нет-такой-программы.exe C:\\Мои фото");
    CHECK_EQ(missing.kind(), WinErrorKind::Failed);
    CHECK(missing.message().find(L"«нет-такой-программы.exe C:\\Мои фото»") != std::wstring::npos);
}

TEST_CASE(openUrlRefusesWhatItCannotPass)
{
    // Not in the ANSI code page: refused before anything is started.
    CHECK_EQ(openUrl(L"http://example.com/café").kind(), WinErrorKind::Unrepresentable);
    // A file that does not exist is an error code of ShellExecuteA, not a success.
    const WinStatus missing = openUrl(L"C:\\нет\\такого\\файла.txt");
    CHECK_EQ(missing.kind(), WinErrorKind::Failed);
    CHECK(missing.systemError() != 0);
}

// After apply and remove the program tells the shell; an Explorer window showing the folder hears both events.
TEST_CASE(notifyFolderChangedReachesListeners)
{
    TempFolder folder;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = listen;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MirtalShellListener";
    REQUIRE(RegisterClassW(&windowClass) != 0);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    REQUIRE(window != nullptr);

    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(folder.path().c_str());
    REQUIRE(pidl != nullptr);
    SHChangeNotifyEntry entry{pidl, FALSE};
    const ULONG registration =
        SHChangeNotifyRegister(window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                               SHCNE_UPDATEDIR | SHCNE_ATTRIBUTES, kShellMessage, 1, &entry);
    REQUIRE(registration != 0);

    heard.clear();
    notifyFolderChanged(folder.path());
    // Delivery may be posted: take messages until both arrived, within a bound far above what Wine needs.
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (!(heardEvent(SHCNE_UPDATEDIR, folder.path()) && heardEvent(SHCNE_ATTRIBUTES, folder.path())) &&
           GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    CHECK(heardEvent(SHCNE_UPDATEDIR, folder.path()));
    CHECK(heardEvent(SHCNE_ATTRIBUTES, folder.path()));

    SHChangeNotifyDeregister(registration);
    ILFree(pidl);
    DestroyWindow(window);
}
