#include "Check.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace check {
namespace {

struct Case {
    const char* name;
    void (*run)();
};
struct Role {
    const char* name;
    int (*run)();
};

std::vector<Case>& cases()
{
    static std::vector<Case> all;
    return all;
}
std::vector<Role>& roles()
{
    static std::vector<Role> all;
    return all;
}
int failures = 0;

} // namespace

void registerCase(const char* name, void (*run)()) { cases().push_back({name, run}); }
void registerRole(const char* name, int (*run)()) { roles().push_back({name, run}); }

void fail(const char* file, int line, const std::string& what)
{
    ++failures;
    std::printf("  %s:%d: %s\n", file, line, what.c_str());
}

bool systemCodePageIs1251()
{
    wchar_t required[16] = {};
    if (GetEnvironmentVariableW(L"MIRTAL_REQUIRE_ACP", required, 16) > 0) {
        if (GetACP() != static_cast<UINT>(_wtoi(required))) {
            fail(__FILE__, __LINE__, "ANSI code page is " + std::to_string(GetACP()) + ", the suite needs 1251");
            throw Abort{};
        }
        return true;
    }
    if (GetACP() == 1251)
        return true;
    std::printf("  skipped: the ANSI code page is %u, not 1251\n", GetACP());
    return false;
}

// UTF-8, so that Cyrillic reads as such in the log.
std::string show(std::wstring_view text)
{
    std::string out = "L\"";
    if (!text.empty()) {
        const int length = static_cast<int>(text.size());
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
        out += utf8;
    }
    return out + "\"";
}

// Bytes outside printable ASCII as \xHH: these are code-page bytes, not UTF-8.
std::string show(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string show(long long value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld (0x%llX)", value, static_cast<unsigned long long>(value));
    return text;
}

} // namespace check

int main(int argc, char** argv)
{
    if (argc > 1) {
        for (const check::Role& role : check::roles())
            if (std::strcmp(argv[1], role.name) == 0)
                return role.run();
        std::printf("unknown role %s\n", argv[1]);
        return 2;
    }
    int passed = 0;
    int failed = 0;
    for (const check::Case& c : check::cases()) {
        const int before = check::failures;
        std::printf("%s\n", c.name);
        std::fflush(stdout);
        try {
            c.run();
        } catch (const check::Abort&) {
        } catch (const std::exception& e) {
            check::fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        }
        if (check::failures == before) {
            ++passed;
        } else {
            ++failed;
            std::printf("  FAILED\n");
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
