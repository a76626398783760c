#pragma once

#include "platform/Result.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QString>
#include <cerrno>
#include <cstring>

namespace mirtal::platform::detail {

inline QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// "<what> «<path>»: <system message>"
inline Status systemFailure(const QString& what, const QString& path, int error)
{
    const ErrorKind kind = (error == ENOENT || error == ENOTDIR) ? ErrorKind::NotFound : ErrorKind::Failed;
    return Status::failure(QStringLiteral("%1 «%2»: %3").arg(what, path, errorText(error)), kind);
}

inline bool isUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

// Closes a descriptor through the seam when it goes out of scope.
class ScopedFd final {
public:
    ScopedFd(const LinuxSysCalls& sys, int fd)
        : m_sys(sys)
        , m_fd(fd)
    {
    }
    ~ScopedFd()
    {
        if (m_fd >= 0)
            m_sys.close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(ScopedFd)

    int get() const { return m_fd; }

private:
    const LinuxSysCalls& m_sys;
    int m_fd;
};

} // namespace mirtal::platform::detail
