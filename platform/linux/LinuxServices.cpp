#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtHttpTransfer.h"
#include "platform/qt/QtPictures.h"
#include "platform/qt/QtScreen.h"
#include "platform/qt/QtShell.h"

#include <QCoreApplication>

namespace mirtal::platform {

Services createServices()
{
    Services services;
    services.fileSystem = std::make_unique<LinuxFileSystem>(AnsiCodePage::forLocale(QLocale::system()),
                                                            QCoreApplication::applicationDirPath());
    services.pictures = std::make_unique<QtPictures>();
    services.dialogs = std::make_unique<QtDialogs>();
    services.shell = std::make_unique<QtShell>();
    services.screen = std::make_unique<QtScreen>();
    services.http = std::make_unique<QtHttpTransfer>();
    return services;
}

} // namespace mirtal::platform
