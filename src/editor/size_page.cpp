// The size page: icon size, how the picture fills the canvas, and the resampling into the pair.

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <optional>
#include <vector>

#include "editor/icon_editor.h"
#include "editor/pixels/resample.h"
#include "platform/qt/click_label.h"
#include "platform/qt/seam.h"

namespace gf {
namespace {

constexpr int SliderThickness = 24;

// The size the user typed into the size box: one number for a square ("40"), two for width and
// height ("40 30", "40,30", or a list entry "48x48"); each at most 256. None when the text
// holds no number.
std::optional<QSize> TypedSize(const QString& text) {
    std::vector<int> numbers;
    int value = -1;
    for (QChar c : text + QLatin1Char(' ')) {
        if (c.isDigit()) {
            value = std::min(256, std::max(value, 0) * 10 + c.digitValue());
        } else if (value >= 0) {
            numbers.push_back(value);
            value = -1;
        }
    }
    if (numbers.empty())
        return std::nullopt;
    return QSize(numbers[0], numbers.size() > 1 ? numbers[1] : numbers[0]);
}

void ConfirmTypedSize(TIconEditor& e);

// Discards typed characters above "<" (code 60), so letters cannot be typed into the size box;
// Enter confirms what the box shows (and only that: the page does not go on).
class SizeKeyFilter : public QObject {
  public:
    SizeKeyFilter(TIconEditor& editor, QObject* parent) : QObject(parent), Editor(editor) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                ConfirmTypedSize(Editor);
                return true;
            }
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).unicode() > 60)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    TIconEditor& Editor;
};

// Once the user confirms the size box (Enter, or leaving it), the size it shows is the size in
// force: a typed size becomes the icon's size, and text that names none gives way to it.
void ConfirmTypedSize(TIconEditor& e) {
    const std::optional<QSize> typed = TypedSize(e.ComboBox1->currentText());
    if (typed) {
        // A size that is not square is asked for on purpose.
        if (typed->width() != typed->height())
            e.cbWeqH->setChecked(false);
        const QSignalBlocker blockWidth(e.TrackBar1);
        const QSignalBlocker blockHeight(e.TrackBar2);
        e.TrackBar1->setValue(typed->width());
        e.TrackBar2->setValue(typed->height());
    }
    e.UpdateSizePreview();
}

}  // namespace

void TIconEditor::BuildSizePage() {
    Panel6 = new QWidget(TabSheet1);
    Panel6->setObjectName("Panel6");
    Panel1 = new QWidget(TabSheet1);
    Panel1->setObjectName("Panel1");

    Image1 = new ImageView(Panel6);
    Image1->setObjectName("Image1");
    Image1->SetCursorKind(ScreenCursor::Hand);
    Image1->resize(256, 256);

    TrackBar1 = new QSlider(Qt::Horizontal, Panel6);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 256);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(16);
    TrackBar1->setValue(32);
    TrackBar1->resize(273, SliderThickness);

    TrackBar2 = new QSlider(Qt::Vertical, Panel6);
    TrackBar2->setObjectName("TrackBar2");
    TrackBar2->setRange(0, 256);
    TrackBar2->setSingleStep(1);
    TrackBar2->setPageStep(16);
    TrackBar2->setInvertedAppearance(true);  // 0 at the top, like the canvas
    TrackBar2->setInvertedControls(true);
    TrackBar2->setValue(32);
    TrackBar2->resize(SliderThickness, 273);

    Lim1width = new QLabel("Width", Panel6);
    Lim1width->setObjectName("Lim1width");
    Lim1height = new QLabel("Height", Panel6);
    Lim1height->setObjectName("Lim1height");

    Label7 = new QLabel("Icon Size", Panel1);
    Label7->setObjectName("Label7");
    Label7->setGeometry(8, 8, 100, 16);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"});
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText("32x32");
    ComboBox1->setGeometry(8, 26, 110, 22);
    ComboBox1->lineEdit()->installEventFilter(new SizeKeyFilter(*this, ComboBox1));
    connect(ComboBox1->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { ConfirmTypedSize(*this); });
    cbWeqH = new QCheckBox("Width=Height", Panel1);
    cbWeqH->setObjectName("cbWeqH");
    cbWeqH->setChecked(true);
    cbWeqH->move(8, 58);
    cbWeqH->adjustSize();

    cbStretch = new QCheckBox("Stretch", Panel1);
    cbStretch->setObjectName("cbStretch");
    cbStretch->setChecked(true);
    cbStretch->move(150, 8);
    cbStretch->adjustSize();
    cbSmooth = new QCheckBox("Smoothness", Panel1);
    cbSmooth->setObjectName("cbSmooth");
    cbSmooth->setChecked(true);
    cbSmooth->move(150, 32);
    cbSmooth->adjustSize();
    Shape2 = new ShapeView(Panel1);
    Shape2->setObjectName("Shape2");
    Shape2->setGeometry(150, 62, 13, 13);
    Shape2->MakeSwatch();
    auto* label2 = new ClickLabel("Canvas background color", Panel1);
    Label2 = label2;
    Label2->setObjectName("Label2");
    Label2->setGeometry(168, 60, 180, 17);
    cbRemoveTrans = new QCheckBox("Automatic icon identification", Panel1);
    cbRemoveTrans->setObjectName("cbRemoveTrans");
    cbRemoveTrans->setChecked(true);
    cbRemoveTrans->move(150, 86);
    cbRemoveTrans->adjustSize();
    cbRemoveTrans->hide();

    BitBtn1 = new QPushButton("Next >>", Panel1);
    BitBtn1->setObjectName("BitBtn1");

    connect(TrackBar1, &QSlider::valueChanged, this, &TIconEditor::TrackBar1Change);
    connect(TrackBar2, &QSlider::valueChanged, this, &TIconEditor::TrackBar2Change);
    connect(cbWeqH, &QCheckBox::clicked, this, &TIconEditor::cbWeqHClick);
    connect(ComboBox1, &QComboBox::activated, this, &TIconEditor::ComboBox1Change);
    connect(cbStretch, &QCheckBox::clicked, this, &TIconEditor::cbStretchClick);
    connect(cbSmooth, &QCheckBox::clicked, this, &TIconEditor::cbSmoothClick);
    connect(cbRemoveTrans, &QCheckBox::clicked, this, &TIconEditor::cbRemoveTransClick);
    connect(Image1, &ImageView::MouseDown, this, &TIconEditor::Image1MouseDown);
    connect(Image1, &ImageView::MouseUp, this, &TIconEditor::Image1MouseUp);
    connect(Image1, &ImageView::DoubleClicked, this, &TIconEditor::Image1DblClick);
    connect(label2, &ClickLabel::MouseUp, this, [this] { Label2MouseUp(); });
    connect(Shape2, &ShapeView::MouseUp, this, [this] { Label2MouseUp(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TIconEditor::BitBtn1Click);
}

void TIconEditor::TabSheet1Show() {
    setWindowTitle("Adjust Icon Size");
    SetStatus("Adjust Icon Size");
    // The 256-pixel slider tracks line up with the largest canvas.
    const QWidget* p = Panel6;
    const int left = (p->width() - 256) / 2 + TrackBar2->width() + 5;
    const int top = (p->height() - 256) / 2 + TrackBar1->height() + 5;
    Image1->move(left, top);
    TrackBar1->setGeometry(left - 7, top - TrackBar1->height() - 5, 273, TrackBar1->height());
    TrackBar2->setGeometry(left - TrackBar2->width() - 5, top - 7, TrackBar2->width(), 273);
    Lim1height->move(TrackBar2->x() - 10, TrackBar2->y() + TrackBar2->height() + 5);
    Lim1width->move(TrackBar1->x() + TrackBar1->width() + 5, TrackBar1->y());
}

SizeSettings TIconEditor::CurrentSizeSettings() const {
    SizeSettings s;
    s.Width = TrackBar1->value();
    s.Height = TrackBar2->value();
    s.Stretch = cbStretch->isChecked();
    s.Smooth = cbSmooth->isChecked();
    s.OffsetX = SourceOffset.x();
    s.OffsetY = SourceOffset.y();
    return s;
}

void TIconEditor::UpdateSizePreview() {
    const SizeSettings s = CurrentSizeSettings();
    ComboBox1->setEditText(QString("%1x%2").arg(s.Width).arg(s.Height));
    Lim1width->setText(QString("Width: %1").arg(s.Width));
    Lim1width->adjustSize();
    Lim1height->setText(QString("Height: %1").arg(s.Height));
    Lim1height->adjustSize();
    Image1->resize(s.Width, s.Height);
    const Color background = CanvasBackground();
    Shape2->SetBrushColor(background);
    ComposeSourcePreview(background);
    Image1->SetPicture(RenderSizePreview(SrcPreview, s, background));
    // The pages after this one need an icon of at least one pixel.
    BitBtn1->setEnabled(s.Width > 0 && s.Height > 0);
}

void TIconEditor::TrackBar1Change() {
    if (cbWeqH->isChecked()) {
        const QSignalBlocker block(TrackBar2);
        TrackBar2->setValue(TrackBar1->value());
    }
    UpdateSizePreview();
}

void TIconEditor::TrackBar2Change() {
    if (cbWeqH->isChecked()) {
        const QSignalBlocker block(TrackBar1);
        TrackBar1->setValue(TrackBar2->value());
    }
    UpdateSizePreview();
}

void TIconEditor::cbWeqHClick() {
    TrackBar1Change();
}

void TIconEditor::ComboBox1Change(int index) {
    static constexpr int sizes[] = {16, 32, 48, 64, 128, 256};
    if (index < 0 || index > 5)
        return;  // typed text does nothing
    TrackBar2->setValue(sizes[index]);
    TrackBar1->setValue(sizes[index]);
    UpdateSizePreview();
}

void TIconEditor::cbStretchClick() {
    UpdateSizePreview();
    cbSmooth->setEnabled(cbStretch->isChecked());
}

void TIconEditor::cbSmoothClick() {
    UpdateSizePreview();
}

void TIconEditor::cbRemoveTransClick() {
    if (cbRemoveTrans->isHidden())
        return;
    // Start again from the file: unchecked, the alpha is ignored and the transparency page used.
    EditExisting = 0;
    InitImagesClick();
}

void TIconEditor::Image1MouseDown(Qt::MouseButton, int x, int y) {
    Image1DownAt = QPoint(x, y);
    Image1Dragging = true;
}

void TIconEditor::Image1MouseUp(Qt::MouseButton, int x, int y) {
    if (Image1Dragging && !cbStretch->isChecked()) {
        SizeSettings s = CurrentSizeSettings();
        s.Width = Image1->width();
        s.Height = Image1->height();
        MoveSourceOffset(s, x - Image1DownAt.x(), y - Image1DownAt.y(), SrcColor.Width(),
                         SrcColor.Height());
        SourceOffset = QPoint(s.OffsetX, s.OffsetY);
    }
    UpdateSizePreview();
    Image1Dragging = false;
}

void TIconEditor::Image1DblClick() {
    if (auto c = ChooseColor(CanvasBackground(), this))
        Image1->BrushColor = *c;
    UpdateSizePreview();
}

void TIconEditor::Label2MouseUp() {
    const Color preset = SrcColor.Empty() ? CanvasBackground() : SrcColor.GetPixel(0, 0);
    if (auto c = ChooseColor(preset, this))
        Image1->BrushColor = *c;
    UpdateSizePreview();
}

void TIconEditor::BitBtn1Click() {
    SizeSettings s = CurrentSizeSettings();
    s.Width = Image1->Picture.Width();
    s.Height = Image1->Picture.Height();
    if (s.Width <= 0 || s.Height <= 0)
        return;
    ResampleSourceToIcon(SrcColor, SrcMask, SrcPreview, s, IconColor, IconMask);
    if (EditExisting == 1) {
        BitBtn7Tag = 1;
        ShowPage(TabSheet4);
    } else {
        EnterTransparencyPage();
    }
}

}  // namespace gf
