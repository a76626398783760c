#pragma once

#include "platform/linux/LinuxFileSystem.h"

#include <QByteArray>

#include <cerrno>
#include <memory>

namespace mirtal::test {

// Counts the system calls that the real file system makes and makes the n-th one from arming fail.
class SysCallFaults final {
public:
    SysCallFaults()
        : m_state(std::make_shared<State>())
    {
    }

    // The calls of sys, counted and failable.
    platform::LinuxSysCalls wrap(platform::LinuxSysCalls sys) const;

    // Counting starts again at zero; the n-th call from now (from 1) fails with error, or none when n is 0.
    void arm(int n, int error = EIO)
    {
        m_state->calls = 0;
        m_state->failAt = n;
        m_state->error = error;
        m_state->failed.clear();
    }
    int calls() const { return m_state->calls; }
    // The name of the call that was made to fail, empty when none was.
    const QByteArray& failed() const { return m_state->failed; }

private:
    struct State {
        int calls = 0;
        int failAt = 0;
        int error = EIO;
        QByteArray failed;
    };
    std::shared_ptr<State> m_state;
};

} // namespace mirtal::test
