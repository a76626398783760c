#include "AnsiCodePage.h"

#include <QHash>

namespace mirtal::platform {
namespace {

// Characters of the bytes 0x80..0xFF; bytes that the code page leaves undefined map to the C1 control of
// the same value, as Windows itself converts them.
constexpr std::array<char16_t, 128> kWindows1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr std::array<char16_t, 128> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
// Languages whose Windows ANSI code page is 1251.
bool isCyrillicLanguage(QLocale::Language language, QLocale::Script script)
{
    switch (language) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Tatar:
    case QLocale::Bashkir:
    case QLocale::Mongolian:
        return true;
    case QLocale::Serbian:
        return script != QLocale::LatinScript;
    default:
        return false;
    }
}

const QHash<char16_t, char>& reverseOf(const std::array<char16_t, 128>& upper)
{
    static const auto build = [](const std::array<char16_t, 128>& table) {
        QHash<char16_t, char> reverse;
        for (int i = 0; i < 128; ++i)
            reverse.insert(table[static_cast<size_t>(i)], static_cast<char>(0x80 + i));
        return reverse;
    };
    static const QHash<char16_t, char> r1251 = build(kWindows1251);
    static const QHash<char16_t, char> r1252 = build(kWindows1252);
    return &upper == &kWindows1251 ? r1251 : r1252;
}

} // namespace

AnsiCodePage AnsiCodePage::windows1251() { return {1251, kWindows1251}; }
AnsiCodePage AnsiCodePage::windows1252() { return {1252, kWindows1252}; }

AnsiCodePage AnsiCodePage::forLocale(const QLocale& locale)
{
    return isCyrillicLanguage(locale.language(), locale.script()) ? windows1251() : windows1252();
}

qsizetype AnsiCodePage::firstUnrepresentable(const QString& text) const
{
    const auto& reverse = reverseOf(*m_upper);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x80 && !reverse.contains(c))
            return i;
    }
    return -1;
}

Result<QByteArray> AnsiCodePage::encode(const QString& text) const
{
    const auto& reverse = reverseOf(*m_upper);
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out.append(static_cast<char>(c));
            continue;
        }
        const auto it = reverse.constFind(c);
        if (it == reverse.constEnd()) {
            // A surrogate pair is one character for the user: name it whole.
            const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
            const QString shown = text.mid(i, length);
            const uint code = length == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : c;
            const QString hex = QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
            return Status::failure(QStringLiteral("Символ «%1» (U+%2) нельзя записать в кодировке Windows-%3.")
                                       .arg(shown, hex, QString::number(m_number)),
                                   ErrorKind::Unrepresentable);
        }
        out.append(*it);
    }
    return out;
}

QString AnsiCodePage::decode(const QByteArray& bytes) const
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *dst++ = QChar(b < 0x80 ? char16_t(b) : (*m_upper)[b - 0x80u]);
    }
    return out;
}

} // namespace mirtal::platform
