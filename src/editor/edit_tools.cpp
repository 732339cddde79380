// The edit page's tools on the canvas (fill and pen) with the brush preview, the brush colour,
// its opacity and the eyedropper, and the keyboard that steers the pointer on the editor's
// pages.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <cmath>

#include "editor/icon_editor.h"
#include "editor/pixels/trans_region.h"
#include "platform/qt/qt_seam.h"
#include "platform/qt/seam.h"

namespace gf {

namespace {

// Clears a flag when the scope ends, also when a handler leaves by an exception.
struct FlagScope {
    bool& Flag;
    explicit FlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~FlagScope() { Flag = false; }
};

}  // namespace

void TIconEditor::SBFill2Click() {
    SBFill2->setChecked(true);
    SBAlpha->setChecked(true);
    Image7->SetCursorKind(ScreenCursor::Default);
    for (QWidget* w : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(TBAllowance),
                       static_cast<QWidget*>(Label6), static_cast<QWidget*>(TBPenSize)})
        w->setEnabled(false);
    RedrawZoomView(ZoomFactor);
}

void TIconEditor::SBFill1Click() {
    SBFill2Click();
    Image7->SetCursorKind(ScreenCursor::Fill);
    IVfocus->setFocus();
    Label4->setEnabled(true);
    TBAllowance->setEnabled(true);
    SBFill1->setChecked(true);
    SetStatus("Press Arrow Key to adjust cursor position. Press Space or Enter to fill color.");
    StartKeyPointer(Image7, Image7->visibleRegion().boundingRect().center());
}

void TIconEditor::SBPenClick() {
    SBFill2Click();
    Image7->SetCursorKind(ScreenCursor::Cross);
    IVfocus->setFocus();
    Label6->setEnabled(true);
    TBPenSize->setEnabled(true);
    SBPen->setChecked(true);
    SetStatus("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot.");
    StartKeyPointer(Image7, Image7->visibleRegion().boundingRect().center());
}

void TIconEditor::Image7MouseDown(Qt::MouseButton, int x, int y) {
    const QPoint p = CanvasToIconPixel(x, y);
    CanvasButtonDown = true;
    if (SBFill1->isChecked()) {
        if (!TakeSnapshot()) {
            CanvasButtonDown = false;
            return;
        }
        FillRegion(Fill, IconMask, IconColor, CBTransC->isChecked(), TBAllowance->value(),
                   BrushTag(), tbColorAlpha->value(), p.y(), p.x());
        RedrawZoomView(ZoomFactor);
    }
    if (SBPen->isChecked()) {
        if (!TakeSnapshot()) {
            CanvasButtonDown = false;
            return;
        }
        const bool blend = IconBlends();
        PaintPenBlock(IconColor, IconMask, p.x(), p.y(), tbColorAlpha->value(),
                      CBTransC->isChecked(), BrushTag(), TBPenSize->value());
        RedrawIconBox(PenBlock(p.x(), p.y(), TBPenSize->value()), blend);
    }
    if (AlphaRegionToolDown())
        PaintAlphaRegion(p.x(), p.y());
}

void TIconEditor::Image7MouseMove(Qt::MouseButtons, int x, int y) {
    if (Image8->Tag == 1 || CanvasMoveBusy)
        return;
    FlagScope busy(CanvasMoveBusy);
    if (!CanMovePointer()) {
        // The keyboard goes on from where the mouse is.
        OwnPointer = Image7->mapToGlobal(QPoint(x, y));
        if (KeyPointerMark->isVisible())
            KeyPointerMark->ShowAt(OwnPointer);
    }
    const QPoint p = CanvasToIconPixel(x, y);
    const bool region = AlphaRegionToolDown();
    if (!SBPen->isChecked() && !region)
        return;
    if (!CanvasButtonDown) {
        if (region)
            ShowBrushPreview(p.x(), p.y(), TBAlphaPenSize->value(), CBAlphaShape->currentIndex());
        else
            ShowBrushPreview(p.x(), p.y(), TBPenSize->value(), ShapeSquare);
        return;
    }
    if (region) {
        // The drag paints with the press's half size.
        PaintAlphaRegion(p.x(), p.y());
        return;
    }
    // A drag paints with a half size one smaller than a click.
    const int half = TBPenSize->value() - 1;
    const bool blend = IconBlends();
    PaintPenBlock(IconColor, IconMask, p.x(), p.y(), tbColorAlpha->value(), CBTransC->isChecked(),
                  BrushTag(), half);
    RedrawIconBox(PenBlock(p.x(), p.y(), half), blend);
}

void TIconEditor::Image7MouseUp(Qt::MouseButton, int, int) {
    CanvasButtonDown = false;
    if (SBPen->isChecked() || AlphaRegionToolDown())
        IVfocus->setFocus();
}

void TIconEditor::ShowBrushPreview(int x, int y, int halfSize, int shape) {
    // The canvas area of the block a click would paint, inverted.
    const double z = ZoomFactor;
    CanvasBlock block;
    block.X = static_cast<int>(std::trunc(x * z));
    block.Y = static_cast<int>(std::trunc(y * z));
    if (halfSize <= 0) {
        block.Cell = std::max(1, static_cast<int>(std::trunc(z)));
    } else {
        block.Shape = shape;
        block.R = static_cast<int>(std::trunc(halfSize * z));
    }
    Image7->SetPreview(block);
}

void TIconEditor::Shape44MouseUp() {
    if (cbOpacity->isChecked())
        return;
    const std::optional<Color> chosen = ChooseColor(static_cast<Color>(SwatchColor), this);
    if (!chosen)
        return;
    SwatchColor = static_cast<BrushColour>(*chosen);
    tbColorAlpha->setValue(255);
    tbColorAlphaChange();
    Shape44->Tag = SwatchColor;
    CBSolidC->setChecked(true);
    IVfocus->setFocus();
}

void TIconEditor::Image8MouseDown(Qt::MouseButton, int, int) {
    if (Image8->Tag != 1)
        QApplication::setOverrideCursor(CursorOf(ScreenCursor::Pipette));
    Image8->Tag = 1;
}

void TIconEditor::Image8MouseMove(Qt::MouseButtons, int x, int y) {
    if (Image8->Tag != 1)
        return;
    // Any pixel of the screen, the canvas included; the opacity stays as it is.
    SwatchColor = static_cast<BrushColour>(ScreenPixel(Image8->mapToGlobal(QPoint(x, y))));
    Shape44->Tag = SwatchColor;
    tbColorAlphaChange();
}

void TIconEditor::Image8MouseUp(Qt::MouseButton, int, int) {
    if (Image8->Tag == 1)
        QApplication::restoreOverrideCursor();
    Image8->Tag = 0;
    CBSolidC->setChecked(true);
}

void TIconEditor::TransImageClick() {
    CBTransC->setChecked(true);
    IVfocus->setFocus();
}

void TIconEditor::tbColorAlphaChange() {
    const bool keep = cbOpacity->isChecked();
    Bitmap swatch =
        RenderBrushSwatch(16, 16, keep ? KeepColour : SwatchColor, tbColorAlpha->value(),
                          IconColor.Format() == PixelFormat::Bits32, Image12->Picture);
    if (keep)
        DrawOpacityCross(swatch);
    Shape44->SetPicture(std::move(swatch));
    CBSolidC->setChecked(true);
}

void TIconEditor::cbOpacityClick() {
    const bool keep = cbOpacity->isChecked();
    Image8->setVisible(!keep);
    Shape44->Tag = keep ? KeepColour : SwatchColor;
    tbColorAlphaChange();
}

void TIconEditor::TBAllowanceChange() {
    IVfocus->setFocus();
}

QPoint TIconEditor::KeyPointerPos() const {
    return CanMovePointer() ? PointerPos() : OwnPointer;
}

void TIconEditor::MoveKeyPointer(const QPoint& global) {
    if (CanMovePointer()) {
        MovePointer(global);
        return;
    }
    OwnPointer = global;
    KeyPointerMark->ShowAt(global);
    // What lies below sees the move as a real pointer's (the brush preview follows).
    SendMoveAt(global);
}

void TIconEditor::StartKeyPointer(QWidget* target, const QPoint& local) {
    if (CanMovePointer())
        return;
    const QRect shown = target->visibleRegion().boundingRect();
    const QPoint at = target->mapFromGlobal(OwnPointer);
    if (KeyPointerMark->isVisible() && shown.contains(at))
        return;  // already over the target
    MoveKeyPointer(target->mapToGlobal(local));
}

bool TIconEditor::IVfocusKeyDown(int key) {
    QPoint step;
    switch (key) {
        case Qt::Key_Left:
            step = {-1, 0};
            break;
        case Qt::Key_Up:
            step = {0, -1};
            break;
        case Qt::Key_Right:
            step = {1, 0};
            break;
        case Qt::Key_Down:
            step = {0, 1};
            break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ClickAt(KeyPointerPos());
            return true;
        default:
            return false;
    }
    MoveKeyPointer(KeyPointerPos() + step);
    return true;
}

}  // namespace gf
