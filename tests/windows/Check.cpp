#include "Check.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace check {
namespace {

template <typename Run> struct Entry {
    const char* name;
    Run run;
};
std::vector<Entry<void (*)()>>& cases()
{
    static std::vector<Entry<void (*)()>> all;
    return all;
}
std::vector<Entry<int (*)()>>& roles()
{
    static std::vector<Entry<int (*)()>> all;
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
    if (GetEnvironmentVariableW(L"MIRTAL_REQUIRE_ACP", required, 16) > 0 && GetACP() != UINT(_wtoi(required))) {
        fail(__FILE__, __LINE__, "ANSI code page is " + std::to_string(GetACP()) + ", the suite needs 1251");
        throw Abort{};
    }
    if (GetACP() == 1251)
        return true;
    std::printf("  skipped: the ANSI code page is %u, not 1251\n", GetACP());
    return false;
}

std::string show(std::wstring_view text)
{
    const int length = static_cast<int>(text.size());
    std::string utf8(static_cast<std::size_t>(length) * 4, '\0');
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), length * 4, nullptr, nullptr)));
    return "L\"" + utf8 + "\"";
}

std::string show(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
        out += (b >= 0x20 && b < 0x7F && b != '\\') ? std::string(1, c) : std::string(escaped);
    }
    return out + "\"";
}

} // namespace check

int main(int argc, char** argv)
{
    if (argc > 1) {
        for (const auto& role : check::roles())
            if (std::strcmp(argv[1], role.name) == 0)
                return role.run();
        return 2;
    }
    int failed = 0;
    for (const auto& c : check::cases()) {
        const int before = check::failures;
        std::printf("%s\n", c.name);
        try {
            c.run();
        } catch (const check::Abort&) {
        } catch (const std::exception& e) {
            check::fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        }
        if (check::failures != before) {
            ++failed;
            std::printf("  FAILED\n");
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", static_cast<int>(check::cases().size()) - failed, failed);
    return failed == 0 ? 0 : 1;
}
