#include "editor/pixels/mask.h"

#include <cstring>

#include "platform/icon_draw.h"

namespace gf {

const std::vector<Color>& GreyRamp() {
    static const std::vector<Color> ramp = [] {
        std::vector<Color> r(256);
        for (int i = 0; i < 256; ++i) {
            auto g = static_cast<std::uint8_t>(i);
            r[i] = Rgb(g, g, g);
        }
        return r;
    }();
    return ramp;
}

Bitmap MakeMask(int width, int height, std::uint8_t fill) {
    Bitmap mask(width, height, PixelFormat::Bits8);
    mask.SetPalette(GreyRamp());
    FillBytes8(mask, fill);
    return mask;
}

void FillBytes8(Bitmap& bitmap8, std::uint8_t value) {
    for (int y = 0; y < bitmap8.Height(); ++y)
        std::memset(bitmap8.Row(y), value, static_cast<std::size_t>(bitmap8.Width()));
}

void EnsureMask8(Bitmap& mask) {
    if (mask.Format() == PixelFormat::Bits8) {
        if (mask.Palette() != GreyRamp())
            mask.SetPalette(GreyRamp());
        return;
    }
    Bitmap out = MakeMask(mask.Width(), mask.Height());
    for (int y = 0; y < mask.Height(); ++y) {
        std::uint8_t* row = out.Row(y);
        for (int x = 0; x < mask.Width(); ++x)
            row[x] = MaskIsTransparent(mask, x, y) ? MaskTransparent : MaskOpaque;
    }
    mask = std::move(out);
}

int BytesPerPixel(const Bitmap& bitmap) {
    switch (bitmap.Format()) {
        case PixelFormat::Bits8:
            return 1;
        case PixelFormat::Bits24:
            return 3;
        case PixelFormat::Bits32:
            return 4;
        default:
            return 0;
    }
}

Bitmap AsTrueColour(const Bitmap& bitmap) {
    if (bitmap.Format() == PixelFormat::Bits24 || bitmap.Format() == PixelFormat::Bits32)
        return bitmap;
    return bitmap.ConvertedTo(PixelFormat::Bits24);
}

}  // namespace gf
