// glyphforge-cli list and extract, run as separate processes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_format.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/ico_builder.h"
#include "support/pe_builder.h"
#include "support/run_process.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Block(int w, int h, int bits) {
    test::DibBlockRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.BitCount = bits;
    recipe.Pixel = [](int x, int y) { return static_cast<std::uint32_t>(x + 5 * y); };
    recipe.Transparent = [](int x, int) { return x < 2; };
    return test::MakeDibBlock(recipe);
}

std::vector<std::uint8_t> Png(int w, int h) {
    Bitmap b(w, h, PixelFormat::Bits32);
    b.Fill(Rgb(200, 100, 50), 255);
    return test::MakePngBlock(b);
}

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    auto bytes = ReadFileBytes(p);
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

class CliListExtract : public ::testing::Test {
  protected:
    test::TempFolder Dir;
    test::ProcessResult Run(const std::vector<std::string>& args) {
        return test::RunProcess(GF_CLI_PATH, args, (Dir / "run").string());
    }
    std::string P(const std::string& name) { return PathText(Dir / name); }

    void SetUp() override {
        Ico0 = Block(32, 32, 8);
        Ico1 = Png(256, 256);
        test::IcoBuilder().Add(Ico0, 32, 32, 8).Add(Ico1, 256, 256, 32).WriteTo(Dir / "app.ico");
        test::PeRecipe recipe;
        recipe.Pe64 = true;
        recipe.Icons = test::NumberedIcons({Block(48, 48, 32), Block(16, 16, 4)});
        Exe = test::BuildPe(recipe);
        Exe.WriteTo(Dir / "tool.dll");
    }

    std::vector<std::uint8_t> Ico0, Ico1;
    test::BuiltPe Exe;
};

TEST_F(CliListExtract, ListShowsEveryImageOfEachFile) {
    auto r = Run({"list", P("app.ico"), P("tool.dll")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 6u) << r.Out;
    EXPECT_EQ(lines[0], P("app.ico") + ": icon file, 2 icon images");
    EXPECT_EQ(lines[1],
              "  #0  32x32  8 bits  BMP  " + std::to_string(Ico0.size()) + " bytes  offset 38");
    EXPECT_EQ(lines[2], "  #1  256x256  32 bits  PNG  " + std::to_string(Ico1.size()) +
                            " bytes  offset " + std::to_string(38 + Ico0.size()));
    EXPECT_EQ(lines[3], P("tool.dll") + ": executable, 2 icon images");
    EXPECT_EQ(lines[4], "  #0  48x48  32 bits  BMP  " + std::to_string(Exe.ImageSizes[0]) +
                            " bytes  offset " + std::to_string(Exe.ImageOffsets[0]) +
                            "  icon 1  language 1033");
    EXPECT_EQ(lines[5], "  #1  16x16  4 bits  BMP  296 bytes  offset " +
                            std::to_string(Exe.ImageOffsets[1]) + "  icon 2  language 1033");
}

TEST_F(CliListExtract, FilesAreReadByTheirContent) {
    // A cursor file, and an executable and an icon file whose names say nothing.
    test::IcoBuilder().SetType(2).Add(Block(32, 32, 1), 32, 32, 1).WriteTo(Dir / "arrow.cur");
    fs::copy_file(Dir / "tool.dll", Dir / "stub");
    fs::copy_file(Dir / "app.ico", Dir / "picture.bin");
    auto r = Run({"list", P("arrow.cur"), P("stub"), P("picture.bin")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 8u) << r.Out;
    EXPECT_EQ(lines[0], P("arrow.cur") + ": icon file, 1 icon image");
    EXPECT_EQ(lines[1], "  #0  32x32  1 bits  BMP  304 bytes  offset 22  hot spot 1,1");
    EXPECT_EQ(lines[2], P("stub") + ": executable, 2 icon images");
    EXPECT_EQ(lines[5], P("picture.bin") + ": icon file, 2 icon images");
}

TEST_F(CliListExtract, FilesWithoutIconsAndUnreadableFilesFail) {
    test::PeRecipe none;
    test::BuildPe(none).WriteTo(Dir / "empty.exe");
    std::ofstream(Dir / "notes.txt") << "nothing to see here";
    auto hole = test::IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).SetOffset(0, 0x7FFFFFF0);
    hole.WriteTo(Dir / "hole.ico");
    auto r = Run({"list", P("empty.exe"), P("missing.ico"), P("notes.txt"), P("hole.ico"),
                  P("app.ico")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find(P("empty.exe") + ": No icon exists in this file!"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find(P("missing.ico") + ": Can not open file " + P("missing.ico")),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find(P("notes.txt") + ": There is no icon in this file!"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find(P("hole.ico") + ": the directory points outside the file"),
              std::string::npos)
        << r.Err;
    // The good file is still listed.
    EXPECT_NE(r.Out.find(P("app.ico") + ": icon file, 2 icon images"), std::string::npos);
}

TEST_F(CliListExtract, DamagedImagesAreMarkedAndFailTheFile) {
    // An image whose stored height is absurd (it would read 2 x 268435457), one whose rows do not
    // fit its block, and a good one after them.
    test::DibBlockRecipe tall;
    tall.Width = 2;
    tall.Height = 2;
    tall.StoredHeight = 536870914;
    auto cut = Block(32, 32, 8);
    cut.resize(1064 + 100);
    test::IcoBuilder()
        .Add(test::MakeDibBlock(tall), 2, 2, 32)
        .Add(cut, 32, 32, 8)
        .Add(Block(16, 16, 4), 16, 16, 4)
        .WriteTo(Dir / "bad.ico");
    auto r = Run({"list", P("bad.ico"), P("app.ico")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "glyphforge-cli: " + P("bad.ico") + ": 2 damaged icon images\n");
    auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 7u) << r.Out;
    EXPECT_EQ(
        lines[1].rfind("  #0  damaged: The icon image has an invalid height (536870914).  ", 0), 0u)
        << lines[1];
    EXPECT_EQ(lines[2].rfind("  #1  damaged: The icon image is cut short", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("  #2  16x16  4 bits  BMP  ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], P("app.ico") + ": icon file, 2 icon images");

    auto json = Run({"list", "--json", P("bad.ico")});
    EXPECT_EQ(json.ExitCode, 1);
    EXPECT_NE(json.Out.find("\"damaged\": \"The icon image has an invalid height (536870914).\""),
              std::string::npos)
        << json.Out;
}

TEST_F(CliListExtract, UsageErrorsAndHelp) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"list"},
             {"list", "--bogus", P("app.ico")},
             {"extract", P("app.ico")},
             {"extract", P("app.ico"), "-o"},
             {"extract", "-o", P("out")},
             {"extract", P("app.ico"), "-o", P("a"), "-o", P("b")}}) {
        auto r = Run(args);
        EXPECT_EQ(r.ExitCode, 2) << args.size() << " " << r.Err;
        EXPECT_NE(r.Err.find("--help"), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_FALSE(fs::exists(Dir / "out"));
    auto list = Run({"list", "--help"});
    EXPECT_EQ(list.ExitCode, 0);
    EXPECT_EQ(list.Out.rfind("Usage: glyphforge-cli list [--json] FILE...", 0), 0u) << list.Out;
    auto extract = Run({"extract", "-h"});
    EXPECT_EQ(extract.ExitCode, 0);
    EXPECT_NE(extract.Out.find("--png"), std::string::npos);
}

TEST_F(CliListExtract, ExtractWritesOneImageIconFilesWithTheBlocksUnchanged) {
    auto r = Run({"extract", P("app.ico"), P("tool.dll"), "-o", P("out/icons")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    const fs::path out = Dir / "out" / "icons";
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{
                                PathText(out / "app_0.ico"), PathText(out / "app_1.ico"),
                                PathText(out / "tool_0.ico"), PathText(out / "tool_1.ico")}));
    auto check = [&](const std::string& name, const std::vector<std::uint8_t>& block) {
        auto file = ReadAll(out / name);
        ASSERT_EQ(file.size(), 22 + block.size()) << name;
        EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 22, file.end()), block) << name;
        auto header = ReadIconDirHeader(file);
        ASSERT_TRUE(header.Ok());
        EXPECT_EQ(header->Type, 1);
        EXPECT_EQ(header->Count, 1);
    };
    check("app_0.ico", Ico0);
    check("app_1.ico", Ico1);
    const auto& b = Exe.Bytes;
    check("tool_0.ico",
          {b.begin() + Exe.ImageOffsets[0], b.begin() + Exe.ImageOffsets[0] + Exe.ImageSizes[0]});
    check("tool_1.ico",
          {b.begin() + Exe.ImageOffsets[1], b.begin() + Exe.ImageOffsets[1] + Exe.ImageSizes[1]});
}

TEST_F(CliListExtract, ExtractPngDecodesEveryImage) {
    auto r = Run({"extract", "--png", P("app.ico"), "--output=" + P("png")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    auto first = LoadPngFile(Dir / "png" / "app_0.png");
    ASSERT_TRUE(first.Ok()) << first.ErrorMessage();
    EXPECT_EQ(first->Pixels.Width(), 32);
    EXPECT_EQ(first->Pixels.Height(), 32);
    EXPECT_TRUE(first->HasAlpha);
    EXPECT_EQ(first->Pixels.GetAlpha(0, 5), 0);  // the mask's transparent columns
    EXPECT_EQ(first->Pixels.GetAlpha(10, 5), 255);
    auto second = LoadPngFile(Dir / "png" / "app_1.png");
    ASSERT_TRUE(second.Ok()) << second.ErrorMessage();
    EXPECT_EQ(second->Pixels.Width(), 256);
    EXPECT_EQ(second->Pixels.GetPixel(100, 100), Rgb(200, 100, 50));

    // 1,500 copies of a flat 256 x 256 PNG of a few hundred bytes: decoding them all would be
    // 400 MB of pixels from a file of 1 MB. The images within the file's pixel budget are
    // written, the rest are left out, and the command says so and fails.
    const std::vector<std::uint8_t> flat = Png(256, 256);
    test::IcoBuilder many;
    for (int i = 0; i < 1500; ++i)
        many.Add(flat, 256, 256, 32);
    many.WriteTo(Dir / "many.ico");
    auto bomb = Run({"extract", "--png", P("many.ico"), "-o", P("many")});
    EXPECT_EQ(bomb.ExitCode, 1);
    EXPECT_NE(bomb.Err.find("of its images left out: they decode to more pixels"),
              std::string::npos)
        << bomb.Err;
    const auto written = static_cast<std::size_t>(
        std::distance(fs::directory_iterator(Dir / "many"), fs::directory_iterator()));
    const std::uint64_t budget =
        DecodedPixelsExtra + DecodedPixelsPerFileByte * fs::file_size(Dir / "many.ico");
    EXPECT_EQ(written, budget / (256 * 256));
}

TEST_F(CliListExtract, SameNamesFromTwoFoldersDoNotOverwriteEachOther) {
    fs::create_directory(Dir / "other");
    test::IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).WriteTo(Dir / "other" / "app.ico");
    auto r = Run({"extract", P("app.ico"), PathText(Dir / "other" / "app.ico"), "-o", P("o")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_TRUE(fs::exists(Dir / "o" / "app_1.ico"));
    EXPECT_EQ(ReadAll(Dir / "o" / "app-2_0.ico").size(), 22u + 296u);
}

TEST_F(CliListExtract, ExtractReportsFilesWithoutIconsAndGoesOn) {
    auto r = Run({"extract", P("missing.dll"), P("app.ico"), "-o", P("x")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Can not open file"), std::string::npos);
    EXPECT_TRUE(fs::exists(Dir / "x" / "app_1.ico"));

    std::ofstream(Dir / "blocker") << "a file where the folder should go";
    auto blocked = Run({"extract", P("app.ico"), "-o", P("blocker")});
    EXPECT_EQ(blocked.ExitCode, 1);
    EXPECT_NE(blocked.Err.find("output folder"), std::string::npos) << blocked.Err;
}

// A run that cannot write one of its files replaces none: the others keep their old contents.
TEST_F(CliListExtract, ExtractReplacesNothingUnlessEveryFileCanBeWritten) {
    fs::create_directories(Dir / "x" / "app_1.ico");  // a folder where a file should go
    std::ofstream(Dir / "x" / "app_0.ico") << "old";
    auto r = Run({"extract", P("app.ico"), "-o", P("x")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("app_1.ico: it is a folder."), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("no file was written, since not all could be"), std::string::npos);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadAll(Dir / "x" / "app_0.ico"), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir / "x"), fs::directory_iterator()), 2);
}

// Groups and cursors of an executable: group 1 in English and German, group "MAIN", a
// cursor group, icon group 2 naming an icon the file lacks.
class CliGroups : public CliListExtract {
  protected:
    void SetUp() override {
        CliListExtract::SetUp();
        Icon1 = Block(32, 32, 8);
        Icon2 = Block(16, 16, 4);
        Cursor = test::MakeCursorResource(4, 6, Block(32, 32, 1));
        test::PeRecipe r;
        r.Icons = test::NumberedIcons({Icon1, Icon2});
        const auto group1 = test::MakeGroupResource({{1, Icon1}, {2, Icon2}});
        r.Resources = {{14, 1, u"", {{1033, group1}, {1031, group1}}},
                       {14, 2, u"", {{1033, test::MakeGroupResource({{2, Icon2}, {8, {}}})}}},
                       {14, 0, u"MAIN", {{1033, test::MakeGroupResource({{1, Icon1}})}}},
                       {1, 3, u"", {{1033, Cursor}}},
                       {12, 1, u"", {{1033, test::MakeGroupResource({{3, Cursor}}, true)}}}};
        Lib = test::BuildPe(r);
        Lib.WriteTo(Dir / "lib.dll");
    }
    std::vector<std::uint8_t> Icon1, Icon2, Cursor;
    test::BuiltPe Lib;
};

TEST_F(CliGroups, ListShowsGroupsTheirLanguagesAndImages) {
    auto r = Run({"list", "--groups", P("lib.dll")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 14u) << r.Out;
    EXPECT_EQ(lines[0], P("lib.dll") + ": executable, 4 icon groups, 1 cursor group");
    // Named entries come first in a resource directory.
    EXPECT_EQ(lines[1], "  icon group \"MAIN\"  language 1033  1 image");
    EXPECT_EQ(lines[3], "  icon group 1  language 1033  2 images");
    EXPECT_EQ(lines[4].rfind("    #0  32x32  8 bits  BMP  ", 0), 0u) << lines[4];
    EXPECT_EQ(lines[6], "  icon group 1  language 1031  2 images");
    EXPECT_EQ(lines[9], "  icon group 2  language 1033  2 images");
    EXPECT_EQ(lines[11], "    #1  icon 8  missing");
    EXPECT_EQ(lines[12], "  cursor group 1  language 1033  1 image");
    EXPECT_NE(lines[13].find("  cursor 3  language 1033  hot spot 4,6"), std::string::npos)
        << lines[13];

    auto german = Run({"list", "--groups", "--language", "1031", P("lib.dll")});
    EXPECT_EQ(Lines(german.Out).size(), 4u) << german.Out;
    // Single images: icons, then the cursor; an icon file has no groups.
    auto images = Run({"list", P("lib.dll")});
    EXPECT_EQ(Lines(images.Out)[0], P("lib.dll") + ": executable, 2 icon images, 1 cursor image");
    auto none = Run({"list", "--groups", P("app.ico")});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Err.find("No icon group exists in this file!"), std::string::npos);
}

TEST_F(CliGroups, ExtractWritesEachGroupAsOneFileAndCursorsWithTheirHotSpot) {
    auto r = Run({"extract", "--groups", P("lib.dll"), "-o", P("g")});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    // The missing icon is warned about, the group still written without it.
    EXPECT_NE(r.Err.find("icon group 2 (language 1033): icon 8 is not in the file; left out"),
              std::string::npos)
        << r.Err;
    const fs::path g = Dir / "g";
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{PathText(g / "lib_MAIN.ico"), PathText(g / "lib_1_1033.ico"),
                                        PathText(g / "lib_1_1031.ico"), PathText(g / "lib_2.ico"),
                                        PathText(g / "lib_1.cur")}));
    auto group1 = ReadAll(g / "lib_1_1033.ico");
    auto dir = ReadIconDirectory(group1);
    ASSERT_TRUE(dir.Ok());
    ASSERT_EQ(dir->Entries.size(), 2u);
    auto second = IconImageBlock(group1, dir->Entries[1]);
    ASSERT_TRUE(second.Ok());
    EXPECT_EQ(std::vector<std::uint8_t>(second->begin(), second->end()), Icon2);
    auto cur = ReadAll(g / "lib_1.cur");
    auto curDir = ReadIconDirectory(cur);
    ASSERT_TRUE(curDir.Ok());
    EXPECT_EQ(curDir->Header.Type, 2);
    EXPECT_EQ(curDir->Entries[0].Planes, 4);
    EXPECT_EQ(curDir->Entries[0].BitCount, 6);
    auto curBlock = IconImageBlock(cur, curDir->Entries[0]);
    ASSERT_TRUE(curBlock.Ok());
    EXPECT_EQ(std::vector<std::uint8_t>(curBlock->begin(), curBlock->end()),
              std::vector<std::uint8_t>(Cursor.begin() + 4, Cursor.end()));

    // Single images: the cursor image as a cursor file of its own.
    auto single = Run({"extract", P("lib.dll"), "-o", P("s")});
    EXPECT_EQ(single.ExitCode, 0) << single.Err;
    EXPECT_TRUE(fs::exists(Dir / "s" / "lib_0.ico"));
    auto one = ReadIconDirectory(ReadAll(Dir / "s" / "lib_2.cur"));
    ASSERT_TRUE(one.Ok());
    EXPECT_EQ(one->Header.Type, 2);
    EXPECT_EQ(one->Entries[0].Planes, 4);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"extract", "--groups", "--png", P("lib.dll"), "-o", P("x")},
             {"list", "--language", "german", P("lib.dll")},
             {"list", "--language", "70000", P("lib.dll")},
             {"list", "--language"}}) {
        auto bad = Run(args);
        EXPECT_EQ(bad.ExitCode, 2) << bad.Err;
    }
}

TEST(CliCorpus, ListsAndExtractsEveryIconCursorAndExecutable) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus)
        GTEST_SKIP() << "GF_CORPUS is not set; real-world files are not checked";
    std::vector<std::string> iconFiles, executables;
    for (const char* sub : {"ico", "cur", "pe32", "pe64"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(corpus) / sub, ec)) {
            if (!e.is_regular_file())
                continue;
            auto& into = std::string(sub).rfind("pe", 0) == 0 ? executables : iconFiles;
            into.push_back(PathText(e.path()));
        }
    }
    if (iconFiles.empty())
        GTEST_SKIP() << "no icon files in " << corpus;
    test::TempFolder dir;
    std::vector<std::string> args{"list"};
    args.insert(args.end(), iconFiles.begin(), iconFiles.end());
    auto list = test::RunProcess(GF_CLI_PATH, args, (dir / "run").string());
    EXPECT_EQ(list.ExitCode, 0) << list.Err;
    EXPECT_EQ(list.Err, "");

    args = {"extract", "--png", "-o", PathText(dir / "png")};
    args.insert(args.end(), iconFiles.begin(), iconFiles.end());
    auto extract = test::RunProcess(GF_CLI_PATH, args, (dir / "run").string());
    EXPECT_EQ(extract.ExitCode, 0) << extract.Err;
    EXPECT_EQ(Lines(extract.Out).size(), Lines(list.Out).size() - iconFiles.size());

    // Executables: some carry no icon at all, which is reported, never a read failure.
    for (const auto& exe : executables) {
        auto r = test::RunProcess(GF_CLI_PATH, {"list", exe}, (dir / "run").string());
        EXPECT_TRUE(r.ExitCode == 0 ||
                    r.Err.find("No icon exists in this file!") != std::string::npos)
            << exe << ": " << r.Err;
    }
}

}  // namespace
}  // namespace gf
