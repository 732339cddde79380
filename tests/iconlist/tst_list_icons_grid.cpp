// The icon list window's grid: layout, drawing, selection by mouse and keys, dragging, resizing,
// and the life of its files.

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "iconlist/icon_grid.h"
#include "iconlist/list_icons.h"
#include "list_icons_support.h"
#include "platform/file_io.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;
using namespace gf::iconlist;
using gf::test::ListFixture;
namespace fs = std::filesystem;

namespace {

const QColor LoaderFrame(0xA0, 0x3C, 0x01);  // 32 x 2533 = 0x013CA0

QColor PixelAt(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

}  // namespace

class TestListIconsGrid : public QObject {
    Q_OBJECT

  private slots:
    void columnCounts();
    void geometryOfCellsAndIcons();
    void windowColumnsFollowTheScrollBox();
    void cellsAreFramedAndIconsPlaced();
    void largeIconsAreShrunk();
    void pictureHeightCoversEveryRow();
    void mouseSelectionAndStatusLine();
    void selectionFrameInvertsWithoutTouchingThePicture();
    void clickBelowTheLastRowSelectsTheLastIcon();
    void keysMoveTheSelection();
    void dragReorders();
    void doubleClickClosesWithOk();
    void resizeTimerRedrawsAfter700ms();
    void unreadableIconKeepsItsPlace();
    void emptySetHasNoSelection();
    void largeSetIsDrawnBetweenEvents();
    void destroyingDeletesTheSetsFiles();
    void realMultiIconFile();
};

void TestListIconsGrid::columnCounts() {
    QCOMPARE(ColumnCountFor(600), 4);
    QCOMPARE(ColumnCountFor(800), 6);
    QCOMPARE(ColumnCountFor(250), 2);  // 226 left: below 256
    QCOMPARE(ColumnCountFor(280), 2);
    QCOMPARE(ColumnCountFor(408), 3);
    QCOMPARE(ColumnCountFor(0), 2);
}

void TestListIconsGrid::geometryOfCellsAndIcons() {
    QCOMPARE(CellOrigin(4, 4), (GridPoint{0, 128}));
    QCOMPARE(CellOrigin(6, 4), (GridPoint{256, 128}));
    QCOMPARE(SelectionRectOf(5, 4), (GridRect{132, 132, 251, 251}));
    // With a caption of 13 pixels (its top at 109): pictures that stay above it are centred,
    // those that would reach it fit the 103 pixels between the top margin and the caption.
    QCOMPARE(PlaceIconInCell(256, 128, 109), (IconPlacement{5, 34, 118, 59}));
    QCOMPARE(PlaceIconInCell(48, 48, 109), (IconPlacement{40, 40, 48, 48}));
    QCOMPARE(PlaceIconInCell(118, 20, 109), (IconPlacement{5, 54, 118, 20}));
    QCOMPARE(PlaceIconInCell(64, 88, 109), (IconPlacement{32, 20, 64, 88}));  // ends at 108
    QCOMPARE(PlaceIconInCell(256, 256, 109), (IconPlacement{12, 5, 103, 103}));
    QCOMPARE(PlaceIconInCell(100, 100, 109), (IconPlacement{14, 6, 100, 100}));  // moved up
    QCOMPARE(PlaceIconInCell(40, 118, 109), (IconPlacement{47, 5, 34, 103}));
    QCOMPARE(PlaceIconInCell(0, 0, 109), (IconPlacement{64, 64, 0, 0}));
    // Clicks beyond the last column or the last icon find no cell.
    QCOMPARE(CellIndexAt(130, 10, 4, 9), 1);
    QCOMPARE(CellIndexAt(10, 260, 4, 9), 8);
    QCOMPARE(CellIndexAt(140, 260, 4, 9), -1);
    QCOMPARE(CellIndexAt(4 * 128 + 2, 10, 4, 9), -1);
    QCOMPARE(FrameColorOf(" 0# 32x32x8bits"), Color{0x013CA0});
    QCOMPARE(FrameColorOf("A 0#"), Color{(65 * 2533) & 0xFFFFFF});
    QCOMPARE(FrameColorOf("@ 0#"), Color{64 * 2533});
    QCOMPARE(TextRectInCell(60, 13), (GridRect{34, 109, 94, 122}));
    QCOMPARE(TextRectInCell(400, 13).Right - TextRectInCell(400, 13).Left, 126);
    QCOMPARE(SelectionStatusText(1, 9, " 1# 32x32x8bits"),
             std::string("(2/9)     1# 32x32x8bits     Right click to save the icon."));
}

void TestListIconsGrid::windowColumnsFollowTheScrollBox() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "nine.ico", 9));
    f.ShowAndDraw(QSize(600, 500));
    QCOMPARE(f.List->ScrollBox1->maximumViewportSize().width(), 600);
    QCOMPARE(f.List->ColumnCount, 4);
    QCOMPARE(f.List->Picture().width(), 576);  // the client width less 24, wider than 4 x 128 + 3
    QCOMPARE(f.List->Picture().height(), 476);
    // No scroll bar is needed: the picture is centred on both axes.
    QCOMPARE(f.List->Image1->pos(), QPoint(12, 12));
    f.ShowAndDraw(QSize(800, 300));
    QCOMPARE(f.List->ColumnCount, 6);
    QCOMPARE(f.List->Picture().width(), 776);
}

void TestListIconsGrid::cellsAreFramedAndIconsPlaced() {
    ListFixture f;
    std::vector<test::DibBlockRecipe> images(5, test::SolidIcon(32, 32, 8, 0x0000FF));
    images[4] = test::SolidIcon(48, 48, 24, 0xFF0000);
    f.Load(test::MakeIconsFile(f.Files / "five.ico", images));
    f.ShowAndDraw(QSize(600, 400));
    const QImage& pic = f.List->Picture();
    // The 5th icon sits at (0, 128) in four columns; its frame spans 127 pixels.
    QCOMPARE(PixelAt(pic, 0, 128), LoaderFrame);
    QCOMPARE(PixelAt(pic, 126, 128), LoaderFrame);
    QCOMPARE(PixelAt(pic, 0, 128 + 126), LoaderFrame);
    QCOMPARE(PixelAt(pic, 127, 128), QColor(Qt::white));
    QCOMPARE(PixelAt(pic, 1, 129), QColor(Qt::white));
    // A 48 x 48 icon unscaled at (40, 40) inside its cell.
    QCOMPARE(PixelAt(pic, 40, 128 + 40), QColor(0xFF, 0, 0));
    QCOMPARE(PixelAt(pic, 87, 128 + 87), QColor(0xFF, 0, 0));
    QCOMPARE(PixelAt(pic, 39, 128 + 40), QColor(Qt::white));
    QCOMPARE(PixelAt(pic, 88, 128 + 60), QColor(Qt::white));
    // A 32 x 32 icon at (48, 48) of cell 1.
    QCOMPARE(PixelAt(pic, 128 + 48, 48), QColor(0, 0, 0xFF));
    QCOMPARE(PixelAt(pic, 128 + 47, 48), QColor(Qt::white));
    // The description is written below the icon, inside the cell.
    bool ink = false;
    for (int y = 100; y < 122 && !ink; ++y) {
        for (int x = 10; x < 118 && !ink; ++x)
            ink = PixelAt(pic, x, y) == QColor(Qt::black);
    }
    QVERIFY(ink);
    // Cells beyond the set stay blank.
    QCOMPARE(PixelAt(pic, 128, 128), QColor(Qt::white));
}

void TestListIconsGrid::largeIconsAreShrunk() {
    ListFixture f;
    std::vector<test::DibBlockRecipe> images = {test::SolidIcon(256, 256, 32, 0x00FF00),
                                                test::SolidIcon(256, 128, 32, 0x00FF00)};
    f.Load(test::MakeIconsFile(f.Files / "large.ico", images));
    f.ShowAndDraw(QSize(600, 400));
    const QImage& pic = f.List->Picture();
    const QColor green(0, 0xFF, 0);
    QCOMPARE(f.List->Icons.IconInfos[0], std::string(" 0# 256x256x32bits"));
    // 256 x 256: a square from the top margin down to just above its caption, centred.
    int lowestGreen = -1, highestInk = 128;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (PixelAt(pic, x, y) == green)
                lowestGreen = y;
            if (PixelAt(pic, x, y) == QColor(Qt::black))
                highestInk = std::min(highestInk, y);
        }
    }
    QCOMPARE(PixelAt(pic, 64, 5), green);
    QCOMPARE(PixelAt(pic, 64, 4), QColor(Qt::white));
    QVERIFY(highestInk < 122);  // the caption is written
    QVERIFY2(lowestGreen < highestInk, "the picture runs into the caption");
    const int side = lowestGreen - 5 + 1;
    QVERIFY(side > 90);
    QCOMPARE(PixelAt(pic, (128 - side) / 2, 40), green);
    QCOMPARE(PixelAt(pic, (128 - side) / 2 - 1, 40), QColor(Qt::white));
    QCOMPARE(PixelAt(pic, (128 - side) / 2 + side - 1, 40), green);
    QCOMPARE(PixelAt(pic, (128 - side) / 2 + side, 40), QColor(Qt::white));
    // 256 x 128 -> 118 x 59 at (5, 34): it ends well above the caption.
    QCOMPARE(PixelAt(pic, 128 + 5, 34), green);
    QCOMPARE(PixelAt(pic, 128 + 60, 92), green);
    QCOMPARE(PixelAt(pic, 128 + 60, 33), QColor(Qt::white));
    QCOMPARE(PixelAt(pic, 128 + 60, 93), QColor(Qt::white));
}

void TestListIconsGrid::pictureHeightCoversEveryRow() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "nine.ico", 9));
    f.ShowAndDraw(QSize(600, 200));
    QCOMPARE(f.List->ColumnCount, 4);
    QCOMPARE(f.List->Picture().height(), 384);  // three rows, though the box is lower
    QVERIFY(f.List->ScrollBox1->verticalScrollBar()->maximum() > 0);
    // The last row is drawn.
    QCOMPARE(PixelAt(f.List->Picture(), 0, 256), LoaderFrame);
    f.ShowAndDraw(QSize(600, 500));
    QCOMPARE(f.List->Picture().height(), 476);  // the client height less 24
}

void TestListIconsGrid::mouseSelectionAndStatusLine() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "nine.ico", 9));
    f.ShowAndDraw(QSize(600, 400));
    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(130, 10));
    QCOMPARE(f.List->SelectedIndex, 1);
    QCOMPARE(f.List->StatusLine(),
             QStringLiteral("(2/9)     1# 32x32x8bits     Right click to save the icon."));
    QCOMPARE(f.List->SelectionRect, (GridRect{132, 4, 251, 123}));
    QCOMPARE(f.List->Image1->cursor().shape(), Qt::DragMoveCursor);
    QVERIFY(f.List->Edit1->hasFocus());
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(130, 10));
    QCOMPARE(f.List->Image1->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.List->Modified, false);

    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(3 * 128 + 5, 128 + 5));
    QCOMPARE(f.List->SelectedIndex, 7);
    QCOMPARE(f.List->StatusLine(),
             QStringLiteral("(8/9)     7# 32x32x8bits     Right click to save the icon."));
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(3 * 128 + 5, 128 + 5));

    // A right click selects the icon under the mouse, then offers the menu for it.
    QTest::mousePress(f.List->Image1, Qt::RightButton, {}, QPoint(2 * 128 + 5, 5));
    QCOMPARE(f.List->SelectedIndex, 2);
    QVERIFY(!f.List->PopupMenu1->isVisible());
    QTest::mouseRelease(f.List->Image1, Qt::RightButton, {}, QPoint(2 * 128 + 5, 5));
    QTRY_VERIFY(f.List->PopupMenu1->isVisible());
    f.List->PopupMenu1->close();
    QCOMPARE(f.List->Modified, false);
}

void TestListIconsGrid::selectionFrameInvertsWithoutTouchingThePicture() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "four.ico", 4));
    f.ShowAndDraw(QSize(600, 400));
    const QImage before = f.List->Picture().copy();
    f.List->Image1MouseDown(Qt::LeftButton, 130, 10);
    f.List->Image1MouseUp(Qt::LeftButton, 130, 10);
    QCOMPARE(f.List->Picture(), before);  // the frame is not part of the picture
    // While the grid has the keyboard, the frame is in the selection colour.
    QVERIFY(f.List->Edit1->hasFocus());
    const QColor highlight = f.List->Image1->palette().color(QPalette::Active, QPalette::Highlight);
    QImage shown = f.List->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.pixelColor(132, 60), highlight);
    QCOMPARE(shown.pixelColor(134, 60), before.pixelColor(134, 60));
    // Elsewhere, the frame's band, 3 pixels wide on the outline x = 132, is inverted; inside it
    // is not.
    f.List->BitBtn6->setFocus();
    shown = f.List->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int x : {131, 132, 133}) {
        const QColor under = before.pixelColor(x, 60);
        QCOMPARE(shown.pixelColor(x, 60),
                 QColor(255 - under.red(), 255 - under.green(), 255 - under.blue()));
    }
    QCOMPARE(shown.pixelColor(134, 60), before.pixelColor(134, 60));
    QCOMPARE(shown.pixelColor(130, 60), before.pixelColor(130, 60));
    // Moving the selection takes the old frame away.
    f.List->Image1MouseDown(Qt::LeftButton, 10, 10);
    f.List->Image1MouseUp(Qt::LeftButton, 10, 10);
    f.List->BitBtn6->setFocus();
    shown = f.List->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.pixelColor(132, 60), before.pixelColor(132, 60));
    QCOMPARE(shown.pixelColor(4, 60), QColor(Qt::black));  // white inverted
    // A redraw resets the frame.
    f.List->BitBtn6Click();
    QVERIFY(!f.List->SelectionRect.Valid());
}

void TestListIconsGrid::clickBelowTheLastRowSelectsTheLastIcon() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "five.ico", 5));
    f.ShowAndDraw(QSize(600, 400));
    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(200, 300));
    QCOMPARE(f.List->SelectedIndex, 4);
    QCOMPARE(f.List->Image1->cursor().shape(), Qt::ArrowCursor);  // no drag starts
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(f.List->SelectedIndex, 4);
    QCOMPARE(f.List->Modified, false);
    // Beyond the last column of a row: no cell either.
    f.ShowAndDraw(QSize(700, 400));
    QCOMPARE(f.List->ColumnCount, 5);
    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(5 * 128 + 10, 10));
    QCOMPARE(f.List->SelectedIndex, 4);
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(5 * 128 + 10, 10));
}

void TestListIconsGrid::keysMoveTheSelection() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "nine.ico", 9));
    f.ShowAndDraw(QSize(600, 200));
    QCOMPARE(f.List->SelectedIndex, 0);
    QVERIFY(f.List->Edit1->hasFocus());
    QTest::keyClick(f.List->Edit1, Qt::Key_Up);
    QCOMPARE(f.List->SelectedIndex, 0);
    QTest::keyClick(f.List->Edit1, Qt::Key_Right);
    QTest::keyClick(f.List->Edit1, Qt::Key_Down);
    QTest::keyClick(f.List->Edit1, Qt::Key_PageDown);
    QCOMPARE(f.List->SelectedIndex, 3);
    QTest::keyClick(f.List->Edit1, Qt::Key_Left);
    QTest::keyClick(f.List->Edit1, Qt::Key_PageUp);
    QCOMPARE(f.List->SelectedIndex, 1);
    QTest::keyClick(f.List->Edit1, Qt::Key_A);  // other keys reselect and change nothing
    QCOMPARE(f.List->SelectedIndex, 1);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(f.List->Edit1, Qt::Key_Down);
    QCOMPARE(f.List->SelectedIndex, 8);
    QCOMPARE(f.List->StatusLine(),
             QStringLiteral("(9/9)     8# 32x32x8bits     Right click to save the icon."));
    // Scrolled to the selected row (as far as the range allows).
    QScrollBar* v = f.List->ScrollBox1->verticalScrollBar();
    QCOMPARE(v->value(), std::min(2 * 128, v->maximum()));
    QVERIFY(v->value() > 0);
    QCOMPARE(f.List->Image1->cursor().shape(), Qt::ArrowCursor);
    // F5 redraws and keeps the selection.
    QTest::keyClick(f.List->Edit1, Qt::Key_F5);
    QCOMPARE(f.List->SelectedIndex, 8);
    QCOMPARE(f.List->SelectionRect, SelectionRectOf(8, 4));
}

void TestListIconsGrid::dragReorders() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "five.ico", 5));
    f.ShowAndDraw(QSize(600, 400));
    const auto files = f.List->Icons.IconFiles;
    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(2 * 128 + 10, 10));
    QCOMPARE(f.List->SelectedIndex, 2);
    QVERIFY(f.List->Modified);
    QCOMPARE(f.List->Icons.IconFiles,
             (std::vector<fs::path>{files[1], files[2], files[0], files[3], files[4]}));
    QCOMPARE(f.List->Icons.IconInfos[2], std::string(" 0# 32x32x8bits"));
    QCOMPARE(f.List->SelectionRect, SelectionRectOf(2, 4));
    // Dropped below the last row: to the end.
    QTest::mousePress(f.List->Image1, Qt::LeftButton, {}, QPoint(130, 10));
    QTest::mouseRelease(f.List->Image1, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(f.List->SelectedIndex, 4);
    QCOMPARE(f.List->Icons.IconFiles[4], files[2]);
}

void TestListIconsGrid::doubleClickClosesWithOk() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    ScriptedSeam seam;
    seam.ModalScripts.push_back([](QDialog& d) {
        auto& list = static_cast<TListIcons&>(d);
        list.Refresh();
        list.FinishDrawing();
        // A double click arrives after the press and release of its first click.
        QTest::mouseClick(list.Image1, Qt::LeftButton, {}, QPoint(130, 10));
        QTest::mouseDClick(list.Image1, Qt::LeftButton, {}, QPoint(130, 10));
        return list.result();
    });
    QCOMPARE(RunModal(*f.List), TListIcons::ResultOk);
    QCOMPARE(f.List->SelectedIndex, 1);
    QCOMPARE(seam.ModalWindows, QStringList{"ListIcons"});

    // Cancel closes with 2 and changes nothing.
    ListFixture g;
    g.Load(test::MakeIconsFile(g.Files / "three.ico", 3));
    g.List->show();
    g.List->BitBtn3->click();
    QCOMPARE(g.List->result(), TListIcons::ResultCancel);
    g.List->show();
    g.List->BitBtn7->click();
    QCOMPARE(g.List->result(), TListIcons::ResultOk);
    QVERIFY(seam.Questions.isEmpty());
}

void TestListIconsGrid::resizeTimerRedrawsAfter700ms() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    QCOMPARE(f.List->ResizeTimer->interval(), 700);
    QVERIFY(!f.List->ResizeTimer->isActive());
    f.List->show();
    // Showing lays the window out, which starts the timer; nothing is drawn before it fires.
    QVERIFY(f.List->ResizeTimer->isActive());
    QVERIFY(f.List->StatusLine().isEmpty());
    QVERIFY(!f.List->IsDrawing());
    QTRY_VERIFY_WITH_TIMEOUT(!f.List->StatusLine().isEmpty(), 5000);
    QVERIFY(!f.List->ResizeTimer->isActive());
    QCOMPARE(f.List->StatusLine(),
             QStringLiteral("(1/3)     0# 32x32x8bits     Right click to save the icon."));
    QTRY_VERIFY_WITH_TIMEOUT(!f.List->IsDrawing(), 5000);
    QCOMPARE(PixelAt(f.List->Picture(), 0, 0), LoaderFrame);
    f.List->resize(f.List->width() + 40, f.List->height());
    QVERIFY(f.List->ResizeTimer->isActive());
}

void TestListIconsGrid::unreadableIconKeepsItsPlace() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    fs::remove(f.List->Icons.IconFiles[1]);
    f.ShowAndDraw(QSize(600, 400));
    const QImage& pic = f.List->Picture();
    QCOMPARE(PixelAt(pic, 0, 0), LoaderFrame);
    QCOMPARE(PixelAt(pic, 128, 0), QColor(Qt::white));  // an empty cell, not even a frame
    QCOMPARE(PixelAt(pic, 256, 0), LoaderFrame);
    f.List->Image1MouseDown(Qt::LeftButton, 130, 10);
    QCOMPARE(f.List->SelectedIndex, 1);
    QCOMPARE(f.List->StatusLine(),
             QStringLiteral("(2/3)     1# 32x32x8bits     Right click to save the icon."));
}

void TestListIconsGrid::emptySetHasNoSelection() {
    ListFixture f;
    f.ShowAndDraw(QSize(600, 400));
    QCOMPARE(f.List->SelectedIndex, -1);
    QVERIFY(!f.List->SelectionRect.Valid());
    QVERIFY(f.List->StatusLine().isEmpty());
    f.List->Image1MouseDown(Qt::LeftButton, 10, 10);
    QCOMPARE(f.List->SelectedIndex, -1);
    QTest::keyClick(f.List->Edit1, Qt::Key_Down);
    QCOMPARE(f.List->SelectedIndex, -1);
    QVERIFY(!f.List->MoveToNext->isEnabled());
    f.List->Image1DblClick();
    QVERIFY(f.List->isVisible());
}

void TestListIconsGrid::largeSetIsDrawnBetweenEvents() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "many.ico", 300));
    QCOMPARE(f.List->Icons.Size(), std::size_t{300});
    f.List->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.List.get()));
    f.SetScrollClient(QSize(600, 300));
    f.List->ResizeTimer->stop();
    // One cell per slice, so that the events handled in between are seen whatever the speed.
    f.List->DrawSliceMs = 0;
    // Refreshing returns at once; the cells come while events keep being handled.
    f.List->Refresh();
    QVERIFY(f.List->IsDrawing());
    QCOMPARE(f.List->SelectedIndex, 0);
    QCOMPARE(f.List->Picture().height(), 75 * 128);
    bool sawProgress = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (f.List->IsDrawing() && f.List->ProgressBar1->value() > 0)
            sawProgress = true;
    });
    probe.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(!f.List->IsDrawing(), 60000);
    probe.stop();
    QVERIFY(sawProgress);
    QCOMPARE(f.List->ProgressBar1->value(), 300);
    const QImage progressive = f.List->Picture().copy();
    // The same picture as drawing everything at once.
    f.List->Refresh();
    f.List->FinishDrawing();
    QCOMPARE(f.List->Picture(), progressive);
    QCOMPARE(PixelAt(progressive, 3 * 128, 74 * 128), LoaderFrame);
    // A change in the middle of a drawing starts it over on the new order.
    f.List->Refresh();
    f.List->MoveToLastExecute();
    f.List->FinishDrawing();
    QCOMPARE(f.List->SelectedIndex, 299);
}

void TestListIconsGrid::destroyingDeletesTheSetsFiles() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    const auto files = f.List->Icons.IconFiles;
    QCOMPARE(test::FolderEntries(f.Work.Path()).size(), std::size_t{3});
    for (const auto& p : files)
        QVERIFY(fs::exists(p));
    f.List.reset();
    for (const auto& p : files)
        QVERIFY(!fs::exists(p));
    QVERIFY(test::FolderEntries(f.Work.Path()).empty());
    QVERIFY(fs::exists(f.Files / "three.ico"));  // the source file is not the window's
}

// The icons of a real multi-icon file. With GF_SCREENSHOT set to a path, the window is also
// saved there as a picture (run it under a real display for the desktop's fonts and style).
void TestListIconsGrid::realMultiIconFile() {
    const QByteArray corpus = qgetenv("GF_CORPUS");
    if (corpus.isEmpty())
        QSKIP("GF_CORPUS is not set; real-world files are not checked");
    const fs::path file = fs::path(corpus.toStdString()) / "ico" /
                          "nsis-common__Contrib_Graphics_Icons_nsis-menu.ico";
    if (!fs::exists(file))
        QSKIP("the corpus has no nsis-menu.ico");
    ListFixture f;
    f.Load(file);
    QCOMPARE(f.List->Icons.Size(), std::size_t{7});
    f.List->resize(599, 440);
    f.List->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.List.get()));
    QTRY_VERIFY_WITH_TIMEOUT(!f.List->StatusLine().isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.List->IsDrawing(), 10000);
    // Every image decodes: each cell is framed. The 256 x 256 PNG image is one of them.
    for (int i = 0; i < 7; ++i) {
        const GridPoint o = CellOrigin(i, f.List->ColumnCount);
        QCOMPARE(PixelAt(f.List->Picture(), o.X, o.Y), LoaderFrame);
    }
    QCOMPARE(f.List->Icons.IconInfos[4], std::string(" 4# 256x256x32bits"));
    f.List->Image1MouseDown(Qt::LeftButton, CellOrigin(4, f.List->ColumnCount).X + 60,
                            CellOrigin(4, f.List->ColumnCount).Y + 60);
    f.List->Image1MouseUp(Qt::LeftButton, 0, 0);
    f.List->MoveToFirstExecute();
    f.List->FinishDrawing();
    const QByteArray shot = qgetenv("GF_SCREENSHOT");
    if (!shot.isEmpty()) {
        QCoreApplication::processEvents();
        QVERIFY(f.List->grab().save(QString::fromLocal8Bit(shot)));
    }
    f.List->Modified = false;
}

QTEST_MAIN(TestListIconsGrid)
#include "tst_list_icons_grid.moc"
