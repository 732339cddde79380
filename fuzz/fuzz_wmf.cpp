// Metafile parser: any bytes must give a picture or an error, never a read outside the buffer,
// a crash or an unbounded allocation.

#include <cstddef>
#include <cstdint>

#include "platform/wmf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto picture = gf::wmf::ParseWmf(gf::Bytes(data, size));
    if (picture) {
        // Touch what a painter would read.
        volatile std::size_t n = picture->Commands.size();
        (void)n;
        for (const auto& c : picture->Commands) {
            if (auto* d = std::get_if<gf::wmf::DrawDib>(&c); d && d->Dib) {
                volatile int w = d->Dib->Width();
                (void)w;
            }
        }
    }
    return 0;
}
