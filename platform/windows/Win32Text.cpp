#include "platform/windows/Win32Text.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace mirtal::win {
namespace {

// UTF-8 refuses WC_NO_BEST_FIT_CHARS and the used-default flag; it can hold every character but a lone surrogate,
// which WC_ERR_INVALID_CHARS reports.
bool isUtf8(unsigned number) { return number == CP_UTF8; }

// Converts one piece; false when a character had to be replaced or the call failed.
bool convert(std::wstring_view text, unsigned number, std::string* out)
{
    if (text.empty()) {
        if (out)
            out->clear();
        return true;
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX / 4))
        return false;
    const int length = static_cast<int>(text.size());
    const DWORD flags = isUtf8(number) ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultFlag = isUtf8(number) ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(number, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultFlag);
    if (size <= 0 || usedDefault)
        return false;
    if (!out)
        return true;
    out->resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(number, flags, text.data(), length, out->data(), size, nullptr, usedDefaultFlag) ==
               size &&
           !usedDefault;
}

std::wstring hexCode(unsigned long code)
{
    wchar_t digits[16] = {};
    std::swprintf(digits, 16, L"%04lX", code);
    return digits;
}

} // namespace

unsigned codePageNumber(unsigned codePage) { return codePage == CP_ACP ? GetACP() : codePage; }

std::size_t firstUnrepresentable(std::wstring_view text, unsigned codePage)
{
    const unsigned number = codePageNumber(codePage);
    if (convert(text, number, nullptr))
        return std::wstring_view::npos;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length =
            (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) ? 2 : 1;
        if (!convert(text.substr(i, length), number, nullptr))
            return i;
        i += length;
    }
    return std::wstring_view::npos;
}

WinResult<std::string> toAnsi(std::wstring_view text, unsigned codePage)
{
    const unsigned number = codePageNumber(codePage);
    std::string bytes;
    if (convert(text, number, &bytes))
        return bytes;

    const std::size_t at = firstUnrepresentable(text, number);
    if (at == std::wstring_view::npos)
        return WinStatus::failure(L"Не удалось перевести текст в кодировку Windows-" + std::to_wstring(number) + L": " +
                                  systemErrorText(GetLastError()));
    const bool pair = at + 1 < text.size() && IS_HIGH_SURROGATE(text[at]) && IS_LOW_SURROGATE(text[at + 1]);
    const std::wstring shown(text.substr(at, pair ? 2 : 1));
    const unsigned long code = pair ? 0x10000ul + ((static_cast<unsigned long>(text[at]) - 0xD800ul) << 10) +
                                          (static_cast<unsigned long>(text[at + 1]) - 0xDC00ul)
                                    : static_cast<unsigned long>(text[at]);
    // The same wording as the Linux build's, so that the user reads one message on either system.
    return WinStatus::failure(L"Символ «" + shown + L"» (U+" + hexCode(code) +
                                  L") нельзя записать в кодировке Windows-" + std::to_wstring(number) + L".",
                              WinErrorKind::Unrepresentable);
}

std::wstring fromAnsi(std::string_view bytes, unsigned codePage)
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX))
        return {};
    const unsigned number = codePageNumber(codePage);
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(number, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(number, 0, bytes.data(), length, text.data(), size);
    return text;
}

std::vector<std::wstring> splitLines(std::wstring_view text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r' && text[i] != L'\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::wstring systemErrorText(unsigned long error)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        text = L"ошибка " + std::to_wstring(error);
    return text;
}

} // namespace mirtal::win
