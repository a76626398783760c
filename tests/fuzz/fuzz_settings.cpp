// Desktop.ini as the program meets it: any bytes through the line rule, the read rule, the keep rule, composition
// and the colour digits. A rewrite keeps every foreign line, reads back (through the line rule again) what it
// wrote, and is byte-stable after.
#include "FuzzCheck.h"
#include "platform/AnsiCodePage.h"
#include "platform/TextLines.h"
#include "settings/IniFormat.h"

#include <QRegularExpression>

#include <algorithm>

using namespace mirtal;

namespace {

const platform::AnsiCodePage& codePage()
{
    static const auto page = platform::AnsiCodePage::windows1251();
    return page;
}

QStringList read(const QByteArray& bytes) { return platform::splitLines(codePage().decode(bytes)); }

// Digits name a caption colour when they are hex digits whose value, leading zeros aside, fits in six. The program
// writes a colour in upper case without leading zeros, and reads that back as the same colour.
void checkColor(const QString& digits)
{
    using Rule = QRegularExpression;
    static const Rule valid(Rule::anchoredPattern(QStringLiteral("0*[0-9a-fA-F]{1,6}")));
    static const Rule canonical(Rule::anchoredPattern(QStringLiteral("0|[1-9A-F][0-9A-F]{0,5}")));
    const auto color = settings::colorFromDigits(digits);
    FUZZ_CHECK(color.isOk() == valid.match(digits).hasMatch());
    if (!color)
        return;
    const QString written = settings::digitsOfColor(*color);
    const auto again = settings::colorFromDigits(written);
    FUZZ_CHECK(canonical.match(written).hasMatch() && again.isOk() && *again == *color);
}

// Writes text as the file system does: the code page, then CR LF.
QByteArray written(const QString& text)
{
    const auto bytes = codePage().encode(text + settings::crlf());
    // Everything came from decoded bytes, and every byte decodes to a character the code page holds again.
    FUZZ_CHECK(bytes.isOk());
    return *bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = read(bytes);

    // Read rule: fails exactly when a colour line is too short; what was read so far is handed back.
    settings::ReadValues partial;
    const auto values = settings::readValues(lines, &partial);
    FUZZ_CHECK(values.isOk() == std::none_of(lines.begin(), lines.end(), [](const QString& line) {
                   return line.startsWith(QStringLiteral("IconArea_Text=")) && line.size() < 18;
               }));
    FUZZ_CHECK(!values || (values->imagePath == partial.imagePath && values->textColorHex == partial.textColorHex));
    checkColor(partial.textColorHex);
    checkColor(codePage().decode(bytes));

    // Apply as the window does after loading this file: what was read, up to a read error, with the digits as they
    // stand and an empty text as the default.
    const QString image = partial.imagePath;
    const QString digits = partial.textColorHex.isEmpty() ? settings::defaultTextColorHex() : partial.textColorHex;
    const QString rewrite = settings::composeRewrite(settings::keptLines(lines), image, digits);
    const QStringList reread = read(written(rewrite));
    QStringList section{settings::sectionHeader()};
    if (!image.isEmpty())
        section << QStringLiteral("IconArea_Image=") + image;
    section << QStringLiteral("IconArea_Text=0x00") + digits;
    // Every foreign line survives, in order, and nothing else is taken for one; then an empty line and the section.
    QStringList expected;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(expected), settings::keepLine);
    FUZZ_CHECK(reread == expected + QStringList{QString()} + section);
    const auto back = settings::readValues(reread);
    FUZZ_CHECK(back.isOk() && back->imagePath == image && back->textColorHex == digits);
    // From the second rewrite on, applying the same settings changes no byte.
    FUZZ_CHECK(settings::composeRewrite(settings::keptLines(reread), image, digits) == rewrite);

    // A new file holds the section alone.
    FUZZ_CHECK(read(written(settings::composeNew(image, digits))) == section);
    return 0;
}
