#pragma once

#include "platform/Result.h"
#include "platform/windows/WinResult.h"

#include <QString>

#include <string>

namespace mirtal::platform {

// Between the Win32 layer's wide strings and results and the program's QString and Status. Qt's QString is UTF-16,
// as is wchar_t on Windows, so the strings pass unchanged.
inline std::wstring toWide(const QString& text) { return text.toStdWString(); }
inline QString fromWide(const std::wstring& text) { return QString::fromStdWString(text); }

inline ErrorKind errorKindOf(win::WinErrorKind kind)
{
    switch (kind) {
    case win::WinErrorKind::None:
        return ErrorKind::None;
    case win::WinErrorKind::NotFound:
        return ErrorKind::NotFound;
    case win::WinErrorKind::Unrepresentable:
        return ErrorKind::Unrepresentable;
    case win::WinErrorKind::PermissionDenied:
        return ErrorKind::PermissionDenied;
    case win::WinErrorKind::Refused:
        return ErrorKind::Refused;
    case win::WinErrorKind::Failed:
        break;
    }
    return ErrorKind::Failed;
}

inline Status statusOf(const win::WinStatus& status)
{
    return status ? Status::ok() : Status::failure(fromWide(status.message()), errorKindOf(status.kind()));
}

} // namespace mirtal::platform
