#pragma once
// The console's colours on real controls.

#include <QColor>

#include "console/protocol.h"

class QWidget;

namespace console {

// Red, green, blue and maroon are fixed; face and window text come from the system palette.
QColor ToQColor(Colour colour);

// Background of a light selector, caption colour of a label or check box, background of an
// edit field. They hold for the disabled look too, so an indicator keeps its colour there.
void PaintBackground(QWidget* control, Colour colour);
void PaintText(QWidget* control, Colour colour);
void PaintEditBase(QWidget* control, const QColor& colour);

}  // namespace console
