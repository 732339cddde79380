#pragma once
// The edit page's pen and brush swatch.

#include "editor/pixels/flood_fill.h"
#include "platform/bitmap.h"

namespace gf {

// A box of pixels [X0, X1) x [Y0, Y1); empty when X0 >= X1 or Y0 >= Y1.
struct PixelBox {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool Empty() const { return X0 >= X1 || Y0 >= Y1; }
};

// The pen's block round (x, y) before clipping: the pixel itself for half 0, the square of side
// 2 x half from (x - half, y - half) for half > 0 ((x, y) starts its lower right quarter),
// nothing for half < 0.
PixelBox PenBlock(int x, int y, int half);

// Paints the pen's block into the icon (24- or 32-bit colour, 8-bit mask of its size), pixels
// outside the icon skipped. Transparent: mask 255, black, alpha 0. Otherwise the mask becomes
// opaque, the colour bytes take `colour` unless it is KeepColour, and at 32 bits the alpha
// becomes `opacity`.
void PaintPenBlock(Bitmap& color, Bitmap& mask, int x, int y, int opacity, bool transparent,
                   BrushColour colour, int half);

// The brush swatch: a w x h 24-bit picture of `colour` (KeepColour shows as white). With
// `overChecker` and an opacity below 255 each pixel is the colour blended over `checker`
// (channel x a + background x (255 - a)) / 255, the background being the checker pixel's blue
// byte; otherwise the swatch is flat.
Bitmap RenderBrushSwatch(int width, int height, BrushColour colour, int opacity, bool overChecker,
                         const Bitmap& checker);

// The red cross (two lines two pixels wide, corner to corner) that marks the swatch as having
// no colour of its own.
void DrawOpacityCross(Bitmap& swatch);

}  // namespace gf
