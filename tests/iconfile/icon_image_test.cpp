#include "iconfile/icon_image.h"

#include <gtest/gtest.h>

namespace gf {
namespace {

TEST(MakeIcon, KeepsAOneBitMaskAndClearsItsPadding) {
    Bitmap colour(10, 2, PixelFormat::Bits24);
    Bitmap mask(10, 2, PixelFormat::Bits1);
    mask.Row(0)[0] = 0x81;  // pixels 0 and 7
    mask.Row(0)[1] = 0xFF;  // pixels 8, 9 and six padding bits
    auto icon = MakeIcon(colour, mask);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Mask.Format(), PixelFormat::Bits1);
    EXPECT_EQ(icon->Mask.Row(0)[0], 0x81);
    EXPECT_EQ(icon->Mask.Row(0)[1], 0xC0);
    EXPECT_EQ(icon->Mask.Row(1)[0], 0x00);
    EXPECT_EQ(icon->Color, colour);
}

TEST(MakeIcon, TurnsTheEditorsEightBitMaskIntoTheAndMask) {
    Bitmap colour(9, 1, PixelFormat::Bits32);
    Bitmap mask(9, 1, PixelFormat::Bits8);
    mask.Row(0)[0] = 255;
    mask.Row(0)[1] = 254;  // only 255 is transparent
    mask.Row(0)[8] = 255;
    auto icon = MakeIcon(colour, mask);
    ASSERT_TRUE(icon.Ok());
    EXPECT_EQ(icon->Mask.Row(0)[0], 0x80);
    EXPECT_EQ(icon->Mask.Row(0)[1], 0x80);
}

TEST(MakeIcon, RefusesMismatchedOrEmptyBitmaps) {
    Bitmap colour(16, 16, PixelFormat::Bits24);
    EXPECT_FALSE(MakeIcon(colour, Bitmap(16, 15, PixelFormat::Bits1)).Ok());
    EXPECT_FALSE(MakeIcon(colour, Bitmap(17, 16, PixelFormat::Bits8)).Ok());
    EXPECT_FALSE(MakeIcon(colour, Bitmap()).Ok());
    EXPECT_FALSE(MakeIcon(Bitmap(), Bitmap(16, 16, PixelFormat::Bits1)).Ok());
    auto bad = MakeIcon(colour, Bitmap(8, 8, PixelFormat::Bits1));
    ASSERT_FALSE(bad.Ok());
    EXPECT_NE(bad.ErrorMessage().find("16x16"), std::string::npos);
}

TEST(TakeIconApart, ConvertsOnlyWhenAnotherDepthIsAsked) {
    Bitmap colour(4, 4, PixelFormat::Bits32);
    colour.Fill(Rgb(10, 20, 30), 200);
    auto icon = MakeIcon(colour, Bitmap(4, 4, PixelFormat::Bits1));
    ASSERT_TRUE(icon.Ok());
    auto own = TakeIconApart(*icon, 0);
    ASSERT_TRUE(own.Ok());
    EXPECT_EQ(*own, colour);
    auto at24 = TakeIconApart(*icon, 24);
    ASSERT_TRUE(at24.Ok());
    EXPECT_EQ(at24->Format(), PixelFormat::Bits24);
    EXPECT_EQ(at24->GetPixel(3, 3), Rgb(10, 20, 30));
    EXPECT_FALSE(TakeIconApart(*icon, 12).Ok());
}

TEST(DescribeIcon, JoinsNumberSizeAndDepthWithoutSpaces) {
    EXPECT_EQ(DescribeIcon(0, 32, 32, 8), " 0# 32x32x8bits");
    EXPECT_EQ(DescribeIcon(12, 0, 0, 32), " 12# 0x0x32bits");
}

TEST(IconSet, ChangesBothListsTogether) {
    IconSet set;
    set.Add("a.ico", "A");
    set.Add("b.ico", "B");
    set.Add("c.ico", "C");
    set.Insert(0, "z.ico", "Z");
    set.Insert(99, "end.ico", "END");
    ASSERT_EQ(set.Size(), 5u);
    EXPECT_EQ(set.IconFiles[0], "z.ico");
    EXPECT_EQ(set.IconInfos[4], "END");

    set.Move(0, 3);  // z goes to index 3
    EXPECT_EQ(set.IconInfos, (std::vector<std::string>{"A", "B", "C", "Z", "END"}));
    EXPECT_EQ(set.IconFiles[3], "z.ico");
    set.Move(4, 0);
    EXPECT_EQ(set.IconInfos, (std::vector<std::string>{"END", "A", "B", "C", "Z"}));
    EXPECT_EQ(set.IconFiles[0], "end.ico");
    set.Move(1, 7);  // out of range: unchanged
    EXPECT_EQ(set.IconInfos[1], "A");

    set.RemoveAt(1);
    set.RemoveAt(42);
    EXPECT_EQ(set.IconInfos, (std::vector<std::string>{"END", "B", "C", "Z"}));
    EXPECT_EQ(set.IconFiles[1], "b.ico");
    set.Clear();
    EXPECT_TRUE(set.Empty());
    EXPECT_TRUE(set.IconInfos.empty());
}

}  // namespace
}  // namespace gf
