#include "iconfile/picture_convert.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "support/picture_builders.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// An 8-bit RGB PNG without any transparency, made by hand.
std::vector<std::uint8_t> RgbPng(int w, int h, Color (*pixel)(int, int)) {
    std::vector<std::uint8_t> out(PngSignature, PngSignature + 8);
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, static_cast<std::uint32_t>(w));
    PutBe32(ihdr, static_cast<std::uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(out, "IHDR", ihdr);
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            Color c = pixel(x, y);
            raw.insert(raw.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> z(size);
    compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    z.resize(size);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    return out;
}

void WriteBytes(const fs::path& p, const std::vector<std::uint8_t>& d) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(d.data()), static_cast<std::streamsize>(d.size()));
}

TEST(ConvertPngToBitmapFile, KeepsThePngsAlphaInAThirtyTwoBitBitmap) {
    test::TempFolder dir;
    Bitmap rgba(5, 3, PixelFormat::Bits32);
    rgba.Fill(Rgb(200, 100, 50), 255);
    rgba.SetAlpha(0, 0, 0);
    rgba.SetAlpha(4, 2, 99);
    ASSERT_TRUE(SavePngFile(rgba, dir / "a.png").Ok());
    ASSERT_TRUE(ConvertPngToBitmapFile(dir / "a.png", dir / "a.bmp").Ok());
    auto bmp = LoadBmpFile(dir / "a.bmp");
    ASSERT_TRUE(bmp.Ok()) << bmp.ErrorMessage();
    EXPECT_EQ(bmp->Format(), PixelFormat::Bits32);
    EXPECT_EQ(bmp->Width(), 5);
    EXPECT_EQ(bmp->GetAlpha(0, 0), 0);
    EXPECT_EQ(bmp->GetAlpha(4, 2), 99);
    EXPECT_EQ(bmp->GetAlpha(2, 1), 255);
    EXPECT_EQ(bmp->GetPixel(2, 1), Rgb(200, 100, 50));
}

TEST(ConvertPngToBitmapFile, FallsBackToTwentyFourBitsOnNearWhiteWithoutAlpha) {
    test::TempFolder dir;
    WriteBytes(dir / "rgb.png", RgbPng(4, 2, [](int x, int y) {
                   return Rgb(static_cast<std::uint8_t>(x * 60), 7, static_cast<std::uint8_t>(y));
               }));
    ASSERT_TRUE(ConvertPngToBitmapFile(dir / "rgb.png", dir / "rgb.bmp").Ok());
    auto bmp = LoadBmpFile(dir / "rgb.bmp");
    ASSERT_TRUE(bmp.Ok()) << bmp.ErrorMessage();
    EXPECT_EQ(bmp->Format(), PixelFormat::Bits24);
    EXPECT_EQ(bmp->GetPixel(3, 1), Rgb(180, 7, 1));
    EXPECT_EQ(bmp->GetPixel(0, 0), Rgb(0, 7, 0));

    // Whatever is still transparent in such a picture lands on the near-white background.
    Bitmap half(1, 1, PixelFormat::Bits32);
    half.Fill(Black, 0);
    Bitmap flat = PngToBitmap(half, false);
    EXPECT_EQ(flat.Format(), PixelFormat::Bits24);
    EXPECT_EQ(flat.GetPixel(0, 0), PngFallbackBackground);
    EXPECT_EQ(RedOf(PngFallbackBackground), 0xFE);
    EXPECT_EQ(BlueOf(PngFallbackBackground), 0xFF);
}

TEST(ConvertPngToBitmapFile, PassesDecodeErrorsOnAndWritesNothing) {
    test::TempFolder dir;
    WriteBytes(dir / "bad.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    EXPECT_FALSE(ConvertPngToBitmapFile(dir / "bad.png", dir / "out.bmp").Ok());
    EXPECT_FALSE(ConvertPngToBitmapFile(dir / "none.png", dir / "out.bmp").Ok());
    EXPECT_FALSE(ConvertJpegToBitmapFile(dir / "bad.png", dir / "out.bmp").Ok());
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
}

TEST(ConvertJpegToBitmapFile, WritesATwentyFourBitBitmapOfThePicturesSize) {
    test::TempFolder dir;
    Bitmap src(40, 30, PixelFormat::Bits24);
    src.Fill(Rgb(30, 160, 220));
    auto jpeg = EncodeJpeg(src, 100);
    ASSERT_TRUE(jpeg.Ok()) << jpeg.ErrorMessage();
    WriteBytes(dir / "p.JPG", *jpeg);
    ASSERT_TRUE(ConvertJpegToBitmapFile(dir / "p.JPG", dir / "p.bmp").Ok());
    auto bmp = LoadBmpFile(dir / "p.bmp");
    ASSERT_TRUE(bmp.Ok());
    EXPECT_EQ(bmp->Format(), PixelFormat::Bits24);
    EXPECT_EQ(bmp->Width(), 40);
    EXPECT_EQ(bmp->Height(), 30);
    Color c = bmp->GetPixel(20, 15);
    EXPECT_NEAR(RedOf(c), 30, 3);
    EXPECT_NEAR(GreenOf(c), 160, 3);
    EXPECT_NEAR(BlueOf(c), 220, 3);
}

TEST(LimitPictureForEditor, LimitsEachSideByItself) {
    auto size = [](int w, int h) {
        Bitmap b = LimitPictureForEditor(Bitmap(w, h, PixelFormat::Bits24));
        return std::pair(b.Width(), b.Height());
    };
    EXPECT_EQ(size(1000, 300), std::pair(256, 256));
    EXPECT_EQ(size(100, 300), std::pair(100, 256));
    EXPECT_EQ(size(48, 48), std::pair(48, 48));
    EXPECT_EQ(size(256, 257), std::pair(256, 256));
    EXPECT_EQ(LimitPictureForEditor(Bitmap(48, 48, PixelFormat::Bits8)).Format(),
              PixelFormat::Bits32);
    EXPECT_TRUE(LimitPictureForEditor(Bitmap()).Empty());
}

TEST(LimitPictureForEditor, CopiesAlphaByNearestNeighbour) {
    Bitmap src(300, 200, PixelFormat::Bits32);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            src.SetPixel(x, y, Rgb(90, 90, 90));
            src.SetAlpha(x, y, static_cast<std::uint8_t>((x * 7 + y) & 0xFF));
        }
    }
    Bitmap out = LimitPictureForEditor(src);
    ASSERT_EQ(out.Width(), 256);
    ASSERT_EQ(out.Height(), 200);
    for (int i = 0; i < 200; i += 13) {
        for (int j = 0; j < 256; j += 7) {
            const int sx = 300 * j / 256, sy = 200 * i / 200;
            ASSERT_EQ(out.GetAlpha(j, i), src.GetAlpha(sx, sy)) << j << "," << i;
        }
    }
    EXPECT_EQ(out.GetPixel(100, 100), Rgb(90, 90, 90));

    // Sources without alpha leave the fourth bytes zero.
    Bitmap plain(300, 10, PixelFormat::Bits24);
    plain.Fill(White);
    Bitmap flat = LimitPictureForEditor(plain);
    EXPECT_EQ(flat.GetAlpha(5, 5), 0);
    EXPECT_EQ(flat.GetPixel(5, 5), White);
}

TEST(LimitPictureFile, RewritesTheSameFile) {
    test::TempFolder dir;
    Bitmap src(400, 20, PixelFormat::Bits24);
    src.Fill(Rgb(1, 2, 3));
    ASSERT_TRUE(SaveBmpFile(src, dir / "eitemp.bmp").Ok());
    ASSERT_TRUE(LimitPictureFile(dir / "eitemp.bmp", dir / "eitemp.bmp").Ok());
    auto back = LoadBmpFile(dir / "eitemp.bmp");
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back->Width(), 256);
    EXPECT_EQ(back->Height(), 20);
    EXPECT_EQ(back->Format(), PixelFormat::Bits32);
    EXPECT_FALSE(LimitPictureFile(dir / "none.bmp", dir / "x.bmp").Ok());
}

TEST(DetectPictureKind, LooksAtTheContentFirst) {
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const std::uint8_t bmp[] = {'B', 'M', 0, 0};
    EXPECT_EQ(DetectPictureKind(png, "x.bmp"), PictureKind::Png);
    EXPECT_EQ(DetectPictureKind(jpeg, "x.png"), PictureKind::Jpeg);
    EXPECT_EQ(DetectPictureKind(bmp, "x.jpg"), PictureKind::Bmp);
    EXPECT_EQ(DetectPictureKind({}, "x.JPEG"), PictureKind::Jpeg);
    EXPECT_EQ(DetectPictureKind({}, "x.Png"), PictureKind::Png);
    EXPECT_EQ(DetectPictureKind({}, "x.txt"), PictureKind::Unknown);
}

TEST(LoadPictureFile, ReadsPicturesAsTheConvertersWould) {
    test::TempFolder dir;
    WriteBytes(dir / "rgb.data", RgbPng(3, 3, [](int, int) { return Rgb(5, 6, 7); }));
    auto png = LoadPictureFile(dir / "rgb.data");
    ASSERT_TRUE(png.Ok()) << png.ErrorMessage();
    EXPECT_EQ(png->Format(), PixelFormat::Bits24);
    EXPECT_EQ(png->GetPixel(1, 1), Rgb(5, 6, 7));
    WriteBytes(dir / "junk.bmp", {'B', 'M', 1});
    auto junk = LoadPictureFile(dir / "junk.bmp");
    ASSERT_FALSE(junk.Ok());
    EXPECT_NE(junk.ErrorMessage().find("junk.bmp"), std::string::npos);
    WriteBytes(dir / "text.txt", {'h', 'i'});
    EXPECT_FALSE(LoadPictureFile(dir / "text.txt").Ok());
}

TEST(LoadPictureFile, NamesTheFileOfADamagedPng) {
    test::TempFolder dir;
    auto bytes = RgbPng(3, 3, [](int, int) { return Rgb(5, 6, 7); });
    bytes.resize(bytes.size() / 2);
    WriteBytes(dir / "cut.png", bytes);
    auto cut = LoadPictureFile(dir / "cut.png");
    ASSERT_FALSE(cut.Ok());
    EXPECT_NE(cut.ErrorMessage().find("cut.png"), std::string::npos) << cut.ErrorMessage();
}

// ---- shrinking while decoding ----

std::uint8_t Noise(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state >> 16);
}

Bitmap NoisyBitmap(int w, int h, PixelFormat format, unsigned seed) {
    Bitmap b(w, h, format);
    for (int y = 0; y < h; ++y)
        for (std::size_t i = 0; i < b.Stride(); ++i)
            b.Row(y)[i] = Noise(seed);
    if (format == PixelFormat::Bits16)
        b.SetMasks(Masks565);
    // Equal pictures must have equal bytes: padding beyond the last pixel is clear.
    Bitmap clean(w, h, format);
    clean.CopyRect(b, 0, 0, w, h, 0, 0);
    return clean;
}

std::vector<std::uint8_t> NoisyPng(int w, int h, int colorType, int depth, bool interlaced,
                                   unsigned seed) {
    test::PngFileRecipe r;
    r.Width = w;
    r.Height = h;
    r.ColorType = colorType;
    r.BitDepth = depth;
    r.Interlaced = interlaced;
    const int channels = colorType == 6 ? 4 : colorType == 2 ? 3 : colorType == 4 ? 2 : 1;
    const int levels = colorType == 3 ? 16 : 1 << depth;
    for (int i = 0; i < w * h * channels; ++i)
        r.Samples.push_back(static_cast<std::uint16_t>((Noise(seed) * 257u + Noise(seed)) % levels));
    if (colorType == 3) {
        for (int i = 0; i < 16; ++i)
            r.Palette.push_back(Rgb(Noise(seed), Noise(seed), Noise(seed)));
        r.PaletteAlpha = {0, 128, 255, 7};
    }
    return test::MakePngFile(r);
}

std::vector<std::uint8_t> NoisyJpeg(int w, int h, test::JpegFileKind kind, bool progressive,
                                    unsigned seed) {
    test::JpegFileRecipe r;
    r.Width = w;
    r.Height = h;
    r.Kind = kind;
    r.Progressive = progressive;
    const int channels = kind == test::JpegFileKind::Grey  ? 1
                         : kind == test::JpegFileKind::Rgb ? 3
                                                           : 4;
    // Smooth with some noise, as photos are.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                r.Samples.push_back(static_cast<std::uint8_t>(
                    x * (150 - 40 * c) / w + y * 80 / h + 20 * c + Noise(seed) % 16));
    return test::MakeJpegFile(r);
}

// A bottom-up 8-bit run-length BMP of w x h from its compressed stream.
std::vector<std::uint8_t> Rle8Bmp(int w, int h, const std::vector<std::uint8_t>& stream) {
    Bitmap shape(w, 1, PixelFormat::Bits8);
    std::vector<Color> palette;
    unsigned seed = 5;
    for (int i = 0; i < 256; ++i)
        palette.push_back(Rgb(Noise(seed), Noise(seed), Noise(seed)));
    shape.SetPalette(palette);
    auto file = EncodeBmp(shape);  // its headers and palette, then the one row
    const std::size_t offset = file[10] | (file[11] << 8) | (file[12] << 16);
    file.resize(offset);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(22, static_cast<std::uint32_t>(h));
    put32(30, 1);  // BI_RLE8
    put32(34, static_cast<std::uint32_t>(stream.size()));
    file.insert(file.end(), stream.begin(), stream.end());
    put32(2, static_cast<std::uint32_t>(file.size()));
    return file;
}

TEST(DecodeEditorPicture, GivesExactlyTheLimitedPictureOfTheWholeDecode) {
    using test::JpegFileKind;
    // Runs, absolute runs, moves across rows and an early end: rows left out are index 0.
    std::vector<std::uint8_t> rle = {200, 7, 0, 5, 1, 2, 3, 4, 9, 0, 0, 0, 0, 2, 10, 40, 3, 9};
    for (int i = 0; i < 300; ++i)
        rle.insert(rle.end(), {static_cast<std::uint8_t>(1 + i % 250), static_cast<std::uint8_t>(i),
                               0, 0});
    rle.insert(rle.end(), {0, 2, 0, 200, 90, 77, 0, 1});
    struct Case {
        const char* Name;
        std::vector<std::uint8_t> File;
    };
    const Case cases[] = {
        {"png rgba 300x200", NoisyPng(300, 200, 6, 8, false, 1)},
        {"png rgba interlaced 301x257", NoisyPng(301, 257, 6, 8, true, 2)},
        {"png grey 16-bit interlaced 1000x3", NoisyPng(1000, 3, 0, 16, true, 3)},
        {"png palette with alpha 520x9", NoisyPng(520, 9, 3, 4, false, 4)},
        {"png rgb 100x300", NoisyPng(100, 300, 2, 8, false, 5)},
        {"png grey and alpha interlaced 7x5", NoisyPng(7, 5, 4, 8, true, 6)},
        {"png rgb 48x48", NoisyPng(48, 48, 2, 8, true, 7)},
        {"bmp 24-bit 300x200", EncodeBmp(NoisyBitmap(300, 200, PixelFormat::Bits24, 8))},
        {"bmp 32-bit 257x300", EncodeBmp(NoisyBitmap(257, 300, PixelFormat::Bits32, 9))},
        {"bmp 8-bit 600x3", EncodeBmp(NoisyBitmap(600, 3, PixelFormat::Bits8, 10))},
        {"bmp 4-bit 333x270", EncodeBmp(NoisyBitmap(333, 270, PixelFormat::Bits4, 11))},
        {"bmp 1-bit 260x260", EncodeBmp(NoisyBitmap(260, 260, PixelFormat::Bits1, 12))},
        {"bmp 16-bit 565 270x30", EncodeBmp(NoisyBitmap(270, 30, PixelFormat::Bits16, 13))},
        {"bmp rle8 400x700", Rle8Bmp(400, 700, rle)},
        {"jpeg rgb 300x200", NoisyJpeg(300, 200, JpegFileKind::Rgb, false, 14)},
        {"jpeg grey progressive 270x600", NoisyJpeg(270, 600, JpegFileKind::Grey, true, 15)},
        {"jpeg cmyk 260x40", NoisyJpeg(260, 40, JpegFileKind::Cmyk, false, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto whole = DecodePictureFile(c.File, "picture");
        ASSERT_TRUE(whole) << whole.ErrorMessage();
        auto shrunk = DecodeEditorPicture(c.File, "picture");
        ASSERT_TRUE(shrunk) << shrunk.ErrorMessage();
        EXPECT_TRUE(*shrunk == LimitPictureForEditor(*whole));
    }
}

// A grey PNG of w x h whose left half is `left` and right half `right`, its rows deflated one
// at a time so that no picture of that size is ever held; only `rows` of them when given.
std::vector<std::uint8_t> TwoGreysPng(int w, int h, std::uint8_t left, std::uint8_t right,
                                      int rows = -1) {
    if (rows < 0)
        rows = h;
    std::vector<std::uint8_t> out(PngSignature, PngSignature + 8);
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, static_cast<std::uint32_t>(w));
    PutBe32(ihdr, static_cast<std::uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 0, 0, 0, 0});
    Chunk(out, "IHDR", ihdr);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) + 1, right);
    row[0] = 0;
    std::fill(row.begin() + 1, row.begin() + 1 + w / 2, left);
    z_stream z{};
    deflateInit(&z, 1);
    std::vector<std::uint8_t> idat, buffer(1 << 16);
    for (int y = 0; y <= rows; ++y) {
        z.next_in = row.data();
        z.avail_in = y < rows ? static_cast<uInt>(row.size()) : 0;
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            deflate(&z, y < rows ? Z_NO_FLUSH : Z_FINISH);
            idat.insert(idat.end(), buffer.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    Chunk(out, "IDAT", idat);
    Chunk(out, "IEND", {});
    return out;
}

TEST(DecodeEditorPicture, ReadsPicturesTooLargeToHoldAndNamesRefusals) {
    // 9000 x 8000 pixels take 288 MB as 32-bit pixels, more than any picture is held whole;
    // rows of it are all that is ever held here.
    auto big = TwoGreysPng(9000, 8000, 10, 250);
    auto picture = DecodeEditorPicture(big, "big.png");
    ASSERT_TRUE(picture) << picture.ErrorMessage();
    ASSERT_EQ(picture->Width(), 256);
    ASSERT_EQ(picture->Height(), 256);
    EXPECT_EQ(picture->GetPixel(0, 0), Rgb(10, 10, 10));
    EXPECT_EQ(picture->GetPixel(255, 255), Rgb(250, 250, 250));
    EXPECT_EQ(picture->GetAlpha(0, 0), 0);
    auto whole = DecodePictureFile(big, "big.png");
    ASSERT_FALSE(whole);
    EXPECT_NE(whole.ErrorMessage().find("too large"), std::string::npos);

    // Beyond the pixel limit every decoder refuses before reading a row.
    auto tooMany = TwoGreysPng(20000, 20000, 0, 0, 1);
    auto refused = DecodeEditorPicture(tooMany, "many.png");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.ErrorMessage().find("many.png: "), std::string::npos);
    EXPECT_NE(refused.ErrorMessage().find("too large"), std::string::npos);
}

TEST(DecodeResamplingPicture, KeepsPicturesWholeUpToTheLimitAndShrinksLargerOnesAlike) {
    auto small = NoisyPng(300, 200, 6, 8, true, 21);
    auto whole = DecodeResamplingPicture(small, "small.png");
    ASSERT_TRUE(whole) << whole.ErrorMessage();
    EXPECT_TRUE(whole->Pixels == *DecodePictureFile(small, "small.png"));
    EXPECT_EQ(std::pair(whole->Width, whole->Height), std::pair(300, 200));

    // 6000 x 4000 is 24 megapixels: shrunk to about one, both sides alike, still 24-bit.
    auto large = TwoGreysPng(6000, 4000, 10, 250);
    auto shrunk = DecodeResamplingPicture(large, "large.png");
    ASSERT_TRUE(shrunk) << shrunk.ErrorMessage();
    EXPECT_EQ(std::pair(shrunk->Width, shrunk->Height), std::pair(6000, 4000));
    const Bitmap& p = shrunk->Pixels;
    EXPECT_LE(std::uint64_t(p.Width()) * p.Height(), ShrunkResamplingPicturePixels);
    EXPECT_GT(std::uint64_t(p.Width()) * p.Height(), ShrunkResamplingPicturePixels * 9 / 10);
    EXPECT_NEAR(p.Width() * 4000.0 / p.Height(), 6000.0, 3.0);
    EXPECT_EQ(p.Format(), PixelFormat::Bits24);
    EXPECT_EQ(p.GetPixel(0, 0), Rgb(10, 10, 10));
    EXPECT_EQ(p.GetPixel(p.Width() - 1, p.Height() - 1), Rgb(250, 250, 250));

    auto damaged = large;
    damaged.resize(damaged.size() / 2);
    auto refused = DecodeResamplingPicture(damaged, "cut.png");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.ErrorMessage().find("cut.png: "), std::string::npos);
}

TEST(DecodeEditorPicture, DecodesVeryLargeJpegsAtAReducedScaleNearlyTheSame) {
    // Just over the full-scale limit: read at 7/8, within a few levels of the whole decode.
    auto file = NoisyJpeg(5800, 5790, test::JpegFileKind::Grey, false, 17);
    auto whole = DecodePictureFile(file, "big.jpg");
    ASSERT_TRUE(whole);
    const Bitmap expected = LimitPictureForEditor(*whole);
    auto shrunk = DecodeEditorPicture(file, "big.jpg");
    ASSERT_TRUE(shrunk) << shrunk.ErrorMessage();
    ASSERT_EQ(shrunk->Width(), 256);
    ASSERT_EQ(shrunk->Height(), 256);
    int worst = 0;
    long total = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256 * 4; ++x) {
            const int d = std::abs(shrunk->Row(y)[x] - expected.Row(y)[x]);
            worst = std::max(worst, d);
            total += d;
        }
    EXPECT_LE(worst, 8);
    EXPECT_LT(total, 256 * 256 * 3 / 2) << "mean difference above half a level";
}

}  // namespace
}  // namespace gf
