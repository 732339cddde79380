#pragma once
// The depth conversions of the colour bits page and of "Finish": flattening partial
// transparency, 16-bit packing and alpha from the mask.

#include "platform/bitmap.h"

namespace gf {

// Threshold value that keeps partial transparency as it is.
inline constexpr int KeepPartialAlpha = -1;

// `dest` becomes 24-bit (its own colours, without alpha) and `mask` an 8-bit mask. Then, when
// `source` is 32-bit, the threshold is not -1 and some alpha byte of it is non-zero, every pixel
// with alpha a below the threshold becomes transparent black, and every other pixel opaque with
// each channel (s * a) div 255 + (background * (255 - a)) div 255. `dest` and `mask` have the
// source's size.
void FlattenAlpha(Bitmap& dest, const Bitmap& source, int threshold, Bitmap& mask,
                  Color background);

// `dest` becomes 16-bit 5-6-5 (bit fields 0xF800, 0x07E0, 0x001F) holding each pixel of
// `source` as (blue >> 3) | ((green >> 2) << 5) | ((red >> 3) << 11). `dest` may be `source`.
void PackRgb565(Bitmap& dest, const Bitmap& source);

// The 32-bit form of "Finish": nothing changes when `before` (the colour before the conversion)
// is 32-bit; otherwise `dest` becomes 32-bit with its colours unchanged, `mask` an 8-bit mask, and
// each alpha is 0 where `maskBefore` is 255 and 255 elsewhere.
void AlphaFromMask(Bitmap& dest, const Bitmap& before, Bitmap& mask, const Bitmap& maskBefore);

}  // namespace gf
