#include "DriveList.h"

#include <QDir>
#include <QMap>
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
    // Mount point to label; the root is always offered.
    QMap<QString, QString> volumes{{QStringLiteral("/"), QString()}};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && isUserVolume(volume))
            volumes.insert(volume.rootPath(), volume.name());
    }
    for (auto it = volumes.cbegin(); it != volumes.cend(); ++it) {
        const QString label = it.value().isEmpty() ? QString() : QStringLiteral(" [%1]").arg(it.value());
        addItem(QDir::toNativeSeparators(it.key()) + label, it.key());
    }
    restore(driveOf(volumes.keys(), folder));
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
