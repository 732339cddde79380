// Kept apart from ico_builder.cpp so that tests without PNG blocks do not need the PNG codec.
#include <stdexcept>

#include "platform/png_codec.h"
#include "support/ico_builder.h"

namespace gf::test {

std::vector<std::uint8_t> MakePngBlock(const Bitmap& bitmap32) {
    auto png = EncodePngRgba(bitmap32);
    if (!png)
        throw std::runtime_error("PNG encoding failed: " + png.ErrorMessage());
    return std::move(*png);
}

}  // namespace gf::test
