#include "editor/icon_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>
#include <vector>

#include "editor/pixels/editor_road.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/tiles.h"
#include "platform/bmp_codec.h"
#include "platform/file_io.h"

namespace gf {

TIconEditor* IconEditor = nullptr;

namespace {

constexpr int ClientWidth = 541;
constexpr int ClientHeight = 528;
constexpr int StatusHeight = 21;       // Panel9
constexpr int SwatchPanelWidth = 185;  // Panel10
constexpr int BottomHeight = 130;      // each page's bottom panel
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

ImageView* MakeSwatch(QWidget* parent, const char* name, TileKind kind) {
    auto* v = new ImageView(parent);
    v->setObjectName(name);
    v->Stretch = true;
    v->SetPicture(MakeTile(kind));
    v->resize(16, 16);
    return v;
}

void SetTabOrders(TIconEditor& e) {
    // The edit page's swatches that are clicked take Space as well.
    e.Shape44->ClickFromKeyboard();
    e.TransImage->ClickFromKeyboard();
    // Each page from its settings to its buttons (the edit page from its canvas, then its
    // groups left to right), then the background swatches every page shares; the pages that
    // are not shown are passed by.
    const std::vector<QWidget*> order = {
        // size page
        e.ComboBox1, e.cbWeqH, e.TrackBar1, e.TrackBar2, e.cbStretch, e.cbSmooth, e.Shape2,
        e.cbRemoveTrans, e.BitBtn1,
        // transparency page
        e.CheckBox1, e.TrackBar5, e.SBTransRemove, e.SBTransAdd, e.TBTransSize, e.CBTransShape,
        e.BitBtn4, e.BitBtn2,
        // edit page, with the alpha adjustment where it lies over the brush and the tools
        e.ScrollBox1, e.Shape5, e.Shape6, e.CBColor, e.TrackBar4, e.SBAlphaSet, e.SBAlphaClear,
        e.CBAlphaShape, e.TBAlphaPenSize, e.BitBtn9, e.BitBtn10, e.Shape44, e.tbColorAlpha,
        e.cbOpacity, e.CBSolidC, e.CBTransC, e.TransImage, e.SBFill1, e.SBPen, e.TBAllowance,
        e.TBPenSize, e.ComboBox3, e.SpeedButton6, e.SpeedButton7, e.BitBtn8, e.BitBtn7, e.BitBtn6,
        // colour bits page
        e.ComboBox2, e.cbRemovealpha, e.TBAlpha, e.cbPalette, e.palSelect, e.BitBtn5, e.BitBtn3,
        // every page
        e.Image5, e.Image9, e.ImageTrans1, e.Image10, e.Image12, e.Image11};
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

}  // namespace

TIconEditor::TIconEditor(QWidget* owner, const WorkPixelFormatSource* converter)
    : QDialog(owner), Converter(converter) {
    IconEditor = this;
    BuildWindow();

    // The working bitmaps live as long as the window; formats are fixed where they matter.
    IconColor = Bitmap(0, 0, PixelFormat::Bits24);
    IconMask = MakeMask(0, 0);
    BackupColor = Bitmap(0, 0, PixelFormat::Bits32);
    BackupMask = MakeMask(0, 0);
    EditRegion = MakeMask(0, 0);
    TransRegion = MakeMask(0, 0);
}

TIconEditor::~TIconEditor() {
    // The snapshots are of no use once the editor is gone.
    History.RemoveSnapshots();
    if (IconEditor == this)
        IconEditor = nullptr;
}

void TIconEditor::BuildWindow() {
    setObjectName("IconEditor");
    setWindowTitle("Adjust Icon Size");
    QFont font("Arial");
    font.setPointSize(8);
    font.setBold(true);
    setFont(font);
    // The pages are laid out for this size; larger windows give the pictures the room. The
    // frame resizes the window; a size grip would lie over the last background swatch.
    setSizeGripEnabled(false);
    setMinimumSize(ClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);

    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName("PageControl1");
    auto makePage = [&](QWidget*& page, const char* name) {
        page = new QWidget;
        page->setObjectName(name);
        PageControl1->addWidget(page);
    };
    makePage(TabSheet1, "TabSheet1");
    makePage(TabSheet2, "TabSheet2");
    makePage(TabSheet4, "TabSheet4");
    makePage(TabSheet3, "TabSheet3");

    Panel9 = new QWidget(this);
    Panel9->setObjectName("Panel9");
    StatusBar1 = new QLabel(Panel9);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFrameShape(QFrame::StyledPanel);
    // A long hint takes a second line rather than losing its end under the swatches.
    StatusBar1->setWordWrap(true);
    Panel10 = new QWidget(Panel9);
    Panel10->setObjectName("Panel10");
    Label16 = new QLabel("Background", Panel10);
    Label16->setObjectName("Label16");
    Image5 = MakeSwatch(Panel10, "Image5", TileKind::BlueTexture);
    Image9 = MakeSwatch(Panel10, "Image9", TileKind::BeigeTexture);
    ImageTrans1 = MakeSwatch(Panel10, "ImageTrans1", TileKind::WarmChecker);
    Image10 = MakeSwatch(Panel10, "Image10", TileKind::PinkCyanFine);
    Image12 = MakeSwatch(Panel10, "Image12", TileKind::GreyFine);
    Image11 = MakeSwatch(Panel10, "Image11", TileKind::GreyChecker);
    for (ImageView* s : {Image5, Image9, ImageTrans1, Image10, Image12, Image11}) {
        s->setCursor(Qt::PointingHandCursor);
        s->ClickFromKeyboard();
        connect(s, &ImageView::Clicked, this, [this, s] { ImageTrans1Click(s); });
    }

    // Takes the keyboard for the pages' cursor control; never visible.
    IVfocus = new QLineEdit("IV", this);
    IVfocus->setObjectName("IVfocus");
    IVfocus->setGeometry(-300, 0, 40, 20);
    // Given the keyboard by the tools only, never by the Tab key.
    IVfocus->setFocusPolicy(Qt::NoFocus);

    ResizeTimer = new QTimer(this);
    ResizeTimer->setObjectName("ResizeTimer");
    ResizeTimer->setInterval(700);
    connect(ResizeTimer, &QTimer::timeout, this, &TIconEditor::ResizeTimerTimer);

    InitImages = new QPushButton("Begin", this);
    InitImages->setObjectName("InitImages");
    InitImages->hide();
    connect(InitImages, &QPushButton::clicked, this, &TIconEditor::InitImagesClick);

    BuildSizePage();
    BuildTransparencyPage();
    BuildEditPage();
    BuildColourBitsPage();

    PageControl1->setCurrentWidget(TabSheet1);
    SetTabOrders(*this);
    LayoutWindow();
}

void TIconEditor::PlaceBottomButtons(QWidget* panel, QPushButton* prev, QPushButton* next) {
    const int y = panel->height() - ButtonHeight - 6;
    const int xNext = panel->width() - ButtonWidth - 6;
    next->setGeometry(xNext, y, ButtonWidth, ButtonHeight);
    if (prev)
        prev->setGeometry(xNext - ButtonWidth - 6, y, ButtonWidth, ButtonHeight);
}

void TIconEditor::LayoutWindow() {
    const int w = width(), h = height();
    // The strip grows by the lines a long hint needs; the swatches stay in the corner.
    const int statusWidth = std::max(0, w - SwatchPanelWidth);
    const int statusHeight = std::max(StatusHeight, StatusBar1->heightForWidth(statusWidth));
    Panel9->setGeometry(0, h - statusHeight, w, statusHeight);
    StatusBar1->setGeometry(0, 0, statusWidth, statusHeight);
    Panel10->setGeometry(w - SwatchPanelWidth, statusHeight - StatusHeight, SwatchPanelWidth,
                         StatusHeight);
    Label16->setGeometry(2, 2, 76, 17);
    int x = 80;
    for (ImageView* s : {Image5, Image9, ImageTrans1, Image10, Image12, Image11}) {
        s->setGeometry(x, 2, 16, 16);
        x += 17;
    }

    const int pageHeight = h - statusHeight;
    PageControl1->setGeometry(0, 0, w, pageHeight);
    const int clientHeight = std::max(0, pageHeight - BottomHeight);
    for (QWidget* page : {TabSheet1, TabSheet2, TabSheet3, TabSheet4})
        page->setGeometry(0, 0, w, pageHeight);
    for (QWidget* client : {Panel6, Panel7, Panel11})
        client->setGeometry(0, 0, w, clientHeight);
    ScrollBox1->setGeometry(0, 0, w, clientHeight);
    for (QWidget* bottom : {Panel1, Panel2, Panel3, Panel4})
        bottom->setGeometry(0, clientHeight, w, BottomHeight);
    PlaceBottomButtons(Panel1, nullptr, BitBtn1);
    PlaceBottomButtons(Panel2, BitBtn4, BitBtn2);
    PlaceBottomButtons(Panel4, BitBtn7, BitBtn6);
    PlaceBottomButtons(Panel3, BitBtn5, BitBtn3);

    // Transparency page: the reference frame and the preview side by side, centred.
    const int pairWidth = 265 + 12 + 256;
    const int left = std::max(0, (w - pairWidth) / 2);
    Shape3->setGeometry(left, std::max(0, (clientHeight - 265) / 2), 265, 265);
    Image3->setGeometry(left + 265 + 12, std::max(0, (clientHeight - 256) / 2), 256, 256);
    if (!Image2->Picture.Empty()) {
        Image2->setGeometry(Shape3->x() + (Shape3->width() - Image2->Picture.Width()) / 2,
                            Shape3->y() + (Shape3->height() - Image2->Picture.Height()) / 2,
                            Image2->Picture.Width(), Image2->Picture.Height());
    }
}

void TIconEditor::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutWindow();
    FormResize();
}

void TIconEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    ShowPage(PageControl1->currentWidget());
}

void TIconEditor::SetStatus(const QString& text) {
    const int before = Panel9->height();
    StatusBar1->setText(text);
    if (std::max(StatusHeight, StatusBar1->heightForWidth(StatusBar1->width())) != before)
        LayoutWindow();
}

void TIconEditor::ShowPage(QWidget* page) {
    KeyPointerMark->hide();
    PageControl1->setCurrentWidget(page);
    // Enter goes on from every page: "Next >>", and "Finish" on the last.
    if (QPushButton* forward = page == TabSheet1   ? BitBtn1
                               : page == TabSheet2 ? BitBtn2
                               : page == TabSheet4 ? BitBtn6
                                                   : BitBtn3)
        forward->setDefault(true);
    PageControl1Change();
    if (page == TabSheet1)
        TabSheet1Show();
    if (page == TabSheet2)
        TabSheet2Show();
    if (page == TabSheet3)
        TabSheet3Show();
    if (page == TabSheet4)
        TabSheet4Show();
}

void TIconEditor::PageControl1Change() {
    SetStatus(QString());
}

void TIconEditor::FormResize() {
    if (!PageControl1)
        return;
    if (PageControl1->currentWidget() == TabSheet4) {
        // One redraw after a series of resize events.
        if (!ResizeTimer->isActive())
            ResizeTimer->start();
    } else if (PageControl1->currentWidget() == TabSheet3) {
        TabSheet3Show();
    }
}

void TIconEditor::ResizeTimerTimer() {
    ResizeTimer->stop();
    if (PageControl1->currentWidget() == TabSheet4)
        ComboBox3Change();
}

Color TIconEditor::CanvasBackground() const {
    return Image1->BrushColor;
}

void TIconEditor::ComposeSourcePreview(Color background) {
    SrcPreview = gf::ComposeSourcePreview(SrcColor, SrcMask, background);
}

void TIconEditor::InitImagesClick() {
    // The snapshots are named after the source picture; stale ones of an earlier editor go.
    History.Begin(SourcePath);
    if (EditExisting == 0) {
        auto bytes = ReadFileBytes(SourcePath);
        if (!bytes)
            throw std::runtime_error(bytes.ErrorMessage());
        auto loaded = DecodeBmp(*bytes);
        if (!loaded)
            throw std::runtime_error(PathText(SourcePath) + ": " + loaded.ErrorMessage());
        // A picture whose alpha is its transparency says so in the file, so that a fully
        // transparent one stays transparent.
        SourceStart start = PrepareSource(loaded.Value(), cbRemoveTrans->isChecked(),
                                          BmpAlphaOf(*bytes) == BmpAlpha::Declared);
        SrcColor = std::move(start.Color);
        SrcMask = std::move(start.Mask);
        if (SrcColor.Format() == PixelFormat::Bits32)
            IconColor = Bitmap(0, 0, PixelFormat::Bits32);
        if (start.AlphaGivesTransparency) {
            // The picture's alpha gives the transparency: the transparency page is skipped.
            EditExisting = 1;
            cbRemoveTrans->setVisible(true);
        }
    } else {
        // An existing icon handed in by the caller.
        SrcColor = AsTrueColour(SrcColor);
        if (SrcMask.Width() != SrcColor.Width() || SrcMask.Height() != SrcColor.Height())
            SrcMask = MakeMask(SrcColor.Width(), SrcColor.Height());
        EnsureMask8(SrcMask);
    }
    ComposeSourcePreview(CanvasBackground());
    if (SrcColor.Width() != SrcColor.Height())
        cbWeqH->setChecked(false);
    TrackBar1->setValue(SrcColor.Width());
    TrackBar2->setValue(SrcColor.Height());
    SourceOffset = QPoint(0, 0);
    UpdateSizePreview();
}

void TIconEditor::ImageTrans1Click(ImageView* swatch) {
    TransImage->SetPicture(swatch->Picture);
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet4)
        RedrawZoomView(ZoomFactor);
    else if (page == TabSheet3)
        ComboBox2Change();
    else if (page == TabSheet2)
        ApplyTransparency();
}

}  // namespace gf
