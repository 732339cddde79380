// Writes the seed inputs of the ICO directory and PE fuzz targets from the test builders, when
// asked: GF_WRITE_FUZZ_SEEDS=<repository>/fuzz/corpus iconfile_tests
// --gtest_filter=FuzzSeeds.* (the seeds in the repository were made this way). Otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/byte_reader.h"
#include "support/ico_builder.h"
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

fs::path SeedFolder(const std::string& name) {
    const char* root = std::getenv("GF_WRITE_FUZZ_SEEDS");
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

}  // namespace
}  // namespace gf
