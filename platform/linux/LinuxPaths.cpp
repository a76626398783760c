#include "platform/Paths.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace mirtal::platform {

QChar pathSeparator() { return QLatin1Char('/'); }

QString joinPath(const QString& folder, const QString& name) { return folder + pathSeparator() + name; }

qsizetype lastSeparator(const QString& path) { return path.lastIndexOf(pathSeparator()); }

QStringList subfolderNames(const QString& folder)
{
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        // A leading dot: ".", ".." and the hidden ones.
        if (entry->d_name[0] == '.')
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFolder = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

} // namespace mirtal::platform
