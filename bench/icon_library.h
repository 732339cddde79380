#pragma once
// A large icon library built in memory with the test suite's executable builder, for the
// benchmarks: icons of 16 to 128 pixels at 8 and 32 bits and a 256 x 256 PNG image in each
// group, as the big system libraries hold them. The benchmarks link no test library, so the
// builder is compiled in by whoever includes this (once per program).

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "iconfile/icon_image.h"
#include "iconfile/ico_writer.h"
#include "platform/png_codec.h"
#include "support/pe_builder.h"

namespace gf::bench {

// One image block: random pixels (a DIB, as it would be stored), or for 256 a smooth PNG.
inline std::vector<std::uint8_t> LibraryIconBlock(int side, int bits, std::mt19937& rng) {
    Bitmap color(side, side, PixelFormat::Bits32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (side == 256) {
                color.SetPixel(x, y, Rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                         static_cast<std::uint8_t>((x ^ y) & 0xF0)));
                color.SetAlpha(x, y, 255);
            } else {
                color.SetPixel(x, y, rng() & 0xFFFFFF);
                color.SetAlpha(x, y, static_cast<std::uint8_t>(rng()));
            }
        }
    }
    if (side == 256) {
        auto png = EncodePngRgba(color);
        if (!png)
            throw std::runtime_error(png.ErrorMessage());
        return *png;
    }
    Bitmap mask(side, side, PixelFormat::Bits1);
    auto icon = MakeIcon(color, mask);
    if (!icon)
        throw std::runtime_error(icon.ErrorMessage());
    auto block = EncodeIconBlock(*icon, bits);
    if (!block)
        throw std::runtime_error(block.ErrorMessage());
    return block->Data;
}

// `groups` RT_GROUP_ICON groups of `perGroup` images each (IDs from 1 in group order).
inline test::BuiltPe BuildIconLibrary(int groups, int perGroup, unsigned seed = 11) {
    static const int sides[] = {16, 24, 32, 48, 64, 128, 16, 32, 48, 256};
    static const int depths[] = {32, 32, 32, 32, 32, 32, 8, 8, 8, 32};
    std::mt19937 rng(seed);
    std::vector<std::vector<std::uint8_t>> images;
    test::PeRecipe recipe;
    for (int g = 0; g < groups; ++g) {
        test::PeIconGroup group{static_cast<std::uint32_t>(g + 1), {}};
        for (int k = 0; k < perGroup; ++k) {
            images.push_back(LibraryIconBlock(sides[k % 10], depths[k % 10], rng));
            group.IconIds.push_back(static_cast<std::uint32_t>(images.size()));
        }
        recipe.Groups.push_back(group);
    }
    recipe.Icons = test::NumberedIcons(images);
    return test::BuildPe(recipe);
}

}  // namespace gf::bench
