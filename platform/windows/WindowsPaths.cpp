#include "platform/Paths.h"

#include <QDirIterator>

namespace mirtal::platform {

QChar pathSeparator() { return QLatin1Char('\\'); }

QString joinPath(const QString& folder, const QString& name) { return folder + pathSeparator() + name; }

// Windows takes '/' as a separator too, and paths that passed through Qt may carry it.
qsizetype lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(pathSeparator()), path.lastIndexOf(QLatin1Char('/')));
}

// The iterator takes each entry's type from the directory listing, without a look-up per entry.
QStringList subfolderNames(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

} // namespace mirtal::platform
