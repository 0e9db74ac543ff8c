#pragma once
// The pictures of the two image buttons, drawn here rather than loaded: a 16 x 16 framed
// glyph in a normal and a disabled variant.

#include <QIcon>
#include <QImage>

namespace console {

enum class ButtonFigure { Start, Stop };

// Olive, the colour of the bottom-left pixel, is already made transparent.
QImage ButtonImage(ButtonFigure figure, bool enabled);
QIcon ButtonIcon(ButtonFigure figure);

}  // namespace console
