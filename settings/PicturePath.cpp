#include "PicturePath.h"

#include "platform/Paths.h"

#include <QStringList>

namespace mirtal::settings {

namespace {

bool isSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

QChar separatorOf(PathStyle style) { return style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/'); }

} // namespace

PathStyle hostPathStyle()
{
    return platform::pathSeparator() == QLatin1Char('\\') ? PathStyle::Windows : PathStyle::Linux;
}

bool isFolderRelative(const QString& path)
{
    if (path.isEmpty() || isSeparator(path.front()))
        return false;
    const bool drive =
        path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.front().isLetter() && path.front().unicode() < 0x80;
    return !drive;
}

QString resolvePicturePath(const QString& folder, const QString& pathRead, PathStyle style)
{
    if (!isFolderRelative(pathRead))
        return pathRead;
    const QChar separator = separatorOf(style);
    QStringList steps;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= pathRead.size(); ++i) {
        if (i < pathRead.size() && !isSeparator(pathRead.at(i)))
            continue;
        const QString step = pathRead.mid(start, i - start);
        if (!step.isEmpty() && step != QLatin1String("."))
            steps.append(step);
        start = i + 1;
    }
    if (steps.isEmpty())
        return folder;
    // A root ("/", "C:\") or a folder typed with a trailing separator already ends in one.
    const bool endsInSeparator = !folder.isEmpty() && (folder.back() == separator ||
                                                       (style == PathStyle::Windows && isSeparator(folder.back())));
    return folder + (endsInSeparator ? QString() : QString(separator)) + steps.join(separator);
}

QString picturePathToWrite(const QString& folder, const QString& imagePath, PathStyle style,
                           const CanonicalPath& canonical)
{
    // Windows clients resolve a full Windows path themselves; a relative one read from the file stays as read.
    if (style == PathStyle::Windows || !imagePath.startsWith(QLatin1Char('/')))
        return imagePath;
    const QString realFolder = canonical(folder);
    const QString realPicture = canonical(imagePath);
    if (realFolder.isEmpty() || realPicture.isEmpty())
        return imagePath;
    // The separator after the folder keeps "/a/bc/x.jpg" out of "/a/b"; the root already ends in one.
    const QString below = realFolder.endsWith(QLatin1Char('/')) ? realFolder : realFolder + QLatin1Char('/');
    if (!realPicture.startsWith(below) || realPicture.size() == below.size())
        return imagePath;
    QString relative = realPicture.mid(below.size());
    // A backslash inside a Linux name would read as a separator on Windows and in the load.
    if (relative.contains(QLatin1Char('\\')))
        return imagePath;
    relative.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral(".\\") + relative;
}

} // namespace mirtal::settings
