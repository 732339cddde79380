// Picture decoding of a 256 x 256 picture, the size every loaded picture is cut down to: PNG
// with alpha, JPEG, and the JPEG round trip behind the optimised palette (baseline encoding at
// quality 100, then the two-pass quantiser to 236 colours with Floyd-Steinberg dithering).

#include <benchmark/benchmark.h>

#include <cmath>

#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"

namespace {

// Smooth gradients with a few hard-edged discs and an alpha ramp: closer to an icon source
// than noise, which neither PNG nor JPEG would see in practice.
gf::Bitmap Picture256() {
    gf::Bitmap b(256, 256, gf::PixelFormat::Bits32);
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* row = b.Row(y);
        for (int x = 0; x < 256; ++x) {
            int r = x, g = y, bl = (x + y) / 2;
            for (int k = 0; k < 5; ++k) {
                double cx = 40 + 45 * k, cy = 60 + 30 * (k % 3);
                if (std::hypot(x - cx, y - cy) < 28) {
                    r = 40 * k;
                    g = 255 - 50 * k;
                    bl = 120;
                }
            }
            std::uint8_t* p = row + 4 * x;
            p[0] = static_cast<std::uint8_t>(bl);
            p[1] = static_cast<std::uint8_t>(g);
            p[2] = static_cast<std::uint8_t>(r);
            p[3] = static_cast<std::uint8_t>(x < 128 ? 255 : 255 - (x - 128) * 2);
        }
    }
    return b;
}

void BM_DecodePng256x256Rgba(benchmark::State& state) {
    const auto file = *gf::EncodePngRgba(Picture256());
    for (auto _ : state) {
        auto png = gf::DecodePng(file);
        benchmark::DoNotOptimize(png);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_DecodePng256x256Rgba);

void BM_EncodePng256x256Rgba(benchmark::State& state) {
    const gf::Bitmap picture = Picture256();
    for (auto _ : state) {
        auto png = gf::EncodePngRgba(picture);
        benchmark::DoNotOptimize(png);
    }
}
BENCHMARK(BM_EncodePng256x256Rgba);

void BM_DecodeJpeg256x256(benchmark::State& state) {
    const auto file = *gf::EncodeJpeg(Picture256(), 90);
    for (auto _ : state) {
        auto jpeg = gf::DecodeJpeg(file);
        benchmark::DoNotOptimize(jpeg);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_DecodeJpeg256x256);

void BM_EncodeJpeg256x256Quality100(benchmark::State& state) {
    const gf::Bitmap picture = Picture256().ConvertedTo(gf::PixelFormat::Bits24);
    for (auto _ : state) {
        auto jpeg = gf::EncodeJpeg(picture, 100);
        benchmark::DoNotOptimize(jpeg);
    }
}
BENCHMARK(BM_EncodeJpeg256x256Quality100);

void BM_DecodeJpegQuantized256x256x236(benchmark::State& state) {
    const auto file = *gf::EncodeJpeg(Picture256(), 100);
    for (auto _ : state) {
        auto quantised = gf::DecodeJpegQuantized(file, 236, true);
        benchmark::DoNotOptimize(quantised);
    }
}
BENCHMARK(BM_DecodeJpegQuantized256x256x236);

}  // namespace
