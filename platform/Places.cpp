#include "platform/Places.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace mirtal::platform {

namespace {

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

} // namespace

QString canonicalPath(const QString& path) { return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath(); }

QString installedProgramDirectory()
{
#ifdef MIRTAL_INSTALLED_PROGRAM_DIRECTORY
    return QStringLiteral(MIRTAL_INSTALLED_PROGRAM_DIRECTORY);
#else
    return {};
#endif
}

QString picturesFolder(const QString& programDirectory, const QString& installedDirectory, const QString& dataHome,
                       const QString& home)
{
    const QString pictures = QStringLiteral("pictures");
    if (installedDirectory.isEmpty() ||
        withoutTrailingSeparators(programDirectory) != withoutTrailingSeparators(installedDirectory))
        return joinPath(programDirectory, pictures);
    // A relative $XDG_DATA_HOME is to be ignored, as the base directory rules say.
    const QString base = dataHome.startsWith(QLatin1Char('/')) ? dataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/mirtal/") + pictures);
}

QString picturesFolder(const QString& programDirectory)
{
    // Compared as the file system has them, so that links on the way (a merged /bin, a linked prefix) do not make
    // the installed program look like a build.
    const QString real = canonicalPath(programDirectory);
    const QString installed = canonicalPath(installedProgramDirectory());
    if (real.isEmpty() || real != installed)
        return joinPath(programDirectory, QStringLiteral("pictures"));
    return picturesFolder(real, installed, qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
}

} // namespace mirtal::platform
