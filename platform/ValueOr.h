#pragma once

#include <optional>
#include <utility>

namespace mirtal {

// Outcome of an operation that returns a value: the value, or the failing status. Free of Qt, so that the Win32
// layer shares it with its own status type.
template <typename T, typename S> class [[nodiscard]] ValueOr final {
public:
    ValueOr(T value)
        : m_value(std::move(value))
    {
    } // NOLINT(google-explicit-constructor)
    ValueOr(S failure)
        : m_status(std::move(failure))
    {
    } // NOLINT(google-explicit-constructor)

    bool isOk() const { return m_status.isOk(); }
    explicit operator bool() const { return isOk(); }
    const S& status() const { return m_status; }
    auto kind() const { return m_status.kind(); }
    const auto& message() const { return m_status.message(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    S m_status;
};

} // namespace mirtal
