#include "iconfile/ico_writer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "iconfile/dib.h"
#include "iconfile/ico_decode.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/png_codec.h"
#include "support/temp_folder.h"

#if defined(__unix__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    auto bytes = ReadFileBytes(p);
    EXPECT_TRUE(bytes.Ok()) << PathText(p);
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

std::uint32_t U32At(const std::vector<std::uint8_t>& d, std::size_t off) {
    return *ReadU32(d, off);
}
std::uint16_t U16At(const std::vector<std::uint8_t>& d, std::size_t off) {
    return *ReadU16(d, off);
}

IconImage Icon(int w, int h, PixelFormat f) {
    Bitmap colour(w, h, f);
    auto icon = MakeIcon(colour, Bitmap(w, h, PixelFormat::Bits1));
    EXPECT_TRUE(icon.Ok());
    return *icon;
}

struct LayoutCase {
    int Width, Height;
    PixelFormat Format;
    std::size_t FileSize;
    std::uint8_t ColourCount;
    int BitCount;
    std::uint32_t HeaderBlock;
};

class IconLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(IconLayout, IsByteExact) {
    const LayoutCase& c = GetParam();
    test::TempFolder dir;
    const fs::path file = dir / "icon.ico";
    Bitmap colour(c.Width, c.Height, c.Format);
    ASSERT_TRUE(
        SaveBitmapsAsIcon(colour, Bitmap(c.Width, c.Height, PixelFormat::Bits1), file).Ok());
    auto d = ReadAll(file);
    ASSERT_EQ(d.size(), c.FileSize);
    EXPECT_EQ(U16At(d, 0), 0);
    EXPECT_EQ(U16At(d, 2), 1);
    EXPECT_EQ(U16At(d, 4), 1);
    EXPECT_EQ(d[6], c.Width & 0xFF);
    EXPECT_EQ(d[7], c.Height & 0xFF);
    EXPECT_EQ(d[8], c.ColourCount);
    EXPECT_EQ(d[9], 0);
    EXPECT_EQ(U16At(d, 10), 1);
    EXPECT_EQ(U16At(d, 12), c.BitCount);
    EXPECT_EQ(U32At(d, 14), c.FileSize - 22);
    EXPECT_EQ(U32At(d, 18), 22u);
    auto h = ReadDibHeader(d, 22);
    ASSERT_TRUE(h.Ok());
    EXPECT_EQ(h->Size, 40u);
    EXPECT_EQ(h->Width, c.Width);
    EXPECT_EQ(h->Height, 2 * c.Height);
    EXPECT_EQ(h->Planes, 1);
    EXPECT_EQ(h->BitCount, c.BitCount);
    EXPECT_EQ(h->SizeImage, RowBytes(c.Width, c.BitCount) * c.Height);
    EXPECT_EQ(c.FileSize, 22 + c.HeaderBlock + h->SizeImage + RowBytes(c.Width, 1) * c.Height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, IconLayout,
    ::testing::Values(LayoutCase{32, 32, PixelFormat::Bits8, 2238, 0, 8, 1064},
                      LayoutCase{16, 16, PixelFormat::Bits4, 318, 16, 4, 104},
                      LayoutCase{32, 32, PixelFormat::Bits32, 4286, 0, 32, 40},
                      LayoutCase{48, 48, PixelFormat::Bits32, 9662, 0, 32, 40},
                      LayoutCase{256, 256, PixelFormat::Bits32, 270376 + 22, 0, 32, 40},
                      LayoutCase{32, 32, PixelFormat::Bits1, 22 + 48 + 128 + 128, 2, 1, 48},
                      LayoutCase{16, 16, PixelFormat::Bits16, 22 + 52 + 512 + 64, 0, 16, 52},
                      LayoutCase{16, 16, PixelFormat::Bits24, 22 + 40 + 768 + 64, 0, 24, 40},
                      // 15-bit, device and custom bitmaps are written at 24 bits.
                      LayoutCase{16, 16, PixelFormat::Bits15, 22 + 40 + 768 + 64, 0, 24, 40},
                      LayoutCase{16, 16, PixelFormat::Device, 22 + 40 + 768 + 64, 0, 24, 40},
                      LayoutCase{20, 20, PixelFormat::Custom, 22 + 40 + 60 * 20 + 80, 0, 24, 40}));

TEST(SaveBitmapsAsIcon, WritesColourRowsThenMaskRowsBottomUp) {
    test::TempFolder dir;
    Bitmap colour(2, 2, PixelFormat::Bits32);
    colour.SetPixel(0, 0, Rgb(1, 2, 3));
    colour.SetAlpha(0, 0, 200);
    Bitmap mask(2, 2, PixelFormat::Bits8);
    mask.Row(1)[1] = 255;  // bottom-right transparent
    ASSERT_TRUE(SaveBitmapsAsIcon(colour, mask, dir / "a.ico").Ok());
    auto d = ReadAll(dir / "a.ico");
    ASSERT_EQ(d.size(), 22u + 40 + 16 + 8);
    const std::size_t px = 22 + 40;
    // Bottom row first: (0, 1), (1, 1), then the top row (0, 0).
    EXPECT_EQ(d[px + 8], 3);
    EXPECT_EQ(d[px + 9], 2);
    EXPECT_EQ(d[px + 10], 1);
    EXPECT_EQ(d[px + 11], 200);
    const std::size_t mk = px + 16;
    EXPECT_EQ(d[mk], 0x40);  // bottom row, pixel 1
    EXPECT_EQ(d[mk + 1], 0);
    EXPECT_EQ(d[mk + 4], 0);  // top row opaque
}

TEST(SaveBitmapsAsIcon, RefusesMismatchedBitmapsWithoutWriting) {
    test::TempFolder dir;
    Status s = SaveBitmapsAsIcon(Bitmap(16, 16, PixelFormat::Bits24),
                                 Bitmap(8, 8, PixelFormat::Bits1), dir / "x.ico");
    EXPECT_FALSE(s.Ok());
    EXPECT_FALSE(fs::exists(dir / "x.ico"));
}

TEST(WriteIconFile, RejectsBitCountsAndMissingArguments) {
    test::TempFolder dir;
    IconImage icon = Icon(16, 16, PixelFormat::Bits24);
    for (int bits : {2, 12, 15, 64, -1}) {
        EXPECT_FALSE(WriteIconFile(icon, dir / "b.ico", bits)) << bits;
        EXPECT_FALSE(fs::exists(dir / "b.ico")) << bits;
    }
    EXPECT_FALSE(WriteIconFile(IconImage{}, dir / "b.ico", 0));
    EXPECT_FALSE(WriteIconFile(icon, fs::path(), 0));
    EXPECT_FALSE(fs::exists(dir / "b.ico"));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(WriteIconFile, WritesAtTheAskedDepthAndTakesAGivenColourBitmap) {
    test::TempFolder dir;
    IconImage icon = Icon(16, 16, PixelFormat::Bits32);
    ASSERT_TRUE(WriteIconFile(icon, dir / "own.ico", 0));
    EXPECT_EQ(fs::file_size(dir / "own.ico"), 22u + 40 + 1024 + 64);
    ASSERT_TRUE(WriteIconFile(icon, dir / "four.ico", 4));
    EXPECT_EQ(fs::file_size(dir / "four.ico"), 318u);

    Bitmap other(16, 16, PixelFormat::Bits8);
    ASSERT_TRUE(WriteIconFile(icon, dir / "given.ico", 0, &other));
    EXPECT_EQ(fs::file_size(dir / "given.ico"), 22u + 1064 + 256 + 64);
    Bitmap wrongSize(8, 8, PixelFormat::Bits8);
    EXPECT_FALSE(WriteIconFile(icon, dir / "wrong.ico", 0, &wrongSize));
    EXPECT_FALSE(fs::exists(dir / "wrong.ico"));
}

TEST(WriteIconFile, FailsWithoutATouchableFolder) {
    test::TempFolder dir;
    IconImage icon = Icon(16, 16, PixelFormat::Bits24);
    EXPECT_FALSE(WriteIconFile(icon, dir / "missing" / "a.ico", 24));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    // A folder in the way of the target is not replaced.
    fs::create_directory(dir / "taken.ico");
    EXPECT_FALSE(WriteIconFile(icon, dir / "taken.ico", 24));
    EXPECT_TRUE(fs::is_directory(dir / "taken.ico"));
}

#if defined(__unix__)
TEST(WriteIconFile, AFailedWriteLeavesTheOldFileIntact) {
    test::TempFolder dir;
    const fs::path target = dir / "old.ico";
    {
        std::ofstream f(target, std::ios::binary);
        f << "the old icon";
    }
    IconImage icon = Icon(64, 64, PixelFormat::Bits32);

    // Make the write itself fail part-way: a file size limit below the icon's 16 KiB.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteIconFile(icon, target, 32);
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(written);
    auto d = ReadAll(target);
    EXPECT_EQ(std::string(d.begin(), d.end()), "the old icon");
    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(WriteIconFile, AReadOnlyFolderKeepsItsOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not bind the superuser";
    test::TempFolder dir;
    const fs::path target = dir / "old.ico";
    {
        std::ofstream f(target, std::ios::binary);
        f << "old";
    }
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteIconFile(Icon(16, 16, PixelFormat::Bits24), target, 24));
    fs::permissions(dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(fs::file_size(target), 3u);
}
#endif

TEST(EncodeIconBlock, GivesTheEntryAndTheBlock) {
    auto block = EncodeIconBlock(Icon(256, 256, PixelFormat::Bits32), 0);
    ASSERT_TRUE(block.Ok());
    EXPECT_EQ(block->Entry.Width, 0);
    EXPECT_EQ(block->Entry.Height, 0);
    EXPECT_EQ(block->Entry.BitCount, 32);
    EXPECT_EQ(block->Entry.BytesInRes, 270376u);
    EXPECT_EQ(block->Data.size(), 270376u);
    auto h = ReadDibHeader(block->Data);
    EXPECT_EQ(h->Width, 256);
    EXPECT_EQ(h->Height, 512);
}

// A soft shadow (alpha 2..113) under a set AND mask, as many real icons have it: where the
// colour image's alpha is in use the PNG's alpha is that alpha alone, so the PNG composed over
// any ground gives what the icon drawing rule draws; at another depth the mask decides.
TEST(IconToRgba, TakesTheAlphaInUseAloneAndTheMaskOnlyWithoutIt) {
    const int side = 16;
    Bitmap colour(side, side, PixelFormat::Bits32);
    Bitmap mask(side, side, PixelFormat::Bits1);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool body = x >= 4 && x < 10 && y >= 4 && y < 10;
            const bool shadow = !body && x >= 5 && x < 13 && y >= 5 && y < 13;
            if (body) {
                colour.SetPixel(x, y, Rgb(200, 40, 10 * x));
                colour.SetAlpha(x, y, 255);
            } else if (shadow) {
                colour.SetAlpha(x, y, static_cast<std::uint8_t>(2 + (x - 5) * 13 + (y - 5)));
            }
            if (!body)
                mask.Row(y)[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    auto icon = MakeIcon(colour, mask);
    ASSERT_TRUE(icon.Ok());

    test::TempFolder dir;
    ASSERT_TRUE(SaveIconAsPng(*icon, 32, dir / "shadow.png").Ok());
    auto png = LoadPngFile(dir / "shadow.png");
    ASSERT_TRUE(png.Ok()) << png.ErrorMessage();
    auto at24 = IconToRgba(*icon, 24);
    ASSERT_TRUE(at24.Ok());
    int shadowPixels = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(png->Pixels.GetPixel(x, y), colour.GetPixel(x, y));
            EXPECT_EQ(png->Pixels.GetAlpha(x, y), colour.GetAlpha(x, y));
            shadowPixels += colour.GetAlpha(x, y) > 0 && colour.GetAlpha(x, y) < 255;
            const bool masked = mask.Row(y)[x >> 3] & (0x80 >> (x & 7));
            EXPECT_EQ(at24->GetAlpha(x, y), masked ? 0 : 255);
            EXPECT_EQ(at24->GetPixel(x, y), masked ? Black : colour.GetPixel(x, y));
        }
    }
    EXPECT_EQ(shadowPixels, 39);

    // The picture over a ground is the icon drawn on it, with alpha and without.
    for (const IconImage& drawn : {*icon, *MakeIcon(colour.ConvertedTo(PixelFormat::Bits24), mask)}) {
        for (Color ground : {White, Black, Rgb(30, 140, 250)}) {
            Bitmap expected(side, side, PixelFormat::Bits24);
            expected.Fill(ground);
            DrawIcon(expected, 0, 0, drawn.Color, drawn.Mask);
            auto picture = IconToRgba(drawn, drawn.Color.BitCount());
            ASSERT_TRUE(picture.Ok());
            Bitmap composed(side, side, PixelFormat::Bits24);
            composed.Fill(ground);
            DrawIcon(composed, 0, 0, *picture, Bitmap(side, side, PixelFormat::Bits1));
            EXPECT_TRUE(composed == expected) << drawn.Color.BitCount() << " bits";
        }
    }
}

TEST(IconToRgba, AThirtyTwoBitIconWithoutAlphaStaysVisible) {
    Bitmap colour(2, 1, PixelFormat::Bits32);
    colour.Fill(Rgb(1, 2, 3), 0);
    Bitmap mask(2, 1, PixelFormat::Bits1);
    mask.Row(0)[0] = 0x40;
    auto icon = MakeIcon(colour, mask);
    auto rgba = IconToRgba(*icon, 32);
    ASSERT_TRUE(rgba.Ok());
    EXPECT_EQ(rgba->GetAlpha(0, 0), 255);
    EXPECT_EQ(rgba->GetAlpha(1, 0), 0);
}

TEST(SaveIconAsPng, WritesAnRgbaPngThatDecodesToTheSamePixels) {
    test::TempFolder dir;
    Bitmap colour(4, 2, PixelFormat::Bits8);
    colour.SetPixel(0, 0, Rgb(255, 0, 0));
    colour.SetPixel(3, 1, Rgb(0, 0, 255));
    Bitmap mask(4, 2, PixelFormat::Bits8);
    mask.Row(0)[1] = 255;
    auto icon = MakeIcon(colour, mask);
    ASSERT_TRUE(icon.Ok());
    ASSERT_TRUE(SaveIconAsPng(*icon, 8, dir / "i.png").Ok());
    auto png = LoadPngFile(dir / "i.png");
    ASSERT_TRUE(png.Ok()) << png.ErrorMessage();
    EXPECT_TRUE(png->HasAlpha);
    const Bitmap& p = png->Pixels;
    ASSERT_EQ(p.Width(), 4);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(p.GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(p.GetAlpha(0, 0), 255);
    EXPECT_EQ(p.GetPixel(1, 0), Black);
    EXPECT_EQ(p.GetAlpha(1, 0), 0);
    EXPECT_EQ(p.GetPixel(3, 1), Rgb(0, 0, 255));
    EXPECT_EQ(p.GetAlpha(3, 1), 255);
}

}  // namespace
}  // namespace gf
