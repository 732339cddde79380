#pragma once
// The picture controls of the editor. An ImageView shows a bitmap (its picture) and reports
// mouse presses, moves, releases and double clicks (as every PictureView does) and clicks in its
// own coordinates; a ShapeView is a filled rectangle with a frame; a ZoomView paints the edit
// page's zoomed canvas, computing only the part that is exposed.

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <optional>

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

    // Makes a picture the user clicks (a swatch) a stop of the Tab key, where Space clicks it;
    // it is framed in the focus colour while it has the keyboard.
    void ClickFromKeyboard();

  signals:
    void Clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

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
    // No colour: the palette's text colour, so the outline shows on light and dark windows.
    QColor PenColor;
    Qt::PenStyle PenStyle = Qt::SolidLine;
    void SetBrushColor(Color c);
    // Drawn as a colour swatch that the user picks a colour with: the colour inside a ring of
    // the window's own colour and the outline, so that it never looks like an empty check box,
    // and a stop of the Tab key, where Space acts as a click.
    void MakeSwatch();

  signals:
    void MouseUp(Qt::MouseButton button, int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool Swatch = false;
};

// The brush preview on the canvas: the canvas pixels of a block, inverted. With Cell = 0 the
// block that DrawShapeBlock covers round (X, Y) with half size R and Shape; with Cell > 0 the
// Cell x Cell square whose top-left pixel is (X, Y) (one zoomed icon pixel).
struct CanvasBlock {
    int X = 0, Y = 0, Shape = 0, R = 0, Cell = 0;
    QRect Bounds() const;
    friend bool operator==(const CanvasBlock&, const CanvasBlock&) = default;
};

// The edit page's canvas: the icon stretched by the zoom over the background tile, with the
// brush preview inverted over it. Only the exposed part is computed on each paint; Render()
// gives any part as a bitmap. The mouse is reported as by every PictureView; the PictureView's
// own picture stays empty.
class ZoomView : public PictureView {
    Q_OBJECT
  public:
    using Renderer = std::function<void(Bitmap& view, int x, int y)>;
    explicit ZoomView(QWidget* parent = nullptr);

    void SetRenderer(Renderer renderer) { Render_ = std::move(renderer); }
    // The canvas pixels [x, x + w) x [y, y + h) as a 32-bit bitmap, the preview included.
    Bitmap Render(int x, int y, int w, int h) const;

    // Shows the preview (none: hides it), repainting only the area it leaves and the one it
    // covers.
    void SetPreview(const std::optional<CanvasBlock>& block);
    const std::optional<CanvasBlock>& Preview() const { return Preview_; }

    void SetCursorKind(ScreenCursor kind);
    ScreenCursor CursorKind() const { return Kind; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    Renderer Render_;
    std::optional<CanvasBlock> Preview_;
    ScreenCursor Kind = ScreenCursor::Default;
};

// The cursor a window draws for itself where the pointer cannot be moved from the keyboard: a
// small cross centred on the point it marks, letting the mouse through to what lies below.
class PointerMark : public QWidget {
    Q_OBJECT
  public:
    explicit PointerMark(QWidget* parent = nullptr);
    // Centres the mark on `global` (screen coordinates) and shows it.
    void ShowAt(const QPoint& global);

  protected:
    void paintEvent(QPaintEvent* event) override;
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

// The colour an item of a colour list stands for: its text read as a decimal colour value
// 0x00BBGGRR, 0 when it is not a number.
Color ColourOfItemText(const QString& text);

// Paints an item of a colour list (CBColorDrawItem): the rectangle filled with the item's colour,
// outlined in red when the item has the focus and in the list's own colour otherwise.
void CBColorDrawItem(QPainter& painter, const QRect& rect, const QString& text, bool focused,
                     const QColor& ownColour);

// A drop-down list of colours whose items (decimal colour values) are drawn as their colours.
class ColourComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ColourComboBox(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The eyedropper button's picture: a pipette on a transparent ground.
QImage PipetteGlyph(int width, int height);

// The cursor of a kind (the pipette and the bucket are drawn here; 32 x 32, hot spots (8, 23)
// and (8, 22)).
QCursor CursorOf(ScreenCursor kind);

}  // namespace gf
