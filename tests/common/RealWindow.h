#pragma once

#include "common/WindowView.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"

// Over the real Linux file system and Qt's picture readers; the window starts (and runs its first load) at once.
class RealWindow final : public WindowView {
public:
    RealWindow(const QString& startFolder, const QString& programFolder, mirtal::platform::LinuxSysCalls sys = {})
        : fileSystem(mirtal::platform::AnsiCodePage::windows1251(), programFolder, std::move(sys))
    {
        open(fileSystem, pictures, startFolder, QLocale::c());
    }
    ~RealWindow() { m_window.reset(); } // before the services it uses

    mirtal::platform::LinuxFileSystem fileSystem;
    mirtal::platform::QtPictures pictures;
};
