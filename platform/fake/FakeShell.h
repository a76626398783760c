#pragma once

#include "platform/Shell.h"

#include <QStringList>

namespace mirtal::platform {

class FakeShell final : public Shell {
public:
    FakeShell() = default;

    QStringList openedFolders;
    QStringList openedUrls;
    QStringList changedFolders;
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
    void folderChanged(const QString& folder) override { changedFolders.append(folder); }
};

} // namespace mirtal::platform
