#pragma once
// The editor's road without its window: start, size page, transparency page and "Finish" run
// on one picture with fixed settings. The command-line tool converts pictures through this, and
// the window runs the same steps one page at a time.

#include <optional>
#include <span>
#include <vector>

#include "editor/pixels/colour_bits.h"
#include "editor/pixels/resample.h"
#include "editor/pixels/rgba_resample.h"
#include "editor/pixels/shadow_alpha.h"
#include "editor/pixels/similarity.h"

#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf {

// The source pair the editor starts from.
struct SourceStart {
    Bitmap Color;  // 24- or 32-bit
    Bitmap Mask;   // 8-bit
    // The picture's alpha gives the transparency: the transparency page is skipped.
    bool AlphaGivesTransparency = false;
};

// The start step on a loaded picture. A 32-bit picture keeps its alpha and gets its mask from it
// (alpha 0 transparent, 255 opaque, partial values opaque) when `automaticIdentification` is on
// and its alpha is in use: some alpha byte is non-zero, or `alphaIsTransparency` says that the
// alpha is the picture's transparency even where all of it is 0 (a fully transparent PNG or
// GIF; a BMP's all-zero fourth bytes say nothing). Otherwise every alpha becomes 255 and the
// mask is all opaque. Pictures of other depths become 24-bit.
SourceStart PrepareSource(const Bitmap& picture, bool automaticIdentification,
                          bool alphaIsTransparency = false);

struct RoadSettings {
    SizeSettings Size;
    Color Background = White;             // canvas background colour of the size page
    bool AutomaticIdentification = true;  // "Automatic icon identification"
    TransparencySettings Transparency;    // used only when the transparency page is
    bool TransparentFromTopLeft = false;  // the key is the resized picture's top-left pixel
    ColourBitsSettings ColourBits;        // its Background is taken from Background
    // The alpha adjustment over the whole icon before "Finish"; only for 32-bit results (the
    // icon is made 32-bit first, as "Finish" would make it).
    std::optional<ShadowAlphaSettings> ShadowAlpha;
};

struct RoadResult {
    Bitmap Color;  // at the chosen depth
    Bitmap Mask;   // 8-bit, 255 transparent
    bool TransparencyPageUsed = false;
};

// Runs the road (`alphaIsTransparency` as for PrepareSource). Fails when the icon size is
// empty or the palette cannot be made.
Result<RoadResult> RunEditorRoad(const Bitmap& picture, const RoadSettings& settings,
                                 bool alphaIsTransparency = false);

// The command-line tool's own road, from the picture at its full size: a transparent colour is
// taken out at the picture's resolution (alpha 0), colour and alpha are resampled together in
// premultiplied form with `filter` (nearest neighbour without Smooth; unscaled at the offset
// without Stretch), transparent pixels become black and masked, and "Finish" then flattens
// onto the background only for depths without alpha. Semi-transparent pixels of a 32-bit
// result keep their own colour. The same settings as the editor's road (`alphaIsTransparency`
// as for PrepareSource); the picture is keyed and read once for all of `sizes` (each replaces
// the settings' width and height), and the results come in their order.
Result<std::vector<RoadResult>> RunPremultipliedRoad(const Bitmap& picture,
                                                     const RoadSettings& settings,
                                                     std::span<const ResampleSize> sizes,
                                                     ResampleFilter filter,
                                                     bool alphaIsTransparency = false);
// The same road at the settings' own size.
Result<RoadResult> RunPremultipliedRoad(const Bitmap& picture, const RoadSettings& settings,
                                        ResampleFilter filter, bool alphaIsTransparency = false);

}  // namespace gf
