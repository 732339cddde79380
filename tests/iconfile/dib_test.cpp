#include "iconfile/dib.h"

#include <gtest/gtest.h>

#include <vector>

namespace gf {
namespace {

TEST(GetDibSizes, HeaderSizeFollowsTheDepth) {
    Bitmap b(32, 32, PixelFormat::Bits24);
    EXPECT_EQ(GetDibSizes(b, 1).HeaderSize, 48u);
    EXPECT_EQ(GetDibSizes(b, 4).HeaderSize, 104u);
    EXPECT_EQ(GetDibSizes(b, 8).HeaderSize, 1064u);
    EXPECT_EQ(GetDibSizes(b, 24).HeaderSize, 40u);
    EXPECT_EQ(GetDibSizes(b, 32).HeaderSize, 40u);
    EXPECT_EQ(GetDibSizes(b).HeaderSize, 40u);
    EXPECT_EQ(GetDibSizes(Bitmap(8, 8, PixelFormat::Bits32)).HeaderSize, 40u);
    // 16 bits: bit-field masks for the Bits16 form, none for plain 5-5-5.
    EXPECT_EQ(GetDibSizes(Bitmap(8, 8, PixelFormat::Bits16)).HeaderSize, 52u);
    EXPECT_EQ(GetDibSizes(Bitmap(8, 8, PixelFormat::Bits15)).HeaderSize, 40u);
    EXPECT_EQ(GetDibSizes(Bitmap(8, 8, PixelFormat::Bits15), 16).HeaderSize, 40u);
    EXPECT_EQ(GetDibSizes(b, 16).HeaderSize, 52u);
}

TEST(GetDibSizes, ImageSizeCountsPaddedRows) {
    EXPECT_EQ(GetDibSizes(Bitmap(32, 32, PixelFormat::Bits24), 4).ImageSize, 512u);
    EXPECT_EQ(GetDibSizes(Bitmap(32, 32, PixelFormat::Bits1)).ImageSize, 128u);
    EXPECT_EQ(GetDibSizes(Bitmap(16, 16, PixelFormat::Bits1)).ImageSize, 64u);
    EXPECT_EQ(GetDibSizes(Bitmap(3, 2, PixelFormat::Bits24)).ImageSize, 24u);  // 9 -> 12 a row
    EXPECT_EQ(GetDibSizes(Bitmap(48, 48, PixelFormat::Bits1)).ImageSize, 8u * 48);
    EXPECT_EQ(GetDibSizes(Bitmap(5, 1, PixelFormat::Bits16)).ImageSize, 12u);
}

TEST(GetDibInfo, FillsTheHeader) {
    Bitmap b(20, 10, PixelFormat::Bits8);
    b.XPelsPerMeter = 2835;
    b.YPelsPerMeter = 1000;
    DibHeader h = GetDibInfo(b);
    EXPECT_EQ(h.Size, 40u);
    EXPECT_EQ(h.Width, 20);
    EXPECT_EQ(h.Height, 10);
    EXPECT_EQ(h.Planes, 1);
    EXPECT_EQ(h.BitCount, 8);
    EXPECT_EQ(h.Compression, 0u);
    EXPECT_EQ(h.SizeImage, 200u);
    EXPECT_EQ(h.XPelsPerMeter, 2835);
    EXPECT_EQ(h.YPelsPerMeter, 1000);
    EXPECT_EQ(h.ClrUsed, 256u);
    EXPECT_LE(h.ClrImportant, h.ClrUsed);

    DibHeader h4 = GetDibInfo(b, 4);
    EXPECT_EQ(h4.BitCount, 4);
    EXPECT_EQ(h4.ClrUsed, 16u);
    EXPECT_EQ(h4.SizeImage, 12u * 10);
    EXPECT_EQ(GetDibInfo(Bitmap(20, 10, PixelFormat::Bits16)).Compression, 3u);
    EXPECT_EQ(GetDibInfo(b, 32).ClrUsed, 0u);
    EXPECT_EQ(GetDibInfo(Bitmap()), DibHeader{});
}

TEST(DibHeader, SerialisesLittleEndianAndReadsBack) {
    DibHeader h{40, 256, -512, 1, 32, 3, 0x01020304, -1, 7, 16, 2};
    std::vector<std::uint8_t> bytes;
    PutDibHeader(bytes, h);
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes[4], 0x00);
    EXPECT_EQ(bytes[5], 0x01);
    EXPECT_EQ(bytes[8], 0x00);
    EXPECT_EQ(bytes[11], 0xFF);
    EXPECT_EQ(bytes[20], 0x04);
    auto back = ReadDibHeader(bytes);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(*back, h);
    bytes.pop_back();
    EXPECT_FALSE(ReadDibHeader(bytes).Ok());
}

TEST(GetDibBits, WritesRowsBottomUpWithZeroPadding) {
    Bitmap b(3, 2, PixelFormat::Bits24);
    b.SetPixel(0, 0, Rgb(1, 2, 3));  // top-left
    b.SetPixel(2, 1, Rgb(4, 5, 6));  // bottom-right
    DibSizes sizes = GetDibSizes(b);
    std::vector<std::uint8_t> head(sizes.HeaderSize), pixels(sizes.ImageSize, 0xAA);
    ASSERT_TRUE(GetDibBits(b, head, pixels));
    // First stored row is the bottom one.
    EXPECT_EQ(pixels[6], 6);  // blue of (2, 1)
    EXPECT_EQ(pixels[7], 5);
    EXPECT_EQ(pixels[8], 4);
    EXPECT_EQ(pixels[9], 0);  // padding
    EXPECT_EQ(pixels[11], 0);
    EXPECT_EQ(pixels[12], 3);  // blue of (0, 0), second stored row
    EXPECT_EQ(pixels[13], 2);
    EXPECT_EQ(pixels[14], 1);
    auto h = ReadDibHeader(head);
    ASSERT_TRUE(h.Ok());
    EXPECT_EQ(h->Height, 2);
}

TEST(GetDibBits, WritesTheColourTableAndConvertsToTheAskedDepth) {
    Bitmap b(8, 1, PixelFormat::Bits24);
    b.SetPixel(1, 0, White);
    b.SetPixel(2, 0, Rgb(255, 0, 0));
    DibSizes sizes = GetDibSizes(b, 1);
    std::vector<std::uint8_t> head(sizes.HeaderSize), pixels(sizes.ImageSize);
    ASSERT_TRUE(GetDibBits(b, head, pixels, 1));
    // Default 1-bit palette: black, white (blue, green, red, 0 each).
    EXPECT_EQ((std::vector<std::uint8_t>(head.begin() + 40, head.end())),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
    EXPECT_EQ(pixels[0] & 0x40, 0x40);  // pixel 1 white
    EXPECT_EQ(pixels[0] & 0x80, 0);     // pixel 0 black

    Bitmap p(2, 1, PixelFormat::Bits8);
    p.SetPalette({Rgb(10, 20, 30), Rgb(40, 50, 60)});  // a short palette: the rest is zero
    p.Row(0)[0] = 1;
    DibSizes s8 = GetDibSizes(p);
    std::vector<std::uint8_t> head8(s8.HeaderSize, 0xEE), px8(s8.ImageSize);
    ASSERT_TRUE(GetDibBits(p, head8, px8));
    EXPECT_EQ(head8[40], 30);
    EXPECT_EQ(head8[41], 20);
    EXPECT_EQ(head8[42], 10);
    EXPECT_EQ(head8[44 + 2], 40);
    EXPECT_EQ(head8[48], 0);
    EXPECT_EQ(head8[1063], 0);
    EXPECT_EQ(px8[0], 1);
}

TEST(GetDibBits, WritesBitFieldMasksAfterTheHeader) {
    Bitmap b(2, 2, PixelFormat::Bits16);
    std::vector<std::uint8_t> head(52), pixels(8);
    ASSERT_TRUE(GetDibBits(b, head, pixels));
    auto r = ReadU32(head, 40), g = ReadU32(head, 44), bl = ReadU32(head, 48);
    EXPECT_EQ(*r, 0xF800u);
    EXPECT_EQ(*g, 0x07E0u);
    EXPECT_EQ(*bl, 0x001Fu);
}

TEST(GetDibBits, RefusesSmallBuffersAndImpossibleDepths) {
    Bitmap b(4, 4, PixelFormat::Bits24);
    std::vector<std::uint8_t> head(40), pixels(47, 0x55);
    EXPECT_FALSE(GetDibBits(b, head, pixels));
    EXPECT_EQ(pixels[0], 0x55);
    std::vector<std::uint8_t> big(4096);
    EXPECT_FALSE(GetDibBits(b, big, big, 2));
    EXPECT_FALSE(GetDibBits(b, big, big, 12));
    EXPECT_FALSE(EncodeDib(b, 12).Ok());
    EXPECT_FALSE(EncodeDib(Bitmap()).Ok());
}

}  // namespace
}  // namespace gf
