#include "QtScreen.h"

#include <QGuiApplication>
#include <QScreen>

namespace mirtal::platform {

QSize QtScreen::sizeInTwips() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->size() * kTwipsPerPixel;
}

} // namespace mirtal::platform
