#pragma once
// Memory limits the picture decoders check before they allocate. A header of a few bytes can
// claim a picture of 32768 x 32768 pixels; the decoders refuse what would need more memory than
// any picture this program works on, instead of trying to allocate it.

#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace gf {

// True when neither side passes MaxBitmapSide.
constexpr bool PictureSidesFit(std::uint64_t width, std::uint64_t height) {
    return width <= static_cast<std::uint64_t>(MaxBitmapSide) &&
           height <= static_cast<std::uint64_t>(MaxBitmapSide);
}

// The one refusal of a picture with a side beyond MaxBitmapSide, in every format: `picture`
// names it ("The PNG picture"), then its size and the limit.
inline std::string PictureTooLargeMessage(const std::string& picture, std::uint64_t width,
                                          std::uint64_t height) {
    return picture + " is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels; the largest picture this program reads is " + std::to_string(MaxBitmapSide) +
           " pixels a side.";
}

// The most bytes of decoded pixels one picture (a GIF: three screens) may take
// when it is held whole. With the file itself, a converted copy and the decoder's own tables
// this keeps any picture within 512 MB; larger pictures are read by the shrinking decoders,
// which never hold them whole.
inline constexpr std::uint64_t MaxDecodedPictureBytes = 1ull << 28;

// The most pixels a picture read by a shrinking decoder may have (16384 x 16384): reading more
// would take longer than anyone waits for a picture that ends up at most 256 pixels a side.
inline constexpr std::uint64_t MaxPicturePixels = 1ull << 28;

constexpr bool PicturePixelsFit(std::uint64_t width, std::uint64_t height) {
    return width <= 0xFFFFFFFFull && height <= 0xFFFFFFFFull && width * height <= MaxPicturePixels;
}

// True when a picture of width x height at bytesPerPixel fits MaxDecodedPictureBytes `count`
// times over (computed without overflow).
constexpr bool DecodedPictureFits(std::uint64_t width, std::uint64_t height, int bytesPerPixel,
                                  std::uint64_t count = 1) {
    if (width == 0 || height == 0 || count == 0)
        return true;
    if (width > 0xFFFFFFFFull || height > 0xFFFFFFFFull || bytesPerPixel < 0 || bytesPerPixel > 16)
        return false;
    // width * height fits 64 bits; the comparison by division keeps the product in range.
    std::uint64_t pixels = width * height;
    std::uint64_t limit = MaxDecodedPictureBytes / count;
    return bytesPerPixel == 0 || pixels <= limit / static_cast<std::uint64_t>(bytesPerPixel);
}

}  // namespace gf
