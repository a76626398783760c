#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace mirtal::widgets {

// The colour a label, frame line or text box draws its text with.
inline void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace mirtal::widgets
