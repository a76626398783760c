#pragma once

// A small test runner for the Win32 layer, which has no Qt to bring QtTest along. A failed CHECK reports and goes
// on, a failed REQUIRE ends its case. "program.exe <role>" runs a CHILD_ROLE instead, for cases that start the
// program itself.

#include <string>
#include <string_view>
#include <type_traits>

namespace check {

struct Abort {};

void registerCase(const char* name, void (*run)());
void registerRole(const char* name, int (*run)());
void fail(const char* file, int line, const std::string& what);

// For cases that go through CP_ACP and expect Windows-1251: under Wine MIRTAL_REQUIRE_ACP=1251 makes any other code
// page a failure; on a Windows of another language the case is skipped (false).
bool systemCodePageIs1251();

// Wide text as UTF-8, bytes with anything outside printable ASCII as \xHH.
std::string show(std::wstring_view text);
std::string show(std::string_view bytes);
template <typename T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T> std::string show(T value)
{
    return std::to_string(static_cast<long long>(value));
}

struct Registrar {
    Registrar(const char* name, void (*run)()) { registerCase(name, run); }
    Registrar(const char* name, int (*run)()) { registerRole(name, run); }
};

} // namespace check

#define TEST_CASE(name)                                                                                                \
    static void name();                                                                                                \
    static const check::Registrar name##Registered(#name, name);                                                       \
    static void name()

#define CHILD_ROLE(name)                                                                                               \
    static int name();                                                                                                 \
    static const check::Registrar name##Registered(#name, name);                                                       \
    static int name()

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            check::fail(__FILE__, __LINE__, #condition);                                                               \
    } while (false)

#define REQUIRE(condition)                                                                                             \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            check::fail(__FILE__, __LINE__, #condition);                                                               \
            throw check::Abort{};                                                                                      \
        }                                                                                                              \
    } while (false)

#define CHECK_EQ(actual, expected)                                                                                     \
    do {                                                                                                               \
        const auto checkActual = (actual);                                                                             \
        const auto checkExpected = (expected);                                                                         \
        if (!(checkActual == checkExpected))                                                                           \
            check::fail(__FILE__, __LINE__,                                                                            \
                        std::string(#actual) + " is " + check::show(checkActual) + ", expected " +                     \
                            check::show(checkExpected));                                                               \
    } while (false)
