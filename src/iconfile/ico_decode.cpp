#include "iconfile/ico_decode.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "iconfile/dib.h"
#include "iconfile/ico_format.h"
#include "platform/file_io.h"
#include "platform/pixel_rows.h"
#include "platform/png_codec.h"

namespace gf {

namespace {

std::string Num(std::int64_t v) {
    return std::to_string(v);
}

// The IHDR chunk follows the signature: length, "IHDR", then width and height big-endian.
Result<IconBlockInfo> PeekPng(Bytes block) {
    auto be32 = [&](std::size_t off) -> std::optional<std::uint32_t> {
        auto v = Slice(block, off, 4);
        if (!v)
            return std::nullopt;
        return (static_cast<std::uint32_t>((*v)[0]) << 24) | ((*v)[1] << 16) | ((*v)[2] << 8) |
               (*v)[3];
    };
    auto w = be32(16), h = be32(20);
    if (!w || !h)
        return Error{"The PNG icon image is cut short."};
    IconBlockInfo info;
    info.IsPng = true;
    info.Width = static_cast<int>(std::min<std::uint32_t>(*w, 0x7FFFFFFF));
    info.Height = static_cast<int>(std::min<std::uint32_t>(*h, 0x7FFFFFFF));
    info.BitCount = 32;
    return info;
}

// The size checks every PNG icon image passes, by its header, before the decoder allocates.
Result<IconBlockInfo> CheckPngBlock(Bytes head) {
    auto info = PeekPng(head);
    if (!info)
        return info.GetError();
    if (info->Width == 0 || info->Height == 0)
        return Error{"The PNG icon image has no pixels."};
    if (info->Width > MaxIconSide || info->Height > MaxIconSide) {
        return Error{"The PNG icon image is " + Num(info->Width) + "x" + Num(info->Height) +
                     " pixels, larger than an icon may be."};
    }
    return info;
}

Result<IconImage> DecodePngBlock(Bytes block) {
    if (auto checked = CheckPngBlock(block); !checked)
        return checked.GetError();
    auto png = DecodePng(block);
    if (!png)
        return Error{"The PNG icon image can not be decoded: " + png.ErrorMessage()};
    Bitmap& pixels = png->Pixels;
    if (pixels.Empty())
        return Error{"The PNG icon image is empty."};
    if (pixels.Width() > MaxIconSide || pixels.Height() > MaxIconSide) {
        return Error{"The PNG icon image is " + Num(pixels.Width()) + "x" + Num(pixels.Height()) +
                     " pixels, larger than an icon may be."};
    }
    if (pixels.Format() != PixelFormat::Bits32)
        pixels.SetFormat(PixelFormat::Bits32);
    IconImage icon;
    icon.Mask = Bitmap(pixels.Width(), pixels.Height(), PixelFormat::Bits1);
    for (int y = 0; y < pixels.Height(); ++y) {
        const std::uint8_t* src = pixels.Row(y);
        std::uint8_t* mask = icon.Mask.Row(y);
        for (int x = 0; x < pixels.Width(); ++x) {
            if (src[4 * x + 3] == 0)
                mask[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    icon.Color = std::move(pixels);
    return icon;
}

// Copies bottom-up DIB rows into a top-down bitmap, `used` bytes per row.
void CopyRowsBottomUp(Bytes data, std::size_t rowBytes, Bitmap& target, int rows) {
    const std::size_t used = std::min(rowBytes, target.Stride());
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* src = data.data() + static_cast<std::size_t>(y) * rowBytes;
        std::memcpy(target.Row(target.Height() - 1 - y), src, used);
    }
}

// 32-bit pixels with masks other than blue, green, red in the low three bytes.
void ConvertBitFields32(Bytes data, std::size_t rowBytes, const std::uint32_t masks[3],
                        Bitmap& target) {
    MaskChannel r(masks[0]), g(masks[1]), b(masks[2]);
    for (int y = 0; y < target.Height(); ++y) {
        const std::uint8_t* src = data.data() + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* dst = target.Row(target.Height() - 1 - y);
        for (int x = 0; x < target.Width(); ++x) {
            std::uint32_t px = ReadU32(Bytes(src + 4 * x, 4), 0).value_or(0);
            dst[4 * x + 0] = b.Unpack(px);
            dst[4 * x + 1] = g.Unpack(px);
            dst[4 * x + 2] = r.Unpack(px);
            dst[4 * x + 3] = 0;
        }
    }
}

// Where the parts of a DIB image block lie, once its headers have passed every check.
struct DibLayout {
    DibHeader Header;
    int Width = 0;
    int Height = 0;  // the single height
    int Bits = 0;
    bool BitFields = false;
    std::uint32_t Masks[3] = {0, 0, 0};
    std::uint64_t PalettePos = 0;
    std::uint32_t PaletteUsed = 0;  // entries stored; 0 above 8 bits
    std::uint64_t ColourPos = 0;
    std::uint64_t ColourRowBytes = 0;
    std::uint64_t MaskPos = 0;  // where the AND mask starts
};

// Reads the headers of a DIB image block of `blockSize` bytes from its first bytes (`head`, at
// least IconBlockHeadBytes of them when the block has that many) and checks everything they
// say against the block's size.
Result<DibLayout> ReadDibLayout(Bytes head, std::uint64_t blockSize) {
    auto header = ReadDibHeader(head);
    if (!header)
        return Error{"The icon image is too short to hold a bitmap header."};
    DibLayout l;
    l.Header = *header;
    const DibHeader& h = *header;
    if (h.Size < DibInfoHeaderSize || h.Size > blockSize) {
        return Error{"The icon image's bitmap header has an invalid size (" + Num(h.Size) + ")."};
    }
    if (h.Width <= 0 || h.Width > MaxIconSide) {
        return Error{"The icon image has an invalid width (" + Num(h.Width) + ")."};
    }
    // The stored height covers the colour rows and the mask rows.
    const std::int64_t height = h.Height / 2;
    if (h.Height <= 0 || height <= 0 || height > MaxIconSide) {
        return Error{"The icon image has an invalid height (" + Num(h.Height) + ")."};
    }
    l.Width = h.Width;
    l.Height = static_cast<int>(height);
    l.Bits = h.BitCount;
    if (!IsDibBitCount(l.Bits)) {
        return Error{"The icon image has an unsupported bit count (" + Num(l.Bits) + ")."};
    }
    l.BitFields = h.Compression == DibCompressionBitFields;
    if (h.Compression != DibCompressionRgb && !(l.BitFields && (l.Bits == 16 || l.Bits == 32))) {
        return Error{"The icon image uses an unsupported compression (" + Num(h.Compression) +
                     ")."};
    }

    std::uint64_t pos = h.Size;
    if (l.BitFields) {
        // The masks follow a 40-byte header; longer headers hold them at the same place.
        for (int i = 0; i < 3; ++i) {
            auto m = ReadU32(head, DibInfoHeaderSize + 4 * i);
            if (!m || DibInfoHeaderSize + 4ull * (i + 1) > blockSize)
                return Error{"The icon image ends inside its colour masks."};
            l.Masks[i] = *m;
        }
        if (h.Size == DibInfoHeaderSize)
            pos += 12;
        if (l.Bits == 16 && (l.Masks[0] | l.Masks[1] | l.Masks[2]) > 0xFFFF)
            return Error{"The icon image's colour masks do not fit 16 bits."};
    }

    if (l.Bits <= 8) {
        const std::uint32_t full = 1u << l.Bits;
        l.PaletteUsed = h.ClrUsed == 0 ? full : h.ClrUsed;
        if (l.PaletteUsed > full) {
            return Error{"The icon image's colour table has " + Num(h.ClrUsed) +
                         " entries, more than " + Num(l.Bits) + " bits can address."};
        }
        if (!RangeFits(pos, 4ull * l.PaletteUsed, blockSize))
            return Error{"The icon image ends inside its colour table."};
        l.PalettePos = pos;
        pos += 4ull * l.PaletteUsed;
    }

    l.ColourRowBytes = RowBytes(static_cast<std::uint64_t>(l.Width), l.Bits);
    const std::uint64_t colourBytes = l.ColourRowBytes * static_cast<std::uint64_t>(l.Height);
    if (!RangeFits(pos, colourBytes, blockSize)) {
        return Error{"The icon image is cut short: its " + Num(l.Width) + "x" + Num(l.Height) +
                     "x" + Num(l.Bits) + " pixels need " +
                     Num(static_cast<std::int64_t>(colourBytes)) + " bytes."};
    }
    l.ColourPos = pos;
    l.MaskPos = pos + colourBytes;
    return l;
}

Result<IconImage> DecodeDibBlock(Bytes block) {
    auto layout = ReadDibLayout(block, block.size());
    if (!layout)
        return layout.GetError();
    const DibLayout& l = *layout;
    const int bits = l.Bits;
    const bool bitFields = l.BitFields;
    const std::uint32_t* masks = l.Masks;

    std::vector<Color> palette;
    if (bits <= 8) {
        palette.resize(std::size_t{1} << bits, Black);  // indices beyond a short table are black
        const std::uint8_t* table = block.data() + l.PalettePos;
        for (std::uint32_t i = 0; i < l.PaletteUsed; ++i) {
            const std::uint8_t* e = table + 4 * i;
            palette[i] = Rgb(e[2], e[1], e[0]);
        }
    }

    const int w = l.Width;
    const int ht = l.Height;
    const std::uint64_t colourRow = l.ColourRowBytes;
    Bytes colourData = block.subspan(static_cast<std::size_t>(l.ColourPos),
                                     static_cast<std::size_t>(colourRow * ht));
    const std::uint64_t pos = l.MaskPos;

    IconImage icon;
    switch (bits) {
        case 1:
        case 4:
        case 8: {
            const PixelFormat f = FormatFromBitCount(bits);
            icon.Color = Bitmap(w, ht, f);
            icon.Color.SetPalette(palette);
            CopyRowsBottomUp(colourData, colourRow, icon.Color, ht);
            break;
        }
        case 16: {
            BitFields fields = Masks555;
            if (bitFields)
                fields = {masks[0], masks[1], masks[2]};
            if (fields == Masks555) {
                icon.Color = Bitmap(w, ht, PixelFormat::Bits15);
            } else {
                icon.Color = Bitmap(w, ht, PixelFormat::Bits16);
                icon.Color.SetMasks(fields);
            }
            CopyRowsBottomUp(colourData, colourRow, icon.Color, ht);
            break;
        }
        case 24:
            icon.Color = Bitmap(w, ht, PixelFormat::Bits24);
            CopyRowsBottomUp(colourData, colourRow, icon.Color, ht);
            break;
        case 32:
            icon.Color = Bitmap(w, ht, PixelFormat::Bits32);
            if (bitFields && !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
                ConvertBitFields32(colourData, colourRow, masks, icon.Color);
            } else {
                CopyRowsBottomUp(colourData, colourRow, icon.Color, ht);
            }
            break;
    }
    for (int y = 0; y < ht; ++y)
        ClearRowTail(icon.Color.Row(y), icon.Color.Stride(), w, bits);

    // The AND mask. Some writers leave it out or cut it short; missing rows are opaque.
    icon.Mask = Bitmap(w, ht, PixelFormat::Bits1);
    const std::uint64_t maskRow = RowBytes(static_cast<std::uint64_t>(w), 1);
    const std::uint64_t available = block.size() - std::min<std::uint64_t>(pos, block.size());
    const int maskRows = static_cast<int>(std::min<std::uint64_t>(available / maskRow, ht));
    if (maskRows > 0) {
        CopyRowsBottomUp(block.subspan(static_cast<std::size_t>(pos)), maskRow, icon.Mask,
                         maskRows);
        for (int y = ht - maskRows; y < ht; ++y) {
            ClearRowTail(icon.Mask.Row(y), icon.Mask.Stride(), w, 1);
        }
    }
    return icon;
}

}  // namespace

Result<IconBlockInfo> PeekIconBlock(Bytes block) {
    IconBlockInfo info;
    if (HasPngSignature(block))
        return PeekPng(block);
    auto header = ReadDibHeader(block);
    if (!header)
        return Error{"The icon image is too short to hold a bitmap header."};
    info.Width = header->Width;
    info.Height = header->Height / 2;
    info.BitCount = header->BitCount;
    return info;
}

Status CheckIconBlock(Bytes head, std::uint64_t blockSize) {
    if (HasPngSignature(head)) {
        auto png = CheckPngBlock(head);
        return png ? Status::Success() : Status(png.GetError());
    }
    auto layout = ReadDibLayout(head, blockSize);
    return layout ? Status::Success() : Status(layout.GetError());
}

Result<IconImage> DecodeIconImageBlock(Bytes block) {
    if (HasPngSignature(block))
        return DecodePngBlock(block);
    return DecodeDibBlock(block);
}

Result<IconImage> DecodeIconFileFirstSize(Bytes file) {
    auto dir = ReadIconDirectory(file);
    if (!dir)
        return dir.GetError();
    if (dir->Entries.empty())
        return Error{"The icon file holds no image."};

    // The size of an entry: from the block's own header where it can be read (the directory of
    // a cursor file or a careless writer may say otherwise), else from the directory.
    struct Candidate {
        std::size_t Index;
        int Width, Height, Bits;
    };
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < dir->Entries.size(); ++i) {
        const IconDirEntry& e = dir->Entries[i];
        Candidate c{i, e.Width == 0 ? 256 : e.Width, e.Height == 0 ? 256 : e.Height, e.BitCount};
        if (auto block = IconImageBlock(file, e)) {
            if (auto info = PeekIconBlock(*block)) {
                c.Width = info->Width;
                c.Height = info->Height;
                c.Bits = info->BitCount;
            }
        }
        candidates.push_back(c);
    }
    const int wantW = candidates[0].Width;
    const int wantH = candidates[0].Height;
    std::vector<Candidate> sameSize;
    for (const auto& c : candidates) {
        if (c.Width == wantW && c.Height == wantH)
            sameSize.push_back(c);
    }
    std::stable_sort(sameSize.begin(), sameSize.end(),
                     [](const Candidate& a, const Candidate& b) { return a.Bits > b.Bits; });

    std::optional<Error> firstError;
    for (const auto& c : sameSize) {
        auto block = IconImageBlock(file, dir->Entries[c.Index]);
        Result<IconImage> icon =
            block ? DecodeIconImageBlock(*block) : Result<IconImage>(block.GetError());
        if (icon)
            return icon;
        if (!firstError)
            firstError = icon.GetError();
    }
    return *firstError;
}

Result<IconImage> LoadIconFileFirstSize(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    auto icon = DecodeIconFileFirstSize(*bytes);
    if (!icon)
        return Error{PathText(path) + ": " + icon.ErrorMessage()};
    return icon;
}

}  // namespace gf
