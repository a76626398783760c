#pragma once

#include <QString>

namespace mirtal::platform {

// The separator of this operating system: '/' on Linux, '\' on Windows.
QChar pathSeparator();

// Joins as the strings stand, without looking for a trailing separator (a root gives a doubled one).
QString joinPath(const QString& folder, const QString& name);

// Position of the last separator, or -1.
qsizetype lastSeparator(const QString& path);

} // namespace mirtal::platform
