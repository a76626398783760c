#pragma once

#include <QSize>

namespace mirtal::platform {

inline constexpr int kTwipsPerPixel = 15;

class Screen {
public:
    Screen() = default;
    virtual ~Screen() = default;
    Q_DISABLE_COPY_MOVE(Screen)

    // The primary screen's size in twips.
    virtual QSize sizeInTwips() const = 0;
};

} // namespace mirtal::platform
