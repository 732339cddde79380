// The whole Load road for a 256 x 256 PNG with transparency: conversion, the picture step and
// the working picture "eitemp.bmp", the editor's start and its pages with every setting as it
// starts, "Finish", and the working icon file "eitemp.ico".
//
// BM_LoadRoad runs the road's steps as plain functions. BM_LoadCommand runs the real Load
// command of the converter window, offscreen, with the editor walked page by page by a script
// instead of a user (so no window waits for anybody): it adds building the editor window and
// drawing its previews.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <filesystem>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "bench_app.h"
#include "editor/icon_editor.h"
#include "editor/pixels/editor_road.h"
#include "iconfile/ico_writer.h"
#include "iconfile/picture_convert.h"
#include "platform/bmp_codec.h"
#include "platform/png_codec.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"

namespace {

using namespace gf;
namespace fs = std::filesystem;

// A logo-like picture: gradients, a round opaque body with a soft edge, a transparent margin.
Bitmap Logo() {
    Bitmap b(256, 256, PixelFormat::Bits32);
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* row = b.Row(y);
        for (int x = 0; x < 256; ++x) {
            std::uint8_t* p = row + 4 * x;
            const int dx = x - 128, dy = y - 128, d = dx * dx + dy * dy;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            p[3] = d < 110 * 110 ? 255 : (d < 118 * 118 ? 128 : 0);
        }
    }
    return b;
}

struct Folder {
    QTemporaryDir Dir;
    fs::path Path() const { return ToPath(Dir.path()); }
    fs::path Png() const { return Path() / "logo.png"; }
    Folder() {
        if (!SavePngFile(Logo(), Png()))
            throw std::runtime_error("cannot write the picture");
    }
};

void BM_LoadRoad(benchmark::State& state) {
    Folder folder;
    const fs::path picture = folder.Path() / "eitemp.bmp";
    const fs::path icon = folder.Path() / "eitemp.ico";
    RoadSettings settings;
    settings.Size.Width = 256;  // the sliders start at the picture's size
    settings.Size.Height = 256;
    for (auto _ : state) {
        // Conversion and picture step.
        Result<PngPicture> png = LoadPngFile(folder.Png());
        const Bitmap limited =
            LimitPictureForEditor(PngToBitmap(std::move(png->Pixels), png->HasAlpha));
        if (!SaveBmpFile(limited, picture))
            state.SkipWithError("cannot write eitemp.bmp");
        // The editor reads it, and its pages run as they start; "Finish".
        Result<Bitmap> source = LoadBmpFile(picture);
        Result<RoadResult> road = RunEditorRoad(*source, settings);
        if (!road || !SaveBitmapsAsIcon(road->Color, road->Mask, icon))
            state.SkipWithError("the road failed");
    }
}
BENCHMARK(BM_LoadRoad)->Unit(benchmark::kMillisecond);

int WalkEditor(QDialog& dialog) {
    auto& editor = dynamic_cast<TIconEditor&>(dialog);
    editor.BitBtn1->click();
    if (editor.PageControl1->currentWidget() == editor.TabSheet2)
        editor.BitBtn2->click();
    if (editor.PageControl1->currentWidget() == editor.TabSheet4)
        editor.BitBtn6->click();
    editor.BitBtn3->click();
    return editor.result();
}

void BM_LoadCommand(benchmark::State& state) {
    BenchApplication();
    Folder folder;
    // The working folder goes below the temporary folder.
    qputenv("TMPDIR", folder.Dir.path().toLocal8Bit());
    ScriptedSeam seam;
    TIconConverter window;
    for (auto _ : state) {
        seam.ModalScripts.push_back(WalkEditor);
        window.LoadPath = folder.Png();
        window.suiButton1->Tag = 1;
        window.suiButton1Click();
        if (window.WorkColor.Width() != 256)
            state.SkipWithError("the editor did not finish");
        seam.ClearRecord();
    }
}
BENCHMARK(BM_LoadCommand)->Unit(benchmark::kMillisecond);

}  // namespace
