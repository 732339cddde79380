#include "iconfile/ico_decode.h"

#include <gtest/gtest.h>

#include <vector>

#include "iconfile/ico_writer.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/ico_builder.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;
using test::DibBlockRecipe;
using test::IcoBuilder;
using test::MakeDibBlock;

bool MaskBit(const Bitmap& mask, int x, int y) {
    return (mask.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

// A checker pattern of transparency that differs between top and bottom, so a flipped mask shows.
bool Pattern(int x, int y) {
    return (x + 2 * y) % 3 == 0 || (y == 0 && x == 1);
}

TEST(DecodeIconImageBlock, ReadsEveryIndexedDepthThroughItsPalette) {
    for (int bits : {1, 4, 8}) {
        DibBlockRecipe s;
        s.Width = 13;  // rows need padding at every depth
        s.Height = 5;
        s.BitCount = bits;
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i) {
            s.Palette.push_back(
                Rgb(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7));
        }
        s.Pixel = [n](int x, int y) { return static_cast<std::uint32_t>((x * 3 + y * 5) % n); };
        s.Transparent = Pattern;
        auto icon = DecodeIconImageBlock(MakeDibBlock(s));
        ASSERT_TRUE(icon.Ok()) << bits << ": " << icon.ErrorMessage();
        EXPECT_EQ(icon->Color.BitCount(), bits);
        ASSERT_EQ(icon->Width(), 13);
        ASSERT_EQ(icon->Height(), 5);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 13; ++x) {
                const int i = (x * 3 + y * 5) % n;
                ASSERT_EQ(icon->Color.GetPixel(x, y),
                          Rgb(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7))
                    << bits << " bits at " << x << "," << y;
                ASSERT_EQ(MaskBit(icon->Mask, x, y), Pattern(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(DecodeIconImageBlock, AOneBitIconHasARealColourImage) {
    DibBlockRecipe s;
    s.Width = 8;
    s.Height = 8;
    s.BitCount = 1;
    s.Palette = {Rgb(200, 0, 0), Rgb(0, 0, 200)};
    s.Pixel = [](int x, int) { return static_cast<std::uint32_t>(x & 1); };
    auto icon = DecodeIconImageBlock(MakeDibBlock(s));
    ASSERT_TRUE(icon.Ok());
    EXPECT_EQ(icon->Color.Height(), 8);  // not the stacked double-height monochrome form
    EXPECT_EQ(icon->Color.GetPixel(0, 3), Rgb(200, 0, 0));
    EXPECT_EQ(icon->Color.GetPixel(1, 3), Rgb(0, 0, 200));
}

TEST(DecodeIconImageBlock, FillsAShortColourTableWithBlack) {
    DibBlockRecipe s;
    s.Width = 4;
    s.Height = 1;
    s.BitCount = 8;
    s.Palette = {Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 8, 9)};
    s.Pixel = [](int x, int) { return static_cast<std::uint32_t>(x == 3 ? 200 : x); };
    auto icon = DecodeIconImageBlock(MakeDibBlock(s));
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Color.GetPixel(2, 0), Rgb(7, 8, 9));
    EXPECT_EQ(icon->Color.GetPixel(3, 0), Black);
    EXPECT_EQ(icon->Color.Palette().size(), 256u);
}

TEST(DecodeIconImageBlock, ReadsSixteenBitPlainAndBitFields) {
    DibBlockRecipe plain;
    plain.Width = 3;
    plain.Height = 2;
    plain.BitCount = 16;
    plain.Pixel = [](int x, int y) { return x == 0 && y == 0 ? 0x7C00u : 0x001Fu; };
    auto a = DecodeIconImageBlock(MakeDibBlock(plain));
    ASSERT_TRUE(a.Ok()) << a.ErrorMessage();
    EXPECT_EQ(a->Color.Format(), PixelFormat::Bits15);
    EXPECT_EQ(a->Color.GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(a->Color.GetPixel(2, 1), Rgb(0, 0, 255));

    DibBlockRecipe fields = plain;
    fields.Compression = 3;
    fields.Pixel = [](int x, int) { return x == 1 ? 0x07E0u : 0xF800u; };
    auto b = DecodeIconImageBlock(MakeDibBlock(fields));
    ASSERT_TRUE(b.Ok()) << b.ErrorMessage();
    EXPECT_EQ(b->Color.Format(), PixelFormat::Bits16);
    EXPECT_EQ(b->Color.Masks(), Masks565);
    EXPECT_EQ(b->Color.GetPixel(0, 1), Rgb(255, 0, 0));
    EXPECT_EQ(b->Color.GetPixel(1, 1), Rgb(0, 255, 0));

    fields.RedMask = 0x1F0000;  // does not fit 16 bits
    EXPECT_FALSE(DecodeIconImageBlock(MakeDibBlock(fields)).Ok());
}

TEST(DecodeIconImageBlock, ReadsTwentyFourAndThirtyTwoBits) {
    DibBlockRecipe s;
    s.Width = 5;
    s.Height = 3;
    s.BitCount = 24;
    s.Pixel = [](int x, int y) {
        return static_cast<std::uint32_t>(0x80000000u | (x << 16) | (y << 8) | 9);
    };
    s.Transparent = Pattern;
    auto a = DecodeIconImageBlock(MakeDibBlock(s));
    ASSERT_TRUE(a.Ok());
    EXPECT_EQ(a->Color.Format(), PixelFormat::Bits24);
    EXPECT_EQ(a->Color.GetPixel(4, 2), Rgb(4, 2, 9));
    EXPECT_EQ(MaskBit(a->Mask, 0, 0), Pattern(0, 0));
    EXPECT_EQ(MaskBit(a->Mask, 1, 0), true);

    s.BitCount = 32;
    auto b = DecodeIconImageBlock(MakeDibBlock(s));
    ASSERT_TRUE(b.Ok());
    EXPECT_EQ(b->Color.Format(), PixelFormat::Bits32);
    EXPECT_EQ(b->Color.GetPixel(3, 1), Rgb(3, 1, 9));
    EXPECT_EQ(b->Color.GetAlpha(3, 1), 0x80);

    // 32 bits with bit fields in another order.
    s.Compression = 3;
    s.RedMask = 0x000000FF;
    s.GreenMask = 0x0000FF00;
    s.BlueMask = 0x00FF0000;
    auto c = DecodeIconImageBlock(MakeDibBlock(s));
    ASSERT_TRUE(c.Ok()) << c.ErrorMessage();
    EXPECT_EQ(c->Color.GetPixel(3, 1), Rgb(9, 1, 3));
}

TEST(DecodeIconImageBlock, TakesMissingMaskRowsAsOpaque) {
    DibBlockRecipe s;
    s.Width = 4;
    s.Height = 4;
    s.BitCount = 32;
    s.Transparent = [](int, int) { return true; };
    auto block = MakeDibBlock(s);
    block.resize(block.size() - 8);  // the two top mask rows are missing
    auto icon = DecodeIconImageBlock(block);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_FALSE(MaskBit(icon->Mask, 0, 0));
    EXPECT_FALSE(MaskBit(icon->Mask, 0, 1));
    EXPECT_TRUE(MaskBit(icon->Mask, 0, 2));
    EXPECT_TRUE(MaskBit(icon->Mask, 3, 3));
}

TEST(DecodeIconImageBlock, RefusesMalformedBlocks) {
    DibBlockRecipe good;
    good.Width = 16;
    good.Height = 16;
    good.BitCount = 8;
    const auto goodBlock = MakeDibBlock(good);
    ASSERT_TRUE(DecodeIconImageBlock(goodBlock).Ok());

    // The decoder refuses the block, and the check of its first bytes (all a listing reads)
    // refuses it for the same reason.
    auto refused = [](Bytes block) {
        Result<IconImage> decoded = DecodeIconImageBlock(block);
        Status checked =
            CheckIconBlock(block.first(std::min(block.size(), IconBlockHeadBytes)), block.size());
        EXPECT_FALSE(checked.Ok());
        if (!decoded && !checked) {
            EXPECT_EQ(checked.ErrorMessage(), decoded.ErrorMessage());
        }
        return decoded;
    };
    auto with = [&](auto change) {
        DibBlockRecipe s = good;
        change(s);
        return refused(MakeDibBlock(s));
    };
    EXPECT_TRUE(CheckIconBlock(Bytes(goodBlock.data(), IconBlockHeadBytes), goodBlock.size()));
    EXPECT_FALSE(refused(Bytes(goodBlock.data(), 39)).Ok());
    EXPECT_FALSE(refused(Bytes()).Ok());
    // Colour rows cut short.
    EXPECT_FALSE(refused(Bytes(goodBlock.data(), 40 + 1024 + 255)).Ok());
    // Colour table cut short.
    EXPECT_FALSE(refused(Bytes(goodBlock.data(), 40 + 500)).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) {
                     s.BitCount = 2;
                     s.Palette = {0, 0, 0, 0};
                 }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.BitCount = 12; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.Width = 0; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.StoredHeight = -32; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.StoredHeight = 1; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.Compression = 1; }).Ok());  // RLE
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.Compression = 3; }).Ok());  // bit fields at 8 bits
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.ClrUsed = 257; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.HeaderSize = 12; }).Ok());
    EXPECT_FALSE(with([](DibBlockRecipe& s) { s.HeaderSize = 0x7FFFFFFF; }).Ok());
    auto negative = goodBlock;
    negative[7] = 0x80;  // width below zero
    EXPECT_FALSE(refused(negative).Ok());
    // Huge sides are refused before anything is allocated.
    auto huge = goodBlock;
    huge[4] = 0xFF;
    huge[5] = 0xFF;
    huge[6] = 0xFF;
    huge[7] = 0x7F;
    auto err = refused(huge);
    ASSERT_FALSE(err.Ok());
    EXPECT_NE(err.ErrorMessage().find("width"), std::string::npos);
    // A PNG whose header announces a picture far larger than any icon.
    std::vector<std::uint8_t> bigPng(PngSignature, PngSignature + 8);
    bigPng.insert(bigPng.end(), {0, 0,    0,    13, 'I', 'H', 'D', 'R', 0, 0, 0x13, 0x88, 0,
                                 0, 0x13, 0x88, 8,  6,   0,   0,   0,   0, 0, 0,    0});
    auto bigErr = refused(bigPng);
    ASSERT_FALSE(bigErr.Ok());
    EXPECT_NE(bigErr.ErrorMessage().find("5000x5000"), std::string::npos);
    // A PNG signature followed by garbage.
    std::vector<std::uint8_t> badPng(PngSignature, PngSignature + 8);
    badPng.resize(64, 0x11);
    EXPECT_FALSE(DecodeIconImageBlock(badPng).Ok());
}

TEST(DecodeIconImageBlock, DecodesPngBlocksWithTheirAlphaAsMask) {
    Bitmap rgba(3, 2, PixelFormat::Bits32);
    rgba.Fill(Rgb(10, 20, 30), 255);
    rgba.SetAlpha(1, 0, 0);
    rgba.SetAlpha(2, 1, 128);
    auto icon = DecodeIconImageBlock(test::MakePngBlock(rgba));
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Color.Format(), PixelFormat::Bits32);
    EXPECT_EQ(icon->Color.GetPixel(0, 0), Rgb(10, 20, 30));
    EXPECT_EQ(icon->Color.GetAlpha(2, 1), 128);
    EXPECT_TRUE(MaskBit(icon->Mask, 1, 0));
    EXPECT_FALSE(MaskBit(icon->Mask, 2, 1));
    EXPECT_FALSE(MaskBit(icon->Mask, 0, 0));

    auto info = PeekIconBlock(test::MakePngBlock(rgba));
    ASSERT_TRUE(info.Ok());
    EXPECT_TRUE(info->IsPng);
    EXPECT_EQ(info->Width, 3);
    EXPECT_EQ(info->Height, 2);
    EXPECT_EQ(info->BitCount, 32);
}

// Every depth through the writer and back: the same pixels and the same mask.
TEST(IconRoundTrip, EveryDepthComesBackUnchanged) {
    test::TempFolder dir;
    const struct {
        PixelFormat Format;
        int Bits;
    } cases[] = {{PixelFormat::Bits1, 1},   {PixelFormat::Bits4, 4},   {PixelFormat::Bits8, 8},
                 {PixelFormat::Bits16, 16}, {PixelFormat::Bits24, 24}, {PixelFormat::Bits32, 32}};
    for (const auto& c : cases) {
        const int w = 19, h = 7;
        Bitmap colour(w, h, c.Format);
        Bitmap mask(w, h, PixelFormat::Bits8);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                colour.SetPixel(
                    x, y,
                    Rgb(static_cast<std::uint8_t>(x * 13), static_cast<std::uint8_t>(y * 40),
                        static_cast<std::uint8_t>((x * y) % 256)));
                colour.SetAlpha(x, y, static_cast<std::uint8_t>(x * 10 + y));
                if (Pattern(x, y))
                    mask.Row(y)[x] = 255;
            }
        }
        const fs::path file = dir / ("d" + std::to_string(c.Bits) + ".ico");
        ASSERT_TRUE(SaveBitmapsAsIcon(colour, mask, file).Ok());
        auto icon = LoadIconFileFirstSize(file);
        ASSERT_TRUE(icon.Ok()) << c.Bits << ": " << icon.ErrorMessage();
        EXPECT_EQ(icon->Color.BitCount(), c.Bits);
        ASSERT_EQ(icon->Width(), w);
        ASSERT_EQ(icon->Height(), h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(icon->Color.GetPixel(x, y), colour.GetPixel(x, y))
                    << c.Bits << " bits at " << x << "," << y;
                ASSERT_EQ(icon->Color.GetAlpha(x, y), colour.GetAlpha(x, y));
                ASSERT_EQ(MaskBit(icon->Mask, x, y), Pattern(x, y));
            }
        }
        if (IsIndexed(c.Format)) {
            EXPECT_EQ(icon->Color.Palette(), colour.Palette());
            EXPECT_EQ(icon->Color.Data().size(), colour.Data().size());
            EXPECT_TRUE(std::equal(icon->Color.Data().begin(), icon->Color.Data().end(),
                                   colour.Data().begin()));
        }
        // Written again, the file is byte for byte the same.
        const fs::path again = dir / ("again" + std::to_string(c.Bits) + ".ico");
        ASSERT_TRUE(SaveBitmapsAsIcon(icon->Color, icon->Mask, again).Ok());
        EXPECT_EQ(*ReadFileBytes(file), *ReadFileBytes(again)) << c.Bits;
    }
}

TEST(DecodeIconFileFirstSize, PicksTheFirstSizeAtItsDeepestImage) {
    DibBlockRecipe small;
    small.Width = small.Height = 16;
    small.BitCount = 4;
    DibBlockRecipe big = small;
    big.Width = big.Height = 32;
    big.BitCount = 32;
    DibBlockRecipe smallDeep = small;
    smallDeep.BitCount = 24;
    smallDeep.Pixel = [](int, int) { return 0x123456u; };
    auto file = IcoBuilder().Add(small).Add(big).Add(smallDeep).Build();
    auto icon = DecodeIconFileFirstSize(file);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Width(), 16);
    EXPECT_EQ(icon->Color.BitCount(), 24);
    EXPECT_EQ(icon->Color.GetPixel(5, 5), Rgb(0x12, 0x34, 0x56));
}

TEST(DecodeIconFileFirstSize, PassesOverABrokenImageOfTheSameSize) {
    DibBlockRecipe good;
    good.Width = good.Height = 16;
    good.BitCount = 8;
    DibBlockRecipe deeper = good;
    deeper.BitCount = 32;
    auto broken = MakeDibBlock(deeper);
    broken.resize(600);  // its pixel rows are cut short
    auto file = IcoBuilder().Add(good).Add(std::move(broken), 16, 16, 32).Build();
    auto icon = DecodeIconFileFirstSize(file);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Color.BitCount(), 8);
}

TEST(DecodeIconFileFirstSize, ReportsLyingAndEmptyDirectories) {
    DibBlockRecipe s;
    EXPECT_FALSE(DecodeIconFileFirstSize(IcoBuilder().Build()).Ok());
    EXPECT_FALSE(DecodeIconFileFirstSize(std::vector<std::uint8_t>{0, 0, 1}).Ok());
    EXPECT_FALSE(
        DecodeIconFileFirstSize(IcoBuilder().Add(s).SetOffset(0, 0xFFFFFFF0).Build()).Ok());
    EXPECT_FALSE(DecodeIconFileFirstSize(IcoBuilder().Add(s).SetSize(0, 0xFFFFFFFF).Build()).Ok());
    EXPECT_FALSE(DecodeIconFileFirstSize(IcoBuilder().Add(s).SetCount(200).Build()).Ok());
    EXPECT_FALSE(DecodeIconFileFirstSize(IcoBuilder().Add(s).TruncateTo(100).Build()).Ok());
    // A cursor file reads the same way.
    auto cursor = DecodeIconFileFirstSize(IcoBuilder().SetType(2).Add(s).Build());
    EXPECT_TRUE(cursor.Ok());

    test::TempFolder dir;
    auto missing = LoadIconFileFirstSize(dir / "none.ico");
    ASSERT_FALSE(missing.Ok());
    EXPECT_NE(missing.ErrorMessage().find("none.ico"), std::string::npos);
}

}  // namespace
}  // namespace gf
