#include "platform/gif_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/picture_builders.h"

namespace gf {
namespace {

using test::GifFileRecipe;
using test::GifFrameRecipe;
using test::MakeGifFile;
using test::SolidGifFrame;

constexpr Color Red = Rgb(255, 0, 0);
constexpr Color Green = Rgb(0, 255, 0);
constexpr Color Blue = Rgb(0, 0, 255);
constexpr Color Yellow = Rgb(255, 255, 0);
// Global map: 0 red, 1 green, 2 blue, 3 white.
const std::vector<Color> Global = {Red, Green, Blue, White};

struct Px {
    Color C;
    int A;
    friend bool operator==(const Px&, const Px&) = default;
};
std::ostream& operator<<(std::ostream& os, const Px& p) {
    return os << "colour 0x" << std::hex << p.C << std::dec << " alpha " << p.A;
}

Px At(const Bitmap& b, int x, int y) {
    return {b.GetPixel(x, y), b.GetAlpha(x, y)};
}
Px Opaque(Color c) {
    return {c, 255};
}
const Px Clear{Black, 0};

GifFileRecipe Screen(int w, int h) {
    GifFileRecipe s;
    s.Width = w;
    s.Height = h;
    s.GlobalColours = Global;
    return s;
}

GifFrameRecipe Frame(int left, int top, int w, int h, std::uint8_t index, int disposal) {
    GifFrameRecipe f = SolidGifFrame(left, top, w, h, index);
    f.Disposal = disposal;
    return f;
}

GifAnimation Decode(const GifFileRecipe& recipe) {
    auto result = DecodeGif(MakeGifFile(recipe));
    EXPECT_TRUE(result) << result.ErrorMessage();
    if (!result)
        return {};
    return std::move(*result);
}

TEST(GifCodec, SingleFrameWithGlobalColours) {
    GifFileRecipe s = Screen(4, 3);
    GifFrameRecipe f = SolidGifFrame(0, 0, 4, 3, 0);
    f.Indices = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1};
    f.DelayCs = 7;
    s.Frames = {f};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 1u);
    EXPECT_EQ(a.Width, 4);
    EXPECT_EQ(a.Height, 3);
    EXPECT_EQ(a.DelaysMs, std::vector<int>{70});
    const Bitmap& b = a.Frames[0];
    EXPECT_EQ(b.Format(), PixelFormat::Bits32);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 3);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(At(b, i % 4, i / 4), Opaque(Global[f.Indices[static_cast<std::size_t>(i)]])) << i;
}

TEST(GifCodec, TransparentIndexLeavesTheScreenUntouched) {
    GifFileRecipe s = Screen(3, 1);
    GifFrameRecipe first = SolidGifFrame(0, 0, 3, 1, 0);
    first.Indices = {0, 1, 2};
    first.Transparent = 1;
    first.Disposal = 1;
    GifFrameRecipe second = SolidGifFrame(0, 0, 3, 1, 3);
    second.Indices = {3, 3, 2};
    second.Transparent = 3;
    s.Frames = {first, second};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 2u);
    EXPECT_EQ(At(a.Frames[0], 0, 0), Opaque(Red));
    EXPECT_EQ(At(a.Frames[0], 1, 0), Clear);  // nothing drawn there yet
    EXPECT_EQ(At(a.Frames[0], 2, 0), Opaque(Blue));
    EXPECT_EQ(At(a.Frames[1], 0, 0), Opaque(Red));
    EXPECT_EQ(At(a.Frames[1], 1, 0), Clear);
    EXPECT_EQ(At(a.Frames[1], 2, 0), Opaque(Blue));
}

TEST(GifCodec, DisposalNoneKeepsTheFrameUnderTheNext) {
    GifFileRecipe s = Screen(6, 6);
    GifFrameRecipe top = Frame(2, 2, 2, 2, 1, 1);
    top.Indices = {1, 1, 1, 3};
    top.Transparent = 3;
    s.Frames = {Frame(0, 0, 6, 6, 0, 1), top};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 2u);
    EXPECT_EQ(At(a.Frames[1], 0, 0), Opaque(Red));
    EXPECT_EQ(At(a.Frames[1], 2, 2), Opaque(Green));
    EXPECT_EQ(At(a.Frames[1], 3, 3), Opaque(Red));  // transparent pixel of the top frame
    EXPECT_EQ(At(a.Frames[1], 5, 5), Opaque(Red));
    // Earlier frames are snapshots, not changed by later ones.
    EXPECT_EQ(At(a.Frames[0], 2, 2), Opaque(Red));
}

TEST(GifCodec, DisposalBackgroundClearsTheFramesAreaToTransparent) {
    GifFileRecipe s = Screen(6, 6);
    s.Frames = {Frame(0, 0, 6, 6, 0, 1), Frame(2, 2, 2, 2, 2, 2), Frame(0, 0, 1, 1, 1, 1)};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 3u);
    EXPECT_EQ(At(a.Frames[1], 2, 2), Opaque(Blue));
    const Bitmap& third = a.Frames[2];
    EXPECT_EQ(At(third, 0, 0), Opaque(Green));
    EXPECT_EQ(At(third, 2, 2), Clear);
    EXPECT_EQ(At(third, 3, 3), Clear);
    EXPECT_EQ(At(third, 1, 2), Opaque(Red));
    EXPECT_EQ(At(third, 4, 4), Opaque(Red));
}

TEST(GifCodec, DisposalPreviousRestoresWhatWasThere) {
    GifFileRecipe s = Screen(6, 6);
    s.Frames = {Frame(0, 0, 6, 6, 0, 1), Frame(1, 1, 3, 3, 2, 3), Frame(5, 5, 1, 1, 1, 1)};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 3u);
    EXPECT_EQ(At(a.Frames[1], 1, 1), Opaque(Blue));
    EXPECT_EQ(At(a.Frames[2], 1, 1), Opaque(Red));
    EXPECT_EQ(At(a.Frames[2], 3, 3), Opaque(Red));
    EXPECT_EQ(At(a.Frames[2], 5, 5), Opaque(Green));

    // On the first frame "previous" is the empty screen.
    GifFileRecipe first = Screen(4, 4);
    first.Frames = {Frame(0, 0, 2, 2, 2, 3), Frame(3, 3, 1, 1, 1, 1)};
    GifAnimation b = Decode(first);
    ASSERT_EQ(b.Frames.size(), 2u);
    EXPECT_EQ(At(b.Frames[0], 0, 0), Opaque(Blue));
    EXPECT_EQ(At(b.Frames[1], 0, 0), Clear);
    EXPECT_EQ(At(b.Frames[1], 3, 3), Opaque(Green));
}

TEST(GifCodec, LocalColourMapOverridesTheGlobalOne) {
    GifFileRecipe s = Screen(2, 1);
    GifFrameRecipe f = SolidGifFrame(0, 0, 2, 1, 0);
    f.Indices = {0, 1};
    f.LocalColours = {Yellow, Blue};
    GifFrameRecipe g = SolidGifFrame(0, 0, 1, 1, 1);  // back to the global map
    s.Frames = {f, g};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 2u);
    EXPECT_EQ(At(a.Frames[0], 0, 0), Opaque(Yellow));
    EXPECT_EQ(At(a.Frames[0], 1, 0), Opaque(Blue));
    EXPECT_EQ(At(a.Frames[1], 0, 0), Opaque(Green));
}

TEST(GifCodec, NoColourMapAtAllUsesBlackAndWhite) {
    GifFileRecipe s = Screen(2, 1);
    GifFrameRecipe f = SolidGifFrame(0, 0, 2, 1, 0);
    f.Indices = {0, 1};
    s.Frames = {f};
    // giflib will not write such a file; take the global map out afterwards.
    auto file = MakeGifFile(s);
    ASSERT_TRUE(file[10] & 0x80);
    std::size_t tableBytes = 3u * (2u << (file[10] & 7));
    file[10] &= 0x7F;
    file.erase(file.begin() + 13, file.begin() + 13 + static_cast<std::ptrdiff_t>(tableBytes));
    auto a = DecodeGif(file);
    ASSERT_TRUE(a) << a.ErrorMessage();
    ASSERT_EQ(a->Frames.size(), 1u);
    EXPECT_EQ(At(a->Frames[0], 0, 0), Opaque(Black));
    EXPECT_EQ(At(a->Frames[0], 1, 0), Opaque(White));
}

TEST(GifCodec, InterlacedFramesLandOnTheirRows) {
    // 13 rows: every interlace pass has rows, and the last pass ends early.
    GifFrameRecipe f = SolidGifFrame(0, 0, 3, 13, 0);
    for (int r = 0; r < 13; ++r)
        for (int x = 0; x < 3; ++x)
            f.Indices[static_cast<std::size_t>(r * 3 + x)] = static_cast<std::uint8_t>((r + x) % 4);
    GifFileRecipe plain = Screen(3, 13);
    plain.Frames = {f};
    f.Interlaced = true;
    GifFileRecipe interlaced = Screen(3, 13);
    interlaced.Frames = {f};
    GifAnimation a = Decode(plain);
    GifAnimation b = Decode(interlaced);
    ASSERT_EQ(a.Frames.size(), 1u);
    ASSERT_EQ(b.Frames.size(), 1u);
    EXPECT_EQ(a.Frames[0], b.Frames[0]);
    EXPECT_EQ(At(b.Frames[0], 0, 5), Opaque(Global[1]));
}

// Offset of the first image descriptor (its ',' byte).
std::size_t FirstImageDescriptor(const std::vector<std::uint8_t>& file) {
    std::size_t pos = 13;
    if (file[10] & 0x80)
        pos += 3u * (2u << (file[10] & 7));
    while (pos < file.size()) {
        if (file[pos] == 0x2C)
            return pos;
        if (file[pos] != 0x21)
            break;
        pos += 2;
        while (pos < file.size() && file[pos] != 0)
            pos += file[pos] + 1u;
        ++pos;
    }
    ADD_FAILURE() << "no image descriptor";
    return 0;
}

TEST(GifCodec, FramesOutsideTheScreenAreClipped) {
    GifFileRecipe s = Screen(6, 6);
    s.Frames = {Frame(0, 0, 4, 4, 1, 1)};
    auto file = MakeGifFile(s);
    // Move the frame to (4, 3): two columns and three rows hang outside.
    std::size_t d = FirstImageDescriptor(file);
    file[d + 1] = 4;
    file[d + 3] = 3;
    auto a = DecodeGif(file);
    ASSERT_TRUE(a) << a.ErrorMessage();
    const Bitmap& b = a->Frames[0];
    EXPECT_EQ(At(b, 3, 5), Clear);
    EXPECT_EQ(At(b, 4, 3), Opaque(Green));
    EXPECT_EQ(At(b, 5, 5), Opaque(Green));
    EXPECT_EQ(At(b, 5, 2), Clear);

    // Entirely outside: nothing drawn, nothing broken.
    file[d + 1] = 200;
    a = DecodeGif(file);
    ASSERT_TRUE(a) << a.ErrorMessage();
    EXPECT_EQ(At(a->Frames[0], 5, 5), Clear);
}

TEST(GifCodec, ScreenOfNoSizeTakesTheFirstFramesExtent) {
    GifFileRecipe s = Screen(3, 2);
    s.Frames = {Frame(0, 0, 3, 2, 2, 1)};
    auto file = MakeGifFile(s);
    for (int i = 6; i < 10; ++i)
        file[static_cast<std::size_t>(i)] = 0;
    auto a = DecodeGif(file);
    ASSERT_TRUE(a) << a.ErrorMessage();
    EXPECT_EQ(a->Width, 3);
    EXPECT_EQ(a->Height, 2);
    EXPECT_EQ(At(a->Frames[0], 2, 1), Opaque(Blue));
}

TEST(GifCodec, FramesWithoutControlExtensionHaveNoDelayAndNoTransparency) {
    GifFileRecipe s = Screen(2, 1);
    GifFrameRecipe f = SolidGifFrame(0, 0, 2, 1, 0);
    f.WriteControl = false;
    s.Frames = {f, f};
    GifAnimation a = Decode(s);
    ASSERT_EQ(a.Frames.size(), 2u);
    EXPECT_EQ(a.DelaysMs, (std::vector<int>{0, 0}));
    EXPECT_EQ(At(a.Frames[1], 0, 0), Opaque(Red));
}

GifFileRecipe ThreeFrames() {
    GifFileRecipe s = Screen(8, 8);
    GifFrameRecipe f0 = Frame(0, 0, 8, 8, 0, 1);
    for (std::size_t i = 0; i < f0.Indices.size(); ++i)
        f0.Indices[i] = static_cast<std::uint8_t>(i % 3);
    f0.DelayCs = 10;
    GifFrameRecipe f1 = Frame(1, 1, 5, 5, 1, 2);
    f1.Interlaced = true;
    f1.Transparent = 2;
    f1.Indices[3] = 2;
    GifFrameRecipe f2 = Frame(2, 0, 3, 7, 3, 3);
    f2.DelayCs = 25;
    s.Frames = {f0, f1, f2};
    return s;
}

TEST(GifCodec, MissingTrailerStillGivesEveryFrame) {
    GifFileRecipe s = ThreeFrames();
    GifAnimation whole = Decode(s);
    s.Trailer = false;
    GifAnimation cut = Decode(s);
    ASSERT_EQ(cut.Frames.size(), 3u);
    EXPECT_EQ(cut.Frames, whole.Frames);
    EXPECT_EQ(cut.DelaysMs, (std::vector<int>{100, 0, 250}));
}

TEST(GifCodec, EveryTruncationFailsOrGivesCompleteFrames) {
    auto file = MakeGifFile(ThreeFrames());
    auto full = DecodeGif(file);
    ASSERT_TRUE(full);
    ASSERT_EQ(full->Frames.size(), 3u);
    std::size_t firstImage = FirstImageDescriptor(file);
    for (std::size_t n = 0; n < file.size(); ++n) {
        auto part = DecodeGif(Bytes(file.data(), n));
        if (!part) {
            EXPECT_FALSE(part.ErrorMessage().empty());
            continue;
        }
        EXPECT_GT(n, firstImage + 10) << n;
        ASSERT_LE(part->Frames.size(), 3u);
        for (std::size_t i = 0; i < part->Frames.size(); ++i)
            EXPECT_EQ(part->Frames[i], full->Frames[i]) << "length " << n << " frame " << i;
    }
    EXPECT_FALSE(DecodeGif(Bytes(file.data(), firstImage + 12)));
}

TEST(GifCodec, MalformedInputGivesErrors) {
    EXPECT_FALSE(DecodeGif({}));
    const std::uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_FALSE(DecodeGif(Bytes(header, sizeof header)));
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
    EXPECT_FALSE(DecodeGif(Bytes(png, sizeof png)));

    // A screen and a trailer, but no image.
    GifFileRecipe empty = Screen(4, 4);
    auto none = DecodeGif(MakeGifFile(empty));
    ASSERT_FALSE(none);
    EXPECT_NE(none.ErrorMessage().find("no image"), std::string::npos);

    // A stray byte where a record should start, before any frame.
    auto file = MakeGifFile(ThreeFrames());
    file[FirstImageDescriptor(file)] = 0x42;
    EXPECT_FALSE(DecodeGif(file));
}

TEST(GifCodec, OversizedScreensAreRefused) {
    GifFileRecipe s = Screen(4, 4);
    s.Frames = {Frame(0, 0, 1, 1, 0, 1)};
    auto file = MakeGifFile(s);
    auto withScreen = [&](int w, int h) {
        auto f = file;
        f[6] = static_cast<std::uint8_t>(w);
        f[7] = static_cast<std::uint8_t>(w >> 8);
        f[8] = static_cast<std::uint8_t>(h);
        f[9] = static_cast<std::uint8_t>(h >> 8);
        return f;
    };
    EXPECT_FALSE(DecodeGif(withScreen(MaxBitmapSide + 1, 4)));
    auto huge = DecodeGif(withScreen(20000, 20000));
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.ErrorMessage().find("too large"), std::string::npos);
}

TEST(GifCodec, FrameCountIsCapped) {
    GifFileRecipe s = Screen(1, 1);
    GifFrameRecipe tiny = SolidGifFrame(0, 0, 1, 1, 0);
    tiny.WriteControl = false;
    s.Frames.assign(MaxGifFrames, tiny);
    auto atLimit = DecodeGif(MakeGifFile(s));
    ASSERT_TRUE(atLimit) << atLimit.ErrorMessage();
    EXPECT_EQ(atLimit->Frames.size(), MaxGifFrames);

    s.Frames.push_back(tiny);
    auto over = DecodeGif(MakeGifFile(s));
    ASSERT_FALSE(over);
    EXPECT_NE(over.ErrorMessage().find(std::to_string(MaxGifFrames)), std::string::npos);
}

TEST(GifCodec, LoadFileReportsMissingFiles) {
    EXPECT_FALSE(LoadGifFile("/nonexistent/folder/anim.gif"));
}

}  // namespace
}  // namespace gf
