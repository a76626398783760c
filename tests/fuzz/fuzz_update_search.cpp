// The update-file search against the plain reading of its rule: every position, the last match wins, up to four
// characters after it.
#include "FuzzCheck.h"
#include "about/UpdateSearch.h"

using namespace mirtal;

namespace {

QString reference(const QString& text, const QString& key)
{
    QString version;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.mid(i, key.size()) == key)
            version = text.mid(i + key.size(), 4);
    }
    return version;
}

} // namespace

// The first byte picks the key: the program's own, or the next (byte % 33) bytes, which lets short repetitive keys
// stress the backward matcher. The rest is the fetched body, one character per byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto rest = static_cast<qsizetype>(size - 1);
    QString key = about::defaultUpdateKey();
    qsizetype keyLength = 0;
    if (data[0] & 0x80u) {
        keyLength = qMin<qsizetype>(data[0] % 33, rest);
        key = QString::fromLatin1(chars + 1, keyLength);
    }
    const QString text = QString::fromLatin1(chars + 1 + keyLength, rest - keyLength);

    const QString found = about::findSiteVersion(text, key);
    FUZZ_CHECK(found == reference(text, key));
    FUZZ_CHECK(found.size() <= 4);
    if (key == about::defaultUpdateKey()) {
        FUZZ_CHECK(found == about::findSiteVersion(text));
    }
    return 0;
}
