#pragma once
// Turning pictures of other formats into BMP files, and the size limit every picture passes
// before it reaches the icon editor.

#include <filesystem>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
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
Bitmap PngToBitmap(const Bitmap& pngPixels32, bool hasAlpha);

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

}  // namespace gf
