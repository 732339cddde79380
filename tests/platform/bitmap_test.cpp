#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>

namespace gf {
namespace {

const PixelFormat AllFormats[] = {PixelFormat::Bits1,  PixelFormat::Bits4,  PixelFormat::Bits8,
                                  PixelFormat::Bits15, PixelFormat::Bits16, PixelFormat::Bits24,
                                  PixelFormat::Bits32, PixelFormat::Device, PixelFormat::Custom};

TEST(BitmapTest, ConstructionSizesRowsAndRefusesBadSides) {
    Bitmap b(5, 3, PixelFormat::Bits24);
    EXPECT_EQ(b.Stride(), 16u);  // 15 bytes padded to 16
    EXPECT_EQ(b.Data().size(), 48u);
    EXPECT_EQ(Bitmap(33, 1, PixelFormat::Bits1).Stride(), 8u);
    EXPECT_EQ(Bitmap(9, 1, PixelFormat::Bits4).Stride(), 8u);
    EXPECT_EQ(Bitmap(3, 1, PixelFormat::Bits16).Stride(), 8u);
    EXPECT_EQ(Bitmap(3, 1, PixelFormat::Custom).Stride(), 12u);
    EXPECT_EQ(Bitmap(4, 4, PixelFormat::Bits8).Palette().size(), 256u);
    EXPECT_EQ(Bitmap(4, 4, PixelFormat::Bits15).Masks(), Masks555);
    EXPECT_EQ(Bitmap(4, 4, PixelFormat::Bits16).Masks(), Masks565);
    EXPECT_TRUE(Bitmap(0, 7, PixelFormat::Bits32).Empty());
    EXPECT_THROW(Bitmap(-1, 2, PixelFormat::Bits24), std::invalid_argument);
    EXPECT_THROW(Bitmap(2, MaxBitmapSide + 1, PixelFormat::Bits24), std::invalid_argument);
}

TEST(BitmapTest, PixelsOfEveryFormatReadBackWhatWasWritten) {
    // Colours that every format represents exactly: palette entries for indexed formats and
    // values with the low bits clear (or repeating) for 15 and 16 bits.
    for (PixelFormat f : AllFormats) {
        Bitmap b(7, 3, f);
        std::vector<Color> colors;
        if (IsIndexed(f)) {
            colors = b.Palette();
        } else {
            colors = {Black, White, Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                b.SetPixel(x, y, colors[(x * 3 + y) % colors.size()]);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(b.GetPixel(x, y), colors[(x * 3 + y) % colors.size()])
                    << "format " << CodeOf(f) << " at " << x << "," << y;
    }
}

TEST(BitmapTest, IndexedPixelsArePackedMostSignificantBitFirst) {
    Bitmap mono(10, 1, PixelFormat::Bits1);
    mono.SetPixel(0, 0, White);
    mono.SetPixel(9, 0, White);
    EXPECT_EQ(mono.Row(0)[0], 0x80);
    EXPECT_EQ(mono.Row(0)[1], 0x40);

    Bitmap nibble(3, 1, PixelFormat::Bits4);
    nibble.SetPixel(0, 0, Rgb(255, 0, 0));  // index 9 of the standard colours
    nibble.SetPixel(1, 0, White);           // index 15
    nibble.SetPixel(2, 0, Rgb(0, 0, 128));  // index 4
    EXPECT_EQ(nibble.Row(0)[0], 0x9F);
    EXPECT_EQ(nibble.Row(0)[1], 0x40);
}

TEST(BitmapTest, SixteenBitChannelsExpandSoThatWhiteStaysWhite) {
    Bitmap b(2, 1, PixelFormat::Bits15);
    b.Row(0)[0] = 0xFF;  // 0x7FFF
    b.Row(0)[1] = 0x7F;
    b.Row(0)[2] = 0x10;  // blue = 0x10 only
    b.Row(0)[3] = 0x00;
    EXPECT_EQ(b.GetPixel(0, 0), White);
    EXPECT_EQ(b.GetPixel(1, 0), Rgb(0, 0, 0x84));  // 10000 -> 10000100

    Bitmap c(1, 1, PixelFormat::Bits16);
    c.Row(0)[0] = 0xE0;  // green 0x3F of 5-6-5: 0x07E0
    c.Row(0)[1] = 0x07;
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(0, 255, 0));

    // Other masks reinterpret the same bits.
    c.SetMasks({0x0F00, 0x00F0, 0x000F});
    c.Row(0)[0] = 0x5A;
    c.Row(0)[1] = 0x0C;
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(0xCC, 0x55, 0xAA));
    // Masks belong to Bits16 only.
    b.SetMasks({0x0F00, 0x00F0, 0x000F});
    EXPECT_EQ(b.Masks(), Masks555);
}

TEST(BitmapTest, AlphaBelongsToThirtyTwoBitsOnly) {
    Bitmap b(2, 2, PixelFormat::Bits32);
    b.SetAlpha(1, 1, 77);
    b.SetPixel(1, 1, Rgb(1, 2, 3));
    EXPECT_EQ(b.GetAlpha(1, 1), 77);  // SetPixel keeps alpha
    EXPECT_EQ(b.GetPixel(1, 1), Rgb(1, 2, 3));
    const std::uint8_t* p = b.Row(1) + 4;
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[2], 1);

    Bitmap c(2, 2, PixelFormat::Bits24);
    c.SetAlpha(0, 0, 5);
    EXPECT_EQ(c.GetAlpha(0, 0), 255);
    EXPECT_EQ(c.GetPixel(0, 0), Black);
}

TEST(BitmapTest, PaletteIsTruncatedAndMissingEntriesReadBlack) {
    Bitmap b(2, 1, PixelFormat::Bits1);
    b.SetPalette({Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)});
    EXPECT_EQ(b.Palette().size(), 2u);
    Bitmap c(2, 1, PixelFormat::Bits8);
    c.SetPalette({Rgb(9, 9, 9)});
    c.Row(0)[1] = 200;
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(9, 9, 9));
    EXPECT_EQ(c.GetPixel(1, 0), Black);
    Bitmap d(2, 1, PixelFormat::Bits24);
    d.SetPalette({White});
    EXPECT_TRUE(d.Palette().empty());
}

TEST(BitmapTest, FillAndClippedFillRect) {
    for (PixelFormat f : AllFormats) {
        Bitmap b(9, 5, f);
        b.Fill(White, 200);
        b.FillRect(-3, 3, 4, 99, Rgb(255, 0, 0), 9);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                bool inside = x < 4 && y >= 3;
                Color want = inside ? (f == PixelFormat::Bits1 ? Black : Rgb(255, 0, 0)) : White;
                EXPECT_EQ(b.GetPixel(x, y), want) << CodeOf(f) << " " << x << "," << y;
                if (f == PixelFormat::Bits32) {
                    EXPECT_EQ(b.GetAlpha(x, y), inside ? 9 : 200);
                }
            }
        b.FillRect(5, 5, 9, 6, Black);  // entirely outside: nothing
        b.FillRect(6, 0, 2, 4, Black);  // empty
        EXPECT_EQ(b.GetPixel(8, 4), White);
    }
}

TEST(BitmapTest, CopyRectClipsOnBothSides) {
    Bitmap src(4, 4, PixelFormat::Bits24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.SetPixel(x, y, Rgb(static_cast<std::uint8_t>(x * 10 + y), 0, 0));
    Bitmap dst(3, 3, PixelFormat::Bits24);
    dst.Fill(White);
    // Source corner at (-1, 1): the first column is clipped away and shifts the target too.
    dst.CopyRect(src, -1, 1, 10, 10, 0, -1);
    // dst(x, y) takes src(x - 1, y + 2): source column -1 would land on target column 0.
    EXPECT_EQ(dst.GetPixel(0, 0), White);
    EXPECT_EQ(dst.GetPixel(1, 0), Rgb(2, 0, 0));
    EXPECT_EQ(dst.GetPixel(2, 1), Rgb(13, 0, 0));
    EXPECT_EQ(dst.GetPixel(2, 2), White);  // no source row 4
    dst.CopyRect(src, 0, 0, 4, 4, 5, 5);   // entirely outside: nothing
    EXPECT_EQ(dst.GetPixel(2, 2), White);
}

TEST(BitmapTest, CopyRectOfSubBytePixelsAtOddPositions) {
    Bitmap src(13, 2, PixelFormat::Bits4);
    for (int x = 0; x < 13; ++x)
        src.SetPixel(x, 0, src.Palette()[x % 16]);
    Bitmap dst(13, 2, PixelFormat::Bits4);
    dst.Fill(White);
    dst.CopyRect(src, 1, 0, 7, 1, 4, 1);
    for (int x = 0; x < 13; ++x) {
        Color want = (x >= 4 && x < 11) ? src.Palette()[(x - 3) % 16] : White;
        EXPECT_EQ(dst.GetPixel(x, 1), want) << x;
        EXPECT_EQ(dst.GetPixel(x, 0), White);
    }
    // Overlapping copy inside one bitmap behaves as if from a snapshot.
    Bitmap mono(20, 1, PixelFormat::Bits1);
    for (int x = 0; x < 20; x += 3)
        mono.SetPixel(x, 0, White);
    Bitmap before = mono;
    mono.CopyRect(mono, 0, 0, 17, 1, 3, 0);
    for (int x = 3; x < 20; ++x)
        EXPECT_EQ(mono.GetPixel(x, 0), before.GetPixel(x - 3, 0)) << x;
}

TEST(BitmapTest, CopyRectConvertsBetweenFormats) {
    Bitmap src(2, 1, PixelFormat::Bits32);
    src.SetPixel(0, 0, Rgb(250, 10, 10));
    src.SetAlpha(0, 0, 128);
    src.SetPixel(1, 0, Rgb(10, 10, 250));
    src.SetAlpha(1, 0, 255);

    Bitmap to8(2, 1, PixelFormat::Bits8);
    to8.CopyRect(src, 0, 0, 2, 1, 0, 0);
    EXPECT_EQ(to8.GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(to8.GetPixel(1, 0), Rgb(0, 0, 255));

    Bitmap to32(2, 1, PixelFormat::Bits32);
    to32.CopyRect(src, 0, 0, 2, 1, 0, 0);
    EXPECT_EQ(to32, src);  // alpha travels between 32-bit bitmaps

    Bitmap from24(2, 1, PixelFormat::Bits24);
    from24.Fill(White);
    to32.CopyRect(from24, 0, 0, 2, 1, 0, 0);
    EXPECT_EQ(to32.GetPixel(0, 0), White);
    EXPECT_EQ(to32.GetAlpha(0, 0), 0);

    // Indexed pictures with different palettes copy colours, not indices.
    Bitmap a(1, 1, PixelFormat::Bits8);
    a.SetPalette({Rgb(0, 0, 255), Rgb(255, 0, 0)});
    a.Row(0)[0] = 1;
    Bitmap b(1, 1, PixelFormat::Bits8);
    b.SetPalette({Rgb(255, 0, 0), Rgb(0, 0, 255)});
    b.CopyRect(a, 0, 0, 1, 1, 0, 0);
    EXPECT_EQ(b.Row(0)[0], 0);
}

TEST(BitmapTest, SetFormatBetweenEveryPairKeepsRepresentableColours) {
    // Black and white survive every depth; pure red survives every depth but 1 bit.
    for (PixelFormat from : AllFormats) {
        for (PixelFormat to : AllFormats) {
            Bitmap b(3, 2, from);
            b.SetPixel(0, 0, White);
            b.SetPixel(1, 1, Rgb(255, 0, 0));
            Bitmap c = b.ConvertedTo(to);
            ASSERT_EQ(c.Format(), to);
            ASSERT_EQ(c.Width(), 3);
            EXPECT_EQ(c.GetPixel(0, 0), White) << CodeOf(from) << "->" << CodeOf(to);
            EXPECT_EQ(c.GetPixel(2, 0), Black) << CodeOf(from) << "->" << CodeOf(to);
            if (from != PixelFormat::Bits1 && to != PixelFormat::Bits1) {
                EXPECT_EQ(c.GetPixel(1, 1), Rgb(255, 0, 0)) << CodeOf(from) << "->" << CodeOf(to);
            }
            if (to == PixelFormat::Bits32) {
                EXPECT_EQ(c.GetAlpha(0, 0), 0);
            }
        }
    }
}

TEST(BitmapTest, SetFormatDetails) {
    Bitmap b(2, 1, PixelFormat::Bits24);
    b.SetPixel(0, 0, Rgb(200, 100, 30));
    b.XPelsPerMeter = 3780;
    std::vector<Color> pal{Black, Rgb(190, 110, 40), White};
    b.SetFormat(PixelFormat::Bits8, &pal);
    EXPECT_EQ(b.Palette(), pal);
    EXPECT_EQ(b.Row(0)[0], 1);
    EXPECT_EQ(b.XPelsPerMeter, 3780);
    // Same depth with another palette: pixels remapped to it.
    std::vector<Color> other{Rgb(190, 110, 40), Black};
    b.SetFormat(PixelFormat::Bits8, &other);
    EXPECT_EQ(b.Row(0)[0], 0);
    EXPECT_EQ(b.Row(0)[1], 1);
    // Same depth without a palette: nothing changes.
    b.SetFormat(PixelFormat::Bits8);
    EXPECT_EQ(b.Palette(), other);

    Bitmap d(2, 2, PixelFormat::Bits24);
    d.SetPixel(1, 1, Rgb(7, 8, 9));
    d.SetFormat(PixelFormat::Device);
    EXPECT_EQ(d.Format(), PixelFormat::Device);
    EXPECT_EQ(d.BitCount(), 24);
    EXPECT_EQ(d.GetPixel(1, 1), Rgb(7, 8, 9));

    Bitmap e(1, 1, PixelFormat::Bits32);
    e.SetPixel(0, 0, Rgb(1, 2, 3));
    e.SetAlpha(0, 0, 99);
    e.SetFormat(PixelFormat::Bits16);
    EXPECT_EQ(e.Masks(), Masks565);
    e.SetFormat(PixelFormat::Bits32);
    EXPECT_EQ(e.GetAlpha(0, 0), 0);
}

TEST(BitmapTest, LargeConversionToIndexedMatchesNearestEntry) {
    // The writer caches look-ups; the cache must never answer with another colour's index.
    Bitmap b(256, 256, PixelFormat::Bits24);
    std::mt19937 rng(7);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            b.SetPixel(x, y, rng() & 0xFFFFFF);
    Bitmap c = b.ConvertedTo(PixelFormat::Bits8);
    const auto& pal = DefaultPalette(PixelFormat::Bits8);
    for (int y = 0; y < 256; y += 3)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(c.Row(y)[x], NearestPaletteIndex(pal, b.GetPixel(x, y))) << x << "," << y;
}

TEST(BitmapTest, SetSizeKeepsTheTopLeftAndZeroesTheRest) {
    Bitmap b(5, 3, PixelFormat::Bits1);
    b.Fill(White);
    b.SetSize(3, 4);
    Bitmap want(3, 4, PixelFormat::Bits1);
    want.FillRect(0, 0, 3, 3, White);
    EXPECT_EQ(b, want);  // also the padding bits beyond the third pixel are clear
    b.SetSize(8, 4);
    EXPECT_EQ(b.GetPixel(2, 0), White);
    EXPECT_EQ(b.GetPixel(3, 0), Black);
    EXPECT_THROW(b.SetSize(1, -2), std::invalid_argument);
}

TEST(BitmapTest, DefaultPalettesAndNearestIndex) {
    EXPECT_EQ(DefaultPalette(PixelFormat::Bits1), (std::vector<Color>{Black, White}));
    const auto& p4 = DefaultPalette(PixelFormat::Bits4);
    ASSERT_EQ(p4.size(), 16u);
    EXPECT_EQ(p4[7], Rgb(192, 192, 192));
    EXPECT_EQ(p4[15], White);
    const auto& p8 = DefaultPalette(PixelFormat::Bits8);
    ASSERT_EQ(p8.size(), 256u);
    EXPECT_EQ(std::set<Color>(p8.begin(), p8.end()).size(), 256u);
    EXPECT_EQ(p8[215], White);
    EXPECT_EQ(p8[5], Rgb(0, 0, 255));
    EXPECT_TRUE(DefaultPalette(PixelFormat::Bits24).empty());

    std::vector<Color> pal{Rgb(10, 0, 0), Rgb(0, 10, 0), Rgb(5, 5, 0)};
    EXPECT_EQ(NearestPaletteIndex(pal, Rgb(5, 5, 0)), 2);
    EXPECT_EQ(NearestPaletteIndex(pal, Rgb(5, 0, 0)), 0);  // tie with entry 2: the first wins
    EXPECT_EQ(NearestPaletteIndex(pal, Rgb(0, 9, 0)), 1);
    EXPECT_EQ(NearestPaletteIndex({}, White), 0);
}

}  // namespace
}  // namespace gf
