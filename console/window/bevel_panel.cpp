#include "console/window/bevel_panel.h"

#include <qdrawutil.h>
#include <QPainter>

namespace console {

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent) {
    setContentsMargins(2, 2, 2, 2);
}

void BevelPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect outer = rect();
    qDrawShadePanel(&p, outer, palette(), /*sunken=*/true, 1);
    qDrawShadePanel(&p, outer.adjusted(1, 1, -1, -1), palette(), /*sunken=*/false, 1);
}

}  // namespace console
