#include "ComDlg.h"

namespace mirtal::app::ComDlg {

qint32 ShowColorDialog(platform::Dialogs& dialogs, QWidget* owner)
{
    const qint32 color = dialogs.chooseColor(owner);
    // Anything outside the colour range is a failed dialog, which counts as a cancel.
    return (color < 0 || color > 0xFFFFFF) ? -1 : color;
}

} // namespace mirtal::app::ComDlg
