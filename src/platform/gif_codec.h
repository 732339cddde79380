#pragma once
// GIF through giflib: the frames composed at the logical screen size, transparency and the
// disposal methods applied, as a viewer shows the animation.
//
// A GIF is read in two steps. Opening walks its records once, reading the screen, each frame's
// place, colours and control but none of its pixels, so even thousands of frames cost a few
// bytes each. A frame's pixels are decoded when it is asked for; composing needs the frames
// before it, so the screen as it stands before some frames is kept, within a memory budget, and
// composing starts from the nearest one kept.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

// More frames than this is refused: no real animation has them.
inline constexpr std::size_t MaxGifFrames = 4096;

// The most bytes of composed screens a GifFrames keeps to compose frames from (at least one
// screen besides the one being composed).
inline constexpr std::uint64_t GifKeptScreensBytes = 64ull << 20;

class GifFrames {
  public:
    // Reads the records of the file (kept with the frames). A damaged tail after the last
    // whole frame ends the animation there; a file without a whole frame is refused.
    static Result<GifFrames> Open(std::vector<std::uint8_t> file);

    GifFrames(GifFrames&&) noexcept;
    GifFrames& operator=(GifFrames&&) noexcept;
    ~GifFrames();

    int Width() const;  // the logical screen
    int Height() const;
    std::size_t Count() const;
    int DelayMs(std::size_t index) const;

    // Frame `index` as it shows: 32-bit, alpha 0 where nothing was drawn. Fails when its
    // pixels, or those of a frame before it, cannot be decoded.
    Result<Bitmap> Frame(std::size_t index) const;

    // Decodes every frame once, so that damage shows now rather than when a frame is asked
    // for: the animation ends before the first frame that cannot be decoded, and when that is
    // the first, the error is returned.
    Status DecodeAll();

    // What the file's records said and what composing keeps (inside gif_codec.cpp only).
    struct State;

  private:
    explicit GifFrames(std::unique_ptr<State> state);
    std::unique_ptr<State> S;
};

Result<GifFrames> OpenGifFile(const std::filesystem::path& path);

// Every frame at once, for callers that want them all (each costs a whole screen).
struct GifAnimation {
    int Width = 0;               // logical screen
    int Height = 0;
    std::vector<Bitmap> Frames;  // 32-bit each, alpha 0 where nothing was drawn
    std::vector<int> DelaysMs;   // one per frame
};

Result<GifAnimation> DecodeGif(Bytes data);

}  // namespace gf
