#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "editor/pixels/flood_fill.h"
#include "editor/pixels/mask.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;

// A picture drawn as text: each letter a colour, '.' a transparent pixel (its colour bytes
// are kept, so transparent pixels of any colour can be drawn: 't' is a transparent red one).
struct Icon {
    Bitmap Color, Mask;
};

Color ColourOf(char c) {
    switch (c) {
        case 'w':
            return Rgb(255, 255, 255);
        case 'g':
            return Rgb(250, 247, 246);  // within 10 of white in every channel
        case 'b':
            return Rgb(0, 0, 200);
        case 'r':
        case 't':
            return Rgb(200, 0, 0);
        case 'k':
            return Rgb(0, 0, 0);
        default:
            return Rgb(0, 0, 0);
    }
}

Icon Draw(const std::vector<std::string>& rows, PixelFormat format) {
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    Icon icon{Bitmap(w, h, format), MakeMask(w, h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            const bool clear = c == '.' || c == 't';
            icon.Color.SetPixel(x, y, clear && c == '.' ? Black : ColourOf(c));
            if (format == PixelFormat::Bits32)
                icon.Color.SetAlpha(x, y, clear ? 0 : 255);
            icon.Mask.Row(y)[x] = clear ? MaskTransparent : MaskOpaque;
        }
    return icon;
}

// '*' where the fill changed a pixel (colour, alpha or mask), '-' elsewhere.
std::vector<std::string> Changes(const Icon& before, const Icon& after) {
    std::vector<std::string> out;
    for (int y = 0; y < before.Color.Height(); ++y) {
        std::string row;
        for (int x = 0; x < before.Color.Width(); ++x) {
            const bool same = before.Color.GetPixel(x, y) == after.Color.GetPixel(x, y) &&
                              before.Color.GetAlpha(x, y) == after.Color.GetAlpha(x, y) &&
                              MaskAt(before.Mask, x, y) == MaskAt(after.Mask, x, y);
            row += same ? '-' : '*';
        }
        out.push_back(row);
    }
    return out;
}

struct FillCase {
    const char* Name;
    std::vector<std::string> Picture;
    int X, Y;
    bool Transparent;
    int Similarity;
    BrushColour Brush;
    std::vector<std::string> Changed;
};

class FillRegionCases : public testing::TestWithParam<FillCase> {};

TEST_P(FillRegionCases, FillsExactlyTheRegion) {
    const FillCase& c = GetParam();
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits32}) {
        SCOPED_TRACE(format == PixelFormat::Bits32 ? "32-bit" : "24-bit");
        FillState state;
        const Icon before = Draw(c.Picture, format);
        Icon after = before;
        FillRegion(state, after.Mask, after.Color, c.Transparent, c.Similarity, c.Brush, 255, c.Y,
                   c.X);
        EXPECT_EQ(Changes(before, after), c.Changed);
        EXPECT_EQ(state.FillSpanCount, 0);
        EXPECT_FALSE(state.Running);
        // What changed took the brush: transparent black, or opaque in the brush colour.
        for (int y = 0; y < before.Color.Height(); ++y)
            for (int x = 0; x < before.Color.Width(); ++x) {
                if (c.Changed[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] != '*')
                    continue;
                if (c.Transparent) {
                    ASSERT_EQ(MaskAt(after.Mask, x, y), MaskTransparent);
                    ASSERT_EQ(after.Color.GetPixel(x, y), Black);
                    ASSERT_EQ(after.Color.GetAlpha(x, y), format == PixelFormat::Bits32 ? 0 : 255);
                } else {
                    ASSERT_EQ(MaskAt(after.Mask, x, y), MaskOpaque);
                    ASSERT_EQ(after.Color.GetPixel(x, y), c.Brush == KeepColour
                                                              ? before.Color.GetPixel(x, y)
                                                              : static_cast<Color>(c.Brush));
                }
            }
    }
}

const Color Green = Rgb(0, 160, 0);

INSTANTIATE_TEST_SUITE_P(
    FloodFill, FillRegionCases,
    testing::Values(FillCase{"SimilarityOneTakesOnlyTheSeedColour",
                             {"wwgb", "wgwb", "wwwb"},
                             0,
                             0,
                             false,
                             1,
                             Green,
                             {"**--", "*-*-", "***-"}},
                    FillCase{"SimilarityTenTakesChannelsNineApart",
                             {"wwgb", "wgwb", "wwwb"},
                             0,
                             0,
                             false,
                             10,
                             Green,
                             {"***-", "***-", "***-"}},
                    FillCase{"SolidFillFromATransparentSeedJoinsTransparentPixelsOfAnyColour",
                             {".t.w", "ww.w", "t..."},
                             0,
                             0,
                             false,
                             1,
                             Green,
                             {"***-", "--*-", "****"}},
                    FillCase{"TransparentFillFromATransparentSeedDoesNothing",
                             {"..ww", "..ww"},
                             0,
                             0,
                             true,
                             1,
                             0,
                             {"----", "----"}},
                    FillCase{"TransparentFillClearsTheSimilarRegion",
                             {"wwbw", "wgbw", "bbbw"},
                             0,
                             0,
                             true,
                             10,
                             0,
                             {"**--", "**--", "----"}},
                    FillCase{"RegionsTouchingAtACornerAreFilledOneAtATime",
                             {"wwbb", "wwbb", "bbww", "bbww"},
                             1,
                             1,
                             false,
                             1,
                             Green,
                             {"**--", "**--", "----", "----"}},
                    FillCase{"AnOpeningOnePixelHighOnTheRightLetsTheFillThrough",
                             {"wbbbbw", "wbwwbw", "wbwwww", "wbwwbw", "wbbbbw"},
                             2,
                             1,
                             false,
                             1,
                             Green,
                             {"-----*", "--**-*", "--****", "--**-*", "-----*"}},
                    FillCase{"KeepColourMakesTransparentPixelsOpaqueWithTheirOwnColours",
                             {"t.r", "rr."},
                             0,
                             0,
                             false,
                             1,
                             KeepColour,
                             {"**-", "---"}}),
    [](const testing::TestParamInfo<FillCase>& param) { return std::string(param.param.Name); });

TEST(FloodFill, TheSeedsOwnColourAndOpacityChangeNothing) {
    FillState state;
    Icon icon = Draw({"rrr", "rrr"}, PixelFormat::Bits32);
    const Icon before = icon;
    FillRegion(state, icon.Mask, icon.Color, false, 255, static_cast<BrushColour>(Rgb(200, 0, 0)),
               255, 1, 1);
    EXPECT_EQ(icon.Color, before.Color);
    EXPECT_EQ(icon.Mask, before.Mask);
    // Another opacity is a change: every pixel takes it.
    FillRegion(state, icon.Mask, icon.Color, false, 1, static_cast<BrushColour>(Rgb(200, 0, 0)), 90,
               1, 1);
    EXPECT_EQ(icon.Color.GetAlpha(2, 0), 90);
}

TEST(FloodFill, KeepColourOnThirtyTwoBitsTakesTheOpacity) {
    FillState state;
    Icon icon = Draw({"rrr", "r.b"}, PixelFormat::Bits32);
    FillRegion(state, icon.Mask, icon.Color, false, 1, KeepColour, 77, 0, 0);
    EXPECT_EQ(icon.Color.GetAlpha(0, 0), 77);
    EXPECT_EQ(icon.Color.GetAlpha(0, 1), 77);
    EXPECT_EQ(icon.Color.GetAlpha(1, 1), 0);    // transparent: no part of an opaque region
    EXPECT_EQ(icon.Color.GetAlpha(2, 1), 255);  // another colour
    EXPECT_EQ(icon.Color.GetPixel(2, 0), Rgb(200, 0, 0));
}

TEST(FloodFill, SeedsOutsideTheIconAndMismatchedMasksChangeNothing) {
    FillState state;
    Icon icon = Draw({"ww", "ww"}, PixelFormat::Bits24);
    const Icon before = icon;
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{0, 2}, std::pair{2, 0}, std::pair{70000, 0}})
        FillRegion(state, icon.Mask, icon.Color, false, 1, 0, 255, y, x);
    Bitmap smallMask = MakeMask(1, 1);
    FillRegion(state, smallMask, icon.Color, false, 1, 0, 255, 0, 0);
    EXPECT_EQ(icon.Color, before.Color);
    EXPECT_EQ(icon.Mask, before.Mask);
}

// A 256 x 256 serpentine: corridors one pixel high joined at alternate ends, so every column of
// the region is cut into 128 runs of one pixel (more than 30,000 in all).
Icon Serpentine(PixelFormat format) {
    Icon icon{test::SolidPicture(256, 256, format, Rgb(0, 0, 200)), MakeMask(256, 256)};
    for (int y = 0; y < 256; y += 2) {
        icon.Color.FillRect(0, y, 256, y + 1, White, 255);
        const int gap = (y / 2) % 2 == 0 ? 255 : 0;  // the joint to the next corridor
        if (y + 1 < 256)
            icon.Color.FillRect(gap, y + 1, gap + 1, y + 2, White, 255);
    }
    return icon;
}

TEST(FloodFill, ASerpentineOfThirtyThousandRunsIsFilledToItsEnd) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits32}) {
        Icon icon = Serpentine(format);
        int runs = 0;
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 256; ++y)
                if (icon.Color.GetPixel(x, y) == White &&
                    (y == 0 || icon.Color.GetPixel(x, y - 1) != White))
                    ++runs;
        ASSERT_GT(runs, 30000);  // far beyond a cap of 10240 popped points
        FillState state;
        FillRegion(state, icon.Mask, icon.Color, false, 1, static_cast<BrushColour>(Green), 255, 0,
                   0);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_NE(icon.Color.GetPixel(x, y), White) << x << "," << y;
        EXPECT_EQ(icon.Color.GetPixel(100, 1), Rgb(0, 0, 200));  // the walls stay
    }
}

TEST(FloodFill, FillsWhoseResultStillMatchesEndAfterOneFilling) {
    // Written pixels pass the test again: the colour kept, or at 24 bits a fill colour within
    // the similarity. The fill ends by itself with the picture of one filling.
    for (BrushColour brush : {KeepColour, static_cast<BrushColour>(Rgb(252, 252, 252))}) {
        Icon icon{test::SolidPicture(256, 256, PixelFormat::Bits24, White), MakeMask(256, 256)};
        icon.Color.FillRect(10, 10, 20, 20, Rgb(0, 0, 200));
        FillState state;
        FillRegion(state, icon.Mask, icon.Color, false, 10, brush, 255, 0, 0);
        const Color want = brush == KeepColour ? White : static_cast<Color>(brush);
        EXPECT_EQ(icon.Color.GetPixel(255, 255), want);
        EXPECT_EQ(icon.Color.GetPixel(15, 15), Rgb(0, 0, 200));
        EXPECT_EQ(state.FillSpanCount, 0);
    }
}

// The fill as the plain definition of its region: the pixels 4-connected to the seed through
// pixels that pass the test, tested on the picture as it was before the pass.
void ReferencePass(Icon& icon, int sx, int sy, BrushColour fill, int s, bool exact, int fa) {
    const int w = icon.Color.Width(), h = icon.Color.Height();
    const bool is32 = icon.Color.Format() == PixelFormat::Bits32;
    auto px = [&](int x, int y) {
        const Color c = icon.Color.GetPixel(x, y);
        return std::array<int, 5>{BlueOf(c), GreenOf(c), RedOf(c),
                                  is32 ? icon.Color.GetAlpha(x, y) : 0, MaskAt(icon.Mask, x, y)};
    };
    const auto seed = px(sx, sy);
    const int fb = (fill >> 16) & 255, fg = (fill >> 8) & 255, fr = fill & 255;
    if (seed[0] == fb && seed[1] == fg && seed[2] == fr && seed[3] == fa)
        return;
    auto match = [&](const std::array<int, 5>& p) {
        if (p[4] == 255 && p[4] == seed[4])
            return true;
        if (p[4] != seed[4])
            return false;
        if (p[0] == fb && p[1] == fg && p[2] == fr && p[3] == fa)
            return false;
        if (exact)
            return p[0] == seed[0] && p[1] == seed[1] && p[2] == seed[2] && p[3] == seed[3];
        return std::abs(p[0] - seed[0]) < s && std::abs(p[1] - seed[1]) < s &&
               std::abs(p[2] - seed[2]) < s;
    };
    std::vector<char> seen(static_cast<std::size_t>(w * h), 0);
    std::vector<std::pair<int, int>> region;
    std::deque<std::pair<int, int>> todo{{sx, sy}};
    seen[static_cast<std::size_t>(sy * w + sx)] = 1;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop_front();
        if (!match(px(x, y)))
            continue;
        region.emplace_back(x, y);
        for (auto [dx, dy] :
             {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h ||
                seen[static_cast<std::size_t>(ny * w + nx)])
                continue;
            seen[static_cast<std::size_t>(ny * w + nx)] = 1;
            todo.emplace_back(nx, ny);
        }
    }
    for (auto [x, y] : region) {
        std::uint8_t* p = icon.Color.Row(y) + x * (is32 ? 4 : 3);
        icon.Mask.Row(y)[x] = exact ? 255 : 0;
        if (exact) {
            p[0] = p[1] = p[2] = 0;
        } else if (fill != KeepColour) {
            p[0] = static_cast<std::uint8_t>(fb);
            p[1] = static_cast<std::uint8_t>(fg);
            p[2] = static_cast<std::uint8_t>(fr);
        }
        if (is32)
            p[3] = static_cast<std::uint8_t>(fa);
    }
}

TEST(FloodFill, EqualsTheConnectedRegionOnRandomPictures) {
    std::mt19937 rng(11);
    // Neighbours one, two and three apart in single channels, the transparent fill's marker
    // colour (red 1) and black, and one far colour.
    const Color palette[] = {Rgb(10, 10, 10), Rgb(10, 10, 12), Rgb(10, 13, 10), Rgb(11, 10, 10),
                             Rgb(1, 0, 0),    Rgb(0, 0, 0),    Rgb(200, 30, 30)};
    const auto pick = [&] { return palette[rng() % std::size(palette)]; };
    for (int round = 0; round < 1000; ++round) {
        const PixelFormat format = round % 2 ? PixelFormat::Bits32 : PixelFormat::Bits24;
        const int w = 1 + static_cast<int>(rng() % 14), h = 1 + static_cast<int>(rng() % 14);
        Icon icon{Bitmap(w, h, format), MakeMask(w, h)};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                icon.Color.SetPixel(x, y, pick());
                const bool clear = rng() % 6 == 0;
                icon.Mask.Row(y)[x] = clear ? 255 : 0;
                if (format == PixelFormat::Bits32)
                    icon.Color.SetAlpha(x, y, clear ? 0 : (rng() % 4 == 0 ? 128 : 255));
            }
        const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
        const int y = static_cast<int>(rng() % static_cast<unsigned>(h));
        const bool transparent = rng() % 3 == 0;
        const int s = 1 + static_cast<int>(rng() % 5);
        const BrushColour brush = rng() % 4 == 0 ? KeepColour : static_cast<BrushColour>(pick());
        const int opacity = rng() % 2 ? 255 : 128;

        Icon want = icon;
        if (transparent) {
            if (MaskAt(want.Mask, x, y) == 0) {
                ReferencePass(want, x, y, 0x000001, s, false, 255);
                ReferencePass(want, x, y, 0, 1, true, 0);
            }
        } else {
            ReferencePass(want, x, y, brush, s, false, opacity);
        }
        FillState state;
        FillRegion(state, icon.Mask, icon.Color, transparent, s, brush, opacity, y, x);
        ASSERT_EQ(icon.Color, want.Color) << "round " << round;
        ASSERT_EQ(icon.Mask, want.Mask) << "round " << round;
    }
}

TEST(FillStack, IsLastInFirstOutAndRefusesBeyondItsCapacity) {
    FillStack stack;
    int x = 0, y = 0;
    EXPECT_FALSE(stack.PopFillPoint(x, y));
    ASSERT_TRUE(stack.PushFillPoint(3, 4));
    ASSERT_TRUE(stack.PushFillPoint(65535, 7));
    ASSERT_TRUE(stack.PopFillPoint(x, y));
    EXPECT_EQ(x, 65535);
    EXPECT_EQ(y, 7);
    ASSERT_TRUE(stack.PopFillPoint(x, y));
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
    // Entry 0 is never used: capacity - 1 points fit.
    for (std::size_t i = 1; i < FillStack::Capacity; ++i)
        ASSERT_TRUE(stack.PushFillPoint(1, 1));
    EXPECT_FALSE(stack.PushFillPoint(1, 1));
    stack.ClearFillStack();
    EXPECT_EQ(stack.Depth(), 0u);
    EXPECT_FALSE(stack.PopFillPoint(x, y));
}

}  // namespace
}  // namespace gf
