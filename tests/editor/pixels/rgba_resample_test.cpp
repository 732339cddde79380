#include "editor/pixels/rgba_resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "editor/pixels/editor_road.h"
#include "editor/pixels/mask.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

struct Rgba {
    int R, G, B, A;
};

void Put(Bitmap& b, int x, int y, Rgba p) {
    std::uint8_t* q = b.Row(y) + 4 * x;
    q[0] = static_cast<std::uint8_t>(p.B);
    q[1] = static_cast<std::uint8_t>(p.G);
    q[2] = static_cast<std::uint8_t>(p.R);
    q[3] = static_cast<std::uint8_t>(p.A);
}

Rgba At(const Bitmap& b, int x, int y) {
    const std::uint8_t* q = b.Row(y) + 4 * x;
    return {q[2], q[1], q[0], q[3]};
}

// Each 2 x 2 block of a 4 x 4 picture shrinks to one pixel, worked out by hand: the colours are
// weighted by their alpha, so a transparent pixel's colour counts for nothing.
TEST(ResamplePremultiplied, BoxShrinksTwoByTwoBlocksWeightedByAlpha) {
    Bitmap pic(4, 4, PixelFormat::Bits32);
    // Top left: red opaque, blue transparent, green at 128, black transparent.
    // R = 255 / 4 = 63.75, G = 128 / 4 = 32, A = 383 / 4 = 95.75: straight 170, 85, 0, 96.
    Put(pic, 0, 0, {255, 0, 0, 255});
    Put(pic, 1, 0, {0, 0, 255, 0});
    Put(pic, 0, 1, {0, 255, 0, 128});
    Put(pic, 1, 1, {0, 0, 0, 0});
    // Top right: two opaque pixels of one colour beside two transparent white ones: the colour
    // stays, alpha halves (127.5 rounds up).
    Put(pic, 2, 0, {10, 20, 30, 255});
    Put(pic, 3, 0, {255, 255, 255, 0});
    Put(pic, 2, 1, {255, 255, 255, 0});
    Put(pic, 3, 1, {10, 20, 30, 255});
    // Bottom left: all transparent, whatever the colours say.
    Put(pic, 0, 2, {200, 100, 50, 0});
    Put(pic, 1, 2, {1, 2, 3, 0});
    Put(pic, 0, 3, {9, 9, 9, 0});
    Put(pic, 1, 3, {255, 255, 255, 0});
    // Bottom right: equal alpha 60, colours averaged plainly: (0 + 100 + 200 + 100) / 4 = 100.
    Put(pic, 2, 2, {0, 40, 80, 60});
    Put(pic, 3, 2, {100, 40, 80, 60});
    Put(pic, 2, 3, {200, 40, 80, 60});
    Put(pic, 3, 3, {100, 40, 80, 60});

    const Bitmap out = ResamplePremultiplied(pic, 2, 2, ResampleFilter::Box);
    ASSERT_EQ(out.Format(), PixelFormat::Bits32);
    const Rgba want[4] = {{170, 85, 0, 96}, {10, 20, 30, 128}, {0, 0, 0, 0}, {100, 40, 80, 60}};
    for (int i = 0; i < 4; ++i) {
        const Rgba got = At(out, i % 2, i / 2);
        EXPECT_EQ(got.R, want[i].R) << i;
        EXPECT_EQ(got.G, want[i].G) << i;
        EXPECT_EQ(got.B, want[i].B) << i;
        EXPECT_EQ(got.A, want[i].A) << i;
    }
}

TEST(ResamplePremultiplied, EveryFilterKeepsFlatAreasAndCoversTheSource) {
    for (ResampleFilter f : {ResampleFilter::Box, ResampleFilter::Mitchell, ResampleFilter::Lanczos}) {
        Bitmap pic(30, 20, PixelFormat::Bits32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                Put(pic, x, y, {40, 160, 220, 200});
        for (auto [w, h] : {std::pair{7, 5}, std::pair{30, 20}, std::pair{64, 3}}) {
            const Bitmap out = ResamplePremultiplied(pic, w, h, f);
            ASSERT_EQ(out.Width(), w);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgba p = At(out, x, y);
                    ASSERT_EQ(p.R, 40);
                    ASSERT_EQ(p.G, 160);
                    ASSERT_EQ(p.B, 220);
                    ASSERT_EQ(p.A, 200);
                }
        }
    }
    // Box enlarging by a whole factor repeats pixels exactly.
    Bitmap two(2, 1, PixelFormat::Bits32);
    Put(two, 0, 0, {255, 0, 0, 255});
    Put(two, 1, 0, {0, 0, 255, 0});
    const Bitmap wide = ResamplePremultiplied(two, 6, 1, ResampleFilter::Box);
    EXPECT_EQ(At(wide, 2, 0).R, 255);
    EXPECT_EQ(At(wide, 2, 0).A, 255);
    EXPECT_EQ(At(wide, 3, 0).A, 0);
    EXPECT_EQ(ParseResampleFilter("lanczos"), ResampleFilter::Lanczos);
    EXPECT_FALSE(ParseResampleFilter("bicubic"));
}

// Box by its definition, in doubles: each destination pixel is the alpha-weighted mean of the
// source pixels whose centres lie in its footprint (a centre on the footprint's left edge
// belongs to the pixel on the left); enlarging takes the pixel under each centre.
Rgba NaiveBox(const Bitmap& pic, int w, int h, int x, int y) {
    auto range = [](int src, int dst, int i) {
        const double scale = static_cast<double>(src) / dst;
        const double lo = i * scale, hi = (i + 1) * scale;
        if (scale <= 1.0) {
            const int k = static_cast<int>((i + 0.5) * scale);
            return std::pair{k, k + 1};
        }
        int first = 0;
        while (first + 0.5 <= lo)
            ++first;
        int last = first;
        while (last < src && last + 0.5 <= hi)
            ++last;
        return std::pair{first, last};
    };
    const auto [x0, x1] = range(pic.Width(), w, x);
    const auto [y0, y1] = range(pic.Height(), h, y);
    double b = 0, g = 0, r = 0, a = 0;
    for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) {
            const Rgba p = At(pic, sx, sy);
            b += p.B * p.A;
            g += p.G * p.A;
            r += p.R * p.A;
            a += p.A;
        }
    const double n = (x1 - x0) * (y1 - y0);
    const int alpha = static_cast<int>(a / n + 0.5);
    if (alpha == 0)
        return {0, 0, 0, 0};
    return {static_cast<int>(r / a + 0.5), static_cast<int>(g / a + 0.5),
            static_cast<int>(b / a + 0.5), alpha};
}

// Many sizes from one pass over the picture, each as the definition gives it and as a pass of its
// own gives it: odd widths (the vector loops' tails), shrinking by whole and broken factors,
// enlarging, and one side shrinking while the other grows.
TEST(ResamplePremultiplied, ManySizesInOnePassMatchTheBoxDefinition) {
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) & 0xFF);
    };
    for (auto [pw, ph] : {std::pair{13, 7}, std::pair{64, 48}, std::pair{5, 30}}) {
        Bitmap pic(pw, ph, PixelFormat::Bits32);
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x) {
                const int a = next();
                Put(pic, x, y, {next(), next(), next(), a < 40 ? 0 : a});
            }
        const std::vector<ResampleSize> sizes = {{1, 1},  {3, 2},   {pw, ph}, {7, 5},
                                                 {16, 3}, {33, 61}, {2, 50}};
        const std::vector<Bitmap> all = ResamplePremultiplied(pic, sizes, ResampleFilter::Box);
        ASSERT_EQ(all.size(), sizes.size());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const auto [w, h] = sizes[i];
            const Bitmap alone = ResamplePremultiplied(pic, w, h, ResampleFilter::Box);
            ASSERT_TRUE(std::equal(alone.Data().begin(), alone.Data().end(),
                                   all[i].Data().begin(), all[i].Data().end()))
                << pw << "x" << ph << " to " << w << "x" << h;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgba want = NaiveBox(pic, w, h, x, y), got = At(all[i], x, y);
                    ASSERT_LE(std::abs(got.A - want.A), 1) << w << "x" << h << " " << x << "," << y;
                    if (want.A > 8) {  // the colour of a nearly transparent pixel is coarse
                        ASSERT_LE(std::abs(got.R - want.R), 1) << w << "x" << h << " " << x;
                        ASSERT_LE(std::abs(got.G - want.G), 1) << w << "x" << h << " " << x;
                        ASSERT_LE(std::abs(got.B - want.B), 1) << w << "x" << h << " " << x;
                    }
                }
        }
    }
    // The other filters give one pass what they give each size alone.
    Bitmap pic(21, 9, PixelFormat::Bits32);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 21; ++x)
            Put(pic, x, y, {next(), next(), next(), next()});
    const std::vector<ResampleSize> sizes = {{4, 4}, {21, 9}, {50, 3}};
    for (ResampleFilter f : {ResampleFilter::Mitchell, ResampleFilter::Lanczos}) {
        const std::vector<Bitmap> all = ResamplePremultiplied(pic, sizes, f);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const Bitmap alone = ResamplePremultiplied(pic, sizes[i].Width, sizes[i].Height, f);
            EXPECT_TRUE(std::equal(alone.Data().begin(), alone.Data().end(),
                                   all[i].Data().begin(), all[i].Data().end()));
        }
    }
}

TEST(PremultipliedRoad, SemiTransparentPixelsKeepTheirColourAt32BitsAndFlattenBelow) {
    // A nearly transparent black pixel stays black: no light halo from the background.
    Bitmap pic(2, 2, PixelFormat::Bits32);
    for (int i = 0; i < 4; ++i)
        Put(pic, i % 2, i / 2, {0, 0, 0, 1});
    RoadSettings road;
    road.Size.Width = road.Size.Height = 1;
    auto r = RunPremultipliedRoad(pic, road, ResampleFilter::Box);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(At(r->Color, 0, 0).R, 0);
    EXPECT_EQ(At(r->Color, 0, 0).A, 1);
    EXPECT_EQ(test::MaskAt(r->Mask, 0, 0), MaskOpaque);

    // At 24 bits with the threshold kept at 128, alpha 200 over a white canvas is flattened once.
    Put(pic, 0, 0, {0, 0, 0, 200});
    Put(pic, 1, 0, {0, 0, 0, 200});
    Put(pic, 0, 1, {0, 0, 0, 200});
    Put(pic, 1, 1, {0, 0, 0, 200});
    road.ColourBits.Item = ColourItemFromBits(24);
    road.ColourBits.Threshold = 128;
    r = RunPremultipliedRoad(pic, road, ResampleFilter::Box);
    ASSERT_TRUE(r.Ok());
    ASSERT_EQ(r->Color.Format(), PixelFormat::Bits24);
    EXPECT_EQ(RedOf(r->Color.GetPixel(0, 0)), 255 * 55 / 255);

    // Without alpha, the key colour is taken out at the picture's resolution: a 2 x 2 picture
    // with one white (key) pixel gives a pixel three quarters opaque, of the other colour only.
    Bitmap flat(2, 2, PixelFormat::Bits24);
    flat.Fill(Rgb(0, 0, 200));
    flat.SetPixel(1, 1, White);
    RoadSettings keyed;
    keyed.Size.Width = keyed.Size.Height = 1;
    keyed.Transparency.Transparent = true;
    keyed.Transparency.Key = White;
    r = RunPremultipliedRoad(flat, keyed, ResampleFilter::Box);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Color.GetPixel(0, 0), Rgb(0, 0, 200));
    EXPECT_EQ(r->Color.GetAlpha(0, 0), 191);
}

}  // namespace
}  // namespace gf
