#include "editor/pixels/similarity.h"

#include <vector>

#include "editor/pixels/mask.h"
#include "platform/pixel_rows.h"

namespace gf {

void ApplyTransparencyToIcon(const Bitmap& reference, const Bitmap& region,
                             const TransparencySettings& settings, Bitmap& iconColor,
                             Bitmap& iconMask, const Bitmap* referenceMask) {
    const int w = reference.Width(), h = reference.Height();
    const bool is32 = iconColor.Format() == PixelFormat::Bits32;
    const PixelFormat format = is32 ? PixelFormat::Bits32 : PixelFormat::Bits24;
    if (iconColor.Width() != w || iconColor.Height() != h || iconColor.Format() != format)
        iconColor = Bitmap(w, h, format);
    if (iconMask.Width() != w || iconMask.Height() != h || iconMask.Format() != PixelFormat::Bits8)
        iconMask = MakeMask(w, h);
    EnsureMask8(iconMask);

    const bool regionUsable = region.Format() == PixelFormat::Bits8;
    const bool refMaskUsable = referenceMask && referenceMask->Format() == PixelFormat::Bits8 &&
                               referenceMask->Width() == w && referenceMask->Height() == h;
    const int bpp = is32 ? 4 : 3;
    RowReader reader(reference);
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        reader.Read(y, 0, w, bgra.data());
        const std::uint8_t* reg = regionUsable && y < region.Height() ? region.Row(y) : nullptr;
        const int regW = reg ? region.Width() : 0;
        const std::uint8_t* uncovered = refMaskUsable ? referenceMask->Row(y) : nullptr;
        std::uint8_t* c = iconColor.Row(y);
        std::uint8_t* m = iconMask.Row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* s = bgra.data() + 4 * x;
            const bool kept = x < regW && reg[x] != 0;
            std::uint8_t* d = c + bpp * x;
            if ((uncovered && uncovered[x] == MaskTransparent) ||
                (settings.Transparent && !kept &&
                 IsSimilarColor(s[0], s[1], s[2], settings.Key, settings.Similarity))) {
                m[x] = MaskTransparent;
                d[0] = d[1] = d[2] = 0;
                if (is32)
                    d[3] = 0;
            } else {
                m[x] = MaskOpaque;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                if (is32)
                    d[3] = 255;
            }
        }
    }
}

}  // namespace gf
