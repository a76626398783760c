#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace mirtal::platform {

// The separator of this operating system: '/' on Linux, '\' on Windows.
QChar pathSeparator();

// Joins as the strings stand, without looking for a trailing separator (a root gives a doubled one).
QString joinPath(const QString& folder, const QString& name);

// Position of the last separator, or -1.
qsizetype lastSeparator(const QString& path);

// The names of the folders in folder, links to folders included, hidden ones left out; in no particular order, and
// none when it cannot be listed. One pass over the listing: an entry is looked at on its own only where the listing
// does not tell its type.
QStringList subfolderNames(const QString& folder);

// A volume of the drive list: its root as Qt writes paths ("/", "/media/usb", "C:/") and the text the list shows.
struct Volume {
    QString root;
    QString caption;
};

// The volumes a user works with, sorted by root: on Linux the root, the home folder's volume and removable media
// (mount point and label), on Windows every drive that is ready (drive letter and label).
QList<Volume> userVolumes();

} // namespace mirtal::platform
