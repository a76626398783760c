#pragma once

#include <windows.h>

#include <string>

// A new folder under the user's temporary folder, with a Cyrillic name, taken away with all it holds at the end.
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

    // Names in the folder, "." and ".." aside, hidden ones included.
    std::wstring listing() const
    {
        std::wstring names;
        WIN32_FIND_DATAW data{};
        const HANDLE search = FindFirstFileW((m_path + L"\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                names += (names.empty() ? L"" : L"|") + name;
        } while (FindNextFileW(search, &data));
        FindClose(search);
        return names;
    }

private:
    static void removeTree(const std::wstring& path)
    {
        WIN32_FIND_DATAW data{};
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = path + L"\\" + name;
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeTree(child);
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(search, &data));
            FindClose(search);
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(path.c_str());
    }

    std::wstring m_path;
};
