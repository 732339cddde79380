#include "platform/jpeg_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>
#include <string>

#include "support/picture_builders.h"

namespace gf {
namespace {

using test::JpegFileKind;
using test::JpegFileRecipe;
using test::MakeJpegFile;

int Distance(Color a, Color b) {
    return std::max({std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                     std::abs(BlueOf(a) - BlueOf(b))});
}

// Blocks of 8 x 8 pixels, one colour each, so that a high-quality JPEG keeps them nearly exact.
JpegFileRecipe BlockPicture(const std::vector<Color>& colours, int blockRows = 1) {
    JpegFileRecipe s;
    s.Width = 8 * static_cast<int>(colours.size());
    s.Height = 8 * blockRows;
    s.Quality = 100;
    s.FullChroma = true;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) {
            Color c = colours[static_cast<std::size_t>(x / 8)];
            s.Samples.insert(s.Samples.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
        }
    return s;
}

// The colour in the middle of block i.
Color BlockColour(const Bitmap& b, int i) {
    return b.GetPixel(8 * i + 4, 4);
}

const std::vector<Color> SampleColours = {Rgb(255, 0, 0),     Rgb(0, 255, 0), Rgb(0, 0, 255),
                                          Rgb(255, 255, 255), Rgb(0, 0, 0),   Rgb(128, 64, 200),
                                          Rgb(250, 200, 30)};

TEST(JpegCodec, DecodesRgbToTwentyFourBits) {
    auto file = MakeJpegFile(BlockPicture(SampleColours, 2));
    auto decoded = DecodeJpeg(file);
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    EXPECT_EQ(decoded->Format(), PixelFormat::Bits24);
    EXPECT_EQ(decoded->Width(), 56);
    EXPECT_EQ(decoded->Height(), 16);
    for (std::size_t i = 0; i < SampleColours.size(); ++i)
        EXPECT_LE(Distance(BlockColour(*decoded, static_cast<int>(i)), SampleColours[i]), 3)
            << "block " << i;
    // Rows are blue, green, red: pure red has its 255 in the third byte.
    EXPECT_GE(decoded->Row(4)[2], 252);
    EXPECT_LE(decoded->Row(4)[0], 3);
}

TEST(JpegCodec, DecodesGreyscale) {
    JpegFileRecipe s;
    s.Kind = JpegFileKind::Grey;
    s.Width = 16;
    s.Height = 8;
    s.Quality = 100;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            s.Samples.push_back(x < 8 ? 40 : 220);
    auto decoded = DecodeJpeg(MakeJpegFile(s));
    ASSERT_TRUE(decoded) << decoded.ErrorMessage();
    EXPECT_EQ(decoded->Format(), PixelFormat::Bits24);
    EXPECT_LE(Distance(BlockColour(*decoded, 0), Rgb(40, 40, 40)), 2);
    EXPECT_LE(Distance(BlockColour(*decoded, 1), Rgb(220, 220, 220)), 2);
}

// CMYK pictures of the sample colours, stored as Photoshop does with the Adobe marker
// (inverted: 255 = no ink) or plainly without it.
JpegFileRecipe CmykPicture(JpegFileKind kind, bool adobe) {
    JpegFileRecipe s;
    s.Kind = kind;
    s.AdobeMarker = adobe;
    s.Width = 8 * static_cast<int>(SampleColours.size());
    s.Height = 8;
    s.Quality = 100;
    s.FullChroma = true;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < s.Width; ++x) {
            Color c = SampleColours[static_cast<std::size_t>(x / 8)];
            int k = 255 - std::max({RedOf(c), GreenOf(c), BlueOf(c)});
            auto ink = [&](int v) { return k == 255 ? 0 : (255 - v - k) * 255 / (255 - k); };
            std::array<int, 4> inks = {ink(RedOf(c)), ink(GreenOf(c)), ink(BlueOf(c)), k};
            for (int v : inks)
                s.Samples.push_back(static_cast<std::uint8_t>(adobe ? 255 - v : v));
        }
    return s;
}

TEST(JpegCodec, DecodesCmykAndYcckWithAndWithoutAdobeInversion) {
    struct Case {
        JpegFileKind Kind;
        bool Adobe;
    };
    for (Case c : {Case{JpegFileKind::Cmyk, true}, Case{JpegFileKind::Ycck, true},
                   Case{JpegFileKind::Cmyk, false}}) {
        auto decoded = DecodeJpeg(MakeJpegFile(CmykPicture(c.Kind, c.Adobe)));
        ASSERT_TRUE(decoded) << decoded.ErrorMessage();
        EXPECT_EQ(decoded->Format(), PixelFormat::Bits24);
        for (std::size_t i = 0; i < SampleColours.size(); ++i)
            EXPECT_LE(Distance(BlockColour(*decoded, static_cast<int>(i)), SampleColours[i]), 6)
                << "kind " << static_cast<int>(c.Kind) << " adobe " << c.Adobe << " block " << i;
    }
}

JpegFileRecipe Gradient(int width, int height) {
    JpegFileRecipe s;
    s.Width = width;
    s.Height = height;
    s.Quality = 90;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.Samples.insert(s.Samples.end(),
                             {static_cast<std::uint8_t>(x * 255 / (width - 1)),
                              static_cast<std::uint8_t>(y * 255 / (height - 1)),
                              static_cast<std::uint8_t>((x + y) * 127 / (width + height))});
    return s;
}

TEST(JpegCodec, ProgressiveDecodesLikeBaseline) {
    JpegFileRecipe s = Gradient(40, 24);
    auto baseline = DecodeJpeg(MakeJpegFile(s));
    s.Progressive = true;
    auto progressive = DecodeJpeg(MakeJpegFile(s));
    ASSERT_TRUE(baseline);
    ASSERT_TRUE(progressive) << progressive.ErrorMessage();
    EXPECT_EQ(*progressive, *baseline);
}

bool HasMarker(const std::vector<std::uint8_t>& file, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return true;
    return false;
}

Bitmap ColourBlocks24() {
    Bitmap b(8 * static_cast<int>(SampleColours.size()), 8, PixelFormat::Bits24);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, SampleColours[static_cast<std::size_t>(x / 8)]);
    return b;
}

TEST(JpegCodec, EncodesBaselineThatDecodesBack) {
    Bitmap b = ColourBlocks24();
    auto encoded = EncodeJpeg(b, 100);
    ASSERT_TRUE(encoded) << encoded.ErrorMessage();
    EXPECT_TRUE(HasMarker(*encoded, 0xC0));   // baseline frame
    EXPECT_FALSE(HasMarker(*encoded, 0xC2));  // not progressive
    auto decoded = DecodeJpeg(*encoded);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->Width(), b.Width());
    for (std::size_t i = 0; i < SampleColours.size(); ++i)
        // 4:2:0 chroma costs a little at the edges of saturated blocks, but not in the middle.
        EXPECT_LE(Distance(BlockColour(*decoded, static_cast<int>(i)), SampleColours[i]), 24) << i;

    // 32-bit and indexed sources encode the same colours as their 24-bit form.
    Bitmap b32 = b.ConvertedTo(PixelFormat::Bits32);
    EXPECT_EQ(*EncodeJpeg(b32, 100), *encoded);
    std::vector<Color> palette = SampleColours;
    Bitmap b8 = b.ConvertedTo(PixelFormat::Bits8, &palette);
    EXPECT_EQ(*EncodeJpeg(b8, 100), *encoded);
    // Lower quality, smaller file.
    EXPECT_LT(EncodeJpeg(b, 30)->size(), encoded->size());
}

TEST(JpegCodec, EncodeRefusesBadArguments) {
    EXPECT_FALSE(EncodeJpeg(Bitmap(), 90));
    EXPECT_FALSE(EncodeJpeg(ColourBlocks24(), 0));
    EXPECT_FALSE(EncodeJpeg(ColourBlocks24(), 101));
}

TEST(JpegCodec, MalformedInputGivesErrors) {
    EXPECT_FALSE(DecodeJpeg({}));
    const std::uint8_t text[] = "not a jpeg at all, just words";
    EXPECT_FALSE(DecodeJpeg(Bytes(text, sizeof text)));
    const std::uint8_t soiOnly[] = {0xFF, 0xD8};
    EXPECT_FALSE(DecodeJpeg(Bytes(soiOnly, 2)));

    auto file = MakeJpegFile(Gradient(32, 32));
    auto cut = DecodeJpeg(Bytes(file.data(), file.size() / 2));
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.ErrorMessage().find("JPEG"), std::string::npos);
    EXPECT_FALSE(DecodeJpeg(Bytes(file.data(), 30)));
}

TEST(JpegCodec, EveryTruncationFailsOrGivesTheWholePicture) {
    for (bool progressive : {false, true}) {
        JpegFileRecipe s = Gradient(24, 16);
        s.Progressive = progressive;
        auto file = MakeJpegFile(s);
        auto full = DecodeJpeg(file);
        ASSERT_TRUE(full);
        int accepted = 0;
        for (std::size_t n = 0; n < file.size(); ++n) {
            auto part = DecodeJpeg(Bytes(file.data(), n));
            if (part) {
                ++accepted;
                EXPECT_EQ(*part, *full) << "progressive " << progressive << " length " << n;
            }
        }
        // At most the end marker and the last data byte's padding can go missing.
        EXPECT_LE(accepted, 3) << progressive;
        for (auto quantized : {DecodeJpegQuantized(Bytes(file.data(), file.size() - 40), 236, true),
                               DecodeJpegQuantized(Bytes(file.data(), 100), 236, true)})
            EXPECT_FALSE(quantized);
    }
}

// Replaces the frame's height and width (in the SOF0 segment) with other values.
std::vector<std::uint8_t> WithClaimedSize(std::vector<std::uint8_t> file, int width, int height) {
    for (std::size_t i = 0; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = static_cast<std::uint8_t>(height >> 8);
            file[i + 6] = static_cast<std::uint8_t>(height);
            file[i + 7] = static_cast<std::uint8_t>(width >> 8);
            file[i + 8] = static_cast<std::uint8_t>(width);
            return file;
        }
    ADD_FAILURE() << "no SOF0";
    return file;
}

TEST(JpegCodec, OversizedHeadersAreRefusedBeforeAllocating) {
    auto file = MakeJpegFile(Gradient(16, 16));
    EXPECT_FALSE(DecodeJpeg(WithClaimedSize(file, 40000, 16)));
    auto huge = DecodeJpeg(WithClaimedSize(file, 30000, 30000));
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.ErrorMessage().find("too large"), std::string::npos);
    EXPECT_FALSE(DecodeJpegQuantized(WithClaimedSize(file, 30000, 30000), 236, true));
}

// A frame of three 1x1-sampled components with trivial tables, then `scans` scan headers each
// followed by `data` (progressive: first DC scans; baseline: full scans).
std::vector<std::uint8_t> HandMadeJpeg(int width, int height, bool progressive, int scans,
                                       const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> f = {0xFF, 0xD8};
    auto segment = [&](std::uint8_t marker, std::vector<std::uint8_t> payload) {
        const std::size_t length = payload.size() + 2;
        f.insert(f.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
        f.insert(f.end(), payload.begin(), payload.end());
    };
    std::vector<std::uint8_t> dqt(65, 1);
    dqt[0] = 0;
    segment(0xDB, dqt);
    segment(progressive ? 0xC2 : 0xC0,
            {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
             static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 3, 1, 0x11,
             0, 2, 0x11, 0, 3, 0x11, 0});
    for (std::uint8_t tableClass : {0x00, 0x10}) {
        // One code of one bit, for symbol 0 (a DC difference of 0, or the end of a block).
        std::vector<std::uint8_t> dht(18, 0);
        dht[0] = tableClass;
        dht[1] = 1;
        segment(0xC4, dht);
    }
    for (int i = 0; i < scans; ++i) {
        segment(0xDA, {3, 1, 0, 2, 0, 3, 0, 0, static_cast<std::uint8_t>(progressive ? 0 : 63), 0});
        f.insert(f.end(), data.begin(), data.end());
    }
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

TEST(JpegCodec, ScansWithoutDataAndEndlessScanWorkAreRefused) {
    struct Case {
        const char* Name;
        std::vector<std::uint8_t> File;
        const char* Why;  // empty: decodes
    };
    const std::vector<Case> cases = {
        {"baseline, one scan, no data", HandMadeJpeg(64, 64, false, 1, {}), "no picture data"},
        {"baseline, one scan, fill bytes only", HandMadeJpeg(64, 64, false, 1, {0xFF, 0xFF}),
         "no picture data"},
        {"baseline, one scan with data", HandMadeJpeg(16, 16, false, 1, {0, 0, 0, 0}), ""},
        {"progressive, 998 empty scans", HandMadeJpeg(4096, 4096, true, 998, {}),
         "no picture data"},
        {"progressive, 998 scans over 2048 x 2048", HandMadeJpeg(2048, 2048, true, 998, {0}),
         "too long"},
        {"progressive, 1001 scans over 8 x 8", HandMadeJpeg(8, 8, true, 1001, {0}), "too many"},
        {"progressive, 40 scans over 64 x 64", HandMadeJpeg(64, 64, true, 40, {0}), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto decoded = DecodeJpeg(c.File);
        if (*c.Why == '\0') {
            EXPECT_TRUE(decoded) << decoded.ErrorMessage();
            continue;
        }
        ASSERT_FALSE(decoded);
        EXPECT_NE(decoded.ErrorMessage().find(c.Why), std::string::npos) << decoded.ErrorMessage();
        // The quantiser reads through the same checks (the long case would only cost time).
        if (c.File.size() < 2000) {
            EXPECT_FALSE(DecodeJpegQuantized(c.File, 236, true));
        }
    }
}

TEST(JpegCodec, LoadFileReportsMissingFiles) {
    EXPECT_FALSE(LoadJpegFile("/nonexistent/folder/picture.jpg"));
}

// ---- the two-pass quantiser ----

// Two colours in 8 x 8 blocks; their values lie in the middle of the quantiser's histogram
// cells, so small coding errors do not split them.
const Color QuantA = Rgb(204, 38, 36);
const Color QuantB = Rgb(36, 142, 212);

std::vector<std::uint8_t> TwoColourJpeg() {
    return MakeJpegFile(BlockPicture({QuantA, QuantB, QuantB, QuantA}, 2));
}

TEST(JpegQuantizer, TwoColoursGiveAtMostTwoCloseEntries) {
    for (bool dither : {true, false}) {
        auto q = DecodeJpegQuantized(TwoColourJpeg(), 236, dither);
        ASSERT_TRUE(q) << q.ErrorMessage();
        EXPECT_EQ(q->Format(), PixelFormat::Bits8);
        EXPECT_EQ(q->Width(), 32);
        EXPECT_EQ(q->Height(), 16);
        const auto& palette = q->Palette();
        ASSERT_GE(palette.size(), 1u);
        ASSERT_LE(palette.size(), 2u);
        for (Color c : palette)
            EXPECT_LE(std::min(Distance(c, QuantA), Distance(c, QuantB)), 8);
        for (int y = 0; y < q->Height(); ++y)
            for (int x = 0; x < q->Width(); ++x) {
                int index = q->Row(y)[x];
                ASSERT_LT(static_cast<std::size_t>(index), palette.size());
                Color want = ((x / 8) % 3 == 0) ? QuantA : QuantB;
                ASSERT_LE(Distance(palette[static_cast<std::size_t>(index)], want), 8)
                    << x << "," << y;
            }
    }
}

TEST(JpegQuantizer, GradientStaysWithinTheAskedColoursAndNearTheOriginal) {
    auto file = MakeJpegFile(Gradient(64, 64));
    auto plain = DecodeJpeg(file);
    ASSERT_TRUE(plain);
    for (int colours : {236, 16, 8}) {
        auto q = DecodeJpegQuantized(file, colours, true);
        ASSERT_TRUE(q) << q.ErrorMessage();
        EXPECT_LE(q->Palette().size(), static_cast<std::size_t>(colours));
        EXPECT_GE(q->Palette().size(), static_cast<std::size_t>(std::min(colours, 64)));
        long long error = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                ASSERT_LT(q->Row(y)[x], q->Palette().size());
                error += Distance(q->GetPixel(x, y), plain->GetPixel(x, y));
            }
        double mean = static_cast<double>(error) / (64 * 64);
        EXPECT_LT(mean, colours >= 236 ? 10.0 : 40.0) << colours;
    }
}

TEST(JpegQuantizer, BelowEightColoursKeepsTheMostUsed) {
    auto file = MakeJpegFile(BlockPicture(
        {QuantA, QuantA, QuantA, QuantB, QuantB, Rgb(250, 250, 250), Rgb(4, 4, 4)}, 1));
    auto q = DecodeJpegQuantized(file, 2, false);
    ASSERT_TRUE(q) << q.ErrorMessage();
    ASSERT_EQ(q->Palette().size(), 2u);
    std::set<int> near;
    for (Color c : q->Palette())
        near.insert(Distance(c, QuantA) <= 8 ? 0 : Distance(c, QuantB) <= 8 ? 1 : 2);
    EXPECT_EQ(near, (std::set<int>{0, 1}));
}

TEST(JpegQuantizer, GreyPicturesUseTheAdaptiveQuantiser) {
    JpegFileRecipe s;
    s.Kind = JpegFileKind::Grey;
    s.Width = 16;
    s.Height = 8;
    s.Quality = 100;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            s.Samples.push_back(x < 8 ? 76 : 180);
    auto q = DecodeJpegQuantized(MakeJpegFile(s), 236, true);
    ASSERT_TRUE(q) << q.ErrorMessage();
    // A fixed colour cube would not hold these two levels this closely.
    ASSERT_LE(q->Palette().size(), 2u);
    for (Color c : q->Palette()) {
        // Grey, up to the quantiser's 5-6-5 bit cells.
        EXPECT_LE(Distance(c, Rgb(GreenOf(c), GreenOf(c), GreenOf(c))), 4);
        EXPECT_LE(std::min(std::abs(RedOf(c) - 76), std::abs(RedOf(c) - 180)), 4);
    }
}

TEST(JpegQuantizer, CmykPicturesAreQuantisedInRgb) {
    auto q = DecodeJpegQuantized(MakeJpegFile(CmykPicture(JpegFileKind::Cmyk, true)), 236, false);
    ASSERT_TRUE(q) << q.ErrorMessage();
    for (std::size_t i = 0; i < SampleColours.size(); ++i)
        EXPECT_LE(Distance(q->GetPixel(8 * static_cast<int>(i) + 4, 4), SampleColours[i]), 16) << i;
}

TEST(JpegQuantizer, RefusesColourCountsOutsideTheRange) {
    auto file = TwoColourJpeg();
    EXPECT_FALSE(DecodeJpegQuantized(file, 1, true));
    EXPECT_FALSE(DecodeJpegQuantized(file, 257, true));
    EXPECT_TRUE(DecodeJpegQuantized(file, 256, true));
    EXPECT_FALSE(DecodeJpegQuantized({}, 236, true));
}

}  // namespace
}  // namespace gf
