#include "editor/pixels/flatten.h"

#include <vector>

#include "editor/pixels/mask.h"
#include "platform/icon_draw.h"
#include "platform/pixel_rows.h"

namespace gf {

void FlattenAlpha(Bitmap& dest, const Bitmap& source, int threshold, Bitmap& mask,
                  Color background) {
    if (&dest == &source) {
        const Bitmap copy = source;
        FlattenAlpha(dest, copy, threshold, mask, background);
        return;
    }
    if (dest.Format() != PixelFormat::Bits24)
        dest.SetFormat(PixelFormat::Bits24);
    EnsureMask8(mask);
    if (source.Format() != PixelFormat::Bits32 || threshold == KeepPartialAlpha)
        return;
    if (!HasAnyAlpha(source))
        return;

    const int w = source.Width(), h = source.Height();
    if (dest.Width() != w || dest.Height() != h)
        dest = Bitmap(w, h, PixelFormat::Bits24);
    if (mask.Width() != w || mask.Height() != h)
        mask = MakeMask(w, h);
    const int bb = BlueOf(background), bg = GreenOf(background), br = RedOf(background);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = source.Row(y);
        std::uint8_t* d = dest.Row(y);
        std::uint8_t* k = mask.Row(y);
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
            const int a = s[3];
            if (a < threshold) {
                d[0] = d[1] = d[2] = 0;
                k[x] = MaskTransparent;
            } else {
                d[0] = static_cast<std::uint8_t>(s[0] * a / 255 + bb * (255 - a) / 255);
                d[1] = static_cast<std::uint8_t>(s[1] * a / 255 + bg * (255 - a) / 255);
                d[2] = static_cast<std::uint8_t>(s[2] * a / 255 + br * (255 - a) / 255);
                k[x] = MaskOpaque;
            }
        }
    }
}

void PackRgb565(Bitmap& dest, const Bitmap& source) {
    const int w = source.Width(), h = source.Height();
    Bitmap out(w, h, PixelFormat::Bits16);
    out.SetMasks(Masks565);
    RowReader reader(source);
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        reader.Read(y, 0, w, bgra.data());
        std::uint8_t* row = out.Row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = bgra.data() + 4 * x;
            const unsigned v = (p[0] >> 3) | ((p[1] >> 2) << 5) | ((p[2] >> 3) << 11);
            row[2 * x] = static_cast<std::uint8_t>(v);
            row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    }
    out.XPelsPerMeter = source.XPelsPerMeter;
    out.YPelsPerMeter = source.YPelsPerMeter;
    dest = std::move(out);
}

void AlphaFromMask(Bitmap& dest, const Bitmap& before, Bitmap& mask, const Bitmap& maskBefore) {
    if (before.Format() == PixelFormat::Bits32)
        return;
    dest.SetFormat(PixelFormat::Bits32);
    EnsureMask8(mask);
    Bitmap q = maskBefore;
    EnsureMask8(q);
    for (int y = 0; y < dest.Height(); ++y) {
        std::uint8_t* d = dest.Row(y);
        const std::uint8_t* m = y < q.Height() ? q.Row(y) : nullptr;
        for (int x = 0; x < dest.Width(); ++x) {
            const bool transparent = m && x < q.Width() && m[x] == MaskTransparent;
            d[4 * x + 3] = transparent ? 0 : 255;
        }
    }
}

}  // namespace gf
