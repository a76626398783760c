#include "about/AboutArt.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <random>

namespace mirtal::about {
namespace {

void paintSky(QPainter& p, const QRectF& r)
{
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(74, 6, 12));
    sky.setColorAt(0.55, QColor(44, 2, 8));
    sky.setColorAt(1.0, QColor(16, 0, 3));
    p.fillRect(r, sky);

    // The warm light of the scene, low on the left.
    QRadialGradient glow(QPointF(118, 44), 170);
    glow.setColorAt(0.0, QColor(176, 34, 30, 170));
    glow.setColorAt(0.45, QColor(120, 14, 20, 80));
    glow.setColorAt(1.0, QColor(60, 0, 8, 0));
    p.fillRect(r, glow);

    // A cold gleam behind the storm on the right.
    QRadialGradient gleam(QPointF(432, 6), 80);
    gleam.setColorAt(0.0, QColor(150, 70, 110, 120));
    gleam.setColorAt(1.0, QColor(80, 10, 40, 0));
    p.fillRect(r, gleam);
}

void paintStars(QPainter& p, const QRectF& r)
{
    std::minstd_rand gen(20080701u); // a fixed sky: every run paints the same banner
    std::uniform_real_distribution<double> x(r.left(), r.right());
    std::uniform_real_distribution<double> y(r.top(), r.top() + r.height() * 0.6);
    std::uniform_int_distribution<int> alpha(40, 200);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 48; ++i) {
        const QPointF at(x(gen), y(gen));
        const int a = alpha(gen);
        p.setBrush(QColor(255, 214, 190, a));
        const double radius = a > 170 ? 0.9 : 0.55;
        p.drawEllipse(at, radius, radius);
    }
}

void paintClouds(QPainter& p)
{
    struct Puff {
        double x, y, rx, ry;
    };
    constexpr Puff puffs[] = {
        {368, 4, 34, 12}, {402, -2, 40, 14}, {440, 6, 36, 13}, {461, -1, 30, 12},
        {388, 14, 26, 8}, {424, 16, 30, 9},  {452, 18, 22, 8},
    };
    p.setPen(Qt::NoPen);
    for (const Puff& puff : puffs) {
        QRadialGradient g(QPointF(puff.x, puff.y - puff.ry * 0.3), puff.rx);
        g.setColorAt(0.0, QColor(150, 48, 72, 210));
        g.setColorAt(0.55, QColor(84, 14, 34, 170));
        g.setColorAt(1.0, QColor(30, 0, 8, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(puff.x, puff.y), puff.rx, puff.ry);
    }
}

void paintRibbons(QPainter& p, double width)
{
    struct Ribbon {
        double y0, y1, y2, y3;
        QColor colour;
        double pen;
    };
    const Ribbon ribbons[] = {
        {40, 12, 50, 22, QColor(230, 70, 50, 110), 1.4},
        {46, 22, 58, 30, QColor(255, 150, 100, 70), 1.0},
        {30, 44, 8, 36, QColor(190, 30, 40, 90), 2.2},
        {50, 34, 40, 46, QColor(255, 190, 140, 45), 0.8},
    };
    p.setBrush(Qt::NoBrush);
    for (const Ribbon& r : ribbons) {
        QPainterPath path(QPointF(-10, r.y0));
        path.cubicTo(QPointF(width * 0.3, r.y1), QPointF(width * 0.6, r.y2), QPointF(width + 10, r.y3));
        p.setPen(QPen(r.colour, r.pen));
        p.drawPath(path);
    }
}

void paintHills(QPainter& p, const QRectF& r)
{
    QPainterPath far(QPointF(r.left(), 46));
    far.cubicTo(QPointF(60, 36), QPointF(120, 48), QPointF(190, 42));
    far.cubicTo(QPointF(260, 36), QPointF(330, 50), QPointF(400, 44));
    far.cubicTo(QPointF(430, 41), QPointF(450, 45), QPointF(r.right(), 43));
    far.lineTo(r.bottomRight());
    far.lineTo(r.bottomLeft());
    far.closeSubpath();
    QLinearGradient farFill(QPointF(0, 36), QPointF(0, 57));
    farFill.setColorAt(0.0, QColor(92, 12, 16));
    farFill.setColorAt(1.0, QColor(36, 2, 6));
    p.setPen(QPen(QColor(214, 74, 52, 170), 0.9));
    p.setBrush(farFill);
    p.drawPath(far);

    QPainterPath near(QPointF(r.left(), 53));
    near.cubicTo(QPointF(80, 46), QPointF(150, 56), QPointF(240, 51));
    near.cubicTo(QPointF(320, 47), QPointF(380, 56), QPointF(r.right(), 50));
    near.lineTo(r.bottomRight());
    near.lineTo(r.bottomLeft());
    near.closeSubpath();
    QLinearGradient nearFill(QPointF(0, 46), QPointF(0, 57));
    nearFill.setColorAt(0.0, QColor(48, 4, 8));
    nearFill.setColorAt(1.0, QColor(14, 0, 2));
    p.setPen(QPen(QColor(150, 34, 30, 150), 0.7));
    p.setBrush(nearFill);
    p.drawPath(near);
}

void paintTitle(QPainter& p)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(30);
    font.setItalic(true);
    font.setBold(true);
    const QString title = QStringLiteral("Мирталь");
    QPainterPath path;
    path.addText(QPointF(16, 40), font, title);

    p.setBrush(Qt::NoBrush);
    for (int spread = 6; spread >= 2; spread -= 2) {
        p.setPen(QPen(QColor(220, 40, 30, 26), spread, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    QLinearGradient fill(QPointF(0, 16), QPointF(0, 42));
    fill.setColorAt(0.0, QColor(255, 226, 196));
    fill.setColorAt(0.6, QColor(236, 120, 80));
    fill.setColorAt(1.0, QColor(170, 36, 28));
    p.setPen(QPen(QColor(60, 0, 6, 200), 0.8));
    p.setBrush(fill);
    p.drawPath(path);
}

QImage paintBanner()
{
    QImage image(kBannerSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(kBannerSize));
    paintSky(p, r);
    paintStars(p, r);
    paintClouds(p);
    paintRibbons(p, r.width());
    paintHills(p, r);
    paintTitle(p);
    return image;
}

QImage paintCheckButton()
{
    QImage image(kCheckButtonPictureSize, QImage::Format_RGB32);
    QPainter p(&image);
    const QRectF r(QPointF(0, 0), QSizeF(kCheckButtonPictureSize));
    QLinearGradient ground(r.topLeft(), r.bottomLeft());
    ground.setColorAt(0.0, QColor(118, 118, 118));
    ground.setColorAt(0.45, QColor(70, 70, 70));
    ground.setColorAt(1.0, QColor(30, 30, 30));
    p.fillRect(r, ground);

    const QString words = QStringLiteral("Проверить наличие новой версии на сайте");
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(12);
    // Whatever face stands in for the font, the words must fit the picture.
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(words) > r.width() - 8)
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(r.translated(1, 1), Qt::AlignCenter, words);
    p.setPen(QColor(236, 236, 236));
    p.drawText(r, Qt::AlignCenter, words);
    return image;
}

} // namespace

const QImage& bannerPicture()
{
    static const QImage image = paintBanner();
    return image;
}

const QImage& checkButtonPicture()
{
    static const QImage image = paintCheckButton();
    return image;
}

} // namespace mirtal::about
