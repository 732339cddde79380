#include <gtest/gtest.h>

#include <set>

#include "editor/pixels/mask.h"
#include "editor/pixels/palettes.h"
#include "editor/pixels/reduce.h"
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

}  // namespace
}  // namespace gf
