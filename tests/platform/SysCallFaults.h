#pragma once

#include <cerrno>
#include <functional>
#include <memory>

namespace mirtal::test {

// Makes the n-th call (counting from 1) of that system call fail with error; every other call goes through.
template <typename R, typename... Args> void failCall(std::function<R(Args...)>& call, int n, int error)
{
    auto real = call;
    auto count = std::make_shared<int>(0);
    call = [real, count, n, error](Args... args) -> R {
        if (++*count == n) {
            errno = error;
            return R(-1);
        }
        return real(args...);
    };
}

// Counts the calls of that system call into *counter and lets them through.
template <typename R, typename... Args> void countCalls(std::function<R(Args...)>& call, int* counter)
{
    auto real = call;
    call = [real, counter](Args... args) -> R {
        ++*counter;
        return real(args...);
    };
}

} // namespace mirtal::test
