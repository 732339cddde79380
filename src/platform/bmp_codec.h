#pragma once
// BMP files: every depth (1, 4, 8, 16, 24, 32), palettes, bit fields, top-down and bottom-up
// rows, the core, info, V4 and V5 headers, RLE4 and RLE8. The round trip through EncodeBmp and
// DecodeBmp is lossless: the working files and the editor's snapshots depend on it.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/result.h"

namespace gf {

// 16-bit files become Bits15 (5-5-5 masks or no masks) or Bits16 (any other masks that fit 16
// bits); 32-bit files with bit fields are converted to blue, green, red, alpha.
Result<Bitmap> DecodeBmp(Bytes data);
Result<Bitmap> LoadBmpFile(const std::filesystem::path& path);

// The picture area-averaged while it is read to the size `plan` gives (AreaAverageShrinker),
// so that run-length files of any size up to MaxPicturePixels can be read. For the picture
// step this is exactly what StretchAreaAverage makes of DecodeBmp's picture, a 32-bit file's
// alpha taken from the nearest pixel (other files: alpha 0).
Result<Bitmap> DecodeBmpShrunk(Bytes data, const ShrinkPlan& plan);
// The picture's size from its header (checked as the decoders check it).
Result<PictureSize> ReadBmpSize(Bytes data);

// What a 32-bit BMP file says of its fourth bytes. Undeclared (a plain 32-bit file): many
// programs leave them 0, so all-zero bytes mean "no alpha" to the picture road. Declared (bit
// fields with an alpha mask): they are the picture's transparency, even where all are 0.
enum class BmpAlpha { Undeclared, Declared };

// Undeclared for anything but a 32-bit file with an alpha mask.
BmpAlpha BmpAlphaOf(Bytes data);

// Bottom-up BITMAPFILEHEADER + BITMAPINFOHEADER; Bits16 is written with bit-field masks, 32-bit
// keeps its alpha bytes. Device and Custom bitmaps are written as 24-bit. A 32-bit bitmap with
// Declared alpha gets a BITMAPV4HEADER with an alpha mask instead.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, BmpAlpha alpha = BmpAlpha::Undeclared);
// Atomic write (WriteFileAtomic).
Status SaveBmpFile(const Bitmap& bitmap, const std::filesystem::path& path,
                   ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse,
                   BmpAlpha alpha = BmpAlpha::Undeclared);

}  // namespace gf
