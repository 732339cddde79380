#pragma once
// How the images of an icon file are stored: as DIBs (header, colour rows, AND mask), or
// PNG-compressed, and 16-bit images with 5-6-5 bit fields or as plain 5-5-5. The command-line
// tool offers three presets; the windows always write DIBs.
//
// Only 32-bit images are ever PNG-compressed: a PNG entry is 32-bit RGBA, and an image of a
// palette depth stored that way would no longer be what its directory entry says.

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "iconfile/ico_format.h"
#include "iconfile/icon_image.h"
#include "platform/png_codec.h"
#include "platform/result.h"

namespace gf {

enum class StoragePreset {
    Compatible,  // every image a DIB, 16 bits as plain 5-5-5: readable by every system
    Modern,      // images of 256 pixels and more PNG-compressed, the rest DIB
    Smallest,    // each image PNG or DIB, whichever is smaller; DIB up to 16 pixels
};

struct IconStorage {
    // 32-bit images with a side of at least this many pixels are PNG-compressed.
    int PngFrom = 256;
    // Each 32-bit image larger than SmallestDibUpTo is stored the smaller way (PngFrom unused).
    bool Smallest = false;
    // 16-bit images are written as plain 5-5-5 (BI_RGB) instead of 5-6-5 bit fields.
    bool Rgb555 = false;
};

inline constexpr int NeverPng = INT_MAX;
// Images of at most this side always stay DIBs under Smallest: the systems that read such small
// images are the ones least likely to read PNG entries, and the saving would be a few bytes.
inline constexpr int SmallestDibUpTo = 16;

IconStorage StorageOfPreset(StoragePreset preset);
std::optional<StoragePreset> ParseStoragePreset(std::string_view name);

// The zlib level, filters and strategy of PNG entries: on 256 x 256 icons, with zlib's default
// strategy (7% smaller than the filtered one libpng would pick, and no slower), the Up filter
// alone is as small as libpng's adaptive choice in half the time, and smaller and faster than
// Paeth alone; level 5 takes a quarter longer than 4 for 2% fewer bytes (see
// docs/architecture.md).
inline constexpr PngEncodeOptions IconPngEncoding{4, PngFilterUp, PngStrategyDefault};

// A 32-bit image as a PNG-compressed block (the picture SaveIconAsPng writes) with its entry:
// low bytes of width and height, colour count 0, planes 1, bit count 32.
Result<IconBlock> EncodePngIconBlock(const IconImage& icon);

// The block of an icon at `bitCount` (as EncodeIconBlock) stored as `storage` says.
Result<IconBlock> EncodeStoredIconBlock(const IconImage& icon, int bitCount,
                                        const IconStorage& storage);

// An image block read from a file, re-stored as `storage` asks where that changes nothing a
// reader shows: a PNG entry that should be a DIB becomes a 32-bit DIB; a 32-bit DIB that should
// be PNG becomes one when its mask says exactly what its alpha says (a mask with inverted or
// coloured transparent pixels has no PNG form). Any other block is returned unchanged, and so
// is a block that does not decode. The entry's hot spot is kept. Every block decoded takes its
// pixels from `pixelBudget` (see DecodedPixelsPerFileByte); one that would need more than is left
// fails.
Result<IconBlock> RestoreIconBlock(const IconBlock& block, const IconStorage& storage,
                                   std::uint64_t& pixelBudget);

}  // namespace gf
