#pragma once

#include <QLocale>
#include <QString>

namespace mirtal::picture {

// The two-line size text of a picture: "<W>x<H>", CR LF, then W / H (single precision) in the pattern
// "#0.0##". A height of 0 has no ratio: the result is empty, and callers treat that case before asking.
QString sizeText(double width, double height, const QLocale& locale);

// The ratio alone, in the pattern "#0.0##" with the locale's decimal separator.
QString formatRatio(float ratio, const QLocale& locale);

// A single-precision number in its shortest general form: up to 7 significant digits, no group separator.
QString formatSingle(float value, const QLocale& locale);

} // namespace mirtal::picture
