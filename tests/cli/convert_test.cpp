// Runs the glyphforge-cli program itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

#include "iconfile/ico_decode.h"
#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/picture_builders.h"
#include "support/temp_folder.h"
#include "support/wmf_builder.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

RunResult RunCli(const test::TempFolder& dir, const std::vector<std::string>& args) {
    std::string cmd = Quote(GF_CLI_PATH);
    for (const auto& a : args)
        cmd += " " + Quote(a);
    cmd +=
        " >" + Quote((dir / "stdout.txt").string()) + " 2>" + Quote((dir / "stderr.txt").string());
    int status = std::system(cmd.c_str());
    RunResult r;
#if defined(_WIN32)
    r.Exit = status;
#else
    r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    r.Out = Slurp(dir / "stdout.txt");
    r.Err = Slurp(dir / "stderr.txt");
    return r;
}

const fs::path SamplePng = fs::path(GF_TEST_DATA_DIR) / ".." / ".." / "samples" / "sample.png";

TEST(CliConvert, TurnsTheSamplePictureIntoA32BitIcon) {
    test::TempFolder dir;
    const fs::path out = dir / "sample.ico";
    RunResult r = RunCli(dir, {"convert", SamplePng.string(), out.string()});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Out.find(out.string()), std::string::npos) << r.Out;
    auto icon = LoadIconFileFirstSize(out);
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Width(), 96);
    EXPECT_EQ(icon->Height(), 96);
    EXPECT_EQ(icon->Color.BitCount(), 32);

    // The picture's alpha survives, and pixels of alpha 0 are masked.
    auto png = LoadPngFile(SamplePng);
    ASSERT_TRUE(png.Ok());
    for (int y = 0; y < 96; y += 5) {
        for (int x = 0; x < 96; x += 3) {
            const int a = png->Pixels.GetAlpha(x, y);
            ASSERT_EQ(icon->Color.GetAlpha(x, y), a) << x << "," << y;
            const bool masked = (icon->Mask.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
            ASSERT_EQ(masked, a == 0) << x << "," << y;
            if (a == 255) {
                ASSERT_EQ(icon->Color.GetPixel(x, y), png->Pixels.GetPixel(x, y));
            }
        }
    }
}

TEST(CliConvert, ShrinksLargePicturesAndMakesOpaquePicturesOpaque) {
    test::TempFolder dir;
    Bitmap wide(600, 40, PixelFormat::Bits24);
    wide.Fill(Rgb(0, 128, 255));
    // Named .png, but it is a BMP: the content decides.
    ASSERT_TRUE(SaveBmpFile(wide, dir / "wide.png").Ok());
    RunResult r =
        RunCli(dir, {"convert", (dir / "wide.png").string(), (dir / "wide.ico").string()});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    auto icon = LoadIconFileFirstSize(dir / "wide.ico");
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Width(), 256);
    EXPECT_EQ(icon->Height(), 40);
    EXPECT_EQ(icon->Color.GetPixel(100, 20), Rgb(0, 128, 255));
    EXPECT_EQ(icon->Color.GetAlpha(100, 20), 255);
    EXPECT_EQ(icon->Mask.Row(20)[0], 0);
}

// A picture that really is fully transparent stays so; only a 32-bit BMP's all-zero fourth
// bytes mean "no alpha", as many programs leave them.
TEST(CliConvert, FullyTransparentPicturesStayTransparent) {
    test::TempFolder dir;
    test::GifFileRecipe gif;
    gif.Width = 8;
    gif.Height = 8;
    gif.GlobalColours = {Rgb(10, 20, 30), White};
    gif.Frames = {test::SolidGifFrame(0, 0, 8, 8, 1)};
    gif.Frames[0].Transparent = 1;
    ASSERT_TRUE(WriteFileAtomic(dir / "clear.gif", test::MakeGifFile(gif)).Ok());
    test::PngFileRecipe png;
    png.Width = 8;
    png.Height = 8;
    png.Samples.assign(8 * 8 * 4, 0);  // RGBA, every alpha 0
    ASSERT_TRUE(WriteFileAtomic(dir / "clear.png", test::MakePngFile(png)).Ok());
    Bitmap bmp(8, 8, PixelFormat::Bits32);
    bmp.Fill(Rgb(200, 100, 50), 0);
    ASSERT_TRUE(SaveBmpFile(bmp, dir / "unset.bmp").Ok());

    struct Case {
        const char* File;
        bool Transparent;
    };
    for (const Case& c : {Case{"clear.gif", true}, Case{"clear.png", true}, Case{"unset.bmp", false}}) {
        for (const char* road : {"premultiplied", "editor"}) {
            SCOPED_TRACE(testing::Message() << c.File << ", " << road << " road");
            const fs::path out = dir / "out.ico";
            RunResult r = RunCli(dir, {"convert", "--resample", road, (dir / c.File).string(),
                                       out.string()});
            ASSERT_EQ(r.Exit, 0) << r.Err;
            auto icon = LoadIconFileFirstSize(out);
            ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
            for (int y = 0; y < icon->Height(); ++y) {
                for (int x = 0; x < icon->Width(); ++x) {
                    const bool masked = (icon->Mask.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
                    ASSERT_EQ(masked, c.Transparent) << x << "," << y;
                    if (icon->Color.Format() == PixelFormat::Bits32) {
                        ASSERT_EQ(icon->Color.GetAlpha(x, y), c.Transparent ? 0 : 255);
                    }
                }
            }
        }
    }
}

TEST(CliConvert, DrawsMetafilesThroughTheWindowsPlayer) {
#if !defined(GF_HAVE_METAFILE_MODULE)
    GTEST_SKIP() << "built without the windows, so without the metafile player";
#else
    test::TempFolder dir;
    // 4000 x 3000 twips without a placeable header: 267 x 200 pixels, shrunk to 256 x 200. A
    // red left half and, in the right half, an 8 x 8 pattern of 4-pixel stripes, which stays
    // 4 pixels wide under the mapping of 15 units to the pixel.
    Bitmap stripes(8, 8, PixelFormat::Bits24);
    stripes.Fill(Rgb(255, 255, 255));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            stripes.SetPixel(x, y, Rgb(0, 0, 255));
    const auto wmf = test::WmfBuilder()
                         .SetMapMode(8)
                         .SetWindowOrg(0, 0)
                         .SetWindowExt(4000, 3000)
                         .CreatePen(5, 0, Rgb(0, 0, 0))
                         .SelectObject(0)
                         .CreateBrush(0, Rgb(255, 0, 0))
                         .SelectObject(1)
                         .Rectangle(0, 0, 2000, 3000)
                         .CreateDibPatternBrush(stripes)
                         .SelectObject(2)
                         .Rectangle(2000, 0, 4000, 3000)
                         .Build();
    ASSERT_TRUE(WriteFileAtomic(dir / "drawing.wmf", wmf).Ok());
    RunResult r = RunCli(dir, {"convert", "--bits", "24", (dir / "drawing.wmf").string(),
                               (dir / "drawing.ico").string()});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    auto icon = LoadIconFileFirstSize(dir / "drawing.ico");
    ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
    EXPECT_EQ(icon->Width(), 256);
    EXPECT_EQ(icon->Height(), 200);
    EXPECT_EQ(icon->Color.GetPixel(60, 100), Rgb(255, 0, 0));
    // The stripes, averaged by the shrink from 267 to 256 columns, still alternate.
    int blue = 0, white = 0;
    for (int x = 150; x < 250; ++x) {
        const Color c = icon->Color.GetPixel(x, 100);
        blue += BlueOf(c) > 200 && RedOf(c) < 60;
        white += RedOf(c) > 200;
    }
    EXPECT_GT(blue, 30);
    EXPECT_GT(white, 30);

    // A file that only looks like a metafile is refused with the player's reason.
    ASSERT_TRUE(WriteFileAtomic(dir / "broken.wmf", std::vector<std::uint8_t>(wmf.begin(),
                                                                              wmf.begin() + 18))
                    .Ok());
    RunResult broken = RunCli(dir, {"convert", (dir / "broken.wmf").string(),
                                    (dir / "broken.ico").string()});
    EXPECT_EQ(broken.Exit, 1);
    EXPECT_NE(broken.Err.find("broken.wmf"), std::string::npos) << broken.Err;
    EXPECT_FALSE(fs::exists(dir / "broken.ico"));
#endif
}

TEST(CliConvert, HelpAndUsageErrors) {
    test::TempFolder dir;
    RunResult help = RunCli(dir, {"convert", "--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_NE(help.Out.find("Usage: glyphforge-cli convert"), std::string::npos);

    RunResult none = RunCli(dir, {"convert"});
    EXPECT_EQ(none.Exit, 2);
    EXPECT_NE(none.Err.find("Usage"), std::string::npos);
    EXPECT_EQ(RunCli(dir, {"convert", "only-one.png"}).Exit, 2);
    EXPECT_EQ(RunCli(dir, {"convert", "a.png", "b.ico", "c"}).Exit, 2);
    RunResult unknown = RunCli(dir, {"convert", "--frobnicate", "a.png", "b.ico"});
    EXPECT_EQ(unknown.Exit, 2);
    EXPECT_NE(unknown.Err.find("--frobnicate"), std::string::npos);
}

TEST(CliConvert, BadInputFailsWithAMessageAndWritesNothing) {
    test::TempFolder dir;
    RunResult missing =
        RunCli(dir, {"convert", (dir / "nothing.png").string(), (dir / "o.ico").string()});
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_NE(missing.Err.find("nothing.png"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "o.ico"));

    {
        std::ofstream f(dir / "notes.txt");
        f << "not a picture";
    }
    RunResult text =
        RunCli(dir, {"convert", (dir / "notes.txt").string(), (dir / "o.ico").string()});
    EXPECT_EQ(text.Exit, 1);
    EXPECT_NE(text.Err.find("notes.txt is not a BMP, PNG, JPEG, GIF or WMF picture."),
              std::string::npos)
        << text.Err;
    EXPECT_FALSE(fs::exists(dir / "o.ico"));

    RunResult unwritable =
        RunCli(dir, {"convert", SamplePng.string(), (dir / "no" / "such" / "o.ico").string()});
    EXPECT_EQ(unwritable.Exit, 1);
    EXPECT_NE(unwritable.Err.find("o.ico"), std::string::npos);
}

// Outputs that cannot all be written: nothing is replaced, and the message says which and why.
// Each row starts from old files at the three targets.
TEST(CliConvert, ReplacesNoOutputUnlessAllCanBeWritten) {
    struct Row {
        const char* Name;
        std::vector<std::string> Extra;  // after PICTURE OUT.ico; {D} is the folder
        std::function<void(const fs::path&)> Prepare;
        const char* Message;
    };
    const std::vector<Row> rows = {
        {"PNG into a missing folder", {"--png", "{D}/no/such/x.png"}, nullptr,
         "Can not create file {D}/no/such/x.png: No such file or directory"},
        {"BMP over a folder", {"--png", "{D}/out.png", "--bmp", "{D}/sub", "white"},
         [](const fs::path& d) { fs::create_directory(d / "sub"); },
         "Can not write {D}/sub: it is a folder."},
        {"read-only icon file", {"--png", "{D}/out.png"},
         [](const fs::path& d) { fs::permissions(d / "out.ico", fs::perms::owner_read); },
         "Can not write file {D}/out.ico: the file is read-only"},
        {"two outputs to one file", {"--png", "{D}/out.ico"}, nullptr,
         "two outputs name the same file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        test::TempFolder dir;
        const std::string d = dir.Path().string();
        auto fill = [&](std::string text) {
            for (std::size_t at; (at = text.find("{D}")) != std::string::npos;)
                text.replace(at, 3, d);
            return text;
        };
        for (const char* name : {"out.ico", "out.png", "out.bmp"})
            std::ofstream(dir / name) << "old " << name;
        if (row.Prepare)
            row.Prepare(dir.Path());
        std::vector<std::string> args = {"convert", SamplePng.string(), (dir / "out.ico").string()};
        for (const std::string& a : row.Extra)
            args.push_back(fill(a));
        RunResult r = RunCli(dir, args);
        EXPECT_NE(r.Exit, 0);
        EXPECT_NE(r.Err.find(fill(row.Message)), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
        for (const char* name : {"out.ico", "out.png", "out.bmp"})
            EXPECT_EQ(Slurp(dir / name), std::string("old ") + name);
        std::size_t entries = 0;
        for (const auto& e : fs::directory_iterator(dir.Path()))
            entries += e.path().filename().string()[0] == '.';
        EXPECT_EQ(entries, 0u) << "a temporary file was left";
    }
}

// A 24-bit picture of a grey shadow 0x404040 drawn over white: column x at alpha 5x, 0 to 255.
Bitmap ShadowOverWhite() {
    Bitmap b(52, 4, PixelFormat::Bits24);
    for (int x = 0; x < 52; ++x) {
        const int a = std::min(255, 5 * x);
        const auto g = static_cast<std::uint8_t>((64 * a + 255 * (255 - a)) / 255);
        for (int y = 0; y < 4; ++y)
            b.SetPixel(x, y, Rgb(g, g, g));
    }
    return b;
}

// --shadow-alpha on both roads: the shadow's alpha comes back, white becomes transparent.
TEST(CliConvert, ShadowAlphaTurnsAShadowIntoTransparency) {
    test::TempFolder dir;
    const fs::path picture = dir / "shadow.bmp";
    ASSERT_TRUE(SaveBmpFile(ShadowOverWhite(), picture).Ok());
    for (const char* form : {"white,404040,3", "255,255,255,64,64,64,3", "#FFFFFF,64,64,64,3"}) {
        for (bool editorRoad : {false, true}) {
            const fs::path out = dir / "shadow.ico";
            std::vector<std::string> args = {"convert", picture.string(), out.string(),
                                             "--shadow-alpha", form};
            if (editorRoad)
                args.insert(args.end(), {"--resample", "editor"});
            RunResult r = RunCli(dir, args);
            ASSERT_EQ(r.Exit, 0) << form << ": " << r.Err;
            auto icon = LoadIconFileFirstSize(out);
            ASSERT_TRUE(icon.Ok()) << icon.ErrorMessage();
            ASSERT_EQ(icon->Color.BitCount(), 32);
            for (int x = 0; x < 52; ++x)
                ASSERT_NEAR(icon->Color.GetAlpha(x, 2), std::min(255, 5 * x), 1)
                    << form << (editorRoad ? " (editor road)" : "") << ", column " << x;
        }
    }
    // Without it the picture stays opaque.
    RunResult plain = RunCli(dir, {"convert", picture.string(), (dir / "plain.ico").string()});
    ASSERT_EQ(plain.Exit, 0) << plain.Err;
    auto icon = LoadIconFileFirstSize(dir / "plain.ico");
    ASSERT_TRUE(icon.Ok());
    EXPECT_EQ(icon->Color.GetAlpha(0, 0), 255);
}

TEST(CliConvert, ShadowAlphaUsageErrors) {
    test::TempFolder dir;
    const struct {
        std::vector<std::string> Args;
        const char* Said;
    } cases[] = {
        {{"--shadow-alpha", "white"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha", "white,404040,0"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha", "white,404040,256"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha", "white,404040,5,5"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha", "255,255,white,404040"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha"}, "BACKGROUND,SHADOW"},
        {{"--shadow-alpha", "white,404040", "--bits", "24"}, "32-bit"},
        {{"--bits", "8", "--shadow-alpha", "white,404040"}, "32-bit"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"convert", SamplePng.string(), (dir / "o.ico").string()};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        RunResult r = RunCli(dir, args);
        EXPECT_EQ(r.Exit, 2) << c.Args.back();
        // The first line says what is wrong; the usage follows.
        EXPECT_NE(r.Err.substr(0, r.Err.find('\n')).find(c.Said), std::string::npos) << r.Err;
        EXPECT_FALSE(fs::exists(dir / "o.ico"));
    }
}

}  // namespace
}  // namespace gf
