#pragma once
// Bitmap <-> QImage. Windows turn bitmaps into QImages only to show them, and pictures that
// come from Qt (the screen, the clipboard, a painter) into bitmaps. Rows are copied whole where
// the layouts agree, so the conversions cost little more than a memcpy.

#include <QImage>

#include "platform/bitmap.h"

namespace gf {

// How the fourth byte of a 32-bit bitmap is shown.
enum class AlphaUse {
    Auto,    // as alpha when any pixel has a non-zero alpha byte, else ignored (opaque)
    Keep,    // always as alpha
    Ignore,  // never: the picture is opaque
};

// Every format converts: 1 bit -> Mono, 4 and 8 bits -> Indexed8 (colour table padded with
// black to the full depth), 15 -> RGB555, 16 with 5-6-5 masks -> RGB16 (other masks -> RGB32),
// 24, device and custom -> BGR888, 32 -> ARGB32 or RGB32 by `alpha`.
QImage ToQImage(const Bitmap& bitmap, AlphaUse alpha = AlphaUse::Auto);

// The bitmap of a QImage in the nearest format: Mono -> 1 bit, Indexed8 -> 8 bits, RGB555 ->
// 15, RGB16 -> 16, pictures with an alpha channel -> 32 (straight, not premultiplied), every
// other -> 24. A null image gives an empty bitmap.
Bitmap FromQImage(const QImage& image);

// The same, converted to `format` (indexed formats take the default palette of their depth).
Bitmap FromQImage(const QImage& image, PixelFormat format);

}  // namespace gf
