// GIF reader: any input either fails with a message or gives frames that all have the logical
// screen's size, one delay each, and no more than the frame limit; frames composed out of order
// from the opened file are the frames decoded in order.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gif_codec.h"

namespace {

// Composing frames over a large screen, or every frame of a long animation, takes a second and
// more under the sanitizers (every screen is a fresh allocation of up to the decoder's budget)
// and such inputs would crowd out everything else. Screens above the first budget have only
// their records walked, animations above the second only three frames composed; decoding them
// whole, or refusing them, is what the tests over the regression files check.
constexpr std::uint64_t ScreenBudget = std::uint64_t{1} << 18;
constexpr std::uint64_t WholeDecodeBudget = std::uint64_t{1} << 20;

bool RightShape(const gf::Bitmap& frame, int width, int height) {
    return frame.Format() == gf::PixelFormat::Bits32 && frame.Width() == width &&
           frame.Height() == height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto opened = gf::GifFrames::Open(std::vector<std::uint8_t>(data, data + size));
    const std::uint64_t screen =
        opened ? std::uint64_t(opened->Width()) * std::uint64_t(opened->Height()) : 0;
    if (screen > ScreenBudget)
        return 0;
    if (opened && screen * opened->Count() > WholeDecodeBudget) {
        const std::size_t n = opened->Count();
        for (std::size_t i : {n - 1, std::size_t{0}, n / 2}) {
            auto frame = opened->Frame(i);
            if (frame && !RightShape(*frame, opened->Width(), opened->Height()))
                std::abort();
        }
        return 0;
    }

    auto decoded = gf::DecodeGif(gf::Bytes(data, size));
    if (!decoded)
        return 0;
    const gf::GifAnimation& a = *decoded;
    if (a.Frames.empty() || a.Frames.size() > gf::MaxGifFrames ||
        a.DelaysMs.size() != a.Frames.size() || a.Width <= 0 || a.Height <= 0)
        std::abort();
    for (const gf::Bitmap& frame : a.Frames)
        if (!RightShape(frame, a.Width, a.Height))
            std::abort();
    if (!opened || opened->Count() < a.Frames.size())
        std::abort();
    for (std::size_t i : {a.Frames.size() - 1, std::size_t{0}, a.Frames.size() / 2}) {
        auto frame = opened->Frame(i);
        if (!frame || !(*frame == a.Frames[i]))
            std::abort();
    }
    return 0;
}
