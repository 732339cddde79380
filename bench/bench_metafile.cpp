// Metafiles: parsing the records and playing them onto a picture.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/qt/metafile_painter.h"
#include "platform/wmf_parser.h"

namespace {

void Record(std::vector<std::uint8_t>& out, std::uint16_t function,
            const std::vector<std::int16_t>& words) {
    gf::PutU32(out, static_cast<std::uint32_t>(3 + words.size()));
    gf::PutU16(out, function);
    for (auto w : words)
        gf::PutU16(out, static_cast<std::uint16_t>(w));
}

// A 512 x 512 picture drawn by `shapes` rounds of brush changes, polygons, ellipses, rectangles
// and polylines, as a clip-art drawing would be.
std::vector<std::uint8_t> MakeDrawing(int shapes) {
    std::vector<std::uint8_t> records;
    Record(records, gf::wmf::FnSetMapMode, {8});
    Record(records, gf::wmf::FnSetWindowExt, {5120, 5120});
    Record(records, gf::wmf::FnCreatePenIndirect, {0, 20, 0, 0, 0});
    Record(records, gf::wmf::FnSelectObject, {0});
    for (int i = 0; i < shapes; ++i) {
        auto c = static_cast<std::int16_t>(i * 37);
        Record(records, gf::wmf::FnCreateBrushIndirect, {0, c, static_cast<std::int16_t>(i), 0});
        Record(records, gf::wmf::FnSelectObject, {1});
        auto x = static_cast<std::int16_t>((i * 97) % 4600);
        auto y = static_cast<std::int16_t>((i * 53) % 4600);
        Record(records, gf::wmf::FnPolygon,
               {5, x, y, static_cast<std::int16_t>(x + 400), y, static_cast<std::int16_t>(x + 500),
                static_cast<std::int16_t>(y + 300), static_cast<std::int16_t>(x + 200),
                static_cast<std::int16_t>(y + 500), x, static_cast<std::int16_t>(y + 300)});
        Record(records, gf::wmf::FnEllipse,
               {static_cast<std::int16_t>(y + 300), static_cast<std::int16_t>(x + 300), y, x});
        Record(records, gf::wmf::FnRectangle,
               {static_cast<std::int16_t>(x + 100), static_cast<std::int16_t>(y + 100), x, y});
        Record(records, gf::wmf::FnPolyline,
               {3, x, y, static_cast<std::int16_t>(x + 250), static_cast<std::int16_t>(y + 90),
                static_cast<std::int16_t>(x + 60), static_cast<std::int16_t>(y + 400)});
        Record(records, gf::wmf::FnSelectObject, {1});
        Record(records, gf::wmf::FnDeleteObject, {1});
    }
    std::vector<std::uint8_t> file;
    gf::PutU32(file, gf::wmf::PlaceableKey);
    gf::PutU16(file, 0);
    for (int v : {0, 0, 5120, 5120, 960})
        gf::PutU16(file, static_cast<std::uint16_t>(v));
    gf::PutU32(file, 0);
    gf::PutU16(file, 0);
    gf::PutU16(file, 1);
    gf::PutU16(file, 9);
    gf::PutU16(file, 0x0300);
    gf::PutU32(file, static_cast<std::uint32_t>(9 + records.size() / 2 + 3));
    gf::PutU16(file, 2);
    gf::PutU32(file, 16);
    gf::PutU16(file, 0);
    file.insert(file.end(), records.begin(), records.end());
    gf::PutU32(file, 3);
    gf::PutU16(file, 0);
    return file;
}

void EnsureApplication() {
    static std::unique_ptr<QGuiApplication> app;
    if (!app && !QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_metafile";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
}

void BM_ParseWmf(benchmark::State& state) {
    auto file = MakeDrawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto picture = gf::wmf::ParseWmf(file);
        benchmark::DoNotOptimize(picture);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ParseWmf)->Arg(1000)->Arg(10000);

void BM_RenderWmf(benchmark::State& state) {
    EnsureApplication();
    auto picture = gf::wmf::ParseWmf(MakeDrawing(static_cast<int>(state.range(0))));
    if (!picture) {
        state.SkipWithError(picture.ErrorMessage().c_str());
        return;
    }
    for (auto _ : state) {
        auto bitmap = gf::RenderMetafile(*picture);
        benchmark::DoNotOptimize(bitmap);
    }
}
BENCHMARK(BM_RenderWmf)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
