#pragma once

#include "platform/Shell.h"

#include <QStringList>

namespace mirtal::platform {

class FakeShell final : public Shell {
public:
    FakeShell() = default;

    QStringList openedFolders;
    QStringList openedUrls;
    Status nextResult = Status::ok();

    Status openFolder(const QString& path) override
    {
        openedFolders.append(path);
        return nextResult;
    }
    Status openUrl(const QString& url) override
    {
        openedUrls.append(url);
        return nextResult;
    }
};

} // namespace mirtal::platform
