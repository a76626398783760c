// The shell and the colour dialog: a maximised start, the change notice a listening Explorer window hears, and the
// real comdlg32 dialog answered from inside its own message loop.
#include "Check.h"
#include "Support.h"

#include "platform/windows/ComDlg.h"
#include "platform/windows/Win32Shell.h"

#include <array>

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

std::int32_t showAnswered(HWND owner, bool ok)
{
    colourDialog::answerNext(ok ? std::optional(RGB(255, 0, 0)) : std::nullopt);
    return ShowColorDialog(owner);
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
    const ShellListener listener(folder.path());
    REQUIRE(listener.registered());
    notifyFolderChanged(folder.path());
    // Delivery may be posted: take messages until both arrived, within a bound far above what Wine needs.
    const auto both = [&] {
        return ShellListener::heard(SHCNE_UPDATEDIR, folder.path()) &&
               ShellListener::heard(SHCNE_ATTRIBUTES, folder.path());
    };
    for (const ULONGLONG deadline = GetTickCount64() + 20000; !both() && GetTickCount64() < deadline;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    CHECK(both());
}

// The real dialog, owned by a window of ours: OK gives the colour, Cancel -1 (not black), and the owner takes input
// again afterwards.
TEST_CASE(colourDialogAnswered)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"Мирталь", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    REQUIRE(owner != nullptr);
    CHECK_EQ(showAnswered(owner, true), 0x0000FF);
    CHECK(colourDialog::owner == owner);
    CHECK_EQ(showAnswered(owner, false), -1);
    CHECK(colourDialog::owner == owner);
    CHECK(IsWindowEnabled(owner));
    DestroyWindow(owner);

    CHECK_EQ(ShowColorDialog(nullptr, leaveCustomColours), 0x00FF00);
    CHECK_EQ(ShowColorDialog(nullptr, leaveCustomColours), 0x00FF00);
    for (const COLORREF c : customSeen)
        CHECK_EQ(c, 0ul);
}
