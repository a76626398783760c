#include "DriveList.h"

#include "platform/Paths.h"

#include <QSignalBlocker>

namespace mirtal::app {

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
    QStringList roots;
    for (const platform::Volume& volume : platform::userVolumes()) {
        addItem(volume.caption, volume.root);
        roots.append(volume.root);
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
