#include "editor/pixels/pen.h"

#include <algorithm>
#include <cstdint>

namespace gf {

PixelBox PenBlock(int x, int y, int half) {
    if (half < 0)
        return {x, y, x, y};
    if (half == 0)
        return {x, y, x + 1, y + 1};
    return {x - half, y - half, x + half, y + half};
}

void PaintPenBlock(Bitmap& color, Bitmap& mask, int x, int y, int opacity, bool transparent,
                   BrushColour colour, int half) {
    const int bpp = color.Format() == PixelFormat::Bits32   ? 4
                    : color.Format() == PixelFormat::Bits24 ? 3
                                                            : 0;
    if (bpp == 0 || mask.Format() != PixelFormat::Bits8 || mask.Width() != color.Width() ||
        mask.Height() != color.Height())
        return;
    PixelBox b = PenBlock(x, y, half);
    b.X0 = std::max(b.X0, 0);
    b.Y0 = std::max(b.Y0, 0);
    b.X1 = std::min(b.X1, color.Width());
    b.Y1 = std::min(b.Y1, color.Height());
    const auto a = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool keep = colour == KeepColour;
    const auto cb = static_cast<std::uint8_t>((colour >> 16) & 255);
    const auto cg = static_cast<std::uint8_t>((colour >> 8) & 255);
    const auto cr = static_cast<std::uint8_t>(colour & 255);
    for (int j = b.Y0; j < b.Y1; ++j) {
        std::uint8_t* m = mask.Row(j);
        std::uint8_t* row = color.Row(j);
        for (int i = b.X0; i < b.X1; ++i) {
            std::uint8_t* p = row + bpp * i;
            if (transparent) {
                m[i] = 255;
                p[0] = p[1] = p[2] = 0;
                if (bpp == 4)
                    p[3] = 0;
                continue;
            }
            m[i] = 0;
            if (!keep) {
                p[0] = cb;
                p[1] = cg;
                p[2] = cr;
            }
            if (bpp == 4)
                p[3] = a;
        }
    }
}

Bitmap RenderBrushSwatch(int width, int height, BrushColour colour, int opacity, bool overChecker,
                         const Bitmap& checker) {
    Bitmap swatch(width, height, PixelFormat::Bits24);
    const int a = std::clamp(opacity, 0, 255);
    const int ch[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255};
    const bool blend = overChecker && a < 255 && !checker.Empty();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = swatch.Row(y);
        for (int x = 0; x < width; ++x) {
            const int back =
                blend ? BlueOf(checker.GetPixel(x % checker.Width(), y % checker.Height())) : 0;
            for (int k = 0; k < 3; ++k)
                row[3 * x + k] =
                    static_cast<std::uint8_t>(blend ? (ch[k] * a + back * (255 - a)) / 255 : ch[k]);
        }
    }
    return swatch;
}

void DrawOpacityCross(Bitmap& swatch) {
    const int w = swatch.Width(), h = swatch.Height();
    if (w == 0 || h == 0)
        return;
    const Color red = Rgb(255, 0, 0);
    auto plot = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            swatch.SetPixel(x, y, red);
    };
    for (int y = 0; y < h; ++y) {
        const int x = y * w / h;
        plot(x, y);
        plot(x + 1, y);
        plot(w - 1 - x, y);
        plot(w - 2 - x, y);
    }
}

}  // namespace gf
