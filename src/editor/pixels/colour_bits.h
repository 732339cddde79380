#pragma once
// The colour depth conversions of the last editor page: its preview and "Finish".

#include "editor/pixels/palettes.h"
#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf {

// Items of the colour bits list, in order: 1, 4, 8, 16, 24 and 32 bits.
inline constexpr int ColourBitsItemCount = 6;
int BitsOfColourItem(int item);
// The item preselected for a pixel format code: 1 bit -> 0, 4 -> 1, 8 -> 2, 16 -> 3, 24 -> 4,
// anything else -> 5.
int ColourItemFromFormatCode(int pixelFormatCode);
// The item of a bit count (1, 4, 8, 16, 24, 32), or -1.
int ColourItemFromBits(int bits);

struct ColourBitsSettings {
    int Item = 5;                                  // 0..5
    int Threshold = 255;                           // -1 keeps partial transparency
    PaletteKind Palette = PaletteKind::Optimized;  // for items 0..2
    Color Background = White;                      // the size page's canvas colour
};

// The preview of the page: copies of the pair converted as "Finish" would (except that a
// true-colour image shown as 32 bits gets no alpha from the mask). `paletteImage`, when given,
// shows and supplies the palette.
Status PreviewColourBits(const Bitmap& iconColor, const Bitmap& iconMask,
                         const ColourBitsSettings& settings, Bitmap* paletteImage,
                         Bitmap& previewColor, Bitmap& previewMask);

// "Finish": converts the pair itself to the chosen depth. On failure (the optimized palette
// could not be made) the pair is left as it was.
Status FinishColourBits(Bitmap& iconColor, Bitmap& iconMask, const ColourBitsSettings& settings,
                        Bitmap* paletteImage);

}  // namespace gf
