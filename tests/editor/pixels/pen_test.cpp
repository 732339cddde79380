#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/pixels/mask.h"
#include "editor/pixels/pen.h"
#include "editor/pixels/tiles.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;

struct PenCase {
    int X, Y, Half;
    std::vector<std::string> Painted;  // '*' painted
};

// A 6 x 4 icon; the block round (x, y) of half size h.
class PenBlocks : public testing::TestWithParam<PenCase> {};

TEST_P(PenBlocks, PaintExactlyTheirSquareInsideTheIcon) {
    const PenCase& c = GetParam();
    Bitmap color = test::SolidPicture(6, 4, PixelFormat::Bits32, White, 200);
    Bitmap mask = MakeMask(6, 4);
    PaintPenBlock(color, mask, c.X, c.Y, 90, false, static_cast<BrushColour>(Rgb(0, 0, 255)),
                  c.Half);
    for (int y = 0; y < 4; ++y) {
        std::string row;
        for (int x = 0; x < 6; ++x)
            row += color.GetPixel(x, y) == Rgb(0, 0, 255) ? '*' : '-';
        EXPECT_EQ(row, c.Painted[static_cast<std::size_t>(y)]) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pen, PenBlocks,
    testing::Values(
        // Half 0: the pixel itself (a click with pen size 0, a drag with pen size 1).
        PenCase{2, 1, 0, {"------", "--*---", "------", "------"}},
        // Half 1: 2 x 2 with (x, y) its lower right pixel (a click with pen size 1).
        PenCase{2, 1, 1, {"-**---", "-**---", "------", "------"}},
        // Half 2: 4 x 4 from (x - 2, y - 2).
        PenCase{3, 2, 2, {"-****-", "-****-", "-****-", "-****-"}},
        // Half -1 (a drag with pen size 0): nothing.
        PenCase{2, 1, -1, {"------", "------", "------", "------"}},
        // At the last column and beyond the corner: only what lies inside.
        PenCase{5, 3, 2, {"------", "---***", "---***", "---***"}},
        PenCase{6, 4, 1, {"------", "------", "------", "-----*"}},
        PenCase{-1, 0, 0, {"------", "------", "------", "------"}}));

TEST(Pen, PaintsOpaqueColourAndOpacityOrTransparency) {
    Bitmap color = test::SolidPicture(3, 1, PixelFormat::Bits32, White, 0);
    Bitmap mask = MakeMask(3, 1, MaskTransparent);
    PaintPenBlock(color, mask, 0, 0, 90, false, static_cast<BrushColour>(Rgb(1, 2, 3)), 0);
    EXPECT_EQ(color.GetPixel(0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(color.GetAlpha(0, 0), 90);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskOpaque);
    // "Only change opacity": the colour bytes stay.
    PaintPenBlock(color, mask, 1, 0, 40, false, KeepColour, 0);
    EXPECT_EQ(color.GetPixel(1, 0), White);
    EXPECT_EQ(color.GetAlpha(1, 0), 40);
    EXPECT_EQ(MaskAt(mask, 1, 0), MaskOpaque);
    // Transparent: black, alpha 0, whatever colour and opacity are given.
    PaintPenBlock(color, mask, 0, 0, 90, true, static_cast<BrushColour>(Rgb(1, 2, 3)), 0);
    EXPECT_EQ(color.GetPixel(0, 0), Black);
    EXPECT_EQ(color.GetAlpha(0, 0), 0);
    EXPECT_EQ(MaskAt(mask, 0, 0), MaskTransparent);
    // 24 bits have no opacity to take.
    Bitmap c24 = test::SolidPicture(1, 1, PixelFormat::Bits24, White);
    Bitmap m24 = MakeMask(1, 1);
    PaintPenBlock(c24, m24, 0, 0, 10, false, static_cast<BrushColour>(Rgb(9, 8, 7)), 0);
    EXPECT_EQ(c24.GetPixel(0, 0), Rgb(9, 8, 7));
}

TEST(BrushSwatch, BlendsOverTheCheckerBelowFullOpacityOnly) {
    const Bitmap checker = MakeTile(TileKind::GreyFine);
    const auto red = static_cast<BrushColour>(Rgb(255, 0, 0));
    // Full opacity, or an icon without alpha: flat.
    for (auto [alpha, over] : {std::pair{255, true}, std::pair{100, false}}) {
        const Bitmap flat = RenderBrushSwatch(16, 16, red, alpha, over, checker);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(flat.GetPixel(x, y), Rgb(255, 0, 0));
    }
    const Bitmap half = RenderBrushSwatch(16, 16, red, 100, true, checker);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int back = BlueOf(checker.GetPixel(x, y));
            ASSERT_EQ(half.GetPixel(x, y),
                      Rgb(static_cast<std::uint8_t>((255 * 100 + back * 155) / 255),
                          static_cast<std::uint8_t>(back * 155 / 255),
                          static_cast<std::uint8_t>(back * 155 / 255)));
        }
    // No colour of its own: white, crossed out in red from corner to corner.
    Bitmap none = RenderBrushSwatch(16, 16, KeepColour, 255, true, checker);
    DrawOpacityCross(none);
    EXPECT_EQ(none.GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(none.GetPixel(15, 0), Rgb(255, 0, 0));
    EXPECT_EQ(none.GetPixel(8, 8), Rgb(255, 0, 0));
    EXPECT_EQ(none.GetPixel(8, 0), White);
}

}  // namespace
}  // namespace gf
