// Writes the seed inputs of the icon file, executable, NE, group and checker fuzz targets from the
// test builders, when asked: GF_WRITE_FUZZ_SEEDS=<repository>/fuzz/corpus iconfile_tests
// --gtest_filter=FuzzSeeds.* (the seeds in the repository were made this way), and the
// regression files built the same way with GF_WRITE_REGRESSIONS=<repository>/tests/data/
// regressions. Otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/byte_reader.h"
#include "support/ico_builder.h"
#include "support/ne_builder.h"
#include "support/pe_builder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Block(int w, int h, int bits) {
    test::DibBlockRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.BitCount = bits;
    recipe.Pixel = [](int x, int y) { return static_cast<std::uint32_t>(x ^ y); };
    return test::MakeDibBlock(recipe);
}

std::vector<std::uint8_t> Png(int w, int h) {
    Bitmap b(w, h, PixelFormat::Bits32);
    b.Fill(Rgb(9, 99, 199), 200);
    return test::MakePngBlock(b);
}

void Chunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& d) {
    out.insert(out.end(), id, id + 4);
    PutU32(out, static_cast<std::uint32_t>(d.size()));
    out.insert(out.end(), d.begin(), d.end());
    if (d.size() % 2)
        out.push_back(0);
}

fs::path SeedFolder(const std::string& name, const char* variable = "GF_WRITE_FUZZ_SEEDS") {
    const char* root = std::getenv(variable);
    if (!root || !*root)
        return {};
    fs::path dir = fs::path(root) / name;
    fs::create_directories(dir);
    return dir;
}

TEST(FuzzSeeds, IcoDirectory) {
    fs::path dir = SeedFolder("ico_dir");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_FUZZ_SEEDS is not set";
    using test::IcoBuilder;
    test::WriteBytes(dir / "three.ico", IcoBuilder()
                                            .Add(Block(16, 16, 4), 16, 16, 4)
                                            .Add(Block(8, 8, 8), 8, 8, 8)
                                            .Add(Block(4, 4, 32), 4, 4, 32)
                                            .Build());
    test::WriteBytes(dir / "cursor.cur",
                     IcoBuilder().SetType(2).Add(Block(16, 16, 1), 16, 16, 1).Build());
    test::WriteBytes(dir / "png.ico", IcoBuilder().Add(Png(16, 16), 16, 16, 32).Build());
    test::WriteBytes(dir / "count_beyond.ico",
                     IcoBuilder().SetCount(500).Add(Block(8, 8, 4), 8, 8, 4).Build());
    test::WriteBytes(dir / "truncated.ico",
                     IcoBuilder().Add(Block(16, 16, 24), 16, 16, 24).TruncateTo(300).Build());
    IcoBuilder lying;
    lying.Add(Block(8, 8, 1), 8, 8, 1).Add(Block(8, 8, 4), 8, 8, 4).SetOffset(1, 0xFFFFFF00u);
    lying.SetSize(0, 0xFFFFFFFFu);
    test::WriteBytes(dir / "lying.ico", lying.Build());
    test::WriteBytes(dir / "empty.ico", IcoBuilder().Build());

    std::vector<std::uint8_t> body{'A', 'C', 'O', 'N'};
    Chunk(body, "anih", std::vector<std::uint8_t>(36, 0));
    std::vector<std::uint8_t> frames{'f', 'r', 'a', 'm'};
    Chunk(frames, "icon", IcoBuilder().SetType(2).Add(Block(8, 8, 4), 8, 8, 4).Build());
    Chunk(frames, "icon", IcoBuilder().SetType(2).Add(Block(8, 8, 8), 8, 8, 8).Build());
    Chunk(body, "LIST", frames);
    std::vector<std::uint8_t> ani;
    Chunk(ani, "RIFF", body);
    test::WriteBytes(dir / "two_frames.ani", ani);
}

TEST(FuzzSeeds, Pe) {
    fs::path dir = SeedFolder("pe");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_FUZZ_SEEDS is not set";
    using test::BuildPe;
    using test::PeRecipe;
    PeRecipe recipe;
    recipe.Icons = test::NumberedIcons({Block(16, 16, 4), Block(8, 8, 32), Block(16, 16, 1)});
    recipe.Icons[1].Languages.push_back({1031, Block(8, 8, 8)});
    recipe.Groups = {{1, {1, 2}}, {2, {3}}};
    auto pe32 = BuildPe(recipe);
    test::WriteBytes(dir / "pe32.dll", pe32.Bytes);

    PeRecipe wide = recipe;
    wide.Pe64 = true;
    wide.DataInOwnSection = true;
    test::WriteBytes(dir / "pe64_own_section.dll", BuildPe(wide).Bytes);

    PeRecipe png;
    png.Icons = test::NumberedIcons({Png(16, 16), Block(16, 16, 8)});
    png.OtherTypesFirst = false;
    test::WriteBytes(dir / "png.exe", BuildPe(png).Bytes);

    PeRecipe moved = recipe;
    moved.DosPointer = 0x200;
    moved.PeOffset = 0x300;
    test::WriteBytes(dir / "wrong_pointer.exe", BuildPe(moved).Bytes);

    auto loop = pe32;
    loop.PutU32(loop.IconEntries[1] + 4, 0x80000000u | (loop.IconDirectory - loop.ResourceRaw));
    test::WriteBytes(dir / "loop.dll", loop.Bytes);

    auto rva = pe32;
    rva.PutU32(rva.DataEntries[0], 0xFFFFFF00u);
    test::WriteBytes(dir / "bad_rva.dll", rva.Bytes);

    auto cut = pe32;
    cut.Bytes.resize(pe32.ImageOffsets[1] + 20);
    test::WriteBytes(dir / "truncated.dll", cut.Bytes);
}

TEST(FuzzSeeds, Ne) {
    fs::path dir = SeedFolder("ne");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_FUZZ_SEEDS is not set";
    const auto icon = Block(16, 16, 4);
    const auto group = test::MakeGroupResource({{1, icon}, {2, Block(8, 8, 8)}});
    test::NeRecipe recipe;
    recipe.Resources = {{3, 1, "", icon},
                        {3, 2, "", Block(8, 8, 8)},
                        {3, 0, "LOGO", Block(8, 8, 1)},
                        {1, 5, "", test::MakeCursorResource(2, 3, Block(16, 16, 1))},
                        {14, 1, "", group},
                        {12, 7, "", test::MakeGroupResource({{5, test::MakeCursorResource(
                                                                     2, 3, Block(16, 16, 1))}},
                                                            true)}};
    test::WriteBytes(dir / "icons_and_groups.exe", test::BuildNe(recipe).Bytes);
    recipe.AlignShift = 9;
    recipe.NamedTypeFirst = false;
    test::WriteBytes(dir / "shift9.dll", test::BuildNe(recipe).Bytes);
    auto built = test::BuildNe(recipe);
    built.Bytes.resize(built.NameInfos[2] + 4);
    test::WriteBytes(dir / "cut_table.dll", built.Bytes);
}

TEST(FuzzSeeds, IconGroups) {
    fs::path dir = SeedFolder("icon_groups");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_FUZZ_SEEDS is not set";
    const auto a = Block(16, 16, 4), b = Block(8, 8, 32);
    const auto cursor = test::MakeCursorResource(4, 6, Block(16, 16, 1));
    test::WriteBytes(dir / "group_data.bin", test::MakeGroupResource({{1, a}, {2, b}}));
    test::WriteBytes(dir / "cursor_group_data.bin", test::MakeGroupResource({{5, cursor}}, true));
    test::PeRecipe recipe;
    recipe.Icons = test::NumberedIcons({a, b});
    recipe.Resources = {
        {14, 1, u"", {{1033, test::MakeGroupResource({{1, a}, {2, b}, {9, {}}})},
                      {1031, test::MakeGroupResource({{2, b}})}}},
        {14, 0, u"MAIN", {{1033, test::MakeGroupResource({{1, a}})}}},
        {1, 5, u"", {{1033, cursor}}},
        {12, 1, u"", {{1033, test::MakeGroupResource({{5, cursor}}, true)}}}};
    test::WriteBytes(dir / "groups.dll", test::BuildPe(recipe).Bytes);
    test::NeRecipe ne;
    ne.Resources = {{3, 1, "", a}, {3, 2, "", b}, {14, 1, "", test::MakeGroupResource({{1, a}, {2, b}})}};
    test::WriteBytes(dir / "groups_ne.exe", test::BuildNe(ne).Bytes);
}

TEST(FuzzSeeds, IcoCheck) {
    fs::path dir = SeedFolder("ico_check");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_FUZZ_SEEDS is not set";
    using test::IcoBuilder;
    test::WriteBytes(dir / "sound.ico", IcoBuilder()
                                            .Add(Block(16, 16, 4), 16, 16, 4)
                                            .Add(Block(32, 32, 8), 32, 32, 8)
                                            .Add(Block(48, 48, 32), 48, 48, 32)
                                            .Build());
    test::WriteBytes(dir / "unsorted_duplicate.ico", IcoBuilder()
                                                         .Add(Block(32, 32, 8), 32, 32, 8)
                                                         .Add(Block(16, 16, 4), 16, 16, 4)
                                                         .Add(Block(16, 16, 4), 16, 16, 4)
                                                         .Build());
    test::WriteBytes(dir / "wrong_entries.ico", IcoBuilder().Add(Block(16, 16, 8), 24, 0, 4).Build());
    test::WriteBytes(dir / "small_png.ico", IcoBuilder().Add(Png(16, 16), 16, 16, 32).Build());
    test::DibBlockRecipe noAlpha;
    noAlpha.Width = noAlpha.Height = 8;
    noAlpha.BitCount = 32;
    noAlpha.Pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 3 + y) & 0xFFFFFF; };
    auto zeroAlpha = test::MakeDibBlock(noAlpha);
    test::WriteBytes(dir / "zero_alpha.ico", IcoBuilder().Add(zeroAlpha, 8, 8, 32).Build());
    auto shortMask = Block(16, 16, 8);
    shortMask.resize(shortMask.size() - 20);
    test::WriteBytes(dir / "short_mask.ico", IcoBuilder().Add(shortMask, 16, 16, 8).Build());
    IcoBuilder overlap;
    overlap.Add(Block(8, 8, 4), 8, 8, 4).Add(Block(8, 8, 8), 8, 8, 8).SetOffset(1, 30);
    test::WriteBytes(dir / "overlap.ico", overlap.Build());
    test::WriteBytes(dir / "cursor.cur",
                     IcoBuilder().SetType(2).Add(Block(16, 16, 1), 16, 16, 1).Build());
    test::WriteBytes(dir / "count_beyond.ico",
                     IcoBuilder().SetCount(40).Add(Block(8, 8, 4), 8, 8, 4).Build());
}

// A group naming one image of 64 KiB 65535 times: 4 GiB of icon file from 1 MiB, before the
// listing kept a budget. Mostly zeros, so it is small in the repository.
TEST(FuzzSeeds, GroupBombRegression) {
    fs::path dir = SeedFolder("icon_groups", "GF_WRITE_REGRESSIONS");
    if (dir.empty())
        GTEST_SKIP() << "GF_WRITE_REGRESSIONS is not set";
    std::vector<std::uint8_t> image(65536, 0);
    const auto header = Block(16, 16, 32);
    std::copy(header.begin(), header.end(), image.begin());
    std::vector<std::uint8_t> group = {0, 0, 1, 0, 0xFF, 0xFF};
    for (int i = 0; i < 65535; ++i) {
        const std::uint8_t entry[14] = {16, 16, 0, 0, 1, 0, 32, 0, 0, 0, 1, 0, 1, 0};
        group.insert(group.end(), entry, entry + 14);
    }
    test::PeRecipe recipe;
    recipe.Icons = test::NumberedIcons({image});
    recipe.Resources = {{14, 1, u"", {{1033, group}}}};
    test::WriteBytes(dir / "group_names_one_image_65535_times.dll", test::BuildPe(recipe).Bytes);
}

}  // namespace
}  // namespace gf
