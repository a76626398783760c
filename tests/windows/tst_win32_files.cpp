// The Win32 file and text layer on a real (Wine) file system: attributes, safe rewrites, the ANSI reading of
// Desktop.ini, the code page's refusals, and the shell's own reader taking what apply wrote.
#include "Check.h"
#include "Support.h"

#include "platform/windows/Win32Files.h"
#include "platform/windows/Win32Text.h"

using namespace mirtal::win;

namespace {

constexpr unsigned long kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr unsigned long kSystem = FILE_ATTRIBUTE_SYSTEM;
constexpr unsigned long kDirectory = FILE_ATTRIBUTE_DIRECTORY;
constexpr unsigned kCp1251 = 1251;

unsigned long bitsOf(const std::wstring& path)
{
    // Wine marks every file it reports as archive; the bits of interest are the others.
    const WinResult<unsigned long> bits = attributes(path);
    return bits ? *bits & ~static_cast<unsigned long>(FILE_ATTRIBUTE_ARCHIVE) : 0xFFFFFFFFul;
}

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

} // namespace

// The values apply and remove set, each over whatever the file or folder carried before.
TEST_CASE(attributesTakeExactValues)
{
    TempFolder folder;
    const std::wstring file = folder / L"Desktop.ini";
    REQUIRE(writeBytes(file, "x\r\n"));
    REQUIRE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    CHECK(setAttributes(file, kHidden | kSystem).isOk());
    CHECK_EQ(bitsOf(file), kHidden | kSystem);
    CHECK(setAttributes(file, 0).isOk());
    CHECK_EQ(bitsOf(file), 0ul);

    // A folder keeps its directory bit; a hidden folder loses the hidden one.
    const std::wstring sub = folder / L"Фото";
    REQUIRE(CreateDirectoryW(sub.c_str(), nullptr));
    REQUIRE(SetFileAttributesW(sub.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK(setAttributes(sub, kSystem).isOk());
    CHECK_EQ(bitsOf(sub), kDirectory | kSystem);

    const WinStatus missing = setAttributes(folder / L"нет.ini", kSystem);
    CHECK_EQ(missing.kind(), WinErrorKind::NotFound);
    CHECK(contains(missing.message(), L"«" + folder / L"нет.ini" + L"»"));
}

TEST_CASE(findFilters)
{
    TempFolder folder;
    const struct {
        const wchar_t* name;
        DWORD attributes;
        bool normal;
    } rows[] = {
        {L"plain.ini", FILE_ATTRIBUTE_NORMAL, true},
        {L"readonly.ini", FILE_ATTRIBUTE_READONLY, true},
        {L"hidden.ini", FILE_ATTRIBUTE_HIDDEN, false},
        {L"system.ini", FILE_ATTRIBUTE_SYSTEM, false},
    };
    for (const auto& row : rows) {
        const std::wstring path = folder / row.name;
        REQUIRE(writeBytes(path, ""));
        REQUIRE(SetFileAttributesW(path.c_str(), row.attributes));
        CHECK_EQ(find(path, FindFilter::NormalFiles), row.normal);
        CHECK(find(path, FindFilter::FilesWithHiddenSystem));
    }
    // A folder named like the settings file is not one.
    const std::wstring directory = folder / L"Desktop.ini";
    REQUIRE(CreateDirectoryW(directory.c_str(), nullptr));
    CHECK(!find(directory, FindFilter::FilesWithHiddenSystem));
    CHECK(find(directory, FindFilter::FilesAndDirectories));
    // A pattern that matches an existing file still names no file.
    CHECK(!find(folder / L"pl*.ini", FindFilter::FilesAndDirectories));
    CHECK(!find(folder / L"нет\\plain.ini", FindFilter::FilesAndDirectories));
}

// Either the old content or the new one, never a temporary file left behind; the new one with its attributes.
TEST_CASE(replaceTextIsWholeOrNothing)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    CHECK(replaceText(path, L"[Раздел]\r\nключ=значение", TextEncoding::Ansi, kHidden | kSystem, kCp1251).isOk());
    CHECK_EQ(readBytes(path),
             std::string("[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n\xEA\xEB\xFE\xF7=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n"));
    CHECK_EQ(bitsOf(path), kHidden | kSystem);
    // Over a hidden, system and read-only file, shorter than before; in UTF-16LE with its mark.
    REQUIRE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    CHECK(replaceText(path, L"a\r\n写", TextEncoding::Utf16Le, kHidden | kSystem, kCp1251).isOk());
    CHECK_EQ(readBytes(path), std::string("\xFF\xFE"
                                          "a\0\r\0\n\0\x99\x51\r\0\n\0",
                                          14));
    CHECK_EQ(bitsOf(path), kHidden | kSystem);

    CHECK_EQ(replaceText(path, L"IconArea_Image=C:\\café.jpg", TextEncoding::Ansi, 0, kCp1251).kind(),
             WinErrorKind::Unrepresentable);
    // Another program holds the file unshared: the move fails and the temporary file goes.
    const HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(holder != INVALID_HANDLE_VALUE);
    const WinStatus busy = replaceText(path, L"new", TextEncoding::Ansi, 0, kCp1251);
    CloseHandle(holder);
    CHECK(!busy.isOk());
    CHECK(contains(busy.message(), L"«" + path + L"»"));
    CHECK_EQ(readBytes(path).size(), std::size_t{14});
    CHECK_EQ(replaceText(folder / L"нет\\Desktop.ini", L"x", TextEncoding::Ansi, 0, kCp1251).kind(),
             WinErrorKind::NotFound);
    CHECK_EQ(folder.listing(), std::wstring(L"Desktop.ini"));
}

// The order of the steps, through the layer's own calls, as Wine enforces neither the read-only denial nor the one
// on hidden + system: the temporary file takes the final attributes, the old file loses read-only just before the
// move, and gets it back when the move fails, the temporary file gone and the old content kept.
TEST_CASE(replaceTextOrderOfSteps)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    for (const bool moves : {true, false}) {
        REQUIRE(writeBytes(path, "old\r\n"));
        REQUIRE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        const unsigned long before = bitsOf(path);
        std::wstring log;
        ReplaceCalls calls = systemReplaceCalls();
        calls.setAttributes = [&, real = calls.setAttributes](const std::wstring& target, unsigned long value) {
            log += (target == path ? L"old " : L"temporary ") + std::to_wstring(value & ~0x20ul) + L"; ";
            return real(target, value);
        };
        calls.move = [&, real = calls.move](const std::wstring& from, const std::wstring& to) {
            log += L"move " + std::to_wstring(bitsOf(from)) + L" over " + std::to_wstring(bitsOf(to)) + L"; ";
            SetLastError(ERROR_ACCESS_DENIED);
            return moves && real(from, to);
        };
        const WinStatus status = replaceText(path, L"new", TextEncoding::Ansi, kHidden | kSystem, kCp1251, calls);
        CHECK_EQ(status.isOk(), moves);
        CHECK_EQ(log, std::wstring(L"temporary 6; old 2; move 6 over 2; ") + (moves ? L"" : L"old 3; "));
        CHECK_EQ(readBytes(path), std::string(moves ? "new\r\n" : "old\r\n"));
        CHECK_EQ(bitsOf(path), moves ? kHidden | kSystem : before);
        CHECK_EQ(folder.listing(), std::wstring(L"Desktop.ini"));
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Found in any case under the name it has, and rewritten under it. Of the files beside it only a temporary file of
// ours, by its exact name and a minute old, goes.
TEST_CASE(locateAndSweep)
{
    TempFolder folder;
    CHECK_EQ(locate(folder.path(), L"Desktop.ini"), folder / L"Desktop.ini");
    REQUIRE(writeBytes(folder / L"desktop.ini", "x\r\n"));
    const std::wstring found = locate(folder.path(), L"Desktop.ini");
    CHECK_EQ(found, folder / L"desktop.ini");
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const unsigned long long twoMinutesAgo =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime) - 2 * 60 * 10'000'000ull;
    const FILETIME old{static_cast<DWORD>(twoMinutesAgo), static_cast<DWORD>(twoMinutesAgo >> 32)};
    for (const wchar_t* name :
         {L".desktop.ini.mirtal-tmp-0000ABCD", L".desktop.ini.mirtal-tmp-0000ABCE", L".desktop.ini.backup",
          L".Desktop.INI.mirtal-tmp-0000ABCF", L".desktop.ini.mirtal-tmp-ABC"}) {
        REQUIRE(writeBytes(folder / name, ""));
        const HANDLE file =
            CreateFileW((folder / name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        if (std::wstring_view(name).ends_with(L"ABCD") || !std::wstring_view(name).ends_with(L"ABCE"))
            SetFileTime(file, nullptr, nullptr, &old);
        CloseHandle(file);
    }
    CHECK(replaceText(found, L"y", TextEncoding::Ansi, kHidden | kSystem, kCp1251).isOk());
    CHECK_EQ(folder.listing(), std::wstring(L".desktop.ini.backup|.desktop.ini.mirtal-tmp-0000ABCE|"
                                            L".Desktop.INI.mirtal-tmp-0000ABCF|.desktop.ini.mirtal-tmp-ABC|"
                                            L"desktop.ini"));
}

TEST_CASE(readTextSplitsAtCrLfAndLf)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    REQUIRE(writeBytes(path, "a\r\nb\rc\nd\r\n\r\n\xCC\xEE\xE8 \xF4\xEE\xF2\xEE"));
    CHECK(readText(path, kCp1251).value().lines ==
          (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"", L"Мои фото"}));
    // UTF-16LE behind its mark is read as such; UTF-16BE is refused, untouched.
    REQUIRE(writeBytes(path, std::string("\xFF\xFE\x41\x00\x0A\x00\x99\x51", 8)));
    const WinResult<TextFile> utf16 = readText(path, kCp1251);
    CHECK(utf16.value().lines == (std::vector<std::wstring>{L"A", L"写"}));
    CHECK(utf16.value().encoding == TextEncoding::Utf16Le);
    REQUIRE(writeBytes(path, std::string("\xFE\xFF\x00\x41", 4)));
    const WinResult<TextFile> big = readText(path, kCp1251);
    CHECK(!big.isOk() && contains(big.message(), L"UTF-16BE"));
    CHECK_EQ(readBytes(path), std::string("\xFE\xFF\x00\x41", 4));
    CHECK_EQ(readText(folder / L"нет.ini", kCp1251).kind(), WinErrorKind::NotFound);
}

// The product converts through CP_ACP, which is 1251 on a Russian Windows.
TEST_CASE(codePageRoundTripAndRefusals)
{
    if (!check::systemCodePageIs1251())
        return;
    const std::wstring path = L"D:\\Фото\\Ёлка №1.jpg";
    CHECK_EQ(toAnsi(path).value(), std::string("D:\\\xD4\xEE\xF2\xEE\\\xA8\xEB\xEA\xE0 \xB9\x31.jpg"));
    CHECK_EQ(fromAnsi(*toAnsi(path)), path);
    // Every byte comes back as itself, the undefined 0x98 included.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    CHECK_EQ(toAnsi(fromAnsi(all)).value(), all);

    // A character the code page lacks would become '?' or a look-alike: refused, named as the Linux build does.
    const WinResult<std::string> accented = toAnsi(L"D:\\Фото\\café.jpg");
    CHECK_EQ(accented.kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(accented.message(), std::wstring(L"Символ «é» (U+00E9) нельзя записать в кодировке Windows-1251."));
    CHECK_EQ(toAnsi(L"море\U0001F30A.jpg").message(),
             std::wstring(L"Символ «\U0001F30A» (U+1F30A) нельзя записать в кодировке Windows-1251."));
    CHECK_EQ(toAnsi(std::wstring(1, wchar_t(0xD800))).kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(toAnsi(L"что?").value(), std::string("\xF7\xF2\xEE?"));
    CHECK_EQ(toAnsi(L"Фото", 1252).kind(), WinErrorKind::Unrepresentable);
}

// Desktop.ini as the Linux build's apply wrote it, byte for byte (the native suite keeps the fixtures honest), read by
// the shell's own reader from a folder with a Cyrillic name, hidden and system as apply leaves it: our values
// whatever the old file held (our section first under a lower-case header, keys in other cases), in the code page or
// in UTF-16LE, and the foreign keys as they were.
TEST_CASE(shellReaderTakesWhatApplyWrote)
{
    if (!check::systemCodePageIs1251())
        return;
    const struct {
        const wchar_t* fixture;
        const wchar_t* foreignKey;
        const wchar_t* foreignValue;
        std::size_t lines;
        const wchar_t* image = L"D:\\Фото\\море.jpg";
    } rows[] = {
        {L"Desktop.ini", L"InfoTip", L"Фотографии с моря", 6},
        {L"Desktop-any-case.ini", L"InfoTip", L"Старое", 7},
        {L"Desktop-utf16.ini", L"LocalizedResourceName", L"写真 Фото", 6},
        // A picture inside the folder, named relative to it: Windows follows it from the folder.
        {L"Desktop-relative.ini", L"InfoTip", L"Фотографии с моря", 6, L".\\лес.jpg"},
    };
    for (const auto& row : rows) {
        const std::string bytes = readBytes(programDirectory() + L"\\" + row.fixture + L".fixture");
        REQUIRE(!bytes.empty());
        TempFolder parent;
        const std::wstring folder = parent / L"Мои фото";
        REQUIRE(CreateDirectoryW(folder.c_str(), nullptr));
        const std::wstring ini = folder + L"\\desktop.ini";
        REQUIRE(writeBytes(ini, bytes));
        REQUIRE(setAttributes(ini, kHidden | kSystem).isOk());
        REQUIRE(setAttributes(folder, kSystem).isOk());

        const auto profile = [&](const wchar_t* section, const wchar_t* key) {
            wchar_t value[512] = {};
            GetPrivateProfileStringW(section, key, L"<none>", value, 512, ini.c_str());
            return std::wstring(value);
        };
        const wchar_t* const section = L"{be098140-a513-11d0-a3a4-00c04fd706ec}";
        const std::wstring image = profile(section, L"IconArea_Image");
        CHECK_EQ(image, std::wstring(row.image));
        if (image.starts_with(L".\\")) {
            REQUIRE(writeBytes(folder + L"\\лес.jpg", "picture"));
            CHECK(GetFileAttributesW((folder + L"\\" + image).c_str()) != INVALID_FILE_ATTRIBUTES);
        }
        CHECK_EQ(profile(section, L"iconarea_text"), std::wstring(L"0x003366CC"));
        CHECK_EQ(profile(L".ShellClassInfo", row.foreignKey), std::wstring(row.foreignValue));
        const WinResult<TextFile> read = readText(ini);
        CHECK_EQ(read.value().lines.size(), row.lines);
        CHECK_EQ(read.value().encoding == TextEncoding::Utf16Le, bytes.starts_with("\xFF\xFE"));
    }
}
