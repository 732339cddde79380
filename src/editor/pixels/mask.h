#pragma once
// The editor's masks: one byte per pixel, 255 = transparent, 0 = opaque. They are 8-bit bitmaps
// whose palette is a grey ramp, so a byte's value and its palette index are the same thing and
// painting black or white stores 0 or 255.

#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace gf {

inline constexpr std::uint8_t MaskOpaque = 0;
inline constexpr std::uint8_t MaskTransparent = 255;

// Entry i is the grey level i.
const std::vector<Color>& GreyRamp();

// An 8-bit mask of w x h with every byte set to `fill`.
Bitmap MakeMask(int width, int height, std::uint8_t fill = MaskOpaque);

// Makes `mask` an 8-bit mask of its own size. A mask of another format keeps its meaning: a
// pixel the icon drawing rule takes as transparent becomes 255, every other pixel 0.
void EnsureMask8(Bitmap& mask);

// Fills every byte of an 8-bit bitmap.
void FillBytes8(Bitmap& bitmap8, std::uint8_t value);

// Bytes per pixel of the byte-per-channel formats the editor resamples (8, 24, 32 bits); 0 for
// any other format.
int BytesPerPixel(const Bitmap& bitmap);

// A copy of `bitmap` in 24 bits unless it is already 24- or 32-bit.
Bitmap AsTrueColour(const Bitmap& bitmap);

}  // namespace gf
