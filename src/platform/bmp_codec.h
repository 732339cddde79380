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

// Bottom-up BITMAPFILEHEADER + BITMAPINFOHEADER; Bits16 is written with bit-field masks, 32-bit
// keeps its alpha bytes. Device and Custom bitmaps are written as 24-bit.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);
// Atomic write (WriteFileAtomic).
Status SaveBmpFile(const Bitmap& bitmap, const std::filesystem::path& path,
                   ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

}  // namespace gf
