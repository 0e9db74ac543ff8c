// Windows has the window's own font: "MS Sans Serif", 8 points at 96 dots per inch.

#include "console/window/window_font.h"

namespace console {

QFont WindowFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

}  // namespace console
