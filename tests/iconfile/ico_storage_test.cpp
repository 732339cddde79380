#include "iconfile/ico_storage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "platform/png_codec.h"

namespace gf {
namespace {

// A 32-bit icon with a soft diagonal: alpha runs 0..255, transparent pixels masked and black.
IconImage SoftIcon(int size) {
    Bitmap colour(size, size, PixelFormat::Bits32);
    Bitmap mask(size, size, PixelFormat::Bits1);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int a = std::min(255, (x + y) * 255 / std::max(1, size));
            if (a == 0) {
                mask.SetPixel(x, y, White);
                continue;
            }
            colour.SetPixel(x, y, Rgb(static_cast<std::uint8_t>(x * 7), 90,
                                      static_cast<std::uint8_t>(y * 3)));
            colour.SetAlpha(x, y, static_cast<std::uint8_t>(a));
        }
    return {colour, mask};
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return (std::uint32_t{d[at]} << 24) | (std::uint32_t{d[at + 1]} << 16) |
           (std::uint32_t{d[at + 2]} << 8) | d[at + 3];
}

// Names of the chunks of a PNG stream, in order.
std::vector<std::string> PngChunks(const std::vector<std::uint8_t>& png) {
    std::vector<std::string> names;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = BigEndian32(png, at);
        names.emplace_back(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        at += 12 + length;
    }
    return names;
}

TEST(IconStorage, TwoEntryModernFileIsByteExact) {
    const IconStorage modern = StorageOfPreset(StoragePreset::Modern);
    auto small = EncodeStoredIconBlock(SoftIcon(32), 32, modern);
    auto large = EncodeStoredIconBlock(SoftIcon(256), 32, modern);
    ASSERT_TRUE(small.Ok() && large.Ok());
    auto file = AssembleIconFile({*small, *large});
    ASSERT_TRUE(file.Ok());
    const std::vector<std::uint8_t>& f = *file;

    const std::uint32_t pngSize = static_cast<std::uint32_t>(large->Data.size());
    const std::uint8_t head[] = {0, 0, 1, 0, 2, 0,
                                 // 32 x 32, 0 colours, planes 1, 32 bits, 4264 bytes at 38
                                 32, 32, 0, 0, 1, 0, 32, 0, 0xA8, 0x10, 0, 0, 38, 0, 0, 0,
                                 // 256 x 256 (0, 0), PNG bytes at 38 + 4264
                                 0, 0, 0, 0, 1, 0, 32, 0};
    ASSERT_GE(f.size(), sizeof head + 8);
    EXPECT_EQ(std::memcmp(f.data(), head, sizeof head), 0);
    EXPECT_EQ(*ReadU32(f, 30), pngSize);
    EXPECT_EQ(*ReadU32(f, 34), 38u + 4264u);
    EXPECT_EQ(f.size(), 38u + 4264u + pngSize);

    // The first block is a DIB: 40-byte header with doubled height, no compression.
    EXPECT_EQ(*ReadU32(f, 38), 40u);
    EXPECT_EQ(*ReadI32(f, 38 + 8), 64);
    EXPECT_EQ(*ReadU16(f, 38 + 14), 32);
    EXPECT_EQ(*ReadU32(f, 38 + 16), 0u);

    // The second is a PNG: 256 x 256, 8-bit RGBA, IHDR, image data and IEND only.
    std::vector<std::uint8_t> png(f.begin() + 38 + 4264, f.end());
    ASSERT_TRUE(HasPngSignature(png));
    EXPECT_EQ(BigEndian32(png, 16), 256u);
    EXPECT_EQ(BigEndian32(png, 20), 256u);
    EXPECT_EQ(png[24], 8);  // bit depth
    EXPECT_EQ(png[25], 6);  // RGBA
    std::vector<std::string> chunks = PngChunks(png);
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks.front(), "IHDR");
    EXPECT_EQ(chunks.back(), "IEND");
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i)
        EXPECT_EQ(chunks[i], "IDAT");
}

struct PresetCase {
    const char* Name;
    int Size;
    int Bits;
    bool Png;
    std::uint32_t Compression;  // of a DIB
};

class PresetStorage : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetStorage, StoresAsThePresetSaysAndReadsBack) {
    const PresetCase& c = GetParam();
    auto preset = ParseStoragePreset(c.Name);
    ASSERT_TRUE(preset);
    IconImage icon = SoftIcon(c.Size);
    if (c.Bits == 16) {
        icon.Color.SetFormat(PixelFormat::Bits16);
    } else if (c.Bits == 8) {
        icon.Color.SetFormat(PixelFormat::Bits8);
    }
    auto block = EncodeStoredIconBlock(icon, c.Bits, StorageOfPreset(*preset));
    ASSERT_TRUE(block.Ok()) << block.ErrorMessage();
    EXPECT_EQ(IsPngBlock(block->Data), c.Png);
    EXPECT_EQ(block->Entry.BitCount, c.Bits);
    EXPECT_EQ(block->Entry.Width, c.Size & 0xFF);
    if (!c.Png) {
        EXPECT_EQ(*ReadU32(block->Data, 16), c.Compression);
    }

    auto back = DecodeIconImageBlock(block->Data);
    ASSERT_TRUE(back.Ok()) << back.ErrorMessage();
    ASSERT_EQ(back->Width(), c.Size);
    if (c.Bits == 32) {
        // Lossless either way: the pixels and the mask come back.
        EXPECT_EQ(back->Color.Data().size(), icon.Color.Data().size());
        for (int y = 0; y < c.Size; y += 3)
            for (int x = 0; x < c.Size; x += 5) {
                ASSERT_EQ(back->Color.GetPixel(x, y), icon.Color.GetPixel(x, y));
                ASSERT_EQ(back->Color.GetAlpha(x, y), icon.Color.GetAlpha(x, y));
            }
        EXPECT_EQ(back->Mask, icon.Mask);
    } else if (c.Bits == 16) {
        EXPECT_EQ(back->Color.Format(),
                  c.Compression == 0 ? PixelFormat::Bits15 : PixelFormat::Bits16);
        // 5-5-5 keeps the top five bits of each channel of the 5-6-5 picture.
        const Color want = icon.Color.GetPixel(9, 4), got = back->Color.GetPixel(9, 4);
        EXPECT_EQ(RedOf(got) >> 3, RedOf(want) >> 3);
        EXPECT_EQ(GreenOf(got) >> 3, GreenOf(want) >> 3);
        EXPECT_EQ(BlueOf(got) >> 3, BlueOf(want) >> 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetStorage,
    ::testing::Values(PresetCase{"compatible", 256, 32, false, 0},
                      PresetCase{"compatible", 48, 16, false, 0},  // plain 5-5-5
                      PresetCase{"modern", 256, 32, true, 0},
                      PresetCase{"modern", 128, 32, false, 0},
                      PresetCase{"modern", 48, 16, false, 3},  // 5-6-5 bit fields
                      PresetCase{"modern", 256, 8, false, 0},  // never PNG below 32 bits
                      PresetCase{"smallest", 16, 32, false, 0},
                      PresetCase{"smallest", 128, 32, true, 0}));  // smooth: PNG wins

TEST(IconStorage, SmallestTakesTheSmallerFormOfEachImage) {
    // Noise makes PNG lose to the plain rows; a smooth picture makes it win.
    IconImage noisy = SoftIcon(48);
    std::uint32_t seed = 12345;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            for (int c = 0; c < 4; ++c) {
                seed = seed * 1103515245u + 12345u;
                noisy.Color.Row(y)[4 * x + c] = static_cast<std::uint8_t>(seed >> 16);
            }
            noisy.Color.Row(y)[4 * x + 3] |= 1;
            noisy.Mask.Row(y)[x >> 3] = 0;
        }
    for (const IconImage& icon : {noisy, SoftIcon(48)}) {
        auto block = EncodeStoredIconBlock(icon, 32, StorageOfPreset(StoragePreset::Smallest));
        auto dib = EncodeIconBlock(icon, 32);
        auto png = EncodePngIconBlock(icon);
        ASSERT_TRUE(block.Ok() && dib.Ok() && png.Ok());
        EXPECT_EQ(IsPngBlock(block->Data), png->Data.size() < dib->Data.size());
        EXPECT_EQ(block->Data.size(), std::min(png->Data.size(), dib->Data.size()));
    }
}

TEST(IconStorage, RestoringConvertsOnlyWhatConvertsWithoutLoss) {
    const IconStorage modern = StorageOfPreset(StoragePreset::Modern);
    const IconStorage compatible = StorageOfPreset(StoragePreset::Compatible);
    IconImage icon = SoftIcon(256);
    auto dib = EncodeStoredIconBlock(icon, 32, compatible);
    ASSERT_TRUE(dib.Ok());
    dib->HotSpot = CursorHotSpot{3, 4};
    std::uint64_t budget = 10 * 256 * 256;
    auto restore = [&budget](const IconBlock& block, const IconStorage& storage) {
        auto restored = RestoreIconBlock(block, storage, budget);
        EXPECT_TRUE(restored.Ok()) << restored.ErrorMessage();
        return restored ? *restored : IconBlock{};
    };

    // DIB -> PNG under modern, and back under compatible, to the very same bytes.
    IconBlock png = restore(*dib, modern);
    ASSERT_TRUE(IsPngBlock(png.Data));
    EXPECT_EQ(png.HotSpot, dib->HotSpot);
    IconBlock again = restore(png, compatible);
    EXPECT_EQ(again.Data, dib->Data);
    EXPECT_EQ(again.Entry, dib->Entry);

    // A masked pixel that is not black inverts the screen: no PNG can say that.
    IconImage inverting = icon;
    inverting.Color.SetPixel(0, 0, White);
    auto odd = EncodeStoredIconBlock(inverting, 32, compatible);
    ASSERT_TRUE(odd.Ok());
    EXPECT_EQ(restore(*odd, modern).Data, odd->Data);

    // Blocks that are not 32-bit, and blocks that do not decode, pass through.
    IconImage eight = SoftIcon(256);
    eight.Color.SetFormat(PixelFormat::Bits8);
    auto eightBlock = EncodeStoredIconBlock(eight, 8, compatible);
    ASSERT_TRUE(eightBlock.Ok());
    EXPECT_EQ(restore(*eightBlock, modern).Data, eightBlock->Data);
    IconBlock broken = *dib;
    broken.Data.resize(60);
    EXPECT_EQ(restore(broken, modern).Data, broken.Data);

    // Every decode took its pixels from the budget, and a block passed through took none: four
    // decodes of 256 x 256 (the broken block claims that much too). A decode beyond what is
    // left fails and takes nothing; a block that needs none still passes.
    EXPECT_EQ(budget, 6u * 256 * 256);
    budget = 256 * 256 - 1;
    EXPECT_FALSE(RestoreIconBlock(png, compatible, budget).Ok());
    EXPECT_EQ(budget, 256u * 256 - 1);
    EXPECT_TRUE(RestoreIconBlock(*eightBlock, modern, budget).Ok());
}

}  // namespace
}  // namespace gf
