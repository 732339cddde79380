#include "editor/pixels/reduce.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#include "platform/jpeg_codec.h"
#include "platform/pixel_rows.h"

namespace gf {

Result<std::vector<Color>> OptimizedPalette(const Bitmap& picture) {
    if (picture.Empty())
        return std::vector<Color>(256, Black);
    auto jpeg = EncodeJpeg(picture, 100);
    if (!jpeg)
        return Error{"Could not compute the optimized palette: " + jpeg.ErrorMessage()};
    auto quantised = DecodeJpegQuantized(Bytes(jpeg.Value()), 236, true);
    if (!quantised)
        return Error{"Could not compute the optimized palette: " + quantised.ErrorMessage()};
    const Bitmap& q = quantised.Value();
    std::vector<Color> p = q.Palette();
    if (p.empty())
        p.push_back(Black);
    if (p.size() > 256)
        p.resize(256);
    const Color filler = p[0];
    p.resize(256, filler);

    std::array<long long, 256> count{};
    for (int y = 0; y < q.Height(); ++y) {
        const std::uint8_t* row = q.Row(y);
        for (int x = 0; x < q.Width(); ++x)
            ++count[row[x]];
    }
    // Most used first; this exchange order decides ties.
    for (int i = 0; i < 255; ++i)
        for (int j = i + 1; j < 256; ++j)
            if (count[j] > count[i]) {
                std::swap(p[i], p[j]);
                std::swap(count[i], count[j]);
            }
    return p;
}

NearestColourMap::NearestColourMap(std::vector<Color> palette)
    : Palette(std::move(palette)),
      Cells(CellsPerSide * CellsPerSide * CellsPerSide),
      CellReady(Cells.size(), 0),
      CacheKeys(1 << 14, 0),
      CacheValues(1 << 14, 0) {
    if (Palette.empty())
        Palette.push_back(Black);
    // A repeated colour never wins over its first occurrence.
    std::vector<Color> seen;
    for (int i = 0; i < static_cast<int>(Palette.size()); ++i) {
        const Color c = Palette[i] & 0xFFFFFF;
        if (std::find(seen.begin(), seen.end(), c) != seen.end())
            continue;
        seen.push_back(c);
        Distinct.push_back(static_cast<std::uint16_t>(i));
    }
}

const std::vector<NearestColourMap::Candidate>& NearestColourMap::Candidates(int r, int g, int b) {
    const int cr = r >> CellShift, cg = g >> CellShift, cb = b >> CellShift;
    const int cell = (cr * CellsPerSide + cg) * CellsPerSide + cb;
    std::vector<Candidate>& list = Cells[cell];
    if (CellReady[cell])
        return list;
    constexpr int side = 1 << CellShift;
    const int lo[3] = {cr * side, cg * side, cb * side};
    const int hi[3] = {lo[0] + side - 1, lo[1] + side - 1, lo[2] + side - 1};
    std::uint32_t minMax = UINT32_MAX;
    std::vector<Candidate> all;
    all.reserve(Distinct.size());
    for (std::uint16_t i : Distinct) {
        const int v[3] = {RedOf(Palette[i]), GreenOf(Palette[i]), BlueOf(Palette[i])};
        std::uint32_t dMin = 0, dMax = 0;
        for (int k = 0; k < 3; ++k) {
            const int below = v[k] < lo[k] ? lo[k] - v[k] : v[k] > hi[k] ? v[k] - hi[k] : 0;
            const int far = std::max(std::abs(v[k] - lo[k]), std::abs(v[k] - hi[k]));
            dMin += static_cast<std::uint32_t>(below * below);
            dMax += static_cast<std::uint32_t>(far * far);
        }
        all.push_back({dMin, i});
        minMax = std::min(minMax, dMax);
    }
    for (const Candidate& c : all)
        if (c.MinDist <= minMax)
            list.push_back(c);
    std::stable_sort(list.begin(), list.end(),
                     [](const Candidate& p, const Candidate& q) { return p.MinDist < q.MinDist; });
    CellReady[cell] = 1;
    return list;
}

int NearestColourMap::Nearest(Color c) {
    c &= 0xFFFFFF;
    const std::uint32_t slot = (c ^ (c >> 11) ^ (c >> 17)) & 0x3FFF;
    if (CacheKeys[slot] == (c | 0x80000000u))
        return CacheValues[slot];
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    std::uint32_t best = UINT32_MAX;
    int bestIndex = 0;
    for (const Candidate& cand : Candidates(r, g, b)) {
        if (cand.MinDist > best)
            break;  // no later candidate can come nearer
        const Color e = Palette[cand.Index];
        const int dr = RedOf(e) - r, dg = GreenOf(e) - g, db = BlueOf(e) - b;
        const auto d = static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
        if (d < best || (d == best && cand.Index < bestIndex)) {
            best = d;
            bestIndex = cand.Index;
        }
    }
    CacheKeys[slot] = c | 0x80000000u;
    CacheValues[slot] = static_cast<std::uint8_t>(bestIndex);
    return bestIndex;
}

Result<std::vector<Color>> PaletteOfKind(const Bitmap& picture, PaletteKind kind,
                                         const Bitmap* paletteImage) {
    switch (kind) {
        case PaletteKind::Custom:
            if (paletteImage)
                return ReadPaletteGrid(*paletteImage);
            return OptimizedPalette(picture);
        case PaletteKind::Default:
            return std::vector<Color>();  // depends on the depth
        case PaletteKind::WebSafe216:
            return WebSafePalette();
        case PaletteKind::Gray:
            return GrayPalette();
        case PaletteKind::Windows16:
            return Windows16Palette();
        default:
            return OptimizedPalette(picture);
    }
}

namespace {

bool IsBlack(Color c) {
    return (c & 0xFFFFFF) == Black;
}

// The entry transparent pixels index, made pure black, since the AND/XOR drawing shows a
// transparent pixel as the ground XOR its colour: the table's first black; else an entry no
// visible pixel takes (the quantiser's spare entries); else the least used one, whose pixels
// then take their nearest other entry.
int BlackEntryForTransparency(std::vector<Color>& table, const std::vector<long long>& uses,
                              bool& remap) {
    remap = false;
    const int n = static_cast<int>(table.size());
    for (int i = 0; i < n; ++i)
        if (IsBlack(table[i]))
            return i;
    for (int i = 0; i < n; ++i) {
        if (uses[static_cast<std::size_t>(i)] == 0) {
            table[i] = Black;
            return i;
        }
    }
    int least = n - 1;
    for (int i = n - 1; i >= 0; --i)
        if (uses[static_cast<std::size_t>(i)] < uses[static_cast<std::size_t>(least)])
            least = i;
    table[least] = Black;
    remap = true;
    return least;
}

}  // namespace

void MapToPalette(Bitmap& picture, int bits, std::vector<Color> table, const Bitmap* mask) {
    const PixelFormat format = bits == 1   ? PixelFormat::Bits1
                               : bits == 4 ? PixelFormat::Bits4
                                           : PixelFormat::Bits8;
    const int w = picture.Width(), h = picture.Height();
    if (mask && (mask->Format() != PixelFormat::Bits8 || mask->Width() != w ||
                 mask->Height() != h))
        mask = nullptr;
    auto transparent = [&](int x, int y) { return mask && mask->Row(y)[x] == 255; };

    // Every pixel's index first, so that the table can still change for transparent pixels.
    std::vector<std::uint8_t> index(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::vector<long long> uses(table.size(), 0);
    bool anyTransparent = false;
    {
        NearestColourMap map(table);
        RowReader reader(picture);
        std::vector<std::uint8_t> bgra(static_cast<std::size_t>(w) * 4);
        for (int y = 0; y < h; ++y) {
            reader.Read(y, 0, w, bgra.data());
            std::uint8_t* out = &index[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
            const std::uint8_t* s = bgra.data();
            for (int x = 0; x < w; ++x, s += 4) {
                if (transparent(x, y)) {
                    anyTransparent = true;
                    continue;
                }
                out[x] = static_cast<std::uint8_t>(map.Nearest(Rgb(s[2], s[1], s[0])));
                ++uses[out[x]];
            }
        }
    }
    if (anyTransparent) {
        bool remap = false;
        const int black = BlackEntryForTransparency(table, uses, remap);
        NearestColourMap map(table);
        const int lost = remap ? black : -1;
        for (int y = 0; y < h; ++y) {
            std::uint8_t* out = &index[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
            for (int x = 0; x < w; ++x) {
                if (transparent(x, y))
                    out[x] = static_cast<std::uint8_t>(black);
                else if (out[x] == lost)
                    out[x] = static_cast<std::uint8_t>(map.Nearest(picture.GetPixel(x, y)));
            }
        }
    }

    Bitmap packed(w, h, format);
    packed.SetPalette(table);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = &index[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
        std::uint8_t* row = packed.Row(y);
        if (bits == 8) {
            std::copy(in, in + w, row);
        } else if (bits == 4) {
            for (int x = 0; x < w; ++x)
                row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(in[x] << 4) : in[x];
        } else {
            for (int x = 0; x < w; ++x)
                if (in[x] != 0)
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    packed.XPelsPerMeter = picture.XPelsPerMeter;
    packed.YPelsPerMeter = picture.YPelsPerMeter;
    picture = std::move(packed);
}

Status ReduceToPalette(Bitmap& picture, int bits, PaletteKind kind, Bitmap* paletteImage,
                       const Bitmap* mask) {
    if (bits != 1 && bits != 4)
        bits = 8;
    const int n = 1 << bits;
    std::vector<Color> palette;
    if (kind == PaletteKind::Default) {
        palette = DefaultKindPalette(bits);
    } else {
        auto p = PaletteOfKind(picture, kind, paletteImage);
        if (!p)
            return Error{p.ErrorMessage()};
        palette = std::move(p.Value());
    }
    palette.resize(256, Black);
    MapToPalette(picture, bits, std::vector<Color>(palette.begin(), palette.begin() + n), mask);
    if (paletteImage)
        DrawPaletteGrid(*paletteImage, picture.Palette(), n);
    return Status::Success();
}

}  // namespace gf
