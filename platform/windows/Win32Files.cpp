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

// ".<name>.mirtal-tmp-": a marker no user types, so that the sweep can never take a file of the user's.
std::wstring temporaryPrefix(const std::wstring& name) { return L"." + name + L".mirtal-tmp-"; }

std::uint64_t ticksOf(const FILETIME& time)
{
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// Temporary files that a replacement stopped half-way left beside the target: exactly our name (in its case), a
// file, a minute old so that no running replacement owns it. Anything else stays, whatever it is called.
void removeStaleTemporaries(const std::wstring& folder, const std::wstring& name)
{
    const std::wstring prefix = temporaryPrefix(name);
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW((folder + prefix + L"*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::uint64_t kMinute = 60ull * 10'000'000ull;
    do {
        const std::wstring_view found(data.cFileName);
        const bool ours = found.size() == prefix.size() + 8 && found.starts_with(prefix) &&
                          found.substr(prefix.size()).find_first_not_of(L"0123456789ABCDEF") == std::wstring_view::npos;
        const bool file = (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
        if (ours && file && ticksOf(data.ftLastWriteTime) + kMinute < ticksOf(now)) {
            const std::wstring stale = folder + data.cFileName;
            SetFileAttributesW(stale.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(stale.c_str());
        }
    } while (FindNextFileW(search, &data));
    FindClose(search);
}

// The owner, group and access list of the replaced file, as ReplaceFileW keeps them. Taking the owner needs a right
// the process may lack: then the access list alone. A failure leaves the new file as any new file in the folder.
void copySecurity(const std::wstring& from, const std::wstring& to)
{
    const SECURITY_INFORMATION wanted =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityW(from.c_str(), wanted, nullptr, 0, &size);
    if (size == 0)
        return;
    std::vector<unsigned char> descriptor(size);
    if (!GetFileSecurityW(from.c_str(), wanted, descriptor.data(), size, &size))
        return;
    if (!SetFileSecurityW(to.c_str(), wanted, descriptor.data()))
        SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
}

// The replaced file's alternate data streams (a zone mark, a thumbnail), as ReplaceFileW keeps them.
void copyStreams(const std::wstring& from, const std::wstring& to)
{
    WIN32_FIND_STREAM_DATA stream{};
    const HANDLE search = FindFirstStreamW(from.c_str(), FindStreamInfoStandard, &stream, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring streamName = stream.cStreamName;
        if (streamName == L"::$DATA")
            continue;
        const UniqueHandle in(CreateFileW((from + streamName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        const UniqueHandle out(
            CreateFileW((to + streamName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        char buffer[4096];
        DWORD count = 0, written = 0;
        while (in.valid() && out.valid() && ReadFile(in.get(), buffer, sizeof buffer, &count, nullptr) && count > 0 &&
               WriteFile(out.get(), buffer, count, &written, nullptr) && written == count) {
        }
    } while (FindNextStreamW(search, &stream));
    FindClose(search);
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

std::wstring locate(const std::wstring& folder, const std::wstring& name)
{
    const std::wstring joined = folder + L"\\" + name;
    if (name.find_first_of(L"*?") != std::wstring::npos)
        return joined;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileExW(joined.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return joined;
    FindClose(search);
    return folder + L"\\" + data.cFileName;
}

WinResult<TextFile> readText(const std::wstring& path, unsigned codePage)
{
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED)
            return systemFailure(L"Не удалось открыть файл", path, error);
        const std::size_t separator = lastSeparator(path);
        const std::wstring folder = separator == std::wstring::npos ? L"." : path.substr(0, separator);
        return WinStatus::failure(L"Файл настройки папки " + quoted(folder) + L" нельзя прочитать: нет прав доступа (" +
                                      systemErrorText(error) + L").",
                                  WinErrorKind::PermissionDenied, error);
    }
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
    if (bytes.starts_with("\xFE\xFF"))
        return WinStatus::failure(L"Файл " + quoted(path) +
                                      L" записан в кодировке UTF-16BE, которую Windows в файле настройки не читает. "
                                      L"Программа его не меняет.",
                                  WinErrorKind::Refused);
    if (!bytes.starts_with("\xFF\xFE"))
        return TextFile{splitLines(fromAnsi(bytes, codePage)), TextEncoding::Ansi};
    if (bytes.size() % 2 != 0)
        return WinStatus::failure(L"Файл " + quoted(path) + L" в кодировке UTF-16LE обрывается посреди символа.");
    std::wstring text(bytes.size() / 2 - 1, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i + 2]) |
                                       static_cast<unsigned char>(bytes[2 * i + 3]) << 8);
    return TextFile{splitLines(text), TextEncoding::Utf16Le};
}

ReplaceCalls systemReplaceCalls()
{
    return {
        [](const std::wstring& path, unsigned long value) { return setAttributes(path, value).isOk(); },
        [](const std::wstring& from, const std::wstring& to) {
            return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        },
    };
}

WinStatus replaceText(const std::wstring& path, std::wstring_view text, TextEncoding encoding, unsigned long attributes,
                      unsigned codePage, const ReplaceCalls& calls)
{
    std::string bytes;
    if (encoding == TextEncoding::Ansi) {
        WinResult<std::string> encoded = toAnsi(text, codePage);
        if (!encoded)
            return encoded.status();
        bytes = std::move(encoded).value() + "\r\n";
    } else {
        bytes = "\xFF\xFE";
        for (const wchar_t c : std::wstring(text) + L"\r\n")
            bytes.append({static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)});
    }

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
        tempPath = folder + temporaryPrefix(name) + uniqueSuffix();
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
        SetFileAttributesW(tempPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(tempPath.c_str());
        return failure;
    };

    if (WinStatus written = writeAll(temp.get(), bytes, path); !written)
        return abandon(written);
    if (!FlushFileBuffers(temp.get()))
        return abandon(systemFailure(L"Не удалось сбросить на диск файл", path, GetLastError()));
    if (!temp.reset())
        return abandon(systemFailure(L"Не удалось закрыть файл", path, GetLastError()));
    if (old != INVALID_FILE_ATTRIBUTES) {
        copyStreams(path, tempPath);
        copySecurity(path, tempPath);
    }
    // The move keeps the moved file's attributes: the new file never stands in the folder without them.
    if (!calls.setAttributes(tempPath, attributes))
        return abandon(systemFailure(L"Не удалось задать атрибуты", tempPath, GetLastError()));
    // A read-only file cannot be replaced: the bit goes just before, and comes back if the move fails.
    const bool readOnly = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY);
    const unsigned long oldSettable = old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (readOnly && !calls.setAttributes(path, oldSettable & ~static_cast<unsigned long>(FILE_ATTRIBUTE_READONLY)))
        return abandon(systemFailure(L"Не удалось задать атрибуты", path, GetLastError()));
    // Not ReplaceFileW: when it fails half-way the old file may be gone with the new one left under its temporary
    // name. A move is one rename: the target holds either content. What ReplaceFileW would carry over (owner,
    // access list, streams) the temporary file took above.
    if (!calls.move(tempPath, path)) {
        error = GetLastError();
        if (readOnly)
            calls.setAttributes(path, oldSettable);
        return abandon(systemFailure(L"Не удалось заменить файл", path, error));
    }
    removeStaleTemporaries(folder, name);
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
