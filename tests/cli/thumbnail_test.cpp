// glyphforge-cli thumbnail: which image is shown at which size, the picture written, and
// refusals of files that hold nothing to show.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/thumbnail.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/ico_builder.h"
#include "support/pe_builder.h"
#include "support/run_process.h"
#include "support/temp_folder.h"

namespace gf::cli {
namespace {

namespace fs = std::filesystem;

FoundIconImage Found(std::int64_t w, std::int64_t h, int bits, bool png = false) {
    FoundIconImage image;
    image.Header.Width = w;
    image.Header.Height = h;
    image.Header.BitCount = bits;
    image.Header.Png = png;
    return image;
}

TEST(RankThumbnailImages, LargestThatFitsThenSmallerThenLargerFromTheLargest) {
    std::vector<FoundIconImage> images = {
        Found(16, 16, 4),          Found(32, 32, 8), Found(32, 32, 32), Found(48, 48, 32),
        Found(256, 256, 32, true), Found(0, 0, 32),  // a side of 0 cannot be shown
        Found(2, 268435457, 32),                     // nor a damaged header's
        Found(32, 32, 32),                           // equal to #2: file order decides
        Found(64, 64, 32),                           // marked damaged below
    };
    images.back().Damage = "The icon image is cut short.";
    const struct {
        int Size;
        std::vector<std::size_t> Order;
    } cases[] = {
        {1, {4, 3, 2, 7, 1, 0}},    {8, {4, 3, 2, 7, 1, 0}},   {16, {0, 4, 3, 2, 7, 1}},
        {31, {0, 4, 3, 2, 7, 1}},   {32, {2, 7, 1, 0, 4, 3}},  {47, {2, 7, 1, 0, 4, 3}},
        {48, {3, 2, 7, 1, 0, 4}},   {255, {3, 2, 7, 1, 0, 4}}, {256, {4, 3, 2, 7, 1, 0}},
        {4096, {4, 3, 2, 7, 1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RankThumbnailImages(images, c.Size), c.Order) << "size " << c.Size;
    EXPECT_TRUE(RankThumbnailImages({}, 128).empty());
    // A wide image counts by its longer side.
    EXPECT_EQ(RankThumbnailImages({Found(64, 16, 32), Found(32, 32, 32)}, 48),
              (std::vector<std::size_t>{1, 0}));
}

// A one-colour block: a 4-bit DIB when `bits` is 4, else 32 bits with alpha `alpha` on the
// left half and 255 on the right.
std::vector<std::uint8_t> Solid(int side, int bits, Color colour, std::uint8_t alpha = 255) {
    test::DibBlockRecipe recipe;
    recipe.Width = recipe.Height = side;
    recipe.BitCount = bits;
    if (bits == 4) {
        recipe.Palette = std::vector<Color>(16, Rgb(0, 0, 0));
        recipe.Palette[3] = colour;
        recipe.Pixel = [](int, int) { return 3u; };
    } else {
        const std::uint32_t rgb = (static_cast<std::uint32_t>(RedOf(colour)) << 16) |
                                  (static_cast<std::uint32_t>(GreenOf(colour)) << 8) |
                                  BlueOf(colour);
        recipe.Pixel = [=](int x, int) {
            return (static_cast<std::uint32_t>(x < side / 2 ? alpha : 255) << 24) | rgb;
        };
    }
    return test::MakeDibBlock(recipe);
}

class CliThumbnail : public ::testing::Test {
  protected:
    test::TempFolder Dir;
    test::ProcessResult Run(const std::vector<std::string>& args) {
        std::vector<std::string> all{"thumbnail"};
        all.insert(all.end(), args.begin(), args.end());
        return test::RunProcess(GF_CLI_PATH, all, (Dir / "run").string());
    }
    std::string P(const std::string& name) { return PathText(Dir / name); }
    Bitmap Picture(const std::string& name) {
        auto png = LoadPngFile(Dir / name);
        EXPECT_TRUE(png) << name;
        return png ? png->Pixels : Bitmap();
    }
};

TEST_F(CliThumbnail, WritesTheBestImageForEachSize) {
    const Color red = Rgb(220, 0, 0), green = Rgb(0, 200, 0), blue = Rgb(0, 0, 240);
    const auto ico = test::IcoBuilder()
                         .Add(Solid(16, 4, red), 16, 16, 4)
                         .Add(Solid(48, 32, blue, 0), 48, 48, 32)
                         .Add(Solid(32, 32, green), 32, 32, 32)
                         .Build();
    test::WriteBytes(Dir / "multi.ico", ico);
    test::PeRecipe recipe;
    recipe.Icons = test::NumberedIcons({Solid(16, 4, red), Solid(32, 32, green)});
    test::BuildPe(recipe).WriteTo(Dir / "tool.exe");
    // The program's icon is its first group, whatever the order of the images: here the larger
    // images of the second group come first.
    test::PeRecipe grouped;
    grouped.Icons = test::NumberedIcons(
        {Solid(48, 32, blue), Solid(64, 32, blue), Solid(16, 4, red), Solid(32, 32, green)});
    grouped.Groups = {{1, {3, 4}}, {2, {1, 2}}};
    test::BuildPe(grouped).WriteTo(Dir / "grouped.exe");

    const struct {
        std::string Input;
        int Size;
        int Side;
        Color Colour;
    } cases[] = {
        {"multi.ico", 24, 16, red},      {"multi.ico", 32, 32, green}, {"multi.ico", 40, 32, green},
        {"multi.ico", 256, 48, blue},    {"tool.exe", 20, 16, red},    {"tool.exe", 128, 32, green},
        {"grouped.exe", 256, 32, green}, {"grouped.exe", 24, 16, red},
    };
    for (const auto& c : cases) {
        const std::string out = c.Input + "-" + std::to_string(c.Size) + ".png";
        auto r = Run({P(c.Input), P(out), std::to_string(c.Size)});
        ASSERT_EQ(r.ExitCode, 0) << c.Input << " " << c.Size << ": " << r.Err;
        EXPECT_EQ(r.Out, "");
        Bitmap picture = Picture(out);
        ASSERT_EQ(picture.Width(), c.Side) << out;
        ASSERT_EQ(picture.Height(), c.Side) << out;
        EXPECT_EQ(picture.GetPixel(c.Side - 1, 0), c.Colour) << out;
        EXPECT_EQ(picture.GetAlpha(c.Side - 1, 0), 255) << out;
    }
    // The transparent half of the 48 x 48 image stays transparent at its own size...
    Bitmap own = Picture("multi.ico-256.png");
    EXPECT_EQ(own.GetAlpha(0, 0), 0);
    // ...and shrinking never darkens it with the colour of transparent pixels.
    ASSERT_EQ(Run({P("multi.ico"), P("tiny.png"), "8"}).ExitCode, 0);
    Bitmap tiny = Picture("tiny.png");
    ASSERT_EQ(tiny.Width(), 8);
    EXPECT_EQ(tiny.GetAlpha(0, 0), 0);
    EXPECT_EQ(tiny.GetAlpha(7, 7), 255);
    EXPECT_EQ(tiny.GetPixel(7, 7), blue);
}

TEST_F(CliThumbnail, ADamagedBestImageGivesWayToTheNext) {
    std::vector<std::uint8_t> broken = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    broken.resize(300, 0x55);
    test::IcoBuilder()
        .Add(Solid(32, 32, Rgb(1, 2, 3)), 32, 32, 32)
        .Add(broken, 256, 256, 32)
        .WriteTo(Dir / "half.ico");
    auto r = Run({P("half.ico"), P("half.png"), "256"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Picture("half.png").Width(), 32);
}

TEST_F(CliThumbnail, RefusesFilesWithNothingToShowAndWritesNothing) {
    std::vector<std::uint8_t> noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    auto absurd = test::IcoBuilder().Add(Solid(16, 32, Rgb(1, 1, 1)), 16, 16, 32).Build();
    absurd[22 + 8] = 0x02;  // biHeight: 2 x 268435457 and more
    absurd[22 + 11] = 0x40;
    test::PeRecipe bare;
    std::vector<std::uint8_t> garbagePng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3};
    const struct {
        std::string Name;
        std::vector<std::uint8_t> Bytes;
    } files[] = {
        {"empty.ico", {}},
        {"noise.exe", noise},
        {"short.ico", {0, 0, 1, 0, 1}},
        {"beyond.ico", test::IcoBuilder()
                           .Add(Solid(16, 4, Rgb(1, 1, 1)), 16, 16, 4)
                           .SetOffset(0, 1u << 30)
                           .Build()},
        {"badpng.ico", test::IcoBuilder().Add(garbagePng, 64, 64, 32).Build()},
        {"absurd.ico", absurd},
        {"bare.exe", test::BuildPe(bare).Bytes},
        {"truncated.exe",
         [&] {
             test::PeRecipe recipe;
             recipe.Icons = test::NumberedIcons({Solid(32, 32, Rgb(1, 1, 1))});
             auto bytes = test::BuildPe(recipe).Bytes;
             bytes.resize(bytes.size() / 2);
             return bytes;
         }()},
    };
    for (const auto& f : files) {
        test::WriteBytes(Dir / f.Name, f.Bytes);
        auto r = Run({P(f.Name), P(f.Name + ".png"), "128"});
        EXPECT_EQ(r.ExitCode, 1) << f.Name;
        EXPECT_NE(r.Err.find(P(f.Name) + ": "), std::string::npos) << f.Name << ": " << r.Err;
        EXPECT_FALSE(fs::exists(Dir / (f.Name + ".png"))) << f.Name;
    }
    // A missing input, a folder as input, an output that cannot be written; an old output
    // file is left as it was.
    test::WriteBytes(Dir / "old.png", {'o', 'l', 'd'});
    test::IcoBuilder().Add(Solid(16, 4, Rgb(1, 1, 1)), 16, 16, 4).WriteTo(Dir / "good.ico");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {P("missing.ico"), P("old.png"), "32"},
             {P(""), P("old.png"), "32"},
             {P("empty.ico"), P("old.png"), "32"},
             {P("good.ico"), P("no such folder/out.png"), "32"}}) {
        EXPECT_EQ(Run(args).ExitCode, 1) << args[0];
    }
    EXPECT_EQ(ReadFileBytes(Dir / "old.png").Value(), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(CliThumbnail, UsageErrorsAndHelp) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{},
                                               {P("a.ico"), P("a.png")},
                                               {P("a.ico"), P("a.png"), "0"},
                                               {P("a.ico"), P("a.png"), "4097"},
                                               {P("a.ico"), P("a.png"), "12px"},
                                               {P("a.ico"), P("a.png"), "-5"},
                                               {P("a.ico"), P("a.png"), "32", "extra"},
                                               {"--bogus", P("a.ico"), P("a.png"), "32"}}) {
        auto r = Run(args);
        EXPECT_EQ(r.ExitCode, 2) << args.size() << ": " << r.Err;
        EXPECT_NE(r.Err.find("--help"), std::string::npos) << r.Err;
    }
    auto help = Run({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_EQ(help.Out.rfind("Usage: glyphforge-cli thumbnail INPUT OUTPUT.png SIZE", 0), 0u);
}

}  // namespace
}  // namespace gf::cli
