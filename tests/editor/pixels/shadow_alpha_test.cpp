#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "editor/pixels/mask.h"
#include "editor/pixels/shadow_alpha.h"

namespace gf {
namespace {

constexpr Color Grey7F = 0x7F7F7F;

struct PixelCase {
    const char* Name;
    Color Background, Shadow;
    int Tolerance;
    std::uint8_t Blue, Green, Red;  // the pixel
    int Alpha;                      // its alpha afterwards (it starts at 200)
};

// Over white to black a byte p lies at 255 - p, so (155, 145, 125) gives 100, 110 and 130.
const PixelCase PixelCases[] = {
    {"half way to 7F", White, Grey7F, 5, 191, 191, 191, 127},
    {"the background", White, Grey7F, 5, 255, 255, 255, 0},
    {"the shadow", White, Grey7F, 5, 127, 127, 127, 255},
    {"channels disagree beyond 5", White, Black, 5, 155, 145, 125, 200},
    {"channels within 20", White, Black, 20, 155, 145, 125, 113},
    // Each bound is strict on every channel: 130 - 113 = 17 on red, then on blue and green;
    // (95, 120, 124) average 113, 113 - 18 = 95 on blue's lower bound.
    {"upper bound on red", White, Black, 17, 155, 145, 125, 200},
    {"upper bound on blue", White, Black, 17, 125, 145, 155, 200},
    {"upper bound on green", White, Black, 17, 145, 125, 155, 200},
    {"lower bound on blue", White, Black, 18, 160, 135, 131, 200},
    {"just inside the bounds", White, Black, 19, 160, 135, 131, 113},
    {"darker: 308 each, lowered to 255", White, Grey7F, 5, 100, 100, 100, 200},
    {"darker but within tolerance of 255", White, Grey7F, 60, 100, 100, 100, 255},
    {"a level darker: 256 each", White, Grey7F, 5, 126, 126, 126, 255},
    {"lighter than the background: raised to 0", Grey7F, Black, 5, 128, 128, 128, 0},
    {"far beyond the background stays", Grey7F, Black, 5, 200, 200, 200, 200},
    // Truncation toward zero: (-1 x 255) / -128 is 1 in each channel.
    {"truncating divisions", White, Grey7F, 5, 254, 254, 254, 1},
    // Blue (191 - 255) x 255 / (128 - 255), green (159 - 255) x 255 / (64 - 255) and red
    // (127 - 255) x 255 / -255 are 128 each.
    {"a coloured shadow", White, Rgb(0, 64, 128), 5, 191, 159, 127, 128},
};

class ApplyShadowAlphaCase : public ::testing::TestWithParam<PixelCase> {};

TEST_P(ApplyShadowAlphaCase, GivesTheAlphaOfTheLine) {
    const PixelCase& c = GetParam();
    Bitmap color(1, 1, PixelFormat::Bits32);
    std::uint8_t* p = color.Row(0);
    p[0] = c.Blue;
    p[1] = c.Green;
    p[2] = c.Red;
    p[3] = 200;
    ApplyShadowAlpha(color, MakeMask(1, 1), MakeMask(1, 1), c.Background, c.Shadow, c.Tolerance);
    EXPECT_EQ(p[3], c.Alpha);
    // Only the alpha byte changes.
    EXPECT_EQ(p[0], c.Blue);
    EXPECT_EQ(p[1], c.Green);
    EXPECT_EQ(p[2], c.Red);
}

INSTANTIATE_TEST_SUITE_P(Pixels, ApplyShadowAlphaCase, ::testing::ValuesIn(PixelCases),
                         [](const auto& row) {
                             std::string name;
                             for (const char* s = row.param.Name; *s; ++s)
                                 name += std::isalnum(static_cast<unsigned char>(*s)) ? *s : '_';
                             return name;
                         });

// A ramp of greys from white to 0x7F7F7F across 129 pixels, alpha 255.
Bitmap Ramp() {
    Bitmap b(129, 1, PixelFormat::Bits32);
    for (int x = 0; x < 129; ++x)
        b.SetPixel(x, 0, 0x010101u * static_cast<Color>(255 - x));
    for (int x = 0; x < 129; ++x)
        b.SetAlpha(x, 0, 255);
    return b;
}

TEST(ApplyShadowAlpha, TransparentAndProtectedPixelsKeepTheirAlpha) {
    Bitmap color = Ramp();
    Bitmap mask = MakeMask(129, 1);
    Bitmap region = MakeMask(129, 1);
    mask.Row(0)[10] = MaskTransparent;
    region.Row(0)[20] = 255;  // painted out of the region
    region.Row(0)[30] = 1;    // any value but 0 protects
    const Bitmap maskBefore = mask, regionBefore = region;
    ApplyShadowAlpha(color, mask, region, White, Grey7F, 5);
    for (int x = 0; x < 129; ++x) {
        const bool kept = x == 10 || x == 20 || x == 30;
        EXPECT_EQ(color.GetAlpha(x, 0), kept ? 255 : x * 255 / 128) << x;
    }
    EXPECT_EQ(mask, maskBefore);
    EXPECT_EQ(region, regionBefore);
}

TEST(ApplyShadowAlpha, DoesNothingWhereItCannotApply) {
    const Bitmap ramp = Ramp();
    const Bitmap mask = MakeMask(129, 1), region = MakeMask(129, 1);
    struct {
        const char* Why;
        Color Background, Shadow;
        const Bitmap* Mask;
        const Bitmap* Region;
    } cases[] = {{"equal blue", Rgb(255, 255, 9), Rgb(0, 0, 9), &mask, &region},
                 {"equal green", Rgb(255, 9, 255), Rgb(0, 9, 0), &mask, &region},
                 {"equal red", Rgb(9, 255, 255), Rgb(9, 0, 0), &mask, &region},
                 {"equal colours", White, White, &mask, &region}};
    for (const auto& c : cases) {
        Bitmap color = ramp;
        ApplyShadowAlpha(color, *c.Mask, *c.Region, c.Background, c.Shadow, 255);
        EXPECT_EQ(color, ramp) << c.Why;
    }
    // A region or mask of another size, and a colour image below 32 bits.
    Bitmap color = ramp;
    ApplyShadowAlpha(color, mask, MakeMask(128, 1), White, Grey7F, 5);
    EXPECT_EQ(color, ramp);
    ApplyShadowAlpha(color, MakeMask(1, 1), region, White, Grey7F, 5);
    EXPECT_EQ(color, ramp);
    Bitmap rgb = ramp.ConvertedTo(PixelFormat::Bits24);
    const Bitmap rgbBefore = rgb;
    ApplyShadowAlpha(rgb, mask, region, White, Grey7F, 5);
    EXPECT_EQ(rgb, rgbBefore);
}

TEST(ShadowCandidates, RunFromTheStrongestExtrapolationToTheWeakest) {
    const std::vector<Color> greys = ShadowCandidates(White, 0xC0C0C0);
    ASSERT_EQ(greys.size(), 187u);  // i = 63 .. 249
    EXPECT_EQ(greys.front(), Black);
    EXPECT_EQ(greys.back(), 0xBFBFBFu);
    for (std::size_t n = 0; n < greys.size(); ++n) {
        const int i = 63 + static_cast<int>(n);
        EXPECT_EQ(greys[n], 0x010101u * static_cast<Color>(255 - 16065 / i)) << i;
    }

    // Channels apart: the list ends where any channel leaves 0..255; red is the low byte.
    const std::vector<Color> coloured = ShadowCandidates(Rgb(255, 255, 255), Rgb(191, 223, 255));
    ASSERT_FALSE(coloured.empty());
    EXPECT_EQ(coloured.front(), Rgb(0, 128, 255));  // i = 64: -64 x 255 / 64 = -255
    EXPECT_EQ(coloured.size(), 186u);
    // The i-th candidate, laid over the background at alpha i / 255, gives the picked colour
    // back to within a level.
    for (std::size_t n = 0; n < coloured.size(); ++n) {
        const int i = 64 + static_cast<int>(n);
        const int red = (RedOf(coloured[n]) * i + 255 * (255 - i)) / 255;
        EXPECT_NEAR(red, 191, 1) << i;
    }

    // The picked colour is the background: every i gives the background itself.
    EXPECT_EQ(ShadowCandidates(Grey7F, Grey7F), std::vector<Color>(249, Grey7F));
    // No candidate fits: white over black would need a shadow brighter than white at every
    // alpha up to 249 / 255.
    EXPECT_TRUE(ShadowCandidates(Black, White).empty());
    EXPECT_TRUE(ShadowCandidates(Rgb(0, 255, 0), Rgb(255, 0, 128)).empty());
}

// The adjustment found from the candidates gives a shadow drawn over white its alpha back.
TEST(ShadowCandidates, FeedTheAdjustmentThatUndoesTheShadow) {
    const Color shadow = Rgb(40, 40, 80);
    Bitmap color(200, 1, PixelFormat::Bits32);
    for (int a = 0; a < 200; ++a) {
        auto over = [a](int s) {
            return static_cast<std::uint8_t>((s * a + 255 * (255 - a)) / 255);
        };
        color.SetPixel(a, 0, Rgb(over(40), over(40), over(80)));
        color.SetAlpha(a, 0, 255);
    }
    const std::vector<Color> list = ShadowCandidates(White, color.GetPixel(199, 0));
    ASSERT_FALSE(list.empty());
    // Item 0 (the first selected) overshoots; the one of i = 199 is the shadow itself.
    const auto it = std::find(list.begin(), list.end(), shadow);
    ASSERT_NE(it, list.end());
    ApplyShadowAlpha(color, MakeMask(200, 1), MakeMask(200, 1), White, shadow, 8);
    for (int a = 0; a < 200; ++a)
        EXPECT_NEAR(color.GetAlpha(a, 0), a, 3) << a;
}

}  // namespace
}  // namespace gf
