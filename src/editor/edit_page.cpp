// The edit page: its controls, the zoomed canvas and its zoom, undo and redo, and the navigation
// to the neighbouring pages. The tools, the brush and the keyboard are in edit_tools.cpp.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <cmath>

#include "editor/icon_editor.h"
#include "editor/pixels/colour_bits.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/tiles.h"
#include "platform/icon_draw.h"
#include "platform/qt/seam.h"

namespace gf {

namespace {

QSlider* MakeTrackBar(QWidget* parent, const char* name, int min, int max, int value,
                      const QRect& geometry) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(min, max);
    bar->setValue(value);
    bar->setGeometry(geometry);
    return bar;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& caption,
                             const QRect& geometry) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setCheckable(true);
    b->setGeometry(geometry);
    return b;
}

}  // namespace

void TIconEditor::BuildEditPage() {
    ScrollBox1 = new QScrollArea(TabSheet4);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollContent = new QWidget;
    ScrollContent->setObjectName("ScrollContent");
    Image7 = new ZoomView(ScrollContent);
    Image7->setObjectName("Image7");
    Image7->SetCursorKind(ScreenCursor::Cross);
    Image7->SetRenderer([this](Bitmap& view, int x, int y) {
        RenderZoomView(view, x, y, TransImage->Picture, IconColor, IconMask, ZoomFactor);
    });
    ScrollBox1->setWidget(ScrollContent);

    Panel4 = new QWidget(TabSheet4);
    Panel4->setObjectName("Panel4");
    BuildBrushGroup();
    BuildToolsGroup();

    GroupBox4 = new QGroupBox(Panel4);
    GroupBox4->setObjectName("GroupBox4");
    GroupBox4->setGeometry(2 + 131 + 110, 2, 114, 124);
    Label5 = new QLabel("Zoom", GroupBox4);
    Label5->setObjectName("Label5");
    Label5->setGeometry(8, 14, 60, 16);
    ComboBox3 = new QComboBox(GroupBox4);
    ComboBox3->setObjectName("ComboBox3");
    for (int i = 1; i <= 15; ++i)
        ComboBox3->addItem(QString("%1X").arg(i));
    ComboBox3->setCurrentIndex(3);
    ComboBox3->setGeometry(8, 32, 98, 22);

    // Undo and redo are actions of the window, so their shortcuts act while their buttons are
    // hidden too.
    MyUndo = new QAction("Undo", this);
    MyUndo->setObjectName("MyUndo");
    MyUndo->setToolTip("Ctrl + Z  Undo");
    MyUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    MyRedo = new QAction("Redo", this);
    MyRedo->setObjectName("MyRedo");
    MyRedo->setToolTip("Ctrl + Y  Redo");
    MyRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    for (QAction* a : {MyUndo, MyRedo}) {
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        addAction(a);
    }
    SpeedButton6 = new QToolButton(GroupBox4);
    SpeedButton6->setObjectName("SpeedButton6");
    SpeedButton6->setDefaultAction(MyUndo);
    SpeedButton6->setGeometry(8, 60, 47, 24);
    SpeedButton7 = new QToolButton(GroupBox4);
    SpeedButton7->setObjectName("SpeedButton7");
    SpeedButton7->setDefaultAction(MyRedo);
    SpeedButton7->setGeometry(59, 60, 47, 24);
    BitBtn8 = new QPushButton("Alpha adjustment", GroupBox4);
    BitBtn8->setObjectName("BitBtn8");
    BitBtn8->setGeometry(2, 90, 110, 26);
    // The group is as narrow as the zoom list; a condensed cut keeps the caption whole.
    QFont condensed = BitBtn8->font();
    condensed.setStretch(QFont::Condensed);
    BitBtn8->setFont(condensed);

    BitBtn7 = new QPushButton("<< Prev", Panel4);
    BitBtn7->setObjectName("BitBtn7");
    BitBtn6 = new QPushButton("Next >>", Panel4);
    BitBtn6->setObjectName("BitBtn6");

    BuildAlphaPanel();

    KeyPointerMark = new PointerMark(this);
    IVfocus->setReadOnly(true);
    IVfocus->installEventFilter(this);

    connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(); });
    connect(Image7, &ZoomView::MouseDown, this, &TIconEditor::Image7MouseDown);
    connect(Image7, &ZoomView::MouseMove, this, &TIconEditor::Image7MouseMove);
    connect(Image7, &ZoomView::MouseUp, this, &TIconEditor::Image7MouseUp);
    connect(MyUndo, &QAction::triggered, this, &TIconEditor::MyUndoExecute);
    connect(MyRedo, &QAction::triggered, this, &TIconEditor::MyRedoExecute);
    connect(BitBtn8, &QPushButton::clicked, this, &TIconEditor::BitBtn8Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TIconEditor::BitBtn7Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TIconEditor::BitBtn6Click);
}

void TIconEditor::BuildBrushGroup() {
    GroupBox2 = new QGroupBox("Brush color", Panel4);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(2, 2, 131, 124);
    Shape4 = new ShapeView(GroupBox2);
    Shape4->setObjectName("Shape4");
    Shape4->BrushClear = true;
    Shape4->setGeometry(6, 18, 22, 22);
    Shape44 = new ImageView(GroupBox2);
    Shape44->setObjectName("Shape44");
    Shape44->setGeometry(9, 21, 16, 16);
    Shape44->Tag = static_cast<int>(White);
    Shape44->setCursor(Qt::PointingHandCursor);
    Shape44->SetPicture(RenderBrushSwatch(16, 16, static_cast<BrushColour>(White), 255, false, {}));
    Image8 = new ImageView(GroupBox2);
    Image8->setObjectName("Image8");
    Image8->setGeometry(32, 14, 26, 29);
    Image8->PictureView::SetPicture(PipetteGlyph(26, 29));
    Image8->setToolTip("Pick a colour from the screen");
    Label8 = new QLabel("Opacity", GroupBox2);
    Label8->setObjectName("Label8");
    Label8->setGeometry(62, 14, 66, 14);
    tbColorAlpha = MakeTrackBar(GroupBox2, "tbColorAlpha", 0, 255, 255, QRect(60, 28, 68, 18));
    cbOpacity = new QCheckBox("Only change opacity", GroupBox2);
    cbOpacity->setObjectName("cbOpacity");
    cbOpacity->setGeometry(4, 46, 126, 18);
    CBSolidC = new QRadioButton("Solid color", GroupBox2);
    CBSolidC->setObjectName("CBSolidC");
    CBSolidC->setGeometry(4, 64, 126, 18);
    CBSolidC->setChecked(true);
    CBTransC = new QRadioButton("Transparent Color", GroupBox2);
    CBTransC->setObjectName("CBTransC");
    CBTransC->setGeometry(4, 82, 126, 18);
    // The group is narrow for its longest captions; a condensed cut keeps them whole.
    for (QWidget* w : {static_cast<QWidget*>(cbOpacity), static_cast<QWidget*>(CBTransC)}) {
        QFont f = w->font();
        f.setStretch(QFont::Condensed);
        w->setFont(f);
    }
    TransImage = new ImageView(GroupBox2);
    TransImage->setObjectName("TransImage");
    TransImage->Stretch = true;
    TransImage->setGeometry(8, 102, 16, 16);
    TransImage->setCursor(Qt::PointingHandCursor);
    TransImage->SetPicture(MakeTile(TileKind::GreyFine));

    connect(Shape44, &ImageView::MouseUp, this, [this] { Shape44MouseUp(); });
    connect(Image8, &ImageView::MouseDown, this, &TIconEditor::Image8MouseDown);
    connect(Image8, &ImageView::MouseMove, this, &TIconEditor::Image8MouseMove);
    connect(Image8, &ImageView::MouseUp, this, &TIconEditor::Image8MouseUp);
    connect(TransImage, &ImageView::Clicked, this, &TIconEditor::TransImageClick);
    connect(tbColorAlpha, &QSlider::valueChanged, this, &TIconEditor::tbColorAlphaChange);
    connect(cbOpacity, &QCheckBox::clicked, this, &TIconEditor::cbOpacityClick);
}

void TIconEditor::BuildToolsGroup() {
    GroupBox3 = new QGroupBox("Tools", Panel4);
    GroupBox3->setObjectName("GroupBox3");
    GroupBox3->setGeometry(2 + 131, 2, 110, 124);
    SBFill1 = MakeSpeedButton(GroupBox3, "SBFill1", "Fill", QRect(6, 18, 47, 24));
    SBPen = MakeSpeedButton(GroupBox3, "SBPen", "Draw", QRect(57, 18, 47, 24));
    SBFill2 = MakeSpeedButton(GroupBox3, "SBFill2", "Fill Color", QRect(6, 18, 47, 24));
    SBFill2->hide();
    auto* tools = new QButtonGroup(GroupBox3);
    tools->setExclusive(true);
    for (QToolButton* b : {SBFill1, SBPen, SBFill2})
        tools->addButton(b);
    SBFill2->setChecked(true);
    Label4 = new QLabel("Similarity ", GroupBox3);
    Label4->setObjectName("Label4");
    Label4->setGeometry(6, 46, 98, 14);
    TBAllowance = MakeTrackBar(GroupBox3, "TBAllowance", 1, 255, 1, QRect(4, 60, 102, 18));
    Label6 = new QLabel("Pen Size", GroupBox3);
    Label6->setObjectName("Label6");
    Label6->setGeometry(6, 82, 98, 14);
    TBPenSize = MakeTrackBar(GroupBox3, "TBPenSize", 0, 20, 1, QRect(4, 96, 102, 18));
    for (QWidget* w : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(TBAllowance),
                       static_cast<QWidget*>(Label6), static_cast<QWidget*>(TBPenSize)})
        w->setEnabled(false);

    connect(SBFill1, &QToolButton::clicked, this, &TIconEditor::SBFill1Click);
    connect(SBPen, &QToolButton::clicked, this, &TIconEditor::SBPenClick);
    connect(TBAllowance, &QSlider::valueChanged, this, &TIconEditor::TBAllowanceChange);
    connect(TBPenSize, &QSlider::valueChanged, this, &TIconEditor::TBPenSizeChange);
}

void TIconEditor::TabSheet4Show() {
    setWindowTitle("Edit Icon");
    Image7->move(0, 0);
    const int w = IconColor.Width(), h = IconColor.Height();
    const int frame = 2 * ScrollBox1->frameWidth();
    const int clientW = ScrollBox1->width() - frame, clientH = ScrollBox1->height() - frame;
    const int fit = (w > 0 && h > 0) ? std::min(clientH / h, clientW / w) : 0;
    ComboBox3->setCurrentIndex(ComboBox3->findText(QString("%1x").arg(fit), Qt::MatchFixedString));
    ComboBox3Change();
    SBFill2Click();
    const bool alpha = IconColor.Format() == PixelFormat::Bits32;
    if (!alpha && cbOpacity->isChecked()) {
        // The box is hidden at this depth; left checked it would keep the brush colourless.
        cbOpacity->setChecked(false);
        cbOpacityClick();
    }
    tbColorAlpha->setValue(255);
    tbColorAlphaChange();
    Label8->setVisible(alpha);
    tbColorAlpha->setVisible(alpha);
    cbOpacity->setVisible(alpha);
    SetStatus("Edit icon.");
}

void TIconEditor::ComboBox3Change() {
    QString text = ComboBox3->currentText();
    text.chop(1);  // the "X"
    double zoom = 4;
    if (text.isEmpty()) {
        ComboBox3->setCurrentIndex(3);
    } else {
        bool ok = false;
        zoom = text.toDouble(&ok);
        if (!ok)
            zoom = 4;
    }
    if (zoom < 1)
        zoom = 4;
    ZoomFactor = static_cast<float>(zoom);
    Image7->SetPreview(std::nullopt);
    Image7->setGeometry(0, 0, ZoomedLength(IconColor.Width(), zoom),
                        ZoomedLength(IconColor.Height(), zoom));
    RedrawZoomView(zoom);
    CentreZoomCanvas();
}

QPoint TIconEditor::CanvasToIconPixel(int x, int y) const {
    return {static_cast<int>(std::trunc(x / static_cast<double>(ZoomFactor))),
            static_cast<int>(std::trunc(y / static_cast<double>(ZoomFactor)))};
}

void TIconEditor::CentreZoomCanvas() {
    // The scroll bars the canvas needs, the room each leaves, and the canvas centred along every
    // direction that needs none.
    const int frame = 2 * ScrollBox1->frameWidth();
    const int bar =
        ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox1);
    const int w = Image7->width(), h = Image7->height();
    int clientW = ScrollBox1->width() - frame, clientH = ScrollBox1->height() - frame;
    bool hBar = w > clientW, vBar = h > clientH;
    if (hBar && !vBar)
        vBar = h > clientH - bar;
    if (vBar && !hBar)
        hBar = w > clientW - bar;
    if (hBar)
        clientH -= bar;
    if (vBar)
        clientW -= bar;
    const int left = hBar ? 0 : (clientW - w) / 2;
    const int top = vBar ? 0 : (clientH - h) / 2;
    ScrollContent->resize(hBar ? w : std::max(clientW, 0), vBar ? h : std::max(clientH, 0));
    Image7->move(left, top);
}

void TIconEditor::RedrawZoomView(double zoom) {
    // The canvas paints itself from the working pair at ZoomFactor, only where it is exposed.
    ZoomFactor = static_cast<float>(zoom);
    Image7->SetPreview(std::nullopt);
    Image7->update();
}

bool TIconEditor::IconBlends() const {
    return IconUsesAlpha(IconColor);
}

void TIconEditor::RedrawIconBox(const PixelBox& box, bool blendBefore) {
    Image7->SetPreview(std::nullopt);
    if (IconBlends() != blendBefore) {
        Image7->update();
        return;
    }
    if (box.Empty())
        return;
    const double z = ZoomFactor;
    const int x0 = static_cast<int>(std::floor(box.X0 * z));
    const int y0 = static_cast<int>(std::floor(box.Y0 * z));
    const int x1 = static_cast<int>(std::ceil(box.X1 * z));
    const int y1 = static_cast<int>(std::ceil(box.Y1 * z));
    Image7->update(QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)));
}

void TIconEditor::UpdateUndoActions() {
    MyUndo->setEnabled(History.CanUndo());
    MyRedo->setEnabled(History.CanRedo());
}

bool TIconEditor::TakeSnapshot() {
    if (History.Prefix.empty())
        History.Begin(SourcePath);
    const Status s = History.TakeSnapshot(IconColor, IconMask);
    UpdateUndoActions();
    if (s)
        return true;
    ShowMessage(QString::fromStdString("The icon was not changed: its state could not be kept "
                                       "for undo.\n" +
                                       s.ErrorMessage()),
                this);
    return false;
}

void TIconEditor::UndoSnapshot() {
    StepHistory(false);
}

void TIconEditor::RedoSnapshot() {
    StepHistory(true);
}

void TIconEditor::StepHistory(bool forward) {
    const QSize before(IconColor.Width(), IconColor.Height());
    const Result<bool> r = forward ? History.RedoSnapshot(IconColor, IconMask)
                                   : History.UndoSnapshot(IconColor, IconMask);
    if (!r)
        ShowMessage(QString::fromStdString((forward ? "Can not redo.\n" : "Can not undo.\n") +
                                           r.ErrorMessage()),
                    this);
    UpdateUndoActions();
    if (QSize(IconColor.Width(), IconColor.Height()) != before)
        ComboBox3Change();  // a state from before the size was changed: the canvas follows
    else
        RedrawZoomView(ZoomFactor);
}

void TIconEditor::MyUndoExecute() {
    if (PageControl1->currentWidget() == TabSheet4)
        UndoSnapshot();
}

void TIconEditor::MyRedoExecute() {
    if (PageControl1->currentWidget() == TabSheet4)
        RedoSnapshot();
}

bool TIconEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == IVfocus && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The edit box would take Ctrl+Z and Ctrl+Y as its own undo and redo.
        for (QAction* action : {MyUndo, MyRedo}) {
            if (QKeySequence(key->keyCombination()) == action->shortcut()) {
                if (action->isEnabled())
                    action->trigger();
                return true;
            }
        }
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
            return IVfocusKeyDown(key->key());
    }
    return QDialog::eventFilter(watched, event);
}

void TIconEditor::BitBtn7Click() {
    if (AlphaPanelOpen())
        BitBtn10Click();
    if (BitBtn7Tag == 1)
        ShowPage(TabSheet1);
    if (BitBtn7Tag == 2)
        ShowPage(TabSheet2);
}

void TIconEditor::BitBtn6Click() {
    if (AlphaPanelOpen())
        BitBtn9Click();
    const PixelFormatCode code = Converter ? Converter->WorkPixelFormat() : 0;
    ComboBox2->setCurrentIndex(ColourItemFromFormatCode(code));
    ShowPage(TabSheet3);
    ComboBox2Change();
}

}  // namespace gf
