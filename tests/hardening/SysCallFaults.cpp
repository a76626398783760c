#include "SysCallFaults.h"

#include <functional>

namespace mirtal::test {
namespace {

// close() releases the descriptor even when it reports an error, so the real call is made first.
template <typename State, typename R, typename... Args>
void wrapCall(std::function<R(Args...)>& call, const char* name, const std::shared_ptr<State>& state,
              bool callEvenWhenFailing = false)
{
    call = [real = call, name, state, callEvenWhenFailing](Args... args) -> R {
        if (++state->calls != state->failAt)
            return real(args...);
        state->failed = name;
        if (callEvenWhenFailing)
            (void)real(args...);
        errno = state->error;
        return R(-1);
    };
}

} // namespace

platform::LinuxSysCalls SysCallFaults::wrap(platform::LinuxSysCalls sys) const
{
    wrapCall(sys.openat, "openat", m_state);
    wrapCall(sys.read, "read", m_state);
    wrapCall(sys.write, "write", m_state);
    wrapCall(sys.fstat, "fstat", m_state);
    wrapCall(sys.fstatat, "fstatat", m_state);
    wrapCall(sys.fchmod, "fchmod", m_state);
    wrapCall(sys.fsync, "fsync", m_state);
    wrapCall(sys.close, "close", m_state, true);
    wrapCall(sys.renameat, "renameat", m_state);
    wrapCall(sys.unlinkat, "unlinkat", m_state);
    wrapCall(sys.mkdir, "mkdir", m_state);
    wrapCall(sys.getxattr, "getxattr", m_state);
    wrapCall(sys.setxattr, "setxattr", m_state);
    wrapCall(sys.removexattr, "removexattr", m_state);
    wrapCall(sys.statfs, "statfs", m_state);
    wrapCall(sys.ioctl, "ioctl", m_state);
    return sys;
}

} // namespace mirtal::test
