#pragma once
// Static text with a single-line border. The border keeps the system's window-text colour
// whatever colour the text is given.

#include <QLabel>

namespace console {

class BorderedText : public QLabel {
    Q_OBJECT

  public:
    explicit BorderedText(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace console
