#pragma once

#include "platform/Dialogs.h"

namespace mirtal::app::ComDlg {

// The colour dialog owned by owner: 0x00BBGGRR, or -1 when the user cancelled or the dialog failed.
qint32 ShowColorDialog(platform::Dialogs& dialogs, QWidget* owner);

} // namespace mirtal::app::ComDlg
