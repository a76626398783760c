#include "platform/Paths.h"

namespace mirtal::platform {

QChar pathSeparator() { return QLatin1Char('\\'); }

QString joinPath(const QString& folder, const QString& name) { return folder + pathSeparator() + name; }

// Windows takes '/' as a separator too, and paths that passed through Qt may carry it.
qsizetype lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(pathSeparator()), path.lastIndexOf(QLatin1Char('/')));
}

} // namespace mirtal::platform
