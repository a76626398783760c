#pragma once

#include <optional>
#include <string>
#include <utility>

namespace mirtal::win {

// Why a Win32 operation failed, where a caller must tell cases apart (the same cases as mirtal::ErrorKind).
enum class WinErrorKind {
    None,
    Failed,          // any system or I/O failure; the message says which
    NotFound,        // the file or folder does not exist
    Unrepresentable, // a character the ANSI code page cannot hold
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
template <typename T> class [[nodiscard]] WinResult final {
public:
    WinResult(T value)
        : m_value(std::move(value))
    {
    } // NOLINT(google-explicit-constructor)
    WinResult(WinStatus failure)
        : m_status(std::move(failure))
    {
    } // NOLINT(google-explicit-constructor)

    bool isOk() const { return m_status.isOk(); }
    explicit operator bool() const { return isOk(); }
    const WinStatus& status() const { return m_status; }
    WinErrorKind kind() const { return m_status.kind(); }
    const std::wstring& message() const { return m_status.message(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    WinStatus m_status;
};

} // namespace mirtal::win
