#pragma once

#include "platform/Dialogs.h"
#include "platform/qt/QtDialogs.h"

namespace mirtal::platform {

// Qt's message boxes and file dialog; the colour dialog of comdlg32 (ComDlg::ShowColorDialog).
class WindowsDialogs final : public Dialogs {
public:
    WindowsDialogs() = default;

    Answer message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                   MessageButtons buttons) override;
    // The chosen path with Windows separators, as it is written into Desktop.ini.
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& initialFile) override;
    qint32 chooseColor(QWidget* owner) override;

private:
    QtDialogs m_qt;
};

} // namespace mirtal::platform
