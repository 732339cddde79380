// The transparency page: a key colour picked from the screen, a similarity, and blocks that keep
// regions opaque or return them to the colour test.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "editor/icon_editor.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/similarity.h"
#include "editor/pixels/trans_region.h"
#include "platform/qt/click_label.h"
#include "platform/qt/seam.h"

namespace gf {

void TIconEditor::BuildTransparencyPage() {
    Panel7 = new QWidget(TabSheet2);
    Panel7->setObjectName("Panel7");
    Panel2 = new QWidget(TabSheet2);
    Panel2->setObjectName("Panel2");

    Shape3 = new ShapeView(Panel7);
    Shape3->setObjectName("Shape3");
    Shape3->BrushClear = true;
    Shape3->resize(265, 265);
    Image2 = new ImageView(Panel7);
    Image2->setObjectName("Image2");
    Image2->setMouseTracking(true);
    Image3 = new ImageView(Panel7);
    Image3->setObjectName("Image3");
    Image3->setMouseTracking(true);
    Image3->resize(256, 256);
    Image3->SetPicture(Bitmap(256, 256, PixelFormat::Bits24));

    GroupBox1 = new QGroupBox("Transparent", Panel2);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(2, 2, 128, 124);
    CheckBox1 = new QCheckBox("Transparent", GroupBox1);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->move(8, 18);
    CheckBox1->adjustSize();
    Shape1 = new ShapeView(GroupBox1);
    Shape1->setObjectName("Shape1");
    Shape1->setGeometry(8, 42, 80, 20);
    Shape1->PenColor = QColor(128, 0, 0);
    Shape1->PenStyle = Qt::DotLine;
    Shape1->setEnabled(false);
    auto* label9 = new ClickLabel("Suck color", GroupBox1);
    Label9 = label9;
    Label9->setObjectName("Label9");
    Label9->setGeometry(14, 44, 70, 16);
    Label9->setAlignment(Qt::AlignCenter);
    Label9->setEnabled(false);
    Label3 = new QLabel("Similarity ", GroupBox1);
    Label3->setObjectName("Label3");
    Label3->setGeometry(8, 68, 112, 16);
    TrackBar5 = new QSlider(Qt::Horizontal, GroupBox1);
    TrackBar5->setObjectName("TrackBar5");
    TrackBar5->setRange(1, 255);
    TrackBar5->setValue(1);
    TrackBar5->setGeometry(6, 88, 116, 24);
    TrackBar5->setEnabled(false);

    GroupBox6 = new QGroupBox("Trans region", Panel2);
    GroupBox6->setObjectName("GroupBox6");
    GroupBox6->setGeometry(132, 2, 114, 124);
    GroupBox6->hide();
    GroupBox6->setEnabled(false);
    SBTransRemove = new QToolButton(GroupBox6);
    SBTransRemove->setObjectName("SBTransRemove");
    SBTransRemove->setText("Remove Trans");
    SBTransRemove->setToolTip("Make selected block be opaque.");
    SBTransRemove->setCheckable(true);
    SBTransRemove->setGeometry(6, 16, 102, 22);
    SBTransAdd = new QToolButton(GroupBox6);
    SBTransAdd->setObjectName("SBTransAdd");
    SBTransAdd->setText("Add Trans");
    SBTransAdd->setToolTip(
        "Make selected block be transparent according its transparent color similarity.");
    SBTransAdd->setCheckable(true);
    SBTransAdd->setGeometry(6, 40, 102, 22);
    Label11 = new QLabel("Block size", GroupBox6);
    Label11->setObjectName("Label11");
    Label11->setGeometry(6, 64, 100, 14);
    TBTransSize = new QSlider(Qt::Horizontal, GroupBox6);
    TBTransSize->setObjectName("TBTransSize");
    TBTransSize->setRange(0, 20);
    TBTransSize->setValue(2);
    TBTransSize->setGeometry(4, 78, 106, 20);
    auto* shapes = new ShapeComboBox(GroupBox6);
    CBTransShape = shapes;
    CBTransShape->setObjectName("CBTransShape");
    CBTransShape->addItems({"0", "1"});
    CBTransShape->setCurrentIndex(1);
    CBTransShape->setToolTip("Block Shape");
    CBTransShape->setGeometry(6, 98, 50, 22);

    Image4 = new ImageView(Panel2);
    Image4->setObjectName("Image4");
    Image4->setGeometry(250, 1, 128, 128);
    Image4->SetPicture(Bitmap(128, 128, PixelFormat::Bits24));

    BitBtn4 = new QPushButton("<< Prev", Panel2);
    BitBtn4->setObjectName("BitBtn4");
    BitBtn2 = new QPushButton("Next >>", Panel2);
    BitBtn2->setObjectName("BitBtn2");

    connect(CheckBox1, &QCheckBox::clicked, this, &TIconEditor::CheckBox1Click);
    connect(label9, &ClickLabel::MouseUp, this, [this] { Label9Click(); });
    connect(Image2, &ImageView::MouseMove, this, &TIconEditor::Image2MouseMove);
    connect(Image2, &ImageView::MouseUp, this, &TIconEditor::Image2MouseUp);
    connect(TrackBar5, &QSlider::valueChanged, this, &TIconEditor::TrackBar5Change);
    connect(SBTransAdd, &QToolButton::clicked, this, &TIconEditor::SBTransAddClick);
    connect(SBTransRemove, &QToolButton::clicked, this, &TIconEditor::SBTransRemoveClick);
    connect(Image3, &ImageView::MouseDown, this, &TIconEditor::Image3MouseDown);
    connect(Image3, &ImageView::MouseMove, this, &TIconEditor::Image3MouseMove);
    connect(Image3, &ImageView::MouseUp, this, &TIconEditor::Image3MouseUp);
    connect(TBTransSize, &QSlider::valueChanged, this, &TIconEditor::TBPenSizeChange);
    connect(BitBtn4, &QPushButton::clicked, this, &TIconEditor::BitBtn4Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TIconEditor::BitBtn2Click);
}

void TIconEditor::TabSheet2Show() {
    setWindowTitle("Select Transparent Color");
    SetStatus("Select transparent color.");
}

void TIconEditor::EnterTransparencyPage() {
    const int w = IconColor.Width(), h = IconColor.Height();
    // The reference picture: the resized picture as the size page made it, never changed here.
    Image2->SetPicture(IconColor);
    TransReferenceMask = IconMask;
    Image2->setGeometry(Shape3->x() + (Shape3->width() - w) / 2,
                        Shape3->y() + (Shape3->height() - h) / 2, w, h);
    TransRegion = MakeMask(w, h, 0);
    ApplyTransparency();
    ShowPage(TabSheet2);
}

void TIconEditor::ApplyTransparency() {
    TransparencySettings t;
    t.Transparent = CheckBox1->isChecked();
    t.Key = Shape1->BrushColor;
    t.Similarity = TrackBar5->value();
    ApplyTransparencyToIcon(Image2->Picture, TransRegion, t, IconColor, IconMask,
                            &TransReferenceMask);
    Bitmap preview(Image3->width(), Image3->height(), PixelFormat::Bits24);
    DrawIconPreview(preview, TransImage->Picture, IconColor, IconMask);
    Image3->SetPicture(std::move(preview));
    TransBlock = QRect(QPoint(-10, -10), QPoint(-10, -10));
}

void TIconEditor::CheckBox1Click() {
    const bool on = CheckBox1->isChecked();
    Shape1->setEnabled(on);
    Label9->setEnabled(on);
    TrackBar5->setEnabled(on);
    if (on) {
        if (!Image2->Picture.Empty())
            Shape1->SetBrushColor(Image2->Picture.GetPixel(0, 0));
        Image2->SetCursorKind(ScreenCursor::Pipette);
        Label9Click();
    } else {
        Image2->SetCursorKind(ScreenCursor::Default);
    }
    GroupBox6->setVisible(on);
    GroupBox6->setEnabled(on);
    ApplyTransparency();
}

void TIconEditor::Label9Click() {
    MovePointer(Image2->mapToGlobal(QPoint(0, 0)));
}

void TIconEditor::PipetteAndMagnifier(ImageView* source, int x, int y) {
    if (source->CursorKind() == ScreenCursor::Pipette) {
        // What a release here would pick.
        const Color c = ScreenPixel(source->mapToGlobal(QPoint(x, y)));
        QPalette pal = Label9->palette();
        pal.setColor(QPalette::WindowText, QColor(RedOf(c), GreenOf(c), BlueOf(c)));
        Label9->setPalette(pal);
    }
    // The 14 x 14 pixels round the pointer, about nine times enlarged, with a cross through them.
    Bitmap lens(128, 128, PixelFormat::Bits24);
    const Bitmap& pic = source->Picture;
    for (int j = 0; j < 127; ++j) {
        const int sy = y - 7 + j * 14 / 127;
        std::uint8_t* row = lens.Row(j);
        for (int i = 0; i < 127; ++i) {
            const int sx = x - 7 + i * 14 / 127;
            if (sx < 0 || sy < 0 || sx >= pic.Width() || sy >= pic.Height())
                continue;
            const Color c = pic.GetPixel(sx, sy);
            row[3 * i] = BlueOf(c);
            row[3 * i + 1] = GreenOf(c);
            row[3 * i + 2] = RedOf(c);
        }
    }
    for (int i = 0; i < 128 * 3; ++i)
        lens.Row(67)[i] = static_cast<std::uint8_t>(~lens.Row(67)[i]);
    for (int j = 0; j < 128; ++j)
        for (int k = 0; k < 3; ++k)
            lens.Row(j)[3 * 67 + k] = static_cast<std::uint8_t>(~lens.Row(j)[3 * 67 + k]);
    Image4->SetPicture(std::move(lens));
}

void TIconEditor::Image2MouseMove(Qt::MouseButtons, int x, int y) {
    PipetteAndMagnifier(Image2, x, y);
}

void TIconEditor::Image2MouseUp(Qt::MouseButton, int x, int y) {
    if (Image2->CursorKind() == ScreenCursor::Pipette)
        Shape1->SetBrushColor(ScreenPixel(Image2->mapToGlobal(QPoint(x, y))));
    ApplyTransparency();
}

void TIconEditor::TrackBar5Change() {
    ApplyTransparency();
}

void TIconEditor::SBTransAddClick() {
    SBTransAdd->setChecked(true);
    SBTransRemove->setChecked(false);
    Image3->SetCursorKind(ScreenCursor::Cross);
    IVfocus->setFocus();
    SetStatus("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot.");
    MoveKeyPointer(Image3->mapToGlobal(QPoint(Image3->width() / 2, Image3->height() / 2)));
}

void TIconEditor::SBTransRemoveClick() {
    SBTransRemove->setChecked(true);
    SBTransAdd->setChecked(false);
    Image3->SetCursorKind(ScreenCursor::Cross);
    IVfocus->setFocus();
    SetStatus("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot.");
    MoveKeyPointer(Image3->mapToGlobal(QPoint(Image3->width() / 2, Image3->height() / 2)));
}

QPoint TIconEditor::IconPointOnImage3(int x, int y) const {
    return {x - (Image3->width() - Image2->Picture.Width()) / 2,
            y - (Image3->height() - Image2->Picture.Height()) / 2};
}

void TIconEditor::PaintTransBlock(int x, int y) {
    const QPoint p = IconPointOnImage3(x, y);
    const int r = TBTransSize->value();
    const int shape = CBTransShape->currentIndex();
    ShapeCanvas canvas{&TransRegion};
    if (SBTransAdd->isChecked())
        PaintShapeBlock(canvas, p.x(), p.y(), shape, Black, r);
    if (SBTransRemove->isChecked())
        PaintShapeBlock(canvas, p.x(), p.y(), shape, White, r);
}

void TIconEditor::Image3MouseDown(Qt::MouseButton, int x, int y) {
    Image3Held = true;
    PaintTransBlock(x, y);
    ApplyTransparency();
}

void TIconEditor::DrawTransOutline(const QRect& block) {
    ShapeCanvas canvas{&Image3->Picture, true};
    DrawShapeBlock(canvas, block.left(), block.top(), CBTransShape->currentIndex(),
                   TBTransSize->value());
}

void TIconEditor::Image3MouseMove(Qt::MouseButtons, int x, int y) {
    if (Image3MoveBusy)
        return;
    Image3MoveBusy = true;
    if (!CanMovePointer())
        OwnPointer = Image3->mapToGlobal(QPoint(x, y));  // the keyboard goes on from here
    if (SBTransAdd->isChecked() || SBTransRemove->isChecked()) {
        if (Image3Held) {
            PaintTransBlock(x, y);
            ApplyTransparency();
        } else {
            // Inverting twice restores the preview; a freshly redrawn preview has no outline
            // to take away.
            if (TransBlock.left() != -10 || TransBlock.top() != -10)
                DrawTransOutline(TransBlock);
            TransBlock = QRect(QPoint(x, y), QPoint(x + 1, y + 1));
            DrawTransOutline(TransBlock);
            Image3->Refresh();
        }
    }
    PipetteAndMagnifier(Image3, x, y);
    Image3MoveBusy = false;
}

void TIconEditor::Image3MouseUp(Qt::MouseButton, int, int) {
    Image3Held = false;
    if (SBTransAdd->isChecked() || SBTransRemove->isChecked())
        IVfocus->setFocus();
}

void TIconEditor::TBPenSizeChange() {}

void TIconEditor::BitBtn4Click() {
    ShowPage(TabSheet1);
}

void TIconEditor::BitBtn2Click() {
    BitBtn7Tag = 2;
    ShowPage(TabSheet4);
}

}  // namespace gf
