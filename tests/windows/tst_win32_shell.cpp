// The shell and the colour dialog: a maximised start, the change notice a listening Explorer window hears, and the
// real comdlg32 dialog answered from inside its own message loop.
#include "Check.h"
#include "Support.h"

#include "platform/windows/ComDlg.h"
#include "platform/windows/Win32Shell.h"

#include <shlobj.h>

#include <array>
#include <cwchar>
#include <vector>

using namespace mirtal::win;
using mirtal::win::ComDlg::ShowColorDialog;

namespace {

// Started by startMaximizedShowsMaximized: exits with the show command it was started with.
CHILD_ROLE(reportShowWindow)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : 1000;
}

// A shell listener of our own, as Explorer registers one for each open folder: the events heard for a path.
constexpr UINT kShellMessage = WM_APP + 1;
std::vector<std::pair<LONG, std::wstring>> heard;

LRESULT CALLBACK listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kShellMessage)
        return DefWindowProcW(window, message, wParam, lParam);
    PIDLIST_ABSOLUTE* pidls = nullptr;
    LONG event = 0;
    if (const HANDLE lock = SHChangeNotification_Lock(HANDLE(wParam), DWORD(lParam), &pidls, &event)) {
        wchar_t path[MAX_PATH] = {};
        if (pidls && pidls[0])
            SHGetPathFromIDListW(pidls[0], path);
        heard.emplace_back(event, path);
        SHChangeNotification_Unlock(lock);
    }
    return 0;
}

bool heardEvent(LONG event, const std::wstring& path)
{
    for (const auto& [e, p] : heard)
        if (e == event && lstrcmpiW(p.c_str(), path.c_str()) == 0)
            return true;
    return false;
}

// The colour dialog comes up as the thread's dialog-class window; a timer running inside its message loop answers
// it: red 255 then OK, or Cancel.
HWND dialog = nullptr, dialogOwner = nullptr;
bool pressOk = false;

LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(HWND(wParam), className, 16) && std::wcscmp(className, L"#32770") == 0)
        dialog = HWND(wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK answerDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    dialogOwner = GetWindow(dialog, GW_OWNER);
    constexpr int kRedField = 706; // colordlg.h: COLOR_RED, there even when the dialog is not opened in full
    if (pressOk)
        SetDlgItemInt(dialog, kRedField, 255, FALSE);
    const int button = pressOk ? IDOK : IDCANCEL;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dialog, button)));
}

std::int32_t showAnswered(HWND owner, bool ok)
{
    pressOk = ok;
    dialog = dialogOwner = nullptr;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, answerDialog);
    const std::int32_t result = ShowColorDialog(owner);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    return result;
}

// Custom colours a user left behind in the dialog: every call must start on sixteen blacks again.
std::array<COLORREF, 16> customSeen{};
BOOL WINAPI leaveCustomColours(LPCHOOSECOLORA record)
{
    for (std::size_t i = 0; i < customSeen.size(); ++i) {
        customSeen[i] = record->lpCustColors[i];
        record->lpCustColors[i] = 0x00123456;
    }
    record->rgbResult = 0x00FF00;
    return TRUE;
}

} // namespace

TEST_CASE(startMaximizedShowsMaximized)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    WinResult<UniqueHandle> child = startMaximized(L"\"" + std::wstring(self) + L"\" reportShowWindow");
    REQUIRE(child.isOk());
    REQUIRE(WaitForSingleObject(child->get(), 60000) == WAIT_OBJECT_0);
    DWORD code = 0;
    REQUIRE(GetExitCodeProcess(child->get(), &code));
    CHECK_EQ(code, static_cast<DWORD>(SW_SHOWMAXIMIZED));

    const WinResult<UniqueHandle> missing = startMaximized(L"нет-такой-программы.exe C:\\Мои фото");
    CHECK_EQ(missing.kind(), WinErrorKind::Failed);
    CHECK(missing.message().find(L"«нет-такой-программы.exe C:\\Мои фото»") != std::wstring::npos);
    // A URL outside the ANSI code page is refused before anything is started.
    CHECK_EQ(openUrl(L"http://example.com/café").kind(), WinErrorKind::Unrepresentable);
    // A file that does not exist is an error code of ShellExecuteA, not a success.
    CHECK_EQ(openUrl(L"C:\\нет\\такого\\файла.txt").kind(), WinErrorKind::Failed);
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
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(folder.path().c_str());
    REQUIRE(window != nullptr && pidl != nullptr);
    SHChangeNotifyEntry entry{pidl, FALSE};
    const ULONG registration =
        SHChangeNotifyRegister(window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                               SHCNE_UPDATEDIR | SHCNE_ATTRIBUTES, kShellMessage, 1, &entry);
    REQUIRE(registration != 0);

    notifyFolderChanged(folder.path());
    // Delivery may be posted: take messages until both arrived, within a bound far above what Wine needs.
    const auto both = [&] {
        return heardEvent(SHCNE_UPDATEDIR, folder.path()) && heardEvent(SHCNE_ATTRIBUTES, folder.path());
    };
    for (const ULONGLONG deadline = GetTickCount64() + 20000; !both() && GetTickCount64() < deadline;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    CHECK(both());
    SHChangeNotifyDeregister(registration);
    ILFree(pidl);
    DestroyWindow(window);
}

// The real dialog, owned by a window of ours: OK gives the colour, Cancel -1 (not black), and the owner takes input
// again afterwards.
TEST_CASE(colourDialogAnswered)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"Мирталь", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    REQUIRE(owner != nullptr);
    CHECK_EQ(showAnswered(owner, true), 0x0000FF);
    CHECK(dialogOwner == owner);
    CHECK_EQ(showAnswered(owner, false), -1);
    CHECK(dialogOwner == owner);
    CHECK(IsWindowEnabled(owner));
    DestroyWindow(owner);

    CHECK_EQ(ShowColorDialog(nullptr, leaveCustomColours), 0x00FF00);
    CHECK_EQ(ShowColorDialog(nullptr, leaveCustomColours), 0x00FF00);
    for (const COLORREF c : customSeen)
        CHECK_EQ(c, 0ul);
}
