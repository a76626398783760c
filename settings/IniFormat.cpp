#include "IniFormat.h"

namespace mirtal::settings {
namespace {

const QString& imageKey()
{
    static const QString key = QStringLiteral("IconArea_Image=");
    return key;
}

const QString& textKey()
{
    static const QString key = QStringLiteral("IconArea_Text=");
    return key;
}

// A line shorter than the compared text never matches it.
bool hasPrefix(const QString& line, const QString& prefix)
{
    return line.size() >= prefix.size() && QStringView(line).left(prefix.size()) == prefix;
}

// Blanks around a name, as Windows' INI reader trims them.
QStringView trimmedBlanks(QStringView text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

// Our section header as Windows' reader matches it: "[", the name with blanks around it, "]", in any case.
bool isOurHeader(const QString& line)
{
    const QStringView text = trimmedBlanks(line);
    const qsizetype close = text.indexOf(u']');
    if (!text.startsWith(u'[') || close < 0)
        return false;
    const QStringView name = trimmedBlanks(text.sliced(1, close - 1));
    const QStringView ours = QStringView(sectionHeader()).sliced(1, sectionHeader().size() - 2);
    return name.compare(ours, Qt::CaseInsensitive) == 0;
}

// One of our keys as the reader matches it: the name before "=", blanks trimmed, in any case.
bool isOurKey(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return false;
    const QStringView name = trimmedBlanks(QStringView(line).left(equals));
    return name.compare(imageKey().chopped(1), Qt::CaseInsensitive) == 0 ||
           name.compare(textKey().chopped(1), Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

bool keepLine(const QString& line) { return !(line.isEmpty() || isOurHeader(line) || isOurKey(line)); }

QString keptLines(const QStringList& lines)
{
    QString out;
    for (const QString& line : lines) {
        if (keepLine(line))
            out += line + crlf();
    }
    return out;
}

QString composeNew(const QString& imagePath, const QString& textColorHex)
{
    QString text = sectionHeader() + crlf();
    if (!imagePath.isEmpty())
        text += imageKey() + imagePath + crlf();
    text += QStringLiteral("IconArea_Text=0x00") + textColorHex;
    return text;
}

QString composeRewrite(const QString& otherLines, const QString& imagePath, const QString& textColorHex)
{
    return otherLines + crlf() + composeNew(imagePath, textColorHex);
}

Result<ReadValues> readValues(const QStringList& lines, ReadValues* partial)
{
    ReadValues values;
    for (const QString& line : lines) {
        if (hasPrefix(line, imageKey()))
            values.imagePath = line.mid(imageKey().size());
        if (hasPrefix(line, textKey())) {
            // The four characters after '=' ("0x00") are skipped unchecked.
            constexpr qsizetype digitsStart = 18;
            if (line.size() < digitsStart) {
                if (partial)
                    *partial = values;
                return Status::failure(QStringLiteral("Строка «%1» слишком коротка.").arg(line));
            }
            values.textColorHex = line.mid(digitsStart);
        }
    }
    if (partial)
        *partial = values;
    return values;
}

Result<quint32> colorFromDigits(const QString& digits)
{
    if (digits.isEmpty())
        return Status::failure(QStringLiteral("Цвет не задан."));
    quint64 value = 0;
    for (const QChar c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return Status::failure(QStringLiteral("«%1» — не шестнадцатеричное число.").arg(digits));
        value = value * 16 + static_cast<quint64>(d);
        if (value > 0xFFFFFFu)
            return Status::failure(QStringLiteral("«%1» — не цвет.").arg(digits));
    }
    return static_cast<quint32>(value);
}

QString digitsOfColor(quint32 color) { return QString::number(color, 16).toUpper(); }

} // namespace mirtal::settings
