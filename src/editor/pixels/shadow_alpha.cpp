#include "editor/pixels/shadow_alpha.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace gf {
namespace {

// The three channels of a colour in the order of a pixel's bytes: blue, green, red.
std::array<int, 3> Channels(Color c) {
    return {BlueOf(c), GreenOf(c), RedOf(c)};
}

}  // namespace

void ApplyShadowAlpha(Bitmap& iconColor, const Bitmap& iconMask, const Bitmap& region,
                      Color background, Color shadow, int tolerance) {
    const int w = iconColor.Width(), h = iconColor.Height();
    if (iconColor.Format() != PixelFormat::Bits32 || iconMask.Format() != PixelFormat::Bits8 ||
        region.Format() != PixelFormat::Bits8 || iconMask.Width() != w || iconMask.Height() != h ||
        region.Width() != w || region.Height() != h)
        return;
    const std::array<int, 3> bg = Channels(background), sh = Channels(shadow);
    for (int k = 0; k < 3; ++k)
        if (bg[k] == sh[k])
            return;
    // A channel's position depends on that channel's byte alone: one table of 256 a channel
    // holds the divisions, so the pixel loop only adds and compares (it runs on every mouse
    // move of a region stroke).
    std::array<std::array<int, 256>, 3> position;
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 256; ++p)
            position[k][p] = (p - bg[k]) * 255 / (sh[k] - bg[k]);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* px = iconColor.Row(y);
        const std::uint8_t* m = iconMask.Row(y);
        const std::uint8_t* r = region.Row(y);
        for (int x = 0; x < w; ++x, px += 4) {
            if (m[x] != 0 || r[x] != 0)
                continue;
            const int eb = position[0][px[0]], eg = position[1][px[1]], er = position[2][px[2]];
            const int l = std::clamp((eb + eg + er) / 3, 0, 255);
            const int lo = l - tolerance, hi = l + tolerance;
            if (lo < eb && eb < hi && lo < eg && eg < hi && lo < er && er < hi)
                px[3] = static_cast<std::uint8_t>(l);
        }
    }
}

std::vector<Color> ShadowCandidates(Color background, Color picked) {
    const std::array<int, 3> bg = Channels(background), s = Channels(picked);
    std::vector<Color> out;
    for (int i = 1; i <= 249; ++i) {
        int c[3];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            c[k] = (s[k] - bg[k]) * 255 / i + bg[k];
            inside = inside && c[k] >= 0 && c[k] <= 255;
        }
        if (inside)
            out.push_back(Rgb(static_cast<std::uint8_t>(c[2]), static_cast<std::uint8_t>(c[1]),
                              static_cast<std::uint8_t>(c[0])));
    }
    return out;
}

}  // namespace gf
