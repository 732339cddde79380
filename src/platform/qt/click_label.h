#pragma once
// A label that reports the mouse: MouseUp for every button release (with the position inside
// the label), and Clicked when the left button is let go over the label.

#include <QLabel>

namespace gf {

class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void MouseUp(Qt::MouseButton button, int x, int y);
    void Clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace gf
