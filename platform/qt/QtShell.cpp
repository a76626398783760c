#include "QtShell.h"

#include <QDesktopServices>
#include <QUrl>

namespace mirtal::platform {

Status QtShell::openFolder(const QString& path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return Status::failure(QStringLiteral("Не удалось открыть папку «%1» в файловом менеджере.").arg(path));
    return Status::ok();
}

Status QtShell::openUrl(const QString& url)
{
    if (!QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode)))
        return Status::failure(QStringLiteral("Не удалось открыть адрес %1.").arg(url));
    return Status::ok();
}

} // namespace mirtal::platform
