// The settings file as the program meets it: bytes read through the real line reader, the read rule, the keep
// rule, composition and the colour digits. A rewrite must keep every foreign line, read back what it wrote, and
// be byte-stable from then on.
#include "FuzzCheck.h"
#include "platform/AnsiCodePage.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings/IniFormat.h"

#include <algorithm>
#include <cstring>

using namespace mirtal;

namespace {

// The one file of the in-memory system calls: the bytes being read.
struct MemoryFile {
    QByteArray bytes;
    qsizetype offset = 0;
};
MemoryFile g_file;

constexpr int kFd = 100;
// Short reads, so that the reader's loop runs more than once.
constexpr size_t kChunk = 61;

platform::LinuxSysCalls memorySysCalls()
{
    platform::LinuxSysCalls sys;
    sys.openat = [](int, const char*, int, mode_t) {
        g_file.offset = 0;
        return kFd;
    };
    sys.fstat = [](int, struct stat* result) {
        *result = {};
        result->st_mode = S_IFREG | 0644;
        result->st_size = static_cast<off_t>(g_file.bytes.size());
        return 0;
    };
    sys.read = [](int, void* buffer, size_t count) -> ssize_t {
        const auto left = static_cast<size_t>(g_file.bytes.size() - g_file.offset);
        const size_t n = std::min({count, left, kChunk});
        std::memcpy(buffer, g_file.bytes.constData() + g_file.offset, n);
        g_file.offset += static_cast<qsizetype>(n);
        return static_cast<ssize_t>(n);
    };
    sys.close = [](int) { return 0; };
    return sys;
}

const platform::AnsiCodePage& codePage()
{
    static const platform::AnsiCodePage page = platform::AnsiCodePage::windows1251();
    return page;
}

QStringList readThroughFileSystem(const QByteArray& bytes)
{
    static platform::LinuxFileSystem fileSystem(codePage(), QStringLiteral("/nowhere"), memorySysCalls());
    g_file.bytes = bytes;
    const auto lines = fileSystem.readLines(QStringLiteral("/folder/Desktop.ini"));
    FUZZ_CHECK(lines.isOk());
    return *lines;
}

// The line rule on bytes: CR or CR LF ends a line, a lone LF stays, the last line needs no end. A single-byte code
// page decodes byte for byte, so splitting before or after decoding is the same.
QStringList referenceLines(const QByteArray& bytes)
{
    QStringList lines;
    QByteArray current;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            lines.append(codePage().decode(current));
            current.clear();
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current.append(bytes[i]);
        }
    }
    if (!current.isEmpty())
        lines.append(codePage().decode(current));
    return lines;
}

bool isHex(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// Whether digits name a caption colour: some hex digits whose value, leading zeros aside, fits in six.
bool isColor(const QString& digits)
{
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isHex))
        return false;
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0')
        ++first;
    return digits.size() - first <= 6;
}

void checkColor(const QString& digits)
{
    const auto color = settings::colorFromDigits(digits);
    FUZZ_CHECK(color.isOk() == isColor(digits));
    if (!color)
        return;
    FUZZ_CHECK(*color <= 0xFFFFFFu);
    const QString written = settings::digitsOfColor(*color);
    FUZZ_CHECK(written.size() >= 1 && written.size() <= 6);
    FUZZ_CHECK(written == written.toUpper());
    FUZZ_CHECK(written == QStringLiteral("0") || !written.startsWith(u'0'));
    const auto again = settings::colorFromDigits(written);
    FUZZ_CHECK(again.isOk() && *again == *color);
}

bool isShortColorLine(const QString& line)
{
    return line.startsWith(QStringLiteral("IconArea_Text=")) && line.size() < 18;
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
    const QStringList lines = readThroughFileSystem(bytes);
    FUZZ_CHECK(lines == referenceLines(bytes));

    // Read rule: fails exactly when a colour line is too short; what was read so far is handed back.
    settings::ReadValues partial;
    const auto values = settings::readValues(lines, &partial);
    FUZZ_CHECK(values.isOk() == std::none_of(lines.begin(), lines.end(), isShortColorLine));
    if (values) {
        FUZZ_CHECK(partial.imagePath == values->imagePath && partial.textColorHex == values->textColorHex);
    }
    checkColor(partial.textColorHex);
    checkColor(codePage().decode(bytes));

    // Apply as the window does after loading this file: it holds what was read, up to a read error, and writes
    // the digits as they stand, an empty text as the default.
    const QString image = partial.imagePath;
    const QString digits = partial.textColorHex.isEmpty() ? settings::defaultTextColorHex() : partial.textColorHex;
    const QString kept = settings::keptLines(lines);
    QStringList keptList;
    for (const QString& line : lines) {
        if (settings::keepLine(line))
            keptList.append(line);
    }
    FUZZ_CHECK(kept == (keptList.isEmpty() ? QString() : keptList.join(settings::crlf()) + settings::crlf()));
    for (const QString& line : keptList) {
        FUZZ_CHECK(!line.isEmpty() && !line.startsWith(settings::sectionHeader()) &&
                   !line.startsWith(QStringLiteral("IconArea_Image=")) &&
                   !line.startsWith(QStringLiteral("IconArea_Text=")));
    }

    const QString rewrite = settings::composeRewrite(kept, image, digits);
    const QStringList reread = readThroughFileSystem(written(rewrite));
    // Every foreign line survives, in order, and nothing else is taken for one.
    FUZZ_CHECK(settings::keptLines(reread) == kept);
    QStringList expected = keptList;
    expected << QString() << settings::sectionHeader();
    if (!image.isEmpty())
        expected << QStringLiteral("IconArea_Image=") + image;
    expected << QStringLiteral("IconArea_Text=0x00") + digits;
    FUZZ_CHECK(reread == expected);
    // The load after applying reads back what was written.
    const auto back = settings::readValues(reread);
    FUZZ_CHECK(back.isOk() && back->imagePath == image && back->textColorHex == digits);
    // From the second rewrite on, applying the same settings changes no byte.
    FUZZ_CHECK(settings::composeRewrite(settings::keptLines(reread), image, digits) == rewrite);

    // A new file holds the section alone and reads back the same way.
    const QStringList created = readThroughFileSystem(written(settings::composeNew(image, digits)));
    const auto createdValues = settings::readValues(created);
    FUZZ_CHECK(createdValues.isOk() && createdValues->imagePath == image && createdValues->textColorHex == digits);
    FUZZ_CHECK(settings::keptLines(created).isEmpty());
    return 0;
}
