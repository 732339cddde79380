#pragma once
// The edit page's flood fill: a column-span fill with an explicit stack over the rows of the
// icon's colour image (24- or 32-bit) and its 8-bit mask, with a per-channel similarity, a rule
// that joins transparent pixels whatever their colour, and a two-pass way of making a region
// transparent. The region is 4-connected.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap.h"

namespace gf {

// A brush colour: 0x00BBGGRR, or KeepColour (keep each pixel's colour bytes).
using BrushColour = std::int32_t;
inline constexpr BrushColour KeepColour = -1;

// Points waiting to be scanned, last in first out; an entry packs x in its high 16 bits and y
// in its low 16 bits. The entries are allocated once, untouched until used, so a long-lived
// stack costs only the depth that fills really reach.
class FillStack {
  public:
    static constexpr std::size_t Capacity = 0x400000;

    FillStack();
    // False when the stack is full.
    bool PushFillPoint(int x, int y);
    // False when the stack is empty.
    bool PopFillPoint(int& x, int& y);
    void ClearFillStack();
    std::size_t Depth() const { return Top; }

  private:
    std::unique_ptr<std::uint32_t[]> Entries;
    std::size_t Top = 0;  // entry 0 is never used
};

// What one editor keeps between fills: the stack, the count of points popped by the running
// fill, and which pixels the running pass has written.
struct FillState {
    FillStack Stack;
    std::int64_t FillSpanCount = 0;
    bool Running = false;  // a fill started from inside a fill is ignored
    std::vector<std::uint8_t> Written;
};

// The most points a fill of a w x h icon may pop before it is taken for a fault and stopped.
// Each pixel is written once per pass and pushes at most its two side neighbours, so no region
// reaches it.
std::int64_t FillPopLimit(int width, int height);

// Fills from the seed (x, y). Solid: the similar region round the seed gets the mask opaque,
// the colour `colour` (or keeps its colour bytes with KeepColour) and, at 32 bits, alpha
// `opacity`. Transparent: from an opaque seed the similar region becomes transparent (mask 255,
// black, alpha 0); from a transparent seed nothing happens. `similarity` 1 takes only the seed's
// own colour, s takes differences up to s - 1 in each channel. A seed outside the icon, a mask
// that does not match the colour image or a colour image other than 24- or 32-bit changes
// nothing.
void FillRegion(FillState& state, Bitmap& mask, Bitmap& color, bool transparent, int similarity,
                BrushColour colour, int opacity, int y, int x);

}  // namespace gf
