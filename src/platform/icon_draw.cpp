#include "platform/icon_draw.h"

#include <algorithm>
#include <cmath>
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

    const bool blend = IconUsesAlpha(color);
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

Bitmap IconToPicture(const Bitmap& color, const Bitmap& mask) {
    if (IconUsesAlpha(color))
        return color;
    const int w = color.Width();
    Bitmap out(w, color.Height(), PixelFormat::Bits32);
    RowReader reader(color);
    std::vector<std::uint8_t> maskRow(static_cast<std::size_t>(w));
    for (int y = 0; y < out.Height(); ++y) {
        std::uint8_t* row = out.Row(y);
        reader.Read(y, 0, w, row);
        ReadMaskRow(mask, y, w, maskRow.data());
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
            if (maskRow[static_cast<std::size_t>(x)])
                std::memset(p, 0, 4);
            else
                p[3] = 255;
        }
    }
    return out;
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

namespace {

// The footprints turned around: for each source pixel, the target pixels it falls in.
void InvertFootprints(const Footprints& f, int sourceSize, std::vector<int>& first,
                      std::vector<int>& targets, std::vector<std::uint32_t>& weights) {
    std::vector<int> count(static_cast<std::size_t>(sourceSize) + 1, 0);
    for (int s : f.Source)
        ++count[static_cast<std::size_t>(s) + 1];
    for (std::size_t i = 1; i < count.size(); ++i)
        count[i] += count[i - 1];
    first = count;
    targets.resize(f.Source.size());
    weights.resize(f.Source.size());
    for (std::size_t t = 0; t < f.First.size(); ++t) {
        for (int k = f.First[t]; k < f.First[t] + f.Count[t]; ++k) {
            const std::size_t s = static_cast<std::size_t>(f.Source[static_cast<std::size_t>(k)]);
            const auto at = static_cast<std::size_t>(count[s]++);
            targets[at] = static_cast<int>(t);
            weights[at] = f.Weight[static_cast<std::size_t>(k)];
        }
    }
}

}  // namespace

PictureSize ShrinkTo(int width, int height, const ShrinkPlan& plan) {
    PictureSize size{width, height};
    if (plan.MaxPixels != 0 && static_cast<std::uint64_t>(width) * height > plan.MaxPixels) {
        const double scale =
            std::sqrt(static_cast<double>(plan.MaxPixels) / (static_cast<double>(width) * height));
        size.Width = std::max(1, static_cast<int>(width * scale));
        size.Height = std::max(1, static_cast<int>(height * scale));
        // A side that cannot shrink below one pixel leaves the other to give up the rest.
        const auto most = static_cast<int>(std::min<std::uint64_t>(plan.MaxPixels, 1u << 30));
        if (static_cast<std::uint64_t>(size.Width) * size.Height > plan.MaxPixels) {
            if (size.Width > size.Height)
                size.Width = std::max(1, most / size.Height);
            else
                size.Height = std::max(1, most / size.Width);
        }
    }
    if (plan.MaxSide > 0) {
        size.Width = std::min(size.Width, plan.MaxSide);
        size.Height = std::min(size.Height, plan.MaxSide);
    }
    return size;
}

AreaAverageShrinker::AreaAverageShrinker(int sourceWidth, int sourceHeight, int width,
                                         int height, ShrinkAlpha alpha)
    : SourceWidth(sourceWidth), SourceHeight(sourceHeight), Width(width), Height(height),
      Rule(alpha), Channels(alpha == ShrinkAlpha::Premultiplied ? 7 : 3) {
    const Footprints across(sourceWidth, width);
    InvertFootprints(across, sourceWidth, ColumnFirst, ColumnTargets, ColumnWeights);
    Spans.resize(static_cast<std::size_t>(width));
    for (int t = 0; t < width; ++t) {
        const auto first = static_cast<std::size_t>(across.First[t]);
        const auto last = first + static_cast<std::size_t>(across.Count[t]) - 1;
        Spans[static_cast<std::size_t>(t)] = {across.Source[first], across.Source[last],
                                              across.Weight[first], across.Weight[last]};
    }
    InvertFootprints(Footprints(sourceHeight, height), sourceHeight, RowFirst, RowTargets,
                     RowWeights);
    RowSums.assign(Channels * static_cast<std::size_t>(width), 0);
    Sums.assign(Channels * static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (Rule == ShrinkAlpha::Nearest) {
        Alpha.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        AlphaColumn.resize(static_cast<std::size_t>(width));
        for (int j = 0; j < width; ++j)
            AlphaColumn[static_cast<std::size_t>(j)] = NearestSource(j, sourceWidth, width);
        AlphaRowsOf.resize(static_cast<std::size_t>(sourceHeight));
        for (int i = 0; i < height; ++i)
            AlphaRowsOf[static_cast<std::size_t>(NearestSource(i, sourceHeight, height))]
                .push_back(i);
    }
}

namespace {

// The values a pixel adds to its sums: blue, green, red, and with premultiplication the same
// weighted by alpha, and alpha itself.
template <bool Premultiplied>
void PixelValues(const std::uint8_t* p, std::size_t pixelBytes, std::uint32_t* v) {
    v[0] = p[0];
    v[1] = p[1];
    v[2] = p[2];
    if constexpr (Premultiplied) {
        const std::uint32_t a = pixelBytes == 4 ? p[3] : 255;
        v[3] = p[0] * a;
        v[4] = p[1] * a;
        v[5] = p[2] * a;
        v[6] = a;
    }
}

}  // namespace

namespace {

// The inner pixels of a span summed plainly, in scalars the compiler keeps in registers (every
// pixel of a huge picture passes through here).
template <bool Premultiplied, std::size_t N>
void SumInnerPixels(const std::uint8_t* p, std::size_t count, std::uint32_t* inner) {
    std::uint32_t b = 0, g = 0, r = 0, pb = 0, pg = 0, pr = 0, a = 0;
    for (std::size_t i = 0; i < count; ++i, p += N) {
        b += p[0];
        g += p[1];
        r += p[2];
        if constexpr (Premultiplied) {
            const std::uint32_t alpha = N == 4 ? p[3] : 255;
            pb += p[0] * alpha;
            pg += p[1] * alpha;
            pr += p[2] * alpha;
            a += alpha;
        }
    }
    inner[0] = b;
    inner[1] = g;
    inner[2] = r;
    if constexpr (Premultiplied) {
        inner[3] = pb;
        inner[4] = pg;
        inner[5] = pr;
        inner[6] = a;
    }
}

}  // namespace

template <bool Premultiplied, std::size_t N>
void AreaAverageShrinker::SumWholeRow(const std::uint8_t* pixels) {
    // Each target column sums its inner source columns plainly and weighs them once (the same
    // sums as pixel by pixel, in far fewer steps).
    constexpr std::size_t C = Premultiplied ? 7 : 3;
    std::uint32_t v[C];
    for (int t = 0; t < Width; ++t) {
        const ColumnSpan& span = Spans[static_cast<std::size_t>(t)];
        std::uint64_t* sum = &RowSums[C * static_cast<std::size_t>(t)];
        PixelValues<Premultiplied>(pixels + static_cast<std::size_t>(span.First) * N, N, v);
        for (std::size_t c = 0; c < C; ++c)
            sum[c] = std::uint64_t{v[c]} * span.FirstWeight;
        if (span.First == span.Last)
            continue;
        // At most 32768 pixels of at most 255 * 255 each: within 32 bits.
        std::uint32_t inner[C];
        SumInnerPixels<Premultiplied, N>(pixels + static_cast<std::size_t>(span.First + 1) * N,
                                         static_cast<std::size_t>(span.Last - span.First - 1),
                                         inner);
        PixelValues<Premultiplied>(pixels + static_cast<std::size_t>(span.Last) * N, N, v);
        for (std::size_t c = 0; c < C; ++c)
            sum[c] += std::uint64_t{inner[c]} * static_cast<std::uint64_t>(Width) +
                      std::uint64_t{v[c]} * span.LastWeight;
    }
}

void AreaAverageShrinker::SumRow(int x0, int step, int count, const std::uint8_t* pixels,
                                 int pixelBytes) {
    const std::size_t n = static_cast<std::size_t>(pixelBytes);
    if (x0 == 0 && step == 1 && count == SourceWidth && (n == 3 || n == 4)) {
        const bool premultiplied = Rule == ShrinkAlpha::Premultiplied;
        if (n == 4)
            premultiplied ? SumWholeRow<true, 4>(pixels) : SumWholeRow<false, 4>(pixels);
        else
            premultiplied ? SumWholeRow<true, 3>(pixels) : SumWholeRow<false, 3>(pixels);
        return;
    }
    std::fill(RowSums.begin(), RowSums.end(), 0);
    std::uint32_t v[7];
    for (int i = 0; i < count; ++i, pixels += n) {
        const int x = x0 + i * step;
        if (x < 0 || x >= SourceWidth)
            continue;
        if (Rule == ShrinkAlpha::Premultiplied)
            PixelValues<true>(pixels, n, v);
        else
            PixelValues<false>(pixels, n, v);
        const int end = ColumnFirst[static_cast<std::size_t>(x) + 1];
        for (int k = ColumnFirst[static_cast<std::size_t>(x)]; k < end; ++k) {
            std::uint64_t* sum = &RowSums[Channels * static_cast<std::size_t>(ColumnTargets[k])];
            const std::uint32_t w = ColumnWeights[static_cast<std::size_t>(k)];
            for (std::size_t c = 0; c < Channels; ++c)
                sum[c] += std::uint64_t{v[c]} * w;
        }
    }
}

void AreaAverageShrinker::AddSums(int y) {
    const std::size_t rowLength = RowSums.size();
    const int end = RowFirst[static_cast<std::size_t>(y) + 1];
    for (int k = RowFirst[static_cast<std::size_t>(y)]; k < end; ++k) {
        std::uint64_t* sums = &Sums[static_cast<std::size_t>(RowTargets[k]) * rowLength];
        const std::uint64_t w = RowWeights[static_cast<std::size_t>(k)];
        for (std::size_t i = 0; i < rowLength; ++i)
            sums[i] += RowSums[i] * w;
    }
}

void AreaAverageShrinker::SampleAlpha(int y, int x0, int step, int count,
                                      const std::uint8_t* pixels, int pixelBytes) {
    for (int i : AlphaRowsOf[static_cast<std::size_t>(y)]) {
        for (int j = 0; j < Width; ++j) {
            const int offset = AlphaColumn[static_cast<std::size_t>(j)] - x0;
            if (offset < 0 || offset % step != 0 || offset / step >= count)
                continue;
            Alpha[static_cast<std::size_t>(i) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(j)] =
                pixelBytes == 4 ? pixels[static_cast<std::size_t>(offset / step) * 4 + 3] : 255;
        }
    }
}

void AreaAverageShrinker::Add(int y, int x0, int step, int count, const std::uint8_t* pixels,
                              int pixelBytes) {
    if (y < 0 || y >= SourceHeight || count <= 0 || step <= 0)
        return;
    SumRow(x0, step, count, pixels, pixelBytes);
    AddSums(y);
    if (Rule == ShrinkAlpha::Nearest)
        SampleAlpha(y, x0, step, count, pixels, pixelBytes);
}

void AreaAverageShrinker::AddRepeatedRow(int y, int rows, const std::uint8_t* pixels,
                                         int pixelBytes) {
    const int last = std::min(SourceHeight, y + rows);
    if (y < 0 || y >= last)
        return;
    SumRow(0, 1, SourceWidth, pixels, pixelBytes);
    for (int r = y; r < last; ++r) {
        AddSums(r);
        if (Rule == ShrinkAlpha::Nearest)
            SampleAlpha(r, 0, 1, SourceWidth, pixels, pixelBytes);
    }
}

Bitmap AreaAverageShrinker::Finish(PixelFormat format) const {
    const PixelFormat out = format == PixelFormat::Bits24 ? PixelFormat::Bits24 : PixelFormat::Bits32;
    Bitmap target(Width, Height, out);
    if (target.Empty() || SourceWidth <= 0 || SourceHeight <= 0)
        return target;
    const std::size_t pixelBytes = out == PixelFormat::Bits32 ? 4 : 3;
    const std::uint64_t total =
        static_cast<std::uint64_t>(SourceWidth) * static_cast<std::uint64_t>(SourceHeight);
    const std::size_t rowLength = RowSums.size();
    for (int ty = 0; ty < Height; ++ty) {
        const std::uint64_t* sums = &Sums[static_cast<std::size_t>(ty) * rowLength];
        std::uint8_t* row = target.Row(ty);
        for (int tx = 0; tx < Width; ++tx, sums += Channels, row += pixelBytes) {
            if (Rule == ShrinkAlpha::Premultiplied && sums[6] != 0) {
                for (int c = 0; c < 3; ++c)
                    row[c] = static_cast<std::uint8_t>((sums[3 + c] + sums[6] / 2) / sums[6]);
            } else {
                for (int c = 0; c < 3; ++c)
                    row[c] = static_cast<std::uint8_t>((sums[c] + total / 2) / total);
            }
            if (pixelBytes == 3)
                continue;
            if (Rule == ShrinkAlpha::Nearest)
                row[3] = Alpha[static_cast<std::size_t>(ty) * Width + tx];
            else if (Rule == ShrinkAlpha::Premultiplied)
                row[3] = static_cast<std::uint8_t>((sums[6] + total / 2) / total);
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
