#pragma once
// PNG through libpng: any colour type and bit depth, palettes with tRNS, interlacing.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/result.h"

namespace gf {

struct PngPicture {
    Bitmap Pixels;          // 32-bit, blue, green, red, alpha (alpha 255 where the file has none)
    bool HasAlpha = false;  // the file has an alpha channel or a tRNS chunk
};

Result<PngPicture> DecodePng(Bytes data);
// The picture area-averaged while it is read to the size `plan` gives (AreaAverageShrinker),
// without ever holding it whole; allows pictures up to MaxPicturePixels. For the picture step
// (plan.AverageAlpha false) this is exactly what StretchAreaAverage makes of the whole decode,
// alpha taken from the nearest pixel when the file has alpha, else 0.
Result<PngPicture> DecodePngShrunk(Bytes data, const ShrinkPlan& plan);
// The picture's size from its header (checked as the decoders check it).
Result<PictureSize> ReadPngSize(Bytes data);
// True when the header gives an alpha channel or a tRNS chunk (false for a file not read).
bool PngHasAlpha(Bytes data);
Result<PngPicture> LoadPngFile(const std::filesystem::path& path);

// How hard the encoder tries: a zlib level 0..9 and a set of PNG_FILTER_* flags, each -1 for
// libpng's defaults.
struct PngEncodeOptions {
    int Level = -1;
    int Filters = -1;
    // zlib's strategy; -1 keeps libpng's choice, which is Z_FILTERED whenever rows are filtered.
    int Strategy = -1;
};
// zlib's default strategy (Z_DEFAULT_STRATEGY), without its header.
inline constexpr int PngStrategyDefault = 0;
// libpng's flag for the Up filter alone (PNG_FILTER_UP), without its header.
inline constexpr int PngFilterUp = 0x20;

// Writes a 32-bit bitmap as 8-bit RGBA (its fourth byte is the alpha), with no ancillary chunks.
Result<std::vector<std::uint8_t>> EncodePngRgba(const Bitmap& bitmap32,
                                                const PngEncodeOptions& options = {});
Status SavePngFile(const Bitmap& bitmap32, const std::filesystem::path& path,
                   ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

inline constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
bool HasPngSignature(Bytes data);

}  // namespace gf
