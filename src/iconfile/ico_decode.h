#pragma once
// Decoding icon images: one image block of an ICO or CUR file (a DIB of 1, 4, 8, 16, 24 or 32
// bits with its AND mask, or a PNG), and an icon file "at the size of its first image".
// Every offset and size is checked against the bytes at hand; a malformed block gives an error.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "iconfile/icon_image.h"
#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

// Icon images are never legitimately larger than this on a side; larger ones are refused.
inline constexpr int MaxIconSide = 4096;

// What the first bytes of an image block say, without decoding the pixels.
struct IconBlockInfo {
    bool IsPng = false;
    int Width = 0;
    int Height = 0;  // the single height (a DIB's stored height halved)
    int BitCount = 0;
};
Result<IconBlockInfo> PeekIconBlock(Bytes block);

// The leading bytes of an image block that CheckIconBlock needs: a DIB's info header and the
// three bit-field masks after it, or a PNG's signature and IHDR chunk.
inline constexpr std::size_t IconBlockHeadBytes = 52;

// Whether DecodeIconImageBlock can read a block of `blockSize` bytes, as far as its first bytes
// (`head`: IconBlockHeadBytes of them, or the whole block when shorter) tell: sides, bit count,
// compression, colour table, and colour rows that fit the block. The decoder makes the same
// checks first, so a block that fails here never decodes; one that passes may still hold a
// damaged PNG stream.
Status CheckIconBlock(Bytes head, std::uint64_t blockSize);

// The colour image at its own depth (indexed depths with their palette, filled up to 2^bits
// entries with black; 16 bits as Bits15 for 5-5-5, else Bits16 with the block's masks) and the
// 1-bit AND mask. PNG blocks give a 32-bit image whose mask is set where alpha is 0. Mask rows
// missing at the end of a block are taken as opaque.
Result<IconImage> DecodeIconImageBlock(Bytes block);

// Decoding costs an image's pixels, and a PNG of a few hundred bytes can claim 256 x 256 of them
// (or 4096 x 4096): the images one command decodes from a set of files are held to this many
// pixels per byte of the files, plus DecodedPixelsExtra (256 images of 256 x 256), so that a
// small file naming such an image thousands of times cannot make gigabytes of pixels.
inline constexpr std::uint64_t DecodedPixelsPerFileByte = 4;
inline constexpr std::uint64_t DecodedPixelsExtra = std::uint64_t{256} * 256 * 256;

// The icon of a whole ICO or CUR file at the size of its first image: of the images of that
// size, the one of the highest bit count (the first of equals). Images that fail to decode are
// passed over for the next best; when none decodes, the error of the best one is returned.
Result<IconImage> DecodeIconFileFirstSize(Bytes file);
Result<IconImage> LoadIconFileFirstSize(const std::filesystem::path& path);

}  // namespace gf
