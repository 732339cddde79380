#include "editor/pixels/editor_road.h"

#include <gtest/gtest.h>

#include "editor/pixels/mask.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;

TEST(PrepareSource, AllZeroAlphaMeansOpaqueAndTheTransparencyPage) {
    const Bitmap pic = test::SolidPicture(3, 3, PixelFormat::Bits32, Rgb(1, 2, 3), 0);
    const SourceStart s = PrepareSource(pic, true);
    EXPECT_FALSE(s.AlphaGivesTransparency);
    EXPECT_EQ(s.Color.GetAlpha(2, 2), 255);
    EXPECT_EQ(MaskAt(s.Mask, 2, 2), MaskOpaque);
    // Unless the picture's alpha is its transparency: then nothing of it shows.
    const SourceStart clear = PrepareSource(pic, true, true);
    EXPECT_TRUE(clear.AlphaGivesTransparency);
    EXPECT_EQ(clear.Color.GetAlpha(2, 2), 0);
    EXPECT_EQ(MaskAt(clear.Mask, 2, 2), MaskTransparent);
}

TEST(PrepareSource, AlphaGivesTheMaskUnlessAutomaticIdentificationIsOff) {
    Bitmap pic = test::SolidPicture(3, 1, PixelFormat::Bits32, Rgb(1, 2, 3), 255);
    pic.SetAlpha(0, 0, 0);
    pic.SetAlpha(1, 0, 90);
    SourceStart s = PrepareSource(pic, true);
    EXPECT_TRUE(s.AlphaGivesTransparency);
    EXPECT_EQ(MaskAt(s.Mask, 0, 0), MaskTransparent);
    EXPECT_EQ(MaskAt(s.Mask, 1, 0), MaskOpaque);
    EXPECT_EQ(s.Color.GetAlpha(1, 0), 90);

    s = PrepareSource(pic, false);
    EXPECT_FALSE(s.AlphaGivesTransparency);
    EXPECT_EQ(MaskAt(s.Mask, 0, 0), MaskOpaque);
    EXPECT_EQ(s.Color.GetAlpha(0, 0), 255);
}

TEST(EditorRoad, OpaquePictureWithTopLeftKeyLosesItsBackground) {
    Bitmap pic = test::SolidPicture(64, 64, PixelFormat::Bits32, Rgb(0, 200, 0), 0);
    pic.FillRect(16, 16, 48, 48, Rgb(200, 0, 0), 0);
    RoadSettings s;
    s.Size = {32, 32, true, true};
    s.TransparentFromTopLeft = true;
    s.ColourBits.Item = 5;
    auto r = RunEditorRoad(pic, s);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->TransparencyPageUsed);
    EXPECT_EQ(r->Color.Format(), PixelFormat::Bits32);
    EXPECT_EQ(MaskAt(r->Mask, 0, 0), MaskTransparent);
    EXPECT_EQ(r->Color.GetAlpha(0, 0), 0);
    EXPECT_EQ(MaskAt(r->Mask, 16, 16), MaskOpaque);
    EXPECT_EQ(r->Color.GetPixel(16, 16), Rgb(200, 0, 0));
    EXPECT_EQ(r->Color.GetAlpha(16, 16), 255);
}

TEST(EditorRoad, AlphaPictureSkipsTheTransparencyPageAndKeepsPartialAlpha) {
    Bitmap pic = test::SolidPicture(32, 32, PixelFormat::Bits32, Rgb(10, 20, 30), 0);
    pic.FillRect(8, 8, 24, 24, Rgb(10, 20, 30), 255);
    pic.FillRect(0, 30, 32, 32, Rgb(10, 20, 30), 120);
    RoadSettings s;
    s.Size = {16, 16, true, true};
    s.ColourBits.Item = 5;
    auto r = RunEditorRoad(pic, s);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->TransparencyPageUsed);
    EXPECT_EQ(MaskAt(r->Mask, 0, 0), MaskTransparent);
    EXPECT_EQ(MaskAt(r->Mask, 8, 8), MaskOpaque);
    EXPECT_EQ(r->Color.GetPixel(8, 8), Rgb(10, 20, 30));
    EXPECT_EQ(r->Color.GetAlpha(0, 15), 120);

    // The same at 4 bits with the threshold kept at 255: partial alpha becomes transparent.
    s.ColourBits.Item = 1;
    s.ColourBits.Palette = PaletteKind::Windows16;
    r = RunEditorRoad(pic, s);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Color.Format(), PixelFormat::Bits4);
    EXPECT_EQ(MaskAt(r->Mask, 0, 15), MaskTransparent);
    EXPECT_EQ(MaskAt(r->Mask, 8, 8), MaskOpaque);
}

TEST(EditorRoad, EmptySizeIsRefused) {
    RoadSettings s;
    s.Size.Width = 0;
    EXPECT_FALSE(RunEditorRoad(test::SolidPicture(4, 4, PixelFormat::Bits24, White), s));
}

}  // namespace
}  // namespace gf
