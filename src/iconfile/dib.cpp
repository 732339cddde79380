#include "iconfile/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "iconfile/icon_image.h"

namespace gf {

namespace {

void Store16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Store32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t PixelBytes64(std::int64_t width, std::int64_t height, int bits) {
    if (width <= 0 || height <= 0 || bits <= 0)
        return 0;
    return RowBytes(static_cast<std::uint64_t>(width), bits) * static_cast<std::uint64_t>(height);
}

// The bitmap whose rows hold `bits` per pixel: the bitmap itself when its storage already has
// that depth, else a converted copy in `scratch`.
const Bitmap& AtDepth(const Bitmap& bitmap, int bits, Bitmap& scratch) {
    if (bitmap.BitCount() == bits)
        return bitmap;
    scratch = bitmap.ConvertedTo(FormatFromBitCount(bits));
    return scratch;
}

bool UsesBitFields(const Bitmap& bitmap, int bits) {
    if (bits != 16)
        return false;
    // A 16-bit bitmap of our own keeps its own layout; other depths become Bits16 (5-6-5).
    return bitmap.BitCount() != 16 || bitmap.Format() == PixelFormat::Bits16;
}

}  // namespace

void StoreDibHeader(std::span<std::uint8_t, DibInfoHeaderSize> out, const DibHeader& h) {
    std::uint8_t* p = out.data();
    Store32(p + 0, h.Size);
    Store32(p + 4, static_cast<std::uint32_t>(h.Width));
    Store32(p + 8, static_cast<std::uint32_t>(h.Height));
    Store16(p + 12, h.Planes);
    Store16(p + 14, h.BitCount);
    Store32(p + 16, h.Compression);
    Store32(p + 20, h.SizeImage);
    Store32(p + 24, static_cast<std::uint32_t>(h.XPelsPerMeter));
    Store32(p + 28, static_cast<std::uint32_t>(h.YPelsPerMeter));
    Store32(p + 32, h.ClrUsed);
    Store32(p + 36, h.ClrImportant);
}

void PutDibHeader(std::vector<std::uint8_t>& out, const DibHeader& header) {
    std::uint8_t bytes[DibInfoHeaderSize];
    StoreDibHeader(std::span<std::uint8_t, DibInfoHeaderSize>(bytes), header);
    out.insert(out.end(), bytes, bytes + DibInfoHeaderSize);
}

Result<DibHeader> ReadDibHeader(Bytes data, std::size_t offset) {
    ByteReader r(data, offset);
    DibHeader h;
    h.Size = r.U32();
    h.Width = r.I32();
    h.Height = r.I32();
    h.Planes = r.U16();
    h.BitCount = r.U16();
    h.Compression = r.U32();
    h.SizeImage = r.U32();
    h.XPelsPerMeter = r.I32();
    h.YPelsPerMeter = r.I32();
    h.ClrUsed = r.U32();
    h.ClrImportant = r.U32();
    if (!r.Ok())
        return Error{"The bitmap header is cut short."};
    return h;
}

DibHeader GetDibInfo(const Bitmap& bitmap, int bitCount) {
    DibHeader h;
    if (bitmap.Empty())
        return h;
    h.Size = DibInfoHeaderSize;
    h.Width = bitmap.Width();
    h.Height = bitmap.Height();
    h.BitCount = static_cast<std::uint16_t>(bitmap.BitCount());
    h.XPelsPerMeter = bitmap.XPelsPerMeter;
    h.YPelsPerMeter = bitmap.YPelsPerMeter;
    if (bitCount != 0)
        h.BitCount = static_cast<std::uint16_t>(bitCount);
    h.Compression = UsesBitFields(bitmap, h.BitCount) ? DibCompressionBitFields : DibCompressionRgb;
    if (h.BitCount <= 8)
        h.ClrUsed = 1u << h.BitCount;
    h.Planes = 1;
    h.ClrImportant = std::min(h.ClrImportant, h.ClrUsed);
    if (h.SizeImage == 0) {
        std::uint64_t size = PixelBytes64(h.Width, h.Height, h.BitCount);
        h.SizeImage = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()));
    }
    return h;
}

DibSizes GetDibSizes(const Bitmap& bitmap, int bitCount) {
    DibHeader h = GetDibInfo(bitmap, bitCount);
    DibSizes s;
    if (h.Size == 0)
        return s;
    if (h.BitCount <= 8) {
        std::uint32_t colours = h.ClrUsed != 0 ? h.ClrUsed : (1u << h.BitCount);
        s.HeaderSize = DibInfoHeaderSize + 4 * colours;
    } else if ((h.Compression & 3) != 0) {
        s.HeaderSize = DibInfoHeaderSize + 12;
    } else {
        s.HeaderSize = DibInfoHeaderSize;
    }
    s.ImageSize = h.SizeImage;
    return s;
}

bool GetDibBits(const Bitmap& bitmap, std::span<std::uint8_t> headerAndTable,
                std::span<std::uint8_t> pixels, int bitCount) {
    if (bitmap.Empty())
        return false;
    const DibHeader h = GetDibInfo(bitmap, bitCount);
    const int bits = h.BitCount;
    if (!IsDibBitCount(bits))
        return false;
    const DibSizes sizes = GetDibSizes(bitmap, bitCount);
    const std::uint64_t rowBytes = RowBytes(static_cast<std::uint64_t>(h.Width), bits);
    const std::uint64_t dataBytes = rowBytes * static_cast<std::uint64_t>(h.Height);
    if (headerAndTable.size() < sizes.HeaderSize || pixels.size() < dataBytes)
        return false;

    Bitmap scratch;
    const Bitmap& src = AtDepth(bitmap, bits, scratch);

    StoreDibHeader(headerAndTable.first<DibInfoHeaderSize>(), h);
    std::uint8_t* table = headerAndTable.data() + DibInfoHeaderSize;
    if (bits <= 8) {
        const auto& palette = src.Palette();
        for (std::uint32_t i = 0; i < h.ClrUsed; ++i) {
            Color c = i < palette.size() ? palette[i] : Black;
            table[4 * i + 0] = BlueOf(c);
            table[4 * i + 1] = GreenOf(c);
            table[4 * i + 2] = RedOf(c);
            table[4 * i + 3] = 0;
        }
    } else if (h.Compression == DibCompressionBitFields) {
        Store32(table + 0, src.Masks().Red);
        Store32(table + 4, src.Masks().Green);
        Store32(table + 8, src.Masks().Blue);
    }

    // Only the bytes that hold pixels are copied; the padding is zero so that equal pictures
    // always give equal files.
    const std::size_t used = static_cast<std::size_t>(
        (static_cast<std::uint64_t>(h.Width) * static_cast<std::uint64_t>(bits) + 7) / 8);
    const std::size_t row = static_cast<std::size_t>(rowBytes);
    for (int y = 0; y < h.Height; ++y) {
        std::uint8_t* dst = pixels.data() + static_cast<std::size_t>(h.Height - 1 - y) * row;
        std::memcpy(dst, src.Row(y), used);
        std::memset(dst + used, 0, row - used);
    }
    return true;
}

Result<DibData> EncodeDib(const Bitmap& bitmap, int bitCount) {
    if (bitmap.Empty())
        return Error{"The bitmap is empty."};
    DibData d;
    d.Header = GetDibInfo(bitmap, bitCount);
    if (!IsDibBitCount(d.Header.BitCount)) {
        return Error{"A bitmap can not be stored at " + std::to_string(d.Header.BitCount) +
                     " bits per pixel."};
    }
    const std::uint64_t dataBytes =
        PixelBytes64(d.Header.Width, d.Header.Height, d.Header.BitCount);
    if (dataBytes > std::numeric_limits<std::uint32_t>::max()) {
        return Error{"The bitmap is too large to be stored."};
    }
    const DibSizes sizes = GetDibSizes(bitmap, bitCount);
    d.HeaderAndTable.resize(sizes.HeaderSize);
    d.Pixels.resize(static_cast<std::size_t>(dataBytes));
    if (!GetDibBits(bitmap, d.HeaderAndTable, d.Pixels, bitCount)) {
        return Error{"The bitmap could not be read."};
    }
    return d;
}

}  // namespace gf
