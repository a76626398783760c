#pragma once

// A small test runner for the Win32 layer, which has no Qt to bring QtTest along. Each TEST_CASE groups the
// checks of one behaviour; a failed CHECK reports and goes on, a failed REQUIRE ends its case.

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace check {

struct Abort {};

void registerCase(const char* name, void (*run)());
// A mode in which the test program is started by one of its own cases: "program.exe <name>" runs it and exits
// with its result.
void registerRole(const char* name, int (*run)());
void fail(const char* file, int line, const std::string& what);

// For cases that go through CP_ACP and expect Windows-1251. Under Wine the suite runs in a Russian locale and
// MIRTAL_REQUIRE_ACP=1251 makes any other code page a failure; on a Windows of another language the case is
// reported as skipped (false).
bool systemCodePageIs1251();

std::string show(std::wstring_view text);
std::string show(std::string_view bytes);
inline std::string show(const std::wstring& text) { return show(std::wstring_view(text)); }
inline std::string show(const std::string& bytes) { return show(std::string_view(bytes)); }
inline std::string show(const wchar_t* text) { return show(std::wstring_view(text)); }
inline std::string show(const char* bytes) { return show(std::string_view(bytes)); }
std::string show(long long value);
inline std::string show(bool value) { return value ? "true" : "false"; }
template <typename T>
requires std::is_integral_v<T> || std::is_enum_v<T> std::string show(T value)
{
    return show(static_cast<long long>(value));
}

template <typename T> std::string show(const std::vector<T>& items)
{
    std::string out = "{";
    for (const T& item : items)
        out += (out.size() > 1 ? ", " : "") + show(item);
    return out + "}";
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
