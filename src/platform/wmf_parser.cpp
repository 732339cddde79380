#include "platform/wmf_parser.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <limits>
#include <optional>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"

namespace gf::wmf {
namespace {

constexpr std::size_t PlaceableHeaderBytes = 22;
constexpr std::size_t RecordHeaderBytes = 6;  // size in words (u32) and function (u16)

// Reader of a record's parameters: 16-bit words, signed where the format says so.
class Params {
  public:
    explicit Params(Bytes data) : Reader(data) {}
    int I16() { return static_cast<std::int16_t>(Reader.U16()); }
    unsigned U16() { return Reader.U16(); }
    std::uint32_t U32() { return Reader.U32(); }
    std::uint8_t U8() { return Reader.U8(); }
    Color ColorRef() { return Reader.U32() & 0x00FFFFFF; }
    // Y before X: the order most records store a point in.
    Point YX() {
        int y = I16();
        int x = I16();
        return {x, y};
    }
    Point XY() {
        int x = I16();
        int y = I16();
        return {x, y};
    }
    // Bottom, right, top, left: the order rectangles are stored in.
    Rect Brtl() {
        Rect r;
        r.Bottom = I16();
        r.Right = I16();
        r.Top = I16();
        r.Left = I16();
        return r;
    }
    void Skip(std::size_t n) { Reader.Skip(n); }
    bool Ok() const { return Reader.Ok(); }
    std::size_t Position() const { return Reader.Position(); }
    std::size_t Remaining() const { return Reader.Remaining(); }

  private:
    ByteReader Reader;
};

struct DibGeometry {
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // as stored: negative for top-down rows
    std::uint64_t HeaderAndTableBytes = 0;
};

std::optional<DibGeometry> ReadDibGeometry(Bytes dib) {
    auto headerSize = ReadU32(dib, 0);
    if (!headerSize)
        return std::nullopt;
    DibGeometry g;
    if (*headerSize == 12) {
        auto w = ReadU16(dib, 4);
        auto h = ReadU16(dib, 6);
        auto bits = ReadU16(dib, 10);
        if (!w || !h || !bits)
            return std::nullopt;
        g.Width = *w;
        g.Height = *h;
        std::uint64_t entries = *bits <= 8 ? (1ull << *bits) : 0;
        g.HeaderAndTableBytes = 12 + 3 * entries;
        return g;
    }
    if (*headerSize < 40 || *headerSize > 4096)
        return std::nullopt;
    auto w = ReadI32(dib, 4);
    auto h = ReadI32(dib, 8);
    auto bits = ReadU16(dib, 14);
    auto compression = ReadU32(dib, 16);
    auto clrUsed = ReadU32(dib, 32);
    if (!w || !h || !bits || !compression || !clrUsed)
        return std::nullopt;
    g.Width = *w;
    g.Height = *h;
    std::uint64_t entries = *clrUsed;
    if (entries == 0 && *bits <= 8)
        entries = 1ull << *bits;
    std::uint64_t masks = 0;
    if (*headerSize == 40 && *compression == 3)
        masks = 12;
    if (*headerSize == 40 && *compression == 6)
        masks = 16;
    g.HeaderAndTableBytes = *headerSize + masks + 4 * entries;
    return g;
}

bool DibFits(const DibGeometry& g, std::int64_t maxPixels) {
    std::int64_t w = g.Width < 0 ? -g.Width : g.Width;
    std::int64_t h = g.Height < 0 ? -g.Height : g.Height;
    return w > 0 && h > 0 && w <= MaxBitmapSide && h <= MaxBitmapSide && w * h <= maxPixels;
}

// Parses the records after the header.
class RecordParser {
  public:
    RecordParser(Bytes data, Picture& picture) : Data(data), Pic(picture) {}

    void Run(std::size_t offset) {
        std::size_t pos = offset;
        std::size_t count = 0;
        while (true) {
            if (!RangeFits(pos, RecordHeaderBytes, Data.size())) {
                // A file that simply ends without the end record is common enough; anything
                // left over that is too short for a record header means a cut file.
                if (pos < Data.size())
                    Pic.Truncated = true;
                return;
            }
            std::uint32_t words = *ReadU32(Data, pos);
            std::uint16_t function = *ReadU16(Data, pos + 4);
            if (function == FnEof)
                return;
            std::uint64_t bytes = static_cast<std::uint64_t>(words) * 2;
            if (words < 3 || !RangeFits(pos, bytes, Data.size())) {
                Pic.Truncated = true;
                return;
            }
            if (++count > MaxRecords || TotalPoints > MaxTotalPoints) {
                Pic.Truncated = true;
                return;
            }
            Bytes params = Data.subspan(pos + RecordHeaderBytes,
                                        static_cast<std::size_t>(bytes) - RecordHeaderBytes);
            if (!ParseRecord(function, words, params))
                ++Pic.SkippedRecords;
            pos += static_cast<std::size_t>(bytes);
        }
    }

  private:
    template <class T>
    bool Emit(Params& p, T command) {
        if (!p.Ok())
            return false;
        Pic.Commands.emplace_back(std::move(command));
        return true;
    }

    // False when the record is unknown or malformed; it is then passed over.
    bool ParseRecord(std::uint16_t function, std::uint32_t words, Bytes params) {
        Params p(params);
        switch (function) {
            case FnSetWindowOrg:
                return Emit(p, SetWindowOrg{p.YX()});
            case FnSetWindowExt:
                return Emit(p, SetWindowExt{p.YX()});
            case FnSetViewportOrg:
                return Emit(p, SetViewportOrg{p.YX()});
            case FnSetViewportExt:
                return Emit(p, SetViewportExt{p.YX()});
            case FnOffsetWindowOrg:
                return Emit(p, OffsetWindowOrg{p.YX()});
            case FnOffsetViewportOrg:
                return Emit(p, OffsetViewportOrg{p.YX()});
            case FnScaleWindowExt: {
                ScaleWindowExt s;
                s.YDenom = p.I16();
                s.YNum = p.I16();
                s.XDenom = p.I16();
                s.XNum = p.I16();
                return Emit(p, s);
            }
            case FnScaleViewportExt: {
                ScaleViewportExt s;
                s.YDenom = p.I16();
                s.YNum = p.I16();
                s.XDenom = p.I16();
                s.XNum = p.I16();
                return Emit(p, s);
            }
            case FnSetMapMode:
                return Emit(p, SetMapModeCmd{static_cast<int>(p.U16())});
            case FnSetPolyFillMode:
                return Emit(p, SetPolyFillMode{static_cast<int>(p.U16())});
            case FnSetStretchBltMode:
                return Emit(p, SetStretchMode{static_cast<int>(p.U16())});
            case FnSetBkMode:
                return Emit(p, SetBkMode{static_cast<int>(p.U16())});
            case FnSetBkColor:
                return Emit(p, SetBkColor{p.ColorRef()});
            case FnSetTextColor:
                return Emit(p, SetTextColor{p.ColorRef()});
            case FnSetTextAlign:
                return Emit(p, SetTextAlign{p.U16()});
            case FnSaveDc:
                return Emit(p, SaveDc{});
            case FnRestoreDc:
                return Emit(p, RestoreDc{p.I16()});
            case FnCreatePenIndirect:
                return ParsePen(p);
            case FnCreateBrushIndirect:
                return ParseBrush(p);
            case FnCreateFontIndirect:
                return ParseFont(p);
            case FnDibCreatePatternBrush:
                return ParsePatternBrush(p, params);
            case FnCreatePalette:
            case FnCreatePatternBrush:
            case FnCreateRegion:
                return AddObject(OtherObject{});
            case FnSelectObject:
                return Emit(p, SelectObject{static_cast<int>(p.U16())});
            case FnDeleteObject: {
                int slot = static_cast<int>(p.U16());
                if (!p.Ok())
                    return false;
                if (slot < static_cast<int>(SlotUsed.size()))
                    SlotUsed[slot] = false;
                return Emit(p, DeleteObject{slot});
            }
            case FnIntersectClipRect:
                return Emit(p, IntersectClipRect{p.Brtl()});
            case FnExcludeClipRect:
                return Emit(p, ExcludeClipRect{p.Brtl()});
            case FnMoveTo:
                return Emit(p, MoveTo{p.YX()});
            case FnLineTo:
                return Emit(p, LineTo{p.YX()});
            case FnPolyline: {
                auto points = ReadPoints(p, p.U16());
                if (!points)
                    return false;
                return Emit(p, Polyline{std::move(*points)});
            }
            case FnPolygon: {
                auto points = ReadPoints(p, p.U16());
                if (!points)
                    return false;
                return Emit(p, Polygon{std::move(*points)});
            }
            case FnPolyPolygon:
                return ParsePolyPolygon(p);
            case FnRectangle:
                return Emit(p, Rectangle{p.Brtl()});
            case FnEllipse:
                return Emit(p, Ellipse{p.Brtl()});
            case FnRoundRect: {
                RoundRect r;
                r.CornerHeight = p.I16();
                r.CornerWidth = p.I16();
                r.R = p.Brtl();
                return Emit(p, r);
            }
            case FnArc:
                return ParseArc(p, ArcKind::Arc);
            case FnPie:
                return ParseArc(p, ArcKind::Pie);
            case FnChord:
                return ParseArc(p, ArcKind::Chord);
            case FnSetPixel: {
                SetPixel s;
                s.Colour = p.ColorRef();
                s.P = p.YX();
                return Emit(p, s);
            }
            case FnTextOut:
                return ParseTextOut(p);
            case FnExtTextOut:
                return ParseExtTextOut(p);
            case FnPatBlt: {
                PatBlt b;
                b.Rop = p.U32();
                b.Height = p.I16();
                b.Width = p.I16();
                b.Dest = p.YX();
                return Emit(p, b);
            }
            case FnDibBitBlt:
                return ParseDibBitBlt(p, words, params);
            case FnDibStretchBlt:
                return ParseDibStretchBlt(p, words, params);
            case FnStretchDib:
                return ParseStretchDib(p, params);
            default:
                return false;
        }
    }

    bool AddObject(Object object) {
        auto free = std::find(SlotUsed.begin(), SlotUsed.end(), false);
        int slot = static_cast<int>(free - SlotUsed.begin());
        if (free == SlotUsed.end()) {
            if (SlotUsed.size() >= static_cast<std::size_t>(MaxObjects))
                return false;
            SlotUsed.push_back(true);
        } else {
            *free = true;
        }
        Pic.Commands.emplace_back(CreateObject{slot, std::move(object)});
        return true;
    }

    bool ParsePen(Params& p) {
        Pen pen;
        unsigned style = p.U16();
        pen.Width = p.I16();
        p.I16();  // the height of the width point is unused
        pen.Colour = p.ColorRef();
        if (!p.Ok())
            return false;
        pen.Style = static_cast<int>(style & 0x0F);
        pen.EndCap = static_cast<int>((style >> 8) & 0x0F);
        pen.Join = static_cast<int>((style >> 12) & 0x0F);
        if (pen.Width < 0)
            pen.Width = -pen.Width;
        return AddObject(pen);
    }

    bool ParseBrush(Params& p) {
        Brush brush;
        brush.Style = static_cast<int>(p.U16());
        brush.Colour = p.ColorRef();
        brush.Hatch = static_cast<int>(p.U16());
        if (!p.Ok())
            return false;
        return AddObject(brush);
    }

    bool ParseFont(Params& p) {
        Font font;
        font.Height = p.I16();
        font.Width = p.I16();
        font.Escapement = p.I16();
        p.I16();  // orientation: the system uses the escapement for both
        font.Weight = p.I16();
        font.Italic = p.U8() != 0;
        font.Underline = p.U8() != 0;
        font.StrikeOut = p.U8() != 0;
        font.CharSet = p.U8();
        p.Skip(4);  // precisions, quality, pitch and family
        if (!p.Ok())
            return false;
        // The face name: up to 32 bytes, ended by a zero or by the record.
        for (int i = 0; i < 32 && p.Remaining() > 0; ++i) {
            char c = static_cast<char>(p.U8());
            if (c == '\0')
                break;
            font.FaceName.push_back(c);
        }
        return AddObject(font);
    }

    bool ParsePatternBrush(Params& p, Bytes params) {
        p.U16();  // style: the pattern is a DIB either way
        unsigned colorUsage = p.U16();
        if (!p.Ok())
            return false;
        Brush brush;
        brush.Style = BsDibPattern;
        if (colorUsage == 0) {
            if (auto dib = TakeDib(params.subspan(p.Position()), MaxDibPixels)) {
                brush.Pattern = std::make_shared<const Bitmap>(std::move(*dib));
            }
        }
        // A pattern that cannot be read still takes its slot, so later indices stay right.
        if (!brush.Pattern)
            return AddObject(OtherObject{});
        return AddObject(std::move(brush));
    }

    std::optional<std::vector<Point>> ReadPoints(Params& p, std::size_t count) {
        if (!p.Ok() || count * 4 > p.Remaining())
            return std::nullopt;
        std::vector<Point> points;
        points.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            points.push_back(p.XY());
        if (!p.Ok())
            return std::nullopt;
        TotalPoints += count;
        return points;
    }

    bool ParsePolyPolygon(Params& p) {
        std::size_t polygons = p.U16();
        if (!p.Ok() || polygons * 2 > p.Remaining())
            return false;
        std::vector<std::size_t> counts(polygons);
        std::size_t total = 0;
        for (auto& c : counts) {
            c = p.U16();
            total += c;
        }
        if (!p.Ok() || total * 4 > p.Remaining())
            return false;
        PolyPolygon pp;
        pp.Polygons.reserve(polygons);
        for (std::size_t c : counts) {
            auto points = ReadPoints(p, c);
            if (!points)
                return false;
            pp.Polygons.push_back(std::move(*points));
        }
        return Emit(p, std::move(pp));
    }

    bool ParseArc(Params& p, ArcKind kind) {
        ArcCmd a;
        a.Kind = kind;
        a.End = p.YX();
        a.Start = p.YX();
        a.R = p.Brtl();
        return Emit(p, a);
    }

    bool ParseTextOut(Params& p) {
        std::size_t length = p.U16();
        if (!p.Ok() || length > p.Remaining())
            return false;
        Text t;
        t.Chars = ReadString(p, length);
        p.Skip(length % 2);
        t.P = p.YX();
        return Emit(p, std::move(t));
    }

    bool ParseExtTextOut(Params& p) {
        Text t;
        t.P = p.YX();
        int length = p.I16();
        t.Options = p.U16();
        if (!p.Ok() || length < 0)
            return false;
        if (t.Options & (EtoOpaque | EtoClipped)) {
            t.Box.Left = p.I16();
            t.Box.Top = p.I16();
            t.Box.Right = p.I16();
            t.Box.Bottom = p.I16();
        }
        if (!p.Ok() || static_cast<std::size_t>(length) > p.Remaining())
            return false;
        t.Chars = ReadString(p, static_cast<std::size_t>(length));
        p.Skip(static_cast<std::size_t>(length) % 2);
        // Advances are optional; when present there is one per character.
        if (p.Ok() && p.Remaining() >= static_cast<std::size_t>(length) * 2) {
            t.Advances.reserve(static_cast<std::size_t>(length));
            for (int i = 0; i < length; ++i)
                t.Advances.push_back(p.I16());
        }
        return Emit(p, std::move(t));
    }

    static std::string ReadString(Params& p, std::size_t length) {
        std::string s;
        s.reserve(length);
        for (std::size_t i = 0; i < length; ++i)
            s.push_back(static_cast<char>(p.U8()));
        return s;
    }

    // A blit record carries a bitmap unless its size is that of the form without one.
    static bool HasBitmap(std::uint16_t function, std::uint32_t words) {
        return words != static_cast<std::uint32_t>((function >> 8) + 3);
    }

    std::optional<Bitmap> TakeDib(Bytes dib, std::int64_t maxPixels) {
        auto g = ReadDibGeometry(dib);
        if (!g || !DibFits(*g, maxPixels))
            return std::nullopt;
        std::int64_t pixels = std::abs(g->Width) * std::abs(g->Height);
        if (TotalDibPixels + pixels > MaxTotalDibPixels)
            return std::nullopt;
        auto bitmap = DecodePackedDib(dib, maxPixels);
        if (!bitmap)
            return std::nullopt;
        TotalDibPixels += pixels;
        return std::move(bitmap).Value();
    }

    bool EmitDib(Params& p, DrawDib d, Bytes dib, bool sourceFromBottom) {
        if (!p.Ok())
            return false;
        auto g = ReadDibGeometry(dib);
        auto bitmap = TakeDib(dib, MaxDibPixels);
        if (!g || !bitmap)
            return false;
        // Source rows of StretchDIBits count from the bottom of a bottom-up DIB.
        if (sourceFromBottom && g->Height > 0) {
            d.SrcY = static_cast<int>(bitmap->Height()) - d.SrcY - d.SrcHeight;
        }
        d.Dib = std::make_shared<const Bitmap>(std::move(*bitmap));
        Pic.Commands.emplace_back(std::move(d));
        return true;
    }

    bool ParseDibBitBlt(Params& p, std::uint32_t words, Bytes params) {
        std::uint32_t rop = p.U32();
        int ySrc = p.I16();
        int xSrc = p.I16();
        if (!HasBitmap(FnDibBitBlt, words)) {
            p.U16();  // reserved
            PatBlt b;
            b.Rop = rop;
            b.Height = p.I16();
            b.Width = p.I16();
            b.Dest = p.YX();
            return Emit(p, b);
        }
        DrawDib d;
        d.Rop = rop;
        d.SrcX = xSrc;
        d.SrcY = ySrc;
        d.SrcHeight = d.DestHeight = p.I16();
        d.SrcWidth = d.DestWidth = p.I16();
        d.Dest = p.YX();
        return EmitDib(p, std::move(d), params.subspan(std::min(p.Position(), params.size())),
                       false);
    }

    bool ParseDibStretchBlt(Params& p, std::uint32_t words, Bytes params) {
        DrawDib d;
        d.Rop = p.U32();
        d.SrcHeight = p.I16();
        d.SrcWidth = p.I16();
        d.SrcY = p.I16();
        d.SrcX = p.I16();
        if (!HasBitmap(FnDibStretchBlt, words)) {
            p.U16();  // reserved
            PatBlt b;
            b.Rop = d.Rop;
            b.Height = p.I16();
            b.Width = p.I16();
            b.Dest = p.YX();
            return Emit(p, b);
        }
        d.DestHeight = p.I16();
        d.DestWidth = p.I16();
        d.Dest = p.YX();
        return EmitDib(p, std::move(d), params.subspan(std::min(p.Position(), params.size())),
                       false);
    }

    bool ParseStretchDib(Params& p, Bytes params) {
        DrawDib d;
        d.Rop = p.U32();
        unsigned colorUsage = p.U16();
        d.SrcHeight = p.I16();
        d.SrcWidth = p.I16();
        d.SrcY = p.I16();
        d.SrcX = p.I16();
        d.DestHeight = p.I16();
        d.DestWidth = p.I16();
        d.Dest = p.YX();
        // Colour tables of palette indices need the palette of the device that made the file.
        if (!p.Ok() || colorUsage != 0)
            return false;
        return EmitDib(p, std::move(d), params.subspan(std::min(p.Position(), params.size())),
                       true);
    }

    Bytes Data;
    Picture& Pic;
    std::vector<bool> SlotUsed;
    std::size_t TotalPoints = 0;
    std::int64_t TotalDibPixels = 0;
};

// Extent of everything drawn, for plain metafiles that state no window.
struct Bounds {
    bool Any = false;
    int MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    void Add(Point p) {
        if (!Any) {
            MinX = MaxX = p.X;
            MinY = MaxY = p.Y;
            Any = true;
            return;
        }
        MinX = std::min(MinX, p.X);
        MaxX = std::max(MaxX, p.X);
        MinY = std::min(MinY, p.Y);
        MaxY = std::max(MaxY, p.Y);
    }
    void Add(const Rect& r) {
        Add(Point{r.Left, r.Top});
        Add(Point{r.Right, r.Bottom});
    }
    void Add(const std::vector<Point>& points) {
        for (const auto& p : points)
            Add(p);
    }
};

Bounds DrawingBounds(const std::vector<Command>& commands) {
    Bounds b;
    for (const auto& c : commands) {
        if (auto* m = std::get_if<MoveTo>(&c))
            b.Add(m->P);
        if (auto* l = std::get_if<LineTo>(&c))
            b.Add(l->P);
        if (auto* pl = std::get_if<Polyline>(&c))
            b.Add(pl->Points);
        if (auto* pg = std::get_if<Polygon>(&c))
            b.Add(pg->Points);
        if (auto* pp = std::get_if<PolyPolygon>(&c)) {
            for (const auto& poly : pp->Polygons)
                b.Add(poly);
        }
        if (auto* r = std::get_if<Rectangle>(&c))
            b.Add(r->R);
        if (auto* rr = std::get_if<RoundRect>(&c))
            b.Add(rr->R);
        if (auto* e = std::get_if<Ellipse>(&c))
            b.Add(e->R);
        if (auto* a = std::get_if<ArcCmd>(&c))
            b.Add(a->R);
        if (auto* s = std::get_if<SetPixel>(&c))
            b.Add(s->P);
        if (auto* t = std::get_if<Text>(&c))
            b.Add(t->P);
        if (auto* pb = std::get_if<PatBlt>(&c)) {
            b.Add(pb->Dest);
            b.Add(Point{pb->Dest.X + pb->Width, pb->Dest.Y + pb->Height});
        }
        if (auto* d = std::get_if<DrawDib>(&c)) {
            b.Add(d->Dest);
            b.Add(Point{d->Dest.X + d->DestWidth, d->Dest.Y + d->DestHeight});
        }
    }
    return b;
}

// Pixels at the screen resolution for `extent` units of which `unitsPerInch` make an inch,
// rounded, and never below one.
int ExtentInPixels(std::int64_t extent, int unitsPerInch) {
    extent = std::abs(extent);
    return static_cast<int>(std::clamp<std::int64_t>(
        (extent * PixelsPerInch + unitsPerInch / 2) / unitsPerInch, 1,
        std::numeric_limits<int>::max()));
}

// The picture frame and size of a metafile without the placeable header, as other renderers
// take them. The logical units of the physical mapping modes have their own length, and the
// frame is what is drawn (y grows upwards there, so its top is the highest point). In text
// mode a unit is a pixel. Otherwise the frame is the file's own window, or what is drawn, and a
// logical unit is a twip (1440 to the inch), unless the file asks for a viewport, whose
// extent is then the picture's size in pixels.
void DerivePlainFrame(Picture& pic) {
    std::optional<int> mode;
    std::optional<Point> org, ext, viewportExt;
    for (const auto& c : pic.Commands) {
        if (auto* m = std::get_if<SetMapModeCmd>(&c); m && !mode)
            mode = m->Mode;
        if (auto* o = std::get_if<SetWindowOrg>(&c); o && !org)
            org = o->P;
        if (auto* e = std::get_if<SetWindowExt>(&c); e && !ext && e->P.X != 0 && e->P.Y != 0) {
            ext = e->P;
        }
        if (auto* v = std::get_if<SetViewportExt>(&c);
            v && !viewportExt && v->P.X != 0 && v->P.Y != 0) {
            viewportExt = v->P;
        }
    }
    const int physicalUnits = mode ? UnitsPerInchOfMode(*mode) : 0;
    if (physicalUnits > 0) {
        Bounds b = DrawingBounds(pic.Commands);
        if (!b.Any)
            return;
        pic.Frame = {b.MinX, b.MaxY, b.MaxX, b.MinY};
        pic.Width = ExtentInPixels(std::int64_t{b.MaxX} - b.MinX, physicalUnits);
        pic.Height = ExtentInPixels(std::int64_t{b.MaxY} - b.MinY, physicalUnits);
        return;
    }
    const bool textMode = mode == MmText;
    if (ext) {
        Point o = org.value_or(Point{});
        pic.Frame = {o.X, o.Y, o.X + ext->X, o.Y + ext->Y};
    } else if (viewportExt && !textMode) {
        Point o = org.value_or(Point{});
        pic.Frame = {o.X, o.Y, o.X + viewportExt->X, o.Y + viewportExt->Y};
    } else {
        Bounds b = DrawingBounds(pic.Commands);
        if (!b.Any)
            return;
        pic.Frame = {std::min(b.MinX, 0), std::min(b.MinY, 0), b.MaxX, b.MaxY};
    }
    const std::int64_t w = std::int64_t{pic.Frame.Right} - pic.Frame.Left;
    const std::int64_t h = std::int64_t{pic.Frame.Bottom} - pic.Frame.Top;
    if (w == 0 || h == 0)
        return;
    if (viewportExt && !textMode) {
        pic.Width = std::abs(viewportExt->X);
        pic.Height = std::abs(viewportExt->Y);
    } else {
        const int unitsPerInch = textMode ? PixelsPerInch : TwipsPerInch;
        pic.Width = ExtentInPixels(w, unitsPerInch);
        pic.Height = ExtentInPixels(h, unitsPerInch);
    }
}

}  // namespace

int UnitsPerInchOfMode(int mode) {
    switch (mode) {
        case MmLoMetric:
            return 254;
        case MmHiMetric:
            return 2540;
        case MmLoEnglish:
            return 100;
        case MmHiEnglish:
            return 1000;
        case MmTwips:
            return TwipsPerInch;
        default:
            return 0;
    }
}

Result<Bitmap> DecodePackedDib(Bytes dib, std::int64_t maxPixels) {
    auto g = ReadDibGeometry(dib);
    if (!g)
        return Error{"The embedded bitmap has no valid header."};
    if (!DibFits(*g, maxPixels))
        return Error{"The embedded bitmap is empty or too large."};
    // The BMP decoder reads files: put the 14-byte file header in front of the DIB.
    std::vector<std::uint8_t> file;
    file.reserve(14 + dib.size());
    PutU8(file, 'B');
    PutU8(file, 'M');
    PutU32(file, static_cast<std::uint32_t>(std::min<std::uint64_t>(
                     14 + dib.size(), std::numeric_limits<std::uint32_t>::max())));
    PutU32(file, 0);
    PutU32(file, static_cast<std::uint32_t>(std::min<std::uint64_t>(
                     14 + g->HeaderAndTableBytes, std::numeric_limits<std::uint32_t>::max())));
    file.insert(file.end(), dib.begin(), dib.end());
    try {
        return DecodeBmp(file);
    } catch (const std::exception& e) {
        return Error{std::string("The embedded bitmap cannot be read: ") + e.what()};
    }
}

Result<Picture> ParseWmf(Bytes data) {
    Picture pic;
    std::size_t offset = 0;
    auto key = ReadU32(data, 0);
    if (key && *key == PlaceableKey) {
        if (data.size() < PlaceableHeaderBytes)
            return Error{"The metafile header is cut short."};
        pic.Placeable = true;
        auto i16 = [&](std::size_t at) { return static_cast<std::int16_t>(*ReadU16(data, at)); };
        pic.Frame = {i16(6), i16(8), i16(10), i16(12)};
        pic.UnitsPerInch = *ReadU16(data, 14);
        offset = PlaceableHeaderBytes;
    }
    // The standard header: type (1 memory, 2 disk), header size in words (9), version.
    auto type = ReadU16(data, offset);
    auto headerWords = ReadU16(data, offset + 2);
    auto objects = ReadU16(data, offset + 10);
    if (!type || !headerWords || !objects)
        return Error{"The file is too short to be a metafile."};
    if ((*type != 1 && *type != 2) || *headerWords != 9) {
        return Error{"The file is not a Windows metafile."};
    }
    pic.ObjectCount = *objects;
    RecordParser(data, pic).Run(offset + 2 * std::size_t{*headerWords});

    if (pic.Placeable) {
        if (pic.UnitsPerInch == 0)
            return Error{"The metafile states no units per inch."};
        std::int64_t w = std::abs(static_cast<std::int64_t>(pic.Frame.Right) - pic.Frame.Left);
        std::int64_t h = std::abs(static_cast<std::int64_t>(pic.Frame.Bottom) - pic.Frame.Top);
        if (w == 0 || h == 0)
            return Error{"The metafile's picture is empty."};
        // Rounded to the nearest pixel, and never below one.
        pic.Width = static_cast<int>(std::max<std::int64_t>(
            1, (w * PixelsPerInch + pic.UnitsPerInch / 2) / pic.UnitsPerInch));
        pic.Height = static_cast<int>(std::max<std::int64_t>(
            1, (h * PixelsPerInch + pic.UnitsPerInch / 2) / pic.UnitsPerInch));
    } else {
        DerivePlainFrame(pic);
        if (pic.Width <= 0 || pic.Height <= 0) {
            return Error{"The metafile states no picture size and draws nothing."};
        }
    }
    if (pic.Width > MaxPictureSide || pic.Height > MaxPictureSide ||
        static_cast<std::int64_t>(pic.Width) * pic.Height > MaxPicturePixels) {
        // The wording of every picture format, with the metafile player's own limits.
        return Error{"The metafile's picture is " + std::to_string(pic.Width) + " x " +
                     std::to_string(pic.Height) +
                     " pixels; the largest picture this program draws from a metafile is " +
                     std::to_string(MaxPictureSide) + " pixels a side and " +
                     std::to_string(MaxPicturePixels) + " pixels in all."};
    }
    return pic;
}

Result<Picture> LoadWmfFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path, MaxFileBytes);
    if (!bytes)
        return bytes.GetError();
    return ParseWmf(*bytes);
}

}  // namespace gf::wmf
