#include "editor/pixels/icon_preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/icon_draw.h"
#include "platform/pixel_rows.h"

namespace gf {
namespace {

// Mul[a][v] = v * a / 255 (rounded down), the two terms of the alpha blend.
const std::array<std::array<std::uint8_t, 256>, 256>& BlendTable() {
    static const auto table = [] {
        std::array<std::array<std::uint8_t, 256>, 256> t{};
        for (int a = 0; a < 256; ++a)
            for (int v = 0; v < 256; ++v)
                t[a][v] = static_cast<std::uint8_t>(v * a / 255);
        return t;
    }();
    return table;
}

int PositiveMod(long long v, int m) {
    long long r = v % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

// The icon read once into blue, green, red, alpha with the mask folded in: the fourth byte of
// `Pixels` is the alpha when blending, else 255 for opaque and 0 for transparent pixels.
struct IconPixels {
    int Width = 0, Height = 0;
    bool Blend = false;
    std::vector<std::uint8_t> Pixels;
};

IconPixels ReadIcon(const Bitmap& color, const Bitmap& mask) {
    IconPixels icon;
    icon.Width = color.Width();
    icon.Height = color.Height();
    icon.Blend = IconUsesAlpha(color);
    icon.Pixels.resize(static_cast<std::size_t>(icon.Width) * icon.Height * 4);
    RowReader reader(color);
    const bool maskUsable = mask.Width() >= icon.Width && mask.Height() >= icon.Height;
    for (int y = 0; y < icon.Height; ++y) {
        std::uint8_t* row = icon.Pixels.data() + static_cast<std::size_t>(y) * icon.Width * 4;
        reader.Read(y, 0, icon.Width, row);
        if (icon.Blend)
            continue;
        if (maskUsable && mask.Format() == PixelFormat::Bits8) {
            const std::uint8_t* m = mask.Row(y);
            for (int x = 0; x < icon.Width; ++x)
                row[4 * x + 3] = m[x] == 255 ? 0 : 255;
        } else {
            for (int x = 0; x < icon.Width; ++x)
                row[4 * x + 3] = maskUsable && MaskIsTransparent(mask, x, y) ? 0 : 255;
        }
    }
    return icon;
}

// Draws the icon stretched to stretchW x stretchH with its top-left corner at canvas position
// (iconX, iconY) over the tile repeated from the canvas origin; `view` shows the canvas from
// (viewX, viewY).
void Compose(Bitmap& view, int viewX, int viewY, const Bitmap& tile, const IconPixels& icon,
             int iconX, int iconY, int stretchW, int stretchH) {
    const int vw = view.Width(), vh = view.Height();
    if (vw == 0 || vh == 0)
        return;
    const int bpp = view.Format() == PixelFormat::Bits32 ? 4 : 3;
    const bool hasTile = !tile.Empty();
    Bitmap tile24;
    if (hasTile)
        tile24 =
            tile.Format() == PixelFormat::Bits24 ? tile : tile.ConvertedTo(PixelFormat::Bits24);
    const auto& mul = BlendTable();

    // Per view column: the tile column and the icon column (-1 outside the icon).
    std::vector<int> tileCol(vw), iconCol(vw);
    for (int i = 0; i < vw; ++i) {
        const long long cx = static_cast<long long>(viewX) + i;
        tileCol[i] = hasTile ? PositiveMod(cx, tile24.Width()) : 0;
        const long long rel = cx - iconX;
        iconCol[i] = (rel >= 0 && rel < stretchW && icon.Width > 0)
                         ? static_cast<int>(rel * icon.Width / stretchW)
                         : -1;
    }
    for (int j = 0; j < vh; ++j) {
        const long long cy = static_cast<long long>(viewY) + j;
        std::uint8_t* out = view.Row(j);
        const std::uint8_t* trow = hasTile ? tile24.Row(PositiveMod(cy, tile24.Height())) : nullptr;
        const long long rel = cy - iconY;
        const std::uint8_t* irow = nullptr;
        if (rel >= 0 && rel < stretchH && icon.Height > 0) {
            const auto iy = static_cast<int>(rel * icon.Height / stretchH);
            irow = icon.Pixels.data() + static_cast<std::size_t>(iy) * icon.Width * 4;
        }
        for (int i = 0; i < vw; ++i) {
            std::uint8_t b[3] = {255, 255, 255};
            if (trow)
                std::memcpy(b, trow + 3 * tileCol[i], 3);
            std::uint8_t* o = out + bpp * i;
            if (irow && iconCol[i] >= 0) {
                const std::uint8_t* c = irow + 4 * iconCol[i];
                const std::uint8_t a = c[3];
                if (icon.Blend) {
                    for (int k = 0; k < 3; ++k)
                        o[k] = static_cast<std::uint8_t>(mul[a][c[k]] + mul[255 - a][b[k]]);
                } else if (a == 0) {
                    // Transparent: (B AND all ones) XOR C.
                    for (int k = 0; k < 3; ++k)
                        o[k] = static_cast<std::uint8_t>(b[k] ^ c[k]);
                } else {
                    for (int k = 0; k < 3; ++k)
                        o[k] = c[k];
                }
            } else {
                for (int k = 0; k < 3; ++k)
                    o[k] = b[k];
            }
            if (bpp == 4)
                o[3] = 255;
        }
    }
}

}  // namespace

void TileOver(Bitmap& image, const Bitmap& tile) {
    if (image.Empty() || tile.Empty())
        return;
    for (int y = 0; y <= image.Height(); y += tile.Height())
        for (int x = 0; x <= image.Width(); x += tile.Width())
            image.CopyRect(tile, 0, 0, tile.Width(), tile.Height(), x, y);
}

void DrawIconPreview(Bitmap& image, const Bitmap& tile, const Bitmap& color, const Bitmap& mask) {
    if (image.Empty())
        return;
    const IconPixels icon = ReadIcon(color, mask);
    const int x = (image.Width() - icon.Width) / 2, y = (image.Height() - icon.Height) / 2;
    if (image.Format() == PixelFormat::Bits24 || image.Format() == PixelFormat::Bits32) {
        Compose(image, 0, 0, tile, icon, x, y, icon.Width, icon.Height);
        return;
    }
    Bitmap tmp(image.Width(), image.Height(), PixelFormat::Bits24);
    Compose(tmp, 0, 0, tile, icon, x, y, icon.Width, icon.Height);
    image.CopyRect(tmp, 0, 0, tmp.Width(), tmp.Height(), 0, 0);
}

int ZoomedLength(int length, double zoom) {
    const double v = std::trunc(static_cast<double>(length) * zoom);
    if (!(v > 0))
        return 0;
    return static_cast<int>(std::min(v, static_cast<double>(MaxBitmapSide)));
}

void RenderZoomView(Bitmap& view, int viewX, int viewY, const Bitmap& tile, const Bitmap& color,
                    const Bitmap& mask, double zoom) {
    const IconPixels icon = ReadIcon(color, mask);
    Compose(view, viewX, viewY, tile, icon, 0, 0, ZoomedLength(icon.Width, zoom),
            ZoomedLength(icon.Height, zoom));
}

}  // namespace gf
