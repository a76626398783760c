#pragma once

#include <windows.h>

#include <utility>

namespace mirtal::win {

// A kernel handle closed when it goes out of scope. Holds INVALID_HANDLE_VALUE or null when empty, as the call
// that made it reports failure.
class UniqueHandle final {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle)
        : m_handle(handle)
    {
    }
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr))
    {
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    // Closes now; the result of CloseHandle, true for an empty handle.
    bool reset()
    {
        const HANDLE handle = std::exchange(m_handle, nullptr);
        return !(handle != nullptr && handle != INVALID_HANDLE_VALUE) || CloseHandle(handle) != FALSE;
    }

private:
    HANDLE m_handle = nullptr;
};

} // namespace mirtal::win
