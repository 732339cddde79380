// BMP reader: any input either fails with a message or gives a bitmap that survives a round trip
// through the writer unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = gf::DecodeBmp(gf::Bytes(data, size));
    if (!decoded)
        return 0;
    // Run-length files may legitimately describe very large pictures in a few bytes; the round
    // trip of those would only measure the allocator.
    if (decoded->Data().size() > (64u << 20))
        return 0;
    auto encoded = gf::EncodeBmp(*decoded);
    auto again = gf::DecodeBmp(encoded);
    if (!again || !(*again == *decoded))
        std::abort();
    return 0;
}
