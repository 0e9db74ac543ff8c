// The icon's drawing: rounded rectangles, ellipses and gradients, as QPainter paints them.
#include <QBrush>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

#include "icon.h"

namespace icon {
namespace {

struct Style {
    QColor rim, body_top, body_bottom, socket, red_core, red_edge, green_core, green_edge;
    QColor highlight, pole, deck_top, deck_upper, deck_lower, ramp, stripe_light, stripe_dark;
    QColor shadow;
    bool shading;
};

// Colours as 0xAARRGGBB: in full colour, or only standard 16 colours and no shading.
Style MakeStyle(bool full_colour) {
    const auto c = [](QRgb argb) { return QColor::fromRgba(argb); };
    if (full_colour) {
        return {c(0xff5c6672), c(0xff3a414b), c(0xff1a1e24), c(0xff0e1013), c(0xffffa090),
                c(0xffd4120a), c(0xffa8ffb4), c(0xff0ca03c), c(0xa6ffffff), c(0xff3c434c),
                c(0xffe4e9ee), c(0xffb4bdc7), c(0xff6a7581), c(0xff86909b), c(0xfff6c300),
                c(0xff26292e), c(0x47000000), true};
    }
    return {c(0xff808080), c(0xff000000), c(0xff000000), c(0xff000000), c(0xffff0000),
            c(0xffff0000), c(0xff00ff00), c(0xff00ff00), c(0xffffffff), c(0xff808080),
            c(0xffffffff), c(0xffc0c0c0), c(0xff808080), c(0xff808080), c(0xffffff00),
            c(0xff000000), c(0xff000000), false};
}

// A rectangle with rounded corners; an ellipse when the radii are half its sides.
QPainterPath Shape(qreal left, qreal top, qreal right, qreal bottom, qreal rx = 0, qreal ry = -1) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(left, top), QPointF(right, bottom)), rx, ry < 0 ? rx : ry);
    return path;
}

QPainterPath Ellipse(qreal cx, qreal cy, qreal rx, qreal ry) {
    return Shape(cx - rx, cy - ry, cx + rx, cy + ry, rx, ry);
}

// A gradient across the path, downwards or rightwards, when the style shades; else flat.
void Fill(QPainter& p, const Style& s, const QPainterPath& path, const QColor& from,
          const QColor& to, Qt::Orientation across = Qt::Vertical) {
    const QRectF r = path.boundingRect();
    QLinearGradient gradient(r.topLeft(), across == Qt::Vertical ? r.bottomLeft() : r.topRight());
    gradient.setStops({{0, from}, {1, to}});
    p.fillPath(path, s.shading ? QBrush(gradient) : QBrush(from));
}

// Fills `band` dark with light diagonal stripes `period` units apart, where x + y modulo the
// period lies in its first half: upright bands, sheared.
void Stripes(QPainter& p, const Style& s, const QPainterPath& band, qreal period) {
    const QRectF r = band.boundingRect();
    QPainterPath stripes;
    for (qreal c = 0; c < r.right() + r.bottom(); c += period)
        stripes.addRect(c, r.top(), period / 2, r.height());
    p.fillPath(band, s.stripe_dark);
    p.fillPath(band.intersected(QTransform(1, 0, -1, 1, 0, 0).map(stripes)), s.stripe_light);
}

// A lamp with a highlight where there is room, and in the larger drawing a dark socket.
void Lamp(QPainter& p, const Style& s, qreal cx, qreal cy, qreal r, const QColor& core,
          const QColor& edge, qreal socket = 0) {
    if (socket > 0) p.fillPath(Ellipse(cx, cy, socket, socket), s.socket);
    QRadialGradient gradient(cx - r * 0.3, cy - r * 0.35, r * 1.25);
    gradient.setStops({{0, core}, {1, edge}});
    p.fillPath(Ellipse(cx, cy, r, r), s.shading ? QBrush(gradient) : QBrush(core));
    if (s.shading || r >= 4)
        p.fillPath(Ellipse(cx - r * 0.35, cy - r * 0.45, r * 0.38, r * 0.25), s.highlight);
}

// Below 48 pixels, on whole pixels to stay sharp, striped from 32: the housing over the middle
// half; `unit` (a sixteenth, whole pixels) parts the lamps and is half the pole's width.
void DrawPixelLayout(QPainter& p, const Style& s, int size) {
    const qreal n = size, mid = n / 2, r = n / 8, unit = std::floor(n / 16), corner = 1 + n / 16;
    const qreal left = n / 4, right = n * 3 / 4, bottom = n * 3 / 4 - 1;  // the housing's
    const qreal top = n - r - 2;  // the deck's, which ends a pixel above the bottom
    Fill(p, s, Shape(0, top, n, n - 1), s.deck_upper, s.deck_lower);
    p.fillPath(Shape(0, top, n, top + 1), s.deck_top);
    if (size >= 32) Stripes(p, s, Shape(2, top + 2, n - 2, n - 2), 6);
    p.fillPath(Shape(mid - unit, bottom - 1, mid + unit, top), s.pole);
    p.fillPath(Shape(left, 0, right, bottom, corner), s.rim);
    Fill(p, s, Shape(left + 1, 1, right - 1, bottom - 1, corner - 1), s.body_top, s.body_bottom);
    Lamp(p, s, mid, mid - 2 * r - unit, r, s.red_core, s.red_edge);
    Lamp(p, s, mid, mid, r, s.green_core, s.green_edge);
}

// Sizes from 48 up: the full drawing on a 256-unit grid, scaled.
void DrawScaled(QPainter& p, const Style& s, int size) {
    p.scale(size / 256.0, size / 256.0);
    if (s.shading) p.fillPath(Ellipse(128, 232, 124, 10), s.shadow);
    // The deck: ramps at both ends, a bright top plate, a striped front.
    p.setPen(Qt::NoPen);
    p.setBrush(s.ramp);
    p.drawPolygon(QPolygonF({{4, 230}, {30, 200}, {30, 230}}));
    p.drawPolygon(QPolygonF({{252, 230}, {226, 200}, {226, 230}}));
    Fill(p, s, Shape(24, 192, 232, 232, 4), s.deck_upper, s.deck_lower);
    p.fillPath(Shape(24, 192, 232, 202, 4), s.deck_top);
    Stripes(p, s, Shape(36, 209, 220, 225, 2), 28);
    // The pole and its foot; the housing: a lighter rim, a dark body, a socket behind each lamp.
    p.fillPath(Shape(100, 182, 156, 194, 3), s.pole);
    Fill(p, s, Shape(116, 150, 140, 186), s.rim, s.body_bottom, Qt::Horizontal);
    p.fillPath(Shape(70, 4, 186, 160, 28), s.rim);
    Fill(p, s, Shape(78, 12, 178, 152, 21), s.body_top, s.body_bottom);
    Lamp(p, s, 128, 48, 29, s.red_core, s.red_edge, 36);
    Lamp(p, s, 128, 116, 29, s.green_core, s.green_edge, 36);
}

}  // namespace

QImage DrawIcon(int size, bool full_colour) {
    const Style style = MakeStyle(full_colour);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, full_colour);
    size < 48 ? DrawPixelLayout(painter, style, size) : DrawScaled(painter, style, size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace icon
