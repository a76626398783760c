#include "Check.h"
#include "Files.h"
#include "TempFolder.h"

#include "platform/windows/Win32Files.h"

using namespace mirtal::win;

namespace {

constexpr unsigned long kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr unsigned long kSystem = FILE_ATTRIBUTE_SYSTEM;
constexpr unsigned long kDirectory = FILE_ATTRIBUTE_DIRECTORY;
constexpr unsigned kCp1251 = 1251;

unsigned long bitsOf(const std::wstring& path)
{
    const WinResult<unsigned long> bits = attributes(path);
    return bits ? withoutArchive(*bits) : 0xFFFFFFFFul;
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
    CHECK(setAttributes(file, kSystem).isOk());
    CHECK_EQ(bitsOf(file), kSystem);
    CHECK(setAttributes(file, 0).isOk());
    CHECK_EQ(bitsOf(file), 0ul);
    REQUIRE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    CHECK(setAttributes(file, 0).isOk());
    CHECK_EQ(bitsOf(file), 0ul);

    // A folder keeps its directory bit; a hidden folder loses the hidden one.
    const std::wstring sub = folder / L"Фото";
    REQUIRE(CreateDirectoryW(sub.c_str(), nullptr));
    REQUIRE(SetFileAttributesW(sub.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK(setAttributes(sub, kSystem).isOk());
    CHECK_EQ(bitsOf(sub), kDirectory | kSystem);
    CHECK(setAttributes(sub, 0).isOk());
    CHECK_EQ(bitsOf(sub), kDirectory);

    const WinStatus missing = setAttributes(folder / L"нет.ini", kSystem);
    CHECK_EQ(missing.kind(), WinErrorKind::NotFound);
    CHECK(contains(missing.message(), L"«" + folder / L"нет.ini" + L"»"));
    CHECK_EQ(attributes(folder / L"нет.ini").kind(), WinErrorKind::NotFound);
}

TEST_CASE(findFilters)
{
    TempFolder folder;
    struct Row {
        const wchar_t* name;
        DWORD attributes;
        bool normal, withHiddenSystem, withDirectories;
    };
    const Row rows[] = {
        {L"plain.ini", FILE_ATTRIBUTE_NORMAL, true, true, true},
        {L"readonly.ini", FILE_ATTRIBUTE_READONLY, true, true, true},
        {L"hidden.ini", FILE_ATTRIBUTE_HIDDEN, false, true, true},
        {L"system.ini", FILE_ATTRIBUTE_SYSTEM, false, true, true},
        {L"both.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false, true, true},
    };
    for (const Row& row : rows) {
        const std::wstring path = folder / row.name;
        REQUIRE(writeBytes(path, ""));
        REQUIRE(SetFileAttributesW(path.c_str(), row.attributes));
        CHECK_EQ(find(path, FindFilter::NormalFiles), row.normal);
        CHECK_EQ(find(path, FindFilter::FilesWithHiddenSystem), row.withHiddenSystem);
        CHECK_EQ(find(path, FindFilter::FilesAndDirectories), row.withDirectories);
    }

    // A folder named like the settings file is not one, whatever its attributes.
    const std::wstring directory = folder / L"Desktop.ini";
    REQUIRE(CreateDirectoryW(directory.c_str(), nullptr));
    for (const DWORD bits : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_SYSTEM}}) {
        REQUIRE(SetFileAttributesW(directory.c_str(), bits));
        CHECK(!find(directory, FindFilter::NormalFiles));
        CHECK(!find(directory, FindFilter::FilesWithHiddenSystem));
        CHECK(find(directory, FindFilter::FilesAndDirectories));
    }

    CHECK(!find(folder / L"нет.ini", FindFilter::FilesAndDirectories));
    CHECK(!find(folder / L"нет\\plain.ini", FindFilter::FilesAndDirectories));
    // A pattern that matches an existing file still names no file.
    CHECK(!find(folder / L"pl*.ini", FindFilter::FilesAndDirectories));
    CHECK(!find(folder / L"plain.in?", FindFilter::FilesAndDirectories));
    CHECK(!find(folder.path() + L"\\", FindFilter::FilesAndDirectories));
}

TEST_CASE(writeTextReplacesWholeFile)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    CHECK(writeText(path, L"[Раздел]\r\nключ=значение", kCp1251).isOk());
    CHECK_EQ(readBytes(path),
             std::string("[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n\xEA\xEB\xFE\xF7=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n"));

    // Shorter than before: nothing of the old content remains. An empty text is one line end.
    CHECK(writeText(path, L"", kCp1251).isOk());
    CHECK_EQ(readBytes(path), std::string("\r\n"));

    // Over a hidden and system file too, and no temporary file is left behind.
    REQUIRE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    CHECK(writeText(path, L"a", kCp1251).isOk());
    CHECK_EQ(readBytes(path), std::string("a\r\n"));
    CHECK_EQ(folder.listing(), std::wstring(L"Desktop.ini"));
}

// Either the old content or the new one: every failure leaves the old file and no temporary file.
TEST_CASE(writeTextFailuresKeepOldContent)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    REQUIRE(writeBytes(path, "old\r\n"));

    const WinStatus refused = writeText(path, L"IconArea_Image=C:\\café.jpg", kCp1251);
    CHECK_EQ(refused.kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(readBytes(path), std::string("old\r\n"));

    // Another program has the file open and does not share it: the move fails, the temporary file goes.
    {
        const HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(holder != INVALID_HANDLE_VALUE);
        const WinStatus busy = writeText(path, L"new", kCp1251);
        CloseHandle(holder);
        CHECK(!busy.isOk());
        CHECK(contains(busy.message(), L"«" + path + L"»"));
    }
    CHECK_EQ(readBytes(path), std::string("old\r\n"));
    CHECK_EQ(folder.listing(), std::wstring(L"Desktop.ini"));

    const std::wstring directory = folder / L"Папка";
    REQUIRE(CreateDirectoryW(directory.c_str(), nullptr));
    CHECK(!writeText(directory, L"x", kCp1251).isOk());
    CHECK_EQ(bitsOf(directory), kDirectory);

    const WinStatus noFolder = writeText(folder / L"нет\\Desktop.ini", L"x", kCp1251);
    CHECK_EQ(noFolder.kind(), WinErrorKind::NotFound);
    CHECK_EQ(folder.listing(), std::wstring(L"Desktop.ini|Папка"));
}

TEST_CASE(readLinesSplitsAtCrAndCrLf)
{
    TempFolder folder;
    const std::wstring path = folder / L"Desktop.ini";
    REQUIRE(writeBytes(path, "a\r\nb\rc\nd\r\n\r\n\xCC\xEE\xE8 \xF4\xEE\xF2\xEE"));
    const auto lines = readLines(path, kCp1251);
    REQUIRE(lines.isOk());
    CHECK_EQ(*lines, (std::vector<std::wstring>{L"a", L"b", L"c\nd", L"", L"Мои фото"}));

    REQUIRE(writeBytes(path, "\r\n"));
    CHECK_EQ(readLines(path, kCp1251)->size(), std::size_t{1});
    REQUIRE(writeBytes(path, ""));
    CHECK(readLines(path, kCp1251)->empty());

    // Whatever it was written as, a file is read byte by byte as ANSI text.
    REQUIRE(writeBytes(path, std::string("\xFF\xFE\x41\x00", 4)));
    CHECK_EQ(*readLines(path, kCp1251), (std::vector<std::wstring>{std::wstring(L"яюA\0", 4)}));

    const auto missing = readLines(folder / L"нет.ini", kCp1251);
    CHECK_EQ(missing.kind(), WinErrorKind::NotFound);
    CHECK(contains(missing.message(), L"нет.ini"));
    REQUIRE(CreateDirectoryW((folder / L"Папка").c_str(), nullptr));
    CHECK(!readLines(folder / L"Папка", kCp1251).isOk());
}

TEST_CASE(removeFileAndMakeDirectory)
{
    TempFolder folder;
    const std::wstring pictures = folder / L"pictures";
    CHECK(makeDirectory(pictures).isOk());
    CHECK(find(pictures, FindFilter::FilesAndDirectories));
    CHECK(!makeDirectory(pictures).isOk());
    CHECK_EQ(makeDirectory(folder / L"нет\\pictures").kind(), WinErrorKind::NotFound);

    const std::wstring copy = pictures + L"\\море.bmp";
    REQUIRE(writeBytes(copy, "BM"));
    CHECK(removeFile(copy).isOk());
    CHECK(!find(copy, FindFilter::FilesAndDirectories));
    CHECK_EQ(removeFile(copy).kind(), WinErrorKind::NotFound);
    // A directory is not a file to delete.
    CHECK(!removeFile(pictures).isOk());
    CHECK(find(pictures, FindFilter::FilesAndDirectories));
}

TEST_CASE(programDirectoryHoldsTheProgram)
{
    CHECK_EQ(directoryOf(L"C:\\mirtal.exe"), std::wstring(L"C:\\"));
    CHECK_EQ(directoryOf(L"D:\\Программы\\Мирталь\\mirtal.exe"), std::wstring(L"D:\\Программы\\Мирталь"));
    CHECK_EQ(directoryOf(L"\\\\server\\share\\mirtal.exe"), std::wstring(L"\\\\server\\share"));
    CHECK_EQ(directoryOf(L"mirtal.exe"), std::wstring());

    const std::wstring folder = programDirectory();
    REQUIRE(!folder.empty());
    CHECK(folder.back() != L'\\' || folder.size() == 3);
    wchar_t module[MAX_PATH] = {};
    REQUIRE(GetModuleFileNameW(nullptr, module, MAX_PATH) > 0);
    const std::wstring self = module;
    CHECK_EQ(self.substr(0, folder.size()), folder);
    CHECK(find(folder, FindFilter::FilesAndDirectories) || folder.size() == 3);
    CHECK(find(folder + (folder.size() == 3 ? L"" : L"\\") + self.substr(self.find_last_of(L'\\') + 1),
               FindFilter::NormalFiles));
}
