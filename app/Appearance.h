#pragma once

#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QStringList>

namespace mirtal::app {

// Cyrillic-capable stand-ins for the fonts the window is laid out with, where those are not installed.
void installFontSubstitutes();

// A font of the layout, by its design family, at a point size. The family is looked up once per run and the
// font made straight from what is installed, so that no font is searched for by alias again.
QFont designFont(const QString& family, qreal points);

// White lettering on a black, rounded, glossy face of exactly size pixels; one entry of lines per text line.
QPixmap buttonFace(QSize size, const QStringList& lines, bool pressed = false);

// The status strip: grey at the edges shading to near-black in the middle.
QPixmap statusStrip(QSize size);

// The program's icon at 16, 32 and 48 pixels.
QIcon programIcon();

// The dark look of the window: black grounds, white text, grey edges.
QPalette darkPalette();

// A command button that shows a drawn face instead of a caption, pressed in while held.
class FaceButton final : public QPushButton {
    Q_OBJECT

public:
    FaceButton(QSize faceSize, const QStringList& lines, QWidget* parent);
    Q_DISABLE_COPY_MOVE(FaceButton)

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize m_faceSize;
    QStringList m_lines;
    QPixmap m_face;
    QPixmap m_pressedFace; // drawn on the first press
};

// A frame whose caption is set into its top edge, the edge drawn in the palette's window colour.
class CaptionFrame final : public QGroupBox {
    Q_OBJECT

public:
    CaptionFrame(const QString& title, QWidget* parent);
    Q_DISABLE_COPY_MOVE(CaptionFrame)

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Checkable menu items drawn with a tick when checked and nothing when not, rather than the style's check box.
class TickMenuStyle final : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};

} // namespace mirtal::app
