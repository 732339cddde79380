#pragma once
// Windows metafiles (WMF), with or without the placeable header, parsed into a list of typed
// drawing commands. Nothing here draws: the metafile painter plays the commands on a canvas.
// Every record is read through the bounds-checked byte reader; record sizes, object table,
// record and point counts and embedded bitmaps are capped, so a hostile file cannot make the
// parser read outside its buffer or allocate without bound.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/color.h"
#include "platform/result.h"

namespace gf::wmf {

// Limits. A picture larger than MaxPictureSide on a side, or with more than MaxPicturePixels
// pixels, is refused; the rest stop the parse (keeping what was read) or skip one record.
inline constexpr int MaxPictureSide = 16384;
inline constexpr std::int64_t MaxPicturePixels = 64ll * 1024 * 1024;
inline constexpr int MaxObjects = 4096;
inline constexpr std::size_t MaxRecords = 1'000'000;
inline constexpr std::size_t MaxTotalPoints = 4'000'000;
inline constexpr std::int64_t MaxDibPixels = 16ll * 1024 * 1024;
inline constexpr std::int64_t MaxTotalDibPixels = 64ll * 1024 * 1024;
// Metafiles are small; a larger file is not one.
inline constexpr std::uint64_t MaxFileBytes = 64ull * 1024 * 1024;

// The screen resolution pictures are measured at.
inline constexpr int PixelsPerInch = 96;
// The logical unit of a metafile whose mapping mode gives it no length of its own.
inline constexpr int TwipsPerInch = 1440;

inline constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;

// Record function numbers.
enum Function : std::uint16_t {
    FnEof = 0x0000,
    FnRealizePalette = 0x0035,
    FnSetPalEntries = 0x0037,
    FnCreatePalette = 0x00F7,
    FnSetBkMode = 0x0102,
    FnSetMapMode = 0x0103,
    FnSetRop2 = 0x0104,
    FnSetRelAbs = 0x0105,
    FnSetPolyFillMode = 0x0106,
    FnSetStretchBltMode = 0x0107,
    FnSetTextCharExtra = 0x0108,
    FnRestoreDc = 0x0127,
    FnSelectClipRegion = 0x012C,
    FnSelectObject = 0x012D,
    FnSetTextAlign = 0x012E,
    FnDibCreatePatternBrush = 0x0142,
    FnSaveDc = 0x001E,
    FnDeleteObject = 0x01F0,
    FnCreatePatternBrush = 0x01F9,
    FnSetBkColor = 0x0201,
    FnSetTextColor = 0x0209,
    FnSetWindowOrg = 0x020B,
    FnSetWindowExt = 0x020C,
    FnSetViewportOrg = 0x020D,
    FnSetViewportExt = 0x020E,
    FnOffsetWindowOrg = 0x020F,
    FnOffsetViewportOrg = 0x0211,
    FnLineTo = 0x0213,
    FnMoveTo = 0x0214,
    FnSelectPalette = 0x0234,
    FnCreatePenIndirect = 0x02FA,
    FnCreateFontIndirect = 0x02FB,
    FnCreateBrushIndirect = 0x02FC,
    FnPolygon = 0x0324,
    FnPolyline = 0x0325,
    FnScaleWindowExt = 0x0410,
    FnScaleViewportExt = 0x0412,
    FnExcludeClipRect = 0x0415,
    FnIntersectClipRect = 0x0416,
    FnEllipse = 0x0418,
    FnRectangle = 0x041B,
    FnSetPixel = 0x041F,
    FnTextOut = 0x0521,
    FnPolyPolygon = 0x0538,
    FnRoundRect = 0x061C,
    FnPatBlt = 0x061D,
    FnCreateRegion = 0x06FF,
    FnArc = 0x0817,
    FnPie = 0x081A,
    FnChord = 0x0830,
    FnBitBlt = 0x0922,
    FnDibBitBlt = 0x0940,
    FnExtTextOut = 0x0A32,
    FnStretchBlt = 0x0B23,
    FnDibStretchBlt = 0x0B41,
    FnSetDibToDev = 0x0D33,
    FnStretchDib = 0x0F43,
};

// Mapping modes.
enum MapMode : int {
    MmText = 1,
    MmLoMetric = 2,
    MmHiMetric = 3,
    MmLoEnglish = 4,
    MmHiEnglish = 5,
    MmTwips = 6,
    MmIsotropic = 7,
    MmAnisotropic = 8,
};

// Logical units to the inch of the physical mapping modes (whose y axis points up); 0 for
// text, isotropic and anisotropic mode.
int UnitsPerInchOfMode(int mode);

// Raster operations the painter knows.
enum RasterOp : std::uint32_t {
    RopBlackness = 0x00000042,
    RopNotSrcErase = 0x001100A6,
    RopNotSrcCopy = 0x00330008,
    RopSrcErase = 0x00440328,
    RopDstInvert = 0x00550009,
    RopPatInvert = 0x005A0049,
    RopSrcInvert = 0x00660046,
    RopSrcAnd = 0x008800C6,
    RopMergePaint = 0x00BB0226,
    RopMergeCopy = 0x00C000CA,
    RopSrcCopy = 0x00CC0020,
    RopSrcPaint = 0x00EE0086,
    RopPatCopy = 0x00F00021,
    RopWhiteness = 0x00FF0062,
};

inline constexpr int TransparentMode = 1;  // SetBkMode
inline constexpr int OpaqueMode = 2;
inline constexpr int AlternateFill = 1;  // SetPolyFillMode
inline constexpr int WindingFill = 2;
inline constexpr int ColorOnColorStretch = 3;  // SetStretchBltMode: pixels replicated or dropped
inline constexpr int HalftoneStretch = 4;      // SetStretchBltMode: pixels averaged

// SetTextAlign flags.
inline constexpr unsigned TaUpdateCp = 0x0001;
inline constexpr unsigned TaRight = 0x0002;
inline constexpr unsigned TaCenter = 0x0006;
inline constexpr unsigned TaBottom = 0x0008;
inline constexpr unsigned TaBaseline = 0x0018;
// ExtTextOut options.
inline constexpr unsigned EtoOpaque = 0x0002;
inline constexpr unsigned EtoClipped = 0x0004;

struct Point {
    int X = 0;
    int Y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Graphics objects.
enum PenStyle : int { PsSolid = 0, PsDash, PsDot, PsDashDot, PsDashDotDot, PsNull, PsInsideFrame };
struct Pen {
    int Style = PsSolid;  // low byte of the style word
    int EndCap = 0;       // 0 round, 1 square, 2 flat
    int Join = 0;         // 0 round, 1 bevel, 2 miter
    int Width = 0;        // logical units; 0 is one device pixel
    Color Colour = Black;
};

enum BrushStyle : int { BsSolid = 0, BsNull = 1, BsHatched = 2, BsPattern = 3, BsDibPattern = 5 };
struct Brush {
    int Style = BsSolid;
    Color Colour = White;
    int Hatch = 0;                          // HS_HORIZONTAL .. HS_DIAGCROSS
    std::shared_ptr<const Bitmap> Pattern;  // BsDibPattern only
};

struct Font {
    int Height = 0;  // logical units; negative = character height, positive = cell height
    int Width = 0;
    int Escapement = 0;  // tenths of a degree, counter-clockwise
    int Weight = 0;      // 0 default, 100..900
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 0;
    std::string FaceName;
};

// An object the painter has no use for (palette, region) still takes a slot of the table.
struct OtherObject {};

using Object = std::variant<Pen, Brush, Font, OtherObject>;

// Commands. Coordinates are logical units of the metafile.
struct SetWindowOrg {
    Point P;
};
struct SetWindowExt {
    Point P;
};
struct SetViewportOrg {
    Point P;
};
struct SetViewportExt {
    Point P;
};
struct OffsetWindowOrg {
    Point P;
};
struct OffsetViewportOrg {
    Point P;
};
struct ScaleWindowExt {
    int XNum = 1, XDenom = 1, YNum = 1, YDenom = 1;
};
struct ScaleViewportExt {
    int XNum = 1, XDenom = 1, YNum = 1, YDenom = 1;
};
struct SetMapModeCmd {
    int Mode = MmText;
};
struct SetPolyFillMode {
    int Mode = AlternateFill;
};
struct SetStretchMode {
    int Mode = 1;  // BLACKONWHITE, the system's default
};
struct SetBkMode {
    int Mode = OpaqueMode;
};
struct SetBkColor {
    Color Colour = White;
};
struct SetTextColor {
    Color Colour = Black;
};
struct SetTextAlign {
    unsigned Align = 0;
};
struct SaveDc {};
// Negative: relative to the top of the saved states (-1 = the last saved); positive: absolute.
struct RestoreDc {
    int Which = -1;
};
// The parser assigns table slots as the system does: the lowest free one.
struct CreateObject {
    int Slot = 0;
    Object Obj;
};
struct SelectObject {
    int Slot = 0;
};
struct DeleteObject {
    int Slot = 0;
};
struct IntersectClipRect {
    Rect R;
};
struct ExcludeClipRect {
    Rect R;
};
struct MoveTo {
    Point P;
};
struct LineTo {
    Point P;
};
struct Polyline {
    std::vector<Point> Points;
};
struct Polygon {
    std::vector<Point> Points;
};
struct PolyPolygon {
    std::vector<std::vector<Point>> Polygons;
};
struct Rectangle {
    Rect R;
};
struct RoundRect {
    Rect R;
    int CornerWidth = 0, CornerHeight = 0;
};
struct Ellipse {
    Rect R;
};
enum class ArcKind { Arc, Pie, Chord };
struct ArcCmd {
    ArcKind Kind = ArcKind::Arc;
    Rect R;
    Point Start, End;
};
struct SetPixel {
    Point P;
    Color Colour = Black;
};
// TextOut and ExtTextOut. Text is the bytes of the string in the font's character set.
struct Text {
    Point P;
    std::string Chars;
    unsigned Options = 0;       // EtoOpaque, EtoClipped
    Rect Box;                   // with EtoOpaque or EtoClipped
    std::vector<int> Advances;  // per character, logical units; empty = the font's own
};
// A rectangle painted with the brush (PatBlt, and the blits without a bitmap).
struct PatBlt {
    Point Dest;
    int Width = 0, Height = 0;
    std::uint32_t Rop = RopPatCopy;
};
// A bitmap drawn (StretchDIBits, DIBStretchBlt, DIBBitBlt). The source rectangle is in the
// bitmap's top-down pixel coordinates.
struct DrawDib {
    Point Dest;
    int DestWidth = 0, DestHeight = 0;
    int SrcX = 0, SrcY = 0, SrcWidth = 0, SrcHeight = 0;
    std::uint32_t Rop = RopSrcCopy;
    std::shared_ptr<const Bitmap> Dib;
};

using Command =
    std::variant<SetWindowOrg, SetWindowExt, SetViewportOrg, SetViewportExt, OffsetWindowOrg,
                 OffsetViewportOrg, ScaleWindowExt, ScaleViewportExt, SetMapModeCmd,
                 SetPolyFillMode, SetStretchMode, SetBkMode, SetBkColor, SetTextColor, SetTextAlign, SaveDc,
                 RestoreDc, CreateObject, SelectObject, DeleteObject, IntersectClipRect,
                 ExcludeClipRect, MoveTo, LineTo, Polyline, Polygon, PolyPolygon, Rectangle,
                 RoundRect, Ellipse, ArcCmd, SetPixel, Text, PatBlt, DrawDib>;

struct Picture {
    bool Placeable = false;
    // The logical rectangle that fills the picture: the placeable bounding box, else the
    // first window origin and extent, else the extent of what is drawn (top-left corner
    // first; in the physical mapping modes the top is the highest y).
    Rect Frame;
    int UnitsPerInch = 0;  // placeable only
    int Width = 0;         // picture size in pixels
    int Height = 0;
    int ObjectCount = 0;  // as the header announces
    std::vector<Command> Commands;
    std::size_t SkippedRecords = 0;  // unknown or malformed records passed over
    bool Truncated = false;          // the records ended early (cut file, bad record size, caps)
};

// Parses a whole metafile. Fails when the bytes are not a metafile or the picture has no usable
// size; a bad record further in ends the list there (Truncated) instead of failing the whole.
Result<Picture> ParseWmf(Bytes data);
Result<Picture> LoadWmfFile(const std::filesystem::path& path);

// Makes a DIB (header, colour table, pixels, as stored in metafile records and packed
// clipboard bitmaps) a bitmap, through the BMP decoder. Refuses DIBs of more than maxPixels.
Result<Bitmap> DecodePackedDib(Bytes dib, std::int64_t maxPixels = MaxDibPixels);

}  // namespace gf::wmf
