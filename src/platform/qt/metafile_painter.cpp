#include "platform/qt/metafile_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include "platform/bmp_codec.h"
#include "platform/qt/qimage_bridge.h"

namespace gf {
namespace {

using namespace gf::wmf;

QColor ToQColor(Color c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// The state a device context keeps and SaveDC / RestoreDC save and restore.
struct DcState {
    int MapMode = MmAnisotropic;
    QPointF WindowOrg{0, 0};
    QPointF WindowExt{1, 1};
    QPointF ViewportOrg{0, 0};
    QPointF ViewportExt{1, 1};
    Pen CurrentPen;      // one-pixel black
    Brush CurrentBrush;  // white
    Font CurrentFont;
    Color TextColour = Black;
    Color BkColour = White;
    int BkMode = OpaqueMode;
    int FillMode = AlternateFill;
    int StretchMode = 1;  // BLACKONWHITE
    unsigned TextAlign = 0;
    QPointF Position{0, 0};  // logical
    bool HasClip = false;
    QRegion Clip;  // device pixels
};

// Device pixels per logical unit of the fixed mapping modes, at the screen resolution.
double FixedModeScale(int mode) {
    const int unitsPerInch = UnitsPerInchOfMode(mode);
    return unitsPerInch > 0 ? static_cast<double>(PixelsPerInch) / unitsPerInch : 1.0;
}

class Player {
  public:
    Player(QPainter& painter, const Picture& picture, const QRect& target)
        : P(painter), Pic(picture), Target(target) {
        State.WindowOrg = QPointF(picture.Frame.Left, picture.Frame.Top);
        QPointF ext(picture.Frame.Right - picture.Frame.Left,
                    picture.Frame.Bottom - picture.Frame.Top);
        if (ext.x() != 0 && ext.y() != 0)
            State.WindowExt = ext;
        State.ViewportOrg = QPointF(target.left(), target.top());
        State.ViewportExt = QPointF(target.width(), target.height());
        // Real pictures repaint their area a few times over; a file that asks for thousands of
        // full repaints is stopped instead of freezing the program.
        double area = std::max(1.0, static_cast<double>(target.width()) * target.height());
        Budget = std::clamp(area * 256.0, 64.0 * 1024 * 1024, 1024.0 * 1024 * 1024);
    }

    void Run() {
        P.save();
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setRenderHint(QPainter::TextAntialiasing, true);
        P.setClipRect(Target);
        for (const auto& command : Pic.Commands) {
            std::visit([this](const auto& c) { Do(c); }, command);
            if (Spent > Budget)
                break;
        }
        P.restore();
    }

  private:
    // Mapping.
    QTransform LogicalToDevice() const {
        const DcState& s = State;
        double sx = 1.0, sy = 1.0;
        switch (s.MapMode) {
            case MmText:
                break;
            case MmIsotropic:
            case MmAnisotropic: {
                if (s.WindowExt.x() == 0 || s.WindowExt.y() == 0)
                    break;
                sx = s.ViewportExt.x() / s.WindowExt.x();
                sy = s.ViewportExt.y() / s.WindowExt.y();
                if (s.MapMode == MmIsotropic) {
                    // One unit is as long across as down: the smaller scale wins.
                    double m = std::min(std::abs(sx), std::abs(sy));
                    sx = std::copysign(m, sx);
                    sy = std::copysign(m, sy);
                }
                break;
            }
            default: {
                double f = FixedModeScale(s.MapMode);
                sx = f;
                sy = -f;
            }
        }
        // device = (logical - window origin) * scale + viewport origin
        return QTransform(sx, 0, 0, sy, s.ViewportOrg.x() - s.WindowOrg.x() * sx,
                          s.ViewportOrg.y() - s.WindowOrg.y() * sy);
    }

    static QPointF Pt(const wmf::Point& p) { return QPointF(p.X, p.Y); }
    static QRectF LogicalRect(const wmf::Rect& r) {
        return QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom)).normalized();
    }
    QRectF DeviceRect(const QRectF& logical) const { return LogicalToDevice().mapRect(logical); }

    // Charges the painted area against the budget.
    void Spend(const QRectF& device) {
        QRectF r = device.intersected(QRectF(Target));
        Spent += r.width() * r.height() + 1;
    }

    // Drawing tools.
    QPen MakePen() const {
        const Pen& pen = State.CurrentPen;
        if (pen.Style == PsNull)
            return QPen(Qt::NoPen);
        QPen q(ToQColor(pen.Colour));
        if (pen.Width <= 1 && pen.Style != PsInsideFrame) {
            switch (pen.Style) {
                case PsDash:
                    q.setStyle(Qt::DashLine);
                    break;
                case PsDot:
                    q.setStyle(Qt::DotLine);
                    break;
                case PsDashDot:
                    q.setStyle(Qt::DashDotLine);
                    break;
                case PsDashDotDot:
                    q.setStyle(Qt::DashDotDotLine);
                    break;
                default:
                    break;
            }
        }
        if (pen.Width == 0) {
            q.setWidth(0);
            q.setCosmetic(true);
        } else {
            q.setWidthF(pen.Width);
        }
        q.setCapStyle(pen.EndCap == 1   ? Qt::SquareCap
                      : pen.EndCap == 2 ? Qt::FlatCap
                                        : Qt::RoundCap);
        q.setJoinStyle(pen.Join == 1   ? Qt::BevelJoin
                       : pen.Join == 2 ? Qt::MiterJoin
                                       : Qt::RoundJoin);
        return q;
    }

    QBrush MakeBrush() const {
        const Brush& b = State.CurrentBrush;
        switch (b.Style) {
            case BsSolid:
                return QBrush(ToQColor(b.Colour));
            case BsHatched: {
                static constexpr Qt::BrushStyle Hatches[] = {
                    Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                    Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
                int h = (b.Hatch >= 0 && b.Hatch < 6) ? b.Hatch : 0;
                return QBrush(ToQColor(b.Colour), Hatches[h]);
            }
            case BsDibPattern: {
                if (!b.Pattern)
                    return QBrush(Qt::NoBrush);
                // A pattern tiles in device pixels from the picture's corner, whatever the
                // mapping: the brush undoes the painter's transform.
                QBrush brush(ToQImage(*b.Pattern, AlphaUse::Ignore));
                brush.setTransform(QTransform::fromTranslate(Target.left(), Target.top()) *
                                   LogicalToDevice().inverted());
                return brush;
            }
            case BsNull:
            default:
                return QBrush(Qt::NoBrush);
        }
    }

    // Sets up the painter for a shape in logical coordinates.
    void PrepareShape(bool filled) {
        P.setTransform(LogicalToDevice());
        P.setPen(MakePen());
        P.setBrush(filled ? MakeBrush() : QBrush(Qt::NoBrush));
        P.setBackgroundMode(State.BkMode == OpaqueMode ? Qt::OpaqueMode : Qt::TransparentMode);
        P.setBackground(QBrush(ToQColor(State.BkColour)));
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    Qt::FillRule FillRule() const {
        return State.FillMode == WindingFill ? Qt::WindingFill : Qt::OddEvenFill;
    }

    void ApplyClip() {
        P.setTransform(QTransform());
        if (State.HasClip) {
            P.setClipRegion(State.Clip.intersected(Target));
        } else {
            P.setClipRect(Target);
        }
    }

    QRect DeviceClipRect(const wmf::Rect& r) const { return DeviceRect(LogicalRect(r)).toRect(); }

    // Window and viewport.
    void Do(const SetWindowOrg& c) { State.WindowOrg = Pt(c.P); }
    void Do(const SetWindowExt& c) {
        if (c.P.X != 0 && c.P.Y != 0)
            State.WindowExt = Pt(c.P);
    }
    void Do(const SetViewportOrg& c) { State.ViewportOrg = Pt(c.P); }
    void Do(const SetViewportExt& c) {
        if (c.P.X != 0 && c.P.Y != 0)
            State.ViewportExt = Pt(c.P);
    }
    void Do(const OffsetWindowOrg& c) { State.WindowOrg += Pt(c.P); }
    void Do(const OffsetViewportOrg& c) { State.ViewportOrg += Pt(c.P); }
    void Do(const ScaleWindowExt& c) {
        if (c.XDenom == 0 || c.YDenom == 0 || c.XNum == 0 || c.YNum == 0)
            return;
        State.WindowExt = QPointF(State.WindowExt.x() * c.XNum / c.XDenom,
                                  State.WindowExt.y() * c.YNum / c.YDenom);
    }
    void Do(const ScaleViewportExt& c) {
        if (c.XDenom == 0 || c.YDenom == 0 || c.XNum == 0 || c.YNum == 0)
            return;
        State.ViewportExt = QPointF(State.ViewportExt.x() * c.XNum / c.XDenom,
                                    State.ViewportExt.y() * c.YNum / c.YDenom);
    }
    void Do(const SetMapModeCmd& c) {
        if (c.Mode >= MmText && c.Mode <= MmAnisotropic)
            State.MapMode = c.Mode;
    }

    // Modes and colours.
    void Do(const SetPolyFillMode& c) {
        if (c.Mode == AlternateFill || c.Mode == WindingFill)
            State.FillMode = c.Mode;
    }
    void Do(const SetStretchMode& c) { State.StretchMode = c.Mode; }
    void Do(const SetBkMode& c) {
        if (c.Mode == TransparentMode || c.Mode == OpaqueMode)
            State.BkMode = c.Mode;
    }
    void Do(const SetBkColor& c) { State.BkColour = c.Colour; }
    void Do(const SetTextColor& c) { State.TextColour = c.Colour; }
    void Do(const SetTextAlign& c) { State.TextAlign = c.Align; }

    // Saved states.
    void Do(const SaveDc&) {
        if (Saved.size() < 1024)
            Saved.push_back(State);
    }
    void Do(const RestoreDc& c) {
        std::size_t depth = Saved.size();
        std::size_t index;
        if (c.Which < 0) {
            auto back = static_cast<std::size_t>(-static_cast<long>(c.Which));
            if (back > depth)
                return;
            index = depth - back;
        } else if (c.Which > 0 && static_cast<std::size_t>(c.Which) <= depth) {
            index = static_cast<std::size_t>(c.Which) - 1;
        } else {
            return;
        }
        State = Saved[index];
        Saved.resize(index);
        ApplyClip();
    }

    // Objects.
    void Do(const CreateObject& c) {
        if (c.Slot < 0 || c.Slot >= MaxObjects)
            return;
        if (static_cast<std::size_t>(c.Slot) >= Objects.size())
            Objects.resize(c.Slot + 1);
        Objects[c.Slot] = c.Obj;
    }
    void Do(const SelectObject& c) {
        if (c.Slot < 0 || static_cast<std::size_t>(c.Slot) >= Objects.size())
            return;
        const auto& slot = Objects[c.Slot];
        if (!slot)
            return;
        if (auto* pen = std::get_if<Pen>(&*slot))
            State.CurrentPen = *pen;
        if (auto* brush = std::get_if<Brush>(&*slot))
            State.CurrentBrush = *brush;
        if (auto* font = std::get_if<Font>(&*slot))
            State.CurrentFont = *font;
    }
    void Do(const DeleteObject& c) {
        // What is selected stays in use (the state holds its own copy).
        if (c.Slot >= 0 && static_cast<std::size_t>(c.Slot) < Objects.size()) {
            Objects[c.Slot].reset();
        }
    }

    // Clipping.
    void Do(const IntersectClipRect& c) {
        QRegion r(DeviceClipRect(c.R));
        State.Clip = State.HasClip ? State.Clip.intersected(r) : r;
        State.HasClip = true;
        ApplyClip();
    }
    void Do(const ExcludeClipRect& c) {
        QRegion base = State.HasClip ? State.Clip : QRegion(Target);
        State.Clip = base.subtracted(QRegion(DeviceClipRect(c.R)));
        State.HasClip = true;
        ApplyClip();
    }

    // Lines and shapes.
    void Do(const MoveTo& c) { State.Position = Pt(c.P); }
    void Do(const LineTo& c) {
        PrepareShape(false);
        QLineF line(State.Position, Pt(c.P));
        P.drawLine(line);
        Spend(DeviceRect(QRectF(line.p1(), line.p2()).normalized()));
        State.Position = Pt(c.P);
    }
    static QPolygonF ToPolygon(const std::vector<wmf::Point>& points) {
        QPolygonF poly;
        poly.reserve(static_cast<qsizetype>(points.size()));
        for (const auto& p : points)
            poly.append(Pt(p));
        return poly;
    }
    void Do(const Polyline& c) {
        if (c.Points.size() < 2)
            return;
        PrepareShape(false);
        QPolygonF poly = ToPolygon(c.Points);
        P.drawPolyline(poly);
        Spend(DeviceRect(poly.boundingRect()));
    }
    void Do(const Polygon& c) {
        if (c.Points.size() < 2)
            return;
        PrepareShape(true);
        QPolygonF poly = ToPolygon(c.Points);
        P.drawPolygon(poly, FillRule());
        Spend(DeviceRect(poly.boundingRect()));
    }
    void Do(const PolyPolygon& c) {
        QPainterPath path;
        path.setFillRule(FillRule());
        for (const auto& points : c.Polygons) {
            if (points.size() < 2)
                continue;
            path.addPolygon(ToPolygon(points));
            path.closeSubpath();
        }
        if (path.isEmpty())
            return;
        PrepareShape(true);
        P.drawPath(path);
        Spend(DeviceRect(path.boundingRect()));
    }
    void Do(const wmf::Rectangle& c) {
        PrepareShape(true);
        QRectF r = LogicalRect(c.R);
        P.drawRect(r);
        Spend(DeviceRect(r));
    }
    void Do(const RoundRect& c) {
        PrepareShape(true);
        QRectF r = LogicalRect(c.R);
        P.drawRoundedRect(r, std::abs(c.CornerWidth) / 2.0, std::abs(c.CornerHeight) / 2.0,
                          Qt::AbsoluteSize);
        Spend(DeviceRect(r));
    }
    void Do(const wmf::Ellipse& c) {
        PrepareShape(true);
        QRectF r = LogicalRect(c.R);
        P.drawEllipse(r);
        Spend(DeviceRect(r));
    }
    void Do(const ArcCmd& c) {
        QTransform t = LogicalToDevice();
        QRectF box = t.mapRect(LogicalRect(c.R));
        if (box.width() <= 0 || box.height() <= 0)
            return;
        QPointF centre = box.center();
        // The angle at which the line from the centre through a point meets the ellipse,
        // counter-clockwise on the device, in the ellipse's own (parametric) measure.
        auto angleOf = [&](const wmf::Point& p) {
            QPointF d = t.map(Pt(p));
            double dx = (d.x() - centre.x()) / (box.width() / 2);
            double dy = (d.y() - centre.y()) / (box.height() / 2);
            return std::atan2(-dy, dx) * 180.0 / M_PI;
        };
        double start = angleOf(c.Start);
        double sweep = angleOf(c.End) - start;
        while (sweep <= 0)
            sweep += 360.0;
        if (c.Start == c.End)
            sweep = 360.0;
        QPainterPath path;
        switch (c.Kind) {
            case ArcKind::Arc:
                path.arcMoveTo(box, start);
                path.arcTo(box, start, sweep);
                break;
            case ArcKind::Pie:
                path.moveTo(centre);
                path.arcTo(box, start, sweep);
                path.closeSubpath();
                break;
            case ArcKind::Chord:
                path.arcMoveTo(box, start);
                path.arcTo(box, start, sweep);
                path.closeSubpath();
                break;
        }
        bool invertible = false;
        QTransform back = t.inverted(&invertible);
        if (!invertible)
            return;
        PrepareShape(c.Kind != ArcKind::Arc);
        P.drawPath(back.map(path));
        Spend(box);
    }
    void Do(const wmf::SetPixel& c) {
        QPointF d = LogicalToDevice().map(Pt(c.P));
        P.setTransform(QTransform());
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
        P.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), ToQColor(c.Colour));
        Spend(QRectF(d, QSizeF(1, 1)));
    }

    // Text.
    QFont MakeFont(double deviceScale) const {
        const Font& f = State.CurrentFont;
        QFont font;
        if (!f.FaceName.empty())
            font.setFamily(QString::fromLatin1(f.FaceName));
        int weight = f.Weight <= 0 ? 400 : std::clamp(f.Weight, 1, 1000);
        font.setWeight(static_cast<QFont::Weight>(weight));
        font.setItalic(f.Italic);
        font.setUnderline(f.Underline);
        font.setStrikeOut(f.StrikeOut);
        double height = std::abs(f.Height) * deviceScale;
        if (f.Height == 0)
            height = 16;  // the system's default cell height
        height = std::clamp(height, 1.0, 4096.0);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(height))));
        if (f.Height > 0) {
            // A positive height is that of the whole cell, ascent and descent together.
            QFontMetricsF m(font);
            if (m.height() > 0) {
                int em = static_cast<int>(std::lround(height * height / m.height()));
                font.setPixelSize(std::max(1, em));
            }
        }
        return font;
    }

    void Do(const wmf::Text& c) {
        if (c.Chars.empty() && !(c.Options & EtoOpaque))
            return;
        QTransform t = LogicalToDevice();
        double scaleX = std::abs(t.m11());
        double scaleY = std::abs(t.m22());
        QFont font = MakeFont(scaleY);
        QFontMetricsF metrics(font);
        QString text = QString::fromLatin1(c.Chars.data(), static_cast<qsizetype>(c.Chars.size()));

        bool useCurrent = (State.TextAlign & TaUpdateCp) != 0;
        QPointF anchor = t.map(useCurrent ? State.Position : Pt(c.P));

        std::vector<double> advances;
        double width = 0;
        if (c.Advances.size() == c.Chars.size() && !c.Advances.empty()) {
            for (int a : c.Advances) {
                advances.push_back(a * scaleX);
                width += a * scaleX;
            }
        } else {
            width = metrics.horizontalAdvance(text);
        }

        P.save();
        P.setTransform(QTransform());
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
        QRectF box = t.mapRect(LogicalRect(c.Box));
        if (c.Options & EtoOpaque) {
            P.fillRect(box, ToQColor(State.BkColour));
            Spend(box);
        }
        if (c.Options & EtoClipped)
            P.setClipRect(box, Qt::IntersectClip);

        double x = 0;
        if ((State.TextAlign & TaCenter) == TaCenter) {
            x = -width / 2;
        } else if (State.TextAlign & TaRight) {
            x = -width;
        }
        double baseline = metrics.ascent();  // top alignment
        if ((State.TextAlign & TaBaseline) == TaBaseline) {
            baseline = 0;
        } else if (State.TextAlign & TaBottom) {
            baseline = -metrics.descent();
        }

        P.translate(anchor);
        if (State.CurrentFont.Escapement != 0)
            P.rotate(-State.CurrentFont.Escapement / 10.0);
        QRectF cell(x, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent());
        if (State.BkMode == OpaqueMode && !text.isEmpty()) {
            P.fillRect(cell, ToQColor(State.BkColour));
        }
        P.setFont(font);
        P.setPen(ToQColor(State.TextColour));
        if (advances.empty()) {
            P.drawText(QPointF(x, baseline), text);
        } else {
            double pos = x;
            for (qsizetype i = 0; i < text.size(); ++i) {
                P.drawText(QPointF(pos, baseline), QString(text[i]));
                pos += advances[static_cast<std::size_t>(i)];
            }
        }
        P.restore();
        Spend(QRectF(anchor + cell.topLeft(), cell.size()));

        if (useCurrent && scaleX > 0) {
            State.Position = t.inverted().map(anchor + QPointF(width, 0));
        }
    }

    // Blits.
    void FillWithRop(const QRectF& logical, std::uint32_t rop) {
        P.setTransform(LogicalToDevice());
        P.setPen(Qt::NoPen);
        P.setBackgroundMode(Qt::TransparentMode);
        switch (rop) {
            case RopBlackness:
                P.fillRect(logical, Qt::black);
                break;
            case RopWhiteness:
                P.fillRect(logical, Qt::white);
                break;
            case RopPatCopy:
                P.fillRect(logical, MakeBrush());
                break;
            case RopPatInvert:
                P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                P.fillRect(logical, MakeBrush());
                break;
            case RopDstInvert:
                P.setCompositionMode(QPainter::RasterOp_NotDestination);
                P.fillRect(logical, Qt::black);
                break;
            default:
                break;  // the other operations need a source bitmap
        }
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
        Spend(DeviceRect(logical));
    }

    void Do(const PatBlt& c) {
        FillWithRop(QRectF(c.Dest.X, c.Dest.Y, c.Width, c.Height).normalized(), c.Rop);
    }

    void Do(const DrawDib& c) {
        if (!c.Dib || c.Dib->Empty())
            return;
        QRectF logical(c.Dest.X, c.Dest.Y, c.DestWidth, c.DestHeight);
        std::optional<QPainter::CompositionMode> mode;
        switch (c.Rop) {
            case RopSrcCopy:
                mode = QPainter::CompositionMode_Source;
                break;
            case RopSrcPaint:
                mode = QPainter::RasterOp_SourceOrDestination;
                break;
            case RopSrcAnd:
                mode = QPainter::RasterOp_SourceAndDestination;
                break;
            case RopSrcInvert:
                mode = QPainter::RasterOp_SourceXorDestination;
                break;
            case RopNotSrcCopy:
                mode = QPainter::RasterOp_NotSource;
                break;
            case RopSrcErase:
                mode = QPainter::RasterOp_SourceAndNotDestination;
                break;
            case RopNotSrcErase:
                mode = QPainter::RasterOp_NotSourceAndNotDestination;
                break;
            case RopMergePaint:
                mode = QPainter::RasterOp_NotSourceOrDestination;
                break;
            default:
                // Operations without the source are fills.
                FillWithRop(logical.normalized(), c.Rop);
                return;
        }
        QTransform t = LogicalToDevice();
        QPointF a = t.map(logical.topLeft());
        QPointF b = t.map(logical.bottomRight());
        QRect source = QRect(c.SrcX, c.SrcY, c.SrcWidth, c.SrcHeight).normalized();
        QRect whole(0, 0, c.Dib->Width(), c.Dib->Height());
        QRect used = source.intersected(whole);
        if (used.isEmpty() || a.x() == b.x() || a.y() == b.y())
            return;
        // A destination running backwards mirrors the picture.
        bool mirrorX = (b.x() < a.x()) != (c.SrcWidth < 0);
        bool mirrorY = (b.y() < a.y()) != (c.SrcHeight < 0);
        QRectF device = QRectF(a, b).normalized();
        // Where the source rectangle reaches outside the bitmap, only the part inside is drawn,
        // at its place within the destination.
        double fx = device.width() / source.width();
        double fy = device.height() / source.height();
        double left = (mirrorX ? source.right() - used.right() : used.left() - source.left());
        double top = (mirrorY ? source.bottom() - used.bottom() : used.top() - source.top());
        QRectF part(device.left() + left * fx, device.top() + top * fy, used.width() * fx,
                    used.height() * fy);

        // The alpha byte of 32-bit bitmaps means nothing to a blit.
        QImage image = ToQImage(*c.Dib, AlphaUse::Ignore).copy(used);
        if (image.format() != QImage::Format_RGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
        image = image.mirrored(mirrorX, mirrorY);
        P.setTransform(QTransform());
        P.setCompositionMode(*mode);
        // HALFTONE averages what a stretch drops or adds; every other mode replicates pixels.
        const bool smooth = State.StretchMode == HalftoneStretch &&
                            (part.width() != image.width() || part.height() != image.height());
        if (smooth && part.width() <= image.width() && part.height() <= image.height()) {
            // Shrunk by averaging areas; the result is never larger than the bitmap.
            const QSize size(std::max(1, qRound(part.width())), std::max(1, qRound(part.height())));
            image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        P.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        P.drawImage(part, image);
        P.setRenderHint(QPainter::SmoothPixmapTransform, false);
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
        Spend(part);
    }

    QPainter& P;
    const Picture& Pic;
    QRect Target;
    DcState State;
    std::vector<DcState> Saved;
    std::vector<std::optional<Object>> Objects;
    double Spent = 0;
    double Budget = 0;
};

}  // namespace

void PlayMetafile(QPainter& painter, const wmf::Picture& picture, const QRect& target) {
    Player(painter, picture, target).Run();
}

Result<Bitmap> RenderMetafile(const wmf::Picture& picture) {
    if (picture.Width <= 0 || picture.Height <= 0 || picture.Width > wmf::MaxPictureSide ||
        picture.Height > wmf::MaxPictureSide) {
        return Error{"The metafile has no usable picture size."};
    }
    QImage image(picture.Width, picture.Height, QImage::Format_RGB32);
    if (image.isNull())
        return Error{"Not enough memory to draw the metafile."};
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PlayMetafile(painter, picture, QRect(0, 0, picture.Width, picture.Height));
    }
    return FromQImage(image, PixelFormat::Bits24);
}

Status ConvertMetafileToBitmapFile(const std::filesystem::path& source,
                                   const std::filesystem::path& target) {
    try {
        auto picture = wmf::LoadWmfFile(source);
        if (!picture)
            return picture.GetError();
        auto bitmap = RenderMetafile(*picture);
        if (!bitmap)
            return bitmap.GetError();
        return SaveBmpFile(*bitmap, target);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to draw the metafile."};
    } catch (const std::exception& e) {
        return Error{std::string("The metafile cannot be drawn: ") + e.what()};
    }
}

}  // namespace gf
