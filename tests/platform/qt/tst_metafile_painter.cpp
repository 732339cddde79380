// Metafiles drawn in code are rendered and sampled: shapes, colours, mapping, objects, text,
// bitmaps, and files that are broken in various ways.

#include <QtTest>
#include <filesystem>
#include <fstream>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/qt/metafile_painter.h"
#include "platform/wmf_parser.h"
#include "support/temp_folder.h"
#include "support/wmf_builder.h"

using gf::Bitmap;
using gf::Color;
using gf::Rgb;
using gf::test::WmfBuilder;

namespace {

constexpr Color Red = Rgb(255, 0, 0);
constexpr Color Green = Rgb(0, 255, 0);
constexpr Color Blue = Rgb(0, 0, 255);
constexpr Color Yellow = Rgb(255, 255, 0);
constexpr Color White = Rgb(255, 255, 255);
constexpr Color Black = Rgb(0, 0, 0);

Bitmap Render(const std::vector<std::uint8_t>& bytes) {
    auto picture = gf::wmf::ParseWmf(bytes);
    if (!picture) {
        qWarning("parse: %s", picture.ErrorMessage().c_str());
        return {};
    }
    auto bitmap = gf::RenderMetafile(*picture);
    if (!bitmap) {
        qWarning("render: %s", bitmap.ErrorMessage().c_str());
        return {};
    }
    return std::move(bitmap).Value();
}

// In text mode a logical unit is a pixel, so shapes land where their coordinates say.
WmfBuilder PixelMetafile() {
    WmfBuilder b;
    b.SetMapMode(1);
    return b;
}

QString Hex(Color c) {
    return QString::asprintf("%06X", c);
}

int CountOf(const Bitmap& b, Color c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x)
            n += b.GetPixel(x, y) == c;
    }
    return n;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

#define PIXEL(b, x, y, c) QCOMPARE(Hex((b).GetPixel((x), (y))), Hex(c))

}  // namespace

class TestMetafilePainter : public QObject {
    Q_OBJECT

  private slots:
    void shapesAndColoursOfAPlaceableMetafile() {
        // 1440 units per inch, 1.5 x 1 inch: 144 x 96 pixels; the window fills the picture.
        Bitmap b = Render(WmfBuilder()
                              .Placeable(0, 0, 2160, 1440, 1440)
                              .SetMapMode(8)
                              .SetWindowOrg(0, 0)
                              .SetWindowExt(2160, 1440)
                              .CreatePen(5, 0, Black)  // null pen
                              .CreateBrush(0, Blue)
                              .SelectObject(0)
                              .SelectObject(1)
                              .Rectangle(150, 150, 900, 750)  // 10..60 x 10..50 px
                              .CreateBrush(0, Green)
                              .SelectObject(2)
                              .Ellipse(1050, 150, 2100, 1350)  // 70..140 x 10..90
                              .Build());
        QCOMPARE(b.Width(), 144);
        QCOMPARE(b.Height(), 96);
        QCOMPARE(b.Format(), gf::PixelFormat::Bits24);
        PIXEL(b, 0, 0, White);
        PIXEL(b, 35, 30, Blue);
        PIXEL(b, 65, 30, White);
        PIXEL(b, 105, 50, Green);
        PIXEL(b, 72, 12, White);  // outside the ellipse, inside its box
    }

    void placeableWithoutWindowMapsItsBoundingBox() {
        // The bounding box starts at (1000, 2000): that corner is the picture's top left.
        Bitmap b = Render(WmfBuilder()
                              .Placeable(1000, 2000, 1100, 2050, 96)
                              .CreateBrush(0, Red)
                              .SelectObject(0)
                              .Rectangle(1050, 2000, 1100, 2050)
                              .Build());
        QCOMPARE(b.Width(), 100);
        QCOMPARE(b.Height(), 50);
        PIXEL(b, 75, 25, Red);
        PIXEL(b, 25, 25, White);
    }

    void plainMetafileMapsItsWindow() {
        // A window of 1000 x 500 logical units shown at the viewport's 100 x 50 pixels.
        Bitmap b = Render(WmfBuilder()
                              .SetMapMode(8)
                              .SetWindowOrg(-500, 0)
                              .SetWindowExt(1000, 500)
                              .SetViewportExt(100, 50)
                              .CreateBrush(0, Red)
                              .SelectObject(0)
                              .Rectangle(0, 0, 500, 250)
                              .Build());
        QCOMPARE(b.Width(), 100);
        QCOMPARE(b.Height(), 50);
        PIXEL(b, 75, 12, Red);
        PIXEL(b, 25, 12, White);
        PIXEL(b, 75, 37, White);
    }

    void mappingModes() {
        // Low metric: a tenth of a millimetre, y upwards: 254 units are one inch, 96 pixels. The
        // picture is what is drawn, at that scale; a viewport extent means nothing here.
        Bitmap lo = Render(WmfBuilder()
                               .SetMapMode(2)
                               .SetViewportExt(120, 120)
                               .CreatePen(5, 0, Black)
                               .SelectObject(0)
                               .CreateBrush(0, Red)
                               .SelectObject(1)
                               .Rectangle(0, 0, 127, -254)
                               .CreateBrush(0, Blue)
                               .SelectObject(2)
                               .Rectangle(127, -127, 254, -254)
                               .Build());
        QCOMPARE(lo.Width(), 96);
        QCOMPARE(lo.Height(), 96);
        PIXEL(lo, 24, 24, Red);
        PIXEL(lo, 24, 72, Red);
        PIXEL(lo, 72, 24, White);
        PIXEL(lo, 72, 72, Blue);

        // Without the placeable header, units that have no length of their own are twips: an
        // anisotropic window of 8000 x 6000 is 533 x 400 pixels, filled by the window.
        Bitmap twips = Render(WmfBuilder()
                                  .SetMapMode(8)
                                  .SetWindowOrg(0, 0)
                                  .SetWindowExt(8000, 6000)
                                  .CreatePen(5, 0, Black)
                                  .SelectObject(0)
                                  .CreateBrush(0, Green)
                                  .SelectObject(1)
                                  .Rectangle(4000, 3000, 8000, 6000)
                                  .Build());
        QCOMPARE(twips.Width(), 533);
        QCOMPARE(twips.Height(), 400);
        PIXEL(twips, 270, 205, Green);
        PIXEL(twips, 530, 397, Green);
        PIXEL(twips, 262, 195, White);

        // Isotropic: the window 100 x 50 in a 200 x 200 viewport keeps square units (x2).
        Bitmap iso = Render(WmfBuilder()
                                .SetMapMode(7)
                                .SetWindowExt(100, 50)
                                .SetViewportExt(200, 200)
                                .CreateBrush(0, Green)
                                .SelectObject(0)
                                .Rectangle(0, 0, 100, 50)
                                .Build());
        PIXEL(iso, 150, 80, Green);
        PIXEL(iso, 150, 150, White);

        // Text mode: one unit is one pixel whatever the extents say; origins still move.
        Bitmap text = Render(WmfBuilder()
                                 .SetWindowExt(100, 100)
                                 .SetMapMode(1)
                                 .SetWindowOrg(10, 10)
                                 .SetWindowExt(5, 5)
                                 .CreateBrush(0, Blue)
                                 .SelectObject(0)
                                 .Rectangle(20, 20, 40, 40)
                                 .Build());
        PIXEL(text, 20, 20, Blue);
        PIXEL(text, 35, 35, White);
    }

    void fillModesPolygonsAndLines() {
        // Two squares, one inside the other, both clockwise: alternate leaves a hole, winding
        // fills it.
        auto squares = std::vector<std::vector<std::pair<int, int>>>{
            {{0, 0}, {60, 0}, {60, 60}, {0, 60}}, {{20, 20}, {40, 20}, {40, 40}, {20, 40}}};
        auto build = [&](int mode) {
            return PixelMetafile()
                .SetWindowExt(100, 100)
                .CreatePen(5, 0, Black)
                .SelectObject(0)
                .CreateBrush(0, Red)
                .SelectObject(1)
                .SetPolyFillMode(mode)
                .PolyPolygon(squares)
                .Polygon({{70, 0}, {99, 0}, {99, 29}})
                .CreatePen(0, 6, Blue)
                .SelectObject(2)
                .Polyline({{0, 80}, {99, 80}})
                .MoveTo(80, 40)
                .LineTo(80, 70)
                .Build();
        };
        Bitmap alternate = Render(build(1));
        Bitmap winding = Render(build(2));
        PIXEL(alternate, 10, 10, Red);
        PIXEL(alternate, 30, 30, White);
        PIXEL(winding, 30, 30, Red);
        PIXEL(alternate, 95, 5, Red);     // inside the triangle
        PIXEL(alternate, 75, 25, White);  // outside it
        PIXEL(alternate, 50, 80, Blue);
        PIXEL(alternate, 50, 82, Blue);  // six pixels wide
        PIXEL(alternate, 50, 86, White);
        PIXEL(alternate, 80, 55, Blue);
    }

    void roundRectanglesPiesChordsAndArcs() {
        Bitmap b = Render(PixelMetafile()
                              .SetWindowExt(200, 100)
                              .CreatePen(5, 0, Black)
                              .SelectObject(0)
                              .CreateBrush(0, Red)
                              .SelectObject(1)
                              // Pie: counter-clockwise from 3 o'clock to 12 o'clock.
                              .ArcLike(0x081A, 0, 0, 100, 100, 100, 50, 50, 0)
                              // Chord over the same quarter of a second circle.
                              .ArcLike(0x0830, 100, 0, 200, 100, 200, 50, 150, 0)
                              .Build());
        PIXEL(b, 70, 30, Red);     // the upper right quarter
        PIXEL(b, 30, 30, White);   // upper left
        PIXEL(b, 70, 70, White);   // lower right
        PIXEL(b, 185, 15, Red);    // beyond the chord's line
        PIXEL(b, 160, 40, White);  // the pie's part that a chord leaves out

        Bitmap arc = Render(PixelMetafile()
                                .SetWindowExt(100, 100)
                                .CreatePen(0, 4, Green)
                                .SelectObject(0)
                                .ArcLike(0x0817, 0, 0, 100, 100, 50, 0, 100, 50)  // 12 -> 3 o'clock
                                .CreateBrush(0, Blue)
                                .SelectObject(1)
                                .RoundRect(20, 30, 80, 70, 20, 20)
                                .Build());
        // The arc runs counter-clockwise from 12 o'clock round to 3 o'clock: its left, lower
        // part is drawn, the upper right quarter is not.
        PIXEL(arc, 1, 50, Green);
        PIXEL(arc, 50, 98, Green);
        QCOMPARE(CountOf(arc, Green, 60, 0, 100, 26), 0);
        PIXEL(arc, 50, 50, Blue);
        PIXEL(arc, 21, 31, White);  // the rounded corner is cut off
        PIXEL(arc, 30, 50, Blue);
    }

    void objectsStatesAndClipping() {
        Bitmap b = Render(PixelMetafile()
                              .SetWindowExt(100, 100)
                              .CreatePen(5, 0, Black)
                              .SelectObject(0)
                              .CreateBrush(0, Red)
                              .CreateBrush(0, Green)
                              .SelectObject(1)
                              .SaveDc()
                              .SelectObject(2)
                              .IntersectClipRect(0, 0, 50, 100)
                              .Rectangle(0, 0, 100, 20)  // green, left half only
                              .RestoreDc(-1)
                              .Rectangle(0, 30, 100, 50)  // red again, unclipped
                              .DeleteObject(2)
                              .SelectObject(2)  // deleted: the selection stays red
                              .Rectangle(0, 60, 50, 80)
                              .ExcludeClipRect(20, 85, 40, 100)
                              .CreateBrush(0, Blue)  // takes the free slot 2
                              .SelectObject(2)
                              .Rectangle(0, 85, 60, 100)
                              .Build());
        PIXEL(b, 25, 10, Green);
        PIXEL(b, 75, 10, White);
        PIXEL(b, 75, 40, Red);
        PIXEL(b, 25, 70, Red);
        PIXEL(b, 10, 92, Blue);
        PIXEL(b, 30, 92, White);  // excluded
        PIXEL(b, 50, 92, Blue);
    }

    void textAndBackground() {
        Bitmap b = Render(PixelMetafile()
                              .SetWindowExt(200, 100)
                              .CreateFont(-30, "DejaVu Sans", 700)
                              .SelectObject(0)
                              .SetTextColor(Blue)
                              .SetBkMode(1)
                              .TextOut(5, 5, "HH")
                              .SetBkMode(2)
                              .SetBkColor(Yellow)
                              .TextOut(5, 50, "HH")
                              .ExtTextOut(120, 10, 2, 110, 5, 190, 40, "", {})
                              .Build());
        // Transparent: the glyphs only; opaque: the cell behind them in the background colour.
        QVERIFY(CountOf(b, Blue, 0, 0, 100, 45) > 50);
        QCOMPARE(CountOf(b, Yellow, 0, 0, 100, 45), 0);
        QVERIFY(CountOf(b, Yellow, 0, 50, 100, 95) > 100);
        QVERIFY(CountOf(b, Blue, 0, 50, 100, 95) > 50);
        // ExtTextOut with the opaque option fills its rectangle.
        PIXEL(b, 150, 20, Yellow);
        PIXEL(b, 195, 20, White);
    }

    void hatchedBrushesFollowTheBackgroundMode() {
        auto build = [](int bkMode) {
            return PixelMetafile()
                .SetWindowExt(60, 30)
                .CreatePen(5, 0, Black)
                .SelectObject(0)
                .CreateBrush(2, Blue, 4)  // cross hatch
                .SelectObject(1)
                .SetBkColor(Yellow)
                .SetBkMode(bkMode)
                .Rectangle(0, 0, 60, 30)
                .Build();
        };
        Bitmap transparent = Render(build(1));
        Bitmap opaque = Render(build(2));
        QVERIFY(CountOf(transparent, Blue, 0, 0, 60, 30) > 100);
        QVERIFY(CountOf(transparent, White, 0, 0, 60, 30) > 100);
        QCOMPARE(CountOf(transparent, Yellow, 0, 0, 60, 30), 0);
        QVERIFY(CountOf(opaque, Blue, 0, 0, 60, 30) > 100);
        QCOMPARE(CountOf(opaque, Yellow, 0, 0, 60, 30) + CountOf(opaque, Blue, 0, 0, 60, 30),
                 60 * 30);
    }

    void clippedTextStaysInItsBox() {
        Bitmap b = Render(PixelMetafile()
                              .SetWindowExt(200, 60)
                              .CreateFont(-40, "DejaVu Sans", 700)
                              .SelectObject(0)
                              .SetBkMode(1)
                              .ExtTextOut(0, 5, 4, 0, 0, 30, 60, "MMMM")
                              .Build());
        QVERIFY(CountOf(b, Black, 0, 0, 30, 60) > 50);
        QCOMPARE(CountOf(b, Black, 30, 0, 200, 60), 0);
    }

    void textAlignment() {
        // Right-aligned at x = 190: the text ends there.
        Bitmap b = Render(PixelMetafile()
                              .SetWindowExt(200, 60)
                              .CreateFont(-30, "DejaVu Sans")
                              .SelectObject(0)
                              .SetBkMode(1)
                              .SetTextAlign(0x0002)
                              .TextOut(190, 10, "MM")
                              .Build());
        QVERIFY(CountOf(b, Black, 100, 0, 190, 60) > 50);
        QCOMPARE(CountOf(b, Black, 192, 0, 200, 60), 0);
        QCOMPARE(CountOf(b, Black, 0, 0, 90, 60), 0);
    }

    void bitmapRecords() {
        Bitmap dib(2, 2, gf::PixelFormat::Bits24);
        dib.SetPixel(0, 0, Red);
        dib.SetPixel(1, 0, Green);
        dib.SetPixel(0, 1, Blue);
        dib.SetPixel(1, 1, White);
        Bitmap grey(1, 1, gf::PixelFormat::Bits32);
        grey.SetPixel(0, 0, Rgb(0, 0xFF, 0xFF));  // alpha 0: still drawn

        Bitmap b = Render(WmfBuilder()
                              .Placeable(0, 0, 100, 100, 96)
                              .StretchDib(dib, 10, 10, 40, 40, 0, 0, 2, 2)
                              .DibStretchBlt(dib, 60, 10, 20, 20, 1, 1, 1, 1)   // white part
                              .PatBlt(60, 60, 30, 30, 0x00000042)               // blackness
                              .DibBitBlt(grey, 70, 70, 1, 1, 0, 0, 0x00EE0086)  // OR on black
                              .DibStretchBlt(grey, 0, 60, 20, 20, 0, 0, 1, 1, 0x008800C6)
                              .Build());
        PIXEL(b, 20, 20, Red);  // the top row of the DIB is at the top
        PIXEL(b, 40, 20, Green);
        PIXEL(b, 20, 40, Blue);
        PIXEL(b, 40, 40, White);
        PIXEL(b, 70, 20, White);
        PIXEL(b, 65, 65, Black);
        PIXEL(b, 70, 70, Rgb(0, 0xFF, 0xFF));
        PIXEL(b, 10, 70, Rgb(0, 0xFF, 0xFF));  // AND with white
        PIXEL(b, 55, 55, White);

        // StretchDIBits taking the lower row only (counted from the bottom of the DIB).
        Bitmap lower = Render(WmfBuilder()
                                  .Placeable(0, 0, 20, 10, 96)
                                  .StretchDib(dib, 0, 0, 20, 10, 0, 0, 2, 1)
                                  .Build());
        PIXEL(lower, 5, 5, Blue);
        PIXEL(lower, 15, 5, White);
    }

    void patternBrushesTileInDevicePixels() {
        // An 8 x 8 pattern of four 4 x 4 squares, under a mapping of 6 logical units to the
        // pixel: the squares stay 4 pixels wide, from the picture's corner.
        Bitmap pattern(8, 8, gf::PixelFormat::Bits24);
        pattern.Fill(White);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if ((x < 4) != (y < 4))
                    pattern.SetPixel(x, y, Black);
        Bitmap b = Render(WmfBuilder()
                              .SetMapMode(8)
                              .SetWindowOrg(-60, -30)
                              .SetWindowExt(480, 300)
                              .SetViewportExt(80, 50)
                              .CreatePen(5, 0, Black)
                              .SelectObject(0)
                              .CreateDibPatternBrush(pattern)
                              .SelectObject(1)
                              .Rectangle(-60, -30, 420, 270)
                              .Build());
        QCOMPARE(b.Width(), 80);
        QCOMPARE(b.Height(), 50);
        int wrong = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 80; ++x)
                wrong += b.GetPixel(x, y) != (((x % 8 < 4) != (y % 8 < 4)) ? Black : White);
        QCOMPARE(wrong, 0);
    }

    void halftoneStretchesSmoothly() {
        // A black and a white pixel stretched over 40 x 10: HALFTONE blends where they meet,
        // any other mode replicates them.
        Bitmap dib(2, 1, gf::PixelFormat::Bits24);
        dib.SetPixel(0, 0, Black);
        dib.SetPixel(1, 0, White);
        auto stretched = [&](int mode) {
            return Render(PixelMetafile()
                              .SetWindowExt(40, 10)
                              .SetStretchBltMode(mode)
                              .StretchDib(dib, 0, 0, 40, 10, 0, 0, 2, 1)
                              .Build());
        };
        auto greys = [](const Bitmap& b) {
            int n = 0;
            for (int x = 0; x < b.Width(); ++x)
                n += b.GetPixel(x, 5) != Black && b.GetPixel(x, 5) != White;
            return n;
        };
        Bitmap halftone = stretched(4);
        Bitmap replicated = stretched(3);
        QVERIFY(greys(halftone) >= 4);
        PIXEL(halftone, 0, 5, Black);
        PIXEL(halftone, 39, 5, White);
        QCOMPARE(greys(replicated), 0);
        PIXEL(replicated, 19, 5, Black);
        PIXEL(replicated, 20, 5, White);
        // Shrinking averages too: four columns of black and white become grey.
        Bitmap stripes(8, 1, gf::PixelFormat::Bits24);
        for (int x = 0; x < 8; ++x)
            stripes.SetPixel(x, 0, x % 2 ? White : Black);
        Bitmap shrunk = Render(PixelMetafile()
                                   .SetWindowExt(4, 1)
                                   .SetStretchBltMode(4)
                                   .StretchDib(stripes, 0, 0, 4, 1, 0, 0, 8, 1)
                                   .Build());
        QCOMPARE(shrunk.Width(), 4);
        for (int x = 0; x < 4; ++x) {
            const int red = gf::RedOf(shrunk.GetPixel(x, 0));
            QVERIFY2(red > 100 && red < 155, qPrintable(QString::number(red)));
        }
    }

    void unknownRecordsAreSkipped() {
        auto draw = [](bool withNoise) {
            WmfBuilder w;
            w.SetWindowExt(50, 50).CreateBrush(0, Red).SelectObject(0);
            if (withNoise)
                w.Record(0x0626, {15, 4, 1, 2}).Record(0x7777, {}).Record(0x0419, {1});
            w.Ellipse(5, 5, 45, 45);
            return Render(w.Build());
        };
        Bitmap plain = draw(false);
        QVERIFY(!plain.Empty());
        QVERIFY(plain == draw(true));
    }

    void brokenFilesFailOrStopSafely() {
        gf::test::TempFolder dir;
        auto target = dir / "out.bmp";
        WriteFile(target, {1, 2, 3});

        // Not a metafile: an error, and the target is left as it was.
        WriteFile(dir / "bad.wmf", {'G', 'I', 'F', '8', '9', 'a', 0, 0});
        auto bad = gf::ConvertMetafileToBitmapFile(dir / "bad.wmf", target);
        QVERIFY(!bad.Ok());
        QCOMPARE(std::filesystem::file_size(target), std::uintmax_t{3});

        // A missing file.
        QVERIFY(!gf::ConvertMetafileToBitmapFile(dir / "none.wmf", target).Ok());

        // Huge extents are refused with a message instead of an attempt to allocate.
        WriteFile(dir / "huge.wmf",
                  WmfBuilder().Placeable(-32000, -32000, 32000, 32000, 96).Build());
        auto huge = gf::ConvertMetafileToBitmapFile(dir / "huge.wmf", target);
        QVERIFY(!huge.Ok());
        QVERIFY(QString::fromStdString(huge.ErrorMessage())
                    .contains("is 64000 x 64000 pixels; the largest picture this program draws"));

        // Cut short, a zero-sized record, a record reaching beyond the file: what comes before
        // is drawn.
        auto good = WmfBuilder()
                        .Placeable(0, 0, 40, 40, 96)
                        .CreateBrush(0, Red)
                        .SelectObject(0)
                        .Rectangle(0, 0, 40, 20);
        auto cut = good.Build();
        cut.resize(cut.size() - 3);
        auto zero = good;
        zero.Raw({0, 0, 0, 0, 0x1B, 0x04}).Rectangle(0, 20, 40, 40);
        auto beyond = good;
        beyond.Raw({0x00, 0x00, 0x01, 0x00, 0x1B, 0x04, 0, 0});
        int n = 0;
        for (const auto& bytes : {cut, zero.Build(), beyond.Build(false)}) {
            auto path = dir / ("part" + std::to_string(n++) + ".wmf");
            WriteFile(path, bytes);
            auto status = gf::ConvertMetafileToBitmapFile(path, target);
            QVERIFY(status.Ok());
            auto out = gf::LoadBmpFile(target);
            QVERIFY(out.Ok());
            QCOMPARE(out->Width(), 40);
            QCOMPARE(Hex(out->GetPixel(20, 10)), Hex(Red));
            QCOMPARE(Hex(out->GetPixel(20, 30)), Hex(White));
        }
    }

    void convertWritesA24BitBitmap() {
        gf::test::TempFolder dir;
        WriteFile(dir / "pic.wmf", WmfBuilder()
                                       .Placeable(0, 0, 1440, 720, 1440)
                                       .CreateBrush(0, Green)
                                       .SelectObject(0)
                                       .Ellipse(0, 0, 1440, 720)
                                       .Build());
        auto status = gf::ConvertMetafileToBitmapFile(dir / "pic.wmf", dir / "pic.bmp");
        QVERIFY2(status.Ok(), status.Ok() ? "" : status.ErrorMessage().c_str());
        auto out = gf::LoadBmpFile(dir / "pic.bmp");
        QVERIFY(out.Ok());
        QCOMPARE(out->Width(), 96);
        QCOMPARE(out->Height(), 48);
        QCOMPARE(out->BitCount(), 24);
        QCOMPARE(Hex(out->GetPixel(48, 24)), Hex(Green));
        QCOMPARE(Hex(out->GetPixel(1, 1)), Hex(White));
    }

    void endlessRepaintingIsCutShort() {
        // Ten thousand full-size repaints of a large picture: the painter's budget stops it
        // long before, with the first ones drawn.
        WmfBuilder w;
        w.Placeable(0, 0, 4000, 4000, 96).CreateBrush(0, Red).SelectObject(0);
        for (int i = 0; i < 10000; ++i)
            w.Rectangle(0, 0, 4000, 4000);
        Bitmap b = Render(w.Build());
        QCOMPARE(Hex(b.GetPixel(2000, 2000)), Hex(Red));
    }
};

QTEST_MAIN(TestMetafilePainter)
#include "tst_metafile_painter.moc"
