#include "platform/wmf_parser.h"

#include <gtest/gtest.h>

#include "support/wmf_builder.h"

namespace gf::wmf {
namespace {

using test::WmfBuilder;

template <class T>
std::vector<T> All(const Picture& pic) {
    std::vector<T> out;
    for (const auto& c : pic.Commands) {
        if (auto* t = std::get_if<T>(&c))
            out.push_back(*t);
    }
    return out;
}

Picture ParseOk(const std::vector<std::uint8_t>& bytes) {
    auto pic = ParseWmf(bytes);
    EXPECT_TRUE(pic.Ok()) << (pic.Ok() ? "" : pic.ErrorMessage());
    return pic.Ok() ? std::move(pic).Value() : Picture{};
}

TEST(WmfParser, PlaceableHeaderGivesSizeAtScreenResolution) {
    auto bytes = WmfBuilder()
                     .Placeable(100, 50, 100 + 1440, 50 + 720, 1440)
                     .Rectangle(100, 50, 300, 200)
                     .Build();
    Picture pic = ParseOk(bytes);
    EXPECT_TRUE(pic.Placeable);
    EXPECT_EQ(pic.Width, 96);
    EXPECT_EQ(pic.Height, 48);
    EXPECT_EQ(pic.Frame, (Rect{100, 50, 1540, 770}));
    EXPECT_EQ(pic.UnitsPerInch, 1440);
    ASSERT_EQ(All<Rectangle>(pic).size(), 1u);
    EXPECT_EQ(All<Rectangle>(pic)[0].R, (Rect{100, 50, 300, 200}));
    EXPECT_FALSE(pic.Truncated);
}

TEST(WmfParser, PlainMetafileIsSizedByItsUnits) {
    // Without the placeable header a logical unit is a twip (15 to the pixel), unless the
    // mapping mode gives it a length (or text mode makes it a pixel); a viewport the file asks
    // for is the picture's size in pixels.
    const struct {
        const char* Name;
        WmfBuilder File;
        int Width, Height;
        Rect Frame;
    } cases[] = {
        {"anisotropic window",
         WmfBuilder()
             .SetMapMode(MmAnisotropic)
             .SetWindowOrg(0, 0)
             .SetWindowExt(8000, 6000)
             .Ellipse(0, 0, 5, 5),
         533,
         400,
         {0, 0, 8000, 6000}},
        {"window, no mode",
         WmfBuilder().SetWindowOrg(-10, 5).SetWindowExt(300, -150).Ellipse(0, 0, 5, 5),
         20,
         10,
         {-10, 5, 290, -145}},
        {"isotropic window",
         WmfBuilder().SetMapMode(MmIsotropic).SetWindowExt(1440, 720).Ellipse(0, 0, 5, 5),
         96,
         48,
         {0, 0, 1440, 720}},
        {"viewport",
         WmfBuilder().SetWindowExt(1000, 1000).SetViewportExt(64, 32).Ellipse(0, 0, 5, 5),
         64,
         32,
         {0, 0, 1000, 1000}},
        {"text mode",
         WmfBuilder().SetMapMode(MmText).SetWindowExt(200, 100).SetViewportExt(5, 5).Ellipse(0, 0,
                                                                                             5, 5),
         200,
         100,
         {0, 0, 200, 100}},
        {"drawing only",
         WmfBuilder().Rectangle(10, 20, 1200, 450).Polyline({{5, 5}, {1500, 30}}),
         100,
         30,
         {0, 0, 1500, 450}},
        {"low metric",
         WmfBuilder().SetMapMode(MmLoMetric).SetViewportExt(120, 90).Rectangle(0, 0, 254, -127),
         96,
         48,
         {0, 0, 254, -127}},
        {"high metric",
         WmfBuilder().SetMapMode(MmHiMetric).Rectangle(2540, -2540, 7620, -5080),
         192,
         96,
         {2540, -2540, 7620, -5080}},
        {"high english",
         WmfBuilder().SetMapMode(MmHiEnglish).Ellipse(0, 0, 500, -250),
         48,
         24,
         {0, 0, 500, -250}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Picture pic = ParseOk(c.File.Build());
        EXPECT_FALSE(pic.Placeable);
        EXPECT_EQ(pic.Width, c.Width);
        EXPECT_EQ(pic.Height, c.Height);
        EXPECT_EQ(pic.Frame, c.Frame);
    }

    auto empty = ParseWmf(WmfBuilder().SetBkMode(1).Build());
    EXPECT_FALSE(empty.Ok());
    // The caps still hold: 16384 x 16384 pixels of twips is more than a picture may have.
    auto huge = ParseWmf(WmfBuilder()
                             .SetWindowExt(30000, 30000)
                             .SetViewportExt(30000, 30000)
                             .Ellipse(0, 0, 5, 5)
                             .Build());
    EXPECT_FALSE(huge.Ok());
}

TEST(WmfParser, RecordParametersAreDecodedInStoredOrder) {
    auto bytes = WmfBuilder()
                     .Placeable(0, 0, 100, 100, 96)
                     .CreatePen(PsDash | 0x0200, 3, Rgb(1, 2, 3))
                     .CreateBrush(BsHatched, Rgb(4, 5, 6), 4)
                     .CreateFont(-12, "Arial", 700, 900)
                     .SetTextColor(Rgb(9, 8, 7))
                     .SetBkColor(0x01000010)  // palette-index flag dropped
                     .RoundRect(1, 2, 30, 40, 6, 8)
                     .ArcLike(FnPie, 0, 0, 50, 60, 50, 30, 25, 0)
                     .Polygon({{1, 2}, {3, 4}, {5, -6}})
                     .PolyPolygon({{{0, 0}, {10, 0}, {10, 10}}, {{2, 2}, {3, 3}}})
                     .TextOut(7, 9, "abc")
                     .ExtTextOut(3, 4, EtoOpaque, 1, 2, 40, 20, "Hi", {6, 7})
                     .ExtTextOut(3, 4, 0, 0, 0, 0, 0, "xyz")
                     .Build();
    Picture pic = ParseOk(bytes);
    auto objects = All<CreateObject>(pic);
    ASSERT_EQ(objects.size(), 3u);
    const Pen& pen = std::get<Pen>(objects[0].Obj);
    EXPECT_EQ(pen.Style, PsDash);
    EXPECT_EQ(pen.EndCap, 2);
    EXPECT_EQ(pen.Width, 3);
    EXPECT_EQ(pen.Colour, Rgb(1, 2, 3));
    const Brush& brush = std::get<Brush>(objects[1].Obj);
    EXPECT_EQ(brush.Style, BsHatched);
    EXPECT_EQ(brush.Colour, Rgb(4, 5, 6));
    EXPECT_EQ(brush.Hatch, 4);
    const Font& font = std::get<Font>(objects[2].Obj);
    EXPECT_EQ(font.Height, -12);
    EXPECT_EQ(font.Weight, 700);
    EXPECT_EQ(font.Escapement, 900);
    EXPECT_EQ(font.FaceName, "Arial");
    EXPECT_EQ(objects[0].Slot, 0);
    EXPECT_EQ(objects[2].Slot, 2);

    EXPECT_EQ(All<SetTextColor>(pic)[0].Colour, Rgb(9, 8, 7));
    EXPECT_EQ(All<SetBkColor>(pic)[0].Colour, Rgb(0x10, 0, 0));
    auto rr = All<RoundRect>(pic)[0];
    EXPECT_EQ(rr.R, (Rect{1, 2, 30, 40}));
    EXPECT_EQ(rr.CornerWidth, 6);
    EXPECT_EQ(rr.CornerHeight, 8);
    auto pie = All<ArcCmd>(pic)[0];
    EXPECT_EQ(pie.Kind, ArcKind::Pie);
    EXPECT_EQ(pie.R, (Rect{0, 0, 50, 60}));
    EXPECT_EQ(pie.Start, (Point{50, 30}));
    EXPECT_EQ(pie.End, (Point{25, 0}));
    EXPECT_EQ(All<Polygon>(pic)[0].Points, (std::vector<Point>{{1, 2}, {3, 4}, {5, -6}}));
    auto pp = All<PolyPolygon>(pic)[0];
    ASSERT_EQ(pp.Polygons.size(), 2u);
    EXPECT_EQ(pp.Polygons[1], (std::vector<Point>{{2, 2}, {3, 3}}));
    auto texts = All<Text>(pic);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].Chars, "abc");
    EXPECT_EQ(texts[0].P, (Point{7, 9}));
    EXPECT_EQ(texts[1].Chars, "Hi");
    EXPECT_EQ(texts[1].Box, (Rect{1, 2, 40, 20}));
    EXPECT_EQ(texts[1].Advances, (std::vector<int>{6, 7}));
    EXPECT_EQ(texts[2].Chars, "xyz");
    EXPECT_TRUE(texts[2].Advances.empty());
    EXPECT_EQ(pic.SkippedRecords, 0u);
}

TEST(WmfParser, ObjectsTakeTheLowestFreeSlot) {
    auto bytes = WmfBuilder()
                     .Placeable(0, 0, 10, 10, 96)
                     .CreatePen(0, 1, 0)
                     .CreatePalette()  // unused by drawing, but takes slot 1
                     .CreateBrush(0, 0)
                     .DeleteObject(1)
                     .CreateFont(10, "x")
                     .CreateBrush(0, 0)
                     .Build();
    auto objects = All<CreateObject>(ParseOk(bytes));
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[1].Slot, 1);
    EXPECT_TRUE(std::holds_alternative<OtherObject>(objects[1].Obj));
    EXPECT_EQ(objects[3].Slot, 1);  // reused
    EXPECT_TRUE(std::holds_alternative<Font>(objects[3].Obj));
    EXPECT_EQ(objects[4].Slot, 3);
}

TEST(WmfParser, ObjectTableIsCapped) {
    WmfBuilder b;
    b.Placeable(0, 0, 10, 10, 96);
    for (int i = 0; i < MaxObjects + 10; ++i)
        b.CreateBrush(0, 0);
    Picture pic = ParseOk(b.Build());
    EXPECT_EQ(All<CreateObject>(pic).size(), static_cast<std::size_t>(MaxObjects));
    EXPECT_EQ(pic.SkippedRecords, 10u);
}

TEST(WmfParser, UnknownAndMalformedRecordsAreSkipped) {
    auto bytes = WmfBuilder()
                     .Placeable(0, 0, 10, 10, 96)
                     .Record(0x0626, {1, 2, 3})          // escape: not drawn
                     .Record(0x0324, {50, 1, 2})         // polygon claiming 50 points
                     .Record(0x041B, {1})                // rectangle without its corners
                     .Record(0x0A32, {0, 0, 0xFFFF, 0})  // negative text length
                     .Rectangle(1, 2, 3, 4)
                     .Build();
    Picture pic = ParseOk(bytes);
    EXPECT_EQ(pic.SkippedRecords, 4u);
    ASSERT_EQ(pic.Commands.size(), 1u);
    EXPECT_EQ(std::get<Rectangle>(pic.Commands[0]).R, (Rect{1, 2, 3, 4}));
    EXPECT_FALSE(pic.Truncated);
}

TEST(WmfParser, BadRecordSizesStopTheListSafely) {
    auto base = WmfBuilder().Placeable(0, 0, 10, 10, 96).Rectangle(1, 1, 5, 5);

    auto zeroSize = base;
    zeroSize.Raw({0, 0, 0, 0, 0x1B, 0x04}).Rectangle(2, 2, 6, 6);
    Picture a = ParseOk(zeroSize.Build());
    EXPECT_TRUE(a.Truncated);
    EXPECT_EQ(a.Commands.size(), 1u);

    auto beyond = base;
    beyond.Raw({0xFF, 0xFF, 0xFF, 0x7F, 0x1B, 0x04, 1, 2});
    Picture b = ParseOk(beyond.Build(false));
    EXPECT_TRUE(b.Truncated);
    EXPECT_EQ(b.Commands.size(), 1u);

    // Cut in the middle of the second record's parameters.
    auto full = WmfBuilder()
                    .Placeable(0, 0, 10, 10, 96)
                    .Rectangle(1, 1, 5, 5)
                    .Rectangle(2, 2, 6, 6)
                    .Build();
    for (std::size_t cut = 22 + 18 + 14; cut < full.size(); ++cut) {
        std::vector<std::uint8_t> part(full.begin(), full.begin() + static_cast<long>(cut));
        Picture c = ParseOk(part);
        EXPECT_EQ(c.Commands.size(), cut >= full.size() - 6 ? 2u : 1u) << cut;
    }

    // Without an end record the list simply ends.
    Picture d = ParseOk(WmfBuilder().Placeable(0, 0, 10, 10, 96).Ellipse(0, 0, 4, 4).Build(false));
    EXPECT_FALSE(d.Truncated);
    EXPECT_EQ(d.Commands.size(), 1u);
}

TEST(WmfParser, BadHeadersAndSizesAreRefused) {
    EXPECT_FALSE(ParseWmf(std::vector<std::uint8_t>{}).Ok());
    EXPECT_FALSE(ParseWmf(std::vector<std::uint8_t>{0xD7, 0xCD, 0xC6, 0x9A, 0, 0}).Ok());
    auto notWmf = WmfBuilder().Placeable(0, 0, 10, 10, 96).Build();
    notWmf[22 + 2] = 12;  // header size other than 9 words
    EXPECT_FALSE(ParseWmf(notWmf).Ok());

    EXPECT_FALSE(ParseWmf(WmfBuilder().Placeable(0, 0, 10, 10, 0).Build()).Ok());
    EXPECT_FALSE(ParseWmf(WmfBuilder().Placeable(5, 0, 5, 10, 96).Build()).Ok());
    // 32000 units at 96 per inch: larger than any picture we make.
    auto huge = ParseWmf(WmfBuilder().Placeable(-16000, 0, 16000, 10, 96).Build());
    ASSERT_FALSE(huge.Ok());
    EXPECT_EQ(huge.ErrorMessage(),
              "The metafile's picture is 32000 x 10 pixels; the largest picture this program "
              "draws from a metafile is 16384 pixels a side and 67108864 pixels in all.");
    // In text mode a unit is a pixel.
    auto pixels = [](int w, int h) {
        return ParseWmf(WmfBuilder().SetMapMode(MmText).SetWindowExt(w, h).Build()).Ok();
    };
    EXPECT_FALSE(pixels(30000, 30000));
    // Within each side but too many pixels in all.
    EXPECT_FALSE(pixels(16000, 16000));
    EXPECT_TRUE(pixels(16000, 10));
}

TEST(WmfParser, BitmapRecordsCarryDecodedDibs) {
    Bitmap dib(4, 3, PixelFormat::Bits24);
    dib.Fill(Rgb(10, 20, 30));
    dib.SetPixel(0, 0, Rgb(255, 0, 0));  // top left
    auto bytes = WmfBuilder()
                     .Placeable(0, 0, 100, 100, 96)
                     .StretchDib(dib, 5, 6, 40, 30, 0, 1, 4, 2)
                     .DibStretchBlt(dib, 1, 2, 8, 6, 0, 1, 4, 2)
                     .DibBitBlt(dib, 7, 8, 4, 3, 0, 0, RopSrcAnd)
                     .Record(FnDibBitBlt, {0x0042, 0x0000, 0, 0, 0, 5, 5, 1, 1})  // no bitmap
                     .Build();
    Picture pic = ParseOk(bytes);
    auto dibs = All<DrawDib>(pic);
    ASSERT_EQ(dibs.size(), 3u);
    ASSERT_TRUE(dibs[0].Dib);
    EXPECT_EQ(dibs[0].Dib->Width(), 4);
    EXPECT_EQ(dibs[0].Dib->Height(), 3);
    EXPECT_EQ(dibs[0].Dib->GetPixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(dibs[0].Dest, (Point{5, 6}));
    EXPECT_EQ(dibs[0].DestWidth, 40);
    EXPECT_EQ(dibs[0].DestHeight, 30);
    // StretchDIBits counts source rows from the bottom of a bottom-up DIB: rows 1..2 from the
    // bottom are rows 0..1 from the top.
    EXPECT_EQ(dibs[0].SrcY, 0);
    EXPECT_EQ(dibs[0].SrcHeight, 2);
    // The blits count from the top.
    EXPECT_EQ(dibs[1].SrcY, 1);
    EXPECT_EQ(dibs[2].Rop, RopSrcAnd);
    EXPECT_EQ(dibs[2].DestWidth, 4);
    auto pats = All<PatBlt>(pic);
    ASSERT_EQ(pats.size(), 1u);
    EXPECT_EQ(pats[0].Rop, RopBlackness);
    EXPECT_EQ(pats[0].Dest, (Point{1, 1}));
    EXPECT_EQ(pats[0].Width, 5);
}

TEST(WmfParser, OversizedOrBrokenDibsAreSkippedWithoutDecoding) {
    // A DIB header claiming 30000 x 30000 pixels of RLE data with only a few bytes behind it.
    std::vector<std::uint8_t> dib;
    PutU32(dib, 40);
    PutI32(dib, 30000);
    PutI32(dib, 30000);
    PutU16(dib, 1);
    PutU16(dib, 8);
    PutU32(dib, 1);  // RLE8
    for (int i = 0; i < 5; ++i)
        PutU32(dib, 0);
    for (int i = 0; i < 256; ++i)
        PutU32(dib, 0);
    PutU16(dib, 0x0100);
    std::vector<std::uint8_t> params;
    PutU32(params, RopSrcCopy);
    PutU16(params, 0);
    for (int i = 0; i < 8; ++i)
        PutU16(params, 10);
    params.insert(params.end(), dib.begin(), dib.end());
    Picture pic = ParseOk(WmfBuilder()
                              .Placeable(0, 0, 10, 10, 96)
                              .RecordBytes(FnStretchDib, params)
                              .RecordBytes(FnStretchDib, {1, 2, 3})
                              .Build());
    EXPECT_TRUE(All<DrawDib>(pic).empty());
    EXPECT_EQ(pic.SkippedRecords, 2u);

    EXPECT_FALSE(DecodePackedDib(dib).Ok());
    EXPECT_FALSE(DecodePackedDib(std::vector<std::uint8_t>{40, 0}).Ok());
}

}  // namespace
}  // namespace gf::wmf
