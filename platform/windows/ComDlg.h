#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>

namespace mirtal::win::ComDlg {

// The colour dialog's entry point, ChooseColorA of comdlg32 unless a test puts another in.
using ChooseColorCall = BOOL(WINAPI*)(LPCHOOSECOLORA record);

// Shows the system's colour dialog owned by owner: opens on black with sixteen black custom colours, not in full.
// Returns the chosen colour (0x00BBGGRR), or -1 when the user cancelled or the dialog failed.
std::int32_t ShowColorDialog(HWND owner);
std::int32_t ShowColorDialog(HWND owner, ChooseColorCall call);

} // namespace mirtal::win::ComDlg
