#include <gtest/gtest.h>

#include "editor/pixels/mask.h"
#include "editor/pixels/similarity.h"
#include "editor/pixels/trans_region.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;

TEST(Similarity, BoundsAreStrictOnEveryChannel) {
    const Color key = Rgb(100, 100, 100);
    EXPECT_TRUE(IsSimilarColor(100, 100, 100, key, 1));
    EXPECT_FALSE(IsSimilarColor(101, 100, 100, key, 1));
    EXPECT_TRUE(IsSimilarColor(104, 96, 100, key, 5));    // T - 1 apart
    EXPECT_FALSE(IsSimilarColor(105, 100, 100, key, 5));  // exactly T apart, blue
    EXPECT_FALSE(IsSimilarColor(100, 100, 95, key, 5));   // exactly T apart, red
    // 255 accepts everything except a channel that differs by the full range.
    EXPECT_TRUE(IsSimilarColor(254, 1, 0, Rgb(0, 0, 0), 255));
    EXPECT_FALSE(IsSimilarColor(255, 0, 0, Rgb(0, 0, 0), 255));
}

// A 4x4 reference picture: white background, a red 2x2 square in the middle.
Bitmap Reference(PixelFormat f) {
    Bitmap b = test::SolidPicture(4, 4, f, White, 255);
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x)
            b.SetPixel(x, y, Rgb(255, 0, 0));
    return b;
}

TEST(ApplyTransparency, UncheckedLeavesEveryPixelOpaqueWithReferenceColours) {
    const Bitmap ref = Reference(PixelFormat::Bits32);
    Bitmap color(4, 4, PixelFormat::Bits32), mask;
    ApplyTransparencyToIcon(ref, MakeMask(4, 4), {false, White, 255}, color, mask);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            ASSERT_EQ(MaskAt(mask, x, y), MaskOpaque);
            ASSERT_EQ(color.GetPixel(x, y), ref.GetPixel(x, y));
            ASSERT_EQ(color.GetAlpha(x, y), 255);
        }
}

TEST(ApplyTransparency, ExactKeyTurnsOnlyThatColourTransparentAndBlack) {
    Bitmap ref = Reference(PixelFormat::Bits24);
    ref.SetPixel(0, 3, Rgb(255, 255, 254));  // one off: stays at T = 1
    Bitmap color(4, 4, PixelFormat::Bits24), mask;
    ApplyTransparencyToIcon(ref, MakeMask(4, 4), {true, White, 1}, color, mask);
    EXPECT_EQ(color.Format(), PixelFormat::Bits24);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskTransparent);
    EXPECT_EQ(color.GetPixel(0, 0), Black);
    EXPECT_EQ(MaskAt(mask, 1, 1), MaskOpaque);
    EXPECT_EQ(color.GetPixel(1, 1), Rgb(255, 0, 0));
    EXPECT_EQ(MaskAt(mask, 0, 3), MaskOpaque);
    // At T = 2 the near-white pixel goes too.
    ApplyTransparencyToIcon(ref, MakeMask(4, 4), {true, White, 2}, color, mask);
    EXPECT_EQ(MaskAt(mask, 0, 3), MaskTransparent);
}

TEST(ApplyTransparency, TransparentPixelsGetAlphaZeroAt32Bits) {
    const Bitmap ref = Reference(PixelFormat::Bits32);
    Bitmap color(4, 4, PixelFormat::Bits32), mask;
    ApplyTransparencyToIcon(ref, MakeMask(4, 4), {true, White, 1}, color, mask);
    EXPECT_EQ(color.GetAlpha(0, 0), 0);
    EXPECT_EQ(color.GetAlpha(1, 1), 255);
}

TEST(ApplyTransparency, RemoveBlockKeepsPixelsOpaqueAndAddBlockReturnsThem) {
    const Bitmap ref = test::SolidPicture(8, 8, PixelFormat::Bits24, White);
    Bitmap region = MakeMask(8, 8, 0);
    ShapeCanvas canvas{&region};
    PaintShapeBlock(canvas, 4, 4, ShapeSquare, White, 2);  // "Remove Trans"
    Bitmap color(8, 8, PixelFormat::Bits24), mask;
    ApplyTransparencyToIcon(ref, region, {true, White, 1}, color, mask);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inBlock = x >= 2 && x <= 5 && y >= 2 && y <= 5;
            ASSERT_EQ(MaskAt(mask, x, y), inBlock ? MaskOpaque : MaskTransparent) << x << y;
            if (inBlock) {
                ASSERT_EQ(color.GetPixel(x, y), White);
            }
        }
    PaintShapeBlock(canvas, 4, 4, ShapeSquare, Black, 1);  // "Add Trans" over the middle 2x2
    ApplyTransparencyToIcon(ref, region, {true, White, 1}, color, mask);
    EXPECT_EQ(MaskAt(mask, 3, 3), MaskTransparent);
    EXPECT_EQ(MaskAt(mask, 4, 4), MaskTransparent);
    EXPECT_EQ(MaskAt(mask, 2, 2), MaskOpaque);
    EXPECT_EQ(MaskAt(mask, 5, 5), MaskOpaque);
}

int CountNonZero(const Bitmap& region) {
    int n = 0;
    for (int y = 0; y < region.Height(); ++y)
        for (int x = 0; x < region.Width(); ++x)
            n += region.Row(y)[x] != 0;
    return n;
}

TEST(ShapeBlock, RadiusZeroPaintsExactlyOnePixel) {
    for (int shape : {ShapeSquare, ShapeRound}) {
        Bitmap region = MakeMask(5, 5, 0);
        ShapeCanvas canvas{&region};
        PaintShapeBlock(canvas, 2, 3, shape, White, 0);
        EXPECT_EQ(CountNonZero(region), 1);
        EXPECT_EQ(region.Row(3)[2], 255);
    }
}

TEST(ShapeBlock, SquareCoversTheTwoRBoxWithTheCentreAsLowerRightCentralPixel) {
    Bitmap region = MakeMask(10, 10, 0);
    ShapeCanvas canvas{&region};
    PaintShapeBlock(canvas, 5, 5, ShapeSquare, White, 3);
    EXPECT_EQ(CountNonZero(region), 36);
    EXPECT_EQ(region.Row(2)[2], 255);
    EXPECT_EQ(region.Row(7)[7], 255);
    EXPECT_EQ(region.Row(8)[8], 0);
}

TEST(ShapeBlock, RoundLiesWithinTheBoxAndCutsItsCorners) {
    Bitmap region = MakeMask(12, 12, 0);
    ShapeCanvas canvas{&region};
    PaintShapeBlock(canvas, 6, 6, ShapeRound, White, 3);
    const int n = CountNonZero(region);
    EXPECT_LT(n, 36);
    EXPECT_GE(n, 24);
    EXPECT_EQ(region.Row(3)[3], 0);    // corner of the box
    EXPECT_EQ(region.Row(5)[5], 255);  // the central pixels
    EXPECT_EQ(region.Row(6)[6], 255);
    EXPECT_EQ(region.Row(3)[6], 255);  // top edge middle
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (x < 3 || x > 8 || y < 3 || y > 8) {
                ASSERT_EQ(region.Row(y)[x], 0);
            }
    // Radius 1: the 2x2 block.
    Bitmap small = MakeMask(4, 4, 0);
    ShapeCanvas c2{&small};
    PaintShapeBlock(c2, 2, 2, ShapeRound, White, 1);
    EXPECT_EQ(CountNonZero(small), 4);
}

TEST(ShapeBlock, ClipsAtTheEdgesAndUnknownShapesDrawNothing) {
    Bitmap region = MakeMask(4, 4, 0);
    ShapeCanvas canvas{&region};
    PaintShapeBlock(canvas, 0, 0, ShapeSquare, White, 2);
    EXPECT_EQ(CountNonZero(region), 4);
    PaintShapeBlock(canvas, 3, 3, 7, White, 2);
    EXPECT_EQ(CountNonZero(region), 4);
    PaintShapeBlock(canvas, 50, -50, ShapeRound, White, 5);
    EXPECT_EQ(CountNonZero(region), 4);
}

TEST(ShapeBlock, InvertingOutlineDrawnTwiceRestoresThePreview) {
    const Bitmap original = test::RandomPicture(20, 20, PixelFormat::Bits24);
    Bitmap preview = original;
    ShapeCanvas canvas{&preview, true};
    DrawShapeBlock(canvas, 10, 9, ShapeRound, 6);
    EXPECT_NE(preview, original);
    const std::uint8_t* p = preview.Row(9) + 3 * 10;
    const std::uint8_t* o = original.Row(9) + 3 * 10;
    EXPECT_EQ(p[0], static_cast<std::uint8_t>(~o[0]));
    DrawShapeBlock(canvas, 10, 9, ShapeRound, 6);
    EXPECT_EQ(preview, original);
    // Radius 0 inverts the one pixel.
    DrawShapeBlock(canvas, 0, 0, ShapeSquare, 0);
    EXPECT_EQ(preview.GetPixel(0, 0), ~original.GetPixel(0, 0) & 0xFFFFFF);
}

}  // namespace
}  // namespace gf

namespace gf {
namespace {

TEST(ApplyTransparency, CanvasThePictureDoesNotCoverStaysTransparent) {
    // The size page placed the picture unscaled and left column 0 uncovered (black, 255).
    Bitmap ref = test::SolidPicture(3, 1, PixelFormat::Bits24, Rgb(40, 40, 40));
    ref.SetPixel(0, 0, Black);
    Bitmap refMask = MakeMask(3, 1);
    refMask.Row(0)[0] = MaskTransparent;
    Bitmap region = MakeMask(3, 1, 255);  // even a "Remove Trans" block does not make it opaque
    Bitmap color(3, 1, PixelFormat::Bits24), mask;
    ApplyTransparencyToIcon(ref, region, {false, White, 1}, color, mask, &refMask);
    EXPECT_EQ(test::MaskAt(mask, 0, 0), MaskTransparent);
    EXPECT_EQ(color.GetPixel(0, 0), Black);
    EXPECT_EQ(test::MaskAt(mask, 1, 0), MaskOpaque);
    EXPECT_EQ(color.GetPixel(1, 0), Rgb(40, 40, 40));
}

}  // namespace
}  // namespace gf
