// BMP decoding, conversion to an indexed depth, the icon drawing rule and the area-averaging
// stretch that every loaded picture goes through.

#include <benchmark/benchmark.h>

#include <random>

#include "platform/bmp_codec.h"
#include "platform/icon_draw.h"

namespace {

gf::Bitmap Noise(int w, int h, gf::PixelFormat format) {
    gf::Bitmap b(w, h, format);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Row(y);
        for (std::size_t i = 0; i < b.Stride(); ++i)
            row[i] = static_cast<std::uint8_t>(rng());
    }
    return b;
}

void DecodeBench(benchmark::State& state, gf::PixelFormat format) {
    const auto file = gf::EncodeBmp(Noise(256, 256, format));
    for (auto _ : state) {
        auto bitmap = gf::DecodeBmp(file);
        benchmark::DoNotOptimize(bitmap);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_DecodeBmp256x256x32(benchmark::State& state) {
    DecodeBench(state, gf::PixelFormat::Bits32);
}
BENCHMARK(BM_DecodeBmp256x256x32);

void BM_DecodeBmp256x256x8(benchmark::State& state) {
    DecodeBench(state, gf::PixelFormat::Bits8);
}
BENCHMARK(BM_DecodeBmp256x256x8);

void BM_EncodeBmp256x256x32(benchmark::State& state) {
    const auto bitmap = Noise(256, 256, gf::PixelFormat::Bits32);
    for (auto _ : state) {
        auto file = gf::EncodeBmp(bitmap);
        benchmark::DoNotOptimize(file);
    }
}
BENCHMARK(BM_EncodeBmp256x256x32);

void BM_StretchAreaAverage1000x800To256(benchmark::State& state) {
    const auto source = Noise(1000, 800, gf::PixelFormat::Bits24);
    for (auto _ : state) {
        auto target = gf::StretchAreaAverage(source, 256, 256, gf::PixelFormat::Bits32);
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(BM_StretchAreaAverage1000x800To256)->Unit(benchmark::kMillisecond);

void BM_ConvertNoiseTo8Bits256x256(benchmark::State& state) {
    const auto source = Noise(256, 256, gf::PixelFormat::Bits24);
    for (auto _ : state) {
        auto target = source.ConvertedTo(gf::PixelFormat::Bits8);
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(BM_ConvertNoiseTo8Bits256x256)->Unit(benchmark::kMillisecond);

void BM_DrawIcon256x256Alpha(benchmark::State& state) {
    const auto color = Noise(256, 256, gf::PixelFormat::Bits32);
    const gf::Bitmap mask(256, 256, gf::PixelFormat::Bits8);
    gf::Bitmap target(256, 256, gf::PixelFormat::Bits24);
    for (auto _ : state) {
        gf::DrawIcon(target, 0, 0, color, mask);
        benchmark::DoNotOptimize(target.Data().data());
    }
}
BENCHMARK(BM_DrawIcon256x256Alpha);

}  // namespace
