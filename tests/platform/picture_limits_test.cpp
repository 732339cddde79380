// Pictures beyond the largest side are refused in every format with the same words, naming
// their size and the limit, whichever decoder reads them; the files are valid otherwise.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/bmp_codec.h"
#include "platform/gif_codec.h"
#include "platform/jpeg_codec.h"
#include "platform/picture_limits.h"
#include "platform/png_codec.h"
#include "support/picture_builders.h"

namespace gf {
namespace {

std::vector<std::uint8_t> WidePng(int width, int height) {
    test::PngFileRecipe r;
    r.Width = width;
    r.Height = height;
    r.ColorType = 0;  // grey
    r.Samples.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 128);
    return test::MakePngFile(r);
}

std::vector<std::uint8_t> WideJpeg(int width, int height) {
    test::JpegFileRecipe r;
    r.Width = width;
    r.Height = height;
    r.Kind = test::JpegFileKind::Grey;
    r.Samples.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 90);
    return test::MakeJpegFile(r);
}

std::vector<std::uint8_t> WideGif(int width, int height) {
    test::GifFileRecipe r;
    r.Width = width;
    r.Height = height;
    r.GlobalColours = {Black, White};
    r.Frames = {test::SolidGifFrame(0, 0, 1, 1, 1)};
    return test::MakeGifFile(r);
}

// A whole 24-bit BMP file, bottom-up, every pixel grey.
std::vector<std::uint8_t> WideBmp(int width, int height) {
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> f(54 + row * static_cast<std::size_t>(height), 0x80);
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put(2, static_cast<std::uint32_t>(f.size()), 4);
    put(6, 0, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(30, 0, 4);
    put(34, static_cast<std::uint32_t>(row * static_cast<std::size_t>(height)), 4);
    put(38, 0, 4);
    put(42, 0, 4);
    put(46, 0, 4);
    put(50, 0, 4);
    return f;
}

std::string ErrorOf(const auto& result) {
    return result ? std::string("(decoded)") : result.ErrorMessage();
}

struct WideCase {
    const char* Format;
    std::function<std::vector<std::uint8_t>(int, int)> Make;
    // Every reader of the format that sees the size.
    std::vector<std::function<std::string(Bytes)>> Readers;
};

TEST(PictureLimits, EveryFormatNamesTheSizeAndTheLimit) {
    const ShrinkPlan plan{256, 0, false};
    const WideCase cases[] = {
        {"PNG", WidePng,
         {[](Bytes b) { return ErrorOf(DecodePng(b)); },
          [&](Bytes b) { return ErrorOf(DecodePngShrunk(b, plan)); },
          [](Bytes b) { return ErrorOf(ReadPngSize(b)); }}},
        {"JPEG", WideJpeg,
         {[](Bytes b) { return ErrorOf(DecodeJpeg(b)); },
          [&](Bytes b) { return ErrorOf(DecodeJpegShrunk(b, plan)); },
          [](Bytes b) { return ErrorOf(ReadJpegSize(b)); }}},
        {"GIF", WideGif, {[](Bytes b) { return ErrorOf(DecodeGif(b)); }}},
        {"BMP", WideBmp,
         {[](Bytes b) { return ErrorOf(DecodeBmp(b)); },
          [&](Bytes b) { return ErrorOf(DecodeBmpShrunk(b, plan)); },
          [](Bytes b) { return ErrorOf(ReadBmpSize(b)); }}},
    };
    for (const WideCase& c : cases) {
        for (auto [w, h] : {std::pair{40000, 10}, std::pair{10, 33300}}) {
            SCOPED_TRACE(testing::Message() << c.Format << " " << w << " x " << h);
            const auto file = c.Make(w, h);
            const std::string expected =
                std::string("The ") + c.Format + " picture is " + std::to_string(w) + " x " +
                std::to_string(h) +
                " pixels; the largest picture this program reads is 32768 pixels a side.";
            for (const auto& read : c.Readers)
                EXPECT_EQ(read(Bytes(file)), expected);
        }
        // At the limit the same file is read.
        SCOPED_TRACE(c.Format);
        const auto atLimit = c.Make(MaxBitmapSide, 2);
        EXPECT_NE(c.Readers.front()(Bytes(atLimit)).find("(decoded)"), std::string::npos)
            << c.Readers.front()(Bytes(atLimit));
    }
}

}  // namespace
}  // namespace gf
