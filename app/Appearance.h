#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStringList>

namespace mirtal::app {

// Cyrillic-capable stand-ins for the fonts the window is laid out with, where those are not installed.
void installFontSubstitutes();

// White lettering on a black, rounded, glossy face of exactly size pixels; one entry of lines per text line.
QPixmap buttonFace(QSize size, const QStringList& lines, bool pressed = false);

// The status strip: grey at the edges shading to near-black in the middle.
QPixmap statusStrip(QSize size);

// The program's icon at 16, 32 and 48 pixels.
QIcon programIcon();

} // namespace mirtal::app
