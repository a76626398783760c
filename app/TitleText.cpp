#include "TitleText.h"

#include "picture/SizeText.h"
#include "platform/Screen.h"

namespace mirtal::app {

QString mainWindowTitle(QSize screenTwips, const QLocale& locale)
{
    constexpr float divisor = platform::kTwipsPerPixel;
    const float width = static_cast<float>(screenTwips.width()) / divisor;
    const float height = static_cast<float>(screenTwips.height()) / divisor;
    return QStringLiteral("Мирталь папки - текущее разрешение: ") + picture::formatSingle(width, locale) +
           QLatin1Char('x') + picture::formatSingle(height, locale);
}

} // namespace mirtal::app
