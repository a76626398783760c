#include "Check.h"
#include "Files.h"
#include "TempFolder.h"

#include "platform/windows/Win32Files.h"

using namespace mirtal::win;

namespace {

const wchar_t* const kSection = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

std::wstring profileString(const wchar_t* section, const wchar_t* key, const std::wstring& file)
{
    wchar_t value[512] = {};
    GetPrivateProfileStringW(section, key, L"<none>", value, 512, file.c_str());
    return value;
}

} // namespace

// Desktop.ini as the Linux build's apply wrote it (a rewrite of a file with a foreign section, a Cyrillic picture
// path, a colour), byte for byte: the native suite checks that apply still writes exactly these bytes. Here the
// shell's own reader takes it from a folder with a Cyrillic name, hidden and system as apply leaves it.
TEST_CASE(shellReaderTakesWhatApplyWrote)
{
    if (!check::systemCodePageIs1251())
        return;
    const std::string bytes = readBytes(programDirectory() + L"\\Desktop.ini.fixture");
    REQUIRE(bytes.find("IconArea_Text=") != std::string::npos);

    TempFolder parent;
    const std::wstring folder = parent / L"Мои фото";
    REQUIRE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring ini = folder + L"\\Desktop.ini";
    REQUIRE(writeBytes(ini, bytes));
    REQUIRE(setAttributes(ini, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM).isOk());
    REQUIRE(setAttributes(folder, FILE_ATTRIBUTE_SYSTEM).isOk());

    CHECK_EQ(profileString(kSection, L"IconArea_Image", ini), std::wstring(L"D:\\Фото\\море.jpg"));
    CHECK_EQ(profileString(kSection, L"IconArea_Text", ini), std::wstring(L"0x003366CC"));
    // The foreign section before the program's is still the shell's.
    CHECK_EQ(profileString(L".ShellClassInfo", L"InfoTip", ini), std::wstring(L"Фотографии с моря"));
    CHECK_EQ(profileString(L".ShellClassInfo", L"IconArea_Image", ini), std::wstring(L"<none>"));

    // Our own reader agrees with the shell's.
    const auto lines = readLines(ini);
    REQUIRE(lines.isOk());
    CHECK_EQ(*lines, (std::vector<std::wstring>{L"[.ShellClassInfo]", L"InfoTip=Фотографии с моря", L"",
                                                std::wstring(L"[") + kSection + L"]",
                                                L"IconArea_Image=D:\\Фото\\море.jpg", L"IconArea_Text=0x003366CC"}));
}
