// Desktop.ini as the program meets it: any bytes through the line rule, the read rule, the keep rule, composition
// and the colour digits. A rewrite keeps every foreign line, reads back what it wrote, and is byte-stable after.
#include "FuzzCheck.h"
#include "platform/AnsiCodePage.h"
#include "platform/TextLines.h"
#include "settings/IniFormat.h"

#include <QRegularExpression>

using namespace mirtal::settings;

namespace {

const mirtal::platform::AnsiCodePage kPage = mirtal::platform::AnsiCodePage::windows1251();

QStringList read(const QByteArray& bytes) { return mirtal::platform::splitLines(kPage.decode(bytes)); }

// Writes text as the file system does (the code page, then CR LF) and reads it back. All of it came from decoded
// bytes, and every byte decodes to a character the code page holds again.
QStringList writtenAndRead(const QString& text)
{
    const auto bytes = kPage.encode(text + crlf());
    FUZZ_CHECK(bytes.isOk());
    return read(*bytes);
}

// Digits name a caption colour when they are hex digits whose value, leading zeros aside, fits in six. The program
// writes a colour in upper case without leading zeros, and reads that back as the same colour.
void checkColor(const QString& digits)
{
    static const QRegularExpression valid(QRegularExpression::anchoredPattern(u"0*[0-9a-fA-F]{1,6}"));
    static const QRegularExpression canonical(QRegularExpression::anchoredPattern(u"0|[1-9A-F][0-9A-F]{0,5}"));
    const auto color = colorFromDigits(digits);
    FUZZ_CHECK(color.isOk() == valid.match(digits).hasMatch());
    const QString written = color ? digitsOfColor(*color) : QString();
    const auto again = colorFromDigits(written);
    FUZZ_CHECK(!color || (canonical.match(written).hasMatch() && again.isOk() && *again == *color));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = read(bytes);
    checkColor(kPage.decode(bytes));
    // Read rule: fails exactly when a colour line is too short; what was read so far is handed back.
    ReadValues partial;
    const auto values = readValues(lines, &partial);
    bool shortLine = false;
    QStringList foreign;
    for (const QString& line : lines) {
        shortLine = shortLine || (line.startsWith(QStringLiteral("IconArea_Text=")) && line.size() < 18);
        if (keepLine(line))
            foreign << line;
    }
    FUZZ_CHECK(values.isOk() != shortLine);
    FUZZ_CHECK(!values || (values->imagePath == partial.imagePath && values->textColorHex == partial.textColorHex));
    checkColor(partial.textColorHex);

    // Apply as the window does after loading this file: what was read, up to a read error, with the digits as they
    // stand and an empty text as the default. Every foreign line survives, in order, and nothing else is taken for
    // one; then an empty line and the section. A new file holds the section alone.
    const QString image = partial.imagePath;
    const QString digits = partial.textColorHex.isEmpty() ? defaultTextColorHex() : partial.textColorHex;
    QStringList section{sectionHeader()};
    if (!image.isEmpty())
        section << QStringLiteral("IconArea_Image=") + image;
    section << QStringLiteral("IconArea_Text=0x00") + digits;
    const QString rewrite = composeRewrite(keptLines(lines), image, digits);
    const QStringList reread = writtenAndRead(rewrite);
    FUZZ_CHECK(reread == foreign + QStringList{QString()} + section);
    FUZZ_CHECK(writtenAndRead(composeNew(image, digits)) == section);
    const auto back = readValues(reread);
    FUZZ_CHECK(back.isOk() && back->imagePath == image && back->textColorHex == digits);
    // From the second rewrite on, applying the same settings changes no byte.
    FUZZ_CHECK(composeRewrite(keptLines(reread), image, digits) == rewrite);
    return 0;
}
