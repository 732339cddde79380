#include "editor/pixels/resample.h"

#include <gtest/gtest.h>

#include <cstring>

#include "editor/pixels/editor_road.h"
#include "editor/pixels/mask.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;
using test::PixelAt;

// Runs the size page's "Next >>" on a picture as the editor does.
void SizePage(const Bitmap& picture, const SizeSettings& size, Bitmap& color, Bitmap& mask,
              bool automatic = true, Color background = White) {
    SourceStart s = PrepareSource(picture, automatic);
    Bitmap preview = ComposeSourcePreview(s.Color, s.Mask, background);
    ResampleSourceToIcon(s.Color, s.Mask, preview, size, color, mask);
}

TEST(ResampleSmooth, ShrinkingByTwoIsTheMeanOfEachBlock) {
    const Bitmap src = test::RandomPicture(64, 64, PixelFormat::Bits24);
    const Bitmap out = ResampleSmooth(src, 32, 32);
    ASSERT_EQ(out.Width(), 32);
    ASSERT_EQ(out.Format(), PixelFormat::Bits24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = PixelAt(src, 2 * x, 2 * y)[c] + PixelAt(src, 2 * x + 1, 2 * y)[c] +
                          PixelAt(src, 2 * x, 2 * y + 1)[c] + PixelAt(src, 2 * x + 1, 2 * y + 1)[c];
                ASSERT_EQ(PixelAt(out, x, y)[c], (sum + 2) / 4) << x << "," << y;
            }
}

TEST(ResampleSmooth, UnequalRatiosWeighByCoverage) {
    // Three pixels 0, 90, 255 onto two: the first covers 1.5 source pixels (0 and half of 90).
    Bitmap src(3, 1, PixelFormat::Bits8);
    src.Row(0)[0] = 0;
    src.Row(0)[1] = 90;
    src.Row(0)[2] = 255;
    Bitmap out = ResampleSmooth(src, 2, 1);
    EXPECT_EQ(out.Row(0)[0], 30);   // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(out.Row(0)[1], 200);  // (90 * 0.5 + 255) / 1.5
}

TEST(ResampleSmooth, EnlargingInterpolatesAndSameSizeIsIdentity) {
    Bitmap src(2, 1, PixelFormat::Bits8);
    src.Row(0)[0] = 0;
    src.Row(0)[1] = 200;
    Bitmap out = ResampleSmooth(src, 4, 1);
    EXPECT_EQ(out.Row(0)[0], 0);
    EXPECT_EQ(out.Row(0)[1], 50);
    EXPECT_EQ(out.Row(0)[2], 150);
    EXPECT_EQ(out.Row(0)[3], 200);
    const Bitmap pic = test::RandomPicture(17, 9, PixelFormat::Bits32);
    EXPECT_EQ(ResampleSmooth(pic, 17, 9), pic);
}

TEST(ResampleNearest, PicksSourceAtScaledIndex) {
    const Bitmap src = test::RandomPicture(10, 7, PixelFormat::Bits32);
    const Bitmap out = ResampleNearest(src, 4, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(0, std::memcmp(PixelAt(out, x, y), PixelAt(src, 10 * x / 4, 7 * y / 20), 4));
}

TEST(ResampleMaskDefault, ShrinkingAndsSoOpaqueWinsAndGrowingRepeats) {
    Bitmap m = MakeMask(4, 2, MaskTransparent);
    m.Row(1)[3] = MaskOpaque;  // one opaque pixel in the right 2x2 block
    Bitmap out = ResampleMaskDefault(m, 2, 1);
    EXPECT_EQ(MaskAt(out, 0, 0), MaskTransparent);
    EXPECT_EQ(MaskAt(out, 1, 0), MaskOpaque);

    Bitmap big = ResampleMaskDefault(m, 8, 4);
    EXPECT_EQ(MaskAt(big, 6, 2), MaskOpaque);
    EXPECT_EQ(MaskAt(big, 7, 3), MaskOpaque);
    EXPECT_EQ(MaskAt(big, 5, 3), MaskTransparent);
    EXPECT_EQ(MaskAt(big, 6, 1), MaskTransparent);
}

TEST(SizePage, OpaquePictureShrunkSmoothlyIsTheAreaAverageWithOpaqueMask) {
    const Bitmap src = test::RandomPicture(64, 64, PixelFormat::Bits24, 3);
    Bitmap color, mask;
    SizePage(src, {32, 32, true, true}, color, mask);
    ASSERT_EQ(color.Format(), PixelFormat::Bits24);
    ASSERT_EQ(mask.Format(), PixelFormat::Bits8);
    EXPECT_EQ(color, ResampleSmooth(src, 32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            // An averaged pixel that happens to be black would turn transparent only through
            // a partial mask value; the mask has none here.
            ASSERT_EQ(MaskAt(mask, x, y), MaskOpaque);
        }
}

TEST(SizePage, EnlargingSmoothsTheColourButNotTheMask) {
    Bitmap src(64, 64, PixelFormat::Bits24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            src.SetPixel(x, y, x < 32 ? Rgb(0, 0, 0) : Rgb(200, 100, 0));
    Bitmap color, mask;
    SizePage(src, {128, 128, true, true}, color, mask);
    // A smooth step between the halves: some pixel on the edge lies strictly between.
    const std::uint8_t mid = PixelAt(color, 64, 10)[2];
    EXPECT_GT(mid, 0);
    EXPECT_LT(mid, 200);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(MaskAt(mask, x, y), MaskOpaque);
}

TEST(SizePage, UnstretchedPictureMovedRightLeavesTransparentColumns) {
    const Bitmap src = test::RandomPicture(32, 32, PixelFormat::Bits24, 5);
    SizeSettings size{32, 32, false, true};
    MoveSourceOffset(size, 10, 0, 32, 32);
    Bitmap color, mask;
    SizePage(src, size, color, mask);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(MaskAt(mask, x, y), MaskTransparent);
            ASSERT_EQ(color.GetPixel(x, y), Black);
        }
        for (int x = 10; x < 32; ++x) {
            ASSERT_EQ(MaskAt(mask, x, y), MaskOpaque);
            ASSERT_EQ(color.GetPixel(x, y), src.GetPixel(x - 10, y));
        }
    }
}

TEST(SizePage, DraggingStopsWhenThePictureIsEntirelyOutside) {
    SizeSettings size{48, 40, false, true};
    MoveSourceOffset(size, 500, 500, 20, 30);
    EXPECT_EQ(size.OffsetX, 48);
    EXPECT_EQ(size.OffsetY, 40);
    MoveSourceOffset(size, -1000, -1000, 20, 30);
    EXPECT_EQ(size.OffsetX, -20);
    EXPECT_EQ(size.OffsetY, -30);
}

// A 2x2 source shrunk to 1x1 with mask smoothing; the top row's mask bytes are a and b, the
// bottom row is opaque.
void ShrinkWithMask(std::uint8_t a, std::uint8_t b, Color colour, Bitmap& color, Bitmap& mask) {
    Bitmap src = test::SolidPicture(2, 2, PixelFormat::Bits24, colour);
    Bitmap m = MakeMask(2, 2, 0);
    m.Row(0)[0] = a;
    m.Row(0)[1] = b;
    // The editor keeps transparent pixels black.
    if (a == MaskTransparent)
        src.SetPixel(0, 0, Black);
    if (b == MaskTransparent)
        src.SetPixel(1, 0, Black);
    Bitmap preview = ComposeSourcePreview(src, m, White);
    ResampleSourceToIcon(src, m, preview, {1, 1, true, true}, color, mask);
}

TEST(SizePage, MaskSmoothingThresholdsAt128) {
    Bitmap color, mask;
    // (255 + 253 + 0 + 0) / 4 = 127: opaque. Its colour is the average of the preview (white
    // where transparent, 0xC0 elsewhere: 208) ANDed with the smoothed inverse mask (128).
    ShrinkWithMask(255, 253, Rgb(0xC0, 0xC0, 0xC0), color, mask);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskOpaque);
    EXPECT_EQ(color.GetPixel(0, 0), Rgb(0x80, 0x80, 0x80));
    // (255 + 255 + 2 + 0) / 4 = 128: transparent and black.
    ShrinkWithMask(255, 255, Rgb(0xC0, 0xC0, 0xC0), color, mask);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskTransparent);
    EXPECT_EQ(color.GetPixel(0, 0), Black);
}

TEST(SizePage, MaskSmoothingMakesABlackEdgePixelTransparent) {
    Bitmap color, mask;
    // Rounds to opaque, but its colour (64 AND 128) is black.
    ShrinkWithMask(255, 253, Black, color, mask);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskTransparent);
}

TEST(SizePage, AlphaFromTheNearestSampleDecidesTransparency) {
    // 4x4 picture with alpha: the top-left pixel of each 2x2 block is the nearest sample.
    Bitmap src = test::SolidPicture(4, 4, PixelFormat::Bits32, Rgb(250, 250, 250), 255);
    src.SetAlpha(0, 0, 0);  // block (0,0): nearest sample transparent, others opaque
    src.SetAlpha(3, 3, 0);  // block (1,1): nearest sample opaque
    Bitmap color, mask;
    SizePage(src, {2, 2, true, true}, color, mask);
    ASSERT_EQ(color.Format(), PixelFormat::Bits32);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskTransparent);
    EXPECT_EQ(color.GetAlpha(0, 0), 0);
    EXPECT_EQ(MaskAt(mask, 1, 1), MaskOpaque);
    EXPECT_EQ(color.GetAlpha(1, 1), 255);
    // Opaque, so it keeps the averaged colour (three 250s and the white background where the
    // source is transparent) instead of turning black.
    EXPECT_EQ(color.GetPixel(1, 1), Rgb(251, 251, 251));
    EXPECT_EQ(MaskAt(mask, 1, 0), MaskOpaque);
    EXPECT_EQ(color.GetPixel(1, 0), Rgb(250, 250, 250));
}

TEST(SizePage, PartialAlphaKeepsColourComposedOverTheBackgroundAndItsAlpha) {
    Bitmap src = test::SolidPicture(2, 2, PixelFormat::Bits32, Rgb(200, 0, 0), 255);
    src.SetAlpha(0, 0, 51);  // the first alpha is not 0, so the alpha is used
    Bitmap color, mask;
    SizePage(src, {2, 2, true, false}, color, mask, true, Rgb(0, 0, 100));
    EXPECT_EQ(color.GetAlpha(0, 0), 51);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskOpaque);
    // Composed over the background: 200 * 51 / 255 and 100 * 204 / 255.
    EXPECT_EQ(RedOf(color.GetPixel(0, 0)), 40);
    EXPECT_EQ(BlueOf(color.GetPixel(0, 0)), 80);
}

TEST(SizePage, WithoutSmoothingAMixedBlockIsOpaqueAndShowsTheBackgroundNotBlack) {
    // 24-bit icon with a transparent left column, shrunk 2:1 by nearest neighbour.
    Bitmap src = test::SolidPicture(4, 2, PixelFormat::Bits24, Rgb(10, 200, 30));
    Bitmap m = MakeMask(4, 2, 0);
    for (int y = 0; y < 2; ++y) {
        m.Row(y)[0] = MaskTransparent;
        src.SetPixel(0, y, Black);
        m.Row(y)[2] = m.Row(y)[3] = MaskTransparent;
        src.SetPixel(2, y, Black);
        src.SetPixel(3, y, Black);
    }
    Bitmap preview = ComposeSourcePreview(src, m, Rgb(0, 0, 250));
    Bitmap color, mask;
    ResampleSourceToIcon(src, m, preview, {2, 1, true, false}, color, mask);
    // Block 0 mixes transparent and opaque: opaque wins, its nearest sample shows the canvas.
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskOpaque);
    EXPECT_EQ(color.GetPixel(0, 0), Rgb(0, 0, 250));
    // Block 1 is wholly transparent: transparent and black.
    EXPECT_EQ(MaskAt(mask, 1, 0), MaskTransparent);
    EXPECT_EQ(color.GetPixel(1, 0), Black);
}

TEST(SizePreview, UnstretchedShowsBackgroundAroundThePicture) {
    Bitmap pic = test::SolidPicture(4, 4, PixelFormat::Bits24, Rgb(1, 2, 3));
    Bitmap out = RenderSizePreview(pic, {8, 8, false, false, 2, -1}, Rgb(9, 9, 9));
    ASSERT_EQ(out.Width(), 8);
    EXPECT_EQ(out.GetPixel(1, 0), Rgb(9, 9, 9));
    EXPECT_EQ(out.GetPixel(2, 0), Rgb(1, 2, 3));
    EXPECT_EQ(out.GetPixel(5, 2), Rgb(1, 2, 3));
    EXPECT_EQ(out.GetPixel(6, 2), Rgb(9, 9, 9));
    EXPECT_EQ(out.GetPixel(2, 3), Rgb(9, 9, 9));
}

TEST(ComposeSourcePreview, TransparentPixelsShowTheBackgroundAndAlphaIsCopied) {
    Bitmap pic = test::SolidPicture(2, 1, PixelFormat::Bits24, Rgb(10, 20, 30));
    pic.SetPixel(1, 0, Black);
    Bitmap m = MakeMask(2, 1, 0);
    m.Row(0)[1] = MaskTransparent;
    Bitmap p = ComposeSourcePreview(pic, m, Rgb(7, 8, 9));
    EXPECT_EQ(p.GetPixel(0, 0), Rgb(10, 20, 30));
    EXPECT_EQ(p.GetPixel(1, 0), Rgb(7, 8, 9));

    Bitmap pic32 = test::SolidPicture(1, 1, PixelFormat::Bits32, Rgb(10, 20, 30), 77);
    Bitmap p32 = ComposeSourcePreview(pic32, MakeMask(1, 1), White);
    EXPECT_EQ(p32.GetAlpha(0, 0), 77);
}

}  // namespace
}  // namespace gf
