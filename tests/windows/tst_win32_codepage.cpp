#include "Check.h"

#include "platform/windows/Win32Text.h"

#include <windows.h>

using namespace mirtal::win;

// The suite runs under a Russian locale (LC_ALL=ru_RU.UTF-8 for Wine), as the program runs on a Russian Windows:
// the product converts through CP_ACP, so the tests of CP_ACP need it to be 1251.
TEST_CASE(cyrillicRoundTripThroughSystemCodePage)
{
    if (!check::systemCodePageIs1251())
        return;
    CHECK_EQ(codePageNumber(kAnsiCodePage), 1251u);
    const std::wstring path = L"D:\\Фото\\Ёлка №1.jpg";
    const WinResult<std::string> bytes = toAnsi(path);
    REQUIRE(bytes.isOk());
    CHECK_EQ(*bytes, std::string("D:\\\xD4\xEE\xF2\xEE\\\xA8\xEB\xEA\xE0 \xB9\x31.jpg"));
    CHECK_EQ(fromAnsi(*bytes), path);

    // Every byte is a character and comes back as the same byte, the undefined 0x98 included (the Linux build's
    // table maps it to U+0098, as here).
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::wstring text = fromAnsi(all);
    REQUIRE(text.size() == all.size());
    CHECK_EQ(static_cast<unsigned>(text[0x98 - 1]), 0x98u);
    CHECK_EQ(static_cast<unsigned>(text[0x88 - 1]), 0x20ACu); // €
    CHECK_EQ(toAnsi(text).value(), all);
    CHECK(fromAnsi("").empty());
    CHECK(toAnsi(L"")->empty());
}

// A character the code page lacks would become '?' or a look-alike: refused, naming it as the Linux build does.
TEST_CASE(unrepresentableCharacterRefused)
{
    if (!check::systemCodePageIs1251())
        return;
    const WinResult<std::string> accented = toAnsi(L"D:\\Фото\\café.jpg");
    CHECK_EQ(accented.kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(accented.message(), std::wstring(L"Символ «é» (U+00E9) нельзя записать в кодировке Windows-1251."));
    CHECK_EQ(firstUnrepresentable(L"D:\\Фото\\café.jpg"), std::size_t{11});

    const WinResult<std::string> emoji = toAnsi(L"море\U0001F30A.jpg");
    CHECK_EQ(emoji.kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(emoji.message(), std::wstring(L"Символ «\U0001F30A» (U+1F30A) нельзя записать в кодировке Windows-1251."));
    CHECK_EQ(firstUnrepresentable(L"море\U0001F30A.jpg"), std::size_t{4});

    // A lone half of a surrogate pair is no character at all.
    CHECK_EQ(toAnsi(std::wstring(1, wchar_t(0xD800))).kind(), WinErrorKind::Unrepresentable);
    // A question mark of the text itself is not a replaced character.
    CHECK_EQ(toAnsi(L"что?").value(), std::string("\xF7\xF2\xEE?"));
    CHECK_EQ(firstUnrepresentable(L"что?"), std::wstring_view::npos);

    // A system set to UTF-8 as its ANSI code page holds everything but a broken surrogate pair.
    CHECK_EQ(toAnsi(L"Фото\U0001F30A", CP_UTF8).value(),
             std::string("\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\xF0\x9F\x8C\x8A"));
    CHECK_EQ(toAnsi(std::wstring(1, wchar_t(0xDC00)), CP_UTF8).kind(), WinErrorKind::Unrepresentable);

    // Another code page, another set: é is Windows-1252's, Cyrillic is not.
    CHECK_EQ(toAnsi(L"café", 1252).value(), std::string("caf\xE9"));
    const WinResult<std::string> cyrillic = toAnsi(L"Фото", 1252);
    CHECK_EQ(cyrillic.kind(), WinErrorKind::Unrepresentable);
    CHECK_EQ(cyrillic.message(), std::wstring(L"Символ «Ф» (U+0424) нельзя записать в кодировке Windows-1252."));
}
