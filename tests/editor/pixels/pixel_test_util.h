#pragma once
// Small picture builders for the pixel routine tests.

#include <cstdint>
#include <random>

#include "editor/pixels/mask.h"
#include "platform/bitmap.h"

namespace gf::test {

inline Bitmap RandomPicture(int w, int h, PixelFormat format, std::uint32_t seed = 7) {
    Bitmap b(w, h, format);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Row(y);
        const int bytes = w * (format == PixelFormat::Bits32 ? 4 : 3);
        for (int i = 0; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(rng());
    }
    return b;
}

inline Bitmap SolidPicture(int w, int h, PixelFormat format, Color c, std::uint8_t alpha = 255) {
    Bitmap b(w, h, format);
    b.Fill(c, alpha);
    return b;
}

inline std::uint8_t MaskAt(const Bitmap& mask, int x, int y) {
    return mask.Row(y)[x];
}

inline const std::uint8_t* PixelAt(const Bitmap& b, int x, int y) {
    return b.Row(y) + x * (b.Format() == PixelFormat::Bits32 ? 4 : 3);
}

}  // namespace gf::test
