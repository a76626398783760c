// The colour dialog: the record it is handed, and the real comdlg32 dialog answered from its own message loop.
#include "Check.h"

#include "platform/windows/ComDlg.h"

#include <array>
#include <cwchar>

using mirtal::win::ComDlg::ShowColorDialog;

namespace {

// ---- a stand-in for ChooseColorA that keeps what it was handed ----

struct Seen {
    CHOOSECOLORA record{};
    std::array<COLORREF, 32> custom{};
};
Seen seen;
BOOL answer = TRUE;
COLORREF answerColor = 0;

BOOL WINAPI recordingChooseColor(LPCHOOSECOLORA record)
{
    seen.record = *record;
    for (std::size_t i = 0; i < seen.custom.size(); ++i)
        seen.custom[i] = record->lpCustColors[i];
    // What a user may leave behind: custom colours defined in the dialog.
    for (std::size_t i = 0; i < 16; ++i)
        record->lpCustColors[i] = 0x00123456;
    record->rgbResult = answerColor;
    return answer;
}

// ---- the real dialog, answered by a hook ----

enum class Press { RedThenOk, Cancel };
Press press = Press::Cancel;
HWND dialog = nullptr;
HWND dialogOwner = nullptr;
int answered = 0;

// The colour dialog comes up as the thread's dialog-class window.
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wcscmp(className, L"#32770") == 0)
            dialog = window;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs from the dialog's own message loop, once the dialog is up.
void CALLBACK answerDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    dialogOwner = GetWindow(dialog, GW_OWNER);
    ++answered;
    // The red field of the dialog's colour fields (colordlg.h: COLOR_RED), there even when not opened in full.
    constexpr int kRedField = 706;
    if (press == Press::RedThenOk)
        SetDlgItemInt(dialog, kRedField, 255, FALSE);
    const int button = press == Press::RedThenOk ? IDOK : IDCANCEL;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::int32_t showAnswered(HWND owner, Press how)
{
    press = how;
    dialog = nullptr;
    dialogOwner = nullptr;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, answerDialog);
    const std::int32_t result = ShowColorDialog(owner);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    return result;
}

} // namespace

// What ChooseColorA is handed: no flags or hook, and sixteen black custom colours on every call, whatever the
// user left in them the time before. A cancel is -1, not black.
TEST_CASE(recordAsTheDialogReceivesIt)
{
    const auto owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    answer = TRUE;
    answerColor = 0x0000FF;
    CHECK_EQ(ShowColorDialog(owner, recordingChooseColor), 0xFF);
    const CHOOSECOLORA& r = seen.record;
    CHECK_EQ(r.lStructSize, sizeof(CHOOSECOLORA));
    CHECK(r.hwndOwner == owner);
    CHECK_EQ(r.Flags, 0ul);
    CHECK(r.lpfnHook == nullptr);

    answerColor = 0;
    CHECK_EQ(ShowColorDialog(owner, recordingChooseColor), 0);
    for (const COLORREF c : seen.custom)
        CHECK_EQ(c, 0ul);
    answer = FALSE;
    answerColor = 0x00FF00;
    CHECK_EQ(ShowColorDialog(nullptr, recordingChooseColor), -1);
}

// The real comdlg32 dialog, owned by a window of ours, answered from inside its message loop.
TEST_CASE(realDialogAnsweredByHook)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"Мирталь", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    REQUIRE(owner != nullptr);

    CHECK_EQ(showAnswered(owner, Press::RedThenOk), 0x0000FF);
    CHECK_EQ(answered, 1);
    CHECK(dialogOwner == owner);

    CHECK_EQ(showAnswered(owner, Press::Cancel), -1);
    CHECK_EQ(answered, 2);
    // The owner takes input again once the dialog is gone.
    CHECK(IsWindowEnabled(owner));
    DestroyWindow(owner);
}
