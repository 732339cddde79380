#pragma once
// The geometry of the icon list window's grid: 128 x 128 cells, as many columns as the scroll
// box has room for (at least two), icons centred in their cells and shrunk to fit 118 pixels.
// Plain arithmetic, kept apart from the window so it can be checked on its own.

#include <cstdint>
#include <string>

#include "platform/color.h"

namespace gf::iconlist {

inline constexpr int CellSize = 128;
// Icons larger than this on either side are shrunk, keeping their proportions.
inline constexpr int MaxCellIconSide = 118;
// Room kept above the picture of a large icon (so 118 pixels are centred in the cell), and
// between a picture and the caption below it.
inline constexpr int CellIconMargin = (CellSize - MaxCellIconSide) / 2;
inline constexpr int CaptionGap = 1;
// Room left around the grid inside the scroll box.
inline constexpr int GridMargin = 24;
inline constexpr int MinColumns = 2;
// Width of the selection frame's pen.
inline constexpr int SelectionPenWidth = 3;

struct GridRect {
    int Left = -1;
    int Top = -1;
    int Right = -1;
    int Bottom = -1;
    bool Valid() const { return Left >= 0 && Top >= 0; }
    friend bool operator==(const GridRect&, const GridRect&) = default;
};

struct GridPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const GridPoint&, const GridPoint&) = default;
};

struct GridSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const GridSize&, const GridSize&) = default;
};

// Columns for a scroll box whose client area is `clientWidth` wide: (clientWidth - 24) / 128,
// but two when less than 256 pixels are left.
int ColumnCountFor(int clientWidth);

// The picture the grid is drawn on: wide enough for the columns (and never narrower than the
// client area less the margin), high enough for every row of `iconCount` cells and never lower
// than the client area less the margin.
GridSize PictureSizeFor(int clientWidth, int clientHeight, int columnCount, int iconCount);

// Top-left corner of cell `index`.
GridPoint CellOrigin(int index, int columnCount);

// The cell under (x, y) of the picture, or -1 when there is none: outside the picture's cells,
// beyond the last column or at or past `iconCount`.
int CellIndexAt(int x, int y, int columnCount, int iconCount);

// Where the selection frame of cell `index` lies: 4 pixels inside the cell on every side.
GridRect SelectionRectOf(int index, int columnCount);

// Size and top-left position (relative to the cell) of an icon of w x h inside its cell: shrunk
// proportionally (each side truncated) when a side exceeds 118, then centred. An icon that would
// then reach down to the caption, whose top is `captionTop`, is shrunk further where needed to
// the room between the cell's top margin and the caption, and centred in that room: the caption
// always stays clear of the picture.
struct IconPlacement {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const IconPlacement&, const IconPlacement&) = default;
};
IconPlacement PlaceIconInCell(int width, int height, int captionTop);

// The text rectangle of a description `textWidth` x `textHeight` (the width capped at 126),
// relative to the cell: centred, its bottom 6 pixels above the cell's bottom.
GridRect TextRectInCell(int textWidth, int textHeight);

// Frame colour of a cell: the first character of the description, as a signed 8-bit value,
// times 2533 (kept to 24 bits). Each batch of added icons starts its descriptions with its own
// letter and so gets its own colour; the loader's blank gives 0x013CA0.
Color FrameColorOf(const std::string& description);

// The status line for the selected icon (`index` from 0).
std::string SelectionStatusText(int index, int iconCount, const std::string& description);

}  // namespace gf::iconlist
