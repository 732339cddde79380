#pragma once
// Resampling of the size page: the three ways of scaling a picture, the source preview, the
// live preview of the canvas and the resampling of the source into the icon pair.

#include "platform/bitmap.h"

namespace gf {

// Nearest neighbour: destination (x, y) copies source (srcW * x / w, srcH * y / h). Works on the
// byte-per-channel formats (8, 24, 32 bits, alpha included) and keeps the format and palette.
Bitmap ResampleNearest(const Bitmap& source, int width, int height);

// Smooth: along an axis that shrinks, each destination pixel is the area average of the source
// pixels under it (weighted by coverage); along an axis that grows or stays, linear
// interpolation between the two nearest source pixel centres. Every channel (alpha too) is
// resampled; same format and palette as the source (8, 24 or 32 bits).
Bitmap ResampleSmooth(const Bitmap& source, int width, int height);

// The mask rule: along a shrinking axis the source bytes that fall into one destination pixel
// are combined with a bitwise AND (0 wins over 255); along a growing axis bytes are repeated.
// 8-bit in, 8-bit mask out.
Bitmap ResampleMaskDefault(const Bitmap& mask8, int width, int height);

// The source drawn as an icon (colour and 8-bit mask) over `background`, in the colour's format;
// a 32-bit colour image gives its alpha bytes to the result.
Bitmap ComposeSourcePreview(const Bitmap& srcColor, const Bitmap& srcMask, Color background);

// How the picture fills the icon canvas.
struct SizeSettings {
    int Width = 32;
    int Height = 32;
    bool Stretch = true;
    bool Smooth = true;
    int OffsetX = 0;  // top-left corner of the unscaled picture on the canvas
    int OffsetY = 0;
};

// The canvas preview at 1:1 (24-bit, Width x Height): the source preview stretched to it, or
// the canvas in the background colour with the preview drawn unscaled at the offset.
Bitmap RenderSizePreview(const Bitmap& srcPreview, const SizeSettings& settings, Color background);

// Moves the offset by a drag of (dx, dy) and keeps the picture from leaving the canvas further
// than entirely: x in -srcW .. canvasW, y in -srcH .. canvasH.
void MoveSourceOffset(SizeSettings& settings, int dx, int dy, int srcWidth, int srcHeight);

// Resamples the source into the icon pair at Width x Height. `srcColor` is 24- or 32-bit,
// `srcMask` its 8-bit mask, `srcPreview` the composed preview. The colour comes out 32-bit for
// a 32-bit source, 24-bit otherwise; the mask 8-bit. Transparent pixels are black.
void ResampleSourceToIcon(const Bitmap& srcColor, const Bitmap& srcMask, const Bitmap& srcPreview,
                          const SizeSettings& settings, Bitmap& iconColor, Bitmap& iconMask);

}  // namespace gf
