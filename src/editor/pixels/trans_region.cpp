#include "editor/pixels/trans_region.h"

#include <algorithm>
#include <cstdint>

namespace gf {
namespace {

// Applies the canvas's pen to the pixels [x0, x1) of row y, which lie inside the target.
void PaintRun(ShapeCanvas& canvas, int y, int x0, int x1) {
    Bitmap& t = *canvas.Target;
    std::uint8_t* row = t.Row(y);
    switch (t.Format()) {
        case PixelFormat::Bits8: {
            const auto index =
                static_cast<std::uint8_t>(NearestPaletteIndex(t.Palette(), canvas.Brush));
            for (int x = x0; x < x1; ++x)
                row[x] = canvas.InvertPen ? static_cast<std::uint8_t>(~row[x]) : index;
            break;
        }
        case PixelFormat::Bits24:
        case PixelFormat::Bits32: {
            const int bpp = t.Format() == PixelFormat::Bits32 ? 4 : 3;
            for (int x = x0; x < x1; ++x) {
                std::uint8_t* p = row + bpp * x;
                if (canvas.InvertPen) {
                    p[0] = static_cast<std::uint8_t>(~p[0]);
                    p[1] = static_cast<std::uint8_t>(~p[1]);
                    p[2] = static_cast<std::uint8_t>(~p[2]);
                } else {
                    p[0] = BlueOf(canvas.Brush);
                    p[1] = GreenOf(canvas.Brush);
                    p[2] = RedOf(canvas.Brush);
                }
            }
            break;
        }
        default:
            for (int x = x0; x < x1; ++x) {
                Color c = canvas.InvertPen ? (~t.GetPixel(x, y) & 0xFFFFFF) : canvas.Brush;
                t.SetPixel(x, y, c);
            }
            break;
    }
}

}  // namespace

void ShapeBlockRow(int x, int y, int shape, int r, int j, int& x0, int& x1) {
    x0 = x1 = x;
    if (r <= 0 || j < y - r || j >= y + r)
        return;
    if (shape == ShapeSquare) {
        x0 = x - r;
        x1 = x + r;
        return;
    }
    if (shape != ShapeRound)
        return;
    // Pixel (i, j) is inside when (2i + 1 - 2x)^2 + (2j + 1 - 2y)^2 <= 4r^2 (centres in
    // half-pixel units). The run is symmetric round x: i in [x - k, x + k).
    const long long dy = 2LL * j + 1 - 2LL * y;
    const long long room = 4LL * r * r - dy * dy;
    int k = 0;
    while (k < r && (2LL * k + 1) * (2LL * k + 1) <= room)
        ++k;
    x0 = x - k;
    x1 = x + k;
}

void DrawShapeBlock(ShapeCanvas& canvas, int x, int y, int shape, int r) {
    if (!canvas.Target || canvas.Target->Empty() || r < 0)
        return;
    Bitmap& t = *canvas.Target;
    if (r == 0) {
        if (x >= 0 && y >= 0 && x < t.Width() && y < t.Height())
            PaintRun(canvas, y, x, x + 1);
        return;
    }
    if (shape != ShapeSquare && shape != ShapeRound)
        return;
    const int j0 = std::max(0, y - r), j1 = std::min(t.Height(), y + r);
    for (int j = j0; j < j1; ++j) {
        int x0, x1;
        ShapeBlockRow(x, y, shape, r, j, x0, x1);
        x0 = std::max(0, x0);
        x1 = std::min(t.Width(), x1);
        if (x0 < x1)
            PaintRun(canvas, j, x0, x1);
    }
}

void PaintShapeBlock(ShapeCanvas& canvas, int x, int y, int shape, Color colour, int r) {
    canvas.Brush = colour;
    DrawShapeBlock(canvas, x, y, shape, r);
}

}  // namespace gf
