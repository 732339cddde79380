#include "editor/pixels/rgba_resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gf {

namespace {

constexpr double Pi = 3.14159265358979323846;

double Mitchell(double x) {
    constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0)
        return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) /
               6.0;
    if (x < 2.0)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x +
                (8 * B + 24 * C)) /
               6.0;
    return 0.0;
}

double Sinc(double x) {
    if (x == 0.0)
        return 1.0;
    x *= Pi;
    return std::sin(x) / x;
}

double Lanczos3(double x) {
    return std::fabs(x) < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

// The taps of one axis: for destination index i, Count[i] source indices from First[i] with
// weights that sum to 1.
struct Taps {
    std::vector<int> First, Count, Offset;
    std::vector<float> Weights;
};

Taps MakeTaps(int srcLen, int dstLen, ResampleFilter filter) {
    Taps t;
    t.First.resize(dstLen);
    t.Count.resize(dstLen);
    t.Offset.resize(dstLen);
    const double scale = static_cast<double>(srcLen) / dstLen;
    std::vector<double> w;
    for (int i = 0; i < dstLen; ++i) {
        w.clear();
        int first = 0;
        if (filter == ResampleFilter::Box) {
            // Exact coverage of [i * scale, (i + 1) * scale) by each source pixel.
            const double lo = i * scale, hi = (i + 1) * scale;
            first = std::min(srcLen - 1, static_cast<int>(std::floor(lo)));
            const int last = std::clamp(static_cast<int>(std::ceil(hi)), first + 1, srcLen);
            for (int k = first; k < last; ++k)
                w.push_back(std::max(0.0, std::min(hi, k + 1.0) - std::max(lo, double(k))));
        } else {
            const double support = (filter == ResampleFilter::Mitchell ? 2.0 : 3.0);
            const double stretch = std::max(scale, 1.0);
            const double centre = (i + 0.5) * scale;
            const int lo = static_cast<int>(std::floor(centre - support * stretch));
            const int hi = static_cast<int>(std::ceil(centre + support * stretch));
            // Taps beyond the edges fold onto the edge pixels.
            first = std::clamp(lo, 0, srcLen - 1);
            const int last = std::clamp(hi, first + 1, srcLen);
            w.assign(static_cast<std::size_t>(last - first), 0.0);
            for (int k = lo; k < hi; ++k) {
                const double x = (k + 0.5 - centre) / stretch;
                const double v = filter == ResampleFilter::Mitchell ? Mitchell(x) : Lanczos3(x);
                w[static_cast<std::size_t>(std::clamp(k, first, last - 1) - first)] += v;
            }
        }
        double sum = 0;
        for (double v : w)
            sum += v;
        t.First[i] = first;
        t.Count[i] = static_cast<int>(w.size());
        t.Offset[i] = static_cast<int>(t.Weights.size());
        for (double v : w)
            t.Weights.push_back(static_cast<float>(sum != 0 ? v / sum : 1.0 / w.size()));
    }
    return t;
}

std::uint8_t ToByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

}  // namespace

std::optional<ResampleFilter> ParseResampleFilter(std::string_view name) {
    if (name == "box")
        return ResampleFilter::Box;
    if (name == "mitchell")
        return ResampleFilter::Mitchell;
    if (name == "lanczos")
        return ResampleFilter::Lanczos;
    return std::nullopt;
}

Bitmap ResamplePremultiplied(const Bitmap& picture, int width, int height, ResampleFilter filter) {
    if (picture.Format() != PixelFormat::Bits32) {
        Bitmap opaque = picture.ConvertedTo(PixelFormat::Bits32);
        for (int y = 0; y < opaque.Height(); ++y)
            for (int x = 0; x < opaque.Width(); ++x)
                opaque.Row(y)[4 * x + 3] = 255;
        return ResamplePremultiplied(opaque, width, height, filter);
    }
    Bitmap out(std::max(0, width), std::max(0, height), PixelFormat::Bits32);
    if (out.Empty() || picture.Empty())
        return out;
    const int srcW = picture.Width(), srcH = picture.Height();
    const Taps tx = MakeTaps(srcW, width, filter);
    const Taps ty = MakeTaps(srcH, height, filter);

    // Horizontal pass over the premultiplied source rows the vertical pass reads.
    std::vector<char> rowNeeded(static_cast<std::size_t>(srcH), 0);
    for (int y = 0; y < height; ++y)
        for (int k = 0; k < ty.Count[y]; ++k)
            rowNeeded[static_cast<std::size_t>(ty.First[y] + k)] = 1;
    const std::size_t lineFloats = static_cast<std::size_t>(width) * 4;
    std::vector<float> rows(lineFloats * static_cast<std::size_t>(srcH));
    std::vector<float> premultiplied(static_cast<std::size_t>(srcW) * 4);
    for (int sy = 0; sy < srcH; ++sy) {
        if (!rowNeeded[static_cast<std::size_t>(sy)])
            continue;
        const std::uint8_t* src = picture.Row(sy);
        for (int x = 0; x < srcW; ++x) {
            const float a = src[4 * x + 3] * (1.0f / 255.0f);
            premultiplied[4 * x + 0] = src[4 * x + 0] * a;
            premultiplied[4 * x + 1] = src[4 * x + 1] * a;
            premultiplied[4 * x + 2] = src[4 * x + 2] * a;
            premultiplied[4 * x + 3] = src[4 * x + 3];
        }
        float* dst = rows.data() + lineFloats * static_cast<std::size_t>(sy);
        for (int x = 0; x < width; ++x) {
            const float* w = tx.Weights.data() + tx.Offset[x];
            const float* p = premultiplied.data() + 4 * static_cast<std::size_t>(tx.First[x]);
            float b = 0, g = 0, r = 0, a = 0;
            for (int k = 0; k < tx.Count[x]; ++k, p += 4) {
                b += p[0] * w[k];
                g += p[1] * w[k];
                r += p[2] * w[k];
                a += p[3] * w[k];
            }
            dst[4 * x + 0] = b;
            dst[4 * x + 1] = g;
            dst[4 * x + 2] = r;
            dst[4 * x + 3] = a;
        }
    }

    // Vertical pass, then back to straight alpha.
    std::vector<float> line(lineFloats);
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        const float* w = ty.Weights.data() + ty.Offset[y];
        for (int k = 0; k < ty.Count[y]; ++k) {
            const float* src = rows.data() + lineFloats * static_cast<std::size_t>(ty.First[y] + k);
            const float wk = w[k];
            for (std::size_t i = 0; i < lineFloats; ++i)
                line[i] += src[i] * wk;
        }
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < width; ++x) {
            const float* p = line.data() + 4 * x;
            const std::uint8_t a = ToByte(p[3]);
            if (a == 0)
                continue;  // transparent black
            const float unpremultiply = 255.0f / std::max(p[3], 0.5f);
            dst[4 * x + 0] = ToByte(p[0] * unpremultiply);
            dst[4 * x + 1] = ToByte(p[1] * unpremultiply);
            dst[4 * x + 2] = ToByte(p[2] * unpremultiply);
            dst[4 * x + 3] = a;
        }
    }
    return out;
}

}  // namespace gf
