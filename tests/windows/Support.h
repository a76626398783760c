#pragma once

#include <windows.h>

#include <shlobj.h>

#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// A shell listener, as Explorer registers one for each open folder: the events heard for the folder, delivered by
// whatever loop the caller runs.
class ShellListener final {
public:
    explicit ShellListener(const std::wstring& folder)
        : m_pidl(ILCreateFromPathW(folder.c_str()))
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = listen;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"MirtalShellListener";
        RegisterClassW(&windowClass); // once per process; a second time fails harmlessly
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        SHChangeNotifyEntry entry{m_pidl, FALSE};
        m_registration =
            m_window && m_pidl
                ? SHChangeNotifyRegister(m_window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                         SHCNE_UPDATEDIR | SHCNE_ATTRIBUTES, kMessage, 1, &entry)
                : 0;
        heardEvents().clear();
    }
    ~ShellListener()
    {
        SHChangeNotifyDeregister(m_registration);
        ILFree(m_pidl);
        DestroyWindow(m_window);
    }
    ShellListener(const ShellListener&) = delete;
    ShellListener& operator=(const ShellListener&) = delete;

    bool registered() const { return m_registration != 0; }
    // Heard for the folder, or for any path when none is given.
    static bool heard(LONG event, const std::wstring& path = {})
    {
        for (const auto& [e, p] : heardEvents())
            if (e == event && (path.empty() || lstrcmpiW(p.c_str(), path.c_str()) == 0))
                return true;
        return false;
    }
    static void clear() { heardEvents().clear(); }

private:
    static constexpr UINT kMessage = WM_APP + 1;
    static std::vector<std::pair<LONG, std::wstring>>& heardEvents()
    {
        static std::vector<std::pair<LONG, std::wstring>> events;
        return events;
    }
    static LRESULT CALLBACK listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != kMessage)
            return DefWindowProcW(window, message, wParam, lParam);
        PIDLIST_ABSOLUTE* pidls = nullptr;
        LONG event = 0;
        if (const HANDLE lock = SHChangeNotification_Lock(HANDLE(wParam), DWORD(lParam), &pidls, &event)) {
            wchar_t path[MAX_PATH] = {};
            if (pidls && pidls[0])
                SHGetPathFromIDListW(pidls[0], path);
            heardEvents().emplace_back(event, path);
            SHChangeNotification_Unlock(lock);
        }
        return 0;
    }

    PIDLIST_ABSOLUTE m_pidl;
    HWND m_window = nullptr;
    ULONG m_registration = 0;
};

// The system's colour dialog comes up as a dialog-class window of this thread; a timer running inside its message
// loop sets the red, green and blue fields and presses OK, or presses Cancel.
namespace colourDialog {
inline HWND shown = nullptr, owner = nullptr;
inline std::optional<COLORREF> give;
inline HHOOK hook = nullptr;

inline LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(HWND(wParam), className, 16) && wcscmp(className, L"#32770") == 0)
        shown = HWND(wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

inline void CALLBACK answer(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!shown)
        return;
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    owner = GetWindow(shown, GW_OWNER);
    // colordlg.h: COLOR_RED, COLOR_GREEN, COLOR_BLUE, there even when the dialog is not opened in full.
    if (give) {
        SetDlgItemInt(shown, 706, GetRValue(*give), FALSE);
        SetDlgItemInt(shown, 707, GetGValue(*give), FALSE);
        SetDlgItemInt(shown, 708, GetBValue(*give), FALSE);
    }
    const int button = give ? IDOK : IDCANCEL;
    SendMessageW(shown, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(shown, button)));
}

// The next colour dialog this thread shows is answered with the colour, or cancelled.
inline void answerNext(std::optional<COLORREF> colour)
{
    give = colour;
    shown = owner = nullptr;
    hook = SetWindowsHookExW(WH_CBT, watch, nullptr, GetCurrentThreadId());
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, answer);
}
} // namespace colourDialog
