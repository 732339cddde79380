// glyphforge-cli pack, run as a separate process.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "iconfile/ico_format.h"
#include "platform/bitmap.h"
#include "platform/file_io.h"
#include "support/ico_builder.h"
#include "support/pe_builder.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int ExitCode = -1;
    std::string Output;  // stdout and stderr together
};

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

RunResult RunCli(const std::vector<std::string>& args) {
    std::string command = Quote(GF_CLI_PATH);
    for (const auto& a : args)
        command += " " + Quote(a);
    command += " 2>&1";
    RunResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.Output.append(buffer.data(), n);
    int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    auto bytes = ReadFileBytes(p);
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

test::DibBlockRecipe Recipe(int size, int bits, std::uint32_t seed) {
    test::DibBlockRecipe recipe;
    recipe.Width = size;
    recipe.Height = size;
    recipe.BitCount = bits;
    recipe.Pixel = [seed](int x, int y) {
        return static_cast<std::uint32_t>(x * 7 + y * 3 + seed);
    };
    return recipe;
}

// The image blocks of an ICO file, in directory order.
std::vector<std::vector<std::uint8_t>> BlocksOf(const std::vector<std::uint8_t>& file) {
    std::vector<std::vector<std::uint8_t>> out;
    auto dir = ReadIconDirectory(file);
    if (!dir)
        return out;
    for (const auto& e : dir->Entries) {
        auto block = IconImageBlock(file, e);
        if (block)
            out.emplace_back(block->begin(), block->end());
    }
    return out;
}

TEST(CliPack, JoinsFilesInOrderWithBlocksUnchanged) {
    test::TempFolder dir("gf_pack_cli_");
    test::IcoBuilder two;
    two.Add(Recipe(16, 4, 1)).Add(Recipe(32, 32, 2));
    two.WriteTo(dir / "two.ico");
    test::IcoBuilder one;
    one.Add(Recipe(48, 8, 3));
    one.WriteTo(dir / "ONE.ICO");  // the extension test ignores case

    fs::path out = dir / "joined.ico";
    RunResult r =
        RunCli({"pack", PathText(dir / "two.ico"), PathText(dir / "ONE.ICO"), "-o", PathText(out)});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("3 images"), std::string::npos) << r.Output;

    auto file = ReadAll(out);
    auto dirOut = ReadIconDirectory(file);
    ASSERT_TRUE(dirOut.Ok());
    ASSERT_EQ(dirOut->Header.Count, 3);
    EXPECT_EQ(dirOut->Entries[0].ImageOffset, 6u + 3 * 16);
    EXPECT_EQ(dirOut->Entries[0].Width, 16);
    EXPECT_EQ(dirOut->Entries[0].ColorCount, 16);
    EXPECT_EQ(dirOut->Entries[1].BitCount, 32);
    EXPECT_EQ(dirOut->Entries[2].Width, 48);

    auto blocks = BlocksOf(file);
    auto expected = BlocksOf(ReadAll(dir / "two.ico"));
    auto third = BlocksOf(ReadAll(dir / "ONE.ICO"));
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(blocks, expected);
    // The blocks follow one another with no gap.
    EXPECT_EQ(file.size(), 54 + expected[0].size() + expected[1].size() + expected[2].size());
}

TEST(CliPack, ExecutablesGiveTheirIconResources) {
    test::TempFolder dir("gf_pack_cli_");
    const auto small = test::MakeDibBlock(Recipe(16, 8, 1));
    const auto large = test::MakeDibBlock(Recipe(32, 32, 2));
    test::PeRecipe pe;
    pe.Icons = test::NumberedIcons({small, large});
    test::BuildPe(pe).WriteTo(dir / "tool.dll");
    test::IcoBuilder ico;
    ico.Add(Recipe(48, 4, 3));
    ico.WriteTo(dir / "third.ico");

    fs::path out = dir / "out.ico";
    RunResult r = RunCli(
        {"pack", PathText(dir / "tool.dll"), PathText(dir / "third.ico"), "-o", PathText(out)});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto blocks = BlocksOf(ReadAll(out));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], small);
    EXPECT_EQ(blocks[1], large);
    EXPECT_EQ(blocks[2], BlocksOf(ReadAll(dir / "third.ico"))[0]);

    // An executable without icon resources is an error, and names the file.
    test::PeRecipe bare;
    test::BuildPe(bare).WriteTo(dir / "bare.dll");
    RunResult none = RunCli({"pack", PathText(dir / "bare.dll"), "-o", PathText(dir / "x.ico")});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Output.find("bare.dll"), std::string::npos) << none.Output;
    EXPECT_FALSE(fs::exists(dir / "x.ico"));
}

TEST(CliPack, CursorImagesBecomeIconImages) {
    test::TempFolder dir("gf_pack_cli_");
    test::IcoBuilder cursor;
    cursor.SetType(2).Add(Recipe(32, 1, 5));
    cursor.Entry(0).Planes = 7;  // a hot spot, not planes
    cursor.Entry(0).BitCount = 9;
    cursor.WriteTo(dir / "arrow.ico");
    fs::path out = dir / "out.ico";
    RunResult r = RunCli({"pack", "-o", PathText(out), PathText(dir / "arrow.ico")});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto dirOut = ReadIconDirectory(ReadAll(out));
    ASSERT_TRUE(dirOut.Ok());
    EXPECT_EQ(dirOut->Header.Type, 1);
    EXPECT_EQ(dirOut->Entries[0].Planes, 1);
    EXPECT_EQ(dirOut->Entries[0].BitCount, 1);
    EXPECT_EQ(dirOut->Entries[0].ColorCount, 2);
}

TEST(CliPack, FailuresLeaveTheOutputAlone) {
    test::TempFolder dir("gf_pack_cli_");
    test::IcoBuilder good;
    good.Add(Recipe(16, 8, 1));
    good.WriteTo(dir / "good.ico");
    test::IcoBuilder none;
    none.WriteTo(dir / "none.ico");  // a header counting no image

    fs::path out = dir / "out.ico";
    const std::vector<std::uint8_t> old = {9, 8, 7, 6};
    ASSERT_TRUE(WriteFileAtomic(out, old).Ok());

    RunResult missing = RunCli(
        {"pack", PathText(dir / "good.ico"), PathText(dir / "gone.ico"), "-o", PathText(out)});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Output.find("gone.ico"), std::string::npos) << missing.Output;

    RunResult empty = RunCli({"pack", PathText(dir / "none.ico"), "-o", PathText(out)});
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_NE(empty.Output.find("none.ico"), std::string::npos) << empty.Output;

    EXPECT_EQ(ReadAll(out), old);

    RunResult badTarget =
        RunCli({"pack", PathText(dir / "good.ico"), "-o", PathText(dir / "no-folder" / "x.ico")});
    EXPECT_EQ(badTarget.ExitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "no-folder"));

    // 1,500 flat 256 x 256 PNG images of a few hundred bytes each: as bitmaps they would be
    // 400 MB from 1 MB. Re-storing them is refused; copying them as they are is not.
    Bitmap flat(256, 256, PixelFormat::Bits32);
    flat.Fill(Rgb(0x33, 0x66, 0x99), 255);
    const std::vector<std::uint8_t> png = test::MakePngBlock(flat);
    test::IcoBuilder many;
    for (int i = 0; i < 1500; ++i)
        many.Add(png, 256, 256, 32);
    many.WriteTo(dir / "many.ico");
    for (const char* store : {"compatible", "smallest"}) {
        RunResult r = RunCli({"pack", "--store", store, PathText(dir / "many.ico"), "-o", PathText(out)});
        EXPECT_EQ(r.ExitCode, 1) << store;
        EXPECT_NE(r.Output.find("--store keep copies them as they are"), std::string::npos)
            << r.Output;
        EXPECT_EQ(ReadAll(out), old);
    }
    EXPECT_EQ(RunCli({"pack", "--store", "keep", PathText(dir / "many.ico"), "-o", PathText(out)})
                  .ExitCode,
              0);
}

TEST(CliPack, UsageErrors) {
    test::TempFolder dir("gf_pack_cli_");
    EXPECT_EQ(RunCli({"pack"}).ExitCode, 2);
    EXPECT_EQ(RunCli({"pack", "a.ico"}).ExitCode, 2);                        // no output
    EXPECT_EQ(RunCli({"pack", "-o", PathText(dir / "x.ico")}).ExitCode, 2);  // no input
    EXPECT_EQ(RunCli({"pack", "a.ico", "-o"}).ExitCode, 2);
    EXPECT_EQ(RunCli({"pack", "--frobnicate", "a.ico", "-o", "b.ico"}).ExitCode, 2);
    RunResult help = RunCli({"pack", "--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Output.find("Usage: glyphforge-cli pack"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.ico"));
}

// Real executables and icon files, when the corpus is at hand.
TEST(CliPack, CorpusFilesPackToTheirOwnImageCount) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus)
        GTEST_SKIP() << "GF_CORPUS is not set; real-world files are not checked";
    const fs::path menu =
        fs::path(corpus) / "ico" / "nsis-common__Contrib_Graphics_Icons_nsis-menu.ico";
    if (!fs::exists(menu))
        GTEST_SKIP() << "corpus file missing: " << PathText(menu);
    test::TempFolder dir("gf_pack_cli_");
    fs::path out = dir / "menu.ico";
    RunResult r = RunCli({"pack", PathText(menu), "-o", PathText(out)});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto original = ReadAll(menu);
    auto packed = ReadAll(out);
    EXPECT_EQ(BlocksOf(packed), BlocksOf(original));
}

}  // namespace
}  // namespace gf
