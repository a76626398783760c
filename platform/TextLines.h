#pragma once

#include <QStringList>

namespace mirtal::platform {

// Text as the program reads files: a line ends at CR or CR LF, a lone LF stays in the line, the last line needs
// no end.
QStringList splitLines(const QString& text);

} // namespace mirtal::platform
