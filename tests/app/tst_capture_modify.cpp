// The Capture Icon and Modify Icon commands end to end in the real windows, offscreen, on a
// scripted screen: a capture through the capture window, the Load command and the editor, with
// the converter window off the screen meanwhile; the working icon into the editor and back.

#include <QCheckBox>
#include <QSlider>
#include <QtTest>
#include <stdexcept>

#include "capture/select_area.h"
#include "command_test_kit.h"
#include "iconfile/ico_decode.h"
#include "platform/bmp_codec.h"

using namespace gf;
using namespace gf::test;
namespace fs = std::filesystem;

namespace {

constexpr int Left = 150;

Bitmap PatternScreen(int w, int h) {
    Bitmap screen(w, h, PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            screen.SetPixel(x, y,
                            Rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
    return screen;
}

// What the capture window held when its script ran.
struct CaptureSeen {
    int ConverterLeft = 0;
    int StartWidth = 0;
    int StartHeight = 0;
    Color Background = Black;
    Color PictureCorner = Black;
};

// Drags the cross to `at` with a `side` x `side` area and answers `result`.
ScriptedSeam::ModalScript CaptureScript(ScriptedSeam& seam, CaptureSeen& seen, int side, QPoint at,
                                        int result) {
    return [&seam, &seen, side, at, result](QDialog& d) {
        auto& form = static_cast<TForm2&>(d);
        seen.ConverterLeft = IconConverter ? IconConverter->x() : 0;
        seen.StartWidth = form.CaptureWidth;
        seen.StartHeight = form.CaptureHeight;
        seen.Background = form.PictureBackground;
        seen.PictureCorner = form.Picture.GetPixel(form.Picture.Width() - 1, 0);
        form.TrackBar1->setValue(side);
        QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
        seam.Pointer = at;
        form.Timer2Timer();
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(), QPointF(at), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form.SpeedButton4, &up);
        return result;
    };
}

std::unique_ptr<TIconConverter> PlacedWindow(const CommandTestKit& kit) {
    auto w = kit.MakeWindow();
    w->show();
    w->move(Left, 80);
    return w;
}

// A 32 x 32 icon file whose image is `bitCount` deep, the top-left quarter masked; at 32 bits
// `alpha` gives each pixel's alpha byte.
fs::path WriteIcon(const CommandTestKit& kit, int bitCount,
                   std::function<std::uint8_t(int x, int y)> alpha = nullptr) {
    DibBlockRecipe recipe = MarkedImage(32, bitCount, Green);
    if (alpha) {
        recipe.Pixel = [alpha](int x, int y) {
            return (std::uint32_t{alpha(x, y)} << 24) | 0x0000FF00u;
        };
    }
    const fs::path file = kit / "icon.ico";
    IcoBuilder().Add(recipe).WriteTo(file);
    return file;
}

bool Masked(int x, int y) {
    return x < 16 && y < 16;
}

// What the editor was handed by Modify.
struct ModifySeen {
    bool Shown = false;
    fs::path SourcePath;
    int EditExisting = -1;
    bool OnSizePage = false;
    Bitmap IconColor, IconMask, SrcColor, SrcMask;
};

ScriptedSeam::ModalScript ModifyScript(ModifySeen& seen, bool finish) {
    return [&seen, finish](QDialog& d) {
        auto& editor = static_cast<TIconEditor&>(d);
        seen.Shown = true;
        seen.SourcePath = editor.SourcePath;
        seen.EditExisting = editor.EditExisting;
        seen.OnSizePage = editor.PageControl1->currentWidget() == editor.TabSheet1;
        seen.IconColor = editor.IconColor;
        seen.IconMask = editor.IconMask;
        seen.SrcColor = editor.SrcColor;
        seen.SrcMask = editor.SrcMask;
        // A snapshot file of the editor's own, which the command removes.
        WriteAll(editor.SourcePath, {1, 2, 3});
        return finish ? FinishEditor(d) : 0;
    };
}

}  // namespace

class TestCaptureModify : public QObject {
    Q_OBJECT
  private slots:
    void aConfirmedCaptureGoesThroughTheEditor();
    void aCancelledCaptureWritesNothing();
    void theWindowComesBackAfterFailures();
    void modifyBeforeAnyLoadOpensNothing();
    void modifyHandsTheWorkingIconToTheEditor_data();
    void modifyHandsTheWorkingIconToTheEditor();
    void modifyFinishedBecomesTheWorkingIcon();
    void modifyCancelledChangesNothing();
};

void TestCaptureModify::aConfirmedCaptureGoesThroughTheEditor() {
    CommandTestKit kit;
    kit.Seam->Screen = PatternScreen(400, 300);
    auto w = PlacedWindow(kit);
    CaptureSeen seen;
    int leftDuringEditor = 0;
    Bitmap handed;
    EditorSeen edited;
    kit.Seam->ModalScripts.push_back(CaptureScript(*kit.Seam, seen, 32, QPoint(100, 60), 1));
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        leftDuringEditor = w->x();
        handed = LoadBmpFile(w->WorkFile("eitemp.bmp")).Value();
        return FinishEditor(d, &edited);
    });
    w->suiButton4->click();

    QCOMPARE(kit.Seam->ModalWindows,
             (QStringList{QStringLiteral("Form2"), QStringLiteral("IconEditor")}));
    QVERIFY(kit.Seam->Messages.isEmpty());
    // The capture window starts at 48 x 48, its picture red.
    QCOMPARE(seen.StartWidth, 48);
    QCOMPARE(seen.StartHeight, 48);
    QCOMPARE(Hex(seen.Background), Hex(Red));
    QCOMPARE(Hex(seen.PictureCorner), Hex(Red));
    // Off the screen from the capture window until the editor has closed.
    QCOMPARE(seen.ConverterLeft, -1000);
    QCOMPARE(leftDuringEditor, -1000);
    QCOMPARE(w->x(), Left);
    QVERIFY(!Form2);

    QCOMPARE(edited.SourcePath, w->WorkFile("eitemp.bmp"));
    QCOMPARE(edited.SliderWidth, 32);
    QCOMPARE(edited.SliderHeight, 32);
    QCOMPARE(handed.Width(), 32);
    QCOMPARE(handed.Height(), 32);
    QCOMPARE(Hex(handed.GetPixel(0, 0)), Hex(Rgb(84, 44, 7)));
    QCOMPARE(Hex(handed.GetPixel(31, 31)), Hex(Rgb(115, 75, 7)));
    QCOMPARE(w->WorkColor.Width(), 32);
    QCOMPARE(Hex(w->WorkColor.GetPixel(0, 0)), Hex(Rgb(84, 44, 7)));
    QVERIFY(fs::exists(w->WorkFile("eitemp.ico")));
}

void TestCaptureModify::aCancelledCaptureWritesNothing() {
    CommandTestKit kit;
    kit.Seam->Screen = PatternScreen(400, 300);
    auto w = PlacedWindow(kit);
    CaptureSeen seen;
    kit.Seam->ModalScripts.push_back(CaptureScript(*kit.Seam, seen, 32, QPoint(100, 60), -1));
    w->suiButton4->click();
    QCOMPARE(seen.ConverterLeft, -1000);
    QCOMPARE(w->x(), Left);
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("Form2")});
    QVERIFY(!fs::exists(w->WorkFile("eitemp.bmp")));
    QVERIFY(w->WorkColor.Empty());

    // Closing the window by its frame is a cancel too.
    kit.Seam->ModalScripts.push_back([](QDialog& d) {
        d.close();
        return d.result();
    });
    w->suiButton4->click();
    QCOMPARE(w->x(), Left);
    QVERIFY(!fs::exists(w->WorkFile("eitemp.bmp")));
}

void TestCaptureModify::theWindowComesBackAfterFailures() {
    CommandTestKit kit;
    kit.Seam->Screen = PatternScreen(400, 300);
    auto w = PlacedWindow(kit);
    CaptureSeen seen;
    // A picture of no width cannot be saved: told, nothing loaded.
    kit.Seam->ModalScripts.push_back(CaptureScript(*kit.Seam, seen, 0, QPoint(10, 10), 1));
    w->suiButton4->click();
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY(kit.Seam->Messages.first().startsWith(QStringLiteral("Can not write the captured")));
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("Form2")});
    QCOMPARE(w->x(), Left);

    // An error that escapes the command still brings the window back.
    kit.Seam->ModalScripts.push_back([](QDialog&) -> int { throw std::runtime_error("boom"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, w->suiButton4Click());
    QCOMPARE(w->x(), Left);
    QVERIFY(!Form2);
}

void TestCaptureModify::modifyBeforeAnyLoadOpensNothing() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    w->suiButton2->click();
    QCOMPARE(kit.Seam->Messages,
             QStringList{QStringLiteral("Please load or capture an image firstly.")});
    QVERIFY(kit.Seam->ModalWindows.isEmpty());
}

void TestCaptureModify::modifyHandsTheWorkingIconToTheEditor_data() {
    using AlphaOf = std::function<std::uint8_t(int, int)>;
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<AlphaOf>("alpha");     // of the icon file (32 bits only)
    QTest::addColumn<AlphaOf>("expected");  // in the editor; null: not 32-bit
    const AlphaOf fromMask = [](int x, int y) -> std::uint8_t { return Masked(x, y) ? 0 : 255; };
    const AlphaOf soft = [](int x, int y) -> std::uint8_t {
        return Masked(x, y) ? 0 : static_cast<std::uint8_t>(40 + x * 3 + y);
    };
    QTest::newRow("4 bits: 24-bit colour") << 4 << AlphaOf() << AlphaOf();
    QTest::newRow("24 bits") << 24 << AlphaOf() << AlphaOf();
    QTest::newRow("32 bits, real transparency kept") << 32 << soft << soft;
    // Drawn by its alpha alone, as the converter window shows it: the mask says nothing.
    const AlphaOf flat = [](int, int) -> std::uint8_t { return 200; };
    QTest::newRow("32 bits, no alpha 0: alpha kept") << 32 << flat << flat;
    QTest::newRow("32 bits, every alpha 0: alpha from the mask")
        << 32 << AlphaOf([](int, int) -> std::uint8_t { return 0; }) << fromMask;
}

void TestCaptureModify::modifyHandsTheWorkingIconToTheEditor() {
    QFETCH(int, bitCount);
    using AlphaOf = std::function<std::uint8_t(int, int)>;
    QFETCH(AlphaOf, alpha);
    QFETCH(AlphaOf, expected);
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    LoadPreset(*w, WriteIcon(kit, bitCount, alpha));
    QCOMPARE(w->WorkColor.Width(), 32);
    ModifySeen seen;
    kit.Seam->ModalScripts.push_back(ModifyScript(seen, false));
    w->suiButton2->click();

    QVERIFY(seen.Shown);
    QCOMPARE(seen.SourcePath, w->WorkFile("icxor.bmp"));
    QCOMPARE(seen.EditExisting, 1);
    QVERIFY(seen.OnSizePage);
    QCOMPARE(seen.IconColor.Format(), expected ? PixelFormat::Bits32 : PixelFormat::Bits24);
    QCOMPARE(seen.IconMask.Format(), PixelFormat::Bits8);
    QVERIFY(seen.SrcMask == seen.IconMask);
    QCOMPARE(seen.SrcColor.Format(), seen.IconColor.Format());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            QCOMPARE(seen.IconMask.Row(y)[x], Masked(x, y) ? 255 : 0);
            if (!Masked(x, y))
                QCOMPARE(Hex(seen.IconColor.GetPixel(x, y)), Hex(Green));
            if (expected)
                QCOMPARE(seen.IconColor.GetAlpha(x, y), expected(x, y));
        }
    }
}

void TestCaptureModify::modifyFinishedBecomesTheWorkingIcon() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    LoadPreset(*w, WriteIcon(kit, 8));
    QCOMPARE(w->WorkPixelFormat, 3);
    ModifySeen seen;
    kit.Seam->ModalScripts.push_back(ModifyScript(seen, true));
    w->suiButton2->click();

    QVERIFY(seen.Shown);
    // The editor's own depth comes back; the file and the bitmaps agree.
    QCOMPARE(w->WorkMask.Format(), PixelFormat::Bits8);
    Result<IconImage> file = LoadIconFileFirstSize(w->WorkFile("eitemp.ico"));
    QVERIFY(file.Ok());
    QCOMPARE(file->Width(), 32);
    QCOMPARE(w->WorkPixelFormat, CodeOf(w->WorkColor.Format()));
    // At the depth the colour bits page preselected from the icon's, 8 bits.
    QCOMPARE(w->WorkColor.BitCount(), 8);
    QCOMPARE(Hex(file->Color.GetPixel(20, 20)), Hex(w->WorkColor.GetPixel(20, 20)));
    QCOMPARE(GreenOf(w->WorkColor.GetPixel(20, 20)) > 240, true);
    QVERIFY(!fs::exists(w->WorkFile("icxor.bmp")));
}

void TestCaptureModify::modifyCancelledChangesNothing() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    LoadPreset(*w, WriteIcon(kit, 32,
                             [](int x, int y) -> std::uint8_t { return Masked(x, y) ? 0 : 128; }));
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    const Bitmap color = w->WorkColor;
    const Bitmap mask = w->WorkMask;
    const QImage preview = w->Image2->Picture();
    const QString info = w->Label1->text();
    // Only a redraw would show the new backdrop.
    w->Backdrop.Fill(Red);
    ModifySeen seen;
    kit.Seam->ModalScripts.push_back(ModifyScript(seen, false));
    w->suiButton2->click();

    QVERIFY(seen.Shown);
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), file);
    QVERIFY(w->WorkColor == color);
    QVERIFY(w->WorkMask == mask);
    QCOMPARE(w->Label1->text(), info);
    // Redrawn: the same icon over the new backdrop.
    const QImage redrawn = w->Image2->Picture();
    QVERIFY(redrawn != preview);
    w->ShowWorkingIcon();
    QCOMPARE(w->Image2->Picture(), redrawn);
    QVERIFY(!fs::exists(w->WorkFile("icxor.bmp")));
}

QTEST_MAIN(TestCaptureModify)
#include "tst_capture_modify.moc"
