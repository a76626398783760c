#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace mirtal {

// Why an operation failed, where a caller must tell cases apart.
enum class ErrorKind {
    None,
    Failed,          // any system or I/O failure; the message says which
    NotFound,        // the file or folder does not exist
    Unrepresentable, // a character the ANSI code page cannot hold
    Unsupported,     // the file system cannot do this at all
};

// Outcome of an operation that returns nothing: success, or a message naming the failure.
class [[nodiscard]] Status final {
public:
    Status() = default;
    static Status ok() { return {}; }
    static Status failure(QString message, ErrorKind kind = ErrorKind::Failed)
    {
        Status s;
        s.m_kind = kind;
        s.m_message = std::move(message);
        return s;
    }

    bool isOk() const { return m_kind == ErrorKind::None; }
    explicit operator bool() const { return isOk(); }
    ErrorKind kind() const { return m_kind; }
    const QString& message() const { return m_message; }

private:
    ErrorKind m_kind = ErrorKind::None;
    QString m_message;
};

// Outcome of an operation that returns a value: the value, or a failure.
template <typename T> class [[nodiscard]] Result final {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    } // NOLINT(google-explicit-constructor)
    Result(Status failure)
        : m_status(std::move(failure))
    {
    } // NOLINT(google-explicit-constructor)

    bool isOk() const { return m_status.isOk(); }
    explicit operator bool() const { return isOk(); }
    const Status& status() const { return m_status; }
    ErrorKind kind() const { return m_status.kind(); }
    const QString& message() const { return m_status.message(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
};

} // namespace mirtal
