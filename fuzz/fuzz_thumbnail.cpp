// The thumbnailer's whole road over any bytes, as a file manager hands it every file a user
// browses: detection, listing, choice of the image, decoding, shrinking and the PNG. Whatever
// the input, a thumbnail made is a 32-bit picture within the size asked for, and encodes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cli/thumbnail.h"
#include "platform/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::MemorySource source(gf::Bytes(data, size));
    // The name decides only for files whose first bytes say nothing.
    const char* name = size % 2 ? "input.exe" : "input.ico";
    for (int side : {16, 256}) {
        auto picture = gf::cli::MakeThumbnail(source, name, side);
        if (!picture)
            continue;
        if (picture->Format() != gf::PixelFormat::Bits32 || picture->Width() < 1 ||
            picture->Height() < 1 || picture->Width() > side || picture->Height() > side)
            std::abort();
        if (!gf::EncodePngRgba(*picture))
            std::abort();
    }
    return 0;
}
