#pragma once

#include "Dialogs.h"
#include "FileSystem.h"
#include "HttpTransfer.h"
#include "Pictures.h"
#include "Screen.h"
#include "Shell.h"

#include <memory>

namespace mirtal::platform {

// Every operation the program asks of the operating system, one interface per family.
struct Services {
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<Pictures> pictures;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<Screen> screen;
    std::unique_ptr<HttpTransfer> http;
};

// The real implementations of this operating system (chosen at build time). Needs a QApplication.
Services createServices();

} // namespace mirtal::platform
