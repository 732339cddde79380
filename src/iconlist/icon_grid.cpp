#include "iconlist/icon_grid.h"

#include <algorithm>

namespace gf::iconlist {

int ColumnCountFor(int clientWidth) {
    const int room = clientWidth - GridMargin;
    if (room < MinColumns * CellSize)
        return MinColumns;
    return room / CellSize;
}

GridSize PictureSizeFor(int clientWidth, int clientHeight, int columnCount, int iconCount) {
    GridSize size;
    size.Width = std::max(columnCount * CellSize + 3, clientWidth - GridMargin);
    const int rows = columnCount > 0 ? (iconCount + columnCount - 1) / columnCount : 0;
    size.Height = std::max(clientHeight - GridMargin, rows * CellSize);
    size.Height = std::max(size.Height, 1);
    size.Width = std::max(size.Width, 1);
    return size;
}

GridPoint CellOrigin(int index, int columnCount) {
    if (index < 0 || columnCount <= 0)
        return {};
    return {(index % columnCount) * CellSize, (index / columnCount) * CellSize};
}

int CellIndexAt(int x, int y, int columnCount, int iconCount) {
    if (x < 0 || y < 0 || columnCount <= 0)
        return -1;
    const int column = x / CellSize;
    if (column >= columnCount)
        return -1;
    const long long index = static_cast<long long>(y / CellSize) * columnCount + column;
    return index < iconCount ? static_cast<int>(index) : -1;
}

GridRect SelectionRectOf(int index, int columnCount) {
    if (index < 0)
        return {};
    const GridPoint o = CellOrigin(index, columnCount);
    return {o.X + 4, o.Y + 4, o.X + 123, o.Y + 123};
}

namespace {

// w x h shrunk proportionally (each side truncated) so that neither exceeds its limit.
void ShrinkToFit(int& w, int& h, int maxWidth, int maxHeight) {
    if (w <= maxWidth && h <= maxHeight)
        return;
    const double scale = std::min(static_cast<double>(maxWidth) / std::max(w, 1),
                                  static_cast<double>(maxHeight) / std::max(h, 1));
    w = static_cast<int>(w * scale);
    h = static_cast<int>(h * scale);
}

}  // namespace

IconPlacement PlaceIconInCell(int width, int height, int captionTop) {
    int w = std::max(width, 0);
    int h = std::max(height, 0);
    ShrinkToFit(w, h, MaxCellIconSide, MaxCellIconSide);
    IconPlacement place{(CellSize - w) / 2, (CellSize - h) / 2, w, h};
    const int room = std::max(0, captionTop - CaptionGap - CellIconMargin);
    if (place.Y + place.Height <= captionTop - CaptionGap)
        return place;
    ShrinkToFit(w, h, MaxCellIconSide, room);
    return {(CellSize - w) / 2, CellIconMargin + (room - h) / 2, w, h};
}

GridRect TextRectInCell(int textWidth, int textHeight) {
    const int tw = std::clamp(textWidth, 0, CellSize - 2);
    return {(CellSize - tw) / 2, 122 - textHeight, (CellSize + tw) / 2, 122};
}

Color FrameColorOf(const std::string& description) {
    const int code = description.empty() ? 0 : static_cast<signed char>(description.front());
    return static_cast<Color>(code * 2533) & 0xFFFFFFu;
}

std::string SelectionStatusText(int index, int iconCount, const std::string& description) {
    return "(" + std::to_string(index + 1) + "/" + std::to_string(iconCount) + ")    " +
           description + "     Right click to save the icon.";
}

}  // namespace gf::iconlist
