#include "console/window/anchors.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace console {

EdgeAnchor::EdgeAnchor(QWidget* control, Qt::Edges edges)
    : QObject(control), control_(control), edges_(edges), designed_(control->geometry()) {
    const QWidget* parent = control->parentWidget();
    rightGap_ = parent->width() - (designed_.x() + designed_.width());
    bottomGap_ = parent->height() - (designed_.y() + designed_.height());
}

void EdgeAnchor::Attach(QWidget* control, Qt::Edges edges) {
    control->parentWidget()->installEventFilter(new EdgeAnchor(control, edges));
}

bool EdgeAnchor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_->parentWidget() && event->type() == QEvent::Resize) Apply();
    return false;
}

void EdgeAnchor::Apply() {
    const QWidget* parent = control_->parentWidget();
    QRect g = control_->geometry();
    const int right = parent->width() - rightGap_;  // one past the control's right column
    const int bottom = parent->height() - bottomGap_;
    if (edges_ & Qt::RightEdge) {
        if (edges_ & Qt::LeftEdge)
            g.setWidth(std::max(0, right - g.x()));
        else
            g.moveLeft(right - g.width());
    }
    if (edges_ & Qt::BottomEdge) {
        if (edges_ & Qt::TopEdge)
            g.setHeight(std::max(0, bottom - g.y()));
        else
            g.moveTop(bottom - g.height());
    }
    control_->setGeometry(g);
}

}  // namespace console
