#include "platform/Paths.h"

namespace mirtal::platform {

QChar pathSeparator() { return QLatin1Char('/'); }

QString joinPath(const QString& folder, const QString& name) { return folder + pathSeparator() + name; }

qsizetype lastSeparator(const QString& path) { return path.lastIndexOf(pathSeparator()); }

} // namespace mirtal::platform
