// The editor's previews and page steps at the largest icon size (256 x 256).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "editor/pixels/colour_bits.h"
#include "editor/pixels/editor_road.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/reduce.h"
#include "editor/pixels/resample.h"
#include "editor/pixels/similarity.h"
#include "editor/pixels/tiles.h"

namespace {

using namespace gf;

// A 256 x 256 picture with smooth gradients, a few flat shapes and some noise, and a transparent
// margin, roughly what a photograph-like logo brings.
Bitmap Picture(bool withAlpha) {
    Bitmap b(256, 256, PixelFormat::Bits32);
    std::mt19937 rng(5);
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* row = b.Row(y);
        for (int x = 0; x < 256; ++x) {
            std::uint8_t* p = row + 4 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>((x * y) >> 8 ^ (rng() & 15));
            const int dx = x - 128, dy = y - 128;
            const bool inside = dx * dx + dy * dy < 110 * 110;
            p[3] = withAlpha ? (inside ? 255 : (dx * dx + dy * dy < 118 * 118 ? 128 : 0)) : 0;
        }
    }
    return b;
}

struct Source {
    SourceStart Start;
    Bitmap Preview;
    explicit Source(bool alpha) : Start(PrepareSource(Picture(alpha), true)) {
        Preview = ComposeSourcePreview(Start.Color, Start.Mask, White);
    }
};

// UpdateSizePreview: the source preview composed again, then the canvas preview at the size.
void BM_UpdateSizePreview(benchmark::State& state) {
    const Source src(true);
    const SizeSettings size{static_cast<int>(state.range(0)), static_cast<int>(state.range(0)),
                            true, state.range(1) != 0};
    for (auto _ : state) {
        Bitmap preview = ComposeSourcePreview(src.Start.Color, src.Start.Mask, White);
        Bitmap canvas = RenderSizePreview(preview, size, White);
        benchmark::DoNotOptimize(canvas.Data().data());
    }
}
BENCHMARK(BM_UpdateSizePreview)
    ->Args({256, 1})
    ->Args({48, 1})
    ->Args({48, 0})
    ->Unit(benchmark::kMillisecond);

// "Next >>" of the size page: the seven resampling steps.
void BM_SizePageNext(benchmark::State& state) {
    const Source src(state.range(1) != 0);
    const SizeSettings size{static_cast<int>(state.range(0)), static_cast<int>(state.range(0)),
                            true, true};
    for (auto _ : state) {
        Bitmap color, mask;
        ResampleSourceToIcon(src.Start.Color, src.Start.Mask, src.Preview, size, color, mask);
        benchmark::DoNotOptimize(color.Data().data());
    }
}
BENCHMARK(BM_SizePageNext)
    ->Args({256, 1})
    ->Args({48, 1})
    ->Args({48, 0})
    ->Unit(benchmark::kMillisecond);

void BM_ApplyTransparency(benchmark::State& state) {
    const Source src(false);
    Bitmap reference, mask;
    ResampleSourceToIcon(src.Start.Color, src.Start.Mask, src.Preview, {256, 256, true, true},
                         reference, mask);
    const Bitmap region = MakeMask(256, 256, 0);
    const Bitmap tile = MakeTile(TileKind::GreyFine);
    Bitmap color = reference;
    const TransparencySettings t{true, reference.GetPixel(0, 0), 40};
    for (auto _ : state) {
        ApplyTransparencyToIcon(reference, region, t, color, mask);
        Bitmap image(256, 256, PixelFormat::Bits24);
        DrawIconPreview(image, tile, color, mask);
        benchmark::DoNotOptimize(image.Data().data());
    }
}
BENCHMARK(BM_ApplyTransparency)->Unit(benchmark::kMillisecond);

// The colour bits preview at 8 bits with each palette kind (Custom reads a grid).
void BM_ReduceToPalette(benchmark::State& state) {
    const Source src(false);
    Bitmap color, mask;
    ResampleSourceToIcon(src.Start.Color, src.Start.Mask, src.Preview, {256, 256, true, true},
                         color, mask);
    color.SetFormat(PixelFormat::Bits24);
    Bitmap grid;
    DrawPaletteGrid(grid, WebSafePalette(), 256);
    const auto kind = static_cast<PaletteKind>(state.range(0));
    const int bits = static_cast<int>(state.range(1));
    for (auto _ : state) {
        Bitmap c = color;
        auto s = ReduceToPalette(c, bits, kind, &grid);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_ReduceToPalette)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {8}})
    ->Args({0, 1})
    ->Args({0, 4})
    ->Unit(benchmark::kMillisecond);

// The whole colour bits page preview, as a change of a control runs it.
void BM_ColourBitsPreview(benchmark::State& state) {
    const Source src(true);
    Bitmap color, mask;
    ResampleSourceToIcon(src.Start.Color, src.Start.Mask, src.Preview, {256, 256, true, true},
                         color, mask);
    const Bitmap tile = MakeTile(TileKind::GreyFine);
    ColourBitsSettings s;
    s.Item = static_cast<int>(state.range(0));
    Bitmap grid;
    for (auto _ : state) {
        Bitmap c, m;
        auto st = PreviewColourBits(color, mask, s, &grid, c, m);
        Bitmap image(256, 256, PixelFormat::Bits24);
        DrawIconPreview(image, tile, c, m);
        benchmark::DoNotOptimize(st);
    }
}
BENCHMARK(BM_ColourBitsPreview)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The zoomed canvas at zoom 15: the visible part of the edit page (about 541 x 370) and, for
// comparison, the whole 3840 x 3840 picture.
void BM_RedrawZoomView(benchmark::State& state) {
    const Source src(true);
    Bitmap color, mask;
    ResampleSourceToIcon(src.Start.Color, src.Start.Mask, src.Preview, {256, 256, true, true},
                         color, mask);
    const Bitmap tile = MakeTile(TileKind::GreyChecker);
    const bool whole = state.range(0) != 0;
    Bitmap view =
        whole ? Bitmap(3840, 3840, PixelFormat::Bits32) : Bitmap(541, 370, PixelFormat::Bits32);
    for (auto _ : state) {
        RenderZoomView(view, whole ? 0 : 1600, whole ? 0 : 1700, tile, color, mask, 15.0);
        benchmark::DoNotOptimize(view.Data().data());
    }
}
BENCHMARK(BM_RedrawZoomView)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
