#pragma once
// The alpha adjustment: a shadow or a soft edge drawn in an opaque picture over a known
// background colour becomes real partial transparency. Each opaque pixel whose colour lies on
// the line from the background to the shadow's full-strength colour takes as its alpha how far
// along that line it lies.

#include <vector>

#include "platform/bitmap.h"

namespace gf {

// What the adjustment is given: the background the picture was drawn on, the shadow's colour at
// full strength and the tolerance (1..255; the panel starts at 5).
struct ShadowAlphaSettings {
    Color Background = White;
    Color Shadow = 0x7F7F7F;
    int Tolerance = 5;
};

// Adjusts the alpha bytes of a 32-bit `iconColor` in place; its colour bytes and `iconMask` stay.
// A pixel is looked at only when its `iconMask` byte and its `region` byte are both 0 (opaque and
// inside the region); both are 8-bit bitmaps of the icon's size. For each of blue, green and red
//     e = ((p - background) x 255) / (shadow - background)
// truncated toward zero; l = (e_blue + e_green + e_red) / 3, truncated, then held to 0..255. When
// every e lies strictly within l - tolerance and l + tolerance the alpha becomes l. Nothing at all
// happens when background and shadow share a channel's value, when `iconColor` is not 32-bit or
// when the sizes disagree.
void ApplyShadowAlpha(Bitmap& iconColor, const Bitmap& iconMask, const Bitmap& region,
                      Color background, Color shadow, int tolerance);

// The full-strength shadow colours that would give the `picked` colour over `background`: for
// i = 1 to 249 in order, each channel ((picked - background) x 255) / i + background (truncating),
// kept when all three lie in 0..255. The i-th one drawn at alpha i / 255 over the background gives
// the picked colour back, so the list runs from the strongest extrapolation to the weakest.
std::vector<Color> ShadowCandidates(Color background, Color picked);

}  // namespace gf
