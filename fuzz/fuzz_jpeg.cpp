// JPEG reader and colour quantiser: any input either fails with a message or gives a picture
// of the size the header claims; quantised pixels always index into their palette.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/jpeg_codec.h"

namespace {

// A damaged scan still decodes to the end of the frame the header claims, so a few hundred
// bytes can make a picture of hundreds of megabytes, seconds each under the sanitizers; such
// inputs would crowd out everything else. Pictures above this have only their header read:
// decoding them whole, or refusing them, is what the tests over the regression files check.
constexpr std::uint64_t WholeDecodeBudget = std::uint64_t{1} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::Bytes bytes(data, size);
    if (auto claimed = gf::ReadJpegSize(bytes);
        claimed && std::uint64_t(claimed->Width) * std::uint64_t(claimed->Height) > WholeDecodeBudget)
        return 0;
    auto decoded = gf::DecodeJpeg(bytes);
    if (decoded && (decoded->Format() != gf::PixelFormat::Bits24 || decoded->Empty()))
        std::abort();
    // The quantiser only runs on pictures the plain decoder accepts; both read the same header.
    if (!decoded || decoded->Data().size() > (8u << 20))
        return 0;
    int colours = size > 0 ? 2 + data[size - 1] % 255 : 236;
    auto quantised = gf::DecodeJpegQuantized(bytes, colours, (size & 1) != 0);
    if (!quantised)
        return 0;
    const auto& palette = quantised->Palette();
    if (quantised->Format() != gf::PixelFormat::Bits8 || palette.empty() ||
        palette.size() > static_cast<std::size_t>(colours) ||
        quantised->Width() != decoded->Width() || quantised->Height() != decoded->Height())
        std::abort();
    for (int y = 0; y < quantised->Height(); ++y)
        for (int x = 0; x < quantised->Width(); ++x)
            if (quantised->Row(y)[x] >= palette.size())
                std::abort();
    return 0;
}
