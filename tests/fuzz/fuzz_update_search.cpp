// The update-file search against the plain reading of its rule: the (up to) four characters after the last place
// where the key stands.
#include "FuzzCheck.h"
#include "about/UpdateSearch.h"

// The first byte picks the key: the program's own, or the next (byte % 33) bytes, which lets short repetitive keys
// stress the backward matcher. The rest is the fetched body, one character per byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool ownKey = (data[0] & 0x80u) == 0;
    const auto rest = static_cast<qsizetype>(size - 1);
    const qsizetype keyLength = ownKey ? 0 : qMin<qsizetype>(data[0] % 33, rest);
    const char* chars = reinterpret_cast<const char*>(data) + 1;
    const QString key = ownKey ? mirtal::about::defaultUpdateKey() : QString::fromLatin1(chars, keyLength);
    const QString text = QString::fromLatin1(chars + keyLength, rest - keyLength);
    QString expected;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.mid(i, key.size()) == key)
            expected = text.mid(i + key.size(), 4);
    }
    FUZZ_CHECK(mirtal::about::findSiteVersion(text, key) == expected);
    FUZZ_CHECK(!ownKey || mirtal::about::findSiteVersion(text) == expected);
    return 0;
}
