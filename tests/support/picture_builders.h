#pragma once
// PNG, JPEG and GIF files made in code with the libraries' own writers, for tests that need a
// picture file of a particular kind (colour type, bit depth, interlacing, CMYK, animation
// frames with transparency and disposal methods). Failures throw std::runtime_error.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/color.h"

namespace gf::test {

struct PngFileRecipe {
    int Width = 0;
    int Height = 0;
    int ColorType = 6;  // a PNG_COLOR_TYPE_* value (6 = RGB with alpha)
    int BitDepth = 8;
    bool Interlaced = false;
    // Row-major samples, as many per pixel as the colour type has channels (palette: the
    // index), each below 2^BitDepth.
    std::vector<std::uint16_t> Samples;
    std::vector<Color> Palette;              // palette colour type only
    std::vector<std::uint8_t> PaletteAlpha;  // tRNS of a palette picture (may be shorter)
    // tRNS of a grey (first value) or RGB picture: the sample values that are transparent.
    std::optional<std::array<std::uint16_t, 3>> TransparentKey;
    std::optional<double> FileGamma;  // writes a gAMA chunk
};
std::vector<std::uint8_t> MakePngFile(const PngFileRecipe& recipe);

enum class JpegFileKind { Grey, Rgb, Cmyk, Ycck };

struct JpegFileRecipe {
    int Width = 0;
    int Height = 0;
    JpegFileKind Kind = JpegFileKind::Rgb;
    // Row-major samples: 1 (grey), 3 (red, green, blue) or 4 (C, M, Y, K as stored) per pixel.
    std::vector<std::uint8_t> Samples;
    int Quality = 95;
    bool Progressive = false;
    bool FullChroma = false;  // 4:4:4 instead of libjpeg's default 4:2:0
    bool AdobeMarker = true;  // CMYK and YCCK only
};
std::vector<std::uint8_t> MakeJpegFile(const JpegFileRecipe& recipe);

struct GifFrameRecipe {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    std::vector<std::uint8_t> Indices;  // Width x Height, row-major
    std::vector<Color> LocalColours;    // empty: no local colour map (padded to a power of 2)
    bool WriteControl = true;           // write a Graphics Control Extension before the image
    int Transparent = -1;
    int Disposal = 0;
    int DelayCs = 0;
};

struct GifFileRecipe {
    int Width = 0;  // logical screen
    int Height = 0;
    std::vector<Color> GlobalColours;  // empty: no global colour map
    std::vector<GifFrameRecipe> Frames;
    bool Trailer = true;
};
std::vector<std::uint8_t> MakeGifFile(const GifFileRecipe& recipe);

// A frame covering a w x h rectangle at (left, top) with one colour index.
GifFrameRecipe SolidGifFrame(int left, int top, int width, int height, std::uint8_t index);

}  // namespace gf::test
