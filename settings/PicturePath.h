#pragma once

#include <QString>

#include <functional>

namespace mirtal::settings {

// How the system that follows a picture path splits it: on Linux a path read from Desktop.ini is still written for
// Windows, so its backslashes are separators too.
enum class PathStyle { Linux, Windows };

// The style of the system this program runs on.
PathStyle hostPathStyle();

// Whether a picture path names its file from the folder whose Desktop.ini holds it: "фон.jpg", ".\фон.jpg",
// "sub\x.jpg", "..\x.jpg". A path from a root ("/x.jpg", "\x.jpg"), with a drive ("C:\x.jpg", "C:x.jpg") or of a
// share ("\\srv\x.jpg") is not, on either system, and neither is an empty one.
bool isFolderRelative(const QString& path);

// The file that a picture path read from folder's Desktop.ini names, for the preview: a folder-relative path is
// joined to folder with the host's separators ("." steps dropped, ".." kept for the file system to follow); any
// other path comes back as read.
QString resolvePicturePath(const QString& folder, const QString& pathRead, PathStyle style);

// The path with links, "." and ".." resolved as the file system has them; empty when it does not exist.
using CanonicalPath = std::function<QString(const QString&)>;

// The path to write after "IconArea_Image=" for imagePath, the picture as the editor holds it (chosen, made or read
// from the file). On Linux a picture that lies below folder, by the file system's own view of both (links
// followed), is written relative to it with backslashes, ".\лес.jpg" or ".\sub\лес.jpg", so that a Windows client of
// a share finds it; anything else is written as held: a picture outside the folder or missing, the folder itself, a
// name with a backslash of its own, and a folder-relative path read from the file. On Windows always as held.
QString picturePathToWrite(const QString& folder, const QString& imagePath, PathStyle style,
                           const CanonicalPath& canonical);

} // namespace mirtal::settings
