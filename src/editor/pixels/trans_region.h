#pragma once
// Square and round blocks painted on a region bitmap or drawn as an inverting outline on a
// preview: the block primitives of the transparency page and the edit page.

#include "platform/bitmap.h"

namespace gf {

// Shapes of a block.
inline constexpr int ShapeSquare = 0;
inline constexpr int ShapeRound = 1;

// A bitmap with a pen mode and a brush, as the block primitives draw on it. The target is 8-bit
// (a region: the brush colour is stored as its palette index, so on a grey ramp black is 0 and
// white 255), 24-bit or 32-bit (alpha bytes are left alone).
struct ShapeCanvas {
    Bitmap* Target = nullptr;
    bool InvertPen = false;  // inverting mode: every covered pixel becomes its bitwise NOT
    Color Brush = White;
};

// Draws a block of half size r round (x, y), clipped to the target. r = 0: the one pixel
// (x, y). Otherwise the 2r x 2r box x-r .. x+r-1 by y-r .. y+r-1: all of it for the square, the
// pixels whose centres lie within the circle of radius r round the box centre (x, y) for the
// round shape. Other shapes and negative r draw nothing.
void DrawShapeBlock(ShapeCanvas& canvas, int x, int y, int shape, int r);

// Sets the brush to `colour` and draws the block in copy mode's way of the canvas.
void PaintShapeBlock(ShapeCanvas& canvas, int x, int y, int shape, Color colour, int r);

// The horizontal run [x0, x1) of row j (y-r <= j < y+r) that a block covers, before clipping;
// empty (x0 == x1) where the round shape leaves the row out.
void ShapeBlockRow(int x, int y, int shape, int r, int j, int& x0, int& x1);

}  // namespace gf
