#pragma once

#include "platform/Screen.h"

namespace mirtal::platform {

// The primary screen in twips at a fixed 15 per (device-independent) pixel.
class QtScreen final : public Screen {
public:
    QtScreen() = default;
    QSize sizeInTwips() const override;
};

} // namespace mirtal::platform
