#include "DriveList.h"

#include <QDir>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace mirtal::app {
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

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int) { Q_EMIT driveChanged(); });
}

QString DriveList::driveOf(const QStringList& roots, const QString& folder)
{
    QString best = QStringLiteral("/");
    for (const QString& root : roots) {
        const bool inside =
            folder == root || folder.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveList::refresh(const QString& folder)
{
    const QSignalBlocker blocker(this);
    clear();
    QSet<QString> seen;
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !isUserVolume(volume) || seen.contains(volume.rootPath()))
            continue;
        seen.insert(volume.rootPath());
        roots.append(volume.rootPath());
    }
    if (!seen.contains(QStringLiteral("/")))
        roots.prepend(QStringLiteral("/"));
    roots.sort();
    for (const QString& root : roots) {
        const QStorageInfo volume(root);
        const QString label = volume.name().isEmpty() ? QString() : QStringLiteral(" [%1]").arg(volume.name());
        addItem(QDir::toNativeSeparators(root) + label, root);
    }
    restore(driveOf(roots, folder));
}

QStringList DriveList::roots() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(itemData(i).toString());
    return list;
}

QString DriveList::drive() const { return currentData().toString(); }

void DriveList::restore(const QString& driveRoot)
{
    const QSignalBlocker blocker(this);
    const int index = findData(driveRoot);
    if (index >= 0)
        setCurrentIndex(index);
}

} // namespace mirtal::app
