#include "editor/pixels/resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "editor/pixels/mask.h"
#include "platform/icon_draw.h"

namespace gf {
namespace {

// Weights of one axis in 14-bit fixed point; the taps of each destination pixel sum to 1 << 14.
constexpr int WeightBits = 14;
constexpr int WeightOne = 1 << WeightBits;

struct AxisTaps {
    std::vector<int> First;   // first source index per destination index
    std::vector<int> Count;   // number of taps per destination index
    std::vector<int> Offset;  // where the weights of a destination index start in Weights
    std::vector<int> Weights;
};

// Makes the taps sum exactly to WeightOne by giving the rounding error to the largest weight.
void Normalise(int* w, int n) {
    int sum = 0, largest = 0;
    for (int i = 0; i < n; ++i) {
        sum += w[i];
        if (w[i] > w[largest])
            largest = i;
    }
    w[largest] += WeightOne - sum;
}

AxisTaps MakeAxisTaps(int srcLen, int dstLen) {
    AxisTaps t;
    t.First.resize(dstLen);
    t.Count.resize(dstLen);
    t.Offset.resize(dstLen);
    const std::int64_t s = srcLen, d = dstLen;
    for (int i = 0; i < dstLen; ++i) {
        t.Offset[i] = static_cast<int>(t.Weights.size());
        if (srcLen > dstLen) {
            // Area average: destination pixel i covers [i*s, (i+1)*s) in units of 1/d source
            // pixels; source pixel k covers [k*d, (k+1)*d).
            std::int64_t lo = i * s, hi = (i + 1) * s;
            int k0 = static_cast<int>(lo / d);
            int k1 = static_cast<int>((hi + d - 1) / d);  // exclusive
            t.First[i] = k0;
            t.Count[i] = k1 - k0;
            for (int k = k0; k < k1; ++k) {
                std::int64_t a = std::max<std::int64_t>(lo, k * d);
                std::int64_t b = std::min<std::int64_t>(hi, (k + 1) * d);
                t.Weights.push_back(static_cast<int>(((b - a) * WeightOne + s / 2) / s));
            }
        } else {
            // Linear interpolation between the two source centres around the destination centre
            // (i + 0.5) * s / d - 0.5, expressed as num / den.
            std::int64_t num = (2 * i + 1) * s - d, den = 2 * d;
            int k0 = 0;
            int frac = 0;
            if (num > 0) {
                k0 = static_cast<int>(num / den);
                frac = static_cast<int>(((num % den) * WeightOne + den / 2) / den);
            }
            if (k0 >= srcLen - 1) {
                k0 = srcLen - 1;
                frac = 0;
            }
            t.First[i] = k0;
            if (frac == 0) {
                t.Count[i] = 1;
                t.Weights.push_back(WeightOne);
            } else {
                t.Count[i] = 2;
                t.Weights.push_back(WeightOne - frac);
                t.Weights.push_back(frac);
            }
        }
        Normalise(t.Weights.data() + t.Offset[i], t.Count[i]);
    }
    return t;
}

// Source index of each destination index for nearest neighbour.
std::vector<int> NearestIndices(int srcLen, int dstLen) {
    std::vector<int> idx(dstLen);
    for (int i = 0; i < dstLen; ++i)
        idx[i] = static_cast<int>(static_cast<std::int64_t>(srcLen) * i / dstLen);
    return idx;
}

// Source range [first, last) of each destination index under the mask rule.
void MaskRanges(int srcLen, int dstLen, std::vector<int>& first, std::vector<int>& last) {
    first.resize(dstLen);
    last.resize(dstLen);
    const std::int64_t s = srcLen, d = dstLen;
    for (int i = 0; i < dstLen; ++i) {
        if (srcLen > dstLen) {
            // The source pixels k with k * d / s == i.
            first[i] = static_cast<int>((i * s + d - 1) / d);
            last[i] = static_cast<int>(((i + 1) * s + d - 1) / d);
        } else {
            first[i] = static_cast<int>(i * s / d);
            last[i] = first[i] + 1;
        }
    }
}

Bitmap EmptyLike(const Bitmap& source, int width, int height) {
    Bitmap out(width, height, source.Format());
    if (IsIndexed(source.Format()))
        out.SetPalette(source.Palette());
    return out;
}

}  // namespace

Bitmap ResampleNearest(const Bitmap& source, int width, int height) {
    Bitmap out = EmptyLike(source, width, height);
    const int bpp = BytesPerPixel(source);
    if (out.Empty() || source.Empty() || bpp == 0) {
        if (bpp == 0 && !out.Empty() && !source.Empty())
            return StretchNearest(source, width, height);
        return out;
    }
    const std::vector<int> xs = NearestIndices(source.Width(), width);
    const std::vector<int> ys = NearestIndices(source.Height(), height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = source.Row(ys[y]);
        std::uint8_t* dst = out.Row(y);
        switch (bpp) {
            case 1:
                for (int x = 0; x < width; ++x)
                    dst[x] = src[xs[x]];
                break;
            case 3:
                for (int x = 0; x < width; ++x)
                    std::memcpy(dst + 3 * x, src + 3 * xs[x], 3);
                break;
            default:
                for (int x = 0; x < width; ++x)
                    std::memcpy(dst + 4 * x, src + 4 * xs[x], 4);
                break;
        }
    }
    return out;
}

Bitmap ResampleSmooth(const Bitmap& source, int width, int height) {
    if (BytesPerPixel(source) == 0)
        return ResampleSmooth(AsTrueColour(source), width, height);
    Bitmap out = EmptyLike(source, width, height);
    if (out.Empty() || source.Empty())
        return out;
    const int ch = BytesPerPixel(source);
    const int srcW = source.Width(), srcH = source.Height();
    const AxisTaps tx = MakeAxisTaps(srcW, width);
    const AxisTaps ty = MakeAxisTaps(srcH, height);

    // Horizontal pass into 8.8 fixed point, only for the source rows the vertical pass reads.
    const std::size_t tmpStride = static_cast<std::size_t>(width) * ch;
    std::vector<std::uint16_t> tmp(tmpStride * srcH);
    std::vector<char> rowNeeded(srcH, 0);
    for (int y = 0; y < height; ++y)
        for (int k = 0; k < ty.Count[y]; ++k)
            rowNeeded[ty.First[y] + k] = 1;
    std::vector<std::uint32_t> acc(ch);
    for (int sy = 0; sy < srcH; ++sy) {
        if (!rowNeeded[sy])
            continue;
        const std::uint8_t* src = source.Row(sy);
        std::uint16_t* dst = tmp.data() + tmpStride * sy;
        for (int x = 0; x < width; ++x) {
            const int* w = tx.Weights.data() + tx.Offset[x];
            const std::uint8_t* p = src + static_cast<std::size_t>(tx.First[x]) * ch;
            std::fill(acc.begin(), acc.end(), 0u);
            for (int k = 0; k < tx.Count[x]; ++k, p += ch)
                for (int c = 0; c < ch; ++c)
                    acc[c] += static_cast<std::uint32_t>(p[c]) * w[k];
            for (int c = 0; c < ch; ++c)
                dst[x * ch + c] = static_cast<std::uint16_t>((acc[c] + 32) >> 6);
        }
    }

    // Vertical pass back to bytes.
    std::vector<std::uint32_t> line(tmpStride);
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0u);
        const int* w = ty.Weights.data() + ty.Offset[y];
        for (int k = 0; k < ty.Count[y]; ++k) {
            const std::uint16_t* src = tmp.data() + tmpStride * (ty.First[y] + k);
            const std::uint32_t wk = static_cast<std::uint32_t>(w[k]);
            for (std::size_t i = 0; i < tmpStride; ++i)
                line[i] += src[i] * wk;
        }
        std::uint8_t* dst = out.Row(y);
        for (std::size_t i = 0; i < tmpStride; ++i)
            dst[i] = static_cast<std::uint8_t>(std::min<std::uint32_t>(
                255u, (line[i] + (1u << (WeightBits + 7))) >> (WeightBits + 8)));
    }
    return out;
}

Bitmap ResampleMaskDefault(const Bitmap& mask8, int width, int height) {
    Bitmap out = MakeMask(width, height, MaskTransparent);
    if (out.Empty() || mask8.Empty())
        return out;
    std::vector<int> x0, x1, y0, y1;
    MaskRanges(mask8.Width(), width, x0, x1);
    MaskRanges(mask8.Height(), height, y0, y1);
    std::vector<std::uint8_t> rowAnd(width);
    for (int y = 0; y < height; ++y) {
        // AND of the source rows of this destination row, then across each column range.
        std::vector<std::uint8_t> combined(mask8.Row(y0[y]), mask8.Row(y0[y]) + mask8.Width());
        for (int sy = y0[y] + 1; sy < y1[y]; ++sy) {
            const std::uint8_t* src = mask8.Row(sy);
            for (int sx = 0; sx < mask8.Width(); ++sx)
                combined[sx] &= src[sx];
        }
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t v = combined[x0[x]];
            for (int sx = x0[x] + 1; sx < x1[x]; ++sx)
                v &= combined[sx];
            dst[x] = v;
        }
    }
    return out;
}

Bitmap ComposeSourcePreview(const Bitmap& srcColor, const Bitmap& srcMask, Color background) {
    const bool is32 = srcColor.Format() == PixelFormat::Bits32;
    Bitmap preview(srcColor.Width(), srcColor.Height(),
                   is32 ? PixelFormat::Bits32 : PixelFormat::Bits24);
    preview.Fill(background, 0);
    if (preview.Empty())
        return preview;
    DrawIcon(preview, 0, 0, srcColor, srcMask);
    if (is32) {
        for (int y = 0; y < preview.Height(); ++y) {
            const std::uint8_t* s = srcColor.Row(y);
            std::uint8_t* d = preview.Row(y);
            for (int x = 0; x < preview.Width(); ++x)
                d[4 * x + 3] = s[4 * x + 3];
        }
    }
    return preview;
}

Bitmap RenderSizePreview(const Bitmap& srcPreview, const SizeSettings& settings, Color background) {
    const int w = std::max(0, settings.Width), h = std::max(0, settings.Height);
    if (settings.Stretch) {
        Bitmap scaled =
            settings.Smooth ? ResampleSmooth(srcPreview, w, h) : ResampleNearest(srcPreview, w, h);
        if (scaled.Format() != PixelFormat::Bits24)
            scaled.SetFormat(PixelFormat::Bits24);
        return scaled;
    }
    Bitmap canvas(w, h, PixelFormat::Bits24);
    canvas.Fill(background);
    canvas.CopyRect(srcPreview, 0, 0, srcPreview.Width(), srcPreview.Height(), settings.OffsetX,
                    settings.OffsetY);
    return canvas;
}

void MoveSourceOffset(SizeSettings& settings, int dx, int dy, int srcWidth, int srcHeight) {
    settings.OffsetX =
        std::clamp(settings.OffsetX + dx, -srcWidth, std::max(-srcWidth, settings.Width));
    settings.OffsetY =
        std::clamp(settings.OffsetY + dy, -srcHeight, std::max(-srcHeight, settings.Height));
}

void ResampleSourceToIcon(const Bitmap& srcColor, const Bitmap& srcMask, const Bitmap& srcPreview,
                          const SizeSettings& settings, Bitmap& iconColor, Bitmap& iconMask) {
    const int W = std::max(0, settings.Width), H = std::max(0, settings.Height);
    const int w = srcColor.Width(), h = srcColor.Height();
    const bool is32 = srcColor.Format() == PixelFormat::Bits32;
    const PixelFormat colourFormat = is32 ? PixelFormat::Bits32 : PixelFormat::Bits24;
    if (srcMask.Format() != PixelFormat::Bits8 || srcMask.Width() != w || srcMask.Height() != h) {
        Bitmap mask = srcMask;
        EnsureMask8(mask);
        if (mask.Width() != w || mask.Height() != h)
            mask.SetSize(w, h);
        ResampleSourceToIcon(srcColor, mask, srcPreview, settings, iconColor, iconMask);
        return;
    }

    if (!settings.Stretch) {
        // The picture unscaled at the offset; the canvas it leaves uncovered is transparent.
        iconMask = MakeMask(W, H, MaskTransparent);
        iconMask.CopyRect(srcMask, 0, 0, w, h, settings.OffsetX, settings.OffsetY);
        iconColor = Bitmap(W, H, colourFormat);
        iconColor.Fill(Black, 0);
        iconColor.CopyRect(srcColor, 0, 0, w, h, settings.OffsetX, settings.OffsetY);
        return;
    }

    const bool shrinking = w > W && h > H;
    const bool smooth = settings.Smooth;
    const bool maskSmoothing = smooth && shrinking && !is32;

    iconColor = smooth ? ResampleSmooth(srcPreview, W, H) : ResampleNearest(srcPreview, W, H);
    if (iconColor.Format() != colourFormat)
        iconColor.SetFormat(colourFormat);

    if (maskSmoothing) {
        // The colour fades with the smoothed inverse mask (255 where the source is opaque),
        // then the smoothed mask is cut at 128; an edge pixel left black becomes transparent.
        Bitmap inverted = MakeMask(w, h);
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = srcMask.Row(y);
            std::uint8_t* d = inverted.Row(y);
            for (int x = 0; x < w; ++x)
                d[x] = static_cast<std::uint8_t>(255 - s[x]);
        }
        const Bitmap fade = ResampleSmooth(inverted, W, H);
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* m = fade.Row(y);
            std::uint8_t* c = iconColor.Row(y);
            for (int x = 0; x < W; ++x)
                for (int k = 0; k < 3; ++k)
                    c[3 * x + k] &= m[x];
        }
        iconMask = ResampleSmooth(srcMask, W, H);
        for (int y = 0; y < H; ++y) {
            std::uint8_t* m = iconMask.Row(y);
            std::uint8_t* c = iconColor.Row(y);
            for (int x = 0; x < W; ++x) {
                std::uint8_t v = m[x];
                if (v == 0 || v == 255)
                    continue;
                v = v >= 128 ? MaskTransparent : MaskOpaque;
                std::uint8_t* p = c + 3 * x;
                if (v == MaskTransparent) {
                    p[0] = p[1] = p[2] = 0;
                } else if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
                    v = MaskTransparent;  // a black edge pixel becomes transparent
                }
                m[x] = v;
            }
        }
        EnsureMask8(iconMask);
        return;
    }

    // Without mask smoothing, a destination pixel is opaque when any source pixel under it is
    // opaque (the mask rule), or as the alpha of the nearest source pixel says at 32 bits. The
    // colour is blackened exactly where the pixel ends transparent: blackening every pixel that
    // merely touches transparency would leave opaque black pixels along the picture's edges.
    iconMask = ResampleMaskDefault(srcMask, W, H);
    if (is32) {
        // Alpha from the nearest source pixel; fully transparent and fully opaque alpha decide
        // the mask, partial alpha leaves it as the mask rule made it. The colour of a partially
        // transparent pixel is already composed over the background colour.
        const Bitmap alpha = ResampleNearest(srcColor, W, H);
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* a = alpha.Row(y);
            std::uint8_t* c = iconColor.Row(y);
            std::uint8_t* m = iconMask.Row(y);
            for (int x = 0; x < W; ++x) {
                const std::uint8_t av = a[4 * x + 3];
                c[4 * x + 3] = av;
                if (av == 0)
                    m[x] = MaskTransparent;
                if (av == 255)
                    m[x] = MaskOpaque;
            }
        }
    }
    const int bpp = is32 ? 4 : 3;
    for (int y = 0; y < H; ++y) {
        const std::uint8_t* m = iconMask.Row(y);
        std::uint8_t* c = iconColor.Row(y);
        for (int x = 0; x < W; ++x)
            if (m[x] == MaskTransparent)
                c[bpp * x] = c[bpp * x + 1] = c[bpp * x + 2] = 0;
    }
    EnsureMask8(iconMask);
}

}  // namespace gf
