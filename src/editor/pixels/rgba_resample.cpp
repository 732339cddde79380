#include "editor/pixels/rgba_resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gf {

namespace {

constexpr double Pi = 3.14159265358979323846;

double Box(double x) {
    // Half-open so that a source centre on the boundary of two destination pixels counts once.
    return x > -0.5 && x <= 0.5 ? 1.0 : 0.0;
}

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

double Support(ResampleFilter filter) {
    switch (filter) {
        case ResampleFilter::Box:
            return 0.5;
        case ResampleFilter::Mitchell:
            return 2.0;
        case ResampleFilter::Lanczos:
            return 3.0;
    }
    return 0.5;
}

double Kernel(ResampleFilter filter, double x) {
    switch (filter) {
        case ResampleFilter::Box:
            return Box(x);
        case ResampleFilter::Mitchell:
            return Mitchell(x);
        case ResampleFilter::Lanczos:
            return Lanczos3(x);
    }
    return 0.0;
}

// The taps of one axis: destination index i reads Count[i] source indices from First[i], with
// weights (from Offset[i]) that sum to 1. First and First + Count both rise with i.
struct Taps {
    std::vector<int> First, Count, Offset;
    std::vector<float> Weights;
    int Last(int i) const { return First[i] + Count[i] - 1; }
};

// The kernel is evaluated at each source pixel's centre, widened by the scale when shrinking.
Taps MakeTaps(int srcLen, int dstLen, ResampleFilter filter) {
    Taps t;
    t.First.resize(static_cast<std::size_t>(dstLen));
    t.Count.resize(static_cast<std::size_t>(dstLen));
    t.Offset.resize(static_cast<std::size_t>(dstLen));
    const double scale = static_cast<double>(srcLen) / dstLen;
    const double stretch = std::max(scale, 1.0);
    const double inverse = 1.0 / stretch;
    const double support = Support(filter) * stretch;
    std::vector<double> w;
    for (int i = 0; i < dstLen; ++i) {
        const double centre = (i + 0.5) * scale;
        const int lo = static_cast<int>(std::floor(centre - support + 0.5));
        const int hi = static_cast<int>(std::floor(centre + support + 0.5));
        int first = std::clamp(lo, 0, srcLen - 1);
        const int last = std::clamp(hi - 1, first, srcLen - 1);
        w.assign(static_cast<std::size_t>(last - first + 1), 0.0);
        for (int k = lo; k < hi; ++k) {
            // Taps beyond the edges fold onto the edge pixels.
            const int at = std::clamp(k, first, last);
            w[static_cast<std::size_t>(at - first)] += Kernel(filter, (k - centre + 0.5) * inverse);
        }
        // Zero weights at either end cost time and nothing else.
        std::size_t begin = 0, end = w.size();
        while (end - begin > 1 && w[begin] == 0.0)
            ++begin;
        while (end - begin > 1 && w[end - 1] == 0.0)
            --end;
        double sum = 0;
        for (std::size_t k = begin; k < end; ++k)
            sum += w[k];
        t.First[i] = first + static_cast<int>(begin);
        t.Count[i] = static_cast<int>(end - begin);
        t.Offset[i] = static_cast<int>(t.Weights.size());
        for (std::size_t k = begin; k < end; ++k)
            t.Weights.push_back(static_cast<float>(sum != 0 ? w[k] / sum : 1.0 / (end - begin)));
    }
    return t;
}

// One premultiplied pixel: blue x alpha, green x alpha, red x alpha, alpha x 255, all exact in
// float. Four lanes, so that every pixel operation below is one vector operation.
typedef float Px __attribute__((vector_size(16)));

// Two pixels at once. Built for AVX2 as well where the compiler can pick the version at run
// time; elsewhere the compiler splits each operation in two.
typedef float Px2 __attribute__((vector_size(32)));

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
#define GF_PIXEL_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define GF_PIXEL_LOOP
#endif

// line[x] = in[x] * w (Add false) or line[x] += in[x] * w, for n pixels.
template <bool Add>
GF_PIXEL_LOOP void ScaleRow(Px* line, const Px* in, float w, int n) {
    const int pairs = n / 2;
    float* out = reinterpret_cast<float*>(line);
    const float* src = reinterpret_cast<const float*>(in);
    for (int i = 0; i < pairs; ++i, out += 8, src += 8) {
        Px2 a, b;
        std::memcpy(&b, src, sizeof b);
        if constexpr (Add) {
            std::memcpy(&a, out, sizeof a);
            a += b * w;
        } else {
            a = b * w;
        }
        std::memcpy(out, &a, sizeof a);
    }
    if (n % 2) {
        if constexpr (Add)
            line[n - 1] += in[n - 1] * w;
        else
            line[n - 1] = in[n - 1] * w;
    }
}

// Premultiplied pixels of n straight 32-bit ones, four at a time: each pixel's bytes widened to
// 32-bit lanes by a byte shuffle, made float, and multiplied by (alpha, alpha, alpha, 255).
GF_PIXEL_LOOP void PremultiplyRow(Px* out, const std::uint8_t* src, int n) {
    int x = 0;
    // GCC's two-vector byte shuffle; clang (the sanitizer and fuzz builds) has no such
    // builtin and takes the plain loop below for every pixel.
#if !defined(__clang__)
    typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));
    typedef int Lanes4 __attribute__((vector_size(16)));
    const Bytes16 zero = {};
    const Px full = {255.0f, 255.0f, 255.0f, 255.0f};
    auto one = [&](Bytes16 bytes, Bytes16 widen) {
        const Px straight = __builtin_convertvector(
            reinterpret_cast<Lanes4>(__builtin_shuffle(bytes, zero, widen)), Px);
        return straight * __builtin_shuffle(straight, full, Lanes4{3, 3, 3, 4});
    };
    for (; x + 4 <= n; x += 4, src += 16) {
        Bytes16 bytes;
        std::memcpy(&bytes, src, sizeof bytes);
        out[x + 0] = one(bytes, Bytes16{0, 16, 16, 16, 1, 16, 16, 16, 2, 16, 16, 16, 3, 16, 16, 16});
        out[x + 1] = one(bytes, Bytes16{4, 16, 16, 16, 5, 16, 16, 16, 6, 16, 16, 16, 7, 16, 16, 16});
        out[x + 2] =
            one(bytes, Bytes16{8, 16, 16, 16, 9, 16, 16, 16, 10, 16, 16, 16, 11, 16, 16, 16});
        out[x + 3] =
            one(bytes, Bytes16{12, 16, 16, 16, 13, 16, 16, 16, 14, 16, 16, 16, 15, 16, 16, 16});
    }
#endif
    for (; x < n; ++x, src += 4) {
        const Px straight = {static_cast<float>(src[0]), static_cast<float>(src[1]),
                             static_cast<float>(src[2]), 255.0f};
        out[x] = straight * static_cast<float>(src[3]);
    }
}

// One destination size while the picture streams past: the rows whose vertical taps have begun
// and not yet ended are summed in a ring of full-width lines, and a row whose last tap has
// arrived is resampled horizontally and written.
struct SizeJob {
    Taps X, Y;
    int Ring = 1;            // lines in the ring: the most rows open at once
    std::vector<Px> Lines;   // Ring lines of the picture's width
    int Opened = 0;          // rows whose first tap has arrived
    int Done = 0;            // rows written
    Bitmap Out;

    Px* Line(int y, int width) {
        return Lines.data() + static_cast<std::size_t>(y % Ring) * static_cast<std::size_t>(width);
    }
};

int RingSize(const Taps& y, int srcLen) {
    const int rows = static_cast<int>(y.First.size());
    int opened = 0, done = 0, most = 1;
    for (int sy = 0; sy < srcLen; ++sy) {
        while (opened < rows && y.First[opened] <= sy)
            ++opened;
        while (done < opened && y.Last(done) < sy)
            ++done;
        most = std::max(most, opened - done);
    }
    return most;
}

void WriteRow(SizeJob& job, const Px* line, int y) {
    typedef int Lanes4 __attribute__((vector_size(16)));
    std::uint8_t* dst = job.Out.Row(y);
    const int width = job.Out.Width();
    const Px zero = {0, 0, 0, 0}, top = {255, 255, 255, 255}, half = {0.5f, 0.5f, 0.5f, 0.5f};
    for (int x = 0; x < width; ++x, dst += 4) {
        const float* w = job.X.Weights.data() + job.X.Offset[x];
        const Px* p = line + job.X.First[x];
        Px sum = zero;
        for (int k = 0; k < job.X.Count[x]; ++k)
            sum += p[k] * w[k];
        // Alpha back to 0..255 and rounded; transparent black (the bitmap starts zeroed) when it
        // rounds to 0, else each colour divided by it.
        if (sum[3] < 0.5f * 255.0f)
            continue;
        const Px scale = {255.0f / sum[3], 255.0f / sum[3], 255.0f / sum[3], 1.0f / 255.0f};
        Px v = sum * scale + half;
        v = v < zero ? zero : v;
        v = v > top ? top : v;
        const Lanes4 bytes = __builtin_convertvector(v, Lanes4);
        dst[0] = static_cast<std::uint8_t>(bytes[0]);
        dst[1] = static_cast<std::uint8_t>(bytes[1]);
        dst[2] = static_cast<std::uint8_t>(bytes[2]);
        dst[3] = static_cast<std::uint8_t>(bytes[3]);
    }
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

std::vector<Bitmap> ResamplePremultiplied(const Bitmap& picture,
                                          std::span<const ResampleSize> sizes,
                                          ResampleFilter filter) {
    if (!picture.Empty() && picture.Format() != PixelFormat::Bits32) {
        Bitmap opaque = picture.ConvertedTo(PixelFormat::Bits32);
        for (int y = 0; y < opaque.Height(); ++y)
            for (int x = 0; x < opaque.Width(); ++x)
                opaque.Row(y)[4 * x + 3] = 255;
        return ResamplePremultiplied(opaque, sizes, filter);
    }
    const int srcW = picture.Width(), srcH = picture.Height();
    std::vector<Bitmap> out;
    std::vector<SizeJob> jobs;
    std::vector<std::size_t> jobOf;  // index into out of each job
    out.reserve(sizes.size());
    for (const ResampleSize& size : sizes) {
        out.emplace_back(std::max(0, size.Width), std::max(0, size.Height), PixelFormat::Bits32);
        if (out.back().Empty() || picture.Empty())
            continue;
        SizeJob job;
        job.X = MakeTaps(srcW, size.Width, filter);
        job.Y = MakeTaps(srcH, size.Height, filter);
        job.Ring = RingSize(job.Y, srcH);
        job.Lines.resize(static_cast<std::size_t>(job.Ring) * static_cast<std::size_t>(srcW));
        jobs.push_back(std::move(job));
        jobOf.push_back(out.size() - 1);
    }
    for (std::size_t j = 0; j < jobs.size(); ++j)
        jobs[j].Out = std::move(out[jobOf[j]]);

    std::vector<Px> row(static_cast<std::size_t>(srcW));
    for (int sy = 0; sy < srcH && !jobs.empty(); ++sy) {
        PremultiplyRow(row.data(), picture.Row(sy), srcW);
        const Px* in = row.data();
        for (SizeJob& job : jobs) {
            const int rows = job.Out.Height();
            while (job.Opened < rows && job.Y.First[job.Opened] <= sy)
                ++job.Opened;
            for (int y = job.Done; y < job.Opened; ++y) {
                const int k = sy - job.Y.First[y];
                if (k >= job.Y.Count[y])
                    continue;
                const float w = job.Y.Weights[static_cast<std::size_t>(job.Y.Offset[y] + k)];
                Px* line = job.Line(y, srcW);
                if (k == 0)
                    ScaleRow<false>(line, in, w, srcW);
                else
                    ScaleRow<true>(line, in, w, srcW);
            }
            while (job.Done < job.Opened && job.Y.Last(job.Done) <= sy) {
                WriteRow(job, job.Line(job.Done, srcW), job.Done);
                ++job.Done;
            }
        }
    }
    for (std::size_t j = 0; j < jobs.size(); ++j)
        out[jobOf[j]] = std::move(jobs[j].Out);
    return out;
}

Bitmap ResamplePremultiplied(const Bitmap& picture, int width, int height, ResampleFilter filter) {
    const ResampleSize size{width, height};
    return std::move(ResamplePremultiplied(picture, std::span(&size, 1), filter).front());
}

}  // namespace gf
