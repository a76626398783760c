#include "FitArithmetic.h"

#include "platform/Screen.h"

#include <climits>
#include <cmath>
#include <optional>

namespace mirtal::picture {

namespace {

// The decimal number that text starts with (spaces, sign, digits, optional '.' and fraction); the rest is ignored.
std::optional<double> leadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    const auto isDigit = [&](qsizetype k) {
        return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9');
    };
    bool anyDigit = false;
    while (isDigit(i)) {
        ++i;
        anyDigit = true;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) {
            ++i;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    // Well formed by now: a failure can only be overflow (an infinity) or underflow (zero), both usable.
    return text.mid(start, i - start).toDouble();
}

} // namespace

int roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    // Spelled out rather than left to the floating-point rounding mode.
    const double below = std::floor(value);
    const double fraction = value - below;
    const bool up = fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0);
    const double rounded = up ? below + 1.0 : below;
    return static_cast<int>(rounded);
}

QSize automaticFitSize(QSize screenTwips)
{
    // Computed in int rather than in 16 bits, so that screens beyond 2184 pixels still get their own size.
    const double twipsPerPixel = platform::kTwipsPerPixel;
    const int width = roundHalfEven(screenTwips.width() / twipsPerPixel - kAutomaticMarginWidth);
    const int height = roundHalfEven(screenTwips.height() / twipsPerPixel - kAutomaticMarginHeight);
    return {qMax(width, 1), qMax(height, 1)};
}

QString cutToFourCharacters(const QString& text)
{
    if (text.size() <= kCustomTextLength)
        return text;
    qsizetype length = kCustomTextLength;
    // Never keep half of a surrogate pair.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

int customFitDimension(const QString& text)
{
    // No leading number counts as the lower bound, "12a4" as 12, a negative number as 3; the clamp does the rest.
    const std::optional<double> number = leadingNumber(text);
    if (!number)
        return kCustomMinimum;
    const double value = qBound(static_cast<double>(INT_MIN), *number, static_cast<double>(INT_MAX));
    int size = roundHalfEven(value);
    if (size > kCustomMaximum)
        size = kCustomMaximum;
    if (size < kCustomMinimum)
        size = kCustomMinimum;
    return size;
}

QSize customFitSize(const QString& widthText, const QString& heightText)
{
    return {customFitDimension(widthText), customFitDimension(heightText)};
}

} // namespace mirtal::picture
