#include "editor/pixels/flatten.h"

#include <gtest/gtest.h>

#include "editor/pixels/colour_bits.h"
#include "editor/pixels/mask.h"
#include "pixel_test_util.h"

namespace gf {
namespace {

using test::MaskAt;

Bitmap OnePixel(Color c, std::uint8_t alpha) {
    return test::SolidPicture(1, 1, PixelFormat::Bits32, c, alpha);
}

TEST(FlattenAlpha, ThresholdDecidesBetweenTransparentAndComposed) {
    const Bitmap src = OnePixel(Rgb(200, 100, 50), 128);
    const Color bg = Rgb(10, 20, 30);
    for (int t : {255, 129}) {
        Bitmap d = src, k = MakeMask(1, 1);
        FlattenAlpha(d, src, t, k, bg);
        EXPECT_EQ(d.Format(), PixelFormat::Bits24);
        EXPECT_EQ(MaskAt(k, 0, 0), MaskTransparent) << t;
        EXPECT_EQ(d.GetPixel(0, 0), Black);
    }
    Bitmap d = src, k = MakeMask(1, 1, MaskTransparent);
    FlattenAlpha(d, src, 128, k, bg);
    EXPECT_EQ(MaskAt(k, 0, 0), MaskOpaque);
    EXPECT_EQ(d.GetPixel(0, 0),
              Rgb(200 * 128 / 255 + 10 * 127 / 255, 100 * 128 / 255 + 20 * 127 / 255,
                  50 * 128 / 255 + 30 * 127 / 255));
}

TEST(FlattenAlpha, ZeroMakesEverythingOpaqueOverTheBackground) {
    Bitmap src = OnePixel(Black, 0);
    src.SetSize(2, 1);
    src.SetPixel(1, 0, White);
    src.SetAlpha(1, 0, 255);
    Bitmap d = src, k = MakeMask(2, 1, MaskTransparent);
    FlattenAlpha(d, src, 0, k, Rgb(1, 2, 3));
    EXPECT_EQ(d.GetPixel(0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(MaskAt(k, 0, 0), MaskOpaque);
    EXPECT_EQ(d.GetPixel(1, 0), White);
}

TEST(FlattenAlpha, KeepOrNoAlphaOnlyDropsTheAlphaByte) {
    const Bitmap partial = OnePixel(Rgb(9, 8, 7), 100);
    Bitmap d = partial, k = MakeMask(1, 1, MaskTransparent);
    FlattenAlpha(d, partial, KeepPartialAlpha, k, White);
    EXPECT_EQ(d.Format(), PixelFormat::Bits24);
    EXPECT_EQ(d.GetPixel(0, 0), Rgb(9, 8, 7));
    EXPECT_EQ(MaskAt(k, 0, 0), MaskTransparent);

    const Bitmap noAlpha = OnePixel(Rgb(9, 8, 7), 0);
    d = noAlpha;
    FlattenAlpha(d, noAlpha, 255, k, White);
    EXPECT_EQ(d.GetPixel(0, 0), Rgb(9, 8, 7));
    EXPECT_EQ(MaskAt(k, 0, 0), MaskTransparent);
}

TEST(PackRgb565, TruncatesEachChannel) {
    Bitmap src = test::SolidPicture(2, 1, PixelFormat::Bits24, Rgb(0xFF, 0x83, 0x0F));
    Bitmap d;
    PackRgb565(d, src);
    ASSERT_EQ(d.Format(), PixelFormat::Bits16);
    EXPECT_EQ(d.Masks(), Masks565);
    const unsigned v = d.Row(0)[0] | (d.Row(0)[1] << 8);
    EXPECT_EQ(v, (0x0Fu >> 3) | ((0x83u >> 2) << 5) | ((0xFFu >> 3) << 11));

    // In place: the source is read whole before it is replaced.
    PackRgb565(src, src);
    ASSERT_EQ(src.Format(), PixelFormat::Bits16);
    EXPECT_EQ(src.Row(0)[0], d.Row(0)[0]);
    EXPECT_EQ(src.Row(0)[3], d.Row(0)[3]);
}

TEST(AlphaFromMask, TrueColourGetsAlphaFromTheMaskAnd32BitIsLeftAlone) {
    Bitmap c = test::SolidPicture(2, 1, PixelFormat::Bits24, Rgb(5, 6, 7));
    Bitmap m = MakeMask(2, 1);
    m.Row(0)[1] = MaskTransparent;
    const Bitmap before = c, maskBefore = m;
    AlphaFromMask(c, before, m, maskBefore);
    ASSERT_EQ(c.Format(), PixelFormat::Bits32);
    EXPECT_EQ(c.GetAlpha(0, 0), 255);
    EXPECT_EQ(c.GetAlpha(1, 0), 0);
    EXPECT_EQ(c.GetPixel(1, 0), Rgb(5, 6, 7));

    Bitmap c32 = OnePixel(Rgb(1, 1, 1), 77);
    const Bitmap b32 = c32;
    Bitmap m32 = MakeMask(1, 1, MaskTransparent);
    AlphaFromMask(c32, b32, m32, MakeMask(1, 1, MaskTransparent));
    EXPECT_EQ(c32, b32);
}

TEST(FinishColourBits, EachItemGivesItsDepth) {
    const int formats[] = {1, 2, 3, 5, 6, 7};
    for (int item = 0; item < 6; ++item) {
        Bitmap c = test::RandomPicture(8, 8, PixelFormat::Bits32, 3 + item);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                c.SetAlpha(x, y, 255);
        Bitmap m = MakeMask(8, 8);
        ColourBitsSettings s;
        s.Item = item;
        s.Palette = PaletteKind::WebSafe216;
        ASSERT_TRUE(FinishColourBits(c, m, s, nullptr));
        EXPECT_EQ(CodeOf(c.Format()), formats[item]) << item;
        EXPECT_EQ(m.Format(), PixelFormat::Bits8);
        EXPECT_EQ(c.Width(), 8);
        EXPECT_EQ(ColourItemFromFormatCode(CodeOf(c.Format())), item);
    }
}

TEST(FinishColourBits, PartialAlphaAt24BitsBecomesTransparentAtThreshold255) {
    Bitmap c = OnePixel(Rgb(10, 10, 10), 255);
    c.SetSize(2, 1);
    c.SetPixel(1, 0, Rgb(90, 90, 90));
    c.SetAlpha(1, 0, 200);
    Bitmap m = MakeMask(2, 1);
    ColourBitsSettings s;
    s.Item = 4;
    ASSERT_TRUE(FinishColourBits(c, m, s, nullptr));
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(10, 10, 10));
    EXPECT_EQ(MaskAt(m, 0, 0), MaskOpaque);
    EXPECT_EQ(c.GetPixel(1, 0), Black);
    EXPECT_EQ(MaskAt(m, 1, 0), MaskTransparent);
}

TEST(PreviewColourBits, ThirtyTwoBitsShowsTrueColourWithoutAlpha) {
    Bitmap c = test::SolidPicture(2, 2, PixelFormat::Bits24, Rgb(3, 4, 5));
    Bitmap m = MakeMask(2, 2, MaskTransparent);
    Bitmap pc, pm;
    ColourBitsSettings s;
    s.Item = 5;
    ASSERT_TRUE(PreviewColourBits(c, m, s, nullptr, pc, pm));
    EXPECT_EQ(pc.Format(), PixelFormat::Bits32);
    EXPECT_EQ(pc.GetAlpha(0, 0), 0);
    EXPECT_EQ(c.Format(), PixelFormat::Bits24);  // the pair itself is untouched
}

}  // namespace
}  // namespace gf
