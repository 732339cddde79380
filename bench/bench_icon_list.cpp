// The icon list window's work on a large set: joining one-image files into one ICO file, and
// drawing the whole grid (every icon decoded, composed and shrunk), first from cold and then
// again after a reorder, when the drawn cells are reused.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_app.h"
#include "iconfile/ico_writer.h"
#include "iconfile/icon_pack.h"
#include "iconlist/list_icons.h"

namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        Path =
            fs::temp_directory_path() / ("gf_bench_list_" + std::to_string(std::random_device{}()));
        fs::create_directories(Path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

// `count` one-image files: a mix of 32 x 32 at 8 bits and 48 x 48 and 256 x 256 at 32 bits.
std::vector<fs::path> MakeIconFiles(const fs::path& dir, int count) {
    std::mt19937 rng(11);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        const int side = i % 10 == 0 ? 256 : (i % 2 ? 48 : 32);
        const int bits = side == 32 ? 8 : 32;
        gf::Bitmap color(side, side, gf::PixelFormat::Bits32);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                color.SetPixel(x, y, rng() & 0xFFFFFF);
                color.SetAlpha(x, y, static_cast<std::uint8_t>(x * 255 / side));
            }
        }
        gf::Bitmap mask(side, side, gf::PixelFormat::Bits1);
        auto icon = gf::MakeIcon(color, mask);
        fs::path p = dir / ("ic" + std::to_string(i) + "_0.ico");
        gf::WriteIconFile(*icon, p, bits);
        files.push_back(p);
    }
    return files;
}

void BM_PackIconFiles(benchmark::State& state) {
    TempDir dir;
    const auto files = MakeIconFiles(dir.Path, static_cast<int>(state.range(0)));
    const fs::path target = dir.Path / "all.ico";
    for (auto _ : state) {
        auto outcome = gf::PackIconFiles(files, target);
        if (!outcome.Ok())
            state.SkipWithError(outcome.Message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PackIconFiles)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

// A new window each time: every icon is decoded and drawn.
void BM_DrawGridCold(benchmark::State& state) {
    BenchApplication();
    TempDir dir;
    TempDir work;
    const auto files = MakeIconFiles(dir.Path, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        gf::TListIcons list(work.Path);
        for (const auto& f : files)
            list.Icons.Add(f, " 0# 32x32x8bits");
        list.show();
        state.ResumeTiming();
        list.Refresh();
        list.FinishDrawing();
        state.PauseTiming();
        list.Icons.Clear();  // the files are the benchmark's, not the window's
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// 1840: as many as a large system library holds.
BENCHMARK(BM_DrawGridCold)->Arg(300)->Arg(1840)->Unit(benchmark::kMillisecond);

// The refresh after a reorder: the cells of unchanged files are reused.
void BM_DrawGridAfterReorder(benchmark::State& state) {
    BenchApplication();
    TempDir dir;
    TempDir work;
    const auto files = MakeIconFiles(dir.Path, static_cast<int>(state.range(0)));
    gf::TListIcons list(work.Path);
    for (const auto& f : files)
        list.Icons.Add(f, " 0# 32x32x8bits");
    list.show();
    list.Refresh();
    list.FinishDrawing();
    for (auto _ : state) {
        list.SelectedIndex = 0;
        list.MoveToLastExecute();
        list.FinishDrawing();
    }
    list.Modified = false;
    list.Icons.Clear();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawGridAfterReorder)->Arg(300)->Arg(1840)->Unit(benchmark::kMillisecond);

}  // namespace
