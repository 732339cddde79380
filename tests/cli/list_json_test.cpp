// glyphforge-cli list --json, run as a separate process and read back by python3's json module
// (tests/cli/check_list_json.py), which also compares it with the text listing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_io.h"
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
    return test::MakeDibBlock(recipe);
}

std::vector<std::uint8_t> Png(int side) {
    Bitmap b(side, side, PixelFormat::Bits32);
    b.Fill(Rgb(10, 20, 30), 255);
    return test::MakePngBlock(b);
}

bool HavePython() {
    test::TempFolder dir;
    return test::RunProcess("python3", {"-c", "import json"}, (dir / "run").string()).ExitCode == 0;
}

// Runs the checker over `files`; its complaints are the failure message.
void ExpectJsonMatchesText(const std::vector<std::string>& files, const fs::path& scratch) {
    std::vector<std::string> args{GF_LIST_JSON_CHECK, GF_CLI_PATH};
    args.insert(args.end(), files.begin(), files.end());
    auto r = test::RunProcess("python3", args, scratch.string());
    EXPECT_EQ(r.ExitCode, 0) << r.Err << r.Out;
}

TEST(CliListJson, NamesOfEveryKindComeOutValidAndExact) {
    if (!HavePython())
        GTEST_SKIP() << "python3 is not installed; the JSON output is not checked";
    test::TempFolder dir;
    const auto ico =
        test::IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).Add(Png(256), 256, 256, 32).Build();
    test::PeRecipe recipe;
    recipe.Icons = test::NumberedIcons({Block(32, 32, 8), Block(48, 48, 32)});
    const auto exe = test::BuildPe(recipe).Bytes;
    test::PeRecipe none;
    const auto bare = test::BuildPe(none).Bytes;

    const std::vector<std::string> names = {
        "plain.ico",
        "say \"cheese\".ico",
        "back\\slash.ico",
        "it's.ico",
        "tab\tand\nnewline.ico",
        "caf\xC3\xA9 \xE2\x82\xAC.ico",
        "latin1 \xE9t\xE9.ico",  // not UTF-8
        "overlong \xC0\xAF.ico",
        "surrogate \xED\xA0\x80.dll",
        "\xFF\xFE.exe",
    };
    std::vector<std::string> files;
    for (const auto& name : names) {
        fs::path p = dir / name;
        test::WriteBytes(p, name.find(".ico") != std::string::npos ? ico : exe);
        files.push_back(PathText(p));
    }
    test::WriteBytes(dir / "no icons.exe", bare);
    files.push_back(PathText(dir / "no icons.exe"));
    files.push_back(PathText(dir / "missing \"file\".ico"));
    ExpectJsonMatchesText(files, dir / "run");
}

TEST(CliListJson, DocumentShape) {
    test::TempFolder dir;
    test::IcoBuilder().Add(Png(256), 256, 256, 32).WriteTo(dir / "big.ico");
    auto r = test::RunProcess(GF_CLI_PATH, {"list", "--json", PathText(dir / "big.ico")},
                              (dir / "run").string());
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "{\n"
              "  \"files\": [\n"
              "    {\n"
              "      \"path\": \"" +
                  PathText(dir / "big.ico") +
                  "\",\n"
                  "      \"kind\": \"icon_file\",\n"
                  "      \"images\": [\n"
                  "        {\"index\": 0, \"width\": 256, \"height\": 256, \"bit_count\": 32, "
                  "\"storage\": \"PNG\", \"bytes\": " +
                  std::to_string(Png(256).size()) +
                  ", \"offset\": 22}\n"
                  "      ]\n"
                  "    }\n"
                  "  ]\n"
                  "}\n");
}

TEST(CliListJson, MatchesTheTextListingOnRealFiles) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus)
        GTEST_SKIP() << "GF_CORPUS is not set; real-world files are not checked";
    if (!HavePython())
        GTEST_SKIP() << "python3 is not installed; the JSON output is not checked";
    std::vector<std::string> files;
    for (const char* sub : {"ico", "cur", "pe32", "pe64"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(corpus) / sub, ec)) {
            if (e.is_regular_file())
                files.push_back(PathText(e.path()));
        }
    }
    if (files.empty())
        GTEST_SKIP() << "no icon files or executables in " << corpus;
    test::TempFolder dir;
    ExpectJsonMatchesText(files, dir / "run");
}

}  // namespace
}  // namespace gf
