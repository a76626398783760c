#pragma once

#include <QSize>
#include <QString>

namespace mirtal::picture {

// What the automatic fit takes off the screen size, in pixels.
inline constexpr int kAutomaticMarginWidth = 243;
inline constexpr int kAutomaticMarginHeight = 142;

// Bounds of a custom size, in pixels.
inline constexpr int kCustomMinimum = 3;
inline constexpr int kCustomMaximum = 2000;

// The length limit of the custom width and height boxes.
inline constexpr qsizetype kCustomTextLength = 4;

// Nearest integer, ties to the even one; values beyond the int range saturate.
int roundHalfEven(double value);

// The automatic size for a screen given in twips: the screen in pixels less the margin, at least 1 x 1.
QSize automaticFitSize(QSize screenTwips);

// What a custom size box keeps of a text assigned to it.
QString cutToFourCharacters(const QString& text);

// One custom dimension from its box text, clamped to kCustomMinimum..kCustomMaximum.
int customFitDimension(const QString& text);

QSize customFitSize(const QString& widthText, const QString& heightText);

} // namespace mirtal::picture
