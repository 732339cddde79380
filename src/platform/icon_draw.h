#pragma once
// The icon drawing rule and the stretches every preview and converter relies on.
//
// An icon is a colour image C and a mask M. Drawn onto a background pixel B:
//  - C is 32-bit and at least one alpha byte is non-zero: channel = C*A/255 + B*(255-A)/255;
//    the mask is not used;
//  - otherwise: result = (B AND M') XOR C, M' all ones where M is transparent.
// A mask is either 1-bit (1 = transparent) or 8-bit (255 = transparent).

#include "platform/bitmap.h"

namespace gf {

// True when the 32-bit bitmap has at least one non-zero alpha byte.
bool HasAnyAlpha(const Bitmap& bitmap32);

// True when the mask marks (x, y) transparent (1-bit: bit set; 8-bit: 255; other: palette white).
bool MaskIsTransparent(const Bitmap& mask, int x, int y);

// Draws the icon at its own size with its top-left corner at (x, y), clipped to the target.
// The target is 24- or 32-bit (32-bit targets keep their alpha bytes).
void DrawIcon(Bitmap& target, int x, int y, const Bitmap& color, const Bitmap& mask);

// Draws the icon stretched to w x h (nearest neighbour on colour and mask alike).
void DrawIconStretched(Bitmap& target, int x, int y, int w, int h, const Bitmap& color,
                       const Bitmap& mask);

// Area-averaging (halftone) stretch of the whole source onto a new bitmap of w x h, 24- or
// 32-bit per `format`. Colour channels are averaged over each target pixel's footprint; the
// alpha bytes of a 32-bit target are 0 (callers copy alpha as they need).
Bitmap StretchAreaAverage(const Bitmap& source, int w, int h, PixelFormat format);

// The same area averaging for a 32-bit picture whose alpha is its transparency: alpha is
// averaged too, and colours are weighted by their alpha, so the colour of transparent pixels
// never bleeds into the visible ones. 32-bit in, 32-bit out.
Bitmap StretchAreaAverageWithAlpha(const Bitmap& source32, int w, int h);

// Nearest-neighbour stretch: target (i, j) takes source (w_src*j/w, h_src*i/h). Same format as
// the source (palette kept).
Bitmap StretchNearest(const Bitmap& source, int w, int h);

}  // namespace gf
