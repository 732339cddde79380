#pragma once
// Colour similarity and the transparency page's colour test.

#include <cstdint>
#include <cstdlib>

#include "platform/bitmap.h"

namespace gf {

// True when blue, green and red each differ from the key's by less than `similarity` (both
// bounds strict): 1 accepts only the exact colour, 255 everything but a full-range difference.
inline bool IsSimilarColor(std::uint8_t b, std::uint8_t g, std::uint8_t r, Color key,
                           int similarity) {
    return std::abs(static_cast<int>(b) - BlueOf(key)) < similarity &&
           std::abs(static_cast<int>(g) - GreenOf(key)) < similarity &&
           std::abs(static_cast<int>(r) - RedOf(key)) < similarity;
}

// What the transparency page decides with.
struct TransparencySettings {
    bool Transparent = false;  // the colour test is on
    Color Key = White;
    int Similarity = 1;
};

// Rebuilds the icon pair from the untouched reference picture: a pixel becomes transparent
// (mask 255, black, alpha 0) exactly when the test is on, its region byte is 0 and its colour is
// similar to the key; every other pixel is opaque with the reference colour (alpha 255). The
// colour stays 32-bit when it is 32-bit, otherwise it becomes 24-bit; both take the reference's
// size. `region` is an 8-bit bitmap (non-zero = keep opaque); pixels outside it count as 0.
// `referenceMask`, when given, is the mask the size page made with the reference picture: a
// pixel it marks transparent (canvas the picture does not cover) stays transparent whatever
// the test and the region say.
void ApplyTransparencyToIcon(const Bitmap& reference, const Bitmap& region,
                             const TransparencySettings& settings, Bitmap& iconColor,
                             Bitmap& iconMask, const Bitmap* referenceMask = nullptr);

}  // namespace gf
