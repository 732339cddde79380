#pragma once
// The palette kinds of the colour bits page, the fixed palettes and the palette grid.

#include <vector>

#include "platform/bitmap.h"

namespace gf {

// Item indices of the palette kind list; -1 (nothing chosen) counts as Optimized.
enum class PaletteKind : int {
    Optimized = 0,
    Custom = 1,
    Default = 2,
    WebSafe216 = 3,
    Gray = 4,
    Windows16 = 5,
};

// 256 entries each; entries a table does not define are black.
const std::vector<Color>& WebSafePalette();
const std::vector<Color>& GrayPalette();
const std::vector<Color>& Windows16Palette();

// "Default": the display keeps no system palette here, so the kind gives the palette a bitmap
// of that depth gets by default (black and white; the 16 standard colours; the 6x6x6 cube and 40
// greys). 256 entries, the unused ones black.
std::vector<Color> DefaultKindPalette(int bits);

// Size of the palette grid image and of one swatch.
inline constexpr int PaletteGridWidth = 128;
inline constexpr int PaletteGridHeight = 256;
inline constexpr int SwatchWidth = 8;
inline constexpr int SwatchHeight = 16;

// Fills the grid image white and draws the swatches of entries 0 .. count-1: entry i at column
// i mod 16, row i div 16, filled with its colour and framed by a 1-pixel black line. The image
// becomes 24-bit, PaletteGridWidth x PaletteGridHeight.
void DrawPaletteGrid(Bitmap& image, const std::vector<Color>& palette, int count);

// Draws one swatch anew (the grid otherwise unchanged).
void DrawPaletteSwatch(Bitmap& image, int index, Color colour);

// The colour of swatch i as shown (its pixel 3, 3), for all 256 entries.
Color ReadPaletteSwatch(const Bitmap& image, int index);
std::vector<Color> ReadPaletteGrid(const Bitmap& image);

// Index of the swatch under (x, y) on the grid: (y div 16) * 16 + x div 8; -1 outside the grid.
int PaletteSwatchAt(int x, int y);

}  // namespace gf
