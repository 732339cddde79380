#pragma once
// A picture control: shows a picture unscaled from its top-left corner (where there is none, or
// beyond it, what lies below shows through) and reports presses, moves and releases of the
// mouse with the position inside the control. The control keeps the mouse from press to
// release, so a drag that leaves it still ends here. Moves without a button held are reported
// only while mouse tracking is on. A double click is reported between the first click's
// release and the second one's.

#include <QImage>
#include <QWidget>

namespace gf {

class PictureView : public QWidget {
    Q_OBJECT
  public:
    explicit PictureView(QWidget* parent = nullptr);

    const QImage& Picture() const { return Picture_; }
    // Replaces the picture and repaints.
    void SetPicture(const QImage& picture);

  signals:
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    void DoubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QImage Picture_;
};

}  // namespace gf
