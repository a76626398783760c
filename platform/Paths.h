#pragma once

#include <QString>
#include <QStringList>

namespace mirtal::platform {

// The separator of this operating system: '/' on Linux, '\' on Windows.
QChar pathSeparator();

// Joins as the strings stand, without looking for a trailing separator (a root gives a doubled one).
QString joinPath(const QString& folder, const QString& name);

// Position of the last separator, or -1.
qsizetype lastSeparator(const QString& path);

// The names of the folders in folder, links to folders included, hidden ones left out; in no particular order, and
// none when it cannot be listed. One pass over the listing: an entry is looked at on its own only where the listing
// does not tell its type.
QStringList subfolderNames(const QString& folder);

} // namespace mirtal::platform
