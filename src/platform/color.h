#pragma once
// Colour values and pixel format codes shared by every layer.

#include <cstdint>

namespace gf {

// 24-bit RGB held as 0x00BBGGRR: red in the lowest byte.
using Color = std::uint32_t;

constexpr Color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr std::uint8_t RedOf(Color c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GreenOf(Color c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t BlueOf(Color c) {
    return static_cast<std::uint8_t>(c >> 16);
}

inline constexpr Color Black = 0x000000;
inline constexpr Color White = 0xFFFFFF;

// The pixel formats of a bitmap. The numeric values are the program's pixel format codes.
enum class PixelFormat : int {
    Device = 0,  // device-dependent or not determined
    Bits1 = 1,
    Bits4 = 2,
    Bits8 = 3,
    Bits15 = 4,  // 16-bit storage, 5-5-5, no bit-field masks
    Bits16 = 5,  // 16-bit storage with bit-field masks (5-6-5 unless set otherwise)
    Bits24 = 6,
    Bits32 = 7,  // blue, green, red, alpha
    Custom = 8,
};

using PixelFormatCode = int;

constexpr PixelFormatCode CodeOf(PixelFormat f) {
    return static_cast<PixelFormatCode>(f);
}

// Bit count to code: 1->1, 4->2, 8->3, 16->5, 24->6, 32->7, anything else->0.
constexpr PixelFormatCode CodeFromBitCount(int bits) {
    switch (bits) {
        case 1:
            return 1;
        case 4:
            return 2;
        case 8:
            return 3;
        case 16:
            return 5;
        case 24:
            return 6;
        case 32:
            return 7;
        default:
            return 0;
    }
}

// Code to bits for display: 1->1, 2->4, 3->8, 5->16, 6->24, 7->32, anything else->24.
constexpr int DisplayBitsFromCode(PixelFormatCode code) {
    switch (code) {
        case 1:
            return 1;
        case 2:
            return 4;
        case 3:
            return 8;
        case 5:
            return 16;
        case 6:
            return 24;
        case 7:
            return 32;
        default:
            return 24;
    }
}

// Bits per pixel of the storage of a format (Device and Custom are stored as 24 bits).
constexpr int StorageBits(PixelFormat f) {
    switch (f) {
        case PixelFormat::Bits1:
            return 1;
        case PixelFormat::Bits4:
            return 4;
        case PixelFormat::Bits8:
            return 8;
        case PixelFormat::Bits15:
        case PixelFormat::Bits16:
            return 16;
        case PixelFormat::Bits32:
            return 32;
        default:
            return 24;
    }
}

constexpr bool IsIndexed(PixelFormat f) {
    return f == PixelFormat::Bits1 || f == PixelFormat::Bits4 || f == PixelFormat::Bits8;
}

// Row length in bytes for `bits` per pixel, padded to 32 bits.
constexpr std::uint64_t RowBytes(std::uint64_t width, int bits) {
    return ((static_cast<std::uint64_t>(bits) * width + 31) / 32) * 4;
}

}  // namespace gf
