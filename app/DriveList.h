#pragma once

#include <QComboBox>
#include <QStringList>

namespace mirtal::app {

// The drive list: the mounted volumes a user works with (the root, the home folder's volume, removable media),
// each shown as the platform names it (mount point or drive letter, with its label in brackets).
class DriveList final : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DriveList)

    // Re-reads the volumes and makes the one that holds folder current, without a change signal.
    void refresh(const QString& folder);
    // The mount point of the current entry.
    QString drive() const;
    // Makes the entry of this mount point current again, without a change signal.
    void restore(const QString& drive);

    // The mount points listed.
    QStringList roots() const;

    static QString driveOf(const QStringList& roots, const QString& folder);

Q_SIGNALS:
    // The user picked another drive.
    void driveChanged();
};

} // namespace mirtal::app
