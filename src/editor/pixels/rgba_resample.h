#pragma once
// Resampling a picture with alpha as one: colour and alpha are scaled together in premultiplied
// form, so a transparent pixel's colour never bleeds into its neighbours and no background
// colour is mixed in. The command-line tool's default road sizes icons through this.

#include <optional>
#include <string_view>

#include "platform/bitmap.h"

namespace gf {

enum class ResampleFilter {
    Box,       // area average: each destination pixel the coverage-weighted mean under it
    Mitchell,  // Mitchell-Netravali cubic (B = C = 1/3): smooth, little ringing
    Lanczos,   // Lanczos with three lobes: sharpest, may ring at hard edges
};

std::optional<ResampleFilter> ParseResampleFilter(std::string_view name);

// A 32-bit picture (blue, green, red, straight alpha) scaled to width x height, 32-bit out. Along
// a shrinking axis the filter is widened by the scale, so every source pixel counts. A pixel
// whose alpha comes out 0 is transparent black. Other formats are taken as opaque.
Bitmap ResamplePremultiplied(const Bitmap& picture, int width, int height, ResampleFilter filter);

}  // namespace gf
