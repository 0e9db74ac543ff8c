// Linux has no "MS Sans Serif": Liberation Sans (fonts-liberation2) stands in, at its size.

#include "console/window/window_font.h"

namespace console {

QFont WindowFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    return font;
}

}  // namespace console
