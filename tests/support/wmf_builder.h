#pragma once
// Builds Windows metafiles in memory for tests: records are appended one by one, and Build()
// adds the standard header (and the placeable header when asked for) and the end record.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/bitmap.h"
#include "platform/color.h"

namespace gf::test {

class WmfBuilder {
  public:
    // Adds the 22-byte placeable header with this bounding box and units per inch.
    WmfBuilder& Placeable(int left, int top, int right, int bottom, int unitsPerInch);
    // Announced size of the object table (the header's count); by default the number of
    // objects created.
    WmfBuilder& ObjectCount(int count);

    // Any record: function and parameter words as they are stored.
    WmfBuilder& Record(std::uint16_t function, const std::vector<std::uint16_t>& words);
    // Any record with parameter bytes (padded to a whole word).
    WmfBuilder& RecordBytes(std::uint16_t function, const std::vector<std::uint8_t>& bytes);
    // Raw bytes appended as they are (for malformed files).
    WmfBuilder& Raw(const std::vector<std::uint8_t>& bytes);

    WmfBuilder& SetWindowOrg(int x, int y);
    WmfBuilder& SetWindowExt(int x, int y);
    WmfBuilder& SetViewportOrg(int x, int y);
    WmfBuilder& SetViewportExt(int x, int y);
    WmfBuilder& SetMapMode(int mode);
    WmfBuilder& SetBkMode(int mode);
    WmfBuilder& SetBkColor(Color c);
    WmfBuilder& SetTextColor(Color c);
    WmfBuilder& SetTextAlign(unsigned align);
    WmfBuilder& SetPolyFillMode(int mode);
    // 3 COLORONCOLOR (replicate), 4 HALFTONE (smooth).
    WmfBuilder& SetStretchBltMode(int mode);
    WmfBuilder& SaveDc();
    WmfBuilder& RestoreDc(int which);

    WmfBuilder& CreatePen(int style, int width, Color c);
    WmfBuilder& CreateBrush(int style, Color c, int hatch = 0);
    WmfBuilder& CreateFont(int height, const std::string& face, int weight = 400,
                           int escapement = 0);
    // A brush that tiles the bitmap (stored as a DIB with its own colours).
    WmfBuilder& CreateDibPatternBrush(const Bitmap& pattern);
    WmfBuilder& CreatePalette();
    WmfBuilder& SelectObject(int slot);
    WmfBuilder& DeleteObject(int slot);

    WmfBuilder& IntersectClipRect(int left, int top, int right, int bottom);
    WmfBuilder& ExcludeClipRect(int left, int top, int right, int bottom);
    WmfBuilder& MoveTo(int x, int y);
    WmfBuilder& LineTo(int x, int y);
    WmfBuilder& Rectangle(int left, int top, int right, int bottom);
    WmfBuilder& RoundRect(int left, int top, int right, int bottom, int cornerW, int cornerH);
    WmfBuilder& Ellipse(int left, int top, int right, int bottom);
    // function: 0x0817 arc, 0x081A pie, 0x0830 chord.
    WmfBuilder& ArcLike(std::uint16_t function, int left, int top, int right, int bottom,
                        int xStart, int yStart, int xEnd, int yEnd);
    WmfBuilder& Polygon(const std::vector<std::pair<int, int>>& points);
    WmfBuilder& Polyline(const std::vector<std::pair<int, int>>& points);
    WmfBuilder& PolyPolygon(const std::vector<std::vector<std::pair<int, int>>>& polygons);
    WmfBuilder& SetPixel(int x, int y, Color c);
    WmfBuilder& TextOut(int x, int y, const std::string& text);
    WmfBuilder& ExtTextOut(int x, int y, unsigned options, int left, int top, int right, int bottom,
                           const std::string& text, const std::vector<int>& advances = {});
    WmfBuilder& PatBlt(int x, int y, int w, int h, std::uint32_t rop);

    // The bitmap records; the bitmap is stored as a bottom-up DIB.
    WmfBuilder& StretchDib(const Bitmap& dib, int xDest, int yDest, int wDest, int hDest, int xSrc,
                           int ySrc, int wSrc, int hSrc, std::uint32_t rop = 0x00CC0020);
    WmfBuilder& DibStretchBlt(const Bitmap& dib, int xDest, int yDest, int wDest, int hDest,
                              int xSrc, int ySrc, int wSrc, int hSrc,
                              std::uint32_t rop = 0x00CC0020);
    WmfBuilder& DibBitBlt(const Bitmap& dib, int xDest, int yDest, int w, int h, int xSrc, int ySrc,
                          std::uint32_t rop = 0x00CC0020);

    // The whole file; `withEof` false leaves the end record out.
    std::vector<std::uint8_t> Build(bool withEof = true) const;

  private:
    bool HasPlaceable = false;
    int Bounds[5] = {};
    int Objects = -1;
    int Created = 0;
    std::vector<std::uint8_t> Records;
    std::uint32_t MaxRecordWords = 0;
};

// The DIB of a bitmap as metafile records store it: the BMP file without its 14-byte header.
std::vector<std::uint8_t> PackedDib(const Bitmap& bitmap);

}  // namespace gf::test
