#include "platform/Platform.h"
#include "platform/qt/QtHttpTransfer.h"
#include "platform/qt/QtPictures.h"
#include "platform/qt/QtScreen.h"
#include "platform/windows/WindowsDialogs.h"
#include "platform/windows/WindowsFileSystem.h"
#include "platform/windows/WindowsShell.h"

namespace mirtal::platform {

Services createServices()
{
    Services services;
    services.fileSystem = std::make_unique<WindowsFileSystem>();
    services.pictures = std::make_unique<QtPictures>();
    services.dialogs = std::make_unique<WindowsDialogs>();
    services.shell = std::make_unique<WindowsShell>();
    services.screen = std::make_unique<QtScreen>();
    services.http = std::make_unique<QtHttpTransfer>();
    return services;
}

} // namespace mirtal::platform
