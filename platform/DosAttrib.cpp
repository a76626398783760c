#include "DosAttrib.h"

namespace mirtal::platform::dosattrib {
namespace {

constexpr qsizetype kVersionOffset = 2;
constexpr qsizetype kAttributesOffset = 12;

quint32 byteAt(const QByteArray& value, qsizetype offset) { return static_cast<unsigned char>(value[offset]); }

// An NDR blob of a version whose attributes stand at kAttributesOffset: an empty hex string (one NUL and a
// pad byte), the u16 version, the u32 union level, the u32 valid flags, then the attributes.
bool isBlob(const QByteArray& value)
{
    if (value.size() < kAttributesOffset + 4 || value[0] != '\0')
        return false;
    const quint32 version = byteAt(value, kVersionOffset) | byteAt(value, kVersionOffset + 1) << 8;
    return version == 4 || version == 5;
}

std::optional<quint32> parseLegacy(const QByteArray& value)
{
    qsizetype end = value.size();
    if (end > 0 && value[end - 1] == '\0')
        --end;
    if (end <= 2 || value[0] != '0' || value[1] != 'x')
        return std::nullopt;
    quint64 result = 0;
    for (qsizetype i = 2; i < end; ++i) {
        const char c = value[i];
        quint32 digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<quint32>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<quint32>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<quint32>(c - 'A' + 10);
        else
            return std::nullopt;
        result = result << 4 | digit;
        if (result > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<quint32>(result);
}

} // namespace

std::optional<quint32> parse(const QByteArray& value)
{
    if (isBlob(value)) {
        quint32 result = 0;
        for (qsizetype i = 3; i >= 0; --i)
            result = result << 8 | byteAt(value, kAttributesOffset + i);
        return result;
    }
    return parseLegacy(value);
}

QByteArray compose(quint32 attributes, const QByteArray& existing)
{
    if (isBlob(existing)) {
        QByteArray patched = existing;
        for (qsizetype i = 0; i < 4; ++i)
            patched[kAttributesOffset + i] = static_cast<char>(attributes >> (8 * i) & 0xFFu);
        return patched;
    }
    QByteArray legacy = QByteArrayLiteral("0x");
    legacy.append(QByteArray::number(attributes, 16)).append('\0');
    return legacy;
}

} // namespace mirtal::platform::dosattrib
