#pragma once

#include <QLocale>
#include <QSize>
#include <QString>

namespace mirtal::app {

// "Мирталь папки - текущее разрешение: WxH" with the screen's twips divided by 15 in single precision.
QString mainWindowTitle(QSize screenTwips, const QLocale& locale);

} // namespace mirtal::app
