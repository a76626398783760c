#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStorageInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace mirtal::platform {
namespace {

bool isUserVolume(const QStorageInfo& volume)
{
    const QString root = volume.rootPath();
    if (root == QLatin1String("/"))
        return true;
    static const QStringList removable = {QStringLiteral("/media/"), QStringLiteral("/run/media/"),
                                          QStringLiteral("/mnt/")};
    for (const QString& prefix : removable) {
        if (root.startsWith(prefix))
            return true;
    }
    const QString home = QDir::homePath();
    return home == root || home.startsWith(root + QLatin1Char('/'));
}

} // namespace

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

QList<Volume> userVolumes()
{
    // Mount point to label; the root is always offered.
    QMap<QString, QString> labels{{QStringLiteral("/"), QString()}};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && isUserVolume(volume))
            labels.insert(volume.rootPath(), volume.name());
    }
    QList<Volume> volumes;
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        volumes.append(
            {it.key(), it.value().isEmpty() ? it.key() : QStringLiteral("%1 [%2]").arg(it.key(), it.value())});
    return volumes;
}

} // namespace mirtal::platform
