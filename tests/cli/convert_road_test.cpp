// glyphforge-cli convert through the editor's road: sizes, transparency, depths and palettes,
// several sizes in one file, and the PNG and BMP outputs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "iconfile/ico_decode.h"
#include "platform/bmp_codec.h"
#include "platform/png_codec.h"
#include "support/temp_folder.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

CliRun Cli(const test::TempFolder& dir, const std::vector<std::string>& args) {
    std::string cmd = Quoted(GF_CLI_PATH);
    for (const auto& a : args)
        cmd += " " + Quoted(a);
    cmd += " >" + Quoted((dir / "out.txt").string()) + " 2>" + Quoted((dir / "err.txt").string());
    const int status = std::system(cmd.c_str());
    CliRun r;
#if defined(_WIN32)
    r.Exit = status;
#else
    r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    r.Out = ReadText(dir / "out.txt");
    r.Err = ReadText(dir / "err.txt");
    return r;
}

// A 64 x 64 PNG: a blue disc on a transparent ground with a half-transparent rim.
fs::path AlphaPng(const test::TempFolder& dir) {
    Bitmap b(64, 64, PixelFormat::Bits32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int d = (2 * x - 63) * (2 * x - 63) + (2 * y - 63) * (2 * y - 63);
            b.SetPixel(x, y, Rgb(20, 40, 220));
            b.SetAlpha(x, y, d < 50 * 50 ? 255 : d < 56 * 56 ? 128 : 0);
        }
    const fs::path p = dir / "disc.png";
    EXPECT_TRUE(SavePngFile(b, p).Ok());
    return p;
}

// A 40 x 40 opaque BMP: white ground, a red square in the middle.
fs::path OpaqueBmp(const test::TempFolder& dir) {
    Bitmap b(40, 40, PixelFormat::Bits24);
    b.Fill(White);
    b.FillRect(10, 10, 30, 30, Rgb(200, 0, 0));
    const fs::path p = dir / "square.bmp";
    EXPECT_TRUE(SaveBmpFile(b, p).Ok());
    return p;
}

bool Masked(const IconImage& icon, int x, int y) {
    return (icon.Mask.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

TEST(CliConvertRoad, AlphaPngBecomesASixSizeIconThatTheReaderLists) {
    test::TempFolder dir;
    const fs::path out = dir / "disc.ico";
    CliRun r = Cli(
        dir, {"convert", "--sizes", "16,24,32,48,64,128", AlphaPng(dir).string(), out.string()});
    ASSERT_EQ(r.Exit, 0) << r.Err;

    CliRun list = Cli(dir, {"list", out.string()});
    ASSERT_EQ(list.Exit, 0) << list.Err;
    const int sizes[] = {16, 24, 32, 48, 64, 128};
    std::size_t at = 0;
    for (int i = 0; i < 6; ++i) {
        const std::string line = "#" + std::to_string(i) + "  " + std::to_string(sizes[i]) + "x" +
                                 std::to_string(sizes[i]) + "  32 bits";
        at = list.Out.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << list.Out;
    }
    EXPECT_NE(list.Out.find("6 icon images"), std::string::npos) << list.Out;

    // The first image keeps the picture's transparency: corners out, centre in, rim partial.
    auto icon = LoadIconFileFirstSize(out);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Width(), 16);
    EXPECT_TRUE(Masked(*icon, 0, 0));
    EXPECT_EQ(icon->Color.GetAlpha(0, 0), 0);
    EXPECT_FALSE(Masked(*icon, 8, 8));
    EXPECT_EQ(icon->Color.GetAlpha(8, 8), 255);
    EXPECT_EQ(icon->Color.GetPixel(8, 8), Rgb(20, 40, 220));
}

TEST(CliConvertRoad, TransparentAutoWithGrayPaletteAtEightBits) {
    test::TempFolder dir;
    const fs::path out = dir / "square.ico";
    CliRun r = Cli(dir, {"convert", OpaqueBmp(dir).string(), out.string(), "--size", "20x20",
                         "--transparent", "auto", "--bits", "8", "--palette", "gray"});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Out.find("20x20, 8 bits"), std::string::npos) << r.Out;
    auto icon = LoadIconFileFirstSize(out);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Color.BitCount(), 8);
    EXPECT_TRUE(Masked(*icon, 0, 0));
    EXPECT_FALSE(Masked(*icon, 10, 10));
    // Red (200, 0, 0) is nearest to grey 67 (0x43) on the gray palette.
    const Color c = icon->Color.GetPixel(10, 10);
    EXPECT_EQ(RedOf(c), GreenOf(c));
    EXPECT_EQ(RedOf(c), 67);
}

TEST(CliConvertRoad, KeyColourAndSimilarityAndUnstretchedCanvas) {
    test::TempFolder dir;
    const fs::path out = dir / "o.ico";
    // The picture (40 x 40) unscaled on a 48 x 48 canvas: the uncovered canvas is transparent,
    // and so is the white ground by the key colour.
    CliRun r =
        Cli(dir, {"convert", "--no-stretch", "--size", "48x48", "--transparent", "#FFFFFF",
                  "--similarity", "3", "--bits", "24", OpaqueBmp(dir).string(), out.string()});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    auto icon = LoadIconFileFirstSize(out);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Color.BitCount(), 24);
    EXPECT_TRUE(Masked(*icon, 45, 45));
    EXPECT_TRUE(Masked(*icon, 2, 2));
    EXPECT_FALSE(Masked(*icon, 15, 15));
    EXPECT_EQ(icon->Color.GetPixel(15, 15), Rgb(200, 0, 0));
}

TEST(CliConvertRoad, PngAndBmpOutputsOfTheSaveCommand) {
    test::TempFolder dir;
    const fs::path out = dir / "o.ico", png = dir / "o.png", bmp = dir / "o.bmp";
    CliRun r = Cli(
        dir, {"convert", AlphaPng(dir).string(), out.string(), "--size", "32x32", "--bits", "4",
              "--palette", "windows16", "--png", png.string(), "--bmp", bmp.string(), "0,255,0"});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    auto icon = LoadIconFileFirstSize(out);
    ASSERT_TRUE(icon.Ok());
    EXPECT_EQ(icon->Color.BitCount(), 4);
    // At threshold 255 the half-transparent rim becomes transparent.
    EXPECT_TRUE(Masked(*icon, 16, 1));

    auto pngPicture = LoadPngFile(png);
    ASSERT_TRUE(pngPicture.Ok());
    EXPECT_EQ(pngPicture->Pixels.GetAlpha(0, 0), 0);
    EXPECT_EQ(pngPicture->Pixels.GetAlpha(16, 16), 255);
    EXPECT_EQ(pngPicture->Pixels.GetPixel(16, 16), Rgb(0, 0, 255));  // nearest of Windows16

    auto flat = LoadBmpFile(bmp);
    ASSERT_TRUE(flat.Ok());
    EXPECT_EQ(flat->Width(), 32);
    EXPECT_EQ(flat->GetPixel(0, 0), Rgb(0, 255, 0));
    EXPECT_EQ(flat->GetPixel(16, 16), Rgb(0, 0, 255));
}

TEST(CliConvertRoad, BadOptionsAreRefusedAndWriteNothing) {
    test::TempFolder dir;
    const std::string png = AlphaPng(dir).string(), out = (dir / "o.ico").string();
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bits", "7"},
                                                {"--size", "0x0"},
                                                {"--size", "300x20"},
                                                {"--sizes", "16,300"},
                                                {"--sizes", "16,,32"},
                                                {"--palette", "rainbow"},
                                                {"--background", "#12345"},
                                                {"--similarity", "0"},
                                                {"--alpha-threshold", "256"},
                                                {"--bmp", "x.bmp"},
                                                {"--size", "16x16", "--sizes", "32"}}) {
        std::vector<std::string> args = {"convert", png, out};
        args.insert(args.end(), bad.begin(), bad.end());
        CliRun r = Cli(dir, args);
        EXPECT_EQ(r.Exit, 2) << bad.front() << " " << r.Err;
        EXPECT_FALSE(fs::exists(out));
    }
    // A key colour on a picture whose alpha gives the transparency needs --ignore-alpha.
    CliRun r = Cli(dir, {"convert", png, out, "--transparent", "auto"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("--ignore-alpha"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));
    r = Cli(dir,
            {"convert", png, out, "--transparent", "auto", "--ignore-alpha", "--size", "16x16"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
}

}  // namespace
}  // namespace gf
