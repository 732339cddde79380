#pragma once
// Reduction of a true-colour image to 1, 4 or 8 bits per pixel with a palette.

#include <vector>

#include "editor/pixels/palettes.h"
#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf {

// The "Optimized" palette of a picture: the picture encoded as a baseline JPEG at quality 100
// and decoded with libjpeg's two-pass quantiser (236 colours, Floyd-Steinberg); its colours
// ordered by how many decoded pixels use them, most used first. Entries beyond the quantiser's
// colours repeat its first colour with a use count of 0: they sort behind every used colour and,
// being equal to an earlier entry, never win a nearest-colour search. Always 256 entries.
Result<std::vector<Color>> OptimizedPalette(const Bitmap& picture);

// Index of the nearest entry (least sum of squared red, green and blue differences; the lowest
// index on ties) for every pixel, computed fast for whole pictures: the colour cube is cut into
// 8 x 8 x 8 cells, and each cell, when first met, keeps only the entries that can be nearest to
// some colour inside it (those whose least distance to the cell is no more than the smallest
// greatest distance of any entry), ordered by that least distance so a search stops early.
class NearestColourMap {
  public:
    explicit NearestColourMap(std::vector<Color> palette);
    int Nearest(Color c);

  private:
    static constexpr int CellShift = 4;  // 16 levels per cell side
    static constexpr int CellsPerSide = 256 >> CellShift;
    struct Candidate {
        std::uint32_t MinDist;  // least squared distance from the entry to the cell
        std::uint16_t Index;
    };
    const std::vector<Candidate>& Candidates(int r, int g, int b);

    std::vector<Color> Palette;
    std::vector<std::uint16_t> Distinct;        // first index of each distinct colour
    std::vector<std::vector<Candidate>> Cells;  // nearest to the cell first
    std::vector<char> CellReady;
    std::vector<std::uint32_t> CacheKeys;
    std::vector<std::uint8_t> CacheValues;
};

// The palette of a kind for `bits` (1, 4 or 8) bits per pixel, 256 entries. Custom reads the
// palette grid image (the optimized palette when none is given).
Result<std::vector<Color>> PaletteOfKind(const Bitmap& picture, PaletteKind kind,
                                         const Bitmap* paletteImage);

// Replaces `picture` by a bitmap of `bits` bits per pixel (1, 4 or 8) whose colour table is the
// first 2^bits entries of the kind's palette; every pixel takes the nearest entry, without
// dithering. Pixels that `mask` (the editor's 8-bit mask of the picture's size, 255 =
// transparent) marks transparent index pure black, so the AND/XOR drawing leaves the ground
// untouched there: the table's own black, else an entry no visible pixel takes (the optimized
// palette's spare entries beyond the quantiser's colours) made black; only when every entry is
// taken does the least used one become black, its pixels taking their nearest other entry. A
// palette image, when given, is redrawn with the table (the rest stays white). Fails only when
// the optimized palette cannot be computed; the picture is then unchanged.
Status ReduceToPalette(Bitmap& picture, int bits, PaletteKind kind, Bitmap* paletteImage,
                       const Bitmap* mask = nullptr);

// The reduction with a known colour table of 2, 16 or 256 entries, transparent pixels as above.
void MapToPalette(Bitmap& picture, int bits, std::vector<Color> table,
                  const Bitmap* mask = nullptr);

}  // namespace gf
