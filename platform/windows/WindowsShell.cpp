#include "platform/windows/WindowsShell.h"

#include "platform/windows/QtBridge.h"
#include "platform/windows/Win32Shell.h"

#include <QDir>

namespace mirtal::platform {

Status WindowsShell::openFolder(const QString& path)
{
    return statusOf(win::openFolderInExplorer(toWide(QDir::toNativeSeparators(path))));
}

Status WindowsShell::openUrl(const QString& url) { return statusOf(win::openUrl(toWide(url))); }

void WindowsShell::folderChanged(const QString& folder)
{
    win::notifyFolderChanged(toWide(QDir::toNativeSeparators(folder)));
}

} // namespace mirtal::platform
