// PNG entries of icon files at each zlib level (the bytes they take are the "bytes" counter), and
// the premultiplied resampling of a 512 x 512 picture to the seven usual icon sizes in one pass.

#include <benchmark/benchmark.h>

#include <cmath>

#include "editor/pixels/rgba_resample.h"
#include "platform/png_codec.h"

namespace {

// Icon-like artwork: a soft-edged disc with gradients and some fine detail.
gf::Bitmap Artwork(int side) {
    gf::Bitmap b(side, side, gf::PixelFormat::Bits32);
    const double c = (side - 1) / 2.0;
    for (int y = 0; y < side; ++y) {
        std::uint8_t* p = b.Row(y);
        for (int x = 0; x < side; ++x, p += 4) {
            const double d = std::hypot(x - c, y - c);
            const int a = std::clamp(static_cast<int>((side * 0.45 - d) * 8 * 256 / side), 0, 255);
            p[0] = static_cast<std::uint8_t>(128 + 60 * std::sin(x / 9.0) * std::cos(y / 7.0));
            p[1] = static_cast<std::uint8_t>(y * 255 / side);
            p[2] = static_cast<std::uint8_t>(x * 255 / side);
            p[3] = static_cast<std::uint8_t>(a);
        }
    }
    return b;
}

void BM_PngEntryAtLevel(benchmark::State& state) {
    const gf::Bitmap icon = Artwork(256);
    const gf::PngEncodeOptions options{static_cast<int>(state.range(0)), -1};
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto png = gf::EncodePngRgba(icon, options);
        bytes = png->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PngEntryAtLevel)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);

void BM_ResampleSevenSizes(benchmark::State& state) {
    const gf::Bitmap picture = Artwork(512);
    const auto filter = static_cast<gf::ResampleFilter>(state.range(0));
    const gf::ResampleSize sizes[] = {{16, 16}, {24, 24}, {32, 32},   {48, 48},
                                      {64, 64}, {128, 128}, {256, 256}};
    for (auto _ : state)
        benchmark::DoNotOptimize(gf::ResamplePremultiplied(picture, sizes, filter));
}
BENCHMARK(BM_ResampleSevenSizes)
    ->Arg(static_cast<int>(gf::ResampleFilter::Box))
    ->Arg(static_cast<int>(gf::ResampleFilter::Lanczos))
    ->Unit(benchmark::kMillisecond);

}  // namespace
