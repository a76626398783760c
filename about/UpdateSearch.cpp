#include "about/UpdateSearch.h"

#include <QStringView>
#include <QVarLengthArray>

namespace mirtal::about {
namespace {

constexpr qsizetype kVersionLength = 4;

// Start of the last occurrence of key in text, or -1. Knuth-Morris-Pratt run backwards over the text, so that the
// first match found is the last one and the cost stays linear whatever the text or the key.
qsizetype lastOccurrence(QStringView text, QStringView key)
{
    const qsizetype m = key.size();
    if (m == 0 || m > text.size())
        return -1;
    // The key reversed, read as rk[i] = key[m - 1 - i]; border[i] is the length of the longest proper border of
    // rk[0..i].
    const auto rk = [&key, m](qsizetype i) { return key[m - 1 - i]; };
    QVarLengthArray<qsizetype, 32> border(m);
    border[0] = 0;
    for (qsizetype i = 1, k = 0; i < m; ++i) {
        while (k > 0 && rk(i) != rk(k))
            k = border[k - 1];
        if (rk(i) == rk(k))
            ++k;
        border[i] = k;
    }
    qsizetype matched = 0;
    for (qsizetype pos = text.size() - 1; pos >= 0; --pos) {
        const QChar c = text[pos];
        while (matched > 0 && c != rk(matched))
            matched = border[matched - 1];
        if (c == rk(matched))
            ++matched;
        if (matched == m)
            return pos;
    }
    return -1;
}

} // namespace

QString findSiteVersion(const QString& updateText, const QString& updateKey)
{
    const QStringView text(updateText);
    qsizetype versionStart = -1;
    if (updateKey.isEmpty()) {
        // An empty key equals the empty piece at every position; the last one is the final character.
        versionStart = text.size() - 1;
    } else {
        const qsizetype at = lastOccurrence(text, updateKey);
        if (at >= 0)
            versionStart = at + updateKey.size();
    }
    if (versionStart < 0 || versionStart >= text.size())
        return {};
    return text.sliced(versionStart, qMin(kVersionLength, text.size() - versionStart)).toString();
}

} // namespace mirtal::about
