#pragma once
// A panel with a lowered outer and a raised inner bevel, one pixel each.

#include <QWidget>

namespace console {

class BevelPanel : public QWidget {
    Q_OBJECT

  public:
    explicit BevelPanel(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace console
