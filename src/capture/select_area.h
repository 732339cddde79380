#pragma once
// TForm2, "Capture picture from screen": takes a rectangle of up to 256 x 256 pixels from
// anywhere on the screen, or the picture on the clipboard, and lets the user choose the size of
// the result and the part of the picture it keeps. The user drags the cross from the window
// onto the screen: the window steps aside, a dotted frame follows the pointer (sampled every
// 100 ms) and the release takes the area under the frame.
//
// The Capture command creates the window, sets both sliders to 256, fills the picture with the
// background colour it wants (FillPicture), sets the sliders to the size the user starts with
// and runs the window modally. After result 1 it takes Picture (CaptureWidth x CaptureHeight).

#include <QDialog>
#include <QPoint>
#include <QToolButton>
#include <optional>

#include "platform/bitmap.h"
#include "platform/color.h"
#include "platform/qt/picture_view.h"
#include "platform/qt/seam.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace gf {

// The cross to drag: a flat button that only reports the press and the release (with the
// pointer's global position), wherever the release happens; it has no click of its own and
// stays pressed. Of the keys it reports Space, and while Picking (a drag is on, and the
// keyboard is held for it) also Enter and Escape; other keys work as on any button.
class CrossButton : public QToolButton {
    Q_OBJECT
  public:
    using QToolButton::QToolButton;

    bool Picking = false;

  signals:
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button, QPoint globalPos);
    void KeyDown(int key);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* owner = nullptr);
    ~TForm2() override;

    // The part of the preview that is cleared before each redraw: the largest result.
    static constexpr int MaxCaptureSize = 256;
    // Modal results of "Ok" and "Cancel".
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = -1;

    // The picture taken from the screen or the clipboard, at its own size (24 bits); empty
    // until the first capture.
    Bitmap CapturedBitmap;
    // Image1's picture, the result: CaptureWidth x CaptureHeight, 24 bits, CapturedBitmap drawn
    // at PictureOffset over PictureBackground.
    Bitmap Picture;
    // The colour of the preview where the captured picture does not cover it.
    Color PictureBackground = White;
    int CaptureWidth = 32;
    int CaptureHeight = 32;
    QPoint PictureOffset;
    // A drag of the picture inside the preview.
    QPoint DragStart;
    bool PictureDragging = false;
    // While the cross is dragged: where the pointer was at the last tick (none before the
    // first one).
    bool CrossDragging = false;
    std::optional<QPoint> CrossPoint;

    // Sets the background colour and fills the whole picture with it.
    void FillPicture(Color background);
    // The screen area taken for the pointer at `point`: CaptureWidth x CaptureHeight, centred.
    QRect CaptureArea(const QPoint& point) const;

    // Controls, named as the form names them (each carries the same objectName).
    PictureView* Image1 = nullptr;
    QSlider* TrackBar1 = nullptr;  // width
    QSlider* TrackBar2 = nullptr;  // height
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QLabel* Label1 = nullptr;
    CrossButton* SpeedButton4 = nullptr;  // the cross to drag
    QToolButton* SpeedButton1 = nullptr;  // hidden; keeps the cross picture
    QPushButton* suiButton5 = nullptr;    // Load from clipboard
    QPushButton* BitBtn2 = nullptr;       // Copy to clipboard
    QPushButton* BitBtn3 = nullptr;       // Save as bitmap file
    QPushButton* BitBtn4 = nullptr;       // Ok
    QPushButton* BitBtn5 = nullptr;       // Cancel
    QTimer* Timer2 = nullptr;
    FileDialog SaveDialog1;

    // Handlers.
    void SpeedButton1Click();  // the preview refresh
    void sTrackBar1Change();
    void TrackBar2Change();
    void ComboBox1Change(int index);  // a preset picked
    void SpeedButton4MouseDown(Qt::MouseButton button);
    void SpeedButton4MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    // Space starts a pick from the keyboard: the frame follows the pointer until a mouse
    // button is released, or Space or Enter takes the area; Escape gives up either kind.
    void SpeedButton4KeyDown(int key);
    void Timer2Timer();
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void suiButton5Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void ShowPicture();
    // "48x48": the size in force, as the size box shows it.
    QString SizeText() const;
    // Enter in the size box, or leaving it: a preset it names is taken; other text (a size
    // typed as "70x20", anything else) changes nothing and gives way to the size in force.
    void ConfirmSizeBox();
    // The end of a cross drag: the window comes back; with `takeAt`, the area is taken (around
    // the last tick's point, or `takeAt` when no tick came), without it nothing changes.
    void EndCrossDrag(std::optional<QPoint> takeAt);
};

// The capture window while the Capture command holds it.
extern TForm2* Form2;

}  // namespace gf
