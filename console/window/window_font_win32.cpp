// Windows has the window's own font: "MS Sans Serif", 8 points at 96 dots per inch. It is a
// bitmap font there, which the toolkit's font database may leave out; then the system's
// TrueType successor of it with the same metrics stands in, or under Wine, which has no such
// successor, Liberation Sans, the stand-in on Linux.

#include <QStringList>

#include "console/window/window_font.h"

namespace console {

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    return font;
}

}  // namespace console
