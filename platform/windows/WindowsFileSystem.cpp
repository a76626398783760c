#include "platform/windows/WindowsFileSystem.h"

#include "platform/windows/QtBridge.h"
#include "platform/windows/Win32Files.h"

namespace mirtal::platform {
namespace {

win::FindFilter winFilter(FindFilter filter)
{
    switch (filter) {
    case FindFilter::NormalFiles:
        return win::FindFilter::NormalFiles;
    case FindFilter::FilesWithHiddenSystem:
        return win::FindFilter::FilesWithHiddenSystem;
    case FindFilter::FilesAndDirectories:
        break;
    }
    return win::FindFilter::FilesAndDirectories;
}

} // namespace

bool WindowsFileSystem::find(const QString& path, FindFilter filter) const
{
    return win::find(toWide(path), winFilter(filter));
}

Result<QStringList> WindowsFileSystem::readLines(const QString& path) const
{
    const auto lines = win::readLines(toWide(path));
    if (!lines)
        return statusOf(lines.status());
    QStringList result;
    result.reserve(static_cast<qsizetype>(lines->size()));
    for (const std::wstring& line : *lines)
        result.append(fromWide(line));
    return result;
}

Status WindowsFileSystem::writeText(const QString& path, const QString& text)
{
    return statusOf(win::writeText(toWide(path), toWide(text)));
}

Status WindowsFileSystem::checkEncodable(const QString& text) const
{
    const auto encoded = win::toAnsi(toWide(text));
    return encoded ? Status::ok() : statusOf(encoded.status());
}

Result<quint32> WindowsFileSystem::attributes(const QString& path) const
{
    const auto bits = win::attributes(toWide(path));
    if (!bits)
        return statusOf(bits.status());
    return static_cast<quint32>(*bits);
}

Status WindowsFileSystem::setAttributes(const QString& path, quint32 value)
{
    return statusOf(win::setAttributes(toWide(path), value));
}

Status WindowsFileSystem::removeFile(const QString& path) { return statusOf(win::removeFile(toWide(path))); }

Status WindowsFileSystem::makeDirectory(const QString& path) { return statusOf(win::makeDirectory(toWide(path))); }

QString WindowsFileSystem::programDirectory() const { return fromWide(win::programDirectory()); }

} // namespace mirtal::platform
