#pragma once

#include "Result.h"

#include <QString>

namespace mirtal::platform {

// Hands things to the desktop: a folder to the file manager, an address to the browser. No shell interprets them.
class Shell {
public:
    Shell() = default;
    virtual ~Shell() = default;
    Q_DISABLE_COPY_MOVE(Shell)

    // Opens the folder in the system's file manager, maximised where the platform allows; does not wait.
    virtual Status openFolder(const QString& path) = 0;
    // Opens a web address in the user's browser, maximised where the platform allows; does not wait.
    virtual Status openUrl(const QString& url) = 0;
    // Tells the desktop that the folder's settings or attributes changed, so that it does not keep showing the old
    // background. File managers on Linux watch the disk themselves.
    virtual void folderChanged(const QString& folder) { Q_UNUSED(folder) }
};

} // namespace mirtal::platform
