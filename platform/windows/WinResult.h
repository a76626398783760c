#pragma once

#include "platform/ValueOr.h"

#include <string>
#include <utility>

namespace mirtal::win {

// Why a Win32 operation failed, where a caller must tell cases apart (the same cases as mirtal::ErrorKind).
enum class WinErrorKind {
    None,
    Failed,           // any system or I/O failure; the message says which
    NotFound,         // the file or folder does not exist
    Unrepresentable,  // a character the ANSI code page cannot hold
    PermissionDenied, // the process may not read it
    Refused,          // a file the program will not change: said, left as it is
};

// Outcome of an operation that returns nothing: success, or a message naming the failure. Kept free of Qt so that
// this layer builds with a bare MinGW; the Qt adapters turn it into mirtal::Status.
class [[nodiscard]] WinStatus final {
public:
    WinStatus() = default;
    static WinStatus ok() { return {}; }
    static WinStatus failure(std::wstring message, WinErrorKind kind = WinErrorKind::Failed,
                             unsigned long systemError = 0)
    {
        WinStatus s;
        s.m_kind = kind;
        s.m_message = std::move(message);
        s.m_systemError = systemError;
        return s;
    }

    bool isOk() const { return m_kind == WinErrorKind::None; }
    explicit operator bool() const { return isOk(); }
    WinErrorKind kind() const { return m_kind; }
    const std::wstring& message() const { return m_message; }
    // GetLastError() of the failing call, 0 when the failure is not a system one.
    unsigned long systemError() const { return m_systemError; }

private:
    WinErrorKind m_kind = WinErrorKind::None;
    std::wstring m_message;
    unsigned long m_systemError = 0;
};

// Outcome of an operation that returns a value: the value, or a failure.
template <typename T> using WinResult = ValueOr<T, WinStatus>;

} // namespace mirtal::win
