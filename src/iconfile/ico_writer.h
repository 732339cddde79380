#pragma once
// Writing icons: single-image ICO files from a colour image and a mask, and PNG files of an
// icon. Files are built in memory and written atomically (temporary file beside the target,
// renamed over it), so a failure never leaves a partial file or loses the old one.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "iconfile/ico_format.h"
#include "iconfile/icon_image.h"
#include "platform/bitmap.h"
#include "platform/file_io.h"
#include "platform/result.h"

namespace gf {

// The bit count an icon is written at for a colour bitmap of this format: 1, 4, 8, 16 (the
// bit-field form) and 32 keep their depth; 15-bit, 24-bit, device and custom are written at 24.
int IconBitCountForFormat(PixelFormat format);

// True for the bit counts WriteIconFile accepts: 0 (the colour image's own), 1, 4, 8, 16, 24, 32.
constexpr bool IsIconBitCount(int bits) {
    return bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

// One image block (DIB header with doubled height, colour table or masks, colour rows, mask
// rows) with its directory entry (BytesInRes set, ImageOffset left 0). `color`, when given,
// replaces the icon's own colour image and must have the mask's size.
Result<IconBlock> EncodeIconBlock(const IconImage& icon, int bitCount,
                                  const Bitmap* color = nullptr);

// A whole single-image ICO file in memory.
Result<std::vector<std::uint8_t>> EncodeIconFile(const IconImage& icon, int bitCount,
                                                 const Bitmap* color = nullptr);

// Writes the icon as a single-image ICO file at `bitCount` (0 = the colour image's own depth).
// True when the whole file was written; false for a bit count other than 0, 1, 4, 8, 16, 24
// or 32, an empty icon, an empty file name or a failed write, and then the old file (if any)
// is left as it was.
bool WriteIconFile(const IconImage& icon, const std::filesystem::path& file, int bitCount,
                   const Bitmap* color = nullptr);

// Builds an icon from the pair (the mask 1-bit, or 8-bit with 255 = transparent) and writes it
// at the colour bitmap's depth (IconBitCountForFormat). Callers that only care whether the file
// appeared may ignore the result.
Status SaveBitmapsAsIcon(const Bitmap& color, const Bitmap& mask,
                         const std::filesystem::path& file);

// The 32-bit picture SaveIconAsPng writes, by the icon drawing rule (IconToPicture): a 32-bit
// colour image whose alpha is in use keeps that alpha alone, whatever the mask says; any other
// (and any image when `bitCount` is not 32) has alpha 255, and transparent black where the
// mask is set.
Result<Bitmap> IconToRgba(const IconImage& icon, int bitCount);

// Writes the icon as a 32-bit RGBA PNG file.
Status SaveIconAsPng(const IconImage& icon, int bitCount, const std::filesystem::path& file,
                     ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

}  // namespace gf
