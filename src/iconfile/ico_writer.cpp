#include "iconfile/ico_writer.h"

#include <string>

#include "iconfile/dib.h"
#include "platform/color.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/png_codec.h"

namespace gf {

int IconBitCountForFormat(PixelFormat format) {
    // A 15-bit bitmap is stored in 16 bits, but an icon written at 16 bits takes the 5-6-5
    // layout; a 15-bit picture goes to 24 instead, which holds its colours without repacking.
    return format == PixelFormat::Bits15 ? 24 : StorageBits(format);
}

namespace {

// The block of a colour image and a mask of the same size (any mask form MakeIcon accepts).
Result<IconBlock> EncodePair(const Bitmap& colour, const Bitmap& mask, int bitCount) {
    if (!IsIconBitCount(bitCount)) {
        return Error{"An icon can not be written at " + std::to_string(bitCount) +
                     " bits per pixel."};
    }
    if (colour.Empty() || mask.Empty())
        return Error{"There is no icon to write."};
    if (colour.Width() != mask.Width() || colour.Height() != mask.Height()) {
        return Error{"The icon's colour image and mask differ in size."};
    }
    // A mask of another depth would be turned into colour indices; make it the AND mask first.
    Bitmap andMask;
    const Bitmap* bits = &mask;
    if (mask.Format() != PixelFormat::Bits1) {
        andMask = MakeAndMask(mask);
        bits = &andMask;
    }

    auto colourDib = EncodeDib(colour, bitCount);
    if (!colourDib)
        return colourDib.GetError();
    auto maskDib = EncodeDib(*bits, 1);
    if (!maskDib)
        return maskDib.GetError();

    DibHeader header = colourDib->Header;
    const std::uint64_t blockSize = static_cast<std::uint64_t>(colourDib->HeaderAndTable.size()) +
                                    colourDib->Pixels.size() + maskDib->Pixels.size();
    if (blockSize > 0xFFFFFFFFull - SingleImageOffset) {
        return Error{"The icon is too large to be written."};
    }

    IconBlock block;
    block.Entry = MakeIconDirEntry(header.Width, header.Height, header.BitCount);
    block.Entry.BytesInRes = static_cast<std::uint32_t>(blockSize);
    // The stored height covers the colour rows and the mask rows.
    header.Height *= 2;
    block.Data = std::move(colourDib->HeaderAndTable);
    block.Data.reserve(static_cast<std::size_t>(blockSize));
    StoreDibHeader(std::span<std::uint8_t, DibInfoHeaderSize>(block.Data.data(), DibInfoHeaderSize),
                   header);
    block.Data.insert(block.Data.end(), colourDib->Pixels.begin(), colourDib->Pixels.end());
    block.Data.insert(block.Data.end(), maskDib->Pixels.begin(), maskDib->Pixels.end());
    return block;
}

Result<std::vector<std::uint8_t>> SingleImageFile(Result<IconBlock> block) {
    if (!block)
        return block.GetError();
    std::vector<IconBlock> blocks;
    blocks.push_back(std::move(*block));
    return AssembleIconFile(blocks);
}

}  // namespace

Result<IconBlock> EncodeIconBlock(const IconImage& icon, int bitCount, const Bitmap* color) {
    if (icon.Empty())
        return Error{"There is no icon to write."};
    return EncodePair(color ? *color : icon.Color, icon.Mask, bitCount);
}

Result<std::vector<std::uint8_t>> EncodeIconFile(const IconImage& icon, int bitCount,
                                                 const Bitmap* color) {
    return SingleImageFile(EncodeIconBlock(icon, bitCount, color));
}

bool WriteIconFile(const IconImage& icon, const std::filesystem::path& file, int bitCount,
                   const Bitmap* color) {
    if (file.empty())
        return false;
    auto bytes = EncodeIconFile(icon, bitCount, color);
    if (!bytes)
        return false;
    return WriteFileAtomic(file, *bytes).Ok();
}

Status SaveBitmapsAsIcon(const Bitmap& color, const Bitmap& mask,
                         const std::filesystem::path& file) {
    if (file.empty())
        return Error{"No file name was given."};
    // The same checks and mask rules as MakeIcon, without copying the colour image.
    if (color.Empty())
        return Error{"The icon has no colour image."};
    if (mask.Empty())
        return Error{"The icon has no mask."};
    auto bytes = SingleImageFile(EncodePair(color, mask, IconBitCountForFormat(color.Format())));
    if (!bytes)
        return bytes.GetError();
    return WriteFileAtomic(file, *bytes);
}

Result<Bitmap> IconToRgba(const IconImage& icon, int bitCount) {
    if (icon.Empty() || icon.Mask.Empty())
        return Error{"There is no icon to write."};
    if (icon.Color.Width() != icon.Mask.Width() || icon.Color.Height() != icon.Mask.Height()) {
        return Error{"The icon's colour image and mask differ in size."};
    }
    // Written at another depth than 32 bits, the image has no alpha to keep.
    if (bitCount != 32 && icon.Color.Format() == PixelFormat::Bits32)
        return IconToPicture(icon.Color.ConvertedTo(PixelFormat::Bits24), icon.Mask);
    return IconToPicture(icon.Color, icon.Mask);
}

Status SaveIconAsPng(const IconImage& icon, int bitCount, const std::filesystem::path& file,
                     ReadOnlyTarget readOnly) {
    auto rgba = IconToRgba(icon, bitCount);
    if (!rgba)
        return rgba.GetError();
    return SavePngFile(*rgba, file, readOnly);
}

}  // namespace gf
