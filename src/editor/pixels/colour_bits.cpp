#include "editor/pixels/colour_bits.h"

#include "editor/pixels/flatten.h"
#include "editor/pixels/mask.h"
#include "editor/pixels/reduce.h"

namespace gf {

int BitsOfColourItem(int item) {
    static constexpr int bits[ColourBitsItemCount] = {1, 4, 8, 16, 24, 32};
    return item >= 0 && item < ColourBitsItemCount ? bits[item] : 32;
}

int ColourItemFromFormatCode(int pixelFormatCode) {
    switch (pixelFormatCode) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 3:
            return 2;
        case 5:
            return 3;
        case 6:
            return 4;
        default:
            return 5;
    }
}

int ColourItemFromBits(int bits) {
    for (int i = 0; i < ColourBitsItemCount; ++i)
        if (BitsOfColourItem(i) == bits)
            return i;
    return -1;
}

Status PreviewColourBits(const Bitmap& iconColor, const Bitmap& iconMask,
                         const ColourBitsSettings& settings, Bitmap* paletteImage,
                         Bitmap& previewColor, Bitmap& previewMask) {
    previewColor = iconColor;
    previewMask = iconMask;
    const int item = settings.Item;
    if (item >= 0 && item <= 4)
        FlattenAlpha(previewColor, iconColor, settings.Threshold, previewMask, settings.Background);
    if (item >= 0 && item <= 2)
        return ReduceToPalette(previewColor, BitsOfColourItem(item), settings.Palette,
                               paletteImage, &previewMask);
    if (item == 3) {
        PackRgb565(previewColor, previewColor);
    } else if (item != 4) {
        previewColor.SetFormat(PixelFormat::Bits32);
    }
    return Status::Success();
}

Status FinishColourBits(Bitmap& iconColor, Bitmap& iconMask, const ColourBitsSettings& settings,
                        Bitmap* paletteImage) {
    if (settings.Item > 4 && iconColor.Format() == PixelFormat::Bits32) {
        // 32 bits from 32 bits: nothing to convert (AlphaFromMask would change nothing).
        EnsureMask8(iconMask);
        return Status::Success();
    }
    const Bitmap before = iconColor;
    const Bitmap maskBefore = iconMask;
    const int item = settings.Item;
    if (item >= 0 && item <= 4) {
        FlattenAlpha(iconColor, before, settings.Threshold, iconMask, settings.Background);
        if (item <= 2) {
            Status s = ReduceToPalette(iconColor, BitsOfColourItem(item), settings.Palette,
                                       paletteImage, &iconMask);
            if (!s) {
                iconColor = before;
                iconMask = maskBefore;
                return s;
            }
        } else if (item == 3) {
            PackRgb565(iconColor, iconColor);
        }
    } else {
        AlphaFromMask(iconColor, before, iconMask, maskBefore);
    }
    EnsureMask8(iconMask);
    return Status::Success();
}

}  // namespace gf
