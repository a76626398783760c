#include "RealWindow.h"

using namespace mirtal;

RealWindow::RealWindow(const QString& startFolder, const QString& programFolder, platform::LinuxSysCalls sys,
                       platform::AnsiCodePage codePage)
    : fileSystem(codePage, programFolder, std::move(sys))
    , m_errorPath(dialogs, [this](int) { ++ends; })
{
    m_form = std::make_unique<app::Form1>(app::Form1Services{
        fileSystem, pictures, dialogs, shell, screen, m_errorPath, {}, {}, startFolder, QLocale::c()});
}
