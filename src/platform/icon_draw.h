#pragma once
// The icon drawing rule and the stretches every preview and converter relies on.
//
// An icon is a colour image C and a mask M. Drawn onto a background pixel B:
//  - C is 32-bit and at least one alpha byte is non-zero: channel = C*A/255 + B*(255-A)/255;
//    the mask is not used;
//  - otherwise: result = (B AND M') XOR C, M' all ones where M is transparent.
// A mask is either 1-bit (1 = transparent) or 8-bit (255 = transparent).

#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace gf {

// True when the 32-bit bitmap has at least one non-zero alpha byte.
bool HasAnyAlpha(const Bitmap& bitmap32);

// True when the drawing rule blends this colour image by its alpha and ignores the mask: a
// 32-bit image with at least one non-zero alpha byte.
inline bool IconUsesAlpha(const Bitmap& color) {
    return color.Format() == PixelFormat::Bits32 && HasAnyAlpha(color);
}

// The icon as a 32-bit picture whose alpha is its transparency, by the drawing rule: where
// IconUsesAlpha(color), the colour image's own pixels and alpha, whatever the mask says;
// otherwise the colours with alpha 255, and transparent black where the mask is set. Pixels
// outside a smaller mask count as opaque.
Bitmap IconToPicture(const Bitmap& color, const Bitmap& mask);

// True when the mask marks (x, y) transparent (1-bit: bit set; 8-bit: 255; other: palette white).
bool MaskIsTransparent(const Bitmap& mask, int x, int y);

// Draws the icon at its own size with its top-left corner at (x, y), clipped to the target.
// The target is 24- or 32-bit (32-bit targets keep their alpha bytes).
void DrawIcon(Bitmap& target, int x, int y, const Bitmap& color, const Bitmap& mask);

// Draws the icon stretched to w x h (nearest neighbour on colour and mask alike).
void DrawIconStretched(Bitmap& target, int x, int y, int w, int h, const Bitmap& color,
                       const Bitmap& mask);

// Area-averaging (halftone) stretch of the whole source onto a new bitmap of w x h, 24- or
// 32-bit per `format`. Colour channels are averaged over each target pixel's footprint; the
// alpha bytes of a 32-bit target are 0 (callers copy alpha as they need).
Bitmap StretchAreaAverage(const Bitmap& source, int w, int h, PixelFormat format);

// How a shrinking decoder sizes its picture and what it makes of alpha.
struct ShrinkPlan {
    // Each side limited by itself to this (the picture step: the aspect is not kept); 0: none.
    int MaxSide = 0;
    // When not 0: both sides scaled alike so that the picture has at most this many pixels.
    std::uint64_t MaxPixels = 0;
    // false: as the picture step, colours averaged plainly and alpha taken from the nearest
    // pixel (alpha 0 for pictures without); true: colour and alpha averaged together in
    // premultiplied form, for resampling further (pictures without alpha come out 24-bit).
    bool AverageAlpha = false;
};

struct PictureSize {
    int Width = 0;
    int Height = 0;
};
// The size a w x h picture is shrunk to by `plan` (never enlarged, at least 1 x 1).

PictureSize ShrinkTo(int width, int height, const ShrinkPlan& plan);

// What a shrinker makes of the source's alpha.
enum class ShrinkAlpha {
    Zero,           // alpha 0 (a picture without alpha on its way to the editor)
    Nearest,        // target (j, i) takes the alpha of source (sw * j / w, sh * i / h)
    Premultiplied,  // alpha averaged, colours weighted by it (plain where all alpha is 0)
};

// The rule and the result's format for a source with or without alpha under `plan`.
inline ShrinkAlpha ShrinkAlphaFor(const ShrinkPlan& plan, bool sourceHasAlpha) {
    if (!sourceHasAlpha)
        return ShrinkAlpha::Zero;
    return plan.AverageAlpha ? ShrinkAlpha::Premultiplied : ShrinkAlpha::Nearest;
}
inline PixelFormat ShrunkFormat(const ShrinkPlan& plan, bool sourceHasAlpha) {
    return plan.AverageAlpha && !sourceHasAlpha ? PixelFormat::Bits24 : PixelFormat::Bits32;
}

// StretchAreaAverage fed with the source's pixels as a decoder produces them: whole rows in any
// order, or the sparse rows of an interlaced pass, each pixel at most once; pixels never added
// count as black. Only the target's sums are held, so a picture far too large to hold whole
// can be shrunk as it is read. With Zero and Nearest, Finish gives exactly what
// StretchAreaAverage(source, w, h, Bits32) gives on the whole picture, with alpha as the rule
// says.
class AreaAverageShrinker {
  public:
    AreaAverageShrinker(int sourceWidth, int sourceHeight, int width, int height,
                        ShrinkAlpha alpha);

    // `count` pixels of source row y at columns x0, x0 + step, ..., each `pixelBytes` long:
    // blue, green, red (3) or blue, green, red, alpha (4; a 3-byte pixel's alpha is 255).
    void Add(int y, int x0, int step, int count, const std::uint8_t* pixels, int pixelBytes);
    void AddRow(int y, const std::uint8_t* pixels, int pixelBytes) {
        Add(y, 0, 1, SourceWidth, pixels, pixelBytes);
    }
    // The same whole row for `rows` rows from y on, summed once.
    void AddRepeatedRow(int y, int rows, const std::uint8_t* pixels, int pixelBytes);

    // 32-bit, or 24-bit (alpha dropped) when asked.
    Bitmap Finish(PixelFormat format = PixelFormat::Bits32) const;

  private:
    template <bool Premultiplied, std::size_t PixelBytes>
    void SumWholeRow(const std::uint8_t* pixels);
    void SumRow(int x0, int step, int count, const std::uint8_t* pixels, int pixelBytes);
    void AddSums(int y);
    void SampleAlpha(int y, int x0, int step, int count, const std::uint8_t* pixels,
                     int pixelBytes);

    // The source columns a target column covers: First and Last partly (by their weights),
    // those between wholly (by the target's width each).
    struct ColumnSpan {
        int First = 0, Last = 0;
        std::uint32_t FirstWeight = 0, LastWeight = 0;
    };

    int SourceWidth, SourceHeight, Width, Height;
    ShrinkAlpha Rule;
    std::size_t Channels;  // sums per target pixel: blue, green, red (+ premultiplied, alpha)
    std::vector<ColumnSpan> Spans;
    // Per source column (row): the target columns (rows) it overlaps and by how much, as
    // ranges into Targets/Weights.
    std::vector<int> ColumnFirst, ColumnTargets, RowFirst, RowTargets;
    std::vector<std::uint32_t> ColumnWeights, RowWeights;
    std::vector<int> AlphaColumn;                // per target column: its source column
    std::vector<std::vector<int>> AlphaRowsOf;   // per source row: the target rows it samples
    std::vector<std::uint64_t> RowSums;          // Channels per target column, of one row
    std::vector<std::uint64_t> Sums;             // Channels per target pixel
    std::vector<std::uint8_t> Alpha;             // per target pixel (Nearest)
};

// The same area averaging for a 32-bit picture whose alpha is its transparency: alpha is
// averaged too, and colours are weighted by their alpha, so the colour of transparent pixels
// never bleeds into the visible ones. 32-bit in, 32-bit out.
Bitmap StretchAreaAverageWithAlpha(const Bitmap& source32, int w, int h);

// Nearest-neighbour stretch: target (i, j) takes source (w_src*j/w, h_src*i/h). Same format as
// the source (palette kept).
Bitmap StretchNearest(const Bitmap& source, int w, int h);

}  // namespace gf
