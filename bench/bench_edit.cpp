// The edit page at the largest icon size (256 x 256): the flood fill over the whole icon and
// over a serpentine of more than 30,000 column runs, one mouse move of a pen stroke at zoom 15
// in the real window (the block painted, the canvas repainted, the preview), and a snapshot
// with the undo that follows it.

#include <benchmark/benchmark.h>

#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <filesystem>

#include "bench_app.h"
#include "editor/icon_editor.h"
#include "editor/pixels/flood_fill.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/snapshots.h"
#include "platform/qt/scripted_seam.h"

namespace {

using namespace gf;
namespace fs = std::filesystem;

// The whole icon one colour, or a serpentine: corridors one pixel high joined at alternate
// ends, every column cut into 128 runs.
void MakeRegion(Bitmap& color, bool serpentine) {
    color.Fill(Rgb(0, 0, 200), 255);
    for (int y = 0; y < 256; ++y) {
        if (!serpentine || y % 2 == 0) {
            color.FillRect(0, y, 256, y + 1, White, 255);
        } else {
            const int gap = (y / 2) % 2 == 0 ? 255 : 0;
            color.FillRect(gap, y, gap + 1, y + 1, White, 255);
        }
    }
}

void BM_FillRegion(benchmark::State& state) {
    const bool serpentine = state.range(0) != 0;
    Bitmap color(256, 256, PixelFormat::Bits32);
    MakeRegion(color, serpentine);
    Bitmap mask = MakeMask(256, 256);
    FillState fill;
    // Each fill turns the region into the colour the next one starts from.
    Color colours[2] = {White, Rgb(0, 160, 0)};
    int i = 0;
    for (auto _ : state) {
        FillRegion(fill, mask, color, false, 1, static_cast<BrushColour>(colours[(i + 1) % 2]), 255,
                   0, 0);
        ++i;
        benchmark::DoNotOptimize(color.Data().data());
    }
    if (color.GetPixel(255, 0) != colours[i % 2])
        state.SkipWithError("the fill did not reach the far end");
}
BENCHMARK(BM_FillRegion)->ArgName("serpentine")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One move with "Draw" (pen size 3) at zoom 15 on the shown editor. Mode 1: a held button, the
// block painted and the canvas repainted where it changed. Mode 0: no button, the preview
// moved. Mode 2, for comparison: a held button with the whole visible canvas repainted.
void BM_PenMoveAtZoom15(benchmark::State& state) {
    BenchApplication();
    const int mode = static_cast<int>(state.range(0));
    const bool held = mode != 0;
    ScriptedSeam seam;
    QTemporaryDir dir;
    TIconEditor e;
    e.SourcePath = fs::path(dir.path().toStdString()) / "icxor.bmp";
    e.IconColor = Bitmap(256, 256, PixelFormat::Bits32);
    MakeRegion(e.IconColor, true);
    e.IconMask = MakeMask(256, 256);
    e.SrcColor = e.IconColor;
    e.SrcMask = e.IconMask;
    e.EditExisting = 1;
    e.ShowPage(e.TabSheet1);
    e.InitImagesClick();
    e.show();
    e.BitBtn1Click();
    e.ComboBox3->setCurrentIndex(14);
    e.ComboBox3Change();
    e.SBPenClick();
    e.TBPenSize->setValue(3);
    QApplication::processEvents();
    // Moves over the part of the canvas the scroll box shows.
    if (held)
        e.Image7MouseDown(Qt::LeftButton, 100, 100);
    int step = 0;
    for (auto _ : state) {
        const int x = 60 + (step % 60) * 7, y = 60 + (step / 60 % 50) * 5;
        ++step;
        e.Image7MouseMove(held ? Qt::LeftButton : Qt::NoButton, x, y);
        // What the move left to repaint, painted now.
        if (mode == 2)
            e.Image7->repaint(e.Image7->visibleRegion());
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    if (held)
        e.Image7MouseUp(Qt::LeftButton, 100, 100);
}
BENCHMARK(BM_PenMoveAtZoom15)
    ->ArgName("mode")
    ->Arg(1)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

// TakeSnapshot and the undo after it (which keeps the latest state for redo) of a 32-bit icon.
void BM_SnapshotAndUndo(benchmark::State& state) {
    QTemporaryDir dir;
    SnapshotHistory history;
    history.Begin(fs::path(dir.path().toStdString()) / "eitemp.bmp");
    Bitmap color(256, 256, PixelFormat::Bits32);
    MakeRegion(color, false);
    Bitmap mask = MakeMask(256, 256);
    for (auto _ : state) {
        if (!history.TakeSnapshot(color, mask) || !history.UndoSnapshot(color, mask).Ok()) {
            state.SkipWithError("the snapshot could not be written or read");
            break;
        }
    }
}
BENCHMARK(BM_SnapshotAndUndo)->Unit(benchmark::kMillisecond);

}  // namespace
