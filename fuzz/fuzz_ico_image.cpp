// Icon image decoding: one image block (DIB or PNG) and a whole ICO/CUR file loaded at the size
// of its first image. Whatever decodes must also write and decode again to the same picture.

#include <cstdint>
#include <cstdlib>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"

namespace {

void CheckRoundTrip(const gf::IconImage& icon) {
    if (static_cast<long>(icon.Width()) * icon.Height() > 512 * 512)
        return;
    auto file = gf::EncodeIconFile(icon, 0);
    if (!file)
        std::abort();
    auto again = gf::DecodeIconFileFirstSize(*file);
    if (!again || again->Width() != icon.Width() || again->Height() != icon.Height() ||
        again->Color.BitCount() != icon.Color.BitCount() || !(again->Mask == icon.Mask)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::Bytes bytes(data, size);
    if (auto icon = gf::DecodeIconImageBlock(bytes))
        CheckRoundTrip(*icon);
    if (auto icon = gf::DecodeIconFileFirstSize(bytes))
        CheckRoundTrip(*icon);
    (void)gf::PeekIconBlock(bytes);
    return 0;
}
