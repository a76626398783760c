#include "Check.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace check {
namespace {

struct Entry {
    const char* name;
    void (*test)();
    int (*role)();
};
std::vector<Entry>& entries()
{
    static std::vector<Entry> all;
    return all;
}
int failures = 0;

} // namespace

void registerCase(const char* name, void (*run)()) { entries().push_back({name, run, nullptr}); }
void registerRole(const char* name, int (*run)()) { entries().push_back({name, nullptr, run}); }

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
    int cases = 0, failed = 0;
    for (const auto& [name, test, role] : check::entries()) {
        if (argc > 1 && role && std::strcmp(argv[1], name) == 0)
            return role();
        if (argc > 1 || !test)
            continue;
        const int before = check::failures;
        std::printf("%s\n", name);
        try {
            test();
        } catch (const check::Abort&) {
        } catch (const std::exception& e) {
            check::fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        }
        ++cases;
        if (check::failures != before) {
            ++failed;
            std::printf("  FAILED\n");
        }
        std::fflush(stdout);
    }
    if (argc > 1)
        return 2; // no such role
    std::printf("%d passed, %d failed\n", cases - failed, failed);
    return failed == 0 ? 0 : 1;
}
