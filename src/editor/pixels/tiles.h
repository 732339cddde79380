#pragma once
// The background tiles behind the editor's icon previews.

#include "platform/bitmap.h"

namespace gf {

// The six swatches of the editor's status bar, left to right.
enum class TileKind {
    BlueTexture,   // 79 x 79
    BeigeTexture,  // 79 x 79, beige and brown
    WarmChecker,   // 32 x 32, 8 x 8 squares of (205,240,243) and (254,215,203)
    PinkCyanFine,  // 16 x 16 fine pattern in pink and light cyan
    GreyFine,      // 16 x 16 fine pattern of white and light greys (the start tile)
    GreyChecker,   // 32 x 32, 8 x 8 squares of white and (204,204,204)
};

// A 24-bit picture of the tile.
Bitmap MakeTile(TileKind kind);

}  // namespace gf
