// The GIF frame picker on GIFs made in code, with a scripted seam and scripted pop-up menus.

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "gifpicker/gif_loader.h"
#include "platform/bmp_codec.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"
#include "support/picture_builders.h"
#include "support/temp_folder.h"

using gf::Color;
using gf::Rgb;
using gf::TGifLoader;

namespace {

constexpr Color Red = Rgb(255, 0, 0);
constexpr Color Green = Rgb(0, 255, 0);
constexpr Color Blue = Rgb(0, 0, 255);
constexpr Color White = Rgb(255, 255, 255);
constexpr Color Black = Rgb(0, 0, 0);

const QString CurrentItem = QStringLiteral("Save current frame as  bitmap file.");
const QString AllItem = QStringLiteral("Save all frames as bitmap file.");

// A GIF of `frames` frames of w x h, frame i filled with colour i % 3 (red, green, blue).
std::vector<std::uint8_t> StripGif(int w, int h, int frames) {
    gf::test::GifFileRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.GlobalColours = {Red, Green, Blue, White};
    for (int i = 0; i < frames; ++i)
        recipe.Frames.push_back(
            gf::test::SolidGifFrame(0, 0, w, h, static_cast<std::uint8_t>(i % 3)));
    return gf::test::MakeGifFile(recipe);
}

QString WriteGif(const gf::test::TempFolder& dir, const std::string& name,
                 const std::vector<std::uint8_t>& bytes) {
    auto path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return gf::ToQString(path);
}

// Colours compared as text "RRGGBB", from a QImage pixel or from a bitmap colour.
QString HexOf(QRgb c) {
    return QString::asprintf("%06X", c & 0xFFFFFF);
}
QString Hex(Color c) {
    return HexOf(qRgb(gf::RedOf(c), gf::GreenOf(c), gf::BlueOf(c)));
}

void Release(QWidget* w, Qt::MouseButton button, QPoint p) {
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), button,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Hover(QWidget* w, QPoint p) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

class TestGifLoader : public QObject {
    Q_OBJECT

  private slots:
    void windowAndControls() {
        TGifLoader loader;
        QCOMPARE(loader.windowTitle(), QStringLiteral("Select Gif Image"));
        QCOMPARE(loader.size(), QSize(550, 368));
        QCOMPARE(loader.Label1->text(), QStringLiteral("Select one image"));
        QCOMPARE(loader.ScrollBox1->size(), QSize(550, 220));
        loader.show();  // the box lays out its client area when shown
        QCOMPARE(loader.ScrollBox1->viewport()->size(), QSize(546, 216));
        QCOMPARE(loader.Image1->size(), QSize(546, 216));
        QCOMPARE(loader.Image1->pos(), QPoint(0, 0));
        QCOMPARE(loader.Image2->geometry(), QRect(8, 293, 385, 68));
        QCOMPARE(loader.SelectedFrame, 0);
        QVERIFY(loader.LoadGifImage->isHidden());
        QCOMPARE(loader.SaveDialog1.Filter, QStringLiteral("BMP |*.bmp"));
        QCOMPARE(loader.PopupMenu2->actions().size(), 2);
        QCOMPARE(loader.Savecurrentframeasbitmapfile1->text(), CurrentItem);
        QCOMPARE(loader.Saveallframesasbitmapfile1->text(), AllItem);
        for (const char* name : {"Label1", "ScrollBox1", "Image1", "Label2", "Image2", "BitBtn1",
                                 "LoadGifImage", "PopupMenu2"})
            QVERIFY2(loader.findChild<QObject*>(name), name);
        // The strip is white before anything is loaded.
        QCOMPARE(HexOf(loader.Image1->Render(0, 216).pixel(300, 100)), Hex(White));

        loader.BitBtn1->click();
        QCOMPARE(loader.result(), 1);
    }

    void loadingLaysOutTheStripAndSelectsFrameZero() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "three.gif", StripGif(40, 30, 3));
        auto status = loader.LoadGifImageClick();
        QVERIFY2(status.Ok(), status.Ok() ? "" : status.ErrorMessage().c_str());

        QCOMPARE(loader.FrameCount(), 3);
        QCOMPARE(loader.Image1->size(), QSize(40, 90));
        QCOMPARE(loader.Image1->pos(), QPoint(255, 65));
        loader.show();
        QCOMPARE(loader.Image1->pos(), QPoint(255, 65));
        QCOMPARE(loader.ScrollBox1->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(loader.ScrollBox1->verticalScrollBar()->maximum(), 0);
        QCOMPARE(loader.Label1->text(),
                 QStringLiteral("Select one frame from the following 3 frames"));
        QCOMPARE(loader.SelectedFrame, 0);
        // The pointer went to the window's corner, as it stood before being shown.
        QCOMPARE(seam.PointerMoves.size(), std::size_t{1});
        QCOMPARE(seam.PointerMoves[0], loader.pos());
        // No menu for the selection made by loading.
        QVERIFY(!seam.Log.join('\n').contains("menu"));

        QImage strip = loader.Image1->Render(0, 90);
        QCOMPARE(HexOf(strip.pixel(20, 15)), Hex(Red));
        QCOMPARE(HexOf(strip.pixel(20, 45)), Hex(Green));
        QCOMPARE(HexOf(strip.pixel(20, 75)), Hex(Blue));

        // The preview: frame 0 centred at ((385 - 40) / 2, (68 - 30) / 2), framed in black.
        const QImage& preview = loader.Image2->Picture();
        QCOMPARE(HexOf(preview.pixel(172, 19)), Hex(Red));
        QCOMPARE(HexOf(preview.pixel(211, 48)), Hex(Red));
        QCOMPARE(HexOf(preview.pixel(171, 19)), Hex(White));
        QCOMPARE(HexOf(preview.pixel(212, 48)), Hex(White));
        QCOMPARE(HexOf(preview.pixel(0, 0)), Hex(Black));
        QCOMPARE(HexOf(preview.pixel(384, 67)), Hex(Black));
        QCOMPARE(HexOf(preview.pixel(1, 1)), Hex(White));
    }

    void hoverAndReleaseSelectAFrame() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        gf::ScriptedPopupMenus menus;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "three.gif", StripGif(40, 30, 3));
        QVERIFY(loader.LoadGifImageClick().Ok());

        Hover(loader.Image1, QPoint(10, 45));
        QCOMPARE(loader.Label1->text(),
                 QStringLiteral("NO. 1     Total frames: 3      Selected frame: 0"));
        Release(loader.Image1, Qt::LeftButton, QPoint(10, 45));
        QCOMPARE(loader.SelectedFrame, 1);
        QCOMPARE(HexOf(loader.Image2->Picture().pixel(192, 34)), Hex(Green));
        Hover(loader.Image1, QPoint(10, 89));
        QCOMPARE(loader.Label1->text(),
                 QStringLiteral("NO. 2     Total frames: 3      Selected frame: 1"));
        QVERIFY(menus.ShownMenus.empty());

        // Releases dragged outside the strip keep the selection within the frames.
        Release(loader.Image1, Qt::LeftButton, QPoint(10, -40));
        QCOMPARE(loader.SelectedFrame, 0);
        Release(loader.Image1, Qt::LeftButton, QPoint(10, 500));
        QCOMPARE(loader.SelectedFrame, 2);
        QCOMPARE(HexOf(loader.Image2->Picture().pixel(192, 34)), Hex(Blue));

        // The right button selects too, and opens the menu at the release point.
        Release(loader.Image1, Qt::RightButton, QPoint(5, 50));
        QCOMPARE(loader.SelectedFrame, 1);
        QCOMPARE(menus.ShownMenus.size(), std::size_t{1});
        QCOMPARE(menus.ShownMenus[0].MenuName, QStringLiteral("PopupMenu2"));
        QCOMPARE(menus.ShownMenus[0].Pos, loader.Image1->mapToGlobal(QPoint(5, 50)));
        QCOMPARE(menus.ShownMenus[0].Items, (QStringList{CurrentItem, AllItem}));
    }

    void largeAnimationsArePlacedAtTheStart() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        TGifLoader tall;
        tall.GifPath = WriteGif(dir, "tall.gif", StripGif(40, 300, 3));
        QVERIFY(tall.LoadGifImageClick().Ok());
        tall.show();
        QCOMPARE(tall.Image1->pos(), QPoint(255, 0));
        QCOMPARE(tall.ScrollBox1->verticalScrollBar()->maximum(), 900 - 216);
        QCOMPARE(tall.ScrollBox1->verticalScrollBar()->value(), 0);
        // The narrow strip needs no horizontal bar beside the vertical one.
        QVERIFY(QTest::qWaitForWindowExposed(&tall));
        QTRY_VERIFY(tall.ScrollBox1->verticalScrollBar()->isVisible());
        // Shown again after the user scrolled: from the first frame.
        tall.ScrollBox1->verticalScrollBar()->setValue(300);
        tall.hide();
        tall.show();
        QTRY_COMPARE(tall.ScrollBox1->verticalScrollBar()->value(), 0);
        QVERIFY(!tall.ScrollBox1->horizontalScrollBar()->isVisible());
        QCOMPARE(tall.ScrollBox1->horizontalScrollBar()->maximum(), 0);

        // A strip a little narrower than the box: it stays inside what the box shows.
        TGifLoader nearlyWide;
        nearlyWide.GifPath = WriteGif(dir, "nearly.gif", StripGif(520, 300, 2));
        QVERIFY(nearlyWide.LoadGifImageClick().Ok());
        nearlyWide.show();
        QVERIFY(QTest::qWaitForWindowExposed(&nearlyWide));
        QTRY_VERIFY(nearlyWide.ScrollBox1->verticalScrollBar()->isVisible());
        QVERIFY(!nearlyWide.ScrollBox1->horizontalScrollBar()->isVisible());
        QVERIFY(nearlyWide.Image1->geometry().right() < nearlyWide.ScrollBox1->viewport()->width());

        TGifLoader wide;
        wide.GifPath = WriteGif(dir, "wide.gif", StripGif(600, 20, 2));
        QVERIFY(wide.LoadGifImageClick().Ok());
        wide.show();
        QCOMPARE(wide.Image1->pos(), QPoint(0, (220 - 40) / 2));
        QVERIFY(wide.ScrollBox1->horizontalScrollBar()->maximum() > 0);
    }

    void transparentPartsShowWhite() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        gf::test::GifFileRecipe recipe;
        recipe.Width = 10;
        recipe.Height = 10;
        recipe.GlobalColours = {Red, Green, Blue, Black};
        auto frame = gf::test::SolidGifFrame(0, 0, 10, 10, 3);
        frame.Transparent = 3;
        recipe.Frames = {frame, gf::test::SolidGifFrame(0, 0, 10, 10, 0)};
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "clear.gif", gf::test::MakeGifFile(recipe));
        QVERIFY(loader.LoadGifImageClick().Ok());
        QImage strip = loader.Image1->Render(0, 20);
        QCOMPARE(HexOf(strip.pixel(5, 5)), Hex(White));
        QCOMPARE(HexOf(strip.pixel(5, 15)), Hex(Red));
    }

    void badGifsAreRefused() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "bad.gif", {'G', 'I', 'F', '8', '9', 'a', 1});
        auto bad = loader.LoadGifImageClick();
        QVERIFY(!bad.Ok());
        QVERIFY(!bad.ErrorMessage().empty());
        QVERIFY(loader.FrameCount() == 0);
        QCOMPARE(loader.SelectedFrame, 0);
        QCOMPARE(loader.Label1->text(), QStringLiteral("Select one image"));

        loader.GifPath = gf::ToQString(dir / "missing.gif");
        QVERIFY(!loader.LoadGifImageClick().Ok());

        // An absurd number of frames is refused by the decoder, with its message.
        loader.GifPath =
            WriteGif(dir, "many.gif", StripGif(1, 1, static_cast<int>(gf::MaxGifFrames) + 1));
        auto many = loader.LoadGifImageClick();
        QVERIFY(!many.Ok());
        QVERIFY(loader.FrameCount() == 0);

        // Frames that stack higher than a window can scroll are refused too.
        gf::test::GifFileRecipe recipe;
        recipe.Width = 1;
        recipe.Height = 30000;
        recipe.GlobalColours = {Red, Green};
        for (int i = 0; i < 600; ++i)
            recipe.Frames.push_back(gf::test::SolidGifFrame(0, 0, 1, 1, 0));
        loader.GifPath = WriteGif(dir, "long.gif", gf::test::MakeGifFile(recipe));
        auto tooLong = loader.LoadGifImageClick();
        QVERIFY(!tooLong.Ok());
        QVERIFY(loader.FrameCount() == 0);

        // A good one still loads afterwards.
        loader.GifPath = WriteGif(dir, "ok.gif", StripGif(8, 8, 2));
        QVERIFY(loader.LoadGifImageClick().Ok());
        QCOMPARE(loader.Image1->size(), QSize(8, 16));
    }

    // 4,000 one-pixel frames on a 256 x 256 screen: the picker shows them all, composing each
    // as it comes into view, without holding a screen per frame.
    void thousandsOfFramesAreComposedAsShown() {
        gf::ScriptedSeam seam;
        TGifLoader loader;
        loader.GifPath = gf::ToQString(std::filesystem::path(GF_TEST_DATA_DIR) / "regressions" /
                                       "gif" / "4000_frames_1x1_on_256x256.gif");
        QVERIFY(loader.LoadGifImageClick().Ok());
        QCOMPARE(loader.FrameCount(), 4000);
        QCOMPARE(loader.Image1->size(), QSize(256, 4000 * 256));
        // Frame i lights pixel (i mod 256, i div 256) white and leaves the ones before it.
        auto last = loader.FramePicture(3999);
        QVERIFY(last.Ok());
        int lit = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                lit += last->GetAlpha(x, y) == 255;
        QCOMPARE(lit, 4000);
        // The strip paints the frames in view, the last and then an early one (over white).
        const int top = 3999 * 256;
        QCOMPARE(loader.Image1->Render(top, top + 256).size(), QSize(256, 256));
        QCOMPARE(HexOf(loader.Image1->Render(10 * 256, 11 * 256).pixel(10, 0)), Hex(White));
        auto early = loader.FramePicture(10);
        QVERIFY(early.Ok());
        QCOMPARE(early->GetAlpha(10, 0), std::uint8_t{255});
        QCOMPARE(early->GetAlpha(11, 0), std::uint8_t{0});
    }

    void singleFrameGifSelectsFrameZero() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "one.gif", StripGif(16, 16, 1));
        QVERIFY(loader.LoadGifImageClick().Ok());
        QCOMPARE(loader.FrameCount(), 1);
        QCOMPARE(loader.SelectedFrame, 0);
        QCOMPARE(loader.Label1->text(),
                 QStringLiteral("Select one frame from the following 1 frames"));
    }

    void saveCurrentFrame() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        gf::ScriptedPopupMenus menus;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "three.gif", StripGif(40, 30, 3));
        QVERIFY(loader.LoadGifImageClick().Ok());

        auto target = dir / "frame.bmp";
        seam.FileAnswers = {{gf::ToQString(target)}};
        menus.Choices = {CurrentItem};
        Release(loader.Image1, Qt::RightButton, QPoint(3, 70));
        QCOMPARE(seam.FileDialogsShown.size(), std::size_t{1});
        QCOMPARE(seam.FileDialogsShown[0].Title, QStringLiteral("Input file name"));
        QCOMPARE(seam.FileDialogsShown[0].Filter, QStringLiteral("BMP |*.bmp"));
        QVERIFY(seam.FileDialogsShown[0].Mode == gf::FileDialog::Kind::Save);
        auto saved = gf::LoadBmpFile(target);
        QVERIFY(saved.Ok());
        QCOMPARE(saved->Width(), 40);
        QCOMPARE(saved->Height(), 30);
        QCOMPARE(Hex(saved->GetPixel(10, 10)), Hex(Blue));
        QVERIFY(seam.Messages.isEmpty());

        // Cancelled: nothing is written.
        std::filesystem::remove(target);
        loader.Savecurrentframeasbitmapfile1Click();
        QVERIFY(!std::filesystem::exists(target));

        // A name that cannot be written is reported.
        seam.FileAnswers = {{gf::ToQString(dir / "no_such_folder" / "f.bmp")}};
        loader.Savecurrentframeasbitmapfile1Click();
        QCOMPARE(seam.Messages.size(), 1);
    }

    void saveAllFrames() {
        gf::test::TempFolder dir;
        gf::ScriptedSeam seam;
        gf::ScriptedPopupMenus menus;
        TGifLoader loader;
        loader.GifPath = WriteGif(dir, "three.gif", StripGif(40, 30, 3));
        QVERIFY(loader.LoadGifImageClick().Ok());

        seam.FileAnswers = {{gf::ToQString(dir / "anim.bmp")}};
        menus.Choices = {AllItem};
        Release(loader.Image1, Qt::RightButton, QPoint(3, 3));
        QCOMPARE(seam.FileDialogsShown.size(), std::size_t{1});
        QCOMPARE(seam.FileDialogsShown[0].Title, QStringLiteral("Input a basic name:"));
        const Color colours[] = {Red, Green, Blue};
        for (int i = 0; i < 3; ++i) {
            auto frame = gf::LoadBmpFile(dir / ("anim" + std::to_string(i) + ".bmp"));
            QVERIFY(frame.Ok());
            QCOMPARE(Hex(frame->GetPixel(20, 15)), Hex(colours[i]));
        }
        QVERIFY(!std::filesystem::exists(dir / "anim.bmp"));
        const QString base = gf::ToQString(dir / "anim");
        QCOMPARE(seam.Messages,
                 QStringList{QStringLiteral("Gif frames has been saved as:\n") + base + "0.bmp\n" +
                             base + "1.bmp\n...\n...\nand so on."});

        // Cancelled: nothing happens.
        seam.ClearRecord();
        loader.Saveallframesasbitmapfile1Click();
        QVERIFY(seam.Messages.isEmpty());

        // One frame: its file, and no message.
        TGifLoader single;
        single.GifPath = WriteGif(dir, "one.gif", StripGif(16, 16, 1));
        QVERIFY(single.LoadGifImageClick().Ok());
        seam.FileAnswers = {{gf::ToQString(dir / "sub.x" / "solo.gif")}};
        std::filesystem::create_directory(dir / "sub.x");
        single.Saveallframesasbitmapfile1Click();
        QVERIFY(std::filesystem::exists(dir / "sub.x" / "solo0.bmp"));
        QVERIFY(seam.Messages.isEmpty());
    }
};

QTEST_MAIN(TestGifLoader)
#include "tst_gif_loader.moc"
