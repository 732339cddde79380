// The edit page: the zoomed canvas, its zoom and the navigation to the neighbouring pages.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

#include "editor/icon_editor.h"
#include "editor/pixels/colour_bits.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/tiles.h"

namespace gf {

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
    GroupBox2 = new QGroupBox("Brush color", Panel4);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(2, 2, 131, 124);
    TransImage = new ImageView(GroupBox2);
    TransImage->setObjectName("TransImage");
    TransImage->Stretch = true;
    TransImage->setGeometry(8, 96, 16, 16);
    TransImage->SetPicture(MakeTile(TileKind::GreyFine));

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

    BitBtn7 = new QPushButton("<< Prev", Panel4);
    BitBtn7->setObjectName("BitBtn7");
    BitBtn6 = new QPushButton("Next >>", Panel4);
    BitBtn6->setObjectName("BitBtn6");

    connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(); });
    connect(BitBtn7, &QPushButton::clicked, this, &TIconEditor::BitBtn7Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TIconEditor::BitBtn6Click);
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
    Image7->update();
}

void TIconEditor::BitBtn7Click() {
    if (BitBtn7Tag == 1)
        ShowPage(TabSheet1);
    if (BitBtn7Tag == 2)
        ShowPage(TabSheet2);
}

void TIconEditor::BitBtn6Click() {
    const PixelFormatCode code = Converter ? Converter->WorkPixelFormat() : 0;
    ComboBox2->setCurrentIndex(ColourItemFromFormatCode(code));
    ShowPage(TabSheet3);
    ComboBox2Change();
}

}  // namespace gf
