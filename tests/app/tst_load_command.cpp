// The Load Image command end to end in the real windows, offscreen: pictures of every kind
// through the picture step and the icon editor, GIFs through the frame picker, icon and cursor
// files and executables through the icon list window, and the refusals and cancellations that
// must leave the working icon as it was. With GF_SCREENSHOT_DIR set (on a real display) the
// pages of the editor are also saved there as pictures.

#include <cerrno>
#include <zlib.h>
#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest>

#include "command_test_kit.h"
#include "platform/file_io.h"
#include "gifpicker/gif_loader.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"
#include "iconlist/list_icons.h"
#include "platform/bmp_codec.h"
#include "platform/icon_draw.h"
#include "platform/png_codec.h"
#include "platform/qt/qimage_bridge.h"
#include "support/pe_builder.h"
#include "support/picture_builders.h"
#include "support/wmf_builder.h"

using namespace gf;
using namespace gf::test;
namespace fs = std::filesystem;

namespace {

constexpr Color Yellow = Rgb(255, 255, 0);

void PutU32Be(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Alpha of the test PNG at (x, y): bands of every value, with fully transparent and fully
// opaque columns among them.
std::uint8_t PatternAlpha(int x, int y) {
    if (x % 10 == 0)
        return 0;
    if (x % 10 == 5)
        return 255;
    return static_cast<std::uint8_t>((x * 7 + y * 3) % 256);
}

std::vector<std::uint8_t> PatternPng(int w, int h) {
    PngFileRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.ColorType = 6;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int v : {x % 256, y % 256, 128, int{PatternAlpha(x, y)}})
                recipe.Samples.push_back(static_cast<std::uint16_t>(v));
    return MakePngFile(recipe);
}

// A PNG whose header claims a picture of w x h; it holds hardly any picture data.
std::vector<std::uint8_t> HeaderOnlyPng(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&file](const char* type, std::vector<std::uint8_t> data) {
        PutU32Be(file, static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        file.insert(file.end(), body.begin(), body.end());
        PutU32Be(file,
                 static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
    };
    std::vector<std::uint8_t> ihdr;
    PutU32Be(ihdr, w);
    PutU32Be(ihdr, h);
    for (std::uint8_t b : {8, 6, 0, 0, 0})
        ihdr.push_back(b);
    chunk("IHDR", ihdr);
    // The start of the first row only.
    std::vector<std::uint8_t> row(64, 0);
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(row.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedSize, row.data(), static_cast<uLong>(row.size()));
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return file;
}

std::vector<std::uint8_t> SolidGif(int w, int h, const std::vector<Color>& frameColours) {
    GifFileRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.GlobalColours = {Red, Green, Blue, Yellow};
    for (Color c : frameColours) {
        const auto index = static_cast<std::uint8_t>(
            std::find(recipe.GlobalColours.begin(), recipe.GlobalColours.end(), c) -
            recipe.GlobalColours.begin());
        recipe.Frames.push_back(SolidGifFrame(0, 0, w, h, index));
    }
    return MakeGifFile(recipe);
}

Bitmap LoadBmp(const fs::path& file) {
    Result<Bitmap> b = LoadBmpFile(file);
    return b ? std::move(b).Value() : Bitmap();
}

// Files in the working folder whose names the icon file reader gives its one-image files.
int OneImageFilesIn(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ic", 0) == 0 && name.find('_') != std::string::npos &&
            entry.path().extension() == ".ico")
            ++n;
    }
    return n;
}

}  // namespace

class TestLoadCommand : public QObject {
    Q_OBJECT
  private slots:
    void pngWithAlphaReachesTheEditorLimitedWithItsAlpha();
    void jpegWithAnUpperCaseExtension();
    void bmpReachesTheEditorAtItsOwnSize();
    void metafileIsDrawnForTheEditor();
    void oneFrameGifGoesStraightToTheEditor();
    void gifOfSeveralFramesShowsThePickerFirst();
    void gifTransparencyReachesTheEditorAsAlpha();
    void cancelledEditorChangesNothingAndDoesNotRedraw();
    void iconFileWithOneImageBecomesTheWorkingIcon();
    void iconFileWithSeveralImagesOpensTheList();
    void cancelledListKeepsTheWorkingIcon();
    void cursorFileBecomesTheWorkingIcon();
    void cancelledCursorListLeavesTheWorkingIconFile();
    void executablesWithOneAndWithFortyIcons();
    void executableWithoutIcons();
    void unknownKindRedrawsOnly();
    void refusedAndDamagedPicturesAreReported();
    void cancelledOpenDialogChangesNothing();
    void editorPagesScreenshots();
};

void TestLoadCommand::pngWithAlphaReachesTheEditorLimitedWithItsAlpha() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    WriteAll(kit / "wide.png", PatternPng(300, 200));

    Bitmap handed;
    EditorSeen seen;
    kit.Seam->FileAnswers = {{ToQString(kit / "wide.png")}};
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return FinishEditor(d, &seen);
    });
    w->suiButton1->click();

    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("IconEditor")});
    QVERIFY(kit.Seam->Messages.isEmpty());
    QVERIFY(seen.Shown);
    QCOMPARE(seen.SourcePath, w->WorkFile("eitemp.bmp"));
    QVERIFY(seen.FirstPageWasSizePage);
    // Each side limited by itself; 32 bits, the alpha sampled by nearest neighbour.
    QCOMPARE(handed.Width(), 256);
    QCOMPARE(handed.Height(), 200);
    QCOMPARE(handed.Format(), PixelFormat::Bits32);
    for (int i = 0; i < 200; ++i)
        for (int j = 0; j < 256; ++j)
            if (handed.GetAlpha(j, i) != PatternAlpha(300 * j / 256, 200 * i / 200))
                QFAIL(qPrintable(QStringLiteral("alpha at %1, %2").arg(j).arg(i)));
    // The colours are averaged, not sampled: red runs smoothly from 0 towards 255.
    QCOMPARE(RedOf(handed.GetPixel(0, 0)) <= 2, true);
    QCOMPARE(BlueOf(handed.GetPixel(100, 100)), 128);
    // The alpha gave the transparency, so the editor started in its existing-icon mode.
    QCOMPARE(seen.EditExisting, 1);
    QCOMPARE(seen.SliderWidth, 256);
    QCOMPARE(seen.SliderHeight, 200);

    // "Finish": the result is the working icon, in memory, in the file and on the screen.
    QCOMPARE(w->LoadKind, std::string(".bmp"));
    QCOMPARE(w->LoadPath, w->WorkFile("eitemp.bmp"));
    QVERIFY(w->WorkColor == seen.IconColor);
    QVERIFY(w->WorkMask == seen.IconMask);
    QCOMPARE(w->WorkPixelFormat, CodeOf(seen.IconColor.Format()));
    Result<IconImage> file = LoadIconFileFirstSize(w->WorkFile("eitemp.ico"));
    QVERIFY(file.Ok());
    QCOMPARE(file->Width(), w->WorkColor.Width());
    QCOMPARE(file->Height(), w->WorkColor.Height());
    QCOMPARE(file->Color.BitCount(), seen.IconColor.BitCount());
    QCOMPARE(w->Label1->text(), QStringLiteral("%1 X %2 X %3 bits")
                                    .arg(w->WorkColor.Width())
                                    .arg(w->WorkColor.Height())
                                    .arg(seen.IconColor.BitCount()));
    QVERIFY(!w->Image2->Picture().isNull());
}

void TestLoadCommand::jpegWithAnUpperCaseExtension() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    JpegFileRecipe recipe;
    recipe.Width = 40;
    recipe.Height = 30;
    recipe.Samples.assign(40 * 30 * 3, 0);
    for (std::size_t i = 0; i < recipe.Samples.size(); i += 3)
        recipe.Samples[i] = 250;  // red
    WriteAll(kit / "PHOTO.JPG", MakeJpegFile(recipe));

    Bitmap handed;
    EditorSeen seen;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return FinishEditor(d, &seen);
    });
    LoadPreset(*w, kit / "PHOTO.JPG");
    QVERIFY(seen.Shown);
    QCOMPARE(handed.Width(), 40);
    QCOMPARE(handed.Height(), 30);
    QCOMPARE(handed.Format(), PixelFormat::Bits32);
    QCOMPARE(handed.GetAlpha(5, 5), 0);  // no alpha: the editor treats it as opaque
    QVERIFY(RedOf(handed.GetPixel(20, 15)) > 230 && GreenOf(handed.GetPixel(20, 15)) < 20);
    QCOMPARE(seen.EditExisting, 0);
    QVERIFY(!w->WorkColor.Empty());
    QVERIFY(fs::exists(w->WorkFile("eitemp.ico")));
}

void TestLoadCommand::bmpReachesTheEditorAtItsOwnSize() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    Bitmap picture(48, 48, PixelFormat::Bits24);
    picture.Fill(Green);
    picture.FillRect(0, 0, 10, 10, Blue);
    QVERIFY(SaveBmpFile(picture, kit / "square.bmp").Ok());
    fs::permissions(kit / "square.bmp", fs::perms::owner_read, fs::perm_options::replace);

    Bitmap handed;
    EditorSeen seen;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return FinishEditor(d, &seen);
    });
    LoadPreset(*w, kit / "square.bmp");
    QCOMPARE(handed.Width(), 48);
    QCOMPARE(handed.Height(), 48);
    QCOMPARE(Hex(handed.GetPixel(5, 5)), Hex(Blue));
    QCOMPARE(Hex(handed.GetPixel(30, 30)), Hex(Green));
    QCOMPARE(w->WorkColor.Width(), 48);
    // The user's file is only read.
    QVERIFY(LoadBmp(kit / "square.bmp") == picture);
    fs::permissions(kit / "square.bmp", fs::perms::owner_all, fs::perm_options::replace);
}

void TestLoadCommand::metafileIsDrawnForTheEditor() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    // A blue bar over the top, a red disc below it, a yellow triangle at the bottom right.
    WriteAll(kit / "shapes.wmf", WmfBuilder()
                                     .Placeable(0, 0, 60, 60, 96)
                                     .CreatePen(5 /* null */, 0, Black)
                                     .SelectObject(0)
                                     .CreateBrush(0, Blue)
                                     .SelectObject(1)
                                     .Rectangle(0, 0, 60, 15)
                                     .CreateBrush(0, Red)
                                     .SelectObject(2)
                                     .Ellipse(5, 20, 35, 50)
                                     .CreateBrush(0, Yellow)
                                     .SelectObject(3)
                                     .Polygon({{59, 40}, {59, 59}, {40, 59}})
                                     .Build());
    Bitmap handed;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return 0;
    });
    LoadPreset(*w, kit / "shapes.wmf");
    QVERIFY2(kit.Seam->Messages.isEmpty(), qPrintable(kit.Seam->Messages.join('|')));
    QCOMPARE(handed.Width(), 60);
    QCOMPARE(handed.Height(), 60);
    QCOMPARE(Hex(handed.GetPixel(30, 7)), Hex(Blue));
    QCOMPARE(Hex(handed.GetPixel(20, 35)), Hex(Red));
    QCOMPARE(Hex(handed.GetPixel(55, 55)), Hex(Yellow));
    QCOMPARE(Hex(handed.GetPixel(45, 30)), Hex(White));  // the ground is white
    QCOMPARE(Hex(handed.GetPixel(6, 21)), Hex(White));   // outside the disc's edge
}

void TestLoadCommand::oneFrameGifGoesStraightToTheEditor() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    WriteAll(kit / "still.gif", SolidGif(20, 10, {Blue}));
    Bitmap handed;
    EditorSeen seen;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return FinishEditor(d, &seen);
    });
    LoadPreset(*w, kit / "still.gif");
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("IconEditor")});
    QCOMPARE(handed.Width(), 20);
    QCOMPARE(handed.Height(), 10);
    QCOMPARE(Hex(handed.GetPixel(3, 3)), Hex(Blue));
    // An opaque GIF is an opaque picture: the transparency page is offered.
    QCOMPARE(seen.EditExisting, 0);
    QCOMPARE(GifLoader, nullptr);
}

void TestLoadCommand::gifOfSeveralFramesShowsThePickerFirst() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    WriteAll(kit / "five.gif", SolidGif(20, 10, {Red, Green, Blue, Yellow, Green}));

    // The picker closed without picking: frame 0.
    Bitmap handed;
    kit.Seam->ModalScripts.push_back([](QDialog& d) {
        auto& picker = dynamic_cast<TGifLoader&>(d);
        return GifLoader == &picker && picker.FrameCount() == 5 ? 1 : -1;
    });
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return 0;
    });
    LoadPreset(*w, kit / "five.gif");
    QCOMPARE(kit.Seam->ModalWindows,
             (QStringList{QStringLiteral("GifLoader"), QStringLiteral("IconEditor")}));
    QVERIFY(kit.Seam->Log.contains(QStringLiteral("modal GifLoader -> 1")));
    QCOMPARE(Hex(handed.GetPixel(3, 3)), Hex(Red));
    QCOMPARE(GifLoader, nullptr);

    // A frame picked on the strip: that one.
    kit.Seam->ClearRecord();
    kit.Seam->ModalScripts.push_back([](QDialog& d) {
        auto& picker = dynamic_cast<TGifLoader&>(d);
        picker.Image1MouseUp(Qt::LeftButton, 5, 3 * 10 + 4);
        return 1;
    });
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        handed = LoadBmp(dynamic_cast<TIconEditor&>(d).SourcePath);
        return 0;
    });
    LoadPreset(*w, kit / "five.gif");
    QCOMPARE(Hex(handed.GetPixel(3, 3)), Hex(Yellow));

    // The picker as the user sees it: a 40 x 30 strip of three frames, centred in its box.
    WriteAll(kit / "three.gif", SolidGif(40, 30, {Red, Green, Blue}));
    QRect strip;
    QString headline;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        auto& picker = dynamic_cast<TGifLoader&>(d);
        strip = picker.Image1->geometry();
        headline = picker.Label1->text();
        return 1;
    });
    kit.Seam->ModalScripts.push_back([](QDialog&) { return 0; });
    LoadPreset(*w, kit / "three.gif");
    QCOMPARE(strip, QRect(255, 65, 40, 90));
    QCOMPARE(headline, QStringLiteral("Select one frame from the following 3 frames"));
}

void TestLoadCommand::gifTransparencyReachesTheEditorAsAlpha() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GifFileRecipe recipe;
    recipe.Width = 16;
    recipe.Height = 16;
    recipe.GlobalColours = {Red, Green, Blue, Yellow};
    GifFrameRecipe frame = SolidGifFrame(0, 0, 16, 16, 2);
    for (int x = 0; x < 16; ++x)
        frame.Indices[static_cast<std::size_t>(x)] = 3;  // the top row is transparent
    frame.Transparent = 3;
    recipe.Frames = {frame};
    WriteAll(kit / "hole.gif", MakeGifFile(recipe));

    EditorSeen seen;
    kit.Seam->ModalScripts.push_back(EditorScript(&seen));
    LoadPreset(*w, kit / "hole.gif");
    QCOMPARE(seen.EditExisting, 1);
    QCOMPARE(seen.IconMask.Row(0)[8], 255);  // transparent
    QCOMPARE(seen.IconMask.Row(8)[8], 0);

    // A GIF with nothing visible stays invisible, though every alpha byte of it is 0.
    for (auto& index : recipe.Frames[0].Indices)
        index = 3;
    WriteAll(kit / "clear.gif", MakeGifFile(recipe));
    EditorSeen clear;
    kit.Seam->ModalScripts.push_back(EditorScript(&clear));
    LoadPreset(*w, kit / "clear.gif");
    QCOMPARE(clear.EditExisting, 1);
    for (int y = 0; y < clear.IconMask.Height(); ++y)
        for (int x = 0; x < clear.IconMask.Width(); ++x)
            QCOMPARE(clear.IconMask.Row(y)[x], 255);
    QVERIFY(MaskIsTransparent(w->WorkMask, 5, 5));
}

void TestLoadCommand::cancelledEditorChangesNothingAndDoesNotRedraw() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder().Add(MarkedImage(32, 8, Green)).WriteTo(kit / "green.ico");
    LoadPreset(*w, kit / "green.ico");
    const Bitmap color = w->WorkColor;
    const Bitmap mask = w->WorkMask;
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    const QString info = w->Label1->text();
    const QImage preview = w->Image2->Picture();
    QCOMPARE(info, QStringLiteral("32 X 32 X 8 bits"));

    // The backdrop changes without a redraw: only a redraw would show it.
    w->Backdrop.Fill(Yellow);
    WriteAll(kit / "wide.png", PatternPng(30, 20));
    kit.Seam->ModalScripts.push_back([](QDialog&) { return 2; });
    LoadPreset(*w, kit / "wide.png");
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("IconEditor")});
    QCOMPARE(w->LoadKind, std::string("no_file"));
    QVERIFY(w->WorkColor == color);
    QVERIFY(w->WorkMask == mask);
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), file);
    QCOMPARE(w->Label1->text(), info);
    QCOMPARE(w->Image2->Picture(), preview);
}

void TestLoadCommand::iconFileWithOneImageBecomesTheWorkingIcon() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto block = MakeDibBlock(MarkedImage(32, 8, Blue));
    IcoBuilder().Add(block, 32, 32, 8).WriteTo(kit / "one.ico");
    LoadPreset(*w, kit / "one.ico");

    QVERIFY(kit.Seam->ModalWindows.isEmpty());
    QVERIFY(kit.Seam->Messages.isEmpty());
    QCOMPARE(w->LoadKind, std::string(".ico"));
    // The working icon file holds the image unchanged; the bitmaps are read back from it.
    QCOMPARE(IconBlocksOf(ReadAll(w->WorkFile("eitemp.ico"))),
             std::vector<std::vector<std::uint8_t>>{block});
    QCOMPARE(w->WorkColor.Format(), PixelFormat::Bits24);
    QCOMPARE(w->WorkMask.Format(), PixelFormat::Bits1);
    QCOMPARE(w->WorkPixelFormat, 3);
    QCOMPARE(Hex(w->WorkColor.GetPixel(20, 20)), Hex(Blue));
    QVERIFY(MaskIsTransparent(w->WorkMask, 3, 3));
    QVERIFY(!MaskIsTransparent(w->WorkMask, 20, 20));
    QCOMPARE(w->Label1->text(), QStringLiteral("32 X 32 X 8 bits"));
    QCOMPARE(OneImageFilesIn(w->WorkFolder), 0);

    // A 32-bit image keeps its alpha in a 32-bit working colour image.
    IcoBuilder().Add(MarkedImage(48, 32, Red)).WriteTo(kit / "deep.ICO");
    LoadPreset(*w, kit / "deep.ICO");
    QCOMPARE(w->WorkColor.Format(), PixelFormat::Bits32);
    QCOMPARE(w->WorkColor.GetAlpha(40, 40), 255);
    QCOMPARE(w->WorkColor.GetAlpha(3, 3), 0);
    QCOMPARE(w->WorkPixelFormat, 7);
    QCOMPARE(w->Label1->text(), QStringLiteral("48 X 48 X 32 bits"));
}

void TestLoadCommand::iconFileWithSeveralImagesOpensTheList() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder()
        .Add(MarkedImage(16, 4, Red))
        .Add(MarkedImage(32, 8, Green))
        .Add(MarkedImage(48, 32, Blue))
        .WriteTo(kit / "three.ico");
    QStringList infos;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        auto& list = dynamic_cast<TListIcons&>(d);
        for (const std::string& s : list.Icons.IconInfos)
            infos << QString::fromStdString(s);
        list.SelectedIndex = 2;
        return TListIcons::ResultOk;
    });
    LoadPreset(*w, kit / "three.ico");
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("ListIcons")});
    QCOMPARE(infos, (QStringList{" 0# 16x16x4bits", " 1# 32x32x8bits", " 2# 48x48x32bits"}));
    QCOMPARE(w->Label1->text(), QStringLiteral("48 X 48 X 32 bits"));
    QCOMPARE(Hex(w->WorkColor.GetPixel(40, 40)), Hex(Blue));
    QCOMPARE(IconBlocksOf(ReadAll(w->WorkFile("eitemp.ico"))).size(), std::size_t{1});
    QCOMPARE(OneImageFilesIn(w->WorkFolder), 0);
}

void TestLoadCommand::cancelledListKeepsTheWorkingIcon() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder().Add(MarkedImage(32, 8, Green)).WriteTo(kit / "green.ico");
    IcoBuilder()
        .Add(MarkedImage(16, 4, Red))
        .Add(MarkedImage(48, 32, Blue))
        .WriteTo(kit / "two.ico");

    // Cancelled before any working icon exists: nothing to show, nothing said.
    kit.Seam->ModalScripts.push_back([](QDialog&) { return TListIcons::ResultCancel; });
    LoadPreset(*w, kit / "two.ico");
    QVERIFY(w->WorkColor.Empty());
    QVERIFY(!fs::exists(w->WorkFile("eitemp.ico")));
    QVERIFY(kit.Seam->Messages.isEmpty());

    LoadPreset(*w, kit / "green.ico");
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    const Bitmap color = w->WorkColor;
    kit.Seam->ModalScripts.push_back([](QDialog& d) {
        dynamic_cast<TListIcons&>(d).SelectedIndex = 1;
        return TListIcons::ResultCancel;
    });
    LoadPreset(*w, kit / "two.ico");
    QCOMPARE(kit.Seam->ModalWindows.size(), 2);
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), file);
    QVERIFY(w->WorkColor == color);
    QCOMPARE(w->Label1->text(), QStringLiteral("32 X 32 X 8 bits"));
    QCOMPARE(OneImageFilesIn(w->WorkFolder), 0);
}

void TestLoadCommand::cursorFileBecomesTheWorkingIcon() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto block = MakeDibBlock(MarkedImage(32, 4, Red));
    IcoBuilder().SetType(2).Add(block, 32, 32, 4).WriteTo(kit / "pointer.cur");
    LoadPreset(*w, kit / "pointer.cur");
    QVERIFY(kit.Seam->ModalWindows.isEmpty());
    QVERIFY(kit.Seam->Messages.isEmpty());
    QCOMPARE(w->LoadKind, std::string(".ico"));
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    QCOMPARE(ReadU16(Bytes(file), 2), std::optional<std::uint16_t>(1));  // an icon file now
    QCOMPARE(IconBlocksOf(file), std::vector<std::vector<std::uint8_t>>{block});
    QCOMPARE(w->Label1->text(), QStringLiteral("32 X 32 X 4 bits"));
    QCOMPARE(Hex(w->WorkColor.GetPixel(20, 20)), Hex(Red));
    // No working copy of the cursor stays behind.
    QVERIFY(!fs::exists(w->WorkFile("eicursor.ico")));
}

void TestLoadCommand::cancelledCursorListLeavesTheWorkingIconFile() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder().Add(MarkedImage(32, 8, Green)).WriteTo(kit / "green.ico");
    LoadPreset(*w, kit / "green.ico");
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    const Bitmap color = w->WorkColor;

    IcoBuilder()
        .SetType(2)
        .Add(MarkedImage(16, 4, Red))
        .Add(MarkedImage(32, 4, Blue))
        .WriteTo(kit / "two.cur");
    kit.Seam->ModalScripts.push_back([](QDialog&) { return TListIcons::ResultCancel; });
    LoadPreset(*w, kit / "two.cur");
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("ListIcons")});
    // The working icon file still holds the working icon, not the cursor file.
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), file);
    QVERIFY(w->WorkColor == color);
    QCOMPARE(OneImageFilesIn(w->WorkFolder), 0);
}

void TestLoadCommand::executablesWithOneAndWithFortyIcons() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    PeRecipe one;
    one.Icons = NumberedIcons({MakeDibBlock(MarkedImage(32, 8, Green))});
    BuildPe(one).WriteTo(kit / "one.dll");
    LoadPreset(*w, kit / "one.dll");
    QVERIFY(kit.Seam->ModalWindows.isEmpty());
    QVERIFY(kit.Seam->Messages.isEmpty());
    QCOMPARE(w->LoadKind, std::string(".ico"));
    QCOMPARE(Hex(w->WorkColor.GetPixel(20, 20)), Hex(Green));
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));

    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i < 40; ++i)
        images.push_back(MakeDibBlock(MarkedImage(16 + (i % 3) * 16, 4, Rgb(0, 0, 200 + i))));
    PeRecipe forty;
    forty.Icons = NumberedIcons(images);
    BuildPe(forty).WriteTo(kit / "forty.EXE");
    std::size_t listed = 0;
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        listed = dynamic_cast<TListIcons&>(d).Icons.Size();
        return TListIcons::ResultCancel;
    });
    LoadPreset(*w, kit / "forty.EXE");
    QCOMPARE(kit.Seam->ModalWindows, QStringList{QStringLiteral("ListIcons")});
    QCOMPARE(listed, std::size_t{40});
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), file);
    QCOMPARE(Hex(w->WorkColor.GetPixel(20, 20)), Hex(Green));
    QCOMPARE(OneImageFilesIn(w->WorkFolder), 0);

    // Picking one of the forty.
    kit.Seam->ModalScripts.push_back([](QDialog& d) {
        dynamic_cast<TListIcons&>(d).SelectedIndex = 39;
        return TListIcons::ResultOk;
    });
    LoadPreset(*w, kit / "forty.EXE");
    QCOMPARE(Hex(w->WorkColor.GetPixel(12, 12)), Hex(Rgb(0, 0, 239)));
    QCOMPARE(w->Label1->text(), QStringLiteral("16 X 16 X 4 bits"));
}

void TestLoadCommand::executableWithoutIcons() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    BuildPe(PeRecipe{}).WriteTo(kit / "plain.exe");
    LoadPreset(*w, kit / "plain.exe");
    QCOMPARE(kit.Seam->Messages, QStringList{QStringLiteral("No icon exists in this file!")});
    QVERIFY(kit.Seam->ModalWindows.isEmpty());
    QVERIFY(w->WorkColor.Empty());
    QVERIFY(!fs::exists(w->WorkFile("eitemp.ico")));
    // The preview is still redrawn (backdrop and frame).
    QVERIFY(!w->Image2->Picture().isNull());

    // Not an executable at all: the reader says so first.
    WriteAll(kit / "text.dll", {'h', 'e', 'l', 'l', 'o'});
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "text.dll");
    QCOMPARE(kit.Seam->Messages, (QStringList{QStringLiteral("There is no icon in this file!"),
                                              QStringLiteral("No icon exists in this file!")}));
}

void TestLoadCommand::unknownKindRedrawsOnly() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    WriteAll(kit / "notes.txt", {'x'});
    LoadPreset(*w, kit / "notes.txt");
    QCOMPARE(w->LoadKind, std::string(".txt"));
    QVERIFY(kit.Seam->Log.isEmpty());
    QCOMPARE(w->Image2->Picture().size(), QSize(339, 351));
    QCOMPARE(w->Label1->text(), QStringLiteral("Icon Info"));
}

void TestLoadCommand::refusedAndDamagedPicturesAreReported() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    IcoBuilder().Add(MarkedImage(32, 8, Green)).WriteTo(kit / "green.ico");
    LoadPreset(*w, kit / "green.ico");
    const auto file = ReadAll(w->WorkFile("eitemp.ico"));
    const Bitmap color = w->WorkColor;
    auto unchanged = [&] {
        return ReadAll(w->WorkFile("eitemp.ico")) == file && w->WorkColor == color &&
               kit.Seam->ModalWindows.isEmpty();
    };

    // A picture far larger than anything the program loads: refused at once, with a message.
    WriteAll(kit / "huge.png", HeaderOnlyPng(20000, 20000));
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "huge.png");
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY(kit.Seam->Messages[0].startsWith(QStringLiteral("Can not load the picture\n") +
                                             ToQString(kit / "huge.png")));
    QVERIFY2(kit.Seam->Messages[0].contains(QStringLiteral("too large")),
             qPrintable(kit.Seam->Messages[0]));
    QCOMPARE(w->LoadKind, std::string(".png"));  // the later steps passed it by
    QVERIFY(unchanged());

    // An animation of absurdly many frames.
    GifFileRecipe many;
    many.Width = 1;
    many.Height = 1;
    many.GlobalColours = {Red, Green};
    many.Frames.assign(MaxGifFrames + 1, SolidGifFrame(0, 0, 1, 1, 0));
    WriteAll(kit / "many.gif", MakeGifFile(many));
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "many.gif");
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY2(kit.Seam->Messages[0].contains(QStringLiteral("frames")),
             qPrintable(kit.Seam->Messages[0]));
    QVERIFY(unchanged());

    // Damaged files of each kind.
    for (const char* name : {"bad.png", "bad.jpg", "bad.gif", "bad.wmf", "bad.bmp"}) {
        WriteAll(kit / name, {'B', 'M', 1, 2, 3, 4, 5, 6, 7});
        kit.Seam->ClearRecord();
        LoadPreset(*w, kit / name);
        QCOMPARE(kit.Seam->Messages.size(), 1);
        QVERIFY2(kit.Seam->Messages[0].contains(ToQString(kit / name)), name);
        QVERIFY2(unchanged(), name);
    }
    // A missing one.
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "gone.jpeg");
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY(unchanged());

    // An icon file that cannot be opened: the reader says so.
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "gone.ico");
    QCOMPARE(kit.Seam->Messages.value(0),
             QStringLiteral("Can not open ") + ToQString(kit / "gone.ico") + QStringLiteral("!") +
                 QStringLiteral("\n") + QString::fromStdString(SystemReason(ENOENT)));
    QVERIFY(unchanged());

    // An icon file whose only image cannot be decoded does not become the working icon file.
    auto broken = MakeDibBlock(MarkedImage(32, 8, Red));
    broken[14] = 7;  // a bit count no icon has
    IcoBuilder().Add(broken, 32, 32, 8).WriteTo(kit / "broken.ico");
    kit.Seam->ClearRecord();
    LoadPreset(*w, kit / "broken.ico");
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY(unchanged());
}

void TestLoadCommand::cancelledOpenDialogChangesNothing() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    w->LoadPath = kit / "earlier.png";
    kit.Seam->FileAnswers = {{QString()}};
    w->suiButton1->click();
    QCOMPARE(kit.Seam->FileDialogsShown.size(), std::size_t{1});
    QVERIFY(w->LoadPath.empty());
    QVERIFY(w->LoadKind.empty());
    QVERIFY(w->Image2->Picture().isNull());  // not even redrawn
    QVERIFY(kit.Seam->ModalWindows.isEmpty());
    QVERIFY(!fs::exists(w->WorkFile("eitemp.bmp")));
}

// The pages of the editor as the user walks the sample picture through them. Only with
// GF_SCREENSHOT_DIR set; meant for a real (virtual) display, where fonts and styles are drawn
// as the user sees them.
void TestLoadCommand::editorPagesScreenshots() {
    const QByteArray folder = qgetenv("GF_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("GF_SCREENSHOT_DIR is not set");
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    w->show();
    const fs::path sample = fs::path(GF_TEST_DATA_DIR) / ".." / ".." / "samples" / "sample.png";
    QVERIFY(fs::exists(sample));
    const fs::path out = ToPath(QString::fromLocal8Bit(folder));
    auto shoot = [&out](QWidget& window, const char* name) {
        QApplication::processEvents();
        QTest::qWait(200);
        QVERIFY(window.grab().save(ToQString(out / name)));
    };
    kit.Seam->ModalScripts.push_back([&](QDialog& d) {
        auto& e = dynamic_cast<TIconEditor&>(d);
        // The picture's alpha is set aside, so that the transparency page is used; a 64 x 64
        // icon.
        e.cbRemoveTrans->click();
        e.TrackBar1->setValue(64);
        shoot(e, "editor-size.png");
        // The colour at the picture's top left becomes transparent.
        e.BitBtn1->click();
        e.CheckBox1->click();
        shoot(e, "editor-transparency.png");
        e.BitBtn2->click();
        // A blue stroke across the star with the pen, which then shows where it would paint.
        kit.Seam->Colors = {Rgb(40, 90, 210)};
        e.Shape44MouseUp();
        e.SBPenClick();
        e.TBPenSize->setValue(2);
        const int z = static_cast<int>(e.ZoomFactor);
        e.Image7MouseDown(Qt::LeftButton, 22 * z, 42 * z);
        for (int x = 22; x <= 42; ++x)
            e.Image7MouseMove(Qt::LeftButton, x * z, 42 * z);
        e.Image7MouseUp(Qt::LeftButton, 42 * z, 42 * z);
        e.Image7MouseMove(Qt::NoButton, 50 * z, 18 * z);
        shoot(e, "editor-edit.png");
        e.BitBtn6->click();
        shoot(e, "editor-colour-bits.png");
        e.BitBtn3->click();
        return e.result();
    });
    LoadPreset(*w, sample);
    QCOMPARE(w->WorkColor.Width(), 64);
    shoot(*w, "editor-result.png");
    kit.Seam->FileAnswers = {{ToQString(kit / "sample.png"), 1}};
    w->suiButton3Click();
    QVERIFY(LoadIconFileFirstSize(kit / "sample.ico").Ok());
}

QTEST_MAIN(TestLoadCommand)
#include "tst_load_command.moc"
