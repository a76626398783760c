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

QString WindowsFileSystem::locate(const QString& folder, const QString& name) const
{
    return fromWide(win::locate(toWide(folder), toWide(name)));
}

Result<TextFile> WindowsFileSystem::readText(const QString& path) const
{
    const auto text = win::readText(toWide(path));
    if (!text)
        return statusOf(text.status());
    TextFile result;
    result.lines.reserve(static_cast<qsizetype>(text->lines.size()));
    for (const std::wstring& line : text->lines)
        result.lines.append(fromWide(line));
    result.encoding = text->encoding == win::TextEncoding::Utf16Le ? TextEncoding::Utf16Le : TextEncoding::Ansi;
    return result;
}

Status WindowsFileSystem::replaceText(const QString& path, const QString& text, TextEncoding encoding,
                                      quint32 attributes)
{
    const auto winEncoding = encoding == TextEncoding::Utf16Le ? win::TextEncoding::Utf16Le : win::TextEncoding::Ansi;
    return statusOf(win::replaceText(toWide(path), toWide(text), winEncoding, attributes));
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
