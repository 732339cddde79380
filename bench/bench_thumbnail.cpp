// The thumbnailer on a 20 MB executable: 320 icon images in 80 groups of 16, 32, 48 and 256
// pixels, the first group drawn like a program's icon, the rest noise that fills the file.
// BM_Thumbnail is the road as functions (open, list, choose, decode, shrink, PNG);
// BM_ThumbnailCommand the whole `glyphforge-cli thumbnail` process as a file manager runs it.
// Goal: the command under 20 ms. On a busy machine the wall time says little; child_cpu_ms is
// the processor time the command itself took (user and system), per run.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "cli/thumbnail.h"
#include "iconfile/ico_writer.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/run_process.h"
// The benchmarks link no test library; the executable builder is compiled in here.
#include "support/pe_builder.cpp"

namespace {

namespace fs = std::filesystem;

constexpr int Groups = 80;
constexpr int Sides[] = {16, 32, 48, 256};

gf::Bitmap Picture(int side, bool noise, std::mt19937& rng) {
    gf::Bitmap b(side, side, gf::PixelFormat::Bits32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int dx = 2 * x - side, dy = 2 * y - side;
            const bool inside = dx * dx + dy * dy < side * side;
            b.SetPixel(x, y,
                       noise ? rng() & 0xFFFFFF : gf::Rgb(x * 255 / side, 90, y * 255 / side));
            b.SetAlpha(x, y, noise ? static_cast<std::uint8_t>(rng()) : inside ? 255 : 0);
        }
    }
    return b;
}

std::vector<std::uint8_t> Block(int side, bool noise, std::mt19937& rng) {
    const gf::Bitmap colour = Picture(side, noise, rng);
    if (side == 256) {
        auto png = gf::EncodePngRgba(colour);
        if (!png)
            throw std::runtime_error(png.ErrorMessage());
        return *png;
    }
    auto icon = gf::MakeIcon(colour, gf::Bitmap(side, side, gf::PixelFormat::Bits1));
    if (!icon)
        throw std::runtime_error(icon.ErrorMessage());
    auto block = gf::EncodeIconBlock(*icon, 32);
    if (!block)
        throw std::runtime_error(block.ErrorMessage());
    return block->Data;
}

struct BigExecutable {
    fs::path Folder;
    fs::path File;
    std::uint64_t Bytes = 0;

    BigExecutable() {
        Folder = fs::temp_directory_path() /
                 ("gf_bench_thumbnail_" + std::to_string(std::random_device{}()));
        fs::create_directories(Folder);
        std::mt19937 rng(5);
        std::vector<std::vector<std::uint8_t>> images;
        gf::test::PeRecipe recipe;
        for (std::uint32_t g = 0; g < Groups; ++g) {
            gf::test::PeIconGroup group{g + 1, {}};
            for (int side : Sides) {
                images.push_back(Block(side, g > 0, rng));
                group.IconIds.push_back(static_cast<std::uint32_t>(images.size()));
            }
            recipe.Groups.push_back(group);
        }
        recipe.Icons = gf::test::NumberedIcons(images);
        File = Folder / "setup.exe";
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

void BM_Thumbnail(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    Big(); // built once, before the clock starts
    for (auto _ : state) {
        auto file = gf::FileSource::Open(Big().File);
        auto picture = file ? gf::cli::MakeThumbnail(**file, Big().File, size)
                            : gf::Result<gf::Bitmap>(file.GetError());
        auto png = picture ? gf::EncodePngRgba(*picture)
                           : gf::Result<std::vector<std::uint8_t>>(picture.GetError());
        if (!png) {
            state.SkipWithError(png.ErrorMessage().c_str());
            break;
        }
        benchmark::DoNotOptimize(png->data());
    }
    state.counters["file_MiB"] = static_cast<double>(Big().Bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Thumbnail)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

#ifndef _WIN32
double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
#else
double ChildCpuSeconds() {
    return 0;
}
#endif

void BM_ThumbnailCommand(benchmark::State& state) {
    const std::string size = std::to_string(state.range(0));
    const std::string out = (Big().Folder / "thumb.png").string();
    const double cpuBefore = ChildCpuSeconds();
    for (auto _ : state) {
        auto r = gf::test::RunProcess(GF_CLI_PATH, {"thumbnail", Big().File.string(), out, size},
                                      (Big().Folder / "run").string());
        if (r.ExitCode != 0) {
            state.SkipWithError(r.Err.c_str());
            break;
        }
    }
    // The shell that starts the command is counted too: a few tenths of a millisecond.
    state.counters["child_cpu_ms"] =
        1000 * (ChildCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["file_MiB"] = static_cast<double>(Big().Bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ThumbnailCommand)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
