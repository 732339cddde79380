// The edit page: its tools and their enabling, the pen at a click and a drag, the brush colour,
// opacity and eyedropper, the flood fill on the canvas, undo and redo, the keyboard's pointer,
// and a whole edit walked to "Finish". One check runs on a real X display (see CMakeLists.txt).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

std::uint8_t MaskAt(const Bitmap& m, int x, int y) {
    return m.Row(y)[x];
}

}  // namespace

class TestEditPage : public QObject {
    Q_OBJECT

  private:
    FixedFormat Format;
    std::unique_ptr<QTemporaryDir> Dir;

    // A shown editor on its edit page, editing a 16 x 16 icon (zoom 4): white with a blue
    // square from (4, 4) to (11, 11), at 24 or 32 bits, with the snapshots in a fresh folder.
    std::unique_ptr<TIconEditor> EditPage(PixelFormat format = PixelFormat::Bits32) {
        Dir = std::make_unique<QTemporaryDir>();
        auto e = std::make_unique<TIconEditor>(nullptr, &Format);
        e->SourcePath = fs::path(Dir->path().toStdString()) / "icxor.bmp";
        e->IconColor = Bitmap(16, 16, format);
        e->IconColor.Fill(White, 255);
        e->IconColor.FillRect(4, 4, 12, 12, Rgb(0, 0, 255), 255);
        e->IconMask = MakeMask(16, 16);
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

    // '*' where the icon has `colour`, '-' elsewhere, '#' outside the icon; rows end in '|'.
    static QString Painted(const TIconEditor& e, Color colour, int x0, int y0, int x1, int y1) {
        QString out;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (x < 0 || y < 0 || x >= e.IconColor.Width() || y >= e.IconColor.Height())
                    out += '#';
                else
                    out += e.IconColor.GetPixel(x, y) == colour ? '*' : '-';
            }
            out += '|';
        }
        return out;
    }

  private slots:
    void toolsEnableTheirSettingsAndSayHowToUseTheKeyboard();
    void opacityControlsAreShownOnlyAtThirtyTwoBits();
    void penPaintsItsBlockOnAClickAndOneSmallerOnADrag_data();
    void penPaintsItsBlockOnAClickAndOneSmallerOnADrag();
    void brushPreviewCoversTheBlockAClickWouldPaint();
    void onlyChangeOpacityKeepsColoursAndGivesTheColourBack();
    void colourDialogResetsTheOpacityAndTheEyedropperKeepsIt();
    void fillUndoAndRedoWithTheShortcutsOnlyOnThisPage();
    void aSnapshotThatCannotBeWrittenLeavesTheIconAsItWas();
    void keyboardMovesThePointerAndClicksWhereItIs();
    void keyboardDrivesAnOwnCursorWhereThePointerCannotMove();
    void aWholeEditComesOutOfFinish();
    void keyboardOnARealDisplay();
};

void TestEditPage::toolsEnableTheirSettingsAndSayHowToUseTheKeyboard() {
    ScriptedSeam seam;
    auto e = EditPage();
    QVERIFY(e->SBFill2->isChecked() && e->SBFill2->isHidden());
    for (QWidget* w : {static_cast<QWidget*>(e->Label4), static_cast<QWidget*>(e->TBAllowance),
                       static_cast<QWidget*>(e->Label6), static_cast<QWidget*>(e->TBPenSize)})
        QVERIFY(!w->isEnabled());
    QCOMPARE(e->MyUndo->toolTip(), QString("Ctrl + Z  Undo"));
    QCOMPARE(e->MyRedo->toolTip(), QString("Ctrl + Y  Redo"));
    QVERIFY(!e->MyUndo->isEnabled() && !e->MyRedo->isEnabled());
    QCOMPARE(e->Label4->text(), QString("Similarity "));
    QCOMPARE(e->TBAllowance->minimum(), 1);
    QCOMPARE(e->TBPenSize->value(), 1);

    // The pipette and the bucket: 32 x 32 pictures with their hot spots at the tips.
    QCOMPARE(CursorOf(ScreenCursor::Pipette).hotSpot(), QPoint(8, 23));
    QCOMPARE(CursorOf(ScreenCursor::Fill).hotSpot(), QPoint(8, 22));
    QCOMPARE(CursorOf(ScreenCursor::Fill).pixmap().size(), QSize(32, 32));

    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    QVERIFY(e->SBFill1->isChecked() && !e->SBFill2->isChecked());
    QVERIFY(e->TBAllowance->isEnabled() && !e->TBPenSize->isEnabled());
    QCOMPARE(e->Image7->CursorKind(), ScreenCursor::Fill);
    QCOMPARE(
        e->StatusBar1->text(),
        QString("Press Arrow Key to adjust cursor position. Press Space or Enter to fill color."));
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    QVERIFY(e->SBPen->isChecked() && !e->SBFill1->isChecked());
    QVERIFY(!e->TBAllowance->isEnabled() && e->TBPenSize->isEnabled());
    QCOMPARE(e->Image7->CursorKind(), ScreenCursor::Cross);
    QCOMPARE(
        e->StatusBar1->text(),
        QString("Press Arrow Key to adjust cursor position. Press Space or Enter to draw dot."));
    // Leaving the page and coming back: no tool.
    e->BitBtn7->click();
    e->BitBtn1->click();
    QVERIFY(e->SBFill2->isChecked());
    QCOMPARE(e->Image7->CursorKind(), ScreenCursor::Default);
    QCOMPARE(e->StatusBar1->text(), QString("Edit icon."));
}

void TestEditPage::opacityControlsAreShownOnlyAtThirtyTwoBits() {
    ScriptedSeam seam;
    for (PixelFormat f : {PixelFormat::Bits24, PixelFormat::Bits32}) {
        auto e = EditPage(f);
        const bool shown = f == PixelFormat::Bits32;
        QCOMPARE(e->Label8->isVisible(), shown);
        QCOMPARE(e->tbColorAlpha->isVisible(), shown);
        QCOMPARE(e->cbOpacity->isVisible(), shown);
        QCOMPARE(e->tbColorAlpha->value(), 255);
    }
}

void TestEditPage::penPaintsItsBlockOnAClickAndOneSmallerOnADrag_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("click");  // columns x-2..x+2, rows y-2..y+1 after the press
    QTest::addColumn<QString>("drag");   // the same after a drag to (x + 2, y) and a release
    QTest::newRow("size 0") << 0 << QPoint(6, 6) << "-----|-----|--*--|-----|"
                            << "-----|-----|--*--|-----|";
    QTest::newRow("size 1") << 1 << QPoint(6, 6) << "-----|-**--|-**--|-----|"
                            << "-----|-**--|-**-*|-----|";
    QTest::newRow("size 2") << 2 << QPoint(6, 6) << "****-|****-|****-|****-|"
                            << "****-|*****|*****|****-|";
    // On the last column: only the columns inside the icon.
    QTest::newRow("edge") << 2 << QPoint(15, 6) << "***##|***##|***##|***##|"
                          << "***##|***##|***##|***##|";
}

void TestEditPage::penPaintsItsBlockOnAClickAndOneSmallerOnADrag() {
    QFETCH(int, size);
    QFETCH(QPoint, pixel);
    QFETCH(QString, click);
    QFETCH(QString, drag);
    ScriptedSeam seam;
    seam.Colors = {Rgb(255, 0, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();  // the colour dialog: red
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    e->TBPenSize->setValue(size);
    const Color red = Rgb(255, 0, 0);
    const int x = pixel.x(), y = pixel.y();
    QTest::mousePress(e->Image7, Qt::LeftButton, {}, At(*e, x, y));
    QCOMPARE(Painted(*e, red, x - 2, y - 2, x + 3, y + 2), click);
    QVERIFY(e->MyUndo->isEnabled());
    // A held button keeps reporting moves, also beyond the canvas.
    e->Image7MouseMove(Qt::LeftButton, At(*e, x + 2, y).x(), At(*e, x + 2, y).y());
    QTest::mouseRelease(e->Image7, Qt::LeftButton, {}, At(*e, x + 2, y));
    QCOMPARE(Painted(*e, red, x - 2, y - 2, x + 3, y + 2), drag);
    QVERIFY(!e->CanvasButtonDown);
    // One stroke, one snapshot: one undo takes all of it.
    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Painted(*e, red, 0, 0, 16, 16).count('*'), 0);
}

void TestEditPage::brushPreviewCoversTheBlockAClickWouldPaint() {
    ScriptedSeam seam;
    auto e = EditPage();
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    const int z = static_cast<int>(e->ZoomFactor);
    for (int size : {0, 1, 3}) {
        e->TBPenSize->setValue(size);
        e->Image7MouseMove(Qt::NoButton, At(*e, 2, 1).x(), At(*e, 2, 1).y());
        QVERIFY(e->Image7->Preview().has_value());
        const PixelBox b = PenBlock(2, 1, size);
        QCOMPARE(e->Image7->Preview()->Bounds(),
                 QRect(b.X0 * z, b.Y0 * z, (b.X1 - b.X0) * z, (b.Y1 - b.Y0) * z));
        // Inverted on the canvas: the white pixel (2, 1) shows black.
        const Bitmap shown = e->Image7->Render(2 * z, 1 * z, 1, 1);
        QCOMPARE(shown.GetPixel(0, 0), Black);
    }
    // A fill shows no preview; going back to no tool takes it away.
    e->SBFill2Click();
    QVERIFY(!e->Image7->Preview().has_value());
}

void TestEditPage::onlyChangeOpacityKeepsColoursAndGivesTheColourBack() {
    ScriptedSeam seam;
    seam.Colors = {Rgb(0, 200, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    QCOMPARE(e->BrushTag(), static_cast<BrushColour>(Rgb(0, 200, 0)));
    QTest::mouseClick(e->cbOpacity, Qt::LeftButton);
    QCOMPARE(e->BrushTag(), KeepColour);
    QVERIFY(e->Image8->isHidden());
    // The swatch is white, crossed out in red; clicks on it open no dialog.
    QCOMPARE(e->Shape44->Picture.GetPixel(0, 0), Rgb(255, 0, 0));
    QCOMPARE(e->Shape44->Picture.GetPixel(8, 0), White);
    seam.ClearRecord();
    e->Shape44MouseUp();
    QVERIFY(seam.Log.isEmpty());

    e->tbColorAlpha->setValue(60);
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 5, 5));  // 2 x 2 from (4, 4)
    QCOMPARE(e->IconColor.GetPixel(4, 4), Rgb(0, 0, 255));
    QCOMPARE(e->IconColor.GetAlpha(4, 4), 60);
    QCOMPARE(e->IconColor.GetPixel(3, 3), White);
    QCOMPARE(e->IconColor.GetAlpha(3, 3), 255);

    // Turned off, the brush has its colour again.
    QTest::mouseClick(e->cbOpacity, Qt::LeftButton);
    QCOMPARE(e->BrushTag(), static_cast<BrushColour>(Rgb(0, 200, 0)));
    QVERIFY(!e->Image8->isHidden());
}

void TestEditPage::colourDialogResetsTheOpacityAndTheEyedropperKeepsIt() {
    ScriptedSeam seam;
    seam.Colors = {std::nullopt, Rgb(10, 20, 30)};
    auto e = EditPage();
    e->tbColorAlpha->setValue(100);
    e->Shape44MouseUp();  // cancelled: nothing changes
    QCOMPARE(e->tbColorAlpha->value(), 100);
    QCOMPARE(e->BrushTag(), static_cast<BrushColour>(White));
    e->Shape44MouseUp();
    QCOMPARE(e->tbColorAlpha->value(), 255);
    QCOMPARE(e->BrushTag(), static_cast<BrushColour>(Rgb(10, 20, 30)));
    QCOMPARE(e->Shape44->Picture.GetPixel(3, 3), Rgb(10, 20, 30));

    // The eyedropper: press, move over any screen pixel, release.
    e->tbColorAlpha->setValue(100);
    const QPoint spot = e->Image8->mapToGlobal(QPoint(40, 7));
    seam.Screen = Bitmap(spot.x() + 1, spot.y() + 1, PixelFormat::Bits24);
    seam.Screen.SetPixel(spot.x(), spot.y(), Rgb(7, 77, 177));
    QTest::mouseClick(e->TransImage, Qt::LeftButton);
    QVERIFY(e->CBTransC->isChecked());
    e->Image8MouseDown(Qt::LeftButton, 3, 3);
    QCOMPARE(e->Image8->Tag, 1);
    e->Image8MouseMove(Qt::LeftButton, 40, 7);
    QCOMPARE(e->BrushTag(), static_cast<BrushColour>(Rgb(7, 77, 177)));
    QCOMPARE(e->tbColorAlpha->value(), 100);
    // Below full opacity the swatch shows the colour over the checker.
    QVERIFY(e->Shape44->Picture.GetPixel(3, 3) != Rgb(7, 77, 177));
    e->Image8MouseUp(Qt::LeftButton, 40, 7);
    QCOMPARE(e->Image8->Tag, 0);
    QVERIFY(e->CBSolidC->isChecked());
}

void TestEditPage::fillUndoAndRedoWithTheShortcutsOnlyOnThisPage() {
    ScriptedSeam seam;
    seam.Colors = {Rgb(255, 0, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    const Bitmap start = e->IconColor;
    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 0, 0));  // the white frame
    QCOMPARE(e->IconColor.GetPixel(15, 15), Rgb(255, 0, 0));
    QCOMPARE(e->IconColor.GetPixel(6, 6), Rgb(0, 0, 255));
    const Bitmap filled = e->IconColor;
    e->TBAllowance->setValue(1);
    e->CBTransC->setChecked(true);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 6, 6));  // the square, cleared
    QCOMPARE(MaskAt(e->IconMask, 6, 6), MaskTransparent);
    QCOMPARE(e->IconColor.GetAlpha(6, 6), 0);
    const Bitmap cleared = e->IconColor;
    QVERIFY(e->MyUndo->isEnabled() && !e->MyRedo->isEnabled());

    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, filled);
    QCOMPARE(MaskAt(e->IconMask, 6, 6), MaskOpaque);
    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, start);
    QVERIFY(!e->MyUndo->isEnabled() && e->MyRedo->isEnabled());
    QTest::keyClick(e->IVfocus, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(e->IVfocus, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(e->IconColor, cleared);  // the latest edit comes back
    QCOMPARE(MaskAt(e->IconMask, 6, 6), MaskTransparent);
    QVERIFY(e->MyUndo->isEnabled() && !e->MyRedo->isEnabled());

    // On another page the shortcuts change nothing.
    e->BitBtn6->click();
    QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet3);
    e->MyUndo->trigger();
    QCOMPARE(e->IconColor, cleared);
    QTest::keyClick(e.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor, cleared);
    QCOMPARE(e->History.SnapshotIndex, 2);
    e->BitBtn5->click();
    e->MyUndo->trigger();
    QCOMPARE(e->IconColor, filled);

    // The snapshots go with the editor.
    const fs::path colour0 = e->History.ColourFile(0);
    QVERIFY(fs::exists(colour0));
    e.reset();
    QVERIFY(!fs::exists(colour0));
}

void TestEditPage::aSnapshotThatCannotBeWrittenLeavesTheIconAsItWas() {
    ScriptedSeam seam;
    seam.Colors = {Rgb(255, 0, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    const Bitmap before = e->IconColor;
    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    const fs::path folder = e->SourcePath.parent_path();
    fs::rename(folder,
               fs::path(folder.string() + "_away"));  // every write fails, as on a full disk
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 0, 0));
    fs::rename(fs::path(folder.string() + "_away"), folder);
    QCOMPARE(seam.Messages.size(), 1);
    QVERIFY(seam.Messages[0].startsWith("The icon was not changed"));
    QCOMPARE(e->IconColor, before);
    QVERIFY(!e->MyUndo->isEnabled());
    // The editor goes on working.
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 0, 0));
    QVERIFY(e->IconColor != before);
    QVERIFY(e->MyUndo->isEnabled());
}

void TestEditPage::keyboardMovesThePointerAndClicksWhereItIs() {
    ScriptedSeam seam;
    seam.Colors = {Rgb(255, 0, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    seam.Pointer = e->Image7->mapToGlobal(At(*e, 6, 6)) - QPoint(4, 0);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(e->IVfocus, Qt::Key_Right);
    QTest::keyClick(e->IVfocus, Qt::Key_Down);
    QTest::keyClick(e->IVfocus, Qt::Key_Up);
    QCOMPARE(seam.Pointer, e->Image7->mapToGlobal(At(*e, 6, 6)));
    QCOMPARE(seam.PointerMoves.size(), std::size_t{6});
    QTest::keyClick(e->IVfocus, Qt::Key_Space);
    QCOMPARE(seam.Clicks.size(), std::size_t{1});
    QCOMPARE(e->IconColor.GetPixel(6, 6), Rgb(255, 0, 0));  // the square under the pointer
    QCOMPARE(e->IconColor.GetPixel(0, 0), White);
    QTest::keyClick(e->IVfocus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e->IconColor.GetPixel(6, 6), Rgb(0, 0, 255));
    QTest::keyClick(e->IVfocus, Qt::Key_Return);
    QCOMPARE(e->IconColor.GetPixel(6, 6), Rgb(255, 0, 0));
}

void TestEditPage::keyboardDrivesAnOwnCursorWhereThePointerCannotMove() {
    ScriptedSeam seam;
    seam.PointerMovable = false;
    seam.Colors = {Rgb(255, 0, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    // The own cursor starts over the canvas and is drawn there.
    QVERIFY(e->KeyPointerMark->isVisible());
    const QPoint start = e->KeyPointerPos();
    QVERIFY(e->Image7->rect().contains(e->Image7->mapFromGlobal(start)));
    e->SBFill2Click();
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    QCOMPARE(e->KeyPointerPos(), start);  // already over the canvas: it stays

    // Put it over pixel (2, 2) with the arrow keys: the preview follows it.
    const QPoint target = e->Image7->mapToGlobal(At(*e, 2, 2));
    const QPoint d = target - start;
    for (int i = 0; i < std::abs(d.x()); ++i)
        QTest::keyClick(e->IVfocus, d.x() < 0 ? Qt::Key_Left : Qt::Key_Right);
    for (int i = 0; i < std::abs(d.y()); ++i)
        QTest::keyClick(e->IVfocus, d.y() < 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(e->KeyPointerPos(), target);
    QVERIFY(seam.PointerMoves.empty());
    QCOMPARE(e->KeyPointerMark->geometry().center(), e->mapFromGlobal(target));
    QVERIFY(e->Image7->Preview().has_value());
    QCOMPARE(e->Image7->Preview()->Bounds().topLeft(),
             QPoint(1, 1) * static_cast<int>(e->ZoomFactor));
    QTest::keyClick(e->IVfocus, Qt::Key_Space);
    QCOMPARE(Painted(*e, Rgb(255, 0, 0), 0, 0, 4, 4), QString("----|-**-|-**-|----|"));
}

void TestEditPage::aWholeEditComesOutOfFinish() {
    ScriptedSeam seam;
    seam.Colors = {Rgb(0, 128, 0)};
    auto e = EditPage();
    e->Shape44MouseUp();
    // Draw a green dot in the white frame, fill the blue square green, undo the fill, redo it.
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 1, 1));
    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 8, 8));
    e->MyUndo->trigger();
    QCOMPARE(e->IconColor.GetPixel(8, 8), Rgb(0, 0, 255));
    e->MyRedo->trigger();
    // Make a corner transparent.
    e->CBTransC->setChecked(true);
    QTest::mouseClick(e->SBPen, Qt::LeftButton);
    QTest::mouseClick(e->Image7, Qt::LeftButton, {}, At(*e, 15, 15));
    QTest::mouseClick(e->BitBtn6, Qt::LeftButton);
    QTest::mouseClick(e->BitBtn3, Qt::LeftButton);
    QCOMPARE(e->result(), 1);
    QCOMPARE(e->IconColor.Format(), PixelFormat::Bits32);
    QCOMPARE(e->IconColor.GetPixel(0, 0), Rgb(0, 128, 0));
    QCOMPARE(e->IconColor.GetPixel(1, 1), Rgb(0, 128, 0));
    QCOMPARE(e->IconColor.GetPixel(2, 2), White);
    QCOMPARE(e->IconColor.GetPixel(8, 8), Rgb(0, 128, 0));
    QCOMPARE(e->IconColor.GetPixel(4, 11), Rgb(0, 128, 0));
    QCOMPARE(MaskAt(e->IconMask, 14, 14), MaskTransparent);
    QCOMPARE(MaskAt(e->IconMask, 15, 15), MaskTransparent);
    QCOMPARE(e->IconColor.GetAlpha(14, 14), 0);
    QCOMPARE(MaskAt(e->IconMask, 13, 13), MaskOpaque);
    QCOMPARE(e->IconColor.GetAlpha(13, 13), 255);
}

void TestEditPage::keyboardOnARealDisplay() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X display (run by tst_edit_page_xvfb under xvfb-run)");
    // The real seam: QCursor moves the X pointer, Space clicks where it is.
    auto e = EditPage();
    e->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.get()));
    QTest::mouseClick(e->SBFill1, Qt::LeftButton);
    e->TBAllowance->setValue(1);
    const QPoint start = e->Image7->mapToGlobal(At(*e, 6, 6)) - QPoint(3, 2);
    MovePointer(start);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(e->IVfocus, Qt::Key_Right);
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(e->IVfocus, Qt::Key_Down);
    QTRY_COMPARE(PointerPos(), start + QPoint(3, 2));
    QTest::keyClick(e->IVfocus, Qt::Key_Space);
    QCOMPARE(e->IconColor.GetPixel(6, 6), White);  // the blue square, filled with the white brush
    QCOMPARE(e->IconColor.GetPixel(4, 4), White);
    QVERIFY(e->MyUndo->isEnabled());
}

QTEST_MAIN(TestEditPage)
#include "tst_edit_page.moc"
