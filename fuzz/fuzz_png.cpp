// PNG reader: any input either fails with a message or gives a 32-bit picture of a sane size
// that survives a round trip through the RGBA writer byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = gf::DecodePng(gf::Bytes(data, size));
    if (!decoded)
        return 0;
    const gf::Bitmap& pixels = decoded->Pixels;
    if (pixels.Format() != gf::PixelFormat::Bits32 || pixels.Empty())
        std::abort();
    if (!decoded->HasAlpha) {
        for (int y = 0; y < pixels.Height(); ++y)
            for (int x = 0; x < pixels.Width(); ++x)
                if (pixels.Row(y)[4 * x + 3] != 255)
                    std::abort();
    }
    // Large pictures would only measure zlib.
    if (pixels.Data().size() > (16u << 20))
        return 0;
    auto encoded = gf::EncodePngRgba(pixels);
    if (!encoded)
        std::abort();
    auto again = gf::DecodePng(*encoded);
    if (!again || !(again->Pixels == pixels))
        std::abort();
    return 0;
}
