#pragma once

#include <QImage>

namespace mirtal::about {

inline constexpr QSize kBannerSize(461, 57);
inline constexpr QSize kCheckButtonPictureSize(274, 19);

// The banner of the About window: a dark red scene with a storm over its right end, where the streak plays.
// Painted once, on first use.
const QImage& bannerPicture();

// The face of the update-check button: its words in light letters on a dark grey, vertically shaded ground.
// Painted once, on first use.
const QImage& checkButtonPicture();

} // namespace mirtal::about
