#include "platform/windows/WindowsDialogs.h"

#include "platform/windows/ComDlg.h"

#include <QDir>
#include <QWidget>

namespace mirtal::platform {

Answer WindowsDialogs::message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                               MessageButtons buttons)
{
    return m_qt.message(owner, text, title, icon, buttons);
}

std::optional<QString> WindowsDialogs::openFile(QWidget* owner, const QString& title, const QString& filter,
                                                const QString& initialFile)
{
    std::optional<QString> chosen = m_qt.openFile(owner, title, filter, initialFile);
    if (chosen)
        *chosen = QDir::toNativeSeparators(*chosen);
    return chosen;
}

qint32 WindowsDialogs::chooseColor(QWidget* owner)
{
    // The owner is the top-level window: the dialog is modal to it.
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    return win::ComDlg::ShowColorDialog(window);
}

} // namespace mirtal::platform
