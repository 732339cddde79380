#include "platform/bmp_codec.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>

#include "platform/file_io.h"

namespace gf {
namespace {

using ByteVec = std::vector<std::uint8_t>;

// --- Hand-made files -------------------------------------------------------------------------

ByteVec InfoHeader(std::int32_t w, std::int32_t h, int bits, std::uint32_t compression = 0,
                   std::uint32_t colorsUsed = 0, std::uint32_t sizeImage = 0) {
    ByteVec v;
    PutU32(v, 40);
    PutI32(v, w);
    PutI32(v, h);
    PutU16(v, 1);
    PutU16(v, static_cast<std::uint16_t>(bits));
    PutU32(v, compression);
    PutU32(v, sizeImage);
    PutI32(v, 2835);
    PutI32(v, 2836);
    PutU32(v, colorsUsed);
    PutU32(v, 0);
    return v;
}

// A V4 (108) or V5 (124) header: the info header followed by four masks and zeroed colour space.
ByteVec LargeHeader(std::uint32_t size, std::int32_t w, std::int32_t h, int bits,
                    std::uint32_t compression, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                    std::uint32_t a) {
    ByteVec v = InfoHeader(w, h, bits, compression);
    v[0] = static_cast<std::uint8_t>(size);
    PutU32(v, r);
    PutU32(v, g);
    PutU32(v, b);
    PutU32(v, a);
    v.resize(size, 0);
    return v;
}

ByteVec CoreHeader(std::uint16_t w, std::uint16_t h, int bits) {
    ByteVec v;
    PutU32(v, 12);
    PutU16(v, w);
    PutU16(v, h);
    PutU16(v, 1);
    PutU16(v, static_cast<std::uint16_t>(bits));
    return v;
}

// File header + header + table + pixels; the pixel offset follows the table unless given.
ByteVec MakeBmp(const ByteVec& header, const ByteVec& table, const ByteVec& pixels,
                std::int64_t offset = -1) {
    ByteVec v{'B', 'M'};
    auto start = static_cast<std::uint32_t>(14 + header.size() + table.size());
    PutU32(v, static_cast<std::uint32_t>(start + pixels.size()));
    PutU32(v, 0);
    PutU32(v, offset < 0 ? start : static_cast<std::uint32_t>(offset));
    v.insert(v.end(), header.begin(), header.end());
    v.insert(v.end(), table.begin(), table.end());
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

ByteVec Quads(std::initializer_list<Color> colors) {
    ByteVec v;
    for (Color c : colors) {
        v.insert(v.end(), {BlueOf(c), GreenOf(c), RedOf(c), 0});
    }
    return v;
}

Bitmap Decoded(const ByteVec& file) {
    auto r = DecodeBmp(file);
    EXPECT_TRUE(r.Ok()) << (r.Ok() ? "" : r.ErrorMessage());
    return r.Ok() ? std::move(r).Value() : Bitmap();
}

void ExpectError(const ByteVec& file, const std::string& fragment) {
    auto r = DecodeBmp(file);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.ErrorMessage().find(fragment), std::string::npos) << r.ErrorMessage();
}

// --- Round trips -----------------------------------------------------------------------------

Bitmap RandomBitmap(int w, int h, PixelFormat f, std::mt19937& rng) {
    Bitmap b(w, h, f);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Row(y);
        std::size_t used = (static_cast<std::size_t>(w) * b.BitCount() + 7) / 8;
        for (std::size_t i = 0; i < used; ++i)
            row[i] = static_cast<std::uint8_t>(rng());
    }
    // Leave the bits beyond the last pixel clear, as every reader produces them.
    Bitmap clean(w, h, f);
    clean.SetPalette(b.Palette());
    clean.CopyRect(b, 0, 0, w, h, 0, 0);
    return clean;
}

TEST(BmpCodecTest, EveryFormatRoundTripsPixelForPixel) {
    std::mt19937 rng(42);
    for (PixelFormat f :
         {PixelFormat::Bits1, PixelFormat::Bits4, PixelFormat::Bits8, PixelFormat::Bits15,
          PixelFormat::Bits16, PixelFormat::Bits24, PixelFormat::Bits32}) {
        for (auto [w, h] : {std::pair{1, 1}, std::pair{13, 7}, std::pair{32, 3}}) {
            Bitmap b = RandomBitmap(w, h, f, rng);
            b.XPelsPerMeter = 3780;
            b.YPelsPerMeter = -5;
            if (f == PixelFormat::Bits8) {
                std::vector<Color> pal;
                for (int i = 0; i < 256; ++i)
                    pal.push_back(rng() & 0xFFFFFF);
                b.SetPalette(pal);
            }
            auto back = DecodeBmp(EncodeBmp(b));
            ASSERT_TRUE(back.Ok()) << back.ErrorMessage();
            EXPECT_EQ(*back, b) << "format " << CodeOf(f) << " " << w << "x" << h;
        }
    }
}

TEST(BmpCodecTest, ShortPalettesCustomMasksAndOtherFormatsRoundTrip) {
    Bitmap idx(3, 2, PixelFormat::Bits8);
    idx.SetPalette({Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 8, 9)});
    idx.Row(1)[2] = 2;
    auto back = DecodeBmp(EncodeBmp(idx));
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back->Palette().size(), 3u);
    EXPECT_EQ(*back, idx);

    Bitmap none(2, 2, PixelFormat::Bits4);
    none.SetPalette({});
    back = DecodeBmp(EncodeBmp(none));
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(*back, none);

    Bitmap m(3, 2, PixelFormat::Bits16);
    m.SetMasks({0x0F00, 0x00F0, 0x000F});
    m.Row(0)[0] = 0xAB;
    m.Row(1)[5] = 0xCD;
    back = DecodeBmp(EncodeBmp(m));
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(*back, m);

    // Device and Custom bitmaps are stored as 24-bit pictures.
    Bitmap d(2, 2, PixelFormat::Custom);
    d.SetPixel(1, 0, Rgb(10, 20, 30));
    back = DecodeBmp(EncodeBmp(d));
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back->Format(), PixelFormat::Bits24);
    EXPECT_EQ(back->Data().size(), d.Data().size());
    EXPECT_TRUE(std::equal(d.Data().begin(), d.Data().end(), back->Data().begin()));
}

TEST(BmpCodecTest, EncodedLayoutIsBottomUpInfoHeader) {
    Bitmap b(3, 2, PixelFormat::Bits8);
    b.SetPalette({Black, White});
    b.Row(0)[0] = 1;  // top row
    auto f = EncodeBmp(b);
    ASSERT_EQ(f.size(), 14u + 40 + 8 + 8);
    EXPECT_EQ(*ReadU32(f, 2), f.size());
    EXPECT_EQ(*ReadU32(f, 10), 62u);
    EXPECT_EQ(*ReadU32(f, 14), 40u);
    EXPECT_EQ(*ReadI32(f, 22), 2);  // positive height: bottom-up
    EXPECT_EQ(*ReadU16(f, 28), 8);
    EXPECT_EQ(*ReadU32(f, 30), 0u);
    EXPECT_EQ(*ReadU32(f, 34), 8u);  // image bytes
    EXPECT_EQ(*ReadU32(f, 46), 2u);  // colours used
    EXPECT_EQ(f[62], 0);             // bottom row first
    EXPECT_EQ(f[66], 1);

    Bitmap s(1, 1, PixelFormat::Bits16);
    auto g = EncodeBmp(s);
    EXPECT_EQ(*ReadU32(g, 30), 3u);  // bit fields
    EXPECT_EQ(*ReadU32(g, 54), 0xF800u);
    EXPECT_EQ(*ReadU32(g, 62), 0x001Fu);
    EXPECT_EQ(*ReadU32(g, 10), 66u);
}

// --- Hand-made headers -----------------------------------------------------------------------

TEST(BmpCodecTest, CoreHeaderWithThreeByteColourTable) {
    // 2 x 2, 1 bit: bottom row 10, top row 01.
    ByteVec table{0, 0, 255, 255, 255, 255};  // red, white (blue, green, red)
    ByteVec pixels{0x80, 0, 0, 0, 0x40, 0, 0, 0};
    Bitmap b = Decoded(MakeBmp(CoreHeader(2, 2, 1), table, pixels));
    ASSERT_EQ(b.Format(), PixelFormat::Bits1);
    EXPECT_EQ(b.Palette(), (std::vector<Color>{Rgb(255, 0, 0), White}));
    EXPECT_EQ(b.GetPixel(0, 1), White);
    EXPECT_EQ(b.GetPixel(1, 1), Rgb(255, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 0), White);
    EXPECT_EQ(b.XPelsPerMeter, 0);

    Bitmap c = Decoded(MakeBmp(CoreHeader(1, 1, 24), {}, {1, 2, 3, 0}));
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(3, 2, 1));
}

TEST(BmpCodecTest, TopDownRowsAndResolution) {
    // 2 x 2, 24 bits, negative height: the first stored row is the top.
    ByteVec pixels{255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0};
    Bitmap b = Decoded(MakeBmp(InfoHeader(2, -2, 24), {}, pixels));
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(0, 0, 255));
    EXPECT_EQ(b.GetPixel(1, 1), Rgb(255, 0, 0));
    EXPECT_EQ(b.XPelsPerMeter, 2835);
    EXPECT_EQ(b.YPelsPerMeter, 2836);
}

TEST(BmpCodecTest, ShortColourTables) {
    // Declared: two entries for 8 bits.
    Bitmap a = Decoded(MakeBmp(InfoHeader(1, 1, 8, 0, 2), Quads({Black, White}), {1, 0, 0, 0}));
    EXPECT_EQ(a.Palette().size(), 2u);
    EXPECT_EQ(a.GetPixel(0, 0), White);
    // Undeclared, but the pixel data starts after three entries.
    Bitmap b =
        Decoded(MakeBmp(InfoHeader(1, 1, 4), Quads({Black, White, Rgb(9, 9, 9)}), {0x20, 0, 0, 0}));
    EXPECT_EQ(b.Palette().size(), 3u);
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(9, 9, 9));
    // More colours declared than the depth can index: only 2 are read.
    Bitmap c = Decoded(MakeBmp(InfoHeader(1, 1, 1, 0, 300), Quads({Black, White}), {0, 0, 0, 0}));
    EXPECT_EQ(c.Palette().size(), 2u);
}

TEST(BmpCodecTest, SixteenBitFiles) {
    // Plain 16 bits: 5-5-5.
    Bitmap a = Decoded(MakeBmp(InfoHeader(1, 1, 16), {}, {0x1F, 0x00, 0, 0}));
    EXPECT_EQ(a.Format(), PixelFormat::Bits15);
    EXPECT_EQ(a.GetPixel(0, 0), Rgb(0, 0, 255));
    // Bit fields after an info header, 5-6-5.
    ByteVec masks;
    PutU32(masks, 0xF800);
    PutU32(masks, 0x07E0);
    PutU32(masks, 0x001F);
    Bitmap b = Decoded(MakeBmp(InfoHeader(1, 1, 16, 3), masks, {0xE0, 0x07, 0, 0}));
    EXPECT_EQ(b.Format(), PixelFormat::Bits16);
    EXPECT_EQ(b.Masks(), Masks565);
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(0, 255, 0));
    // Bit fields that are 5-5-5 give the 15-bit format.
    ByteVec m555;
    PutU32(m555, 0x7C00);
    PutU32(m555, 0x03E0);
    PutU32(m555, 0x001F);
    EXPECT_EQ(Decoded(MakeBmp(InfoHeader(1, 1, 16, 3), m555, {0, 0x7C, 0, 0})).Format(),
              PixelFormat::Bits15);
    // V5 header with 4-4-4-4 masks: alpha is dropped, colour kept.
    Bitmap c = Decoded(MakeBmp(LargeHeader(124, 1, 1, 16, 3, 0x0F00, 0x00F0, 0x000F, 0xF000), {},
                               {0x5A, 0xFC, 0, 0}));
    EXPECT_EQ(c.Format(), PixelFormat::Bits16);
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(0xCC, 0x55, 0xAA));
    ExpectError(MakeBmp(LargeHeader(108, 1, 1, 16, 3, 0xF0000, 0xF0, 0xF, 0), {}, {0, 0, 0, 0}),
                "16 bits");
}

TEST(BmpCodecTest, ThirtyTwoBitMasksBecomeBlueGreenRedAlpha) {
    // Stored as red, green, blue, alpha bytes (V4 masks), read back as BGRA.
    ByteVec pixels{10, 20, 30, 40};
    Bitmap a = Decoded(
        MakeBmp(LargeHeader(108, 1, 1, 32, 3, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u), {}, pixels));
    EXPECT_EQ(a.Format(), PixelFormat::Bits32);
    EXPECT_EQ(a.GetPixel(0, 0), Rgb(10, 20, 30));
    EXPECT_EQ(a.GetAlpha(0, 0), 40);
    // Bit fields without an alpha mask: the fourth byte is unused and reads 0.
    ByteVec masks;
    PutU32(masks, 0xFF0000);
    PutU32(masks, 0xFF00);
    PutU32(masks, 0xFF);
    Bitmap b = Decoded(MakeBmp(InfoHeader(1, 1, 32, 3), masks, {1, 2, 3, 99}));
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(3, 2, 1));
    EXPECT_EQ(b.GetAlpha(0, 0), 0);
    // 10-10-10 masks are narrowed to 8 bits.
    ByteVec wide;
    PutU32(wide, 0x3FF00000);
    PutU32(wide, 0x000FFC00);
    PutU32(wide, 0x000003FF);
    ByteVec px;
    PutU32(px, 0x3FF00000 | (0x200 << 10) | 0x004);
    Bitmap c = Decoded(MakeBmp(InfoHeader(1, 1, 32, 3), wide, px));
    EXPECT_EQ(c.GetPixel(0, 0), Rgb(255, 128, 1));
    // Plain 32 bits keep the fourth byte as alpha.
    Bitmap d = Decoded(MakeBmp(LargeHeader(124, 1, 1, 32, 0, 0, 0, 0, 0), {}, {1, 2, 3, 200}));
    EXPECT_EQ(d.GetAlpha(0, 0), 200);
}

TEST(BmpCodecTest, RunLengthEightBits) {
    // 4 x 3. Bottom row: run of 3 x index 1, then one more from an absolute run of 3 (clipped).
    // Middle row: moved over by a delta of (2, 1) from the bottom row's end, index 2 at x = 2..3.
    ByteVec rle{3, 1,              // run
                0, 3, 5, 6, 7, 0,  // absolute run of 3, padded to 16 bits: only 5 fits
                0, 0,              // end of line
                0, 2, 2, 0,        // delta right 2
                2, 2,              // run of 2 x index 2 at x = 2, 3
                0, 0,              // end of line
                1, 3,              // top row: one pixel
                0, 1};             // end of bitmap
    Bitmap b = Decoded(
        MakeBmp(InfoHeader(4, 3, 8, 1, 8),
                Quads({Black, White, Rgb(255, 0, 0), Black, Black, Black, Black, Black}), rle));
    ASSERT_EQ(b.Format(), PixelFormat::Bits8);
    auto row = [&](int y) {
        return std::vector<int>{b.Row(y)[0], b.Row(y)[1], b.Row(y)[2], b.Row(y)[3]};
    };
    EXPECT_EQ(row(2), (std::vector<int>{1, 1, 1, 5}));
    EXPECT_EQ(row(1), (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(row(0), (std::vector<int>{3, 0, 0, 0}));
}

TEST(BmpCodecTest, RunLengthFourBits) {
    // 5 x 2. Bottom row: run of 5 alternating 1 and 2. Top row: absolute run of 3 (1, 2, 3),
    // then delta to the end.
    ByteVec rle{5, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1};
    Bitmap b = Decoded(
        MakeBmp(InfoHeader(5, 2, 4, 2), Quads({Black, White, Rgb(1, 1, 1), Rgb(2, 2, 2)}), rle));
    ASSERT_EQ(b.Format(), PixelFormat::Bits4);
    EXPECT_EQ(b.Row(1)[0], 0x12);
    EXPECT_EQ(b.Row(1)[1], 0x12);
    EXPECT_EQ(b.Row(1)[2], 0x10);
    EXPECT_EQ(b.Row(0)[0], 0x12);
    EXPECT_EQ(b.Row(0)[1], 0x30);
    EXPECT_EQ(b.Row(0)[2], 0x00);
}

// --- Malformed files -------------------------------------------------------------------------

TEST(BmpCodecTest, MalformedHeadersAreRefused) {
    ExpectError({}, "\"BM\"");
    ExpectError({'B', 'M', 0, 0}, "header");
    ExpectError({'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "\"BM\"");
    ByteVec px(16, 0);
    ByteVec bad = InfoHeader(1, 1, 24);
    bad[0] = 41;
    ExpectError(MakeBmp(bad, {}, px), "header size 41");
    ExpectError(MakeBmp(InfoHeader(0, 1, 24), {}, px), "no pixels");
    ExpectError(MakeBmp(InfoHeader(-3, 1, 24), {}, px), "no pixels");
    ExpectError(MakeBmp(InfoHeader(40000, 1, 24), {}, px), "32768");
    ExpectError(MakeBmp(InfoHeader(1, INT_MIN, 24), {}, px), "32768");
    ExpectError(MakeBmp(InfoHeader(1, 1, 2), {}, px), "bit count 2");
    ExpectError(MakeBmp(InfoHeader(1, 1, 24, 4), {}, px), "JPEG");
    ExpectError(MakeBmp(InfoHeader(1, 1, 24, 9), {}, px), "compression");
    ExpectError(MakeBmp(InfoHeader(1, 1, 4, 1), {}, px), "does not match");
    ExpectError(MakeBmp(InfoHeader(1, 1, 24, 3), {}, px), "bit fields");
    ExpectError(MakeBmp(InfoHeader(1, 1, 16, 3), {}, {}), "masks");
    ExpectError(MakeBmp(InfoHeader(2, -2, 8, 1), {}, {0, 1}), "bottom-up");
    ExpectError(MakeBmp(CoreHeader(1, 1, 32), {}, px), "info header");
}

TEST(BmpCodecTest, OffsetsAndSizesAreChecked) {
    ByteVec px(16, 0);
    ExpectError(MakeBmp(InfoHeader(1, 1, 24), {}, px, 10), "into the header");
    ExpectError(MakeBmp(InfoHeader(1, 1, 24), {}, px, 1000), "past the end");
    // Large declared sizes with tiny data are refused before anything is allocated.
    ExpectError(MakeBmp(InfoHeader(32768, 32768, 32), {}, px), "truncated");
    ExpectError(MakeBmp(InfoHeader(4, 4, 24), {}, ByteVec(47, 0)), "truncated");
    // Only the padding of the last row may be missing.
    Bitmap b = Decoded(MakeBmp(InfoHeader(1, 2, 24), {}, {1, 2, 3, 0, 4, 5, 6}));
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(6, 5, 4));
}

TEST(BmpCodecTest, RunLengthOverrunsAreErrors) {
    ByteVec pal = Quads({Black, White});
    auto rle8 = [&](ByteVec stream) { return MakeBmp(InfoHeader(2, 2, 8, 1, 2), pal, stream); };
    ExpectError(rle8({0, 0, 0, 0, 0, 0, 2, 1}), "past the top");
    ExpectError(rle8({0, 2, 3, 0}), "leaves the picture");
    ExpectError(rle8({0, 2, 0, 3}), "leaves the picture");
    ExpectError(rle8({0, 2, 1}), "position move");
    ExpectError(rle8({0, 5, 1, 1}), "run of pixels");
    ExpectError(rle8({2, 1}), "ends before");
    ExpectError(rle8({}), "ends before");
    // A stream that stops after its last row is complete.
    Bitmap b = Decoded(rle8({2, 1, 0, 0, 2, 1, 0, 0}));
    EXPECT_EQ(b.Row(0)[1], 1);
}

TEST(BmpCodecTest, EveryPrefixOfValidFilesFailsCleanly) {
    std::mt19937 rng(3);
    std::vector<ByteVec> files;
    for (PixelFormat f :
         {PixelFormat::Bits1, PixelFormat::Bits8, PixelFormat::Bits16, PixelFormat::Bits32}) {
        files.push_back(EncodeBmp(RandomBitmap(5, 3, f, rng)));
    }
    files.push_back(MakeBmp(InfoHeader(5, 2, 4, 2), Quads({Black, White}),
                            {5, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1}));
    for (const ByteVec& file : files) {
        ASSERT_TRUE(DecodeBmp(file).Ok());
        for (std::size_t n = 0; n + 4 < file.size(); ++n) {
            EXPECT_FALSE(DecodeBmp(Bytes(file.data(), n)).Ok()) << n << " of " << file.size();
        }
    }
}

// --- Files -----------------------------------------------------------------------------------

TEST(BmpCodecTest, SaveAndLoadFiles) {
    auto dir = std::filesystem::temp_directory_path() /
               ("gf_bmp_test_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    Bitmap b(3, 3, PixelFormat::Bits32);
    b.Fill(Rgb(1, 2, 3), 4);
    auto path = dir / "a.bmp";
    ASSERT_TRUE(SaveBmpFile(b, path).Ok());
    auto back = LoadBmpFile(path);
    ASSERT_TRUE(back.Ok()) << back.ErrorMessage();
    EXPECT_EQ(*back, b);

    auto missing = LoadBmpFile(dir / "missing.bmp");
    ASSERT_FALSE(missing.Ok());
    EXPECT_NE(missing.ErrorMessage().find("Can not open file"), std::string::npos);

    ASSERT_TRUE(WriteFileAtomic(dir / "bad.bmp", ByteVec{'B', 'M'}).Ok());
    auto bad = LoadBmpFile(dir / "bad.bmp");
    ASSERT_FALSE(bad.Ok());
    EXPECT_NE(bad.ErrorMessage().find("bad.bmp"), std::string::npos);

    // A failed save leaves the old file as it was.
    EXPECT_FALSE(SaveBmpFile(Bitmap(), path).Ok());
    EXPECT_FALSE(SaveBmpFile(b, dir).Ok());
    EXPECT_EQ(*LoadBmpFile(path), b);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace gf

namespace gf {
namespace {

// A picture whose alpha is its transparency says so in the file (a V4 header with an alpha
// mask), so that all-zero alpha reads back as fully transparent rather than as no alpha; the
// pixels round-trip unchanged either way.
TEST(BmpCodec, DeclaredAlphaIsWrittenAndRecognised) {
    Bitmap clear(5, 3, PixelFormat::Bits32);
    clear.Fill(Rgb(9, 8, 7), 0);
    Bitmap opaque24(5, 3, PixelFormat::Bits24);
    opaque24.Fill(Rgb(9, 8, 7));
    struct Case {
        const Bitmap* Picture;
        BmpAlpha Written;
        BmpAlpha Read;
        std::uint32_t HeaderSize;
    };
    for (const Case& c : {Case{&clear, BmpAlpha::Declared, BmpAlpha::Declared, 108},
                          Case{&clear, BmpAlpha::Undeclared, BmpAlpha::Undeclared, 40},
                          Case{&opaque24, BmpAlpha::Declared, BmpAlpha::Undeclared, 40}}) {
        const auto file = EncodeBmp(*c.Picture, c.Written);
        EXPECT_EQ(*ReadU32(file, 14), c.HeaderSize);
        EXPECT_EQ(BmpAlphaOf(file), c.Read);
        auto back = DecodeBmp(file);
        ASSERT_TRUE(back) << back.ErrorMessage();
        EXPECT_TRUE(*back == *c.Picture);
    }
    EXPECT_EQ(BmpAlphaOf({}), BmpAlpha::Undeclared);
}

}  // namespace
}  // namespace gf
