#pragma once

#include <windows.h>

#include <string>

// Raw bytes in and out, past the layer under test.
inline bool writeBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok;
}

inline std::string readBytes(const std::wstring& path)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    char buffer[4096];
    DWORD count = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0)
        bytes.append(buffer, count);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return bytes;
}

// A new folder with a Cyrillic name under the user's temporary folder, taken away with all it holds at the end.
class TempFolder final {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        for (unsigned n = GetCurrentProcessId();; ++n) {
            m_path = std::wstring(base) + L"Мирталь проверка " + std::to_wstring(n);
            if (CreateDirectoryW(m_path.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
    }
    ~TempFolder() { removeTree(m_path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

    // Names in the folder, hidden ones included, separated by '|'.
    std::wstring listing() const
    {
        std::wstring names;
        forEach(m_path, [&](const std::wstring& name, DWORD) { names += (names.empty() ? L"" : L"|") + name; });
        return names;
    }

private:
    template <typename F> static void forEach(const std::wstring& folder, F f)
    {
        WIN32_FIND_DATAW data{};
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                f(name, data.dwFileAttributes);
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    static void removeTree(const std::wstring& path)
    {
        forEach(path, [&](const std::wstring& name, DWORD attributes) {
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            (attributes & FILE_ATTRIBUTE_DIRECTORY) ? removeTree(child) : void(DeleteFileW(child.c_str()));
        });
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(path.c_str());
    }

    std::wstring m_path;
};
