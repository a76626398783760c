#include "Appearance.h"

#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QRegion>
#include <QStyleOption>

#include <array>

namespace mirtal::app {

namespace {

struct DesignFamily {
    QString family;
    QStringList substitutes;
};

const std::array<DesignFamily, 3>& designFamilies()
{
    static const std::array<DesignFamily, 3> table{{
        {QStringLiteral("Comic Sans MS"), {QStringLiteral("Andika"), QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")}},
        {QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
    }};
    return table;
}

} // namespace

QFont designFont(const QString& family, qreal points)
{
    static QHash<QString, QString> resolved;
    auto it = resolved.constFind(family);
    if (it == resolved.constEnd()) {
        const QStringList installed = QFontDatabase::families();
        QString choice = family;
        if (!installed.contains(family, Qt::CaseInsensitive)) {
            for (const DesignFamily& entry : designFamilies()) {
                if (entry.family != family)
                    continue;
                for (const QString& substitute : entry.substitutes) {
                    if (installed.contains(substitute, Qt::CaseInsensitive)) {
                        choice = substitute;
                        break;
                    }
                }
            }
        }
        it = resolved.insert(family, choice);
    }
    QFont font(*it);
    font.setPointSizeF(points);
    return font;
}

void installFontSubstitutes()
{
    // Substitutes are consulted only for a family that is missing, so there is no need to ask the font database
    // (which would load it before the first frame needs it).
    for (const DesignFamily& entry : designFamilies())
        QFont::insertSubstitutions(entry.family, entry.substitutes);
}

QPixmap buttonFace(QSize size, const QStringList& lines, bool pressed)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF face = QRectF(pixmap.rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = qMin(face.height() / 2.0, 9.0);
    QPainterPath shape;
    shape.addRoundedRect(face, radius, radius);

    QLinearGradient body(face.topLeft(), face.bottomLeft());
    body.setColorAt(0.0, pressed ? QColor(18, 18, 18) : QColor(58, 58, 58));
    body.setColorAt(0.48, pressed ? QColor(8, 8, 8) : QColor(22, 22, 22));
    body.setColorAt(0.52, QColor(4, 4, 4));
    body.setColorAt(1.0, pressed ? QColor(30, 30, 30) : QColor(16, 16, 16));
    p.fillPath(shape, body);

    // The gloss: a soft highlight over the upper half.
    if (!pressed) {
        QPainterPath gloss;
        const QRectF upper = face.adjusted(2, 1.5, -2, -face.height() / 2.0);
        gloss.addRoundedRect(upper, radius - 2, radius - 2);
        QLinearGradient shine(upper.topLeft(), upper.bottomLeft());
        shine.setColorAt(0.0, QColor(255, 255, 255, 90));
        shine.setColorAt(1.0, QColor(255, 255, 255, 8));
        p.fillPath(gloss, shine);
    }
    p.setPen(QPen(QColor(120, 120, 120), 1.0));
    p.drawPath(shape);

    // The sizes of the path box and the frame captions, so that the faces need no font of their own.
    const QFont font = designFont(QStringLiteral("Comic Sans MS"), lines.size() > 1 ? 9 : 9.75);
    p.setFont(font);
    p.setPen(Qt::white);
    const QRectF textArea = face.translated(0, pressed ? 1 : 0);
    p.drawText(textArea, Qt::AlignCenter, lines.join(QLatin1Char('\n')));
    return pixmap;
}

QPixmap statusStrip(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient shade(0, 0, size.width(), 0);
    shade.setColorAt(0.0, QColor(120, 120, 120));
    shade.setColorAt(0.18, QColor(40, 40, 44));
    shade.setColorAt(0.5, QColor(8, 8, 10));
    shade.setColorAt(0.82, QColor(40, 40, 44));
    shade.setColorAt(1.0, QColor(120, 120, 120));
    p.fillRect(pixmap.rect(), shade);
    QLinearGradient gloss(0, 0, 0, size.height());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 40));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(pixmap.rect(), gloss);
    return pixmap;
}

namespace {

QPixmap iconImage(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A folder whose front is a small landscape picture.
    QPainterPath back;
    back.moveTo(0.06 * s, 0.22 * s);
    back.lineTo(0.38 * s, 0.22 * s);
    back.lineTo(0.46 * s, 0.32 * s);
    back.lineTo(0.94 * s, 0.32 * s);
    back.lineTo(0.94 * s, 0.86 * s);
    back.lineTo(0.06 * s, 0.86 * s);
    back.closeSubpath();
    p.fillPath(back, QColor(196, 150, 40));

    const QRectF front(0.06 * s, 0.40 * s, 0.88 * s, 0.48 * s);
    QLinearGradient sky(front.topLeft(), front.bottomLeft());
    sky.setColorAt(0.0, QColor(70, 120, 220));
    sky.setColorAt(1.0, QColor(160, 200, 250));
    p.fillRect(front, sky);
    QPainterPath hills;
    hills.moveTo(front.left(), front.bottom());
    hills.lineTo(front.left(), front.top() + 0.30 * s);
    hills.quadTo(front.left() + 0.30 * s, front.top() + 0.10 * s, front.center().x(), front.top() + 0.30 * s);
    hills.quadTo(front.right() - 0.20 * s, front.top() + 0.42 * s, front.right(), front.top() + 0.22 * s);
    hills.lineTo(front.right(), front.bottom());
    hills.closeSubpath();
    p.fillPath(hills, QColor(40, 140, 60));
    p.setBrush(QColor(255, 230, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(front.right() - 0.18 * s, front.top() + 0.12 * s), 0.07 * s, 0.07 * s);
    p.setPen(QPen(QColor(90, 60, 10), qMax(1.0, s / 24.0)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(front);
    return pixmap;
}

} // namespace

QPalette darkPalette()
{
    QPalette p;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, black);
        p.setColor(group, QPalette::WindowText, white);
        p.setColor(group, QPalette::Base, black);
        p.setColor(group, QPalette::AlternateBase, QColor(20, 20, 20));
        p.setColor(group, QPalette::Text, white);
        p.setColor(group, QPalette::Button, QColor(64, 64, 64));
        p.setColor(group, QPalette::ButtonText, white);
        p.setColor(group, QPalette::Highlight, QColor(36, 65, 143));
        p.setColor(group, QPalette::HighlightedText, white);
        p.setColor(group, QPalette::Light, QColor(110, 110, 110));
        p.setColor(group, QPalette::Midlight, QColor(90, 90, 90));
        p.setColor(group, QPalette::Mid, QColor(60, 60, 60));
        p.setColor(group, QPalette::Dark, QColor(40, 40, 40));
        p.setColor(group, QPalette::Shadow, QColor(10, 10, 10));
        p.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        p.setColor(group, QPalette::ToolTipText, black);
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::Window, black);
    p.setColor(QPalette::Disabled, QPalette::Base, black);
    return p;
}

FaceButton::FaceButton(QSize faceSize, const QStringList& lines, QWidget* parent)
    : QPushButton(parent)
    , m_faceSize(faceSize)
    , m_lines(lines)
    , m_face(buttonFace(faceSize, lines))
{
    setAccessibleName(lines.join(QLatin1Char(' ')));
    // Enter presses the focused button, as Space does.
    setAutoDefault(true);
}

void FaceButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (isDown() && m_pressedFace.isNull())
        m_pressedFace = buttonFace(m_faceSize, m_lines, true);
    const QPixmap& face = isDown() ? m_pressedFace : m_face;
    p.drawPixmap(QPoint((width() - face.width()) / 2, (height() - face.height()) / 2), face);
    if (hasFocus()) {
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

CaptionFrame::CaptionFrame(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
{
}

void CaptionFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics metrics(font());
    const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 6, metrics.height());
    // The edge runs through the middle of the caption, and stops either side of it.
    p.setClipRegion(QRegion(rect()).subtracted(caption));
    p.setPen(palette().color(QPalette::Window));
    p.drawRect(rect().adjusted(0, metrics.height() / 2, -1, -1));
    p.setClipping(false);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(caption, Qt::AlignCenter, title());
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addPixmap(iconImage(size));
    return icon;
}

void TickMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || item->checkType != QStyleOptionMenuItem::NonExclusive) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // Drawn as a plain item whose icon is the tick, or nothing.
    QStyleOptionMenuItem plain(*item);
    plain.checkType = QStyleOptionMenuItem::NotCheckable;
    plain.checked = false;
    if (item->checked) {
        const qreal ratio = painter->device()->devicePixelRatio();
        QPixmap tick(QSize(16, 16) * ratio);
        tick.setDevicePixelRatio(ratio);
        tick.fill(Qt::transparent);
        QPainter p(&tick);
        p.setRenderHint(QPainter::Antialiasing);
        const bool selected = item->state & State_Selected;
        p.setPen(QPen(item->palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 2));
        p.drawPolyline(QPolygonF{QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)});
        p.end();
        plain.icon = QIcon(tick);
    }
    QProxyStyle::drawControl(element, &plain, painter, widget);
}

} // namespace mirtal::app
