#include "platform/icon_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace gf {
namespace {

Bitmap Filled(int w, int h, PixelFormat f, Color c, std::uint8_t alpha = 0) {
    Bitmap b(w, h, f);
    b.Fill(c, alpha);
    return b;
}

TEST(IconDrawTest, AlphaBlendUsesIntegerDivisionPerTermAndIgnoresTheMask) {
    Bitmap color(3, 1, PixelFormat::Bits32);
    color.SetPixel(0, 0, Rgb(200, 100, 50));
    color.SetAlpha(0, 0, 128);
    color.SetPixel(1, 0, Rgb(200, 100, 50));  // alpha 0: background shows
    color.SetPixel(2, 0, Rgb(1, 2, 3));
    color.SetAlpha(2, 0, 255);
    Bitmap mask(3, 1, PixelFormat::Bits1);
    mask.SetPixel(0, 0, White);  // transparent in the mask, yet drawn: the mask is not used
    mask.SetPixel(2, 0, White);

    Bitmap target = Filled(3, 1, PixelFormat::Bits24, Rgb(10, 20, 30));
    DrawIcon(target, 0, 0, color, mask);
    // red 200*128/255 + 10*127/255 = 100 + 4; green 50 + 9; blue 25 + 14.
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(104, 59, 39));
    EXPECT_EQ(target.GetPixel(1, 0), Rgb(10, 20, 30));
    EXPECT_EQ(target.GetPixel(2, 0), Rgb(1, 2, 3));
}

TEST(IconDrawTest, AndXorRuleWithOneBitMask) {
    Bitmap color(3, 1, PixelFormat::Bits24);
    color.SetPixel(0, 0, Rgb(0xFF, 0xFF, 0x00));  // transparent, not black: background XOR colour
    color.SetPixel(1, 0, Black);                  // transparent, black: background
    color.SetPixel(2, 0, Rgb(7, 8, 9));           // opaque: colour
    Bitmap mask(3, 1, PixelFormat::Bits1);
    mask.SetPixel(0, 0, White);
    mask.SetPixel(1, 0, White);

    Bitmap target = Filled(3, 1, PixelFormat::Bits24, Rgb(0xF0, 0x0F, 0xFF));
    DrawIcon(target, 0, 0, color, mask);
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(0x0F, 0xF0, 0xFF));
    EXPECT_EQ(target.GetPixel(1, 0), Rgb(0xF0, 0x0F, 0xFF));
    EXPECT_EQ(target.GetPixel(2, 0), Rgb(7, 8, 9));
}

TEST(IconDrawTest, EightBitMaskAndAlphaFreeThirtyTwoBitColour) {
    // A 32-bit colour image whose alpha is all zero is drawn by the mask.
    Bitmap color = Filled(3, 1, PixelFormat::Bits32, Rgb(50, 60, 70), 0);
    color.SetPixel(0, 0, Black);
    Bitmap mask(3, 1, PixelFormat::Bits8);
    mask.Row(0)[0] = 255;  // transparent
    mask.Row(0)[1] = 254;  // anything else is opaque
    Bitmap target = Filled(3, 1, PixelFormat::Bits32, Rgb(1, 1, 1), 77);
    DrawIcon(target, 0, 0, color, mask);
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(1, 1, 1));
    EXPECT_EQ(target.GetPixel(1, 0), Rgb(50, 60, 70));
    EXPECT_EQ(target.GetPixel(2, 0), Rgb(50, 60, 70));
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(target.GetAlpha(x, 0), 77);  // target alpha kept
}

TEST(IconDrawTest, ColourImagesOfAnyDepthAndClipping) {
    Bitmap color(2, 2, PixelFormat::Bits4);
    color.SetPixel(0, 0, Rgb(255, 0, 0));
    color.SetPixel(1, 0, Rgb(0, 255, 0));
    color.SetPixel(0, 1, Rgb(0, 0, 255));
    color.SetPixel(1, 1, White);
    Bitmap mask(2, 2, PixelFormat::Bits1);
    Bitmap target = Filled(2, 2, PixelFormat::Bits24, Rgb(9, 9, 9));
    DrawIcon(target, -1, 1, color, mask);  // only the icon's top-right pixel lands
    EXPECT_EQ(target.GetPixel(0, 1), Rgb(0, 255, 0));
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(9, 9, 9));
    EXPECT_EQ(target.GetPixel(1, 1), Rgb(9, 9, 9));
    DrawIcon(target, 2, 0, color, mask);  // entirely outside
    DrawIcon(target, -5, -5, color, mask);
    EXPECT_EQ(target.GetPixel(1, 0), Rgb(9, 9, 9));
}

TEST(IconDrawTest, StretchedDrawingIsNearestNeighbourOnColourAndMask) {
    Bitmap color(3, 1, PixelFormat::Bits24);
    color.SetPixel(0, 0, Rgb(1, 0, 0));
    color.SetPixel(1, 0, Rgb(2, 0, 0));
    color.SetPixel(2, 0, Black);
    Bitmap mask(3, 1, PixelFormat::Bits1);
    mask.SetPixel(2, 0, White);
    Bitmap target = Filled(7, 2, PixelFormat::Bits24, Rgb(0, 0, 99));
    DrawIconStretched(target, 1, 0, 6, 2, color, mask);
    // Target column j (from 1) takes source column 3 * j / 6: 0 0 1 1 2 2.
    const Color want[] = {Rgb(0, 0, 99), Rgb(1, 0, 0),  Rgb(1, 0, 0), Rgb(2, 0, 0),
                          Rgb(2, 0, 0),  Rgb(0, 0, 99), Rgb(0, 0, 99)};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(target.GetPixel(x, y), want[x]) << x << "," << y;
}

TEST(IconDrawTest, MaskAndAlphaQueries) {
    Bitmap m1(9, 1, PixelFormat::Bits1);
    m1.SetPixel(8, 0, White);
    EXPECT_TRUE(MaskIsTransparent(m1, 8, 0));
    EXPECT_FALSE(MaskIsTransparent(m1, 7, 0));
    Bitmap m8(2, 1, PixelFormat::Bits8);
    m8.Row(0)[1] = 255;
    EXPECT_TRUE(MaskIsTransparent(m8, 1, 0));
    EXPECT_FALSE(MaskIsTransparent(m8, 0, 0));
    Bitmap m24(2, 1, PixelFormat::Bits24);
    m24.SetPixel(0, 0, White);
    EXPECT_TRUE(MaskIsTransparent(m24, 0, 0));
    EXPECT_FALSE(MaskIsTransparent(m24, 1, 0));

    Bitmap c(3, 3, PixelFormat::Bits32);
    c.Fill(White, 0);
    EXPECT_FALSE(HasAnyAlpha(c));
    c.SetAlpha(2, 2, 1);
    EXPECT_TRUE(HasAnyAlpha(c));
    EXPECT_FALSE(HasAnyAlpha(Filled(2, 2, PixelFormat::Bits24, White)));
}

TEST(IconDrawTest, AreaAverageOfBlocks) {
    Bitmap src(4, 2, PixelFormat::Bits24);
    const std::uint8_t reds[2][4] = {{0, 255, 10, 20}, {0, 255, 30, 41}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            src.SetPixel(x, y, Rgb(reds[y][x], 0, 200));
    Bitmap out = StretchAreaAverage(src, 2, 1, PixelFormat::Bits32);
    ASSERT_EQ(out.Format(), PixelFormat::Bits32);
    EXPECT_EQ(out.GetPixel(0, 0), Rgb(128, 0, 200));  // 510 / 4 = 127.5, rounded
    EXPECT_EQ(out.GetPixel(1, 0), Rgb(25, 0, 200));   // 101 / 4
    EXPECT_EQ(out.GetAlpha(0, 0), 0);
}

TEST(IconDrawTest, AreaAverageWeighsFractionalCoverage) {
    Bitmap src(3, 1, PixelFormat::Bits8);  // indexed sources are read through the palette
    src.SetPalette({Rgb(0, 0, 0), Rgb(90, 0, 0), Rgb(180, 0, 0)});
    src.Row(0)[1] = 1;
    src.Row(0)[2] = 2;
    Bitmap down = StretchAreaAverage(src, 2, 1, PixelFormat::Bits24);
    EXPECT_EQ(down.Format(), PixelFormat::Bits24);
    EXPECT_EQ(down.GetPixel(0, 0), Rgb(30, 0, 0));   // (0 * 2 + 90) / 3
    EXPECT_EQ(down.GetPixel(1, 0), Rgb(150, 0, 0));  // (90 + 180 * 2) / 3

    Bitmap two(2, 1, PixelFormat::Bits24);
    two.SetPixel(1, 0, Rgb(100, 0, 0));
    Bitmap up = StretchAreaAverage(two, 3, 1, PixelFormat::Bits24);
    EXPECT_EQ(up.GetPixel(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(up.GetPixel(1, 0), Rgb(50, 0, 0));  // straddles both source pixels
    EXPECT_EQ(up.GetPixel(2, 0), Rgb(100, 0, 0));
}

TEST(IconDrawTest, AreaAverageAtEqualSizeIsAnExactCopy) {
    std::mt19937 rng(11);
    Bitmap src(37, 23, PixelFormat::Bits24);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            src.SetPixel(x, y, rng() & 0xFFFFFF);
    EXPECT_EQ(StretchAreaAverage(src, 37, 23, PixelFormat::Bits24), src);
    // A uniform picture stays uniform at any size.
    Bitmap flat = Filled(1000, 800, PixelFormat::Bits24, Rgb(12, 34, 56));
    Bitmap small = StretchAreaAverage(flat, 256, 256, PixelFormat::Bits32);
    for (int y = 0; y < 256; y += 51)
        for (int x = 0; x < 256; x += 17)
            ASSERT_EQ(small.GetPixel(x, y), Rgb(12, 34, 56));
    EXPECT_TRUE(StretchAreaAverage(flat, 0, 5, PixelFormat::Bits24).Empty());
}

TEST(IconDrawTest, AreaAverageWithAlphaWeighsColoursByAlpha) {
    // One opaque red pixel among transparent black ones keeps its colour, at a quarter alpha;
    // a half-transparent white and an opaque blue mix by their weights.
    Bitmap src(4, 2, PixelFormat::Bits32);
    src.SetPixel(0, 0, Rgb(255, 0, 0));
    src.SetAlpha(0, 0, 255);
    for (int y = 0; y < 2; ++y) {
        src.SetPixel(2, y, Rgb(255, 255, 255));
        src.SetAlpha(2, y, 128);
        src.SetPixel(3, y, Rgb(0, 0, 255));
        src.SetAlpha(3, y, 255);
    }
    Bitmap out = StretchAreaAverageWithAlpha(src, 2, 1);
    ASSERT_EQ(out.Format(), PixelFormat::Bits32);
    EXPECT_EQ(out.GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(out.GetAlpha(0, 0), 64);
    EXPECT_EQ(out.GetPixel(1, 0), Rgb(85, 85, 255));  // white weighs 128 against blue's 255
    EXPECT_EQ(out.GetAlpha(1, 0), 192);
    // Wholly transparent areas stay transparent black.
    Bitmap clear(3, 3, PixelFormat::Bits32);
    clear.Fill(Rgb(9, 9, 9), 0);
    Bitmap none = StretchAreaAverageWithAlpha(clear, 1, 1);
    EXPECT_EQ(none.GetPixel(0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(none.GetAlpha(0, 0), 0);
}

TEST(IconDrawTest, ShrinkerInAnyOrderGivesTheAreaAverageAndPremultipliesWhenAsked) {
    std::mt19937 rng(3);
    Bitmap picture(301, 203, PixelFormat::Bits32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width() * 4; ++x)
            picture.Row(y)[x] = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0 : rng());
    for (auto [w, h] : {std::pair(256, 203), std::pair(17, 9), std::pair(301, 1)}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // Rows backwards, each in two interleaved halves.
        AreaAverageShrinker plain(301, 203, w, h, ShrinkAlpha::Zero);
        AreaAverageShrinker premultiplied(301, 203, w, h, ShrinkAlpha::Premultiplied);
        for (int y = picture.Height() - 1; y >= 0; --y) {
            for (AreaAverageShrinker* s : {&plain, &premultiplied}) {
                std::vector<std::uint8_t> even, odd;
                for (int x = 0; x < picture.Width(); ++x)
                    (x % 2 ? odd : even).insert((x % 2 ? odd : even).end(), picture.Row(y) + 4 * x,
                                                picture.Row(y) + 4 * x + 4);
                s->Add(y, 0, 2, 151, even.data(), 4);
                s->Add(y, 1, 2, 150, odd.data(), 4);
            }
        }
        EXPECT_TRUE(plain.Finish() == StretchAreaAverage(picture, w, h, PixelFormat::Bits32));
        // Whole rows take their own road, for pixels of 4 bytes and of 3: the same sums.
        for (int bytes : {4, 3}) {
            for (ShrinkAlpha rule : {ShrinkAlpha::Zero, ShrinkAlpha::Premultiplied}) {
                AreaAverageShrinker whole(301, 203, w, h, rule), split(301, 203, w, h, rule);
                for (int y = 0; y < picture.Height(); ++y) {
                    std::vector<std::uint8_t> row;
                    for (int x = 0; x < picture.Width(); ++x)
                        row.insert(row.end(), picture.Row(y) + 4 * x, picture.Row(y) + 4 * x + bytes);
                    whole.AddRow(y, row.data(), bytes);
                    split.Add(y, 0, 1, 100, row.data(), bytes);
                    split.Add(y, 100, 1, 201, row.data() + 100 * bytes, bytes);
                }
                EXPECT_TRUE(whole.Finish() == split.Finish()) << bytes;
            }
        }
        // Against the exact premultiplied average of the covered areas.
        const Bitmap got = premultiplied.Finish();
        auto cover = [](int t, int target, int s, int source) {
            const double lo = double(t) * source / target, hi = double(t + 1) * source / target;
            return std::max(0.0, std::min(hi, s + 1.0) - std::max(lo, double(s)));
        };
        for (int ty = 0; ty < h; ++ty)
            for (int tx = 0; tx < w; ++tx) {
                double sums[4] = {}, area = 0;
                for (int sy = ty * 203 / h; sy < std::min(203, (ty + 1) * 203 / h + 1); ++sy)
                    for (int sx = tx * 301 / w; sx < std::min(301, (tx + 1) * 301 / w + 1); ++sx) {
                        const double c = cover(tx, w, sx, 301) * cover(ty, h, sy, 203);
                        const std::uint8_t* p = picture.Row(sy) + 4 * sx;
                        for (int k = 0; k < 3; ++k)
                            sums[k] += c * p[3] * p[k];
                        sums[3] += c * p[3];
                        area += c;
                    }
                const std::uint8_t* out = got.Row(ty) + 4 * tx;
                ASSERT_NEAR(out[3], sums[3] / area, 0.5) << tx << "," << ty;
                for (int k = 0; k < 3 && sums[3] > 0; ++k)
                    ASSERT_NEAR(out[k], sums[k] / sums[3], 0.5) << tx << "," << ty;
            }
    }
    // Where every alpha is 0 the colours are plain averages; 24-bit results drop alpha.
    Bitmap clear(4, 4, PixelFormat::Bits32);
    clear.Fill(Rgb(200, 100, 50), 0);
    AreaAverageShrinker s(4, 4, 2, 2, ShrinkAlpha::Premultiplied);
    for (int y = 0; y < 4; ++y)
        s.AddRow(y, clear.Row(y), 4);
    EXPECT_EQ(s.Finish().GetPixel(1, 1), Rgb(200, 100, 50));
    EXPECT_EQ(s.Finish().GetAlpha(1, 1), 0);
    EXPECT_EQ(s.Finish(PixelFormat::Bits24).Format(), PixelFormat::Bits24);
}

TEST(IconDrawTest, ShrinkPlansLimitEachSideOrTheArea) {
    auto size = [](int w, int h, ShrinkPlan plan) {
        PictureSize s = ShrinkTo(w, h, plan);
        return std::pair(s.Width, s.Height);
    };
    EXPECT_EQ(size(1000, 300, {256, 0, false}), std::pair(256, 256));
    EXPECT_EQ(size(100, 300, {256, 0, false}), std::pair(100, 256));
    EXPECT_EQ(size(8000, 2000, {0, 4000000, true}), std::pair(4000, 1000));
    EXPECT_EQ(size(300, 200, {0, 4000000, true}), std::pair(300, 200));
    EXPECT_EQ(size(32768, 1, {0, 16, true}), std::pair(16, 1));
}

TEST(IconDrawTest, NearestStretchIndexRuleKeepsFormatAndPalette) {
    Bitmap src(5, 4, PixelFormat::Bits4);
    src.SetPalette(std::vector<Color>(DefaultPalette(PixelFormat::Bits4)));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            src.SetPixel(x, y, src.Palette()[(y * 5 + x) % 16]);
    Bitmap out = StretchNearest(src, 3, 7);
    ASSERT_EQ(out.Format(), PixelFormat::Bits4);
    EXPECT_EQ(out.Palette(), src.Palette());
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(out.GetPixel(j, i), src.GetPixel(5 * j / 3, 4 * i / 7)) << j << "," << i;

    Bitmap rgba(3, 1, PixelFormat::Bits32);
    rgba.SetAlpha(2, 0, 200);
    Bitmap wide = StretchNearest(rgba, 6, 1);
    EXPECT_EQ(wide.GetAlpha(4, 0), 200);
    EXPECT_EQ(wide.GetAlpha(3, 0), 0);
}

}  // namespace
}  // namespace gf
