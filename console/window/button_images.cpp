#include "console/window/button_images.h"

#include <QPainter>
#include <QPixmap>
#include <cstdlib>

namespace console {
namespace {

const QColor kOlive(128, 128, 0);  // the transparent colour
const QColor kAqua(0, 255, 255);
const QColor kGrey(127, 127, 127);

// The figure inside the frame: a right-pointing triangle 7 tall and 4 deep, or a 5 x 5 square.
void DrawFigure(QPainter& p, ButtonFigure figure, const QColor& colour, int shift) {
    if (figure == ButtonFigure::Stop) {
        p.fillRect(5 + shift, 5 + shift, 5, 5, colour);
        return;
    }
    for (int row = 0; row < 7; ++row) {
        const int depth = 4 - std::abs(row - 3);
        p.fillRect(6 + shift, 4 + row + shift, depth, 1, colour);
    }
}

// A one-pixel outline of the square from (at, at) to (14 - at, 14 - at).
void Outline(QPainter& p, int at, const QColor& colour, int shift = 0) {
    const int far = 14 - at + shift;
    const int near = at + shift;
    p.fillRect(near, near, far - near + 1, 1, colour);
    p.fillRect(near, far, far - near + 1, 1, colour);
    p.fillRect(near, near, 1, far - near + 1, colour);
    p.fillRect(far, near, 1, far - near + 1, colour);
}

}  // namespace

QImage ButtonImage(ButtonFigure figure, bool enabled) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(kOlive);
    {
        QPainter p(&image);
        if (enabled) {
            Outline(p, 0, kAqua);
            Outline(p, 1, Qt::black);
            Outline(p, 2, kGrey);
            p.fillRect(2, 2, 10, 1, Qt::white);  // the light edge: top and left
            p.fillRect(2, 2, 1, 10, Qt::white);
            DrawFigure(p, figure, Qt::black, 0);
        } else {
            // Embossed: everything dark becomes grey over a white copy one pixel down-right.
            Outline(p, 1, Qt::white, 1);
            DrawFigure(p, figure, Qt::white, 1);
            Outline(p, 1, kGrey);
            Outline(p, 2, kGrey);
            DrawFigure(p, figure, kGrey, 0);
        }
    }
    const QRgb transparent = image.pixel(0, 15);
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            if (image.pixel(x, y) == transparent) result.setPixel(x, y, qRgba(0, 0, 0, 0));
    return result;
}

QIcon ButtonIcon(ButtonFigure figure) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(ButtonImage(figure, true)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(ButtonImage(figure, false)), QIcon::Disabled);
    return icon;
}

}  // namespace console
