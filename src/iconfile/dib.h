#pragma once
// Describing a bitmap as a device-independent bitmap: the 40-byte info header, its colour table
// or bit-field masks, and the pixel rows bottom-up, each padded to a multiple of 4 bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

inline constexpr std::uint32_t DibInfoHeaderSize = 40;
inline constexpr std::uint32_t DibCompressionRgb = 0;
inline constexpr std::uint32_t DibCompressionBitFields = 3;

struct DibHeader {
    std::uint32_t Size = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;  // positive: rows bottom-up
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = 0;
    std::uint32_t SizeImage = 0;  // bytes of pixel data
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
    std::uint32_t ClrUsed = 0;
    std::uint32_t ClrImportant = 0;
    friend bool operator==(const DibHeader&, const DibHeader&) = default;
};

// The 40 bytes of the header, little-endian.
void PutDibHeader(std::vector<std::uint8_t>& out, const DibHeader& header);
void StoreDibHeader(std::span<std::uint8_t, DibInfoHeaderSize> out, const DibHeader& header);
// Reads the 40-byte header at `offset`; fails only when the bytes are not there.
Result<DibHeader> ReadDibHeader(Bytes data, std::size_t offset = 0);

// The header for `bitmap` at `bitCount` bits per pixel (0 = the bitmap's own depth): planes 1,
// a full colour table (2^bits entries) for 8 bits or fewer, bit fields for a Bits16 bitmap kept
// at 16 bits (or any bitmap asked for 16 bits), and the padded size of the pixel rows. An empty
// bitmap yields a zeroed header.
DibHeader GetDibInfo(const Bitmap& bitmap, int bitCount = 0);

struct DibSizes {
    std::uint32_t HeaderSize = 0;  // header plus colour table or masks
    std::uint32_t ImageSize = 0;   // pixel rows
};

// Header size: 40 + 4 x colours for 8 bits or fewer; 52 (header and three masks) for bit
// fields; 40 otherwise. Image size: the header's SizeImage.
DibSizes GetDibSizes(const Bitmap& bitmap, int bitCount = 0);

// Fills `headerAndTable` with the header and its colour table (blue, green, red, 0 per entry)
// or masks (red, green, blue), and `pixels` with every row of the bitmap converted to the bit
// count, bottom row first, each padded with zeros to 4 bytes. Buffers are sized from
// GetDibSizes; false (and nothing written) when either is too small, the bitmap is empty or the
// bit count is not one a bitmap can have (1, 4, 8, 16, 24, 32).
bool GetDibBits(const Bitmap& bitmap, std::span<std::uint8_t> headerAndTable,
                std::span<std::uint8_t> pixels, int bitCount = 0);

// The same in freshly sized buffers.
struct DibData {
    DibHeader Header;
    std::vector<std::uint8_t> HeaderAndTable;
    std::vector<std::uint8_t> Pixels;
};
Result<DibData> EncodeDib(const Bitmap& bitmap, int bitCount = 0);

// True for the bit counts a DIB written by this program may have.
constexpr bool IsDibBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace gf
