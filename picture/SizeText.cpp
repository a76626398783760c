#include "SizeText.h"

#include <cmath>

namespace mirtal::picture {

QString formatRatio(float ratio, const QLocale& locale)
{
    if (!std::isfinite(ratio))
        return {};
    // A float times 1000 is exact in double, so halves round away from zero as the pattern does.
    const long long thousandths = std::llround(static_cast<double>(ratio) * 1000.0);
    const long long magnitude = thousandths < 0 ? -thousandths : thousandths;
    QString fraction = QString::number(magnitude % 1000).rightJustified(3, QLatin1Char('0'));
    while (fraction.size() > 1 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    const QString sign = thousandths < 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(magnitude / 1000) + locale.decimalPoint() + fraction;
}

QString formatSingle(float value, const QLocale& locale)
{
    QString text = QString::number(static_cast<double>(value), 'g', 7);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

QString sizeText(double width, double height, const QLocale& locale)
{
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    if (h == 0.0f)
        return {};
    return formatSingle(w, locale) + QLatin1Char('x') + formatSingle(h, locale) + QStringLiteral("\r\n") +
           formatRatio(w / h, locale);
}

} // namespace mirtal::picture
