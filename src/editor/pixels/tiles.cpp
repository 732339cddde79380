#include "editor/pixels/tiles.h"

#include <cstdint>

namespace gf {
namespace {

Bitmap Checker(Color first, Color second) {
    Bitmap b(32, 32, PixelFormat::Bits24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            b.SetPixel(x, y, ((x / 8 + y / 8) % 2 == 0) ? first : second);
    return b;
}

// A small deterministic hash, so the textures look grainy but are the same on every run.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A 79 x 79 texture: a base colour varied by smoothed noise and a faint weave, wrapping at the
// edges so the repeats do not show seams too plainly.
Bitmap Texture(int r0, int g0, int b0, int r1, int g1, int b1, std::uint32_t seed) {
    constexpr int N = 79;
    Bitmap b(N, N, PixelFormat::Bits24);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += static_cast<int>(Hash((x + dx + N) % N, (y + dy + N) % N, seed) & 255);
            const int t = sum / 9;  // 0..255, smooth
            const int weave = ((x + 2 * y) % 7 == 0 || (2 * x - y + N) % 11 == 0) ? 24 : 0;
            const int f = t + weave > 255 ? 255 : t + weave;
            b.SetPixel(x, y,
                       Rgb(Clamp(r0 + (r1 - r0) * f / 255), Clamp(g0 + (g1 - g0) * f / 255),
                           Clamp(b0 + (b1 - b0) * f / 255)));
        }
    }
    return b;
}

// A 16 x 16 fine pattern: a two-colour checker of single pixels with a third colour on a
// diagonal lattice.
Bitmap Fine(Color a, Color b, Color c) {
    Bitmap bm(16, 16, PixelFormat::Bits24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            Color v = ((x + y) % 2 == 0) ? a : b;
            if ((x + y) % 4 == 0 && (x - y + 16) % 8 == 0)
                v = c;
            bm.SetPixel(x, y, v);
        }
    return bm;
}

}  // namespace

Bitmap MakeTile(TileKind kind) {
    switch (kind) {
        case TileKind::BlueTexture:
            return Texture(24, 60, 140, 120, 170, 235, 1);
        case TileKind::BeigeTexture:
            return Texture(120, 80, 40, 235, 215, 170, 2);
        case TileKind::WarmChecker:
            return Checker(Rgb(205, 240, 243), Rgb(254, 215, 203));
        case TileKind::PinkCyanFine:
            return Fine(Rgb(254, 215, 203), Rgb(205, 240, 243), Rgb(250, 190, 200));
        case TileKind::GreyFine:
            return Fine(Rgb(255, 255, 255), Rgb(230, 230, 230), Rgb(208, 208, 208));
        case TileKind::GreyChecker:
            return Checker(Rgb(255, 255, 255), Rgb(204, 204, 204));
    }
    return Fine(White, White, White);
}

}  // namespace gf
