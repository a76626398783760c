#pragma once

#include "platform/Shell.h"

namespace mirtal::platform {

// Hands folders and addresses to the desktop's default handlers; no command line is built.
class QtShell final : public Shell {
public:
    QtShell() = default;
    Status openFolder(const QString& path) override;
    Status openUrl(const QString& url) override;
};

} // namespace mirtal::platform
