#pragma once
// Bitmap: the one picture type below the windows.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/color.h"

namespace gf {

// The largest side a bitmap may have; readers refuse anything larger.
inline constexpr int MaxBitmapSide = 32768;

// Red, green and blue masks of a 16-bit bitmap.
struct BitFields {
    std::uint32_t Red = 0;
    std::uint32_t Green = 0;
    std::uint32_t Blue = 0;
    friend bool operator==(const BitFields&, const BitFields&) = default;
};
inline constexpr BitFields Masks555{0x7C00, 0x03E0, 0x001F};
inline constexpr BitFields Masks565{0xF800, 0x07E0, 0x001F};

// Rows are stored top-down (row 0 is the top), each padded to a multiple of 4 bytes. Indexed
// formats keep a palette of 0x00BBGGRR entries; pixels are indices into it. A 32-bit pixel is
// blue, green, red, alpha.
class Bitmap {
public:
    Bitmap() = default;
    // Zero-filled pixels (index 0, or black with alpha 0). Indexed formats get the default
    // palette of their depth (see DefaultPalette). Sides outside 0..MaxBitmapSide throw
    // std::invalid_argument.
    Bitmap(int width, int height, PixelFormat format);

    bool Empty() const { return Width_ == 0 || Height_ == 0; }
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    PixelFormat Format() const { return Format_; }
    int BitCount() const { return StorageBits(Format_); }
    std::size_t Stride() const { return Stride_; }

    std::uint8_t* Row(int y) { return Pixels_.data() + static_cast<std::size_t>(y) * Stride_; }
    const std::uint8_t* Row(int y) const {
        return Pixels_.data() + static_cast<std::size_t>(y) * Stride_;
    }
    std::span<std::uint8_t> Data() { return Pixels_; }
    std::span<const std::uint8_t> Data() const { return Pixels_; }

    const std::vector<Color>& Palette() const { return Palette_; }
    // Replaces the palette without touching the indices (entries beyond 2^bits are dropped).
    void SetPalette(std::vector<Color> palette);

    // Masks of a 16-bit bitmap: Masks555 for Bits15, Masks565 by default for Bits16.
    const BitFields& Masks() const { return Masks_; }
    // Only for Bits16; the pixels are reinterpreted, not converted.
    void SetMasks(const BitFields& masks);

    // Resolution kept from a file, written back into DIB headers (0 when unknown).
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;

    // The colour of a pixel (through the palette for indexed formats). No bounds check beyond
    // an assertion: callers iterate within Width() x Height().
    Color GetPixel(int x, int y) const;
    // Indexed formats store the nearest palette entry; 32-bit pixels keep their alpha.
    void SetPixel(int x, int y, Color c);
    // Alpha of a 32-bit pixel (255 for every other format) and setting it (32-bit only).
    std::uint8_t GetAlpha(int x, int y) const;
    void SetAlpha(int x, int y, std::uint8_t a);

    // Fill every pixel (32-bit: alpha set to `alpha`).
    void Fill(Color c, std::uint8_t alpha = 0);
    // Fill the rectangle [x0, x1) x [y0, y1), clipped to the bitmap.
    void FillRect(int x0, int y0, int x1, int y1, Color c, std::uint8_t alpha = 0);

    // Copies a w x h block of `src` at (sx, sy) to (dx, dy), clipped on both sides. Pixels are
    // converted when the formats differ; between two 32-bit bitmaps alpha is copied too.
    void CopyRect(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy);

    // Converts the pixels to another format. To an indexed format: each pixel becomes the
    // nearest entry of `palette`, or of the default palette of that depth when none is given.
    // To 32 bits from another depth: alpha 0 (as the platform does; the icon drawing rule then
    // uses the mask). Device and Custom convert to 24 bits and keep their code.
    void SetFormat(PixelFormat format, const std::vector<Color>* palette = nullptr);
    Bitmap ConvertedTo(PixelFormat format, const std::vector<Color>* palette = nullptr) const;

    // New size; the overlapping top-left part is kept, new pixels are zero.
    void SetSize(int width, int height);

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    int Width_ = 0;
    int Height_ = 0;
    PixelFormat Format_ = PixelFormat::Bits24;
    std::size_t Stride_ = 0;
    std::vector<std::uint8_t> Pixels_;
    std::vector<Color> Palette_;
    BitFields Masks_{};
};

// The palette a bitmap of that depth gets when none is given: 1 bit black and white; 4 bits
// the 16 standard colours; 8 bits the 216-colour cube followed by 40 greys. Empty otherwise.
const std::vector<Color>& DefaultPalette(PixelFormat format);

// Index of the palette entry nearest to `c` (squared RGB distance; the first on ties).
int NearestPaletteIndex(const std::vector<Color>& palette, Color c);

}  // namespace gf
