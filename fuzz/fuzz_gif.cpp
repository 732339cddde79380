// GIF reader: any input either fails with a message or gives frames that all have the logical
// screen's size, one delay each, and no more than the frame limit.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = gf::DecodeGif(gf::Bytes(data, size));
    if (!decoded)
        return 0;
    const gf::GifAnimation& a = *decoded;
    if (a.Frames.empty() || a.Frames.size() > gf::MaxGifFrames ||
        a.DelaysMs.size() != a.Frames.size() || a.Width <= 0 || a.Height <= 0)
        std::abort();
    for (const gf::Bitmap& frame : a.Frames)
        if (frame.Format() != gf::PixelFormat::Bits32 || frame.Width() != a.Width ||
            frame.Height() != a.Height)
            std::abort();
    return 0;
}
