#include "platform/windows/ComDlg.h"

#include <array>
#include <cstddef>

namespace mirtal::win::ComDlg {
namespace {

// The record's layout: nine fields of one pointer's width each, so 4 bytes and 36 in all in a 32-bit program,
// 8 bytes (a DWORD padded to 8) and 72 in all in a 64-bit one. lStructSize tells ChooseColorA which it is given.
constexpr std::size_t kField = sizeof(void*);
static_assert(sizeof(CHOOSECOLORA) == 9 * kField);
static_assert(offsetof(CHOOSECOLORA, lStructSize) == 0 * kField);
static_assert(offsetof(CHOOSECOLORA, hwndOwner) == 1 * kField);
static_assert(offsetof(CHOOSECOLORA, hInstance) == 2 * kField);
static_assert(offsetof(CHOOSECOLORA, rgbResult) == 3 * kField);
static_assert(offsetof(CHOOSECOLORA, lpCustColors) == 4 * kField);
static_assert(offsetof(CHOOSECOLORA, Flags) == 5 * kField);
static_assert(offsetof(CHOOSECOLORA, lCustData) == 6 * kField);
static_assert(offsetof(CHOOSECOLORA, lpfnHook) == 7 * kField);
static_assert(offsetof(CHOOSECOLORA, lpTemplateName) == 8 * kField);
#if defined(_WIN64)
static_assert(sizeof(CHOOSECOLORA) == 72);
#else
static_assert(sizeof(CHOOSECOLORA) == 36);
#endif

// 128 bytes, of which the dialog uses the first 64: sixteen custom colours.
using CustomColors = std::array<COLORREF, 32>;
static_assert(sizeof(CustomColors) == 128);

} // namespace

std::int32_t ShowColorDialog(HWND owner) { return ShowColorDialog(owner, ChooseColorA); }

std::int32_t ShowColorDialog(HWND owner, ChooseColorCall call)
{
    // Fresh on every call: custom colours defined in the dialog are not offered again.
    CustomColors custom{};
    CHOOSECOLORA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    // The field is typed HWND but holds the module handle (used only with a dialog template).
    record.hInstance = reinterpret_cast<HWND>(GetModuleHandleW(nullptr));
    record.rgbResult = 0;
    record.lpCustColors = custom.data();
    record.Flags = 0;
    record.lCustData = 0;
    record.lpfnHook = nullptr;
    record.lpTemplateName = nullptr;
    if (!call(&record))
        return -1;
    return static_cast<std::int32_t>(record.rgbResult);
}

} // namespace mirtal::win::ComDlg
