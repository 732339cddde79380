// The colour bits page: depth, palette and partial transparency, previewed; "Finish" applies
// them to the working pair.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <utility>

#include "editor/icon_editor.h"
#include "editor/pixels/colour_bits.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/palettes.h"
#include "platform/qt/seam.h"

namespace gf {
namespace {

ColourBitsSettings SettingsOf(const QComboBox* depth, const QSlider* alpha, const QComboBox* kind,
                              Color background) {
    ColourBitsSettings s;
    s.Item = depth->currentIndex() < 0 ? 5 : depth->currentIndex();
    s.Threshold = alpha->value();
    s.Palette = static_cast<PaletteKind>(std::max(0, kind->currentIndex()));
    s.Background = background;
    return s;
}

}  // namespace

void TIconEditor::BuildColourBitsPage() {
    Panel11 = new QWidget(TabSheet3);
    Panel11->setObjectName("Panel11");
    Panel3 = new QWidget(TabSheet3);
    Panel3->setObjectName("Panel3");

    imP = new ImageView(Panel11);
    imP->setObjectName("imP");
    imP->resize(PaletteGridWidth, PaletteGridHeight);
    Bitmap grid(PaletteGridWidth, PaletteGridHeight, PixelFormat::Bits24);
    grid.Fill(White);
    imP->SetPicture(std::move(grid));
    imP->hide();
    Image6 = new ImageView(Panel11);
    Image6->setObjectName("Image6");
    Image6->resize(256, 256);
    Label15 = new QLabel("Palette", Panel11);
    Label15->setObjectName("Label15");
    Label15->adjustSize();
    Label15->hide();
    palSelect = new QComboBox(Panel11);
    palSelect->setObjectName("palSelect");
    palSelect->addItems({"Optimized", "Custome", "Default", "WebSafe216", "Gray", "Windows16"});
    palSelect->setCurrentIndex(-1);
    palSelect->resize(128, 22);
    palSelect->hide();

    Label1 = new QLabel("Color bits", Panel3);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 8, 170, 16);
    ComboBox2 = new QComboBox(Panel3);
    ComboBox2->setObjectName("ComboBox2");
    ComboBox2->addItems({"1 bit  ( 2    colors)", "4 bits ( 16   colors)", "8 bits ( 256  colors)",
                         "16bits ( True colors)", "24bits ( True colors)",
                         "32bits ( True colors)"});
    ComboBox2->setGeometry(8, 26, 180, 22);
    cbRemovealpha = new QCheckBox("Remove partial transparency ", Panel3);
    cbRemovealpha->setObjectName("cbRemovealpha");
    cbRemovealpha->setChecked(true);
    cbRemovealpha->move(8, 58);
    cbRemovealpha->adjustSize();
    TBAlpha = new QSlider(Qt::Horizontal, Panel3);
    TBAlpha->setObjectName("TBAlpha");
    TBAlpha->setRange(-1, 255);
    TBAlpha->setValue(255);
    TBAlpha->setToolTip("Opacity");
    TBAlpha->setGeometry(8, 80, 180, 24);
    cbPalette = new QCheckBox("Adjust Palette", Panel3);
    cbPalette->setObjectName("cbPalette");
    cbPalette->move(240, 8);
    cbPalette->adjustSize();

    BitBtn5 = new QPushButton("<< Prev", Panel3);
    BitBtn5->setObjectName("BitBtn5");
    BitBtn3 = new QPushButton("Finish", Panel3);
    BitBtn3->setObjectName("BitBtn3");

    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Change(); });
    connect(cbRemovealpha, &QCheckBox::clicked, this, &TIconEditor::cbRemovealphaClick);
    connect(TBAlpha, &QSlider::valueChanged, this, &TIconEditor::TBAlphaChange);
    connect(cbPalette, &QCheckBox::clicked, this, &TIconEditor::cbPaletteClick);
    connect(palSelect, &QComboBox::activated, this, [this] { palSelectChange(); });
    connect(imP, &ImageView::MouseUp, this, &TIconEditor::imPMouseUp);
    connect(BitBtn5, &QPushButton::clicked, this, &TIconEditor::BitBtn5Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TIconEditor::BitBtn3Click);
}

void TIconEditor::TabSheet3Show() {
    setWindowTitle("Set Icon Color Bits");
    SetStatus("Set icon color bits.");
    const QWidget* p = Panel11;
    Image6->setGeometry((p->width() - 256) / 2, (p->height() - 256) / 2, 256, 256);
    imP->move(Image6->x() - imP->width() - 10, Image6->y());
    palSelect->move(imP->x(), imP->y() - palSelect->height() - 4);
    Label15->move(imP->x(), palSelect->y() - Label15->height() - 4);
}

void TIconEditor::ComboBox2Change() {
    const int item = ComboBox2->currentIndex();
    const bool partialShown = IconColor.Format() == PixelFormat::Bits32 && item != 5;
    cbRemovealpha->setVisible(partialShown);
    TBAlpha->setVisible(partialShown);
    if (item >= 3) {
        cbPalette->hide();
        imP->hide();
    } else {
        cbPalette->show();
        imP->setVisible(cbPalette->isChecked());
    }

    Bitmap color, mask;
    const Status s = PreviewColourBits(
        IconColor, IconMask, SettingsOf(ComboBox2, TBAlpha, palSelect, CanvasBackground()),
        &imP->Picture, color, mask);
    imP->Refresh();
    if (!s)
        SetStatus(QString::fromStdString(s.ErrorMessage()));
    Bitmap preview(Image6->width(), Image6->height(), PixelFormat::Bits24);
    DrawIconPreview(preview, TransImage->Picture, color, mask);
    Image6->SetPicture(std::move(preview));
}

void TIconEditor::cbRemovealphaClick() {
    const bool on = cbRemovealpha->isChecked();
    TBAlpha->setEnabled(on);
    TBAlpha->setValue(on ? 255 : -1);
}

void TIconEditor::TBAlphaChange() {
    ComboBox2Change();
}

void TIconEditor::cbPaletteClick() {
    imP->setVisible(!cbPalette->isHidden() && cbPalette->isChecked());
    palSelect->setVisible(!imP->isHidden());
    Label15->setVisible(!imP->isHidden());
    palSelect->setCurrentIndex(0);
    ComboBox2Change();
}

void TIconEditor::palSelectChange() {
    ComboBox2Change();
}

void TIconEditor::imPMouseUp(Qt::MouseButton, int x, int y) {
    const int i = PaletteSwatchAt(x, y);
    const int item = ComboBox2->currentIndex();
    if (item < 0 || item > 2 || i < 0)
        return;
    const int n = 1 << BitsOfColourItem(item);
    if (i >= n)
        return;
    if (auto c = ChooseColor(ReadPaletteSwatch(imP->Picture, i), this)) {
        DrawPaletteSwatch(imP->Picture, i, *c);
        imP->Refresh();
        palSelect->setCurrentIndex(static_cast<int>(PaletteKind::Custom));
        ComboBox2Change();
    }
}

void TIconEditor::BitBtn5Click() {
    ShowPage(TabSheet4);
}

void TIconEditor::BitBtn3Click() {
    const Status s = FinishColourBits(IconColor, IconMask,
                                      SettingsOf(ComboBox2, TBAlpha, palSelect, CanvasBackground()),
                                      &imP->Picture);
    imP->Refresh();
    if (!s) {
        // The pair is unchanged; the user may try another palette or depth.
        ShowMessage(QString::fromStdString(s.ErrorMessage()), this);
        return;
    }
    done(1);
}

}  // namespace gf
