#pragma once
// Anchoring of a control to its parent's edges: an anchored edge keeps its distance to the
// same edge of the parent when the parent is resized. A control anchored to two opposite
// edges stretches; anchored to the right or bottom edge alone, it moves.

#include <QObject>
#include <QRect>

class QWidget;

namespace console {

class EdgeAnchor : public QObject {
  public:
    // Records the control's distances to its parent's edges as they are now.
    static void Attach(QWidget* control, Qt::Edges edges);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    EdgeAnchor(QWidget* control, Qt::Edges edges);
    void Apply();

    QWidget* control_;
    Qt::Edges edges_;
    QRect designed_;     // geometry at attachment
    int rightGap_ = 0;   // distance to the parent's right edge
    int bottomGap_ = 0;  // distance to the parent's bottom edge
};

}  // namespace console
