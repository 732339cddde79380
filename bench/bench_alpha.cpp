// The alpha adjustment at the largest icon size (256 x 256), which recomputes on every change of
// the panel and on every mouse move of a region stroke (goal: under 1 ms for CBColorChange):
// - ApplyShadowAlpha alone, and with the restore of the two copies before it;
// - CBColorChange of the shown editor (label, restore, recompute, the repaint asked for);
// - one move of an "Erase" stroke at zoom 1 with the canvas repainted, for comparison.

#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <filesystem>

#include "bench_app.h"
#include "editor/icon_editor.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/shadow_alpha.h"
#include "platform/qt/scripted_seam.h"

namespace {

using namespace gf;
namespace fs = std::filesystem;

// A grey shadow over white fading across the icon, a coloured shape over part of it and a
// transparent margin: every branch of the per-pixel test is taken.
void MakeShadowIcon(Bitmap& color, Bitmap& mask) {
    color = Bitmap(256, 256, PixelFormat::Bits32);
    mask = MakeMask(256, 256);
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* p = color.Row(y);
        for (int x = 0; x < 256; ++x, p += 4) {
            const int a = (x + y) / 2;
            const auto g = static_cast<std::uint8_t>((64 * a + 255 * (255 - a)) / 255);
            const bool shape = x > 60 && x < 140 && y > 60 && y < 140;
            p[0] = shape ? 220 : g;
            p[1] = shape ? 40 : g;
            p[2] = shape ? 40 : g;
            p[3] = 255;
            if (x < 4 || y < 4)
                mask.Row(y)[x] = MaskTransparent;
        }
    }
}

void BM_ApplyShadowAlpha(benchmark::State& state) {
    const bool restore = state.range(0) != 0;
    Bitmap backupColor, backupMask;
    MakeShadowIcon(backupColor, backupMask);
    const Bitmap region = MakeMask(256, 256);
    Bitmap color = backupColor, mask = backupMask;
    for (auto _ : state) {
        if (restore) {
            mask = backupMask;
            color = backupColor;
        }
        ApplyShadowAlpha(color, mask, region, White, 0x404040, 5);
        benchmark::DoNotOptimize(color.Data().data());
    }
}
BENCHMARK(BM_ApplyShadowAlpha)->ArgName("restore")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

struct ShownEditor {
    // The application comes before the first widget.
    struct Application {
        Application() { BenchApplication(); }
    } App;
    ScriptedSeam Seam;
    QTemporaryDir Dir;
    TIconEditor E;
    ShownEditor() {
        E.SourcePath = fs::path(Dir.path().toStdString()) / "icxor.bmp";
        MakeShadowIcon(E.IconColor, E.IconMask);
        E.SrcColor = E.IconColor;
        E.SrcMask = E.IconMask;
        E.EditExisting = 1;
        E.ShowPage(E.TabSheet1);
        E.InitImagesClick();
        E.show();
        E.BitBtn1Click();
        E.ComboBox3->setCurrentIndex(0);  // 1X: the whole icon on the canvas
        E.ComboBox3Change();
        E.BitBtn8Click();
        E.CBColor->setCurrentIndex(E.CBColor->findText(QString::number(0x404040)));
        QApplication::processEvents();
    }
};

void BM_CBColorChange(benchmark::State& state) {
    ShownEditor shown;
    TIconEditor& e = shown.E;
    for (auto _ : state) {
        e.CBColorChange();
        benchmark::DoNotOptimize(e.IconColor.Data().data());
    }
    QApplication::processEvents();
}
BENCHMARK(BM_CBColorChange)->Unit(benchmark::kMicrosecond);

// A held "Erase" stroke of half size 3: the block painted into the region, the recomputation,
// and the canvas painted again.
void BM_EraseStrokeMove(benchmark::State& state) {
    ShownEditor shown;
    TIconEditor& e = shown.E;
    e.SBAlphaSetClick();
    e.TBAlphaPenSize->setValue(3);
    e.Image7MouseDown(Qt::LeftButton, 100, 100);
    int step = 0;
    for (auto _ : state) {
        const int x = 10 + (step % 60) * 4, y = 10 + (step / 60 % 60) * 4;
        ++step;
        e.Image7MouseMove(Qt::LeftButton, x, y);
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    e.Image7MouseUp(Qt::LeftButton, 100, 100);
}
BENCHMARK(BM_EraseStrokeMove)->Unit(benchmark::kMicrosecond);

}  // namespace
