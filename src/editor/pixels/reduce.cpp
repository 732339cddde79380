#include "editor/pixels/reduce.h"

#include <algorithm>
#include <array>
#include <climits>

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
    : CacheKeys(1 << 16, 0), CacheValues(1 << 16, 0) {
    for (int i = 0; i < static_cast<int>(palette.size()); ++i)
        ByRed.push_back({RedOf(palette[i]), GreenOf(palette[i]), BlueOf(palette[i]), i});
    std::sort(ByRed.begin(), ByRed.end(), [](const Entry& a, const Entry& b) {
        return a.R != b.R ? a.R < b.R : a.Index < b.Index;
    });
}

int NearestColourMap::Nearest(Color c) {
    c &= 0xFFFFFF;
    const std::uint32_t slot = (c ^ (c >> 12) ^ (c >> 5)) & 0xFFFF;
    if (CacheKeys[slot] == (c | 0x80000000u))
        return CacheValues[slot];
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    // Search outwards from the entries nearest in red; stop in a direction once the red
    // difference alone exceeds the best distance.
    auto first = std::lower_bound(ByRed.begin(), ByRed.end(), r,
                                  [](const Entry& e, int red) { return e.R < red; });
    int best = INT_MAX, bestIndex = 0;
    auto consider = [&](const Entry& e) {
        const int dr = e.R - r, dg = e.G - g, db = e.B - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best || (d == best && e.Index < bestIndex)) {
            best = d;
            bestIndex = e.Index;
        }
    };
    for (auto it = first; it != ByRed.end(); ++it) {
        const int dr = it->R - r;
        if (dr * dr > best)
            break;
        consider(*it);
    }
    for (auto it = first; it != ByRed.begin();) {
        --it;
        const int dr = it->R - r;
        if (dr * dr > best)
            break;
        consider(*it);
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

void MapToPalette(Bitmap& picture, int bits, const std::vector<Color>& table) {
    const PixelFormat format = bits == 1   ? PixelFormat::Bits1
                               : bits == 4 ? PixelFormat::Bits4
                                           : PixelFormat::Bits8;
    const int w = picture.Width(), h = picture.Height();
    Bitmap out(w, h, format);
    out.SetPalette(table);
    NearestColourMap map(table);
    RowReader reader(picture);
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        reader.Read(y, 0, w, bgra.data());
        std::uint8_t* row = out.Row(y);
        const std::uint8_t* s = bgra.data();
        if (bits == 8) {
            for (int x = 0; x < w; ++x, s += 4)
                row[x] = static_cast<std::uint8_t>(map.Nearest(Rgb(s[2], s[1], s[0])));
        } else if (bits == 4) {
            for (int x = 0; x < w; ++x, s += 4) {
                const auto v = static_cast<std::uint8_t>(map.Nearest(Rgb(s[2], s[1], s[0])));
                row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : v;
            }
        } else {
            for (int x = 0; x < w; ++x, s += 4)
                if (map.Nearest(Rgb(s[2], s[1], s[0])) != 0)
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    out.XPelsPerMeter = picture.XPelsPerMeter;
    out.YPelsPerMeter = picture.YPelsPerMeter;
    picture = std::move(out);
}

Status ReduceToPalette(Bitmap& picture, int bits, PaletteKind kind, Bitmap* paletteImage) {
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
    std::vector<Color> table(palette.begin(), palette.begin() + n);
    if (paletteImage)
        DrawPaletteGrid(*paletteImage, table, n);
    MapToPalette(picture, bits, table);
    return Status::Success();
}

}  // namespace gf
