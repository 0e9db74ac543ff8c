#include "console/window/bordered_text.h"

#include <QApplication>
#include <QPainter>

namespace console {

BorderedText::BorderedText(QWidget* parent) : QLabel(parent) {
    setContentsMargins(2, 1, 1, 1);
    setTextFormat(Qt::PlainText);  // what arrived is shown as it stands, never as markup
}

void BorderedText::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter p(this);
    p.setPen(QApplication::palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace console
