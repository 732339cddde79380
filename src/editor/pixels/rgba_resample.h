#pragma once
// Resampling a picture with alpha as one: colour and alpha are scaled together in premultiplied
// form, so a transparent pixel's colour never bleeds into its neighbours and no background
// colour is mixed in. The command-line tool's default road sizes icons through this.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"

namespace gf {

enum class ResampleFilter {
    Box,       // area average: each destination pixel the mean of the source pixels whose
               // centres it covers; enlarging repeats pixels
    Mitchell,  // Mitchell-Netravali cubic (B = C = 1/3): smooth, little ringing
    Lanczos,   // Lanczos with three lobes: sharpest, may ring at hard edges
};

std::optional<ResampleFilter> ParseResampleFilter(std::string_view name);

struct ResampleSize {
    int Width = 0;
    int Height = 0;
};

// A 32-bit picture (blue, green, red, straight alpha) scaled to each of `sizes`, 32-bit out, in
// the order given. Along a shrinking axis the filter is widened by the scale, so every source
// pixel counts; taps beyond the edges count as the edge pixel. A pixel whose alpha comes out 0
// is transparent black. Other formats are taken as opaque. The picture is read once for all the
// sizes, a row at a time, and nothing of its size is allocated.
std::vector<Bitmap> ResamplePremultiplied(const Bitmap& picture,
                                          std::span<const ResampleSize> sizes,
                                          ResampleFilter filter);
Bitmap ResamplePremultiplied(const Bitmap& picture, int width, int height, ResampleFilter filter);

}  // namespace gf
