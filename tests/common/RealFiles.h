#pragma once

#include <QDir>
#include <QFile>

#include <sys/xattr.h>

// Files on the real disk as a test looks at them, past the program's own file-system layer.
namespace mirtal::test {

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The raw user.DOSATTRIB value; empty when there is none.
inline QByteArray dosAttrib(const QString& path)
{
    char value[64] = {};
    const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", value, sizeof value);
    return size < 0 ? QByteArray() : QByteArray(value, static_cast<qsizetype>(size));
}

inline bool setDosAttrib(const QString& path, const QByteArray& value)
{
    return ::setxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", value.constData(),
                      static_cast<size_t>(value.size()), 0) == 0;
}

inline bool xattrsWork(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    return ::setxattr(path.constData(), "user.mirtal-probe", "1", 1, 0) == 0 &&
           ::removexattr(path.constData(), "user.mirtal-probe") == 0;
}

// The temporary files that an interrupted replacement of Desktop.ini leaves in its folder.
inline QStringList leftoverTemporaries(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".Desktop.ini.*")}, QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace mirtal::test
