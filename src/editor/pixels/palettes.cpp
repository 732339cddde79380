#include "editor/pixels/palettes.h"

#include <algorithm>

namespace gf {

const std::vector<Color>& WebSafePalette() {
    static const std::vector<Color> p = [] {
        std::vector<Color> v(256, Black);
        for (int i = 0; i < 216; ++i)
            v[i] = Rgb(static_cast<std::uint8_t>(0x33 * (i % 6)),
                       static_cast<std::uint8_t>(0x33 * ((i / 6) % 6)),
                       static_cast<std::uint8_t>(0x33 * (i / 36)));
        return v;
    }();
    return p;
}

const std::vector<Color>& GrayPalette() {
    static const std::vector<Color> p = [] {
        std::vector<Color> v(256, Black);
        auto grey = [](int g) {
            auto b = static_cast<std::uint8_t>(g);
            return Rgb(b, b, b);
        };
        v[0] = grey(0);
        v[1] = grey(255);
        for (int i = 2; i <= 15; ++i)
            v[i] = grey(16 * (i - 1));
        int next = 16;
        for (int g = 1; g <= 254; ++g)
            if (g % 16 != 0)
                v[next++] = grey(g);
        // next is 255 here: 254 levels minus the 15 multiples of 16 fill entries 16..254.
        v[255] = grey(0xF0);
        return v;
    }();
    return p;
}

const std::vector<Color>& Windows16Palette() {
    static const std::vector<Color> p = [] {
        std::vector<Color> v(256, Black);
        const Color table[16] = {
            Rgb(0, 0, 0),     Rgb(128, 128, 128), Rgb(255, 255, 0), Rgb(0, 255, 255),
            Rgb(0, 255, 0),   Rgb(192, 192, 192), Rgb(128, 128, 0), Rgb(0, 128, 128),
            Rgb(0, 128, 0),   Rgb(255, 0, 255),   Rgb(255, 0, 0),   Rgb(0, 0, 255),
            Rgb(128, 0, 128), Rgb(128, 0, 0),     Rgb(0, 0, 128),   Rgb(255, 255, 255),
        };
        std::copy(std::begin(table), std::end(table), v.begin());
        return v;
    }();
    return p;
}

std::vector<Color> DefaultKindPalette(int bits) {
    PixelFormat f = bits == 1   ? PixelFormat::Bits1
                    : bits == 4 ? PixelFormat::Bits4
                                : PixelFormat::Bits8;
    std::vector<Color> v = DefaultPalette(f);
    v.resize(256, Black);
    return v;
}

void DrawPaletteSwatch(Bitmap& image, int index, Color colour) {
    if (index < 0 || index > 255)
        return;
    const int x0 = (index % 16) * SwatchWidth, y0 = (index / 16) * SwatchHeight;
    const int x1 = x0 + SwatchWidth, y1 = y0 + SwatchHeight;
    image.FillRect(x0, y0, x1, y1, Black);
    image.FillRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour);
}

void DrawPaletteGrid(Bitmap& image, const std::vector<Color>& palette, int count) {
    if (image.Width() != PaletteGridWidth || image.Height() != PaletteGridHeight ||
        image.Format() != PixelFormat::Bits24)
        image = Bitmap(PaletteGridWidth, PaletteGridHeight, PixelFormat::Bits24);
    image.Fill(White);
    count = std::min<int>(count, static_cast<int>(palette.size()));
    for (int i = 0; i < count && i < 256; ++i)
        DrawPaletteSwatch(image, i, palette[i]);
}

Color ReadPaletteSwatch(const Bitmap& image, int index) {
    const int x = (index % 16) * SwatchWidth + 3, y = (index / 16) * SwatchHeight + 3;
    if (index < 0 || x >= image.Width() || y >= image.Height())
        return White;
    return image.GetPixel(x, y);
}

std::vector<Color> ReadPaletteGrid(const Bitmap& image) {
    std::vector<Color> v(256);
    for (int i = 0; i < 256; ++i)
        v[i] = ReadPaletteSwatch(image, i);
    return v;
}

int PaletteSwatchAt(int x, int y) {
    if (x < 0 || y < 0 || x >= PaletteGridWidth || y >= PaletteGridHeight)
        return -1;
    return (y / SwatchHeight) * 16 + x / SwatchWidth;
}

}  // namespace gf
