// The converter window, the icon list window and the GIF frame picker as the user sees them: no
// control overlaps another or leaves its panel and every caption fits, at the windows' first
// size and at the smallest the list window allows. Also run at 200% scale (QT_SCALE_FACTOR=2).

#include <QApplication>
#include <QCheckBox>
#include <QSlider>
#include <QToolButton>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "capture/select_area.h"
#include "command_test_kit.h"
#include "editor/icon_editor.h"
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

// A dark palette as dark desktop themes give it: light text on dark grey, a blue selection.
QPalette DarkPalette() {
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230),
        disabled(127, 127, 127), highlight(42, 130, 218);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, window.lighter(150));
    p.setColor(QPalette::Midlight, window.lighter(125));
    p.setColor(QPalette::Mid, window.darker(120));
    p.setColor(QPalette::Dark, window.darker(150));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

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
    void captureWindow();
    void darkPalettesKeepOutlinesAndTextVisible();
    void screenshots();
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

void TestWindowLayouts::captureWindow() {
    CommandTestKit kit;
    TForm2 form;
    form.TrackBar1->setValue(TForm2::MaxCaptureSize);
    form.TrackBar2->setValue(TForm2::MaxCaptureSize);
    form.FillPicture(Rgb(255, 0, 0));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The preview at its largest, with the labels at their longest. The height slider's lower
    // end margin reaches 2 pixels under its label, placed where the form places it.
    const LayoutRules rules{{{QStringLiteral("TrackBar2"), QStringLiteral("Label4")}}, {}, {}};
    const QString faults = Faults(form, rules);
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
    QCOMPARE(form.Label3->text(), QStringLiteral("256"));
    // The Tab key goes from the size controls through the buttons, and round.
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.TrackBar1->setFocus(Qt::TabFocusReason);
    QStringList seen;
    for (int i = 0; i < 11; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (f && f->objectName().isEmpty() && f->parentWidget())
            f = f->parentWidget();  // the size box's line edit
        seen << (f ? f->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(seen,
             QStringList({"TrackBar1", "TrackBar2", "ComboBox1", "CheckBox2", "SpeedButton4",
                          "suiButton5", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "TrackBar1"}));
}

// Owner-drawn outlines take the palette's text colour, and a link colour left dark on a dark
// window is lightened. (Windows made before the palette changes follow it once the event loop
// runs, which a test function does not.)
void TestWindowLayouts::darkPalettesKeepOutlinesAndTextVisible() {
    QPalette dark = DarkPalette();
    dark.setColor(QPalette::Link, QColor(0, 0, 255));  // as the light palette has it
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([] { QApplication::setPalette(QPalette()); });
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    TIconEditor editor;
    const int window = dark.color(QPalette::Window).lightness();
    QVERIFY(w->Label2->palette().color(QPalette::WindowText).lightness() >= window + 80);
    const QRgb text = dark.color(QPalette::WindowText).rgb();
    QCOMPARE(editor.Shape3->grab().toImage().pixel(0, 0), text);  // the reference frame
    QCOMPARE(editor.Shape2->grab().toImage().pixel(0, 0), text);  // the background swatch
    QCOMPARE(editor.Shape4->grab().toImage().pixel(0, 0), text);  // the brush's frame
}

// Two of the README's pictures: with GF_SCREENSHOT_DIR set, on a real (virtual) display. At 200%
// scale (QT_SCALE_FACTOR=2) the converter window; otherwise the transparency page with a dark
// palette.
void TestWindowLayouts::screenshots() {
    const QByteArray folder = qgetenv("GF_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("GF_SCREENSHOT_DIR is not set");
    const bool scaled = qgetenv("QT_SCALE_FACTOR") == "2";
    if (!scaled) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(DarkPalette());
    }
    const QString suffix = scaled ? QStringLiteral("-200.png") : QStringLiteral("-dark.png");
    const fs::path out = ToPath(QString::fromLocal8Bit(folder));
    auto shoot = [&](QWidget& window, const QString& name) {
        QApplication::processEvents();
        QTest::qWait(300);
        QVERIFY(window.grab().save(ToQString(out) + QLatin1Char('/') + name + suffix));
    };
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const fs::path sample = fs::path(GF_TEST_DATA_DIR) / ".." / ".." / "samples" / "sample.png";
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        auto& e = dynamic_cast<TIconEditor&>(d);
        e.cbRemoveTrans->click();
        e.TrackBar1->setValue(64);
        e.BitBtn1->click();
        e.CheckBox1->click();
        e.SBTransRemove->click();
        if (!scaled)
            shoot(e, QStringLiteral("editor-transparency"));
        e.BitBtn2->click();
        e.BitBtn6->click();
        e.BitBtn3->click();
        return e.result();
    });
    LoadPreset(*w, sample);
    QCOMPARE(w->WorkColor.Width(), 64);
    if (scaled)
        shoot(*w, QStringLiteral("converter-window"));
    QApplication::setPalette(QPalette());
}

QTEST_MAIN(TestWindowLayouts)
#include "tst_window_layouts.moc"
