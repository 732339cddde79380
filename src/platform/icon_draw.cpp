#include "platform/icon_draw.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/pixel_rows.h"

namespace gf {

namespace {

// Source coordinate of target coordinate t when `sourceSize` pixels are spread over
// `targetSize`: sourceSize * t / targetSize, truncated.
int NearestSource(int t, int sourceSize, int targetSize) {
    return static_cast<int>(static_cast<std::int64_t>(sourceSize) * t / targetSize);
}

// One mask row as 0xFF (transparent) or 0 (opaque) per pixel, `count` pixels from column 0.
// Pixels outside the mask count as opaque.
void ReadMaskRow(const Bitmap& mask, int y, int count, std::uint8_t* out) {
    std::memset(out, 0, static_cast<std::size_t>(count));
    if (y < 0 || y >= mask.Height())
        return;
    const int n = std::min(count, mask.Width());
    const std::uint8_t* row = mask.Row(y);
    switch (mask.Format()) {
        case PixelFormat::Bits1:
            for (int x = 0; x < n; ++x)
                out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1u ? 0xFF : 0;
            break;
        case PixelFormat::Bits8:
            for (int x = 0; x < n; ++x)
                out[x] = row[x] == 255 ? 0xFF : 0;
            break;
        default: {
            std::vector<std::uint8_t> bgra(4 * static_cast<std::size_t>(n));
            RowReader(mask).Read(y, 0, n, bgra.data());
            for (int x = 0; x < n; ++x) {
                const std::uint8_t* p = &bgra[4 * static_cast<std::size_t>(x)];
                out[x] = (p[0] == 255 && p[1] == 255 && p[2] == 255) ? 0xFF : 0;
            }
            break;
        }
    }
}

// Draws the icon into the target rectangle (x, y, w, h); target column tx takes source column
// NearestSource(tx - x, ...), and likewise for rows. With w and h equal to the icon's size this
// is the plain, unstretched drawing.
void DrawMapped(Bitmap& target, int x, int y, int w, int h, const Bitmap& color,
                const Bitmap& mask) {
    if (w <= 0 || h <= 0 || color.Empty() || target.Empty())
        return;
    const int x0 = std::max(x, 0);
    const int x1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + w, target.Width()));
    const int y0 = std::max(y, 0);
    const int y1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + h, target.Height()));
    if (x0 >= x1 || y0 >= y1)
        return;
    const int span = x1 - x0;

    const bool blend = color.Format() == PixelFormat::Bits32 && HasAnyAlpha(color);
    const int cw = color.Width();
    std::vector<int> columns(static_cast<std::size_t>(span));
    for (int i = 0; i < span; ++i)
        columns[i] = NearestSource(x0 + i - x, cw, w);

    RowReader colorReader(color);
    RowReader targetReader(target);
    RowWriter targetWriter(target);
    std::vector<std::uint8_t> colorRow(4 * static_cast<std::size_t>(cw));
    std::vector<std::uint8_t> maskRow(static_cast<std::size_t>(cw));
    std::vector<std::uint8_t> out(4 * static_cast<std::size_t>(span));
    int loadedRow = -1;
    for (int ty = y0; ty < y1; ++ty) {
        int sy = NearestSource(ty - y, color.Height(), h);
        if (sy != loadedRow) {
            colorReader.Read(sy, 0, cw, colorRow.data());
            if (!blend)
                ReadMaskRow(mask, sy, cw, maskRow.data());
            loadedRow = sy;
        }
        targetReader.Read(ty, x0, span, out.data());
        for (int i = 0; i < span; ++i) {
            const std::uint8_t* c = &colorRow[4 * static_cast<std::size_t>(columns[i])];
            std::uint8_t* b = &out[4 * static_cast<std::size_t>(i)];
            if (blend) {
                const unsigned a = c[3];
                for (int k = 0; k < 3; ++k) {
                    b[k] = static_cast<std::uint8_t>(c[k] * a / 255 + b[k] * (255 - a) / 255);
                }
            } else {
                const std::uint8_t m = maskRow[static_cast<std::size_t>(columns[i])];
                for (int k = 0; k < 3; ++k)
                    b[k] = static_cast<std::uint8_t>((b[k] & m) ^ c[k]);
            }
            // b[3] keeps the target's own alpha byte.
        }
        targetWriter.Write(ty, x0, span, out.data());
    }
}

// Spreads `sourceSize` pixels over `targetSize` as integer overlaps: in units where a source
// pixel is targetSize long and a target pixel sourceSize long, target pixel t covers
// [t * sourceSize, (t + 1) * sourceSize) and takes every source pixel it overlaps, weighted by
// the length of the overlap. The weights of one target pixel add up to sourceSize.
struct Footprints {
    std::vector<int> First;   // per target pixel: index into Source/Weight
    std::vector<int> Count;   // per target pixel
    std::vector<int> Source;  // source pixel
    std::vector<std::uint32_t> Weight;

    Footprints(int sourceSize, int targetSize) {
        First.resize(static_cast<std::size_t>(targetSize));
        Count.resize(static_cast<std::size_t>(targetSize));
        for (int t = 0; t < targetSize; ++t) {
            const std::int64_t lo = std::int64_t{t} * sourceSize;
            const std::int64_t hi = lo + sourceSize;
            First[t] = static_cast<int>(Source.size());
            for (std::int64_t s = lo / targetSize; s * targetSize < hi && s < sourceSize; ++s) {
                const std::int64_t from = std::max(lo, s * targetSize);
                const std::int64_t to = std::min(hi, (s + 1) * targetSize);
                if (to <= from)
                    continue;
                Source.push_back(static_cast<int>(s));
                Weight.push_back(static_cast<std::uint32_t>(to - from));
            }
            Count[t] = static_cast<int>(Source.size()) - First[t];
        }
    }
};

}  // namespace

bool HasAnyAlpha(const Bitmap& bitmap32) {
    if (bitmap32.Format() != PixelFormat::Bits32)
        return false;
    const int w = bitmap32.Width();
    for (int y = 0; y < bitmap32.Height(); ++y) {
        const std::uint8_t* row = bitmap32.Row(y);
        for (int x = 0; x < w; ++x) {
            if (row[4 * static_cast<std::size_t>(x) + 3] != 0)
                return true;
        }
    }
    return false;
}

bool MaskIsTransparent(const Bitmap& mask, int x, int y) {
    if (x < 0 || y < 0 || x >= mask.Width() || y >= mask.Height())
        return false;
    switch (mask.Format()) {
        case PixelFormat::Bits1:
            return ((mask.Row(y)[x >> 3] >> (7 - (x & 7))) & 1u) != 0;
        case PixelFormat::Bits8:
            return mask.Row(y)[x] == 255;
        default:
            return mask.GetPixel(x, y) == White;
    }
}

void DrawIcon(Bitmap& target, int x, int y, const Bitmap& color, const Bitmap& mask) {
    DrawMapped(target, x, y, color.Width(), color.Height(), color, mask);
}

void DrawIconStretched(Bitmap& target, int x, int y, int w, int h, const Bitmap& color,
                       const Bitmap& mask) {
    DrawMapped(target, x, y, w, h, color, mask);
}

// Shrinking averages every source pixel under a target pixel by the area it covers; enlarging
// mixes the one or two source pixels under each target pixel by their overlap (a box filter);
// equal sizes copy the pixels unchanged. Every format other than Bits32 gives a 24-bit result.
Bitmap StretchAreaAverage(const Bitmap& source, int w, int h, PixelFormat format) {
    const PixelFormat outFormat =
        format == PixelFormat::Bits32 ? PixelFormat::Bits32 : PixelFormat::Bits24;
    Bitmap target(w, h, outFormat);
    if (target.Empty() || source.Empty())
        return target;
    const int sw = source.Width();
    const int sh = source.Height();
    const Footprints across(sw, w);
    const Footprints down(sh, h);

    // Horizontal sums of one source row: three channels per target column, each at most
    // 255 * sw. Two rows are kept, since neighbouring target rows share their boundary row.
    RowReader reader(source);
    std::vector<std::uint8_t> line(4 * static_cast<std::size_t>(sw));
    std::vector<std::uint32_t> sums[2] = {
        std::vector<std::uint32_t>(3 * static_cast<std::size_t>(w)),
        std::vector<std::uint32_t>(3 * static_cast<std::size_t>(w))};
    int sumsRow[2] = {-1, -1};
    int nextSlot = 0;
    auto rowSums = [&](int sy) -> const std::vector<std::uint32_t>& {
        for (int k = 0; k < 2; ++k) {
            if (sumsRow[k] == sy)
                return sums[k];
        }
        int slot = nextSlot;
        nextSlot ^= 1;
        reader.Read(sy, 0, sw, line.data());
        std::uint32_t* out = sums[slot].data();
        for (int tx = 0; tx < w; ++tx) {
            std::uint32_t b = 0, g = 0, r = 0;
            const int first = across.First[tx];
            for (int k = first; k < first + across.Count[tx]; ++k) {
                const std::uint8_t* p = &line[4 * static_cast<std::size_t>(across.Source[k])];
                const std::uint32_t wt = across.Weight[k];
                b += p[0] * wt;
                g += p[1] * wt;
                r += p[2] * wt;
            }
            out[3 * tx] = b;
            out[3 * tx + 1] = g;
            out[3 * tx + 2] = r;
        }
        sumsRow[slot] = sy;
        return sums[slot];
    };

    const std::uint64_t total = static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh);
    const int pixelBytes = outFormat == PixelFormat::Bits32 ? 4 : 3;
    std::vector<std::uint64_t> acc(3 * static_cast<std::size_t>(w));
    for (int ty = 0; ty < h; ++ty) {
        std::fill(acc.begin(), acc.end(), 0);
        const int first = down.First[ty];
        for (int k = first; k < first + down.Count[ty]; ++k) {
            const std::vector<std::uint32_t>& s = rowSums(down.Source[k]);
            const std::uint64_t wt = down.Weight[k];
            for (std::size_t i = 0; i < acc.size(); ++i)
                acc[i] += s[i] * wt;
        }
        std::uint8_t* row = target.Row(ty);
        for (int tx = 0; tx < w; ++tx) {
            std::uint8_t* p = row + static_cast<std::size_t>(tx) * pixelBytes;
            for (int c = 0; c < 3; ++c) {
                p[c] = static_cast<std::uint8_t>((acc[3 * tx + c] + total / 2) / total);
            }
        }
    }
    return target;
}

Bitmap StretchAreaAverageWithAlpha(const Bitmap& source32, int w, int h) {
    // Averaged as two pictures, the colours premultiplied by alpha and the alpha itself, then
    // divided again.
    const int sw = source32.Width(), sh = source32.Height();
    Bitmap premultiplied(sw, sh, PixelFormat::Bits32);
    Bitmap alpha(sw, sh, PixelFormat::Bits24);
    for (int y = 0; y < sh; ++y) {
        const std::uint8_t* in = source32.Row(y);
        std::uint8_t* colour = premultiplied.Row(y);
        std::uint8_t* a = alpha.Row(y);
        for (int x = 0; x < sw; ++x, in += 4, colour += 4, a += 3) {
            const unsigned weight = in[3];
            for (int c = 0; c < 3; ++c)
                colour[c] = static_cast<std::uint8_t>((in[c] * weight + 127) / 255);
            a[0] = a[1] = a[2] = in[3];
        }
    }
    const Bitmap colours = StretchAreaAverage(premultiplied, w, h, PixelFormat::Bits32);
    const Bitmap alphas = StretchAreaAverage(alpha, w, h, PixelFormat::Bits24);
    Bitmap target(w, h, PixelFormat::Bits32);
    for (int y = 0; y < target.Height(); ++y) {
        const std::uint8_t* colour = colours.Row(y);
        const std::uint8_t* a = alphas.Row(y);
        std::uint8_t* out = target.Row(y);
        for (int x = 0; x < target.Width(); ++x, colour += 4, a += 3, out += 4) {
            const unsigned weight = a[0];
            for (int c = 0; c < 3; ++c) {
                out[c] = weight == 0 ? 0
                                     : static_cast<std::uint8_t>(std::min<unsigned>(
                                           255, (colour[c] * 255u + weight / 2) / weight));
            }
            out[3] = a[0];
        }
    }
    return target;
}

Bitmap StretchNearest(const Bitmap& source, int w, int h) {
    Bitmap target(w, h, source.Format());
    if (IsIndexed(source.Format()))
        target.SetPalette(source.Palette());
    if (source.Format() == PixelFormat::Bits16)
        target.SetMasks(source.Masks());
    target.XPelsPerMeter = source.XPelsPerMeter;
    target.YPelsPerMeter = source.YPelsPerMeter;
    if (target.Empty() || source.Empty())
        return target;

    const int bits = source.BitCount();
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int tx = 0; tx < w; ++tx)
        columns[tx] = NearestSource(tx, source.Width(), w);
    for (int ty = 0; ty < h; ++ty) {
        const std::uint8_t* src = source.Row(NearestSource(ty, source.Height(), h));
        std::uint8_t* dst = target.Row(ty);
        if (bits >= 8) {
            const std::size_t bytes = static_cast<std::size_t>(bits / 8);
            for (int tx = 0; tx < w; ++tx) {
                std::memcpy(dst + tx * bytes, src + columns[tx] * bytes, bytes);
            }
        } else {
            for (int tx = 0; tx < w; ++tx) {
                CopyPixelBits(src, static_cast<std::size_t>(columns[tx]) * bits, dst,
                              static_cast<std::size_t>(tx) * bits, 1, bits);
            }
        }
    }
    return target;
}

}  // namespace gf
