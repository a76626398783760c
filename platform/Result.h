#pragma once

#include "platform/ValueOr.h"

#include <QString>

#include <utility>

namespace mirtal {

// Why an operation failed, where a caller must tell cases apart.
enum class ErrorKind {
    None,
    Failed,           // any system or I/O failure; the message says which
    NotFound,         // the file or folder does not exist
    Unrepresentable,  // a character the ANSI code page cannot hold
    Unsupported,      // the file system cannot do this at all
    PermissionDenied, // the process may not look at or read it: not a damaged file, and nothing to remove
    Refused,          // a file the program will not change (a link out of the folder, UTF-16BE): said, left as it is
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
template <typename T> using Result = ValueOr<T, Status>;

} // namespace mirtal
