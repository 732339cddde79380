#include "iconfile/picture_convert.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <vector>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
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

}  // namespace
}  // namespace gf
