#pragma once

#include "platform/Screen.h"

namespace mirtal::platform {

class FakeScreen final : public Screen {
public:
    explicit FakeScreen(QSize size = QSize(1024 * kTwipsPerPixel, 768 * kTwipsPerPixel))
        : twips(size)
    {
    }

    QSize twips;
    QSize sizeInTwips() const override { return twips; }
};

} // namespace mirtal::platform
