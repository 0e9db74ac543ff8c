#include "console/window/colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace console {
namespace {

constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive,
                                            QPalette::Disabled};

// The system colour for a role in one colour group, or the fixed colour.
QColor ColourIn(Colour colour, QPalette::ColorGroup group) {
    const QPalette system = QApplication::palette();
    switch (colour) {
        case Colour::Face:
            return system.color(group, QPalette::Button);
        case Colour::WindowText:
            return system.color(group, QPalette::WindowText);
        default:
            return ToQColor(colour);
    }
}

void PaintRole(QWidget* control, QPalette::ColorRole role, Colour colour) {
    QPalette palette = control->palette();
    for (const auto group : kGroups) palette.setColor(group, role, ColourIn(colour, group));
    control->setPalette(palette);
}

}  // namespace

QColor ToQColor(Colour colour) {
    switch (colour) {
        case Colour::Red:
            return QColor(255, 0, 0);
        case Colour::Green:
            return QColor(0, 128, 0);
        case Colour::Blue:
            return QColor(0, 0, 255);
        case Colour::Maroon:
            return QColor(128, 0, 0);
        case Colour::Face:
            return QApplication::palette().color(QPalette::Button);
        case Colour::WindowText:
            return QApplication::palette().color(QPalette::WindowText);
    }
    return {};
}

void PaintBackground(QWidget* control, Colour colour) {
    // Buttons fill with the button role by default; a selector's colour is its own window role.
    control->setBackgroundRole(QPalette::Window);
    control->setAutoFillBackground(true);
    PaintRole(control, QPalette::Window, colour);
}

void PaintText(QWidget* control, Colour colour) {
    PaintRole(control, QPalette::WindowText, colour);
}

void PaintEditBase(QWidget* control, const QColor& colour) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Active, QPalette::Base, colour);
    palette.setColor(QPalette::Inactive, QPalette::Base, colour);
    control->setPalette(palette);
}

}  // namespace console
