#include "platform/Paths.h"

#include <QDirIterator>
#include <QStorageInfo>

#include <algorithm>

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

// Every drive that is ready, named by its letter and label as Windows lists drives: "C: [Windows]".
QList<Volume> userVolumes()
{
    QList<Volume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath(); // "C:/"
        if (!volume.isValid() || !volume.isReady() || root.size() != 3 || root[1] != QLatin1Char(':'))
            continue;
        const QString letter = root.left(2).toUpper();
        const QString label = volume.name();
        volumes.append({root, label.isEmpty() ? letter : QStringLiteral("%1 [%2]").arg(letter, label)});
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return volumes;
}

} // namespace mirtal::platform
