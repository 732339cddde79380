// The converter window, the icon list window and the GIF frame picker as the user sees them: no
// control overlaps another or leaves its panel and every caption fits, at the windows' first
// size and at the smallest the list window allows. Also run at 200% scale (QT_SCALE_FACTOR=2).

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "command_test_kit.h"
#include "gifpicker/gif_loader.h"
#include "iconfile/ico_reader.h"
#include "iconlist/list_icons.h"
#include "platform/qt/popup_menu.h"
#include "support/picture_builders.h"
#include "support/window_checks.h"

using namespace gf;
using namespace gf::test;
namespace fs = std::filesystem;

namespace {

QString Faults(const QWidget& window, const LayoutRules& rules) {
    return LayoutFaults(window, rules).join(QStringLiteral("; "));
}

}  // namespace

class TestWindowLayouts : public QObject {
    Q_OBJECT
  private slots:
    void converterWindow();
    void listWindowFromItsSmallestSizeUp();
    void gifPicker();
};

void TestWindowLayouts::converterWindow() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder().Add(MarkedImage(256, 32, Green)).WriteTo(kit / "big.ico");
    w->LoadPath = kit / "big.ico";
    w->suiButton1->Tag = 1;
    w->suiButton1Click();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QCOMPARE(w->Label1->text(), QStringLiteral("256 X 256 X 32 bits"));
    // The preview lies over the backdrop; the right-hand buttons, one pixel in from their panel's
    // left edge, reach one pixel past its right edge, where they draw nothing.
    const LayoutRules rules{{{QStringLiteral("Image1"), QStringLiteral("Image2")}},
                            {},
                            {QStringLiteral("suiButton5"), QStringLiteral("suiButton7"),
                             QStringLiteral("BitBtn1")}};
    const QString faults = Faults(*w, rules);
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
    // Each command button's caption fits under its glyph.
    for (GlyphButton* b : w->findChildren<GlyphButton*>())
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= b->width(),
                 qPrintable(b->objectName()));
}

void TestWindowLayouts::listWindowFromItsSmallestSizeUp() {
    CommandTestKit kit;
    ScriptedPopupMenus menus;
    IcoBuilder()
        .Add(MarkedImage(256, 32, Green))
        .Add(MarkedImage(48, 32, Red))
        .Add(MarkedImage(16, 8, Blue))
        .WriteTo(kit / "three.ico");
    TListIcons list(kit.Folder());
    list.Icons.Clear();
    QCOMPARE(ExtractIconsToFiles(kit / "three.ico", list.Icons, kit.Folder()).Count, 3);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const LayoutRules rules{{}, {QStringLiteral("Edit1")}};
    QString faults = Faults(list, rules);
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("first size: ") + faults));
    // The smallest the window goes keeps the panel whole and room for a cell.
    list.resize(10, 10);
    QCOMPARE(list.size(), list.minimumSize());
    faults = Faults(list, rules);
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("smallest: ") + faults));
    QVERIFY(list.ScrollBox1->viewport()->width() >= 128);
    QVERIFY(list.ScrollBox1->viewport()->height() >= 128);
    // The status line of the selected icon fits beside nothing else.
    list.Image1MouseDown(Qt::LeftButton, 10, 10);
    QCOMPARE(list.StatusLine(),
             QStringLiteral("(1/3)     0# 256x256x32bits     Right click to save the icon."));
    list.resize(599, 440);
    faults = Faults(list, rules);
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
    // Enter takes the icon.
    QTest::keyClick(list.Edit1, Qt::Key_Return);
    QCOMPARE(list.result(), TListIcons::ResultOk);
}

void TestWindowLayouts::gifPicker() {
    CommandTestKit kit;
    GifFileRecipe recipe;
    recipe.Width = 40;
    recipe.Height = 30;
    recipe.GlobalColours = {Red, Green, Blue, Black};
    for (std::uint8_t i = 0; i < 12; ++i)
        recipe.Frames.push_back(SolidGifFrame(0, 0, 40, 30, i % 4));
    WriteAll(kit / "twelve.gif", MakeGifFile(recipe));
    TGifLoader picker;
    picker.GifPath = ToQString(kit / "twelve.gif");
    QVERIFY(picker.LoadGifImageClick().Ok());
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QString faults = Faults(picker, {});
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
    // The longest headline, while the pointer is over the last frame.
    picker.Image1MouseMove(Qt::NoButton, 5, 11 * 30 + 2);
    QCOMPARE(picker.Label1->text(),
             QStringLiteral("NO. 11     Total frames: 12      Selected frame: 0"));
    faults = Faults(picker, {});
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
    // The strip is taller than the box: a vertical bar at the top, no horizontal one.
    QTRY_VERIFY(picker.ScrollBox1->verticalScrollBar()->isVisible());
    QCOMPARE(picker.ScrollBox1->verticalScrollBar()->value(), 0);
    QVERIFY(!picker.ScrollBox1->horizontalScrollBar()->isVisible());
}

QTEST_MAIN(TestWindowLayouts)
#include "tst_window_layouts.moc"
