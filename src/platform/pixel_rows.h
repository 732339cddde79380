#pragma once
// Row-wise pixel reading and writing through a common blue, green, red, alpha form. Converters,
// the BMP codec and the drawing code work on whole rows through these, so no per-pixel format
// dispatch sits in their inner loops.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace gf {

// One colour channel of a bit-field pixel (up to 32 bits wide).
class MaskChannel {
  public:
    MaskChannel() = default;
    explicit MaskChannel(std::uint32_t mask);

    // The channel of `pixel` scaled to 0..255. Narrow channels repeat their bits downwards, so
    // all ones becomes 255 and a round trip through Pack gives the same value back.
    std::uint8_t Unpack(std::uint32_t pixel) const {
        if (Bits == 0)
            return 0;
        std::uint32_t v = (pixel & Mask) >> Shift;
        if (Bits <= 8)
            return Expand[v];
        return static_cast<std::uint8_t>(v >> (Bits - 8));
    }
    std::uint32_t Pack(std::uint8_t value) const;

    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;  // from the lowest to the highest set bit

  private:
    std::array<std::uint8_t, 256> Expand{};
};

// Expands the low `bits` bits of v (bits 1..8) to 0..255 by repeating them.
std::uint8_t ExpandBits(std::uint32_t v, int bits);

// The same as MaskChannel(mask).Unpack(pixel), for single pixels.
std::uint8_t UnpackChannel(std::uint32_t pixel, std::uint32_t mask);

// Reads runs of pixels of one bitmap as blue, green, red, alpha quadruples. Formats without
// alpha read as alpha 255.
class RowReader {
  public:
    explicit RowReader(const Bitmap& bitmap);
    void Read(int y, int x0, int count, std::uint8_t* bgra) const;

  private:
    const Bitmap& Source;
    std::array<std::uint32_t, 256> PaletteBgra{};  // little-endian B,G,R,255
    MaskChannel Red, Green, Blue;
};

// Writes runs of blue, green, red, alpha quadruples into a bitmap. Indexed formats take the
// nearest palette entry through a small cache, so large pictures with few colours convert
// quickly; 32-bit targets store the alpha byte as given.
class RowWriter {
  public:
    explicit RowWriter(Bitmap& bitmap);
    void Write(int y, int x0, int count, const std::uint8_t* bgra);

  private:
    std::uint8_t IndexOf(std::uint32_t bgr);

    Bitmap& Target;
    MaskChannel Red, Green, Blue;
    std::vector<Color> PaletteCopy;
    static constexpr int CacheSize = 4096;
    std::vector<std::uint32_t> CacheKeys;  // colour | 0x80000000 when filled
    std::vector<std::uint8_t> CacheValues;
};

// Copies `count` pixels of `bits` each from bit position `srcBit` of `src` to `dstBit` of `dst`
// (MSB-first packing for 1 and 4 bits). Bits of `dst` outside the run are kept.
void CopyPixelBits(const std::uint8_t* src, std::size_t srcBit, std::uint8_t* dst,
                   std::size_t dstBit, std::size_t count, int bits);

// Clears the bits of a row beyond `width` pixels of `bits` each up to `stride` bytes, so that
// equal pictures have equal bytes.
void ClearRowTail(std::uint8_t* row, std::size_t stride, int width, int bits);

}  // namespace gf
