// GIF reader: any input either fails with a message or gives frames that all have the logical
// screen's size, one delay each, and no more than the frame limit; frames composed out of order
// from the opened file are the frames decoded in order.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

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
    auto opened = gf::GifFrames::Open(std::vector<std::uint8_t>(data, data + size));
    if (!opened || opened->Count() < a.Frames.size())
        std::abort();
    for (std::size_t i : {a.Frames.size() - 1, std::size_t{0}, a.Frames.size() / 2}) {
        auto frame = opened->Frame(i);
        if (!frame || !(*frame == a.Frames[i]))
            std::abort();
    }
    return 0;
}
