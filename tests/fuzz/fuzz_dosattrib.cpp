// The user.DOSATTRIB value as Samba or anyone else may have left it: parsing never reads outside the value, and
// whatever is stored afterwards reads back as the attributes given, keeping every other byte of a blob.
#include "FuzzCheck.h"
#include "platform/DosAttrib.h"

#include <QtEndian>

using namespace mirtal::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact copy, so that the address sanitizer sees any read past the value's end.
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool blob = value.size() >= 16 && value[0] == '\0' && (value[2] == 4 || value[2] == 5) && value[3] == 0;
    const auto parsed = dosattrib::parse(value);
    FUZZ_CHECK(!blob || parsed == qFromLittleEndian<quint32>(value.constData() + 12));
    // Stored, the attributes read back; a blob changes only in its attribute word, anything else becomes the
    // legacy form. Tried with what was read, the first bytes as a number, and two usual values.
    const auto other = qFromLittleEndian<quint32>(QByteArray(value + QByteArray(4, '\0')).constData());
    for (const quint32 attributes : {parsed.value_or(other), other, 0x6u, 0x14u}) {
        const QByteArray stored = dosattrib::compose(attributes, value);
        FUZZ_CHECK(dosattrib::parse(stored) == attributes);
        FUZZ_CHECK(stored == (blob ? QByteArray(value.left(12) + stored.mid(12, 4) + value.mid(16))
                                   : QByteArray("0x" + QByteArray::number(attributes, 16) + '\0')));
    }
    return 0;
}
