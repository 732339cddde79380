// Writing icon files and decoding icon images.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"

namespace {

namespace fs = std::filesystem;

gf::Bitmap Picture(int side, gf::PixelFormat format) {
    gf::Bitmap b(side, side, format);
    std::mt19937 rng(7);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            b.SetPixel(x, y, rng() & 0xFFFFFF);
            b.SetAlpha(x, y, static_cast<std::uint8_t>(rng()));
        }
    }
    return b;
}

gf::Bitmap Mask(int side) {
    gf::Bitmap m(side, side, gf::PixelFormat::Bits8);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            m.Row(y)[x] = (x + y) % 5 == 0 ? 255 : 0;
    }
    return m;
}

class TempDir {
  public:
    TempDir() {
        Path = fs::temp_directory_path() / ("gf_bench_" + std::to_string(std::random_device{}()));
        fs::create_directories(Path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

void SaveIcon(benchmark::State& state, int side, gf::PixelFormat format) {
    TempDir dir;
    const gf::Bitmap colour = Picture(side, format);
    const gf::Bitmap mask = Mask(side);
    const fs::path file = dir.Path / "bench.ico";
    for (auto _ : state) {
        gf::Status s = gf::SaveBitmapsAsIcon(colour, mask, file);
        if (!s)
            state.SkipWithError(s.ErrorMessage().c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(file)));
}

void EncodeIcon(benchmark::State& state, int side, gf::PixelFormat format) {
    auto icon = gf::MakeIcon(Picture(side, format), Mask(side));
    for (auto _ : state) {
        auto bytes = gf::EncodeIconFile(*icon, 0);
        benchmark::DoNotOptimize(bytes);
    }
}

void DecodeIcon(benchmark::State& state, int side, gf::PixelFormat format) {
    auto icon = gf::MakeIcon(Picture(side, format), Mask(side));
    auto bytes = gf::EncodeIconFile(*icon, 0);
    for (auto _ : state) {
        auto decoded = gf::DecodeIconFileFirstSize(*bytes);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes->size()));
}

void BM_SaveBitmapsAsIcon_256x256x32(benchmark::State& s) {
    SaveIcon(s, 256, gf::PixelFormat::Bits32);
}
void BM_SaveBitmapsAsIcon_32x32x8(benchmark::State& s) {
    SaveIcon(s, 32, gf::PixelFormat::Bits8);
}
void BM_EncodeIconFile_256x256x32(benchmark::State& s) {
    EncodeIcon(s, 256, gf::PixelFormat::Bits32);
}
void BM_EncodeIconFile_32x32x8(benchmark::State& s) {
    EncodeIcon(s, 32, gf::PixelFormat::Bits8);
}
void BM_DecodeIcon_256x256x32(benchmark::State& s) {
    DecodeIcon(s, 256, gf::PixelFormat::Bits32);
}
void BM_DecodeIcon_32x32x8(benchmark::State& s) {
    DecodeIcon(s, 32, gf::PixelFormat::Bits8);
}

BENCHMARK(BM_SaveBitmapsAsIcon_256x256x32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveBitmapsAsIcon_32x32x8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeIconFile_256x256x32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeIconFile_32x32x8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeIcon_256x256x32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeIcon_32x32x8)->Unit(benchmark::kMicrosecond);

}  // namespace
