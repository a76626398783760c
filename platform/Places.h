#pragma once

#include <QString>

namespace mirtal::platform {

// The path with links, "." and ".." resolved as the file system has them; empty when it does not exist.
QString canonicalPath(const QString& path);

// The folder an install puts the program into, as the build was configured; empty where the build installs nothing.
QString installedProgramDirectory();

// Where the scaled copies of pictures go, without a trailing separator. A program run from where it was built keeps
// them in "pictures" beside itself. Installed, the folder beside it belongs to the system, so they go to the user's
// data folder: dataHome ($XDG_DATA_HOME) when it is an absolute path, else home/.local/share, then "mirtal/pictures".
// installedDirectory and programDirectory are compared as given, apart from trailing separators.
QString picturesFolder(const QString& programDirectory, const QString& installedDirectory, const QString& dataHome,
                       const QString& home);

// The same for this process: the configured install folder and the environment, both folders taken canonical.
QString picturesFolder(const QString& programDirectory);

} // namespace mirtal::platform
