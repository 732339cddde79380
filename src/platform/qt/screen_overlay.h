#pragma once
// The window that stands in for drawing on the screen, which X11 and Wayland desktops do not
// let a program do: a frameless window above every other, transparent for input, that shows
// the dotted frame around an area of the screen. Its shape is only the frame's own pixels, so
// the area inside stays as it is and the frame never lies on it. The same window holds the
// pointer during a drag across the screen, since only a shown window can.

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>

namespace gf {

class ScreenOverlay : public QWidget {
    Q_OBJECT
  public:
    ScreenOverlay();

    // The frame on the pixels just around `area` (global coordinates).
    void ShowFrame(const QRect& area);
    void HideFrame();
    std::optional<QRect> FrameArea() const { return Area; }

    // Holds the pointer and the keyboard for a drag and shows `cursor` wherever the pointer
    // is; the next button release frees both and is sent to `holder`, and so is every key
    // pressed meanwhile.
    void Hold(QWidget* holder, Qt::CursorShape cursor);
    void Release();
    bool Holding() const { return Held; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void Park();

    std::optional<QRect> Area;
    QPointer<QWidget> Holder;
    bool Held = false;
};

}  // namespace gf
