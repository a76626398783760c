#include "platform/windows/Win32Files.h"

#include "platform/windows/UniqueHandle.h"

#include <windows.h>

#include <cstdint>

namespace mirtal::win {
namespace {

// Files larger than this are refused rather than read into memory: no settings file comes near it.
constexpr std::int64_t kMaxReadSize = 64 * 1024 * 1024;

bool isNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH ||
           error == ERROR_INVALID_DRIVE || error == ERROR_BAD_NET_NAME;
}

std::wstring quoted(const std::wstring& path) { return L"«" + path + L"»"; }

// "<what> «<path>»: <system message>", as the Linux build words it.
WinStatus systemFailure(const std::wstring& what, const std::wstring& path, DWORD error)
{
    return WinStatus::failure(what + L" " + quoted(path) + L": " + systemErrorText(error),
                              isNotFound(error) ? WinErrorKind::NotFound : WinErrorKind::Failed, error);
}

std::size_t lastSeparator(std::wstring_view path) { return path.find_last_of(L"\\/"); }

// A name different on every call within the process and, through the process id, across processes.
std::wstring uniqueSuffix()
{
    static LONG counter = 0;
    const auto mixed = static_cast<unsigned long long>(GetTickCount64()) * 0x9E3779B97F4A7C15ull ^
                       (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^
                       static_cast<unsigned long long>(InterlockedIncrement(&counter));
    wchar_t digits[24] = {};
    wsprintfW(digits, L"%08lX", static_cast<unsigned long>(mixed ^ (mixed >> 32)));
    return digits;
}

WinStatus writeAll(HANDLE file, const std::string& bytes, const std::wstring& path)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr))
            return systemFailure(L"Не удалось записать файл", path, GetLastError());
        if (written == 0)
            return systemFailure(L"Не удалось записать файл", path, ERROR_WRITE_FAULT);
        data += written;
        left -= written;
    }
    return WinStatus::ok();
}

} // namespace

bool find(const std::wstring& path, FindFilter filter)
{
    const std::wstring_view name = std::wstring_view(path).substr(lastSeparator(path) + 1);
    if (name.empty() || name.find_first_of(L"*?") != std::wstring_view::npos)
        return false;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    const DWORD bits = data.dwFileAttributes;
    if (bits & FILE_ATTRIBUTE_DIRECTORY)
        return filter == FindFilter::FilesAndDirectories;
    if (filter == FindFilter::NormalFiles)
        return (bits & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
    return true;
}

WinResult<unsigned long> attributes(const std::wstring& path)
{
    const DWORD bits = GetFileAttributesW(path.c_str());
    if (bits == INVALID_FILE_ATTRIBUTES)
        return systemFailure(L"Не удалось прочитать атрибуты", path, GetLastError());
    return static_cast<unsigned long>(bits);
}

WinStatus setAttributes(const std::wstring& path, unsigned long value)
{
    // FILE_ATTRIBUTE_NORMAL is the spelling of "none" that every Windows version takes.
    const DWORD bits = value == 0 ? FILE_ATTRIBUTE_NORMAL : static_cast<DWORD>(value);
    if (!SetFileAttributesW(path.c_str(), bits))
        return systemFailure(L"Не удалось задать атрибуты", path, GetLastError());
    return WinStatus::ok();
}

WinResult<std::vector<std::wstring>> readLines(const std::wstring& path, unsigned codePage)
{
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return systemFailure(L"Не удалось открыть файл", path, GetLastError());
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        return WinStatus::failure(quoted(path) + L" не является обычным файлом");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        return systemFailure(L"Не удалось прочитать файл", path, GetLastError());
    if (size.QuadPart > kMaxReadSize)
        return WinStatus::failure(L"Файл " + quoted(path) + L" слишком велик: " + std::to_wstring(size.QuadPart) +
                                  L" байт");

    // Bytes appended after the size was taken are not read.
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD count = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &count, nullptr))
            return systemFailure(L"Не удалось прочитать файл", path, GetLastError());
        if (count == 0)
            break;
        done += count;
    }
    bytes.resize(done);
    return splitLines(fromAnsi(bytes, codePage));
}

WinStatus writeText(const std::wstring& path, std::wstring_view text, unsigned codePage)
{
    WinResult<std::string> encoded = toAnsi(text, codePage);
    if (!encoded)
        return encoded.status();
    std::string bytes = std::move(encoded).value();
    bytes += "\r\n";

    const std::size_t separator = lastSeparator(path);
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
    const std::wstring name = path.substr(separator == std::wstring::npos ? 0 : separator + 1);
    const DWORD old = GetFileAttributesW(path.c_str());
    if (name.empty() || (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY)))
        return WinStatus::failure(L"Не удалось записать файл " + quoted(path) + L": это папка", WinErrorKind::Failed,
                                  ERROR_ACCESS_DENIED);

    // In the same folder, so that the move below is a rename on one volume and never a copy.
    std::wstring tempPath;
    UniqueHandle temp;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 100 && !temp.valid(); ++attempt) {
        tempPath = folder + L"~" + name + L"." + uniqueSuffix() + L".tmp";
        temp = UniqueHandle(
            CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        error = GetLastError();
        if (!temp.valid() && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!temp.valid())
        return systemFailure(L"Не удалось создать временный файл в папке", folder.empty() ? L"." : folder, error);

    // Takes the temporary file away again; the old file has not been touched.
    const auto abandon = [&](WinStatus failure) {
        temp.reset();
        DeleteFileW(tempPath.c_str());
        return failure;
    };

    if (WinStatus written = writeAll(temp.get(), bytes, path); !written)
        return abandon(written);
    if (!FlushFileBuffers(temp.get()))
        return abandon(systemFailure(L"Не удалось сбросить на диск файл", path, GetLastError()));
    if (!temp.reset())
        return abandon(systemFailure(L"Не удалось закрыть файл", path, GetLastError()));
    // Not ReplaceFileW: when it fails half-way the old file may be gone with the new one left under its temporary
    // name. A move is one rename: the target holds either content.
    if (!MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return abandon(systemFailure(L"Не удалось заменить файл", path, GetLastError()));
    return WinStatus::ok();
}

WinStatus removeFile(const std::wstring& path)
{
    if (!DeleteFileW(path.c_str()))
        return systemFailure(L"Не удалось удалить файл", path, GetLastError());
    return WinStatus::ok();
}

WinStatus makeDirectory(const std::wstring& path)
{
    if (!CreateDirectoryW(path.c_str(), nullptr))
        return systemFailure(L"Не удалось создать папку", path, GetLastError());
    return WinStatus::ok();
}

std::wstring directoryOf(std::wstring_view modulePath)
{
    const std::size_t separator = lastSeparator(modulePath);
    if (separator == std::wstring_view::npos)
        return {};
    std::wstring folder(modulePath.substr(0, separator));
    // "C:" alone would mean the current folder of drive C, not its root.
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    return folder;
}

std::wstring programDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return directoryOf(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace mirtal::win
