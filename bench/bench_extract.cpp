// Reading the icons of a large executable: the resource walk alone, the listing the
// command-line tool prints, and the loader cutting every image into the working folder.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/icon_listing.h"
#include "icon_library.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "iconfile/pe_icons.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
// The benchmarks link no test library; the executable builder is compiled in here.
#include "support/pe_builder.cpp"

namespace {

namespace fs = std::filesystem;

constexpr int IconCount = 400;

std::vector<std::uint8_t> IconBlockOf(int side, int bits, std::mt19937& rng) {
    gf::Bitmap color(side, side, gf::PixelFormat::Bits32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            color.SetPixel(x, y, rng() & 0xFFFFFF);
            color.SetAlpha(x, y, static_cast<std::uint8_t>(rng()));
        }
    }
    if (side == 256) {
        auto png = gf::EncodePngRgba(color);
        if (!png)
            throw std::runtime_error(png.ErrorMessage());
        return *png;
    }
    gf::Bitmap mask(side, side, gf::PixelFormat::Bits1);
    auto icon = gf::MakeIcon(color, mask);
    if (!icon)
        throw std::runtime_error(icon.ErrorMessage());
    auto block = gf::EncodeIconBlock(*icon, bits);
    if (!block)
        throw std::runtime_error(block.ErrorMessage());
    return block->Data;
}

// An executable with IconCount icons of 16 to 64 pixels at 4, 8 and 32 bits and some 256 x 256
// PNG images, in groups of eight, as a large icon library has them.
struct BigExecutable {
    fs::path Folder;
    fs::path File;
    std::uint64_t Bytes = 0;

    BigExecutable() {
        Folder = fs::temp_directory_path() /
                 ("gf_bench_extract_" + std::to_string(std::random_device{}()));
        fs::create_directories(Folder / "work");
        std::mt19937 rng(11);
        const int sides[] = {16, 24, 32, 48, 64, 256};
        const int depths[] = {4, 8, 32};
        std::vector<std::vector<std::uint8_t>> images;
        for (int i = 0; i < IconCount; ++i) {
            images.push_back(IconBlockOf(sides[i % 6], depths[(i / 6) % 3], rng));
        }
        gf::test::PeRecipe recipe;
        recipe.Icons = gf::test::NumberedIcons(images);
        for (std::uint32_t g = 0; g < IconCount / 8; ++g) {
            gf::test::PeIconGroup group{g + 1, {}};
            for (std::uint32_t k = 0; k < 8; ++k)
                group.IconIds.push_back(g * 8 + k + 1);
            recipe.Groups.push_back(group);
        }
        File = Folder / "library.dll";
        auto pe = gf::test::BuildPe(recipe);
        pe.WriteTo(File);
        Bytes = pe.Bytes.size();
    }
    ~BigExecutable() {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
};

BigExecutable& Big() {
    static BigExecutable big;
    return big;
}

void BM_WalkExecutableInMemory(benchmark::State& state) {
    auto bytes = gf::ReadFileBytes(Big().File);
    if (!bytes) {
        state.SkipWithError(bytes.ErrorMessage().c_str());
        return;
    }
    for (auto _ : state) {
        gf::MemorySource source(*bytes);
        std::string message;
        auto table = gf::ReadExecutableIcons(source, message);
        if (table.size() != IconCount)
            state.SkipWithError("wrong icon count");
        benchmark::DoNotOptimize(table.data());
    }
    state.counters["icons"] = IconCount;
}
BENCHMARK(BM_WalkExecutableInMemory)->Unit(benchmark::kMicrosecond);

// What `glyphforge-cli list` does for the file: open, walk, describe, format.
void BM_ListExecutable(benchmark::State& state) {
    for (auto _ : state) {
        auto listing = gf::ListIconFile(Big().File);
        if (!listing || listing->List.Images.size() != IconCount) {
            state.SkipWithError("listing failed");
            break;
        }
        auto text = gf::cli::FormatIconListing(Big().File, *listing);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["file_MiB"] = static_cast<double>(Big().Bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ListExecutable)->Unit(benchmark::kMillisecond);

// The loader: every image cut into a one-image file of the working folder (files removed
// between runs, outside the timing).
void BM_ExtractIconsToFiles(benchmark::State& state) {
    const fs::path work = Big().Folder / "work";
    for (auto _ : state) {
        gf::IconSet set;
        auto result = gf::ExtractIconsToFiles(Big().File, set, work);
        if (result.Count != IconCount) {
            state.SkipWithError("extraction failed");
            break;
        }
        state.PauseTiming();
        for (const auto& f : set.IconFiles)
            fs::remove(f);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * IconCount);
}
BENCHMARK(BM_ExtractIconsToFiles)->Unit(benchmark::kMillisecond);

// The loader on a library as large as the big system ones (1840 images): what the Load command
// does before the list window opens.
void BM_LoadLargeLibrary(benchmark::State& state) {
    const fs::path folder = Big().Folder / "large";
    fs::create_directories(folder / "work");
    gf::bench::BuildIconLibrary(184, 10).WriteTo(folder / "large.dll");
    for (auto _ : state) {
        gf::IconSet set;
        auto result = gf::ExtractIconsToFiles(folder / "large.dll", set, folder / "work");
        if (result.Count != 1840) {
            state.SkipWithError("extraction failed");
            break;
        }
        state.PauseTiming();
        for (const auto& f : set.IconFiles)
            fs::remove(f);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadLargeLibrary)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
