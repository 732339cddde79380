#include "platform/pixel_rows.h"

#include <bit>
#include <cstring>

namespace gf {

std::uint8_t ExpandBits(std::uint32_t v, int bits) {
    // Repeat the bit pattern from the top down: 5 bits abcde -> abcdeabc, 6 bits -> abcdefab.
    std::uint32_t out = 0;
    for (int pos = 8 - bits; pos > -bits; pos -= bits) {
        out |= pos >= 0 ? (v << pos) : (v >> -pos);
    }
    return static_cast<std::uint8_t>(out);
}

std::uint8_t UnpackChannel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::bit_width(mask >> shift);
    const std::uint32_t v = (pixel & mask) >> shift;
    return bits <= 8 ? ExpandBits(v, bits) : static_cast<std::uint8_t>(v >> (bits - 8));
}

MaskChannel::MaskChannel(std::uint32_t mask) : Mask(mask) {
    if (mask == 0)
        return;
    Shift = std::countr_zero(mask);
    Bits = std::bit_width(mask >> Shift);
    if (Bits <= 8) {
        for (std::uint32_t v = 0; v < (1u << Bits); ++v)
            Expand[v] = ExpandBits(v, Bits);
    }
}

std::uint32_t MaskChannel::Pack(std::uint8_t value) const {
    if (Bits == 0)
        return 0;
    std::uint64_t v;
    if (Bits <= 8) {
        v = value >> (8 - Bits);
    } else {
        std::uint64_t top = (std::uint64_t{1} << Bits) - 1;
        v = (value * top + 127) / 255;
    }
    return static_cast<std::uint32_t>(v << Shift) & Mask;
}

namespace {

std::uint32_t BgraOf(Color c) {
    return static_cast<std::uint32_t>(BlueOf(c)) | (static_cast<std::uint32_t>(GreenOf(c)) << 8) |
           (static_cast<std::uint32_t>(RedOf(c)) << 16) | 0xFF000000u;
}

}  // namespace

RowReader::RowReader(const Bitmap& bitmap) : Source(bitmap) {
    PaletteBgra.fill(0xFF000000u);
    const auto& pal = bitmap.Palette();
    for (std::size_t i = 0; i < pal.size() && i < PaletteBgra.size(); ++i) {
        PaletteBgra[i] = BgraOf(pal[i]);
    }
    if (bitmap.Format() == PixelFormat::Bits15 || bitmap.Format() == PixelFormat::Bits16) {
        Red = MaskChannel(bitmap.Masks().Red);
        Green = MaskChannel(bitmap.Masks().Green);
        Blue = MaskChannel(bitmap.Masks().Blue);
    }
}

void RowReader::Read(int y, int x0, int count, std::uint8_t* bgra) const {
    const std::uint8_t* row = Source.Row(y);
    auto putIndex = [&](int i, unsigned index) {
        std::uint32_t v = PaletteBgra[index];
        std::memcpy(bgra + 4 * i, &v, 4);  // little-endian: B, G, R, A
    };
    switch (Source.Format()) {
        case PixelFormat::Bits1:
            for (int i = 0; i < count; ++i) {
                int x = x0 + i;
                putIndex(i, (row[x >> 3] >> (7 - (x & 7))) & 1u);
            }
            break;
        case PixelFormat::Bits4:
            for (int i = 0; i < count; ++i) {
                int x = x0 + i;
                putIndex(i, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
            }
            break;
        case PixelFormat::Bits8:
            for (int i = 0; i < count; ++i)
                putIndex(i, row[x0 + i]);
            break;
        case PixelFormat::Bits15:
        case PixelFormat::Bits16:
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = row + 2 * (x0 + i);
                std::uint32_t px = p[0] | (p[1] << 8);
                bgra[4 * i] = Blue.Unpack(px);
                bgra[4 * i + 1] = Green.Unpack(px);
                bgra[4 * i + 2] = Red.Unpack(px);
                bgra[4 * i + 3] = 255;
            }
            break;
        case PixelFormat::Bits32:
            std::memcpy(bgra, row + 4 * static_cast<std::size_t>(x0),
                        4 * static_cast<std::size_t>(count));
            break;
        default:  // 24-bit storage
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = row + 3 * (x0 + i);
                bgra[4 * i] = p[0];
                bgra[4 * i + 1] = p[1];
                bgra[4 * i + 2] = p[2];
                bgra[4 * i + 3] = 255;
            }
            break;
    }
}

RowWriter::RowWriter(Bitmap& bitmap) : Target(bitmap) {
    if (IsIndexed(bitmap.Format())) {
        PaletteCopy = bitmap.Palette();
        CacheKeys.assign(CacheSize, 0);
        CacheValues.assign(CacheSize, 0);
    }
    if (bitmap.Format() == PixelFormat::Bits15 || bitmap.Format() == PixelFormat::Bits16) {
        Red = MaskChannel(bitmap.Masks().Red);
        Green = MaskChannel(bitmap.Masks().Green);
        Blue = MaskChannel(bitmap.Masks().Blue);
    }
}

std::uint8_t RowWriter::IndexOf(std::uint32_t bgr) {
    std::uint32_t slot = (bgr * 2654435761u) >> 20;  // 12 bits of a multiplicative hash
    std::uint32_t key = bgr | 0x80000000u;
    if (CacheKeys[slot] == key)
        return CacheValues[slot];
    Color c = Rgb(static_cast<std::uint8_t>(bgr >> 16), static_cast<std::uint8_t>(bgr >> 8),
                  static_cast<std::uint8_t>(bgr));
    auto index = static_cast<std::uint8_t>(NearestPaletteIndex(PaletteCopy, c));
    CacheKeys[slot] = key;
    CacheValues[slot] = index;
    return index;
}

void RowWriter::Write(int y, int x0, int count, const std::uint8_t* bgra) {
    std::uint8_t* row = Target.Row(y);
    auto bgrAt = [&](int i) {
        const std::uint8_t* p = bgra + 4 * i;
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16);
    };
    switch (Target.Format()) {
        case PixelFormat::Bits1:
            for (int i = 0; i < count; ++i) {
                int x = x0 + i;
                std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
                if (IndexOf(bgrAt(i)) & 1u) {
                    row[x >> 3] |= bit;
                } else {
                    row[x >> 3] &= static_cast<std::uint8_t>(~bit);
                }
            }
            break;
        case PixelFormat::Bits4:
            for (int i = 0; i < count; ++i) {
                int x = x0 + i;
                std::uint8_t index = IndexOf(bgrAt(i)) & 0xFu;
                std::uint8_t& b = row[x >> 1];
                b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0u) | index)
                            : static_cast<std::uint8_t>((b & 0x0Fu) | (index << 4));
            }
            break;
        case PixelFormat::Bits8:
            for (int i = 0; i < count; ++i)
                row[x0 + i] = IndexOf(bgrAt(i));
            break;
        case PixelFormat::Bits15:
        case PixelFormat::Bits16:
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* s = bgra + 4 * i;
                std::uint32_t px = Blue.Pack(s[0]) | Green.Pack(s[1]) | Red.Pack(s[2]);
                std::uint8_t* p = row + 2 * (x0 + i);
                p[0] = static_cast<std::uint8_t>(px);
                p[1] = static_cast<std::uint8_t>(px >> 8);
            }
            break;
        case PixelFormat::Bits32:
            std::memcpy(row + 4 * static_cast<std::size_t>(x0), bgra,
                        4 * static_cast<std::size_t>(count));
            break;
        default:
            for (int i = 0; i < count; ++i) {
                std::uint8_t* p = row + 3 * (x0 + i);
                p[0] = bgra[4 * i];
                p[1] = bgra[4 * i + 1];
                p[2] = bgra[4 * i + 2];
            }
            break;
    }
}

void CopyPixelBits(const std::uint8_t* src, std::size_t srcBit, std::uint8_t* dst,
                   std::size_t dstBit, std::size_t count, int bits) {
    std::size_t totalBits = count * static_cast<std::size_t>(bits);
    if (totalBits == 0)
        return;
    if (srcBit % 8 == 0 && dstBit % 8 == 0) {
        std::size_t whole = totalBits / 8;
        std::memmove(dst + dstBit / 8, src + srcBit / 8, whole);
        std::size_t rest = totalBits % 8;
        if (rest) {
            auto keep = static_cast<std::uint8_t>(0xFFu >> rest);
            std::uint8_t& d = dst[dstBit / 8 + whole];
            d = static_cast<std::uint8_t>((d & keep) | (src[srcBit / 8 + whole] & ~keep));
        }
        return;
    }
    // Unaligned runs (sub-byte formats at odd positions) go pixel by pixel.
    std::uint32_t pixelMask = (1u << bits) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t s = srcBit + i * bits;
        std::size_t d = dstBit + i * bits;
        unsigned v = (src[s / 8] >> (8 - bits - s % 8)) & pixelMask;
        int shift = static_cast<int>(8 - bits - d % 8);
        std::uint8_t& b = dst[d / 8];
        b = static_cast<std::uint8_t>((b & ~(pixelMask << shift)) | (v << shift));
    }
}

void ClearRowTail(std::uint8_t* row, std::size_t stride, int width, int bits) {
    std::size_t usedBits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits);
    std::size_t full = usedBits / 8;
    std::size_t rest = usedBits % 8;
    if (rest) {
        row[full] &= static_cast<std::uint8_t>(0xFF00u >> rest);
        ++full;
    }
    if (full < stride)
        std::memset(row + full, 0, stride - full);
}

}  // namespace gf
