#include "platform/png_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "platform/file_io.h"
#include "support/picture_builders.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

using Bgra = std::array<std::uint8_t, 4>;

Bgra PixelAt(const Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.Row(y) + static_cast<std::size_t>(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// A picture's samples at some colour type and depth, and the 8-bit blue, green, red, alpha
// the decoder must make of them.
struct PngCase {
    const char* Name;
    int ColorType;
    int BitDepth;
    bool Interlaced = false;
    bool Transparency = false;  // tRNS chunk
};

std::string CaseName(const testing::TestParamInfo<PngCase>& info) {
    return info.param.Name;
}

// A sample at `depth` that the decoder turns back into the 8-bit level g.
std::uint16_t SampleFor(int g, int depth) {
    if (depth == 16)
        return static_cast<std::uint16_t>(g * 257 + g % 3);
    return static_cast<std::uint16_t>(g);
}

struct Built {
    test::PngFileRecipe Recipe;
    std::vector<Bgra> Expected;
};

Built BuildCase(const PngCase& c, int width, int height) {
    Built built;
    test::PngFileRecipe& s = built.Recipe;
    s.Width = width;
    s.Height = height;
    s.ColorType = c.ColorType;
    s.BitDepth = c.BitDepth;
    s.Interlaced = c.Interlaced;
    const int levels = 1 << std::min(c.BitDepth, 8);
    if (c.ColorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < levels; ++i)
            s.Palette.push_back(Rgb(static_cast<std::uint8_t>(i * 37 + 5),
                                    static_cast<std::uint8_t>(i * 91 + 1),
                                    static_cast<std::uint8_t>(255 - i * 13)));
        if (c.Transparency)  // shorter than the palette: later entries stay opaque
            for (int i = 0; i < (levels + 1) / 2; ++i)
                s.PaletteAlpha.push_back(static_cast<std::uint8_t>(i * 50));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int a = (x * 31 + y * 17) % 256;
            if (c.ColorType == PNG_COLOR_TYPE_PALETTE) {
                int index = (x + 3 * y) % levels;
                s.Samples.push_back(static_cast<std::uint16_t>(index));
                Color col = s.Palette[static_cast<std::size_t>(index)];
                std::uint8_t alpha = static_cast<std::size_t>(index) < s.PaletteAlpha.size()
                                         ? s.PaletteAlpha[static_cast<std::size_t>(index)]
                                         : 255;
                built.Expected.push_back({BlueOf(col), GreenOf(col), RedOf(col), alpha});
                continue;
            }
            bool colour = (c.ColorType & PNG_COLOR_MASK_COLOR) != 0;
            bool hasAlpha = (c.ColorType & PNG_COLOR_MASK_ALPHA) != 0;
            int r, g, b;
            if (colour) {
                r = (x * 19) % 256;
                g = (y * 23) % 256;
                b = (x * y) % 256;
                s.Samples.push_back(SampleFor(r, c.BitDepth));
                s.Samples.push_back(SampleFor(g, c.BitDepth));
                s.Samples.push_back(SampleFor(b, c.BitDepth));
            } else if (c.BitDepth < 8) {
                int level = (x * 7 + y * 3) % levels;
                r = g = b = level * 255 / (levels - 1);
                s.Samples.push_back(static_cast<std::uint16_t>(level));
            } else {
                r = g = b = (x * 7 + y * 3) % 256;
                s.Samples.push_back(SampleFor(g, c.BitDepth));
            }
            std::uint8_t alpha = 255;
            if (hasAlpha) {
                s.Samples.push_back(SampleFor(a, c.BitDepth));
                alpha = static_cast<std::uint8_t>(a);
            }
            built.Expected.push_back({static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                      static_cast<std::uint8_t>(r), alpha});
        }
    }
    if (c.Transparency && c.ColorType != PNG_COLOR_TYPE_PALETTE) {
        // The colour of pixel (1, 1) becomes transparent wherever it occurs.
        const int channels = (c.ColorType & PNG_COLOR_MASK_COLOR) ? 3 : 1;
        std::size_t at = static_cast<std::size_t>(width + 1) * channels;
        std::array<std::uint16_t, 3> key{s.Samples[at], 0, 0};
        if (channels == 3)
            key = {s.Samples[at], s.Samples[at + 1], s.Samples[at + 2]};
        s.TransparentKey = key;
        for (std::size_t i = 0; i < built.Expected.size(); ++i) {
            bool match = true;
            for (int ch = 0; ch < channels; ++ch)
                match = match && s.Samples[i * channels + ch] == key[static_cast<std::size_t>(ch)];
            built.Expected[i][3] = match ? 0 : 255;
        }
    }
    return built;
}

class PngColourTypes : public testing::TestWithParam<PngCase> {};

TEST_P(PngColourTypes, DecodeToBlueGreenRedAlpha) {
    const PngCase& c = GetParam();
    const int width = 13, height = 11;  // odd sizes: partial bytes and uneven interlace passes
    Built built = BuildCase(c, width, height);
    auto file = test::MakePngFile(built.Recipe);
    auto decoded = DecodePng(file);
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    const Bitmap& b = decoded->Pixels;
    ASSERT_EQ(b.Format(), PixelFormat::Bits32);
    ASSERT_EQ(b.Width(), width);
    ASSERT_EQ(b.Height(), height);
    bool expectAlpha = (c.ColorType & PNG_COLOR_MASK_ALPHA) != 0 || c.Transparency;
    EXPECT_EQ(decoded->HasAlpha, expectAlpha);
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (PixelAt(b, x, y) != built.Expected[static_cast<std::size_t>(y * width + x)] &&
                ++mismatches <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y;
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, PngColourTypes,
    testing::Values(
        PngCase{"Grey1", PNG_COLOR_TYPE_GRAY, 1}, PngCase{"Grey2", PNG_COLOR_TYPE_GRAY, 2},
        PngCase{"Grey4", PNG_COLOR_TYPE_GRAY, 4}, PngCase{"Grey8", PNG_COLOR_TYPE_GRAY, 8},
        PngCase{"Grey16", PNG_COLOR_TYPE_GRAY, 16},
        PngCase{"Grey8Key", PNG_COLOR_TYPE_GRAY, 8, false, true},
        PngCase{"Grey2Key", PNG_COLOR_TYPE_GRAY, 2, false, true},
        PngCase{"Grey16Key", PNG_COLOR_TYPE_GRAY, 16, false, true},
        PngCase{"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        PngCase{"GreyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        PngCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8}, PngCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16},
        PngCase{"Rgb8Key", PNG_COLOR_TYPE_RGB, 8, false, true},
        PngCase{"Rgb16Key", PNG_COLOR_TYPE_RGB, 16, false, true},
        PngCase{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        PngCase{"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        PngCase{"Palette1", PNG_COLOR_TYPE_PALETTE, 1},
        PngCase{"Palette2", PNG_COLOR_TYPE_PALETTE, 2},
        PngCase{"Palette4", PNG_COLOR_TYPE_PALETTE, 4},
        PngCase{"Palette8", PNG_COLOR_TYPE_PALETTE, 8},
        PngCase{"Palette4Trns", PNG_COLOR_TYPE_PALETTE, 4, false, true},
        PngCase{"Palette8Trns", PNG_COLOR_TYPE_PALETTE, 8, false, true},
        PngCase{"InterlacedGrey1", PNG_COLOR_TYPE_GRAY, 1, true},
        PngCase{"InterlacedRgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
        PngCase{"InterlacedRgb16", PNG_COLOR_TYPE_RGB, 16, true},
        PngCase{"InterlacedPalette4Trns", PNG_COLOR_TYPE_PALETTE, 4, true, true}),
    CaseName);

Bitmap NoisyPicture(int width, int height, unsigned seed) {
    Bitmap b(width, height, PixelFormat::Bits32);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 4; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

TEST(PngCodec, RoundTripKeepsEveryByteIncludingAlpha) {
    Bitmap original = NoisyPicture(37, 23, 7);
    auto encoded = EncodePngRgba(original);
    ASSERT_TRUE(encoded) << encoded.ErrorMessage();
    ASSERT_TRUE(HasPngSignature(*encoded));
    auto decoded = DecodePng(*encoded);
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    EXPECT_TRUE(decoded->HasAlpha);
    ASSERT_EQ(decoded->Pixels.Width(), 37);
    ASSERT_EQ(decoded->Pixels.Height(), 23);
    for (int y = 0; y < 23; ++y)
        ASSERT_EQ(std::memcmp(decoded->Pixels.Row(y), original.Row(y), 37 * 4), 0) << "row " << y;
}

TEST(PngCodec, EncodedFileIsEightBitRgbaForOtherReaders) {
    Bitmap b(2, 1, PixelFormat::Bits32);
    const std::uint8_t px[8] = {1, 2, 3, 4, 50, 60, 70, 0};
    std::memcpy(b.Row(0), px, 8);
    auto encoded = EncodePngRgba(b);
    ASSERT_TRUE(encoded);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, encoded->data(), encoded->size()));
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, PNG_FORMAT_FLAG_ALPHA);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_COLOR, PNG_FORMAT_FLAG_COLOR);
    image.format = PNG_FORMAT_RGBA;
    std::uint8_t rgba[8] = {};
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba, 0, nullptr));
    const std::uint8_t expected[8] = {3, 2, 1, 4, 70, 60, 50, 0};
    EXPECT_EQ(std::memcmp(rgba, expected, 8), 0);
    // The source bitmap is only read.
    EXPECT_EQ(std::memcmp(b.Row(0), px, 8), 0);
}

TEST(PngCodec, EncodeRefusesOtherFormatsAndEmptyPictures) {
    EXPECT_FALSE(EncodePngRgba(Bitmap(4, 4, PixelFormat::Bits24)));
    EXPECT_FALSE(EncodePngRgba(Bitmap(4, 4, PixelFormat::Bits8)));
    EXPECT_FALSE(EncodePngRgba(Bitmap()));
}

TEST(PngCodec, PictureWithoutAlphaIsOpaqueAndSaysSo) {
    test::PngFileRecipe s;
    s.Width = 3;
    s.Height = 2;
    s.ColorType = PNG_COLOR_TYPE_RGB;
    s.Samples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    auto decoded = DecodePng(test::MakePngFile(s));
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    EXPECT_FALSE(decoded->HasAlpha);
    EXPECT_EQ(PixelAt(decoded->Pixels, 0, 0), (Bgra{30, 20, 10, 255}));
    EXPECT_EQ(PixelAt(decoded->Pixels, 2, 1), (Bgra{9, 8, 7, 255}));
}

TEST(PngCodec, GammaChunkDoesNotChangeSamples) {
    test::PngFileRecipe s;
    s.Width = 2;
    s.Height = 1;
    s.ColorType = PNG_COLOR_TYPE_GRAY;
    s.Samples = {64, 200};
    s.FileGamma = 1.0;
    auto decoded = DecodePng(test::MakePngFile(s));
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    EXPECT_EQ(PixelAt(decoded->Pixels, 0, 0), (Bgra{64, 64, 64, 255}));
    EXPECT_EQ(PixelAt(decoded->Pixels, 1, 0), (Bgra{200, 200, 200, 255}));
}

// Finds a chunk of the given type; returns the offset of its length field.
std::size_t FindChunk(const std::vector<std::uint8_t>& file, const char* type) {
    std::size_t pos = 8;
    while (pos + 8 <= file.size()) {
        std::uint32_t length = (std::uint32_t{file[pos]} << 24) | (file[pos + 1] << 16) |
                               (file[pos + 2] << 8) | file[pos + 3];
        if (std::memcmp(&file[pos + 4], type, 4) == 0)
            return pos;
        pos += 12 + length;
    }
    return std::string::npos;
}

void PutBigEndian(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Rewrites the IHDR size and fixes its CRC, so that only the size is wrong.
std::vector<std::uint8_t> WithClaimedSize(std::vector<std::uint8_t> file, std::uint32_t width,
                                          std::uint32_t height) {
    std::size_t ihdr = FindChunk(file, "IHDR");
    PutBigEndian(file, ihdr + 8, width);
    PutBigEndian(file, ihdr + 12, height);
    uLong crc = crc32(0, &file[ihdr + 4], 4 + 13);
    PutBigEndian(file, ihdr + 8 + 13, static_cast<std::uint32_t>(crc));
    return file;
}

TEST(PngCodec, MalformedInputGivesErrors) {
    EXPECT_FALSE(DecodePng({}));
    EXPECT_FALSE(DecodePng(Bytes(PngSignature, 8)));
    const std::uint8_t text[] = "hello, this is not a picture at all";
    EXPECT_FALSE(DecodePng(Bytes(text, sizeof text)));

    auto good = *EncodePngRgba(NoisyPicture(16, 16, 3));
    // A damaged byte inside the image data breaks its CRC.
    auto damaged = good;
    std::size_t idat = FindChunk(damaged, "IDAT");
    ASSERT_NE(idat, std::string::npos);
    damaged[idat + 8 + 5] ^= 0x55;
    auto result = DecodePng(damaged);
    ASSERT_FALSE(result);
    EXPECT_NE(result.ErrorMessage().find("PNG"), std::string::npos);
}

TEST(PngCodec, EveryTruncationFailsOrGivesTheWholePicture) {
    test::PngFileRecipe s = BuildCase({"", PNG_COLOR_TYPE_RGB_ALPHA, 8, true}, 9, 9).Recipe;
    auto file = test::MakePngFile(s);
    auto full = DecodePng(file);
    ASSERT_TRUE(full);
    std::size_t idat = FindChunk(file, "IDAT");
    for (std::size_t n = 0; n < file.size(); ++n) {
        auto part = DecodePng(Bytes(file.data(), n));
        if (part) {
            // Only the chunks after the pixels may be missing.
            EXPECT_GT(n, idat + 8) << n;
            EXPECT_EQ(part->Pixels, full->Pixels) << n;
        } else {
            EXPECT_FALSE(part.ErrorMessage().empty());
        }
    }
    EXPECT_FALSE(DecodePng(Bytes(file.data(), idat + 8 + 10)));
}

// The file with a chunk inserted after IHDR; its length field says `claimed` (the data's own
// length unless given) and its CRC matches the data.
std::vector<std::uint8_t> WithChunkAfterHeader(std::vector<std::uint8_t> file, const char* type,
                                               const std::vector<std::uint8_t>& data,
                                               std::optional<std::uint32_t> claimed = {}) {
    std::vector<std::uint8_t> chunk(12 + data.size());
    PutBigEndian(chunk, 0, claimed.value_or(static_cast<std::uint32_t>(data.size())));
    std::memcpy(&chunk[4], type, 4);
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    PutBigEndian(chunk, 8 + data.size(),
                 static_cast<std::uint32_t>(crc32(0, &chunk[4], 4 + data.size())));
    const std::size_t after = FindChunk(file, "IHDR") + 12 + 13;
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(after), chunk.begin(), chunk.end());
    return file;
}

TEST(PngCodec, AncillaryChunksAreSkippedUnreadButTransparencyIsKept) {
    test::PngFileRecipe s;
    s.Width = 2;
    s.Height = 1;
    s.ColorType = PNG_COLOR_TYPE_PALETTE;
    s.Samples = {0, 1};
    s.Palette = {Rgb(10, 20, 30), Rgb(40, 50, 60)};
    s.PaletteAlpha = {0};
    const auto plain = test::MakePngFile(s);
    const std::vector<std::uint8_t> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'};
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "prVt"}) {
        SCOPED_TRACE(type);
        // A well-formed chunk changes nothing; even a malformed one is never looked at.
        for (const auto& file : {WithChunkAfterHeader(plain, type, text),
                                 WithChunkAfterHeader(plain, type, {0xFF, 0, 0xFF})}) {
            auto decoded = DecodePng(file);
            ASSERT_TRUE(decoded) << decoded.ErrorMessage();
            EXPECT_TRUE(decoded->HasAlpha);
            EXPECT_EQ(PixelAt(decoded->Pixels, 0, 0), (Bgra{30, 20, 10, 0}));
            EXPECT_EQ(PixelAt(decoded->Pixels, 1, 0), (Bgra{60, 50, 40, 255}));
        }
        // A chunk that claims 2 GiB in a file of a few dozen bytes is skipped, not allocated,
        // until the file ends.
        auto bomb = DecodePng(WithChunkAfterHeader(plain, type, text, 0x7FFFFFFF));
        ASSERT_FALSE(bomb);
        EXPECT_NE(bomb.ErrorMessage().find("ends too early"), std::string::npos)
            << bomb.ErrorMessage();
    }
}

TEST(PngCodec, OversizedHeadersAreRefusedBeforeAllocating) {
    auto small = *EncodePngRgba(NoisyPicture(4, 4, 1));
    // Beyond the largest side.
    EXPECT_FALSE(DecodePng(WithClaimedSize(small, MaxBitmapSide + 1, 4)));
    EXPECT_FALSE(DecodePng(WithClaimedSize(small, 4, 0x7FFFFFFF)));
    // Each side allowed, but the whole far more than any picture we handle.
    auto huge = DecodePng(WithClaimedSize(small, 30000, 30000));
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.ErrorMessage().find("too large"), std::string::npos);
    // Zero is not a size.
    EXPECT_FALSE(DecodePng(WithClaimedSize(small, 0, 4)));
}

TEST(PngCodec, SaveAndLoadFiles) {
    test::TempFolder folder;
    Bitmap original = NoisyPicture(5, 7, 11);
    auto path = folder / "picture.png";
    ASSERT_TRUE(SavePngFile(original, path));
    auto loaded = LoadPngFile(path);
    ASSERT_TRUE(loaded) << loaded.ErrorMessage();
    EXPECT_EQ(loaded->Pixels, original);

    // A failed save leaves the old file as it was and no temporary file beside it.
    EXPECT_FALSE(SavePngFile(Bitmap(3, 3, PixelFormat::Bits24), path));
    auto again = LoadPngFile(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Pixels, original);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);

    EXPECT_FALSE(SavePngFile(original, folder / "missing" / "x.png"));
    EXPECT_FALSE(LoadPngFile(folder / "nothing.png"));
}

}  // namespace
}  // namespace gf
