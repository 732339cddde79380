// The edit page's alpha adjustment: the panel as it opens, the pipettes and the list of shadows,
// the region brush, OK, Cancel and the page's buttons, undo around it, and a drop shadow over
// white that comes out of "Finish" as an alpha ramp.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "editor/icon_editor.h"
#include "editor/pixels/mask.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;
namespace fs = std::filesystem;

namespace {

struct FixedFormat : WorkPixelFormatSource {
    PixelFormatCode WorkPixelFormat() const override { return 7; }
};

constexpr Color ShadowGrey = 0x404040;

// Grey 64 at alpha a drawn over white, as a drawing program leaves a soft shadow.
std::uint8_t OverWhite(int a) {
    return static_cast<std::uint8_t>((64 * a + 255 * (255 - a)) / 255);
}

// A 40 x 40 icon: white, a blue square from (6, 6) to (21, 21) and its drop shadow offset by
// (4, 4) that fades from alpha 255 next to the square to 0 over 8 pixels, a transparent
// corner. ShadowAlphaAt gives the alpha each shadow pixel was drawn with.
int ShadowAlphaAt(int x, int y) {
    if (x >= 6 && x < 22 && y >= 6 && y < 22)
        return -1;  // the square
    const int dx = std::max({0, 10 - x, x - 25}), dy = std::max({0, 10 - y, y - 25});
    const int d = std::max(dx, dy);
    return d >= 8 ? 0 : 255 - d * 255 / 8;
}

void DrawShadowIcon(Bitmap& color, Bitmap& mask) {
    color = Bitmap(40, 40, PixelFormat::Bits32);
    mask = MakeMask(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int a = ShadowAlphaAt(x, y);
            const std::uint8_t g = OverWhite(std::max(a, 0));
            color.SetPixel(x, y, a < 0 ? Rgb(0, 0, 255) : Rgb(g, g, g));
            color.SetAlpha(x, y, 255);
        }
    for (int y = 36; y < 40; ++y)
        for (int x = 36; x < 40; ++x) {
            mask.Row(y)[x] = MaskTransparent;
            color.SetPixel(x, y, Black);
            color.SetAlpha(x, y, 0);
        }
}

}  // namespace

class TestAlphaPanel : public QObject {
    Q_OBJECT

  private:
    FixedFormat Format;
    std::unique_ptr<QTemporaryDir> Dir;

    // A shown editor on its edit page with the shadow icon (or a 24-bit copy of it).
    std::unique_ptr<TIconEditor> EditPage(PixelFormat format = PixelFormat::Bits32) {
        Dir = std::make_unique<QTemporaryDir>();
        auto e = std::make_unique<TIconEditor>(nullptr, &Format);
        e->SourcePath = fs::path(Dir->path().toStdString()) / "icxor.bmp";
        DrawShadowIcon(e->IconColor, e->IconMask);
        if (format != PixelFormat::Bits32)
            e->IconColor.SetFormat(format);
        e->SrcColor = e->IconColor;
        e->SrcMask = e->IconMask;
        e->EditExisting = 1;
        e->ShowPage(e->TabSheet1);
        e->InitImagesClick();
        e->show();
        if (!QTest::qWaitForWindowExposed(e.get()))
            qFatal("the editor is not shown");
        e->BitBtn1->click();
        return e;
    }

    // The canvas position of the centre of icon pixel (x, y).
    static QPoint At(const TIconEditor& e, int x, int y) {
        const int z = static_cast<int>(e.ZoomFactor);
        return {x * z + z / 2, y * z + z / 2};
    }

    // A pipette dragged to a screen pixel of `colour` and let go there.
    static void Pick(TIconEditor& e, ScriptedSeam& seam, ImageView* picker, Color colour) {
        const QPoint local(-20, 50);
        const QPoint spot = picker->mapToGlobal(local);
        seam.Screen = Bitmap(spot.x() + 1, spot.y() + 1, PixelFormat::Bits24);
        seam.Screen.SetPixel(spot.x(), spot.y(), colour);
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(QApplication::overrideCursor() != nullptr);
        e.Image13MouseMove(picker, Qt::LeftButton, local.x(), local.y());
        QTest::mouseRelease(picker, Qt::LeftButton, {}, local);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    static void SelectShadow(TIconEditor& e, Color shadow) {
        const int item = e.CBColor->findText(QString::number(shadow));
        QVERIFY(item >= 0);
        e.CBColor->setCurrentIndex(item);
    }

  private slots:
    void opensOnlyForThirtyTwoBitsAsTheFormSaysIt();
    void aDropShadowComesOutOfFinishAsAnAlphaRamp();
    void pipettesFillTheListOfShadows();
    void regionBrushProtectsAndCancelRestoresEveryByte();
    void pageButtonsApplyOkAndCancelAndUndoTakesItAllBack();
    void colourItemsAreDrawnAsTheirColours();
    void screenshot();
};

void TestAlphaPanel::opensOnlyForThirtyTwoBitsAsTheFormSaysIt() {
    ScriptedSeam seam;
    {
        auto e = EditPage(PixelFormat::Bits24);
        e->BitBtn8->click();
        QCOMPARE(seam.Messages, QStringList{"Only 32 bit icon supports this feature!"});
        QVERIFY(!e->AlphaPanelOpen());
        QVERIFY(!e->MyUndo->isEnabled());
    }
    seam.ClearRecord();
    auto e = EditPage();
    QVERIFY(e->gbAlpha->isHidden());
    QCOMPARE(e->BitBtn8->text(), QString("Alpha adjustment"));
    e->BitBtn8->click();
    QVERIFY(seam.Messages.isEmpty());
    QVERIFY(e->gbAlpha->isVisible());
    QCOMPARE(e->gbAlpha->geometry(), QRect(1, 1, 242, 128));
    QCOMPARE(e->gbAlpha->parentWidget(), e->Panel4);
    for (QWidget* w : {static_cast<QWidget*>(e->BitBtn8), static_cast<QWidget*>(e->SpeedButton6),
                       static_cast<QWidget*>(e->SpeedButton7), static_cast<QWidget*>(e->GroupBox2),
                       static_cast<QWidget*>(e->GroupBox3)})
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    QVERIFY(e->MyUndo->isEnabled());  // the one snapshot of the opening
    QCOMPARE(e->History.SnapshotIndex, 1);

    // Captions and hints as the form has them.
    const std::pair<QWidget*, const char*> captions[] = {{e->Label10, "Background"},
                                                         {e->Label12, "Shadow"},
                                                         {e->Label14, "Alpha=5"},
                                                         {e->SBAlphaSet, "Erase"},
                                                         {e->SBAlphaClear, "Blend"},
                                                         {e->Label13, "Brush size"},
                                                         {e->BitBtn9, "OK"},
                                                         {e->BitBtn10, "Cancel"},
                                                         {e->GroupBox5, "Alpha influence region"},
                                                         {e->gbAlpha, "Alpha adjustment"}};
    for (const auto& [w, text] : captions) {
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(w))
            shown = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        QCOMPARE(shown, QString(text));
    }
    const std::pair<QWidget*, const char*> hints[] = {
        {e->Image13, "Select the orignal background color."},
        {e->Image14, "Select the color whose alpha will be adjusted."},
        {e->CBColor, "Select the color to adjust its opacity."},
        {e->SBAlphaSet, "This will add alpha influence region."},
        {e->SBAlphaClear, "This will remove alpha influence region."},
        {e->CBAlphaShape, "Alpha Block Shape"},
        {e->BitBtn9, "Save the change"},
        {e->BitBtn10, "Cancel all the alpha operation."}};
    for (const auto& [w, hint] : hints)
        QCOMPARE(w->toolTip(), QString(hint));
    QCOMPARE(e->Shape5->size(), QSize(25, 25));
    QCOMPARE(e->Image13->size(), QSize(30, 30));
    QCOMPARE(e->TrackBar4->minimum(), 1);
    QCOMPARE(e->TrackBar4->maximum(), 255);
    QCOMPARE(e->TrackBar4->value(), 5);
    QCOMPARE(e->TBAlphaPenSize->maximum(), 20);
    QCOMPARE(e->TBAlphaPenSize->value(), 1);
    QCOMPARE(e->CBAlphaShape->currentText(), QString("1"));
    QVERIFY(e->SBAlpha->isChecked() && e->SBAlpha->isHidden());

    // The swatches, and the 255 greys with 0x7F7F7F selected.
    QCOMPARE(e->Shape5->BrushColor, White);
    QCOMPARE(e->Shape6->BrushColor, Color{0x888888});
    QCOMPARE(e->CBColor->count(), 255);
    QCOMPARE(e->CBColor->itemText(0), QString("0"));
    QCOMPARE(e->CBColor->itemText(1), QString("65793"));
    QCOMPARE(e->CBColor->itemText(254), QString("16711422"));
    QCOMPARE(e->CBColor->currentIndex(), 127);
    // Recomputed with it: white is transparent now, the square is not.
    QCOMPARE(e->IconColor.GetAlpha(0, 0), 0);
    QCOMPARE(e->IconColor.GetAlpha(10, 10), 255);
    QCOMPARE(e->BackupColor.GetAlpha(0, 0), 255);

    // Opening again sets everything afresh.
    e->Shape5->SetBrushColor(Black);
    e->CBColor->clear();
    e->BitBtn9->click();
    e->BitBtn8->click();
    QCOMPARE(e->Shape5->BrushColor, White);
    QCOMPARE(e->CBColor->count(), 255);
}

void TestAlphaPanel::aDropShadowComesOutOfFinishAsAnAlphaRamp() {
    ScriptedSeam seam;
    auto e = EditPage();
    e->BitBtn8->click();
    // The background from the icon's white, the shadow from a pixel drawn at alpha 128: its
    // candidate for 128 is the shadow's own grey.
    Pick(*e, seam, e->Image13, White);
    Pick(*e, seam, e->Image14, Rgb(OverWhite(128), OverWhite(128), OverWhite(128)));
    QCOMPARE(e->Shape6->BrushColor, Color{0x9F9F9F});
    SelectShadow(*e, ShadowGrey);
    e->TrackBar4->setValue(3);
    QCOMPARE(e->Label14->text(), QString("Alpha=3"));
    e->BitBtn9->click();
    QVERIFY(!e->AlphaPanelOpen());
    QVERIFY(e->GroupBox2->isVisible() && e->BitBtn8->isVisible() && e->SpeedButton6->isVisible());
    e->BitBtn6->click();
    QCOMPARE(e->ComboBox2->currentIndex(), 5);
    e->BitBtn3->click();
    QCOMPARE(e->result(), 1);

    const Bitmap& out = e->IconColor;
    QCOMPARE(out.Format(), PixelFormat::Bits32);
    int ramp = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int drawn = ShadowAlphaAt(x, y);
            const int alpha = out.GetAlpha(x, y);
            if (x >= 36 && y >= 36) {
                QCOMPARE(alpha, 0);  // transparent before, transparent still
                QCOMPARE(e->IconMask.Row(y)[x], MaskTransparent);
            } else if (drawn < 0) {
                QCOMPARE(alpha, 255);  // the blue square is on no line from white to grey
            } else {
                if (std::abs(alpha - drawn) > 2)
                    QFAIL(qPrintable(QString("(%1, %2): alpha %3, drawn at %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(alpha)
                                         .arg(drawn)));
                ramp += drawn > 0 && drawn < 255;
                // The colour bytes stay as they were drawn.
                QCOMPARE(out.GetPixel(x, y),
                         Rgb(OverWhite(drawn), OverWhite(drawn), OverWhite(drawn)));
            }
        }
    QVERIFY(ramp > 100);
}

void TestAlphaPanel::pipettesFillTheListOfShadows() {
    ScriptedSeam seam;
    auto e = EditPage();
    e->BitBtn8->click();
    // The swatch follows the pointer while the button is held.
    const QPoint spot = e->Image14->mapToGlobal(QPoint(3, 90));
    seam.Screen = Bitmap(spot.x() + 1, spot.y() + 1, PixelFormat::Bits24);
    seam.Screen.SetPixel(spot.x(), spot.y(), Rgb(1, 2, 3));
    e->Image13MouseDown(e->Image14, Qt::LeftButton, 1, 1);
    QCOMPARE(e->Image14->Tag, 1);
    e->Image13MouseMove(e->Image14, Qt::LeftButton, 3, 90);
    QCOMPARE(e->Shape6->BrushColor, Rgb(1, 2, 3));
    QCOMPARE(e->Shape5->BrushColor, White);
    e->Image13MouseUp(e->Image14, Qt::LeftButton, 3, 90);
    QCOMPARE(e->Image14->Tag, 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Without a press a move picks nothing.
    e->Image13MouseMove(e->Image14, Qt::NoButton, 3, 90);

    Pick(*e, seam, e->Image14, 0xC0C0C0);
    QCOMPARE(e->CBColor->count(), 187);
    QCOMPARE(e->CBColor->currentIndex(), 0);
    QCOMPARE(e->CBColor->itemText(0), QString("0"));
    QCOMPARE(e->CBColor->itemText(186), QString::number(0xBFBFBF));
    // Recomputed with black: white gets 0.
    QCOMPARE(e->IconColor.GetAlpha(0, 0), 0);

    // White over black fits no shadow: the list is empty and the icon as it was.
    Pick(*e, seam, e->Image13, Black);
    QCOMPARE(e->CBColor->count(), 58);  // i = 192 .. 249
    const Bitmap last = e->IconColor;
    Pick(*e, seam, e->Image14, White);
    QCOMPARE(e->CBColor->count(), 0);
    QCOMPARE(e->IconColor, last);
    // The next recomputation takes shadow 0 over black: every channel equal, the copy as it was.
    e->TrackBar4->setValue(9);
    QCOMPARE(e->IconColor, e->BackupColor);

    // A swatch clicked opens the colour dialog; its colour then rebuilds the list.
    seam.Colors = {std::nullopt, White};
    QTest::mouseClick(e->Shape5, Qt::LeftButton);
    QCOMPARE(e->Shape5->BrushColor, Black);
    e->Shape5->setFocus();
    QTest::keyClick(e->Shape5, Qt::Key_Space);
    QCOMPARE(e->Shape5->BrushColor, White);
    // White picked over white: every candidate is white, and a shadow equal to the background
    // changes nothing.
    QCOMPARE(e->CBColor->count(), 249);
    QCOMPARE(e->IconColor, e->BackupColor);
}

void TestAlphaPanel::regionBrushProtectsAndCancelRestoresEveryByte() {
    ScriptedSeam seam;
    auto e = EditPage();
    const Bitmap colorBefore = e->IconColor, maskBefore = e->IconMask;
    e->BitBtn8->click();
    QCOMPARE(e->EditRegion, e->IconMask);

    // "Blend" takes a square out of the region: its white keeps alpha 255.
    QTest::mouseClick(e->SBAlphaClear, Qt::LeftButton);
    QVERIFY(e->SBAlphaClear->isChecked() && !e->SBAlpha->isChecked());
    QCOMPARE(e->Image7->CursorKind(), ScreenCursor::Cross);
    QCOMPARE(
        e->StatusBar1->text(),
        QString("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot."));
    e->CBAlphaShape->setCurrentIndex(0);
    e->TBAlphaPenSize->setValue(2);
    // The outline shows the block a press would paint.
    const int z = static_cast<int>(e->ZoomFactor);
    e->Image7MouseMove(Qt::NoButton, At(*e, 2, 2).x(), At(*e, 2, 2).y());
    QVERIFY(e->Image7->Preview().has_value());
    QCOMPARE(e->Image7->Preview()->Bounds(), QRect(0, 0, 4 * z, 4 * z));
    QTest::mousePress(e->Image7, Qt::LeftButton, {}, At(*e, 2, 2));
    // A drag paints with the same half size.
    e->Image7MouseMove(Qt::LeftButton, At(*e, 2, 32).x(), At(*e, 2, 32).y());
    QTest::mouseRelease(e->Image7, Qt::LeftButton, {}, At(*e, 2, 32));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool out = x < 4 && ((y < 4) || (y >= 30 && y < 34));
            QCOMPARE(e->EditRegion.Row(y)[x], std::uint8_t(out ? 255 : 0));
            if (ShadowAlphaAt(x, y) == 0 && y < 36)
                QCOMPARE(e->IconColor.GetAlpha(x, y), out ? 255 : 0);
        }
    QCOMPARE(e->History.SnapshotIndex, 1);  // no snapshot per stroke

    // "Erase" puts part of it back (a circle of half size 1 is the 2 x 2 block).
    QTest::mouseClick(e->SBAlphaSet, Qt::LeftButton);
    e->CBAlphaShape->setCurrentIndex(1);
    e->TBAlphaPenSize->setValue(1);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 1, 1));
    QCOMPARE(e->EditRegion.Row(0)[0], 0);
    QCOMPARE(e->EditRegion.Row(1)[1], 0);
    QCOMPARE(e->EditRegion.Row(2)[2], 255);
    QCOMPARE(e->IconColor.GetAlpha(0, 0), 0);
    QCOMPARE(e->IconColor.GetAlpha(2, 2), 255);

    // More list and tolerance changes; each starts from the copy.
    SelectShadow(*e, ShadowGrey);
    e->TrackBar4->setValue(40);
    SelectShadow(*e, 0x202020);
    // The transparent corner keeps its alpha throughout.
    QCOMPARE(e->IconColor.GetAlpha(38, 38), 0);
    QCOMPARE(e->IconMask, maskBefore);

    e->BitBtn10->click();
    QVERIFY(!e->AlphaPanelOpen());
    QVERIFY(e->SBFill2->isChecked() && e->SBAlpha->isChecked());
    QCOMPARE(e->IconColor, colorBefore);
    QCOMPARE(e->IconMask, maskBefore);
}

void TestAlphaPanel::pageButtonsApplyOkAndCancelAndUndoTakesItAllBack() {
    ScriptedSeam seam;
    auto e = EditPage();
    const Bitmap before = e->IconColor;
    // "<< Prev" cancels.
    e->BitBtn8->click();
    QVERIFY(e->IconColor != before);
    e->BitBtn7->click();
    QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet1);
    QVERIFY(!e->AlphaPanelOpen());
    QCOMPARE(e->IconColor, before);

    // "Next >>" keeps it; back on the page, undo returns to the state before the opening.
    e->BitBtn1->click();
    e->BitBtn8->click();
    const Bitmap adjusted = e->IconColor;
    e->BitBtn6->click();
    QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet3);
    QVERIFY(!e->AlphaPanelOpen());
    e->BitBtn5->click();
    QCOMPARE(e->IconColor, adjusted);
    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, before);
    QTest::keyClick(e->IVfocus, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(e->IconColor, adjusted);

    // While the panel is open its buttons are hidden, the shortcuts act.
    e->BitBtn8->click();
    QVERIFY(e->SpeedButton6->isHidden() && e->SpeedButton7->isHidden());
    SelectShadow(*e, 0x202020);
    QVERIFY(e->IconColor != adjusted);
    QTest::keyClick(e->CBColor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, adjusted);  // the state at the opening
    e->BitBtn9->click();
    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, before);
}

void TestAlphaPanel::colourItemsAreDrawnAsTheirColours() {
    QImage image(20, 10, QImage::Format_RGB32);
    for (bool focused : {false, true}) {
        image.fill(Qt::black);
        QPainter p(&image);
        CBColorDrawItem(p, QRect(0, 0, 20, 10), QString::number(Rgb(10, 200, 30)), focused,
                        QColor(Qt::white));
        p.end();
        QCOMPARE(image.pixelColor(5, 5), QColor(10, 200, 30));
        QCOMPARE(image.pixelColor(0, 0), focused ? QColor(Qt::red) : QColor(Qt::white));
        QCOMPARE(image.pixelColor(19, 9), focused ? QColor(Qt::red) : QColor(Qt::white));
    }
    QCOMPARE(ColourOfItemText("not a number"), Black);
    QCOMPARE(ColourOfItemText("8355711"), Color{0x7F7F7F});
}

// docs/editor-alpha.png: the panel open on a 64 x 64 icon whose drop shadow was drawn over
// white, the white and the shadow already turned transparent, the region brush's outline on
// the canvas. Taken on a real display by scripts/screenshot.sh.
void TestAlphaPanel::screenshot() {
    const QByteArray folder = qgetenv("GF_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("GF_SCREENSHOT_DIR is not set");
    ScriptedSeam seam;
    Dir = std::make_unique<QTemporaryDir>();
    auto e = std::make_unique<TIconEditor>(nullptr, &Format);
    e->SourcePath = fs::path(Dir->path().toStdString()) / "icxor.bmp";
    // A rounded blue tile with a soft shadow below and to the right of it.
    Bitmap color(64, 64, PixelFormat::Bits32);
    auto inside = [](int x, int y, int x0, int y0, int x1, int y1, int r) {
        const int cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            int a = 0;
            for (int d = 0; d <= 6 && a == 0; ++d)
                if (inside(x, y, 14 - d, 14 - d, 56 + d, 56 + d, 10 + d))
                    a = 230 - d * 38;
            const std::uint8_t g = OverWhite(std::max(a, 0));
            const bool tile = inside(x, y, 6, 6, 48, 48, 10);
            color.SetPixel(x, y, tile ? Rgb(40, 110, 220 - y) : Rgb(g, g, g));
            color.SetAlpha(x, y, 255);
        }
    e->IconColor = color;
    e->IconMask = MakeMask(64, 64);
    e->SrcColor = e->IconColor;
    e->SrcMask = e->IconMask;
    e->EditExisting = 1;
    e->ShowPage(e->TabSheet1);
    e->InitImagesClick();
    e->show();
    QVERIFY(QTest::qWaitForWindowExposed(e.get()));
    e->BitBtn1->click();
    e->BitBtn8->click();
    Pick(*e, seam, e->Image13, White);
    Pick(*e, seam, e->Image14, Rgb(OverWhite(128), OverWhite(128), OverWhite(128)));
    SelectShadow(*e, ShadowGrey);
    QTest::mouseClick(e->SBAlphaClear, Qt::LeftButton);
    e->TBAlphaPenSize->setValue(3);
    const int z = static_cast<int>(e->ZoomFactor);
    e->Image7MouseMove(Qt::NoButton, 27 * z, 27 * z);
    QApplication::processEvents();
    QTest::qWait(200);
    const QString out = QString::fromLocal8Bit(folder) + QStringLiteral("/editor-alpha.png");
    QVERIFY(e->grab().save(out));
}

QTEST_MAIN(TestAlphaPanel)
#include "tst_alpha_panel.moc"
