#pragma once
// The icon image and icon set records.
//
// An icon image is a pair of bitmaps of equal size: the colour image (1, 4, 8, 16, 24 or 32 bits
// per pixel; at 32 bits the fourth byte is alpha) and the AND mask (1 bit per pixel, 1 =
// transparent). This pair is the data; drawing and writing are plain functions over it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf {

struct IconImage {
    Bitmap Color;  // the XOR image
    Bitmap Mask;   // the AND mask, Bits1, 1 = transparent

    bool Empty() const { return Color.Empty(); }
    int Width() const { return Color.Width(); }
    int Height() const { return Color.Height(); }
};

// Builds an icon from a colour image and a mask. The mask may be the 1-bit AND mask (bit set =
// transparent), the editor's 8-bit mask (index 255 = transparent), or any other bitmap, where a
// white pixel is transparent. The result's mask is always 1-bit. Fails when either bitmap is
// empty or their sizes differ.
Result<IconImage> MakeIcon(Bitmap color, const Bitmap& mask);

// The 1-bit AND mask of `mask` by the rules of MakeIcon (no size check).
Bitmap MakeAndMask(const Bitmap& mask);

// The colour image at `bitCount` bits per pixel (0 = its own depth; 15 is not a bit count).
// The mask is returned unchanged in `maskOut` when given.
Result<Bitmap> TakeIconApart(const IconImage& icon, int bitCount, Bitmap* maskOut = nullptr);

// The pixel format that stores `bitCount` bits per pixel (16 = Bits16, the bit-field form), or
// Device for a bit count no bitmap has.
PixelFormat FormatFromBitCount(int bitCount);

// " 0# 32x32x8bits": one blank, the running number, "# ", width, "x", height, "x", bits, "bits".
// Width and height are the image's own (256, never the directory's 0).
std::string DescribeIcon(int index, std::int64_t width, std::int64_t height, int bits);

// The icons of one file (or of the icon list window): parallel lists of one-image icon files
// and their descriptions. The index is an icon's identity; both lists always change together.
struct IconSet {
    std::vector<std::filesystem::path> IconFiles;
    std::vector<std::string> IconInfos;

    std::size_t Size() const { return IconFiles.size(); }
    bool Empty() const { return IconFiles.empty(); }
    void Add(std::filesystem::path file, std::string info);
    // Inserts before `index` (clamped to Size()).
    void Insert(std::size_t index, std::filesystem::path file, std::string info);
    // Does nothing when `index` is out of range.
    void RemoveAt(std::size_t index);
    // Takes the icon at `from` out and reinserts it so that it ends up at `to`; out-of-range
    // indices leave the set unchanged.
    void Move(std::size_t from, std::size_t to);
    void Clear();
};

}  // namespace gf
