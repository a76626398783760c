// The user.DOSATTRIB value as Samba or anyone else may have left it: parsing never reads outside the value, and
// whatever is stored afterwards reads back as the attributes given, keeping every other byte of a blob.
#include "FuzzCheck.h"
#include "platform/DosAttrib.h"

#include <QtEndian>

#include <cstring>

using namespace mirtal::platform;

namespace {

bool isBlob(const QByteArray& value)
{
    return value.size() >= 16 && value[0] == '\0' && (value[2] == 4 || value[2] == 5) && value[3] == 0;
}

void checkStore(quint32 attributes, const QByteArray& existing)
{
    const QByteArray stored = dosattrib::compose(attributes, existing);
    const auto back = dosattrib::parse(stored);
    FUZZ_CHECK(back.has_value() && *back == attributes);
    if (isBlob(existing)) {
        FUZZ_CHECK(stored.size() == existing.size());
        for (qsizetype i = 0; i < stored.size(); ++i) {
            if (i < 12 || i >= 16) {
                FUZZ_CHECK(stored[i] == existing[i]);
            }
        }
    } else {
        FUZZ_CHECK(stored == "0x" + QByteArray::number(attributes, 16) + '\0');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact copy, so that the address sanitizer sees any read past the value's end.
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto parsed = dosattrib::parse(value);
    if (isBlob(value)) {
        quint32 word = 0;
        std::memcpy(&word, value.constData() + 12, sizeof word);
        FUZZ_CHECK(parsed.has_value() && *parsed == qFromLittleEndian(word));
    }
    if (parsed) {
        checkStore(*parsed, value);
    }
    quint32 other = 0;
    std::memcpy(&other, data, qMin<size_t>(size, sizeof other));
    checkStore(other, value);
    checkStore(0x6, value);
    checkStore(0x14, value);
    return 0;
}
