#include "support/wmf_builder.h"

#include <algorithm>

#include "platform/bmp_codec.h"
#include "platform/byte_reader.h"

namespace gf::test {
namespace {

std::uint16_t W(int v) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
}
std::uint16_t Lo(std::uint32_t v) {
    return static_cast<std::uint16_t>(v);
}
std::uint16_t Hi(std::uint32_t v) {
    return static_cast<std::uint16_t>(v >> 16);
}

void AppendWords(std::vector<std::uint16_t>& words, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint16_t lo = bytes[i];
        std::uint16_t hi = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        words.push_back(static_cast<std::uint16_t>(lo | (hi << 8)));
    }
}

std::vector<std::uint16_t> StringWords(const std::string& text) {
    std::vector<std::uint16_t> words;
    AppendWords(words, std::vector<std::uint8_t>(text.begin(), text.end()));
    return words;
}

}  // namespace

std::vector<std::uint8_t> PackedDib(const Bitmap& bitmap) {
    auto file = EncodeBmp(bitmap);
    return std::vector<std::uint8_t>(file.begin() + 14, file.end());
}

WmfBuilder& WmfBuilder::Placeable(int left, int top, int right, int bottom, int unitsPerInch) {
    HasPlaceable = true;
    Bounds[0] = left;
    Bounds[1] = top;
    Bounds[2] = right;
    Bounds[3] = bottom;
    Bounds[4] = unitsPerInch;
    return *this;
}

WmfBuilder& WmfBuilder::ObjectCount(int count) {
    Objects = count;
    return *this;
}

WmfBuilder& WmfBuilder::Record(std::uint16_t function, const std::vector<std::uint16_t>& words) {
    auto size = static_cast<std::uint32_t>(3 + words.size());
    PutU32(Records, size);
    PutU16(Records, function);
    for (auto w : words)
        PutU16(Records, w);
    MaxRecordWords = std::max(MaxRecordWords, size);
    return *this;
}

WmfBuilder& WmfBuilder::RecordBytes(std::uint16_t function,
                                    const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint16_t> words;
    AppendWords(words, bytes);
    return Record(function, words);
}

WmfBuilder& WmfBuilder::Raw(const std::vector<std::uint8_t>& bytes) {
    Records.insert(Records.end(), bytes.begin(), bytes.end());
    return *this;
}

WmfBuilder& WmfBuilder::SetWindowOrg(int x, int y) {
    return Record(0x020B, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::SetWindowExt(int x, int y) {
    return Record(0x020C, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::SetViewportOrg(int x, int y) {
    return Record(0x020D, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::SetViewportExt(int x, int y) {
    return Record(0x020E, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::SetMapMode(int mode) {
    return Record(0x0103, {W(mode)});
}
WmfBuilder& WmfBuilder::SetBkMode(int mode) {
    return Record(0x0102, {W(mode), 0});
}
WmfBuilder& WmfBuilder::SetBkColor(Color c) {
    return Record(0x0201, {Lo(c), Hi(c)});
}
WmfBuilder& WmfBuilder::SetTextColor(Color c) {
    return Record(0x0209, {Lo(c), Hi(c)});
}
WmfBuilder& WmfBuilder::SetTextAlign(unsigned align) {
    return Record(0x012E, {W(align), 0});
}
WmfBuilder& WmfBuilder::SetPolyFillMode(int mode) {
    return Record(0x0106, {W(mode), 0});
}
WmfBuilder& WmfBuilder::SaveDc() {
    return Record(0x001E, {});
}
WmfBuilder& WmfBuilder::RestoreDc(int which) {
    return Record(0x0127, {W(which)});
}

WmfBuilder& WmfBuilder::CreatePen(int style, int width, Color c) {
    ++Created;
    return Record(0x02FA, {W(style), W(width), 0, Lo(c), Hi(c)});
}

WmfBuilder& WmfBuilder::CreateBrush(int style, Color c, int hatch) {
    ++Created;
    return Record(0x02FC, {W(style), Lo(c), Hi(c), W(hatch)});
}

WmfBuilder& WmfBuilder::CreateFont(int height, const std::string& face, int weight,
                                   int escapement) {
    ++Created;
    std::vector<std::uint8_t> bytes;
    PutU16(bytes, W(height));
    PutU16(bytes, 0);  // width
    PutU16(bytes, W(escapement));
    PutU16(bytes, W(escapement));
    PutU16(bytes, W(weight));
    for (int i = 0; i < 8; ++i)
        PutU8(bytes, 0);  // italic .. pitch and family
    std::string name = face.substr(0, 31);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.resize(bytes.size() + (32 - name.size()), 0);
    return RecordBytes(0x02FB, bytes);
}

WmfBuilder& WmfBuilder::CreateDibPatternBrush(const Bitmap& pattern) {
    ++Created;
    std::vector<std::uint16_t> words{5, 0};  // BS_DIBPATTERN, colours in the DIB's own table
    AppendWords(words, PackedDib(pattern));
    return Record(0x0142, words);
}

WmfBuilder& WmfBuilder::SetStretchBltMode(int mode) {
    return Record(0x0107, {W(mode)});
}

WmfBuilder& WmfBuilder::CreatePalette() {
    ++Created;
    // Start 0x300, one entry.
    return Record(0x00F7, {0x0300, 1, 0, 0});
}

WmfBuilder& WmfBuilder::SelectObject(int slot) {
    return Record(0x012D, {W(slot)});
}
WmfBuilder& WmfBuilder::DeleteObject(int slot) {
    return Record(0x01F0, {W(slot)});
}

WmfBuilder& WmfBuilder::IntersectClipRect(int left, int top, int right, int bottom) {
    return Record(0x0416, {W(bottom), W(right), W(top), W(left)});
}
WmfBuilder& WmfBuilder::ExcludeClipRect(int left, int top, int right, int bottom) {
    return Record(0x0415, {W(bottom), W(right), W(top), W(left)});
}
WmfBuilder& WmfBuilder::MoveTo(int x, int y) {
    return Record(0x0214, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::LineTo(int x, int y) {
    return Record(0x0213, {W(y), W(x)});
}
WmfBuilder& WmfBuilder::Rectangle(int left, int top, int right, int bottom) {
    return Record(0x041B, {W(bottom), W(right), W(top), W(left)});
}
WmfBuilder& WmfBuilder::RoundRect(int left, int top, int right, int bottom, int cornerW,
                                  int cornerH) {
    return Record(0x061C, {W(cornerH), W(cornerW), W(bottom), W(right), W(top), W(left)});
}
WmfBuilder& WmfBuilder::Ellipse(int left, int top, int right, int bottom) {
    return Record(0x0418, {W(bottom), W(right), W(top), W(left)});
}
WmfBuilder& WmfBuilder::ArcLike(std::uint16_t function, int left, int top, int right, int bottom,
                                int xStart, int yStart, int xEnd, int yEnd) {
    return Record(function,
                  {W(yEnd), W(xEnd), W(yStart), W(xStart), W(bottom), W(right), W(top), W(left)});
}

WmfBuilder& WmfBuilder::Polygon(const std::vector<std::pair<int, int>>& points) {
    std::vector<std::uint16_t> words{W(static_cast<int>(points.size()))};
    for (auto [x, y] : points) {
        words.push_back(W(x));
        words.push_back(W(y));
    }
    return Record(0x0324, words);
}

WmfBuilder& WmfBuilder::Polyline(const std::vector<std::pair<int, int>>& points) {
    std::vector<std::uint16_t> words{W(static_cast<int>(points.size()))};
    for (auto [x, y] : points) {
        words.push_back(W(x));
        words.push_back(W(y));
    }
    return Record(0x0325, words);
}

WmfBuilder& WmfBuilder::PolyPolygon(const std::vector<std::vector<std::pair<int, int>>>& polygons) {
    std::vector<std::uint16_t> words{W(static_cast<int>(polygons.size()))};
    for (const auto& poly : polygons)
        words.push_back(W(static_cast<int>(poly.size())));
    for (const auto& poly : polygons) {
        for (auto [x, y] : poly) {
            words.push_back(W(x));
            words.push_back(W(y));
        }
    }
    return Record(0x0538, words);
}

WmfBuilder& WmfBuilder::SetPixel(int x, int y, Color c) {
    return Record(0x041F, {Lo(c), Hi(c), W(y), W(x)});
}

WmfBuilder& WmfBuilder::TextOut(int x, int y, const std::string& text) {
    std::vector<std::uint16_t> words{W(static_cast<int>(text.size()))};
    auto s = StringWords(text);
    words.insert(words.end(), s.begin(), s.end());
    words.push_back(W(y));
    words.push_back(W(x));
    return Record(0x0521, words);
}

WmfBuilder& WmfBuilder::ExtTextOut(int x, int y, unsigned options, int left, int top, int right,
                                   int bottom, const std::string& text,
                                   const std::vector<int>& advances) {
    std::vector<std::uint16_t> words{W(y), W(x), W(static_cast<int>(text.size())), W(options)};
    if (options & 0x6) {
        words.insert(words.end(), {W(left), W(top), W(right), W(bottom)});
    }
    auto s = StringWords(text);
    words.insert(words.end(), s.begin(), s.end());
    for (int a : advances)
        words.push_back(W(a));
    return Record(0x0A32, words);
}

WmfBuilder& WmfBuilder::PatBlt(int x, int y, int w, int h, std::uint32_t rop) {
    return Record(0x061D, {Lo(rop), Hi(rop), W(h), W(w), W(y), W(x)});
}

WmfBuilder& WmfBuilder::StretchDib(const Bitmap& dib, int xDest, int yDest, int wDest, int hDest,
                                   int xSrc, int ySrc, int wSrc, int hSrc, std::uint32_t rop) {
    std::vector<std::uint16_t> words{Lo(rop), Hi(rop),  0,        W(hSrc),  W(wSrc), W(ySrc),
                                     W(xSrc), W(hDest), W(wDest), W(yDest), W(xDest)};
    AppendWords(words, PackedDib(dib));
    return Record(0x0F43, words);
}

WmfBuilder& WmfBuilder::DibStretchBlt(const Bitmap& dib, int xDest, int yDest, int wDest, int hDest,
                                      int xSrc, int ySrc, int wSrc, int hSrc, std::uint32_t rop) {
    std::vector<std::uint16_t> words{Lo(rop), Hi(rop),  W(hSrc),  W(wSrc),  W(ySrc),
                                     W(xSrc), W(hDest), W(wDest), W(yDest), W(xDest)};
    AppendWords(words, PackedDib(dib));
    return Record(0x0B41, words);
}

WmfBuilder& WmfBuilder::DibBitBlt(const Bitmap& dib, int xDest, int yDest, int w, int h, int xSrc,
                                  int ySrc, std::uint32_t rop) {
    std::vector<std::uint16_t> words{Lo(rop), Hi(rop), W(ySrc),  W(xSrc),
                                     W(h),    W(w),    W(yDest), W(xDest)};
    AppendWords(words, PackedDib(dib));
    return Record(0x0940, words);
}

std::vector<std::uint8_t> WmfBuilder::Build(bool withEof) const {
    std::vector<std::uint8_t> out;
    if (HasPlaceable) {
        std::vector<std::uint8_t> head;
        PutU32(head, 0x9AC6CDD7);
        PutU16(head, 0);
        for (int i = 0; i < 4; ++i)
            PutU16(head, W(Bounds[i]));
        PutU16(head, W(Bounds[4]));
        PutU32(head, 0);
        std::uint16_t sum = 0;
        for (std::size_t i = 0; i < head.size(); i += 2) {
            sum ^= static_cast<std::uint16_t>(head[i] | (head[i + 1] << 8));
        }
        PutU16(head, sum);
        out.insert(out.end(), head.begin(), head.end());
    }
    auto totalWords = static_cast<std::uint32_t>(9 + Records.size() / 2 + (withEof ? 3 : 0));
    PutU16(out, 1);       // memory metafile
    PutU16(out, 9);       // header words
    PutU16(out, 0x0300);  // version
    PutU32(out, totalWords);
    PutU16(out, static_cast<std::uint16_t>(Objects >= 0 ? Objects : Created));
    PutU32(out, std::max<std::uint32_t>(MaxRecordWords, 3));
    PutU16(out, 0);
    out.insert(out.end(), Records.begin(), Records.end());
    if (withEof) {
        PutU32(out, 3);
        PutU16(out, 0);
    }
    return out;
}

}  // namespace gf::test
