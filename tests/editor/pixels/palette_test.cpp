#include <gtest/gtest.h>

#include <set>

#include "editor/pixels/mask.h"
#include "editor/pixels/palettes.h"
#include "editor/pixels/reduce.h"
#include "platform/icon_draw.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

Color Grey(int g) {
    auto b = static_cast<std::uint8_t>(g);
    return Rgb(b, b, b);
}

TEST(FixedPalettes, GrayPutsBlackWhiteAndSixteenStepsFirst) {
    const auto& p = GrayPalette();
    ASSERT_EQ(p.size(), 256u);
    EXPECT_EQ(p[0], Grey(0));
    EXPECT_EQ(p[1], Grey(255));
    EXPECT_EQ(p[2], Grey(0x10));
    EXPECT_EQ(p[15], Grey(0xE0));
    EXPECT_EQ(p[16], Grey(1));
    EXPECT_EQ(p[254], Grey(254));
    EXPECT_EQ(p[255], Grey(0xF0));
    EXPECT_EQ(std::set<Color>(p.begin(), p.end()).size(), 256u);
}

TEST(FixedPalettes, WebSafeVariesRedFastestAndWindows16KeepsItsOrder) {
    const auto& w = WebSafePalette();
    EXPECT_EQ(w[1], Rgb(0x33, 0, 0));
    EXPECT_EQ(w[6], Rgb(0, 0x33, 0));
    EXPECT_EQ(w[36], Rgb(0, 0, 0x33));
    EXPECT_EQ(w[215], White);
    EXPECT_EQ(w[216], Black);
    const auto& s = Windows16Palette();
    EXPECT_EQ(s[1], Rgb(128, 128, 128));
    EXPECT_EQ(s[2], Rgb(255, 255, 0));
    EXPECT_EQ(s[15], White);
    EXPECT_EQ(s[16], Black);
}

TEST(ReduceToPalette, GrayAtFourBitsMapsF7ToWhite) {
    Bitmap pic = test::SolidPicture(3, 2, PixelFormat::Bits24, Grey(0xF7));
    pic.SetPixel(1, 0, Grey(0x17));
    Bitmap grid;
    ASSERT_TRUE(ReduceToPalette(pic, 4, PaletteKind::Gray, &grid));
    ASSERT_EQ(pic.Format(), PixelFormat::Bits4);
    ASSERT_EQ(pic.Palette().size(), 16u);
    EXPECT_EQ(pic.GetPixel(0, 0), White);
    EXPECT_EQ(pic.GetPixel(1, 0), Grey(0x10));
    // The grid shows the sixteen entries and stays white beyond them.
    EXPECT_EQ(ReadPaletteSwatch(grid, 1), White);
    EXPECT_EQ(ReadPaletteSwatch(grid, 2), Grey(0x10));
    EXPECT_EQ(grid.GetPixel(16, 0), Black);  // frame of swatch 2
    EXPECT_EQ(ReadPaletteSwatch(grid, 16), White);
    EXPECT_EQ(grid.GetPixel(0, 16), White);  // no frame drawn for entry 16
}

TEST(ReduceToPalette, Windows16AtOneBitUsesBlackAndGrey) {
    Bitmap pic = test::SolidPicture(2, 1, PixelFormat::Bits24, White);
    pic.SetPixel(1, 0, Rgb(10, 20, 10));
    ASSERT_TRUE(ReduceToPalette(pic, 1, PaletteKind::Windows16, nullptr));
    ASSERT_EQ(pic.Format(), PixelFormat::Bits1);
    EXPECT_EQ(pic.Palette(), (std::vector<Color>{Black, Rgb(128, 128, 128)}));
    EXPECT_EQ(pic.GetPixel(0, 0), Rgb(128, 128, 128));
    EXPECT_EQ(pic.GetPixel(1, 0), Black);
}

TEST(ReduceToPalette, TiesGoToTheLowerIndexAndCustomReadsTheGrid) {
    Bitmap grid;
    std::vector<Color> custom(256, White);
    custom[0] = Rgb(0, 0, 0);
    custom[1] = Rgb(20, 0, 0);
    custom[2] = Rgb(0, 20, 0);
    DrawPaletteGrid(grid, custom, 256);
    DrawPaletteSwatch(grid, 3, Rgb(10, 10, 0));  // an edit on the grid
    EXPECT_EQ(PaletteSwatchAt(3 * 8 + 7, 15), 3);
    EXPECT_EQ(PaletteSwatchAt(0, 16), 16);
    Bitmap pic = test::SolidPicture(2, 1, PixelFormat::Bits24, Rgb(10, 0, 0));
    pic.SetPixel(1, 0, Rgb(9, 9, 0));
    ASSERT_TRUE(ReduceToPalette(pic, 8, PaletteKind::Custom, &grid));
    // (10,0,0) is 100 from entries 0 and 1: entry 0 wins.
    EXPECT_EQ(pic.Row(0)[0], 0);
    EXPECT_EQ(pic.Row(0)[1], 3);
}

TEST(ReduceToPalette, DefaultGivesTheDepthsOwnPalette) {
    Bitmap pic = test::SolidPicture(1, 1, PixelFormat::Bits24, Rgb(250, 250, 250));
    ASSERT_TRUE(ReduceToPalette(pic, 1, PaletteKind::Default, nullptr));
    EXPECT_EQ(pic.Palette(), DefaultPalette(PixelFormat::Bits1));
    EXPECT_EQ(pic.GetPixel(0, 0), White);
}

TEST(NearestColourMap, AgreesWithAPlainSearch) {
    std::vector<Color> palette = WebSafePalette();
    palette.resize(200);
    palette.push_back(Rgb(12, 200, 77));
    palette.push_back(Rgb(12, 200, 77));  // a duplicate never wins
    NearestColourMap map(palette);
    const Bitmap pic = test::RandomPicture(64, 64, PixelFormat::Bits24, 11);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Color c = pic.GetPixel(x, y);
            ASSERT_EQ(map.Nearest(c), NearestPaletteIndex(palette, c));
        }
}

// A white disc on a transparent (black) ground, as the colour image of a masked icon holds it.
Bitmap WhiteDisc(int n) {
    Bitmap b(n, n, PixelFormat::Bits24);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int dx = 2 * x + 1 - n, dy = 2 * y + 1 - n;
            b.SetPixel(x, y, dx * dx + dy * dy < n * n / 2 ? White : Black);
        }
    return b;
}

TEST(OptimizedPalette, OneBitOfAWhiteShapeOnTransparentGroundIsNearBlackAndNearWhite) {
    Bitmap pic = WhiteDisc(32);
    ASSERT_TRUE(ReduceToPalette(pic, 1, PaletteKind::Optimized, nullptr));
    ASSERT_EQ(pic.Palette().size(), 2u);
    Color a = pic.Palette()[0], b = pic.Palette()[1];
    if (RedOf(a) > RedOf(b))
        std::swap(a, b);
    EXPECT_LE(RedOf(a) + GreenOf(a) + BlueOf(a), 3 * 24);
    EXPECT_GE(RedOf(b) + GreenOf(b) + BlueOf(b), 3 * 231);
    // Every pixel keeps its side.
    EXPECT_EQ(pic.GetPixel(0, 0), a);
    EXPECT_EQ(pic.GetPixel(16, 16), b);
}

TEST(OptimizedPalette, EightBitsUseAtMost236ColoursMostUsedFirst) {
    Bitmap pic = test::RandomPicture(48, 48, PixelFormat::Bits24, 5);
    // A large flat area makes one colour clearly the most used.
    pic.FillRect(0, 0, 48, 30, Rgb(40, 90, 160));
    auto palette = OptimizedPalette(pic);
    ASSERT_TRUE(palette);
    ASSERT_EQ(palette->size(), 256u);
    ASSERT_TRUE(ReduceToPalette(pic, 8, PaletteKind::Optimized, nullptr));
    std::set<int> used;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            used.insert(pic.Row(y)[x]);
    EXPECT_LE(used.size(), 236u);
    EXPECT_LT(*used.rbegin(), 236);  // the fillers beyond the quantiser's colours stay unused
    // The flat colour is entry 0 (or very near it after the JPEG round trip).
    const Color first = pic.Palette()[0];
    EXPECT_NEAR(RedOf(first), 40, 6);
    EXPECT_NEAR(GreenOf(first), 90, 6);
    EXPECT_NEAR(BlueOf(first), 160, 6);
    EXPECT_EQ(pic.Row(0)[0], 0);
}

// Transparent pixels must index pure black, or the AND/XOR drawing tints the ground there; the
// visible pixels keep the reduction they get without a mask, except where every entry is taken
// and the least used one has to give way.
int IndexAt(const Bitmap& b, int x, int y) {
    const std::uint8_t* row = b.Row(y);
    switch (b.Format()) {
        case PixelFormat::Bits1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case PixelFormat::Bits4:
            return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
        default:
            return row[x];
    }
}

struct TransparentCase {
    const char* Name;
    PaletteKind Kind;
    int Bits;
    bool Spare;  // the table has black or an entry no visible pixel takes
    bool Dark = true;  // the masked pixels hold a dark colour of their own, else the picture's
};

class TransparentPixels : public testing::TestWithParam<TransparentCase> {};

TEST_P(TransparentPixels, IndexPureBlackAndTheVisibleKeepTheirPalette) {
    const TransparentCase& c = GetParam();
    // No black anywhere in what shows; the masked pixels hold a dark colour of their own.
    Bitmap pic = test::RandomPicture(40, 40, PixelFormat::Bits24, 11);
    Bitmap mask = MakeMask(40, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const Color p = pic.GetPixel(x, y);
            pic.SetPixel(x, y, Rgb(static_cast<std::uint8_t>(100 + RedOf(p) * 150 / 255),
                                   static_cast<std::uint8_t>(100 + GreenOf(p) * 150 / 255),
                                   static_cast<std::uint8_t>(100 + BlueOf(p) * 150 / 255)));
            if (x < 12 || y >= 34) {
                mask.Row(y)[x] = MaskTransparent;
                if (c.Dark)
                    pic.SetPixel(x, y, Rgb(4, 2, 4));
            }
        }
    }
    // A custom grid without black.
    Bitmap grid;
    std::vector<Color> custom(256);
    for (int i = 0; i < 256; ++i)
        custom[static_cast<std::size_t>(i)] = Rgb(static_cast<std::uint8_t>(i), 200, 120);
    DrawPaletteGrid(grid, custom, 256);
    Bitmap* gridOrNone = c.Kind == PaletteKind::Custom ? &grid : nullptr;

    Bitmap plain = pic;
    Bitmap gridCopy = grid;
    ASSERT_TRUE(ReduceToPalette(plain, c.Bits, c.Kind, gridOrNone ? &gridCopy : nullptr));
    Bitmap masked = pic;
    ASSERT_TRUE(ReduceToPalette(masked, c.Bits, c.Kind, gridOrNone, &mask));

    const auto& before = plain.Palette();
    const auto& after = masked.Palette();
    ASSERT_EQ(after.size(), std::size_t{1} << c.Bits);
    int changed = 0, changedEntry = -1;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            ++changed;
            changedEntry = static_cast<int>(i);
        }
    EXPECT_LE(changed, 1);
    if (changed) {
        EXPECT_EQ(after[static_cast<std::size_t>(changedEntry)], Black);
    }
    if (c.Kind == PaletteKind::Custom && changed) {
        EXPECT_EQ(ReadPaletteSwatch(*gridOrNone, changedEntry), Black) << "the grid shows it";
    }

    Bitmap white(40, 40, PixelFormat::Bits24);
    white.Fill(White);
    DrawIcon(white, 0, 0, masked, mask);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const int index = IndexAt(masked, x, y);
            if (mask.Row(y)[x] == MaskTransparent) {
                ASSERT_EQ(after[static_cast<std::size_t>(index)], Black);
                ASSERT_EQ(white.GetPixel(x, y), White);
            } else if (c.Spare || IndexAt(plain, x, y) != changedEntry) {
                ASSERT_EQ(index, IndexAt(plain, x, y));
            }
        }
    }
    if (c.Kind == PaletteKind::Optimized || c.Kind == PaletteKind::Custom) {
        EXPECT_EQ(changed, 1) << "an entry became black";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TransparentPixels,
    testing::Values(TransparentCase{"Optimized8", PaletteKind::Optimized, 8, true},
                    TransparentCase{"Optimized4", PaletteKind::Optimized, 4, true},
                    TransparentCase{"Optimized1", PaletteKind::Optimized, 1, true},
                    TransparentCase{"Optimized8Kept", PaletteKind::Optimized, 8, true, false},
                    TransparentCase{"Optimized4Kept", PaletteKind::Optimized, 4, false, false},
                    TransparentCase{"Optimized1Kept", PaletteKind::Optimized, 1, false, false},
                    TransparentCase{"Custom8", PaletteKind::Custom, 8, true},
                    TransparentCase{"Gray4", PaletteKind::Gray, 4, true},
                    TransparentCase{"WebSafe8", PaletteKind::WebSafe216, 8, true},
                    TransparentCase{"Windows16_4", PaletteKind::Windows16, 4, true},
                    TransparentCase{"Default1", PaletteKind::Default, 1, true},
                    TransparentCase{"Default8", PaletteKind::Default, 8, true}),
    [](const testing::TestParamInfo<TransparentCase>& row) { return row.param.Name; });

}  // namespace
}  // namespace gf
