// Real-world PNG, GIF and JPEG files, when the corpus folder is at hand (GF_CORPUS).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/gif_codec.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

// The files of one corpus folder, or none (with the reason in `skip`).
std::vector<fs::path> CorpusFiles(const char* folder, std::string& skip) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus) {
        skip = "GF_CORPUS is not set; real-world files are not checked";
        return {};
    }
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(corpus) / folder, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (files.empty())
        skip = std::string("no files in the corpus folder ") + folder;
    return files;
}

TEST(PictureCorpus, EveryPngDecodesAndRoundTrips) {
    std::string skip;
    auto files = CorpusFiles("png", skip);
    if (files.empty())
        GTEST_SKIP() << skip;
    for (const auto& file : files) {
        SCOPED_TRACE(PathText(file));
        auto png = LoadPngFile(file);
        ASSERT_TRUE(png) << png.ErrorMessage();
        EXPECT_FALSE(png->Pixels.Empty());
        auto encoded = EncodePngRgba(png->Pixels);
        ASSERT_TRUE(encoded) << encoded.ErrorMessage();
        auto again = DecodePng(*encoded);
        ASSERT_TRUE(again) << again.ErrorMessage();
        EXPECT_EQ(again->Pixels, png->Pixels);
    }
}

TEST(PictureCorpus, EveryGifDecodes) {
    std::string skip;
    auto files = CorpusFiles("gif", skip);
    if (files.empty())
        GTEST_SKIP() << skip;
    for (const auto& file : files) {
        SCOPED_TRACE(PathText(file));
        auto bytes = ReadFileBytes(file);
        ASSERT_TRUE(bytes);
        auto gif = DecodeGif(*bytes);
        ASSERT_TRUE(gif) << gif.ErrorMessage();
        ASSERT_FALSE(gif->Frames.empty());
        EXPECT_EQ(gif->DelaysMs.size(), gif->Frames.size());
        for (const Bitmap& frame : gif->Frames) {
            EXPECT_EQ(frame.Width(), gif->Width);
            EXPECT_EQ(frame.Height(), gif->Height);
        }
    }
}

TEST(PictureCorpus, EveryJpegDecodesAndQuantises) {
    std::string skip;
    auto files = CorpusFiles("jpg", skip);
    if (files.empty())
        GTEST_SKIP() << skip;
    for (const auto& file : files) {
        SCOPED_TRACE(PathText(file));
        auto bytes = ReadFileBytes(file);
        ASSERT_TRUE(bytes);
        auto jpeg = DecodeJpeg(*bytes);
        ASSERT_TRUE(jpeg) << jpeg.ErrorMessage();
        EXPECT_FALSE(jpeg->Empty());
        auto quantised = DecodeJpegQuantized(*bytes, 236, true);
        ASSERT_TRUE(quantised) << quantised.ErrorMessage();
        EXPECT_LE(quantised->Palette().size(), 236u);
        EXPECT_EQ(quantised->Width(), jpeg->Width());
    }
}

}  // namespace
}  // namespace gf
