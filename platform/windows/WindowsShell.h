#pragma once

#include "platform/Shell.h"

namespace mirtal::platform {

// Explorer and the browser through the Win32 layer: "Explorer.exe <folder>" started maximised, the site through
// ShellExecuteA, and the shell told when a folder's Desktop.ini changed.
class WindowsShell final : public Shell {
public:
    WindowsShell() = default;

    Status openFolder(const QString& path) override;
    Status openUrl(const QString& url) override;
    // After apply and remove: an open Explorer window draws the folder again with its new settings.
    void folderChanged(const QString& folder) override;
};

} // namespace mirtal::platform
