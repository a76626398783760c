#pragma once

#include "platform/FileSystem.h"
#include "platform/Pictures.h"
#include "platform/Result.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace mirtal::picture {

// The surface colour of a scaled copy: transparent parts of the picture end up white.
inline constexpr QRgb kCopyBackground = 0xFFFFFFFF;

// The folder of the scaled copies, "pictures" in the program's folder, without a trailing separator.
QString picturesFolder(const QString& programDirectory);
// The same folder followed by a separator, ready for a file name to be appended.
QString picturesDir(const QString& programDirectory);

// The copy that belongs to a picture: copiesDir (see picturesDir), the file name without its last four
// characters, ".bmp". A file name shorter than four characters has no copy.
std::optional<QString> scaledCopyPath(const QString& copiesDir, const QString& imagePath);

// Stretches the whole source onto a white surface of exactly size, creates copiesFolder when it is missing
// and saves the surface as a BMP at copyPath. A failure names what could not be written; nothing else is
// touched.
Status writeScaledCopy(platform::Pictures& pictures, platform::FileSystem& fileSystem, const QImage& source, QSize size,
                       const QString& copiesFolder, const QString& copyPath);

} // namespace mirtal::picture
