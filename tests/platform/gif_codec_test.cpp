#include "platform/gif_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>

#include "platform/file_io.h"
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
    EXPECT_FALSE(OpenGifFile("/nonexistent/folder/anim.gif"));
}

// The LZW data of `indices` with the given minimum code size, codes least significant bit
// first in sub-blocks; when the table is full the encoder clears it, or with `clearWhenFull`
// false goes on with the full table (the deferred clear readers must accept).
std::vector<std::uint8_t> LzwData(const std::vector<int>& indices, int minSize, bool clearWhenFull) {
    const int clear = 1 << minSize;
    std::map<std::pair<int, int>, int> table;  // (prefix code, pixel) -> code
    int next = 0, bits = 0;
    auto reset = [&] {
        table.clear();
        next = clear + 2;
        bits = minSize + 1;
    };
    std::vector<std::pair<int, int>> codes;  // code, width
    reset();
    codes.push_back({clear, bits});
    int current = -1;
    for (int v : indices) {
        if (current < 0) {
            current = v;
            continue;
        }
        auto found = table.find({current, v});
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        codes.push_back({current, bits});
        if (next < 4096) {
            table[{current, v}] = next++;
            if (next > (1 << bits) && bits < 12)
                ++bits;
        } else if (clearWhenFull) {
            codes.push_back({clear, bits});
            reset();
        }
        current = v;
    }
    codes.push_back({current, bits});
    codes.push_back({clear + 1, bits});
    std::vector<std::uint8_t> packed;
    std::uint32_t acc = 0;
    int n = 0;
    for (auto [code, width] : codes) {
        acc |= static_cast<std::uint32_t>(code) << n;
        n += width;
        for (; n >= 8; n -= 8, acc >>= 8)
            packed.push_back(static_cast<std::uint8_t>(acc));
    }
    if (n > 0)
        packed.push_back(static_cast<std::uint8_t>(acc));
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(minSize)};
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t len = std::min<std::size_t>(255, packed.size() - i);
        out.push_back(static_cast<std::uint8_t>(len));
        out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                   packed.begin() + static_cast<std::ptrdiff_t>(i + len));
    }
    out.push_back(0);
    return out;
}

// The first frame's LZW data replaced.
std::vector<std::uint8_t> WithFirstFrameData(std::vector<std::uint8_t> file,
                                             const std::vector<std::uint8_t>& data) {
    const std::size_t d = FirstImageDescriptor(file);
    std::size_t at = d + 10;
    if (file[d + 9] & 0x80)
        at += 3u * (2u << (file[d + 9] & 7));
    std::size_t end = at + 1;
    while (file[end] != 0)
        end += file[end] + 1u;
    ++end;
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(at),
               file.begin() + static_cast<std::ptrdiff_t>(end));
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), data.begin(), data.end());
    return file;
}

// Noise of 16 colours, so that the LZW table fills (like the GIF test suite's 100 x 100
// pictures), coded with every code size from the smallest up to 11: with the first codes 12
// bits wide the table holds 4,096 codes and fills at once. All give the same picture.
TEST(GifCodec, EveryLzwCodeSizeUpToElevenDecodes) {
    const int side = 100;
    std::vector<int> indices;
    std::uint32_t seed = 1;
    for (int i = 0; i < side * side; ++i) {
        seed = 1103515245u * seed + 12345u;
        indices.push_back(static_cast<int>(seed >> 28));
    }
    GifFileRecipe s;
    s.Width = side;
    s.Height = side;
    for (int i = 0; i < 16; ++i)
        s.GlobalColours.push_back(Rgb(static_cast<std::uint8_t>(i * 16), 80,
                                      static_cast<std::uint8_t>(255 - i * 16)));
    s.Frames = {SolidGifFrame(0, 0, side, side, 0)};
    s.Frames[0].Transparent = 3;
    const auto plain = MakeGifFile(s);
    Bitmap expected(side, side, PixelFormat::Bits32);
    for (int i = 0; i < side * side; ++i) {
        if (indices[static_cast<std::size_t>(i)] == 3)
            continue;
        expected.SetPixel(i % side, i / side, s.GlobalColours[static_cast<std::size_t>(indices[static_cast<std::size_t>(i)])]);
        expected.SetAlpha(i % side, i / side, 255);
    }
    for (int size = 4; size <= 11; ++size) {
        for (bool clearWhenFull : {true, false}) {
            SCOPED_TRACE(testing::Message() << "code size " << size << (clearWhenFull ? ", clears" : ", full table kept"));
            auto a = DecodeGif(WithFirstFrameData(plain, LzwData(indices, size, clearWhenFull)));
            ASSERT_TRUE(a) << a.ErrorMessage();
            EXPECT_TRUE(a->Frames[0] == expected);
        }
    }
    // Twelve leaves no room for a single code: refused, saying why.
    auto bad = WithFirstFrameData(plain, LzwData(indices, 11, true));
    bad[FirstImageDescriptor(bad) + 10] = 12;
    auto refused = DecodeGif(bad);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.ErrorMessage(),
              "The GIF picture is damaged: frame 1 gives an LZW code size of 12; at most 11 is "
              "possible.");
}

// giflib says only that it could not read; the message says what is wrong.
TEST(GifCodec, ReadFailuresSayWhereTheFileEnds) {
    GifFileRecipe s = Screen(4, 4);
    s.Frames = {Frame(0, 0, 4, 4, 1, 1)};
    const auto file = MakeGifFile(s);
    const std::size_t d = FirstImageDescriptor(file);
    auto cut = [&](std::size_t n) {
        auto r = DecodeGif(Bytes(file.data(), n));
        return r ? std::string("(decoded)") : r.ErrorMessage();
    };
    EXPECT_EQ(cut(10), "The GIF picture is damaged: the file ends inside its header.");
    EXPECT_EQ(cut(d - 3),
              "The GIF picture is damaged: an extension block is not terminated: the file ends "
              "inside it.");
    EXPECT_EQ(cut(d + 5),
              "The GIF picture is damaged: the file ends inside the descriptor of frame 1.");
    EXPECT_EQ(cut(d + 12),
              "The GIF picture is damaged: the file ends inside the picture data of frame 1.");
    for (const std::string& m : {cut(10), cut(d - 3), cut(d + 5), cut(d + 12)})
        EXPECT_EQ(m.find("Failed to read"), std::string::npos) << m;
}

std::uint64_t Checksum(const Bitmap& b) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t v : b.Data())
        h = (h ^ v) * 1099511628211ull;
    return h;
}

// A GIF is opened without decoding its frames; they are composed when asked for, in any
// order, from the screens kept within the budget, and come out as decoding them in order does.
TEST(GifFrames, FramesAskedForInAnyOrderMatchTheDecodeInOrder) {
    // A screen of 1 MiB: 64 screens are kept, one every fourth of the 250 frames.
    GifFileRecipe s = Screen(512, 512);
    for (int i = 0; i < 250; ++i) {
        GifFrameRecipe f = Frame((i * 37) % 500, (i * 23) % 500, 5 + i % 7, 4 + i % 3,
                                 static_cast<std::uint8_t>(i % 4), i % 4);
        f.Transparent = i % 5 == 0 ? (i % 4) : -1;
        s.Frames.push_back(f);
    }
    const auto file = MakeGifFile(s);
    std::vector<std::uint64_t> inOrder;
    {
        auto sequential = GifFrames::Open(file);
        ASSERT_TRUE(sequential) << sequential.ErrorMessage();
        for (std::size_t i = 0; i < 250; ++i)
            inOrder.push_back(Checksum(*sequential->Frame(i)));
    }
    auto frames = GifFrames::Open(file);
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->Count(), 250u);
    std::uint32_t seed = 9;
    for (int n = 0; n < 60; ++n) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t i = n < 3 ? 249 - static_cast<std::size_t>(n) : (seed >> 8) % 250;
        auto frame = frames->Frame(i);
        ASSERT_TRUE(frame) << i << ": " << frame.ErrorMessage();
        EXPECT_EQ(Checksum(*frame), inOrder[i]) << "frame " << i;
    }
    // And the disposal methods compose as the whole decode of a short animation shows them.
    auto whole = DecodeGif(MakeGifFile(ThreeFrames()));
    auto lazy = GifFrames::Open(MakeGifFile(ThreeFrames()));
    ASSERT_TRUE(whole && lazy);
    for (std::size_t i : {2u, 0u, 1u})
        EXPECT_TRUE(*lazy->Frame(i) == whole->Frames[i]) << i;
    EXPECT_FALSE(frames->Frame(250));
}

// Every run of disposals, checked against a plain composer written out here: each frame is
// drawn over a copy of the screen, then leaves the screen as it is, clears its area, or puts
// back what it was drawn on. Both the whole decode and frames asked for out of order, on a
// small screen and on one large enough that only some screens are kept.
TEST(GifFrames, EveryRunOfDisposalsMatchesAPlainComposer) {
    for (int side : {7, 512}) {
        GifFileRecipe s = Screen(side, side);
        std::uint32_t seed = 77;
        auto next = [&](int n) {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
        };
        for (int i = 0; i < 48; ++i) {
            const int w = 1 + next(6), h = 1 + next(6);
            GifFrameRecipe f = Frame(next(side - w + 1), next(side - h + 1), w, h, 0, next(4));
            for (std::uint8_t& index : f.Indices)
                index = static_cast<std::uint8_t>(next(4));
            f.Transparent = i % 3 == 0 ? 3 : -1;
            s.Frames.push_back(f);
        }
        std::vector<std::vector<Px>> expected;
        std::vector<Px> screen(static_cast<std::size_t>(side * side), Clear);
        for (const GifFrameRecipe& f : s.Frames) {
            const std::vector<Px> under = screen;
            for (int y = 0; y < f.Height; ++y)
                for (int x = 0; x < f.Width; ++x) {
                    const int index = f.Indices[static_cast<std::size_t>(y * f.Width + x)];
                    if (index != f.Transparent)
                        screen[static_cast<std::size_t>((f.Top + y) * side + f.Left + x)] =
                            Opaque(Global[static_cast<std::size_t>(index)]);
                }
            expected.push_back(screen);
            if (f.Disposal == 2) {
                for (int y = 0; y < f.Height; ++y)
                    for (int x = 0; x < f.Width; ++x)
                        screen[static_cast<std::size_t>((f.Top + y) * side + f.Left + x)] = Clear;
            } else if (f.Disposal == 3) {
                screen = under;
            }
        }
        auto matches = [&](const Bitmap& frame, std::size_t i) {
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    if (!(At(frame, x, y) == expected[i][static_cast<std::size_t>(y * side + x)]))
                        return ::testing::AssertionFailure()
                               << "side " << side << ", frame " << i << " at " << x << "," << y
                               << ": " << At(frame, x, y);
            return ::testing::AssertionSuccess();
        };
        const auto file = MakeGifFile(s);
        const GifAnimation whole = Decode(s);
        ASSERT_EQ(whole.Frames.size(), s.Frames.size());
        for (std::size_t i = 0; i < whole.Frames.size(); ++i)
            EXPECT_TRUE(matches(whole.Frames[i], i));
        auto frames = GifFrames::Open(file);
        ASSERT_TRUE(frames);
        for (std::size_t i : {47u, 3u, 30u, 31u, 0u, 46u, 12u, 13u, 29u}) {
            auto frame = frames->Frame(i);
            ASSERT_TRUE(frame) << frame.ErrorMessage();
            EXPECT_TRUE(matches(*frame, i));
        }
    }
}

// A frame whose data cannot be decoded ends the animation when every frame is decoded; asked
// for directly, it and the frames after it fail.
TEST(GifFrames, DecodingAllEndsTheAnimationBeforeADamagedFrame) {
    GifFileRecipe s = ThreeFrames();
    auto file = MakeGifFile(s);
    // The third frame's data: a code no table holds yet, right after the clear code.
    std::size_t pos = FirstImageDescriptor(file);
    for (int frame = 0; frame < 2; ++frame) {
        pos += 10;
        if (file[pos - 1] & 0x80)
            pos += 3u * (2u << (file[pos - 1] & 7));
        pos += 1;
        while (file[pos] != 0)
            pos += file[pos] + 1u;
        ++pos;
        while (file[pos] == 0x21) {
            pos += 2;
            while (file[pos] != 0)
                pos += file[pos] + 1u;
            ++pos;
        }
    }
    ASSERT_EQ(file[pos], 0x2C);
    std::size_t data = pos + 10;
    if (file[pos + 9] & 0x80)
        data += 3u * (2u << (file[pos + 9] & 7));
    ASSERT_GT(file[data + 1], 1);
    // Three-bit codes: the end code (5) before any pixel.
    file[data + 2] = 0x2D;

    auto frames = GifFrames::Open(file);
    ASSERT_TRUE(frames) << frames.ErrorMessage();
    ASSERT_EQ(frames->Count(), 3u);
    EXPECT_TRUE(frames->Frame(1));
    auto damaged = frames->Frame(2);
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.ErrorMessage().find("frame 3"), std::string::npos) << damaged.ErrorMessage();
    ASSERT_TRUE(frames->DecodeAll());
    EXPECT_EQ(frames->Count(), 2u);
    auto all = DecodeGif(file);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->Frames.size(), 2u);
}

// A whole screen per frame would be 4000 x 256 KiB; opened, decoded and walked through, the
// frames stay within the budget.
TEST(GifFrames, ThousandsOfTinyFramesKeepFewScreens) {
    auto bytes = ReadFileBytes(std::filesystem::path(GF_TEST_DATA_DIR) / "regressions" / "gif" /
                               "4000_frames_1x1_on_256x256.gif");
    ASSERT_TRUE(bytes);
    auto frames = GifFrames::Open(*bytes);
    ASSERT_TRUE(frames) << frames.ErrorMessage();
    ASSERT_EQ(frames->Count(), 4000u);
    ASSERT_TRUE(frames->DecodeAll());
    auto last = frames->Frame(3999);
    ASSERT_TRUE(last);
    // Frame i lights pixel (i mod 256, i div 256): by the last, 4000 pixels are white.
    int lit = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            lit += last->GetAlpha(x, y) == 255;
    EXPECT_EQ(lit, 4000);
    auto early = frames->Frame(300);
    ASSERT_TRUE(early);
    EXPECT_EQ(early->GetAlpha(300 % 256, 1), 255);
    EXPECT_EQ(early->GetAlpha(301 % 256, 1), 0);
    // Held whole the animation is refused, as before.
    EXPECT_FALSE(DecodeGif(*bytes));
}

}  // namespace
}  // namespace gf
