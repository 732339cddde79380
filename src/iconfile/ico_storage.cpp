#include "iconfile/ico_storage.h"

#include <algorithm>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"

namespace gf {

namespace {

bool MaskBit(const Bitmap& mask1, int x, int y) {
    return (mask1.Row(y)[x >> 3] & (0x80 >> (x & 7))) != 0;
}

// True when the 32-bit image's AND mask is what a PNG of it would give back: transparent
// exactly where the alpha is 0, and black there, so that no pixel inverts the screen.
bool MaskFollowsAlpha(const IconImage& icon) {
    const Bitmap& c = icon.Color;
    bool anyAlpha = false;
    for (int y = 0; y < c.Height() && !anyAlpha; ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.Row(y)[4 * x + 3] != 0) {
                anyAlpha = true;
                break;
            }
    for (int y = 0; y < c.Height(); ++y) {
        const std::uint8_t* p = c.Row(y);
        for (int x = 0; x < c.Width(); ++x, p += 4) {
            const bool masked = MaskBit(icon.Mask, x, y);
            if (masked && (p[0] | p[1] | p[2] | p[3]) != 0)
                return false;
            // Without alpha in use the mask alone decides, and a PNG gets alpha 255 there.
            if (!masked && anyAlpha && p[3] == 0)
                return false;
        }
    }
    return true;
}

bool WantsPng(const IconStorage& storage, int width, int height) {
    return std::max(width, height) >= storage.PngFrom;
}

}  // namespace

IconStorage StorageOfPreset(StoragePreset preset) {
    IconStorage s;
    switch (preset) {
        case StoragePreset::Compatible:
            s.PngFrom = NeverPng;
            s.Rgb555 = true;
            break;
        case StoragePreset::Modern:
            s.PngFrom = 256;
            break;
        case StoragePreset::Smallest:
            s.PngFrom = NeverPng;
            s.Smallest = true;
            break;
    }
    return s;
}

std::optional<StoragePreset> ParseStoragePreset(std::string_view name) {
    if (name == "compatible")
        return StoragePreset::Compatible;
    if (name == "modern")
        return StoragePreset::Modern;
    if (name == "smallest")
        return StoragePreset::Smallest;
    return std::nullopt;
}

Result<IconBlock> EncodePngIconBlock(const IconImage& icon) {
    auto rgba = IconToRgba(icon, 32);
    if (!rgba)
        return rgba.GetError();
    auto png = EncodePngRgba(*rgba, IconPngEncoding);
    if (!png)
        return png.GetError();
    IconBlock block;
    block.Entry = MakeIconDirEntry(icon.Width(), icon.Height(), 32);
    block.Entry.BytesInRes = static_cast<std::uint32_t>(png->size());
    block.Data = std::move(*png);
    return block;
}

Result<IconBlock> EncodeStoredIconBlock(const IconImage& icon, int bitCount,
                                        const IconStorage& storage) {
    if (icon.Empty())
        return Error{"There is no icon to write."};
    const int bits = bitCount == 0 ? IconBitCountForFormat(icon.Color.Format()) : bitCount;
    if (bits == 16 && storage.Rgb555 && icon.Color.Format() != PixelFormat::Bits15) {
        // Dropping the lowest green bit of 5-6-5 gives exactly the 5-5-5 packing.
        const Bitmap plain = icon.Color.ConvertedTo(PixelFormat::Bits15);
        return EncodeIconBlock(icon, 16, &plain);
    }
    if (bits != 32 || icon.Color.Format() != PixelFormat::Bits32)
        return EncodeIconBlock(icon, bits);
    if (storage.Smallest) {
        auto dib = EncodeIconBlock(icon, 32);
        if (!dib || std::max(icon.Width(), icon.Height()) <= SmallestDibUpTo)
            return dib;
        auto png = EncodePngIconBlock(icon);
        if (png && png->Data.size() < dib->Data.size())
            return png;
        return dib;
    }
    if (WantsPng(storage, icon.Width(), icon.Height()))
        return EncodePngIconBlock(icon);
    return EncodeIconBlock(icon, 32);
}

Result<IconBlock> RestoreIconBlock(const IconBlock& block, const IconStorage& storage,
                                   std::uint64_t& pixelBudget) {
    const IconBlockHeader header = ReadIconBlockHeader(block.Data);
    const bool isPng = header.Png;
    if (!isPng && header.BitCount != 32)
        return block;
    const int w = static_cast<int>(std::clamp<std::int64_t>(header.Width, 0, MaxIconSide));
    const int h = static_cast<int>(std::clamp<std::int64_t>(header.Height, 0, MaxIconSide));
    // Under Smallest, only a DIB that PNG would beat is worth decoding.
    const bool png = storage.Smallest ? std::max(w, h) > SmallestDibUpTo
                                      : WantsPng(storage, w, h);
    if (isPng == png && !storage.Smallest)
        return block;
    const std::uint64_t pixels = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    if (pixels > pixelBudget)
        return Error{"The icon images decode to more pixels than files of their size could hold "
                     "(a few bytes of PNG claiming 256 x 256 pixels, over and over), so they are "
                     "not re-stored; --store keep copies them as they are."};
    pixelBudget -= pixels;
    auto icon = DecodeIconImageBlock(block.Data);
    if (!icon || icon->Color.Format() != PixelFormat::Bits32)
        return block;
    Result<IconBlock> restored = Error{""};
    if (isPng) {
        restored = EncodeIconBlock(*icon, 32);
        // Under Smallest a PNG that is not larger than its DIB stays.
        if (restored && png && restored->Data.size() >= block.Data.size())
            return block;
    } else {
        if (!png || !MaskFollowsAlpha(*icon))
            return block;
        restored = EncodePngIconBlock(*icon);
        if (restored && storage.Smallest && restored->Data.size() >= block.Data.size())
            return block;
    }
    if (!restored)
        return block;
    restored->HotSpot = block.HotSpot;
    return std::move(*restored);
}

}  // namespace gf
