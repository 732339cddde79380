// The edit page's alpha adjustment: the panel gbAlpha, which turns a shadow or a soft edge drawn
// over a known background into real partial transparency of a 32-bit icon. The icon is always
// the copy taken at the opening with the current adjustment applied; OK keeps it, Cancel goes
// back to the copy. One snapshot, taken at the opening, covers the whole adjustment.

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <optional>
#include <vector>

#include "editor/icon_editor.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/shadow_alpha.h"
#include "editor/pixels/trans_region.h"
#include "platform/qt/seam.h"

namespace gf {

namespace {

constexpr Color ShadowStart = 0x888888;

QToolButton* MakeRegionButton(QWidget* parent, const char* name, const QString& caption,
                              const QString& hint, const QRect& geometry) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setCheckable(true);
    b->setGeometry(geometry);
    return b;
}

ImageView* MakePipette(QWidget* parent, const char* name, const QString& hint,
                       const QRect& geometry) {
    auto* v = new ImageView(parent);
    v->setObjectName(name);
    v->setGeometry(geometry);
    v->PictureView::SetPicture(PipetteGlyph(geometry.width(), geometry.height()));
    v->setToolTip(hint);
    return v;
}

}  // namespace

void TIconEditor::BuildAlphaPanel() {
    gbAlpha = new QGroupBox("Alpha adjustment", Panel4);
    gbAlpha->setObjectName("gbAlpha");
    gbAlpha->setGeometry(1, 1, 242, 128);
    gbAlpha->hide();

    // The two colours, each a swatch with its pipette beside it.
    Label10 = new QLabel("Background", gbAlpha);
    Label10->setObjectName("Label10");
    Label10->setGeometry(6, 15, 76, 14);
    Shape5 = new ShapeView(gbAlpha);
    Shape5->setObjectName("Shape5");
    Shape5->setGeometry(6, 32, 25, 25);
    Image13 = MakePipette(gbAlpha, "Image13", "Select the orignal background color.",
                          QRect(33, 30, 30, 30));
    Label12 = new QLabel("Shadow", gbAlpha);
    Label12->setObjectName("Label12");
    Label12->setGeometry(84, 15, 52, 14);
    Shape6 = new ShapeView(gbAlpha);
    Shape6->setObjectName("Shape6");
    Shape6->setGeometry(84, 32, 25, 25);
    Image14 = MakePipette(gbAlpha, "Image14", "Select the color whose alpha will be adjusted.",
                          QRect(111, 30, 30, 30));
    for (ShapeView* s : {Shape5, Shape6}) {
        s->MakeSwatch();
        s->setCursor(Qt::PointingHandCursor);
    }
    Shape5->SetBrushColor(White);
    Shape6->SetBrushColor(ShadowStart);

    // The shadow at full strength, and the tolerance above the buttons, clear of the region's
    // group below the pipettes.
    CBColor = new ColourComboBox(gbAlpha);
    CBColor->setObjectName("CBColor");
    CBColor->setToolTip("Select the color to adjust its opacity.");
    CBColor->setGeometry(144, 14, 92, 22);
    Label14 = new QLabel("Alpha=5", gbAlpha);
    Label14->setObjectName("Label14");
    Label14->setGeometry(164, 38, 74, 14);
    TrackBar4 = new QSlider(Qt::Horizontal, gbAlpha);
    TrackBar4->setObjectName("TrackBar4");
    TrackBar4->setRange(1, 255);
    TrackBar4->setValue(5);
    TrackBar4->setGeometry(162, 52, 76, 18);

    // The region brush.
    GroupBox5 = new QGroupBox("Alpha influence region", gbAlpha);
    GroupBox5->setObjectName("GroupBox5");
    GroupBox5->setGeometry(4, 62, 156, 63);
    SBAlphaSet = MakeRegionButton(GroupBox5, "SBAlphaSet", "Erase",
                                  "This will add alpha influence region.", QRect(6, 16, 46, 22));
    SBAlphaClear =
        MakeRegionButton(GroupBox5, "SBAlphaClear", "Blend",
                         "This will remove alpha influence region.", QRect(54, 16, 46, 22));
    SBAlpha = MakeRegionButton(GroupBox5, "SBAlpha", QString(), QString(), QRect(6, 16, 46, 22));
    SBAlpha->hide();
    auto* regionTools = new QButtonGroup(GroupBox5);
    regionTools->setExclusive(true);
    for (QToolButton* b : {SBAlphaSet, SBAlphaClear, SBAlpha})
        regionTools->addButton(b);
    SBAlpha->setChecked(true);
    auto* shapes = new ShapeComboBox(GroupBox5);
    CBAlphaShape = shapes;
    CBAlphaShape->setObjectName("CBAlphaShape");
    CBAlphaShape->addItems({"0", "1"});
    CBAlphaShape->setCurrentIndex(1);
    CBAlphaShape->setToolTip("Alpha Block Shape");
    CBAlphaShape->setGeometry(106, 16, 44, 22);
    Label13 = new QLabel("Brush size", GroupBox5);
    Label13->setObjectName("Label13");
    Label13->setGeometry(6, 42, 66, 14);
    TBAlphaPenSize = new QSlider(Qt::Horizontal, GroupBox5);
    TBAlphaPenSize->setObjectName("TBAlphaPenSize");
    TBAlphaPenSize->setRange(0, 20);
    TBAlphaPenSize->setValue(1);
    TBAlphaPenSize->setGeometry(76, 40, 76, 18);

    BitBtn9 = new QPushButton("OK", gbAlpha);
    BitBtn9->setObjectName("BitBtn9");
    BitBtn9->setToolTip("Save the change");
    BitBtn9->setGeometry(164, 76, 72, 24);
    BitBtn10 = new QPushButton("Cancel", gbAlpha);
    BitBtn10->setObjectName("BitBtn10");
    BitBtn10->setToolTip("Cancel all the alpha operation.");
    BitBtn10->setGeometry(164, 101, 72, 24);

    for (ImageView* picker : {Image13, Image14}) {
        connect(
            picker, &ImageView::MouseDown, this,
            [this, picker](Qt::MouseButton b, int x, int y) { Image13MouseDown(picker, b, x, y); });
        connect(picker, &ImageView::MouseMove, this,
                [this, picker](Qt::MouseButtons b, int x, int y) {
                    Image13MouseMove(picker, b, x, y);
                });
        connect(picker, &ImageView::MouseUp, this, [this, picker](Qt::MouseButton b, int x, int y) {
            Image13MouseUp(picker, b, x, y);
        });
    }
    for (ShapeView* swatch : {Shape5, Shape6})
        connect(swatch, &ShapeView::MouseUp, this, [this, swatch] { Shape5MouseUp(swatch); });
    connect(CBColor, &QComboBox::currentIndexChanged, this, [this] { CBColorChange(); });
    connect(TrackBar4, &QSlider::valueChanged, this, &TIconEditor::TrackBar4Change);
    connect(SBAlphaSet, &QToolButton::clicked, this, &TIconEditor::SBAlphaSetClick);
    connect(SBAlphaClear, &QToolButton::clicked, this, &TIconEditor::SBAlphaClearClick);
    connect(TBAlphaPenSize, &QSlider::valueChanged, this, &TIconEditor::TBPenSizeChange);
    connect(BitBtn9, &QPushButton::clicked, this, &TIconEditor::BitBtn9Click);
    connect(BitBtn10, &QPushButton::clicked, this, &TIconEditor::BitBtn10Click);
}

bool TIconEditor::AlphaPanelOpen() const {
    return !gbAlpha->isHidden();
}

void TIconEditor::BitBtn8Click() {
    if (IconColor.Format() != PixelFormat::Bits32) {
        ShowMessage("Only 32 bit icon supports this feature!", this);
        return;
    }
    if (!TakeSnapshot())
        return;
    // Over the brush and tool groups; they are hidden, so neither the mouse nor the Tab key
    // reaches what the panel covers.
    gbAlpha->move(1, 1);
    GroupBox2->hide();
    GroupBox3->hide();
    gbAlpha->show();
    gbAlpha->raise();
    for (QWidget* w : {static_cast<QWidget*>(BitBtn8), static_cast<QWidget*>(SpeedButton7),
                       static_cast<QWidget*>(SpeedButton6)})
        w->hide();
    SBFill2Click();

    BackupColor = IconColor;
    BackupMask = IconMask;
    EditRegion = IconMask;  // every opaque pixel is in the region, no transparent one

    Shape5->SetBrushColor(White);
    Shape6->SetBrushColor(ShadowStart);
    {
        const QSignalBlocker quiet(CBColor);
        CBColor->clear();
        for (int i = 0; i <= 254; ++i)
            CBColor->addItem(QString::number(static_cast<Color>(i) * 0x010101u));
        CBColor->setCurrentIndex(127);
    }
    CBColorChange();
    CBColor->setFocus();
}

void TIconEditor::CBColorChange() {
    Label14->setText(QStringLiteral("Alpha=%1").arg(TrackBar4->value()));
    const Color bg = Shape5->BrushColor;
    IconMask = BackupMask;
    IconColor = BackupColor;
    const Color sh = CBColor->currentIndex() >= 0 ? ColourOfItemText(CBColor->currentText()) : 0;
    ApplyShadowAlpha(IconColor, IconMask, EditRegion, bg, sh, TrackBar4->value());
    RedrawWholeIcon();
}

void TIconEditor::RedrawWholeIcon() {
    // An undo while the panel is open may have brought back an icon of another size; the copies
    // put the canvas's size right again.
    if (Image7->width() != ZoomedLength(IconColor.Width(), ZoomFactor) ||
        Image7->height() != ZoomedLength(IconColor.Height(), ZoomFactor))
        ComboBox3Change();
    else
        RedrawZoomView(ZoomFactor);
}

void TIconEditor::TrackBar4Change() {
    CBColorChange();
}

void TIconEditor::Image13MouseDown(ImageView* picker, Qt::MouseButton, int, int) {
    if (picker->Tag != 1)
        QApplication::setOverrideCursor(CursorOf(ScreenCursor::Pipette));
    picker->Tag = 1;
}

void TIconEditor::Image13MouseMove(ImageView* picker, Qt::MouseButtons, int x, int y) {
    if (picker->Tag != 1)
        return;
    // Any pixel of the screen, the canvas included.
    const Color c = ScreenPixel(picker->mapToGlobal(QPoint(x, y)));
    (picker == Image13 ? Shape5 : Shape6)->SetBrushColor(c);
}

void TIconEditor::Image13MouseUp(ImageView* picker, Qt::MouseButton, int, int) {
    if (picker->Tag == 1)
        QApplication::restoreOverrideCursor();
    picker->Tag = 0;
    RebuildShadowCandidates();
}

void TIconEditor::Shape5MouseUp(ShapeView* swatch) {
    const std::optional<Color> chosen = ChooseColor(swatch->BrushColor, this);
    if (!chosen)
        return;
    swatch->SetBrushColor(*chosen);
    RebuildShadowCandidates();
}

void TIconEditor::RebuildShadowCandidates() {
    const std::vector<Color> candidates = ShadowCandidates(Shape5->BrushColor, Shape6->BrushColor);
    {
        const QSignalBlocker quiet(CBColor);
        CBColor->clear();
        for (Color c : candidates)
            CBColor->addItem(QString::number(c));
        if (!candidates.empty())
            CBColor->setCurrentIndex(0);
    }
    // With no candidate the icon keeps its last adjustment.
    if (!candidates.empty())
        CBColorChange();
}

bool TIconEditor::AlphaRegionToolDown() const {
    return SBAlphaSet->isChecked() || SBAlphaClear->isChecked();
}

void TIconEditor::SelectAlphaRegionTool(QToolButton* tool) {
    SBFill2Click();
    Image7->SetCursorKind(ScreenCursor::Cross);
    IVfocus->setFocus();
    tool->setChecked(true);
    SetStatus("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot.");
    StartKeyPointer(Image7, Image7->visibleRegion().boundingRect().center());
}

void TIconEditor::SBAlphaSetClick() {
    SelectAlphaRegionTool(SBAlphaSet);
}

void TIconEditor::SBAlphaClearClick() {
    SelectAlphaRegionTool(SBAlphaClear);
}

void TIconEditor::PaintAlphaRegion(int x, int y) {
    // "Erase" paints pixels into the region (0), "Blend" out of it (255).
    ShapeCanvas region{&EditRegion, false};
    PaintShapeBlock(region, x, y, CBAlphaShape->currentIndex(),
                    SBAlphaSet->isChecked() ? Black : White, TBAlphaPenSize->value());
    CBColorChange();
}

void TIconEditor::CloseAlphaPanel() {
    gbAlpha->hide();
    GroupBox2->show();
    GroupBox3->show();
    for (QWidget* w : {static_cast<QWidget*>(BitBtn8), static_cast<QWidget*>(SpeedButton7),
                       static_cast<QWidget*>(SpeedButton6)})
        w->show();
    SBFill2Click();
}

void TIconEditor::BitBtn9Click() {
    CloseAlphaPanel();
}

void TIconEditor::BitBtn10Click() {
    IconMask = BackupMask;
    IconColor = BackupColor;
    CloseAlphaPanel();
    RedrawWholeIcon();
}

}  // namespace gf
