// The converter window's preview: a working icon composed over the backdrop and handed to Qt,
// and the Bitmap <-> QImage bridge every window uses to show pictures.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "app/icon_converter.h"
#include "bench_app.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/scripted_seam.h"

namespace {

gf::Bitmap Picture(int side, gf::PixelFormat format) {
    gf::Bitmap b(side, side, format);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            b.SetPixel(x, y,
                       gf::Rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                               static_cast<std::uint8_t>(x ^ y)));
    if (format == gf::PixelFormat::Bits32)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                b.SetAlpha(x, y, static_cast<std::uint8_t>(x + y));
    return b;
}

void BM_ToQImage(benchmark::State& state) {
    const auto format = static_cast<gf::PixelFormat>(state.range(1));
    const gf::Bitmap b = Picture(static_cast<int>(state.range(0)), format);
    for (auto _ : state)
        benchmark::DoNotOptimize(gf::ToQImage(b));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.Data().size()));
}
BENCHMARK(BM_ToQImage)
    ->Args({256, static_cast<int>(gf::PixelFormat::Bits32)})
    ->Args({1024, static_cast<int>(gf::PixelFormat::Bits24)})
    ->Args({1024, static_cast<int>(gf::PixelFormat::Bits4)});

void BM_FromQImage(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgba(40, 80, 120, 200));
    for (auto _ : state)
        benchmark::DoNotOptimize(gf::FromQImage(image));
    state.SetBytesProcessed(state.iterations() * image.sizeInBytes());
}
BENCHMARK(BM_FromQImage)->Arg(256)->Arg(1024);

// The whole redraw after a load: backdrop, frame, a 256 x 256 icon with alpha, the info line.
void BM_ShowWorkingIcon(benchmark::State& state) {
    BenchApplication();
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    gf::ScriptedSeam seam;
    auto window = std::make_unique<gf::TIconConverter>();
    window->WorkColor = Picture(256, gf::PixelFormat::Bits32);
    window->WorkMask = gf::Bitmap(256, 256, gf::PixelFormat::Bits8);
    window->WorkPixelFormat = 7;
    for (auto _ : state)
        window->ShowWorkingIcon();
}
BENCHMARK(BM_ShowWorkingIcon)->Unit(benchmark::kMicrosecond);

}  // namespace
