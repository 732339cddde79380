#pragma once
// The picture controls of the editor. An ImageView shows a bitmap (its picture) and reports
// mouse presses, moves, releases (as every PictureView does), clicks and double clicks in its own
// coordinates; a ShapeView is a filled rectangle with a frame; a ZoomView paints the edit page's
// zoomed canvas, computing only the part that is exposed.

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "platform/bitmap.h"
#include "platform/qt/picture_view.h"

namespace gf {

// The cursors a control can carry; 1 and 2 are the editor's own screen cursors.
enum class ScreenCursor { Default = 0, Pipette = 1, Fill = 2, Cross = 3, Hand = 4 };

class ImageView : public PictureView {
    Q_OBJECT
  public:
    explicit ImageView(QWidget* parent = nullptr);

    // The picture; after changing it in place call Refresh(). (PictureView's Picture() is what
    // is shown: this bitmap, converted.)
    Bitmap Picture;
    void SetPicture(Bitmap picture);
    void Refresh();

    // Shrink or stretch the picture to the control (else shown at 1:1 from the top-left).
    bool Stretch = false;
    // The colour of the canvas's brush (the size page keeps its background colour here).
    Color BrushColor = White;

    void SetCursorKind(ScreenCursor kind);
    ScreenCursor CursorKind() const { return Kind; }

    // Integer tag, as the controls of the form carry one.
    int Tag = 0;

  signals:
    void Clicked();
    void DoubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    ScreenCursor Kind = ScreenCursor::Default;
    bool Pressed = false;
};

// A rectangle filled with the brush colour and outlined by the pen.
class ShapeView : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeView(QWidget* parent = nullptr);

    Color BrushColor = White;
    bool BrushClear = false;
    QColor PenColor = Qt::black;
    Qt::PenStyle PenStyle = Qt::SolidLine;
    void SetBrushColor(Color c);

  signals:
    void MouseUp(Qt::MouseButton button, int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The edit page's canvas: the icon stretched by the zoom over the background tile. Only the
// exposed part is computed on each paint; Render() gives any part as a bitmap. The mouse is
// reported as by every PictureView; the PictureView's own picture stays empty.
class ZoomView : public PictureView {
    Q_OBJECT
  public:
    using Renderer = std::function<void(Bitmap& view, int x, int y)>;
    explicit ZoomView(QWidget* parent = nullptr);

    void SetRenderer(Renderer renderer) { Render_ = std::move(renderer); }
    // The canvas pixels [x, x + w) x [y, y + h) as a 32-bit bitmap.
    Bitmap Render(int x, int y, int w, int h) const;

    void SetCursorKind(ScreenCursor kind);
    ScreenCursor CursorKind() const { return Kind; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Renderer Render_;
    ScreenCursor Kind = ScreenCursor::Default;
};

// A drop-down list of block shapes whose items ("0" square, "1" round) are drawn as the shapes:
// on white, framed red when the item has the focus (else in the list's own colour), a filled
// black square or circle with corners (left + 1, top + 1) and (left + h - 2, top + h - 2).
class ShapeComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ShapeComboBox(QWidget* parent = nullptr);
    // Draws one item; `text` is read as a number, a text that is not one counts as 0.
    static void DrawShapeItem(QPainter& painter, const QRect& rect, const QString& text,
                              bool focused, const QColor& ownColour);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The cursor of a kind (the pipette and the bucket are drawn here; 32 x 32, hot spots (8, 23)
// and (8, 22)).
QCursor CursorOf(ScreenCursor kind);

}  // namespace gf
