#pragma once
// GIF through giflib: every frame composed at the logical screen size, transparency and the
// disposal methods applied, as a viewer shows the animation.

#include <cstddef>
#include <filesystem>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

// More frames than this is refused: no real animation has them, and each costs a full bitmap.
inline constexpr std::size_t MaxGifFrames = 4096;

struct GifAnimation {
    int Width = 0;               // logical screen
    int Height = 0;
    std::vector<Bitmap> Frames;  // 32-bit each, alpha 0 where nothing was drawn
    std::vector<int> DelaysMs;   // one per frame
};

Result<GifAnimation> DecodeGif(Bytes data);
Result<GifAnimation> LoadGifFile(const std::filesystem::path& path);

}  // namespace gf
