#pragma once
// Turning pictures of other formats into BMP files, and the size limit every picture passes
// before it reaches the icon editor.

#include <cstdint>
#include <filesystem>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/icon_draw.h"
#include "platform/result.h"

namespace gf {

// The near-white background a PNG without alpha is drawn on (red FE, green FF, blue FF).
inline constexpr Color PngFallbackBackground = 0xFFFFFE;

// Decodes a JPEG and writes it as a 24-bit BMP. Decoding and writing errors are returned; the
// Load command swallows them.
Status ConvertJpegToBitmapFile(const std::filesystem::path& source,
                               const std::filesystem::path& target);

// The picture a PNG becomes: with an alpha channel (or transparency chunk), 32 bits with the
// PNG's alpha in the fourth byte; without, 24 bits drawn over PngFallbackBackground.
Bitmap PngToBitmap(Bitmap pngPixels32, bool hasAlpha);

// Decodes a PNG, makes it a bitmap by PngToBitmap and writes it as a BMP. Decoding and writing
// errors are returned.
Status ConvertPngToBitmapFile(const std::filesystem::path& source,
                              const std::filesystem::path& target);

// The largest side of a picture handed to the editor.
inline constexpr int MaxEditorPictureSide = 256;

// Limits each side to MaxEditorPictureSide by itself (the aspect ratio is not kept, smaller
// pictures are not enlarged), area-averaging into a 32-bit bitmap. A 32-bit source's alpha is
// copied by nearest neighbour (target row i takes source row h*i/th, column j source column
// w*j/tw); other sources leave alpha 0.
Bitmap LimitPictureForEditor(const Bitmap& source);

// The whole picture step on files: reads the BMP `source`, limits it and writes it to `target`
// (which may be the same file).
Status LimitPictureFile(const std::filesystem::path& source, const std::filesystem::path& target);

enum class PictureKind { Unknown, Bmp, Png, Jpeg, Gif, Wmf };

// The kind by the file's first bytes (a metafile: the placeable key, or a memory or disk
// metafile header of 9 words), else by the extension (case-insensitive).
PictureKind DetectPictureKind(Bytes head, const std::filesystem::path& name);

// Reads a BMP, PNG or JPEG picture as the converters would turn it into a BMP: PNGs by
// PngToBitmap, JPEGs at 24 bits, BMPs as they are.
Result<Bitmap> LoadPictureFile(const std::filesystem::path& path);

// The same for a file already read; `path` names it in messages and gives its extension.
Result<Bitmap> DecodePictureFile(Bytes bytes, const std::filesystem::path& path);

// The picture step's shrink, as the shrinking decoders take it.
inline constexpr ShrinkPlan EditorPicturePlan{MaxEditorPictureSide, 0, false};

// A BMP, PNG or JPEG picture as the picture step hands it to the editor: exactly
// LimitPictureForEditor of what the converters make of it (a very large JPEG is first decoded
// at a reduced DCT scale, nearly the same), shrunk while it is decoded, so that a picture far
// larger than could be held whole (up to MaxPicturePixels) still loads. Errors name `path`.
Result<Bitmap> DecodeEditorPicture(Bytes bytes, PictureKind kind, const std::filesystem::path& path);
// The same with the kind found by DetectPictureKind.
Result<Bitmap> DecodeEditorPicture(Bytes bytes, const std::filesystem::path& path);

// The most pixels of a picture resampled whole (16 megapixels: the picture, its 32-bit copy and
// the resampler's rows stay far within 512 MB).
inline constexpr std::uint64_t MaxResampledPicturePixels = 1ull << 24;
// What a larger picture is shrunk to while it decodes: a megapixel, four times the largest
// icon's side for a square, which resampling turns into nearly what the whole would give. The
// shrinker keeps seven 64-bit sums per pixel of it, so 16 megapixels took 1 GB and 4 s for a
// 16384 x 16384 picture with alpha; a megapixel takes 70 MB.
inline constexpr std::uint64_t ShrunkResamplingPicturePixels = 1ull << 20;

// A picture for resampling to icon sizes, and the size it has in its file.
struct ResamplingPicture {
    Bitmap Pixels;
    int Width = 0;
    int Height = 0;
    // The alpha is the picture's transparency even where all of it is 0 (PictureAlphaIsTransparency).
    bool AlphaIsTransparency = false;
};

// True when a picture of this kind keeps its transparency in its alpha, so that all-zero alpha
// means a fully transparent picture: a PNG with an alpha channel or tRNS, and a GIF. A BMP's
// all-zero fourth bytes are what many programs leave there and mean no alpha.
bool PictureAlphaIsTransparency(Bytes bytes, PictureKind kind);

// A BMP, PNG or JPEG picture as the converters make it, whole when it has at most
// MaxResampledPicturePixels; a larger one is shrunk while it decodes, both sides alike, to about
// ShrunkResamplingPicturePixels, colour and alpha averaged together in premultiplied form
// (pictures without alpha stay without), so that resampling it to at most 256 pixels a side
// gives nearly what resampling the whole would. Errors name `path`.
Result<ResamplingPicture> DecodeResamplingPicture(Bytes bytes, const std::filesystem::path& path);

}  // namespace gf
