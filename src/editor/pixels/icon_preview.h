#pragma once
// Icon previews over a background tile: the tiled previews of the transparency and colour bits
// pages and the zoomed canvas of the edit page.

#include "platform/bitmap.h"

namespace gf {

// Covers `image` with copies of `tile` whose top-left corners are at multiples of the tile's
// size (the last row and column clipped).
void TileOver(Bitmap& image, const Bitmap& tile);

// Tiles `image`, then draws the icon (colour, mask) at its own size centred on it: top-left at
// ((W - w) / 2, (H - h) / 2), rounding toward zero.
void DrawIconPreview(Bitmap& image, const Bitmap& tile, const Bitmap& color, const Bitmap& mask);

// The size of the zoomed canvas: trunc(w * zoom) x trunc(h * zoom).
int ZoomedLength(int length, double zoom);

// Renders part of the zoomed canvas: the icon stretched to trunc(w * zoom) x trunc(h * zoom) by
// nearest neighbour and drawn by the icon drawing rule over the tile repeated from the canvas
// origin. `view` receives the canvas pixels [viewX, viewX + view.Width()) x [viewY, ...); it
// must be 24- or 32-bit. Only what is asked for is computed, so a large zoom costs no more than
// the visible area.
void RenderZoomView(Bitmap& view, int viewX, int viewY, const Bitmap& tile, const Bitmap& color,
                    const Bitmap& mask, double zoom);

}  // namespace gf
