#pragma once
// JPEG through libjpeg: decoding (greyscale, RGB, CMYK/YCCK, progressive), baseline encoding,
// and the library's two-pass colour quantiser.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/icon_draw.h"
#include "platform/result.h"

namespace gf {

// A 24-bit bitmap of the picture's size.
Result<Bitmap> DecodeJpeg(Bytes data);
Result<Bitmap> LoadJpegFile(const std::filesystem::path& path);

// The picture area-averaged while it is read to the size `plan` gives (AreaAverageShrinker),
// without holding it: for the picture step exactly what StretchAreaAverage makes of the whole
// decoded picture (32-bit, alpha 0); for further resampling 24-bit. Pictures above 32
// megapixels are first decoded at libjpeg's mildest DCT scale that brings them within that
// while their sides still reach the target's, which is nearly the same; allows pictures up to
// MaxPicturePixels.
Result<Bitmap> DecodeJpegShrunk(Bytes data, const ShrinkPlan& plan);
// The picture's size from its header (checked as the decoders check it).
Result<PictureSize> ReadJpegSize(Bytes data);

// Baseline JPEG of a bitmap (any format; converted to 24 bits first).
Result<std::vector<std::uint8_t>> EncodeJpeg(const Bitmap& bitmap, int quality);

// Decodes with libjpeg's two-pass quantiser into an 8-bit bitmap whose palette holds the
// quantiser's colours (at most `colours`, 2..256), Floyd-Steinberg dithered when asked. The
// palette has exactly as many entries as the quantiser made (often fewer than asked, never
// padded to 256); every pixel index lies inside it. The quantiser cannot go below 8 colours:
// for 2..7 the most used of its 8 are kept and the other pixels take the nearest of them.
// CMYK files are converted to red, green and blue before quantising.
Result<Bitmap> DecodeJpegQuantized(Bytes data, int colours, bool dither);

}  // namespace gf
