#include "ScaledCopy.h"

#include "platform/Paths.h"

namespace mirtal::picture {

namespace {

// Taken to be a dot and a three-letter extension.
constexpr qsizetype kExtensionLength = 4;

} // namespace

QString picturesFolder(const QString& programDirectory)
{
    return platform::joinPath(programDirectory, QStringLiteral("pictures"));
}

QString picturesDir(const QString& programDirectory)
{
    return picturesFolder(programDirectory) + platform::pathSeparator();
}

std::optional<QString> scaledCopyPath(const QString& copiesDir, const QString& imagePath)
{
    const qsizetype nameStart = platform::lastSeparator(imagePath) + 1;
    const qsizetype baseLength = imagePath.size() - nameStart - kExtensionLength;
    if (baseLength < 0)
        return std::nullopt;
    return copiesDir + imagePath.mid(nameStart, baseLength) + QStringLiteral(".bmp");
}

Status writeScaledCopy(platform::Pictures& pictures, platform::FileSystem& fileSystem, const QImage& source, QSize size,
                       const QString& copiesFolder, const QString& copyPath)
{
    const QString dimensions = QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height());
    if (size.width() < 1 || size.height() < 1) {
        return Status::failure(QStringLiteral("Не удалось записать копию картинки «%1».\nРазмер %2 недопустим.")
                                   .arg(copyPath, dimensions));
    }
    const QImage surface = pictures.stretch(source, size, kCopyBackground);
    if (surface.isNull()) {
        return Status::failure(
            QStringLiteral("Не удалось записать копию картинки «%1».\nНе хватает памяти для картинки %2.")
                .arg(copyPath, dimensions));
    }
    if (!fileSystem.find(copiesFolder, platform::FindFilter::FilesAndDirectories)) {
        const Status made = fileSystem.makeDirectory(copiesFolder);
        if (!made) {
            return Status::failure(QStringLiteral("Не удалось создать папку для копий картинок «%1».\n%2")
                                       .arg(copiesFolder, made.message()),
                                   made.kind());
        }
    }
    const Status saved = pictures.saveBmp(surface, copyPath);
    if (!saved) {
        return Status::failure(
            QStringLiteral("Не удалось записать копию картинки «%1».\n%2").arg(copyPath, saved.message()),
            saved.kind());
    }
    return Status::ok();
}

} // namespace mirtal::picture
