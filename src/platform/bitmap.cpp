#include "platform/bitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/pixel_rows.h"

namespace gf {

namespace {

BitFields DefaultMasks(PixelFormat format) {
    if (format == PixelFormat::Bits15)
        return Masks555;
    if (format == PixelFormat::Bits16)
        return Masks565;
    return {};
}

std::size_t PaletteLimit(PixelFormat format) {
    return IsIndexed(format) ? (std::size_t{1} << StorageBits(format)) : 0;
}

void CheckSide(int side, const char* what) {
    if (side < 0 || side > MaxBitmapSide) {
        throw std::invalid_argument(std::string("Bitmap ") + what + " " + std::to_string(side) +
                                    " is outside 0.." + std::to_string(MaxBitmapSide));
    }
}

}  // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format) : Format_(format) {
    CheckSide(width, "width");
    CheckSide(height, "height");
    Width_ = width;
    Height_ = height;
    Stride_ = static_cast<std::size_t>(RowBytes(static_cast<std::uint64_t>(width), BitCount()));
    Pixels_.assign(Stride_ * static_cast<std::size_t>(height), 0);
    Palette_ = DefaultPalette(format);
    Masks_ = DefaultMasks(format);
}

void Bitmap::SetPalette(std::vector<Color> palette) {
    palette.resize(std::min(palette.size(), PaletteLimit(Format_)));
    Palette_ = std::move(palette);
}

void Bitmap::SetMasks(const BitFields& masks) {
    if (Format_ == PixelFormat::Bits16)
        Masks_ = masks;
}

Color Bitmap::GetPixel(int x, int y) const {
    assert(x >= 0 && x < Width_ && y >= 0 && y < Height_);
    const std::uint8_t* row = Row(y);
    auto fromPalette = [&](unsigned index) -> Color {
        return index < Palette_.size() ? Palette_[index] : Black;
    };
    switch (Format_) {
        case PixelFormat::Bits1:
            return fromPalette((row[x >> 3] >> (7 - (x & 7))) & 1u);
        case PixelFormat::Bits4:
            return fromPalette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
        case PixelFormat::Bits8:
            return fromPalette(row[x]);
        case PixelFormat::Bits15:
        case PixelFormat::Bits16: {
            std::uint32_t px = row[2 * x] | (row[2 * x + 1] << 8);
            return Rgb(UnpackChannel(px, Masks_.Red), UnpackChannel(px, Masks_.Green),
                       UnpackChannel(px, Masks_.Blue));
        }
        case PixelFormat::Bits32: {
            const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
            return Rgb(p[2], p[1], p[0]);
        }
        default: {
            const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            return Rgb(p[2], p[1], p[0]);
        }
    }
}

void Bitmap::SetPixel(int x, int y, Color c) {
    assert(x >= 0 && x < Width_ && y >= 0 && y < Height_);
    std::uint8_t bgra[4] = {BlueOf(c), GreenOf(c), RedOf(c), GetAlpha(x, y)};
    if (IsIndexed(Format_)) {
        // One pixel: look the index up directly rather than building a writer's cache.
        auto index = static_cast<unsigned>(NearestPaletteIndex(Palette_, c));
        std::uint8_t* row = Row(y);
        if (Format_ == PixelFormat::Bits8) {
            row[x] = static_cast<std::uint8_t>(index);
        } else {
            std::uint8_t one = static_cast<std::uint8_t>(index << (8 - BitCount()));
            CopyPixelBits(&one, 0, row, static_cast<std::size_t>(x) * BitCount(), 1, BitCount());
        }
        return;
    }
    RowWriter(*this).Write(y, x, 1, bgra);
}

std::uint8_t Bitmap::GetAlpha(int x, int y) const {
    if (Format_ != PixelFormat::Bits32)
        return 255;
    return Row(y)[4 * static_cast<std::size_t>(x) + 3];
}

void Bitmap::SetAlpha(int x, int y, std::uint8_t a) {
    if (Format_ != PixelFormat::Bits32)
        return;
    Row(y)[4 * static_cast<std::size_t>(x) + 3] = a;
}

void Bitmap::Fill(Color c, std::uint8_t alpha) {
    FillRect(0, 0, Width_, Height_, c, alpha);
}

void Bitmap::FillRect(int x0, int y0, int x1, int y1, Color c, std::uint8_t alpha) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, Width_);
    y1 = std::min(y1, Height_);
    if (x0 >= x1 || y0 >= y1)
        return;
    int w = x1 - x0;
    // One converted row, then copied into every row of the rectangle.
    std::vector<std::uint8_t> bgra(4 * static_cast<std::size_t>(w));
    for (int i = 0; i < w; ++i) {
        bgra[4 * i] = BlueOf(c);
        bgra[4 * i + 1] = GreenOf(c);
        bgra[4 * i + 2] = RedOf(c);
        bgra[4 * i + 3] = alpha;
    }
    RowWriter(*this).Write(y0, x0, w, bgra.data());
    const int bits = BitCount();
    for (int y = y0 + 1; y < y1; ++y) {
        CopyPixelBits(Row(y0), static_cast<std::size_t>(x0) * bits, Row(y),
                      static_cast<std::size_t>(x0) * bits, static_cast<std::size_t>(w), bits);
    }
}

void Bitmap::CopyRect(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) {
    if (&src == this) {
        // Overlapping copies within one bitmap read from a snapshot of the source.
        Bitmap copy = src;
        CopyRect(copy, sx, sy, w, h, dx, dy);
        return;
    }
    // Clip against the source, then against the target, moving both corners together.
    auto clip = [](int& s, int& d, int& len, int srcLimit, int dstLimit) {
        if (s < 0) {
            d -= s;
            len += s;
            s = 0;
        }
        if (d < 0) {
            s -= d;
            len += d;
            d = 0;
        }
        len = std::min({len, srcLimit - s, dstLimit - d});
    };
    clip(sx, dx, w, src.Width_, Width_);
    clip(sy, dy, h, src.Height_, Height_);
    if (w <= 0 || h <= 0)
        return;

    const int bits = BitCount();
    bool sameStorage = StorageBits(src.Format_) == bits;
    bool sameMeaning = sameStorage && IsIndexed(src.Format_) == IsIndexed(Format_) &&
                       (!IsIndexed(Format_) || src.Palette_ == Palette_) &&
                       (bits != 16 || src.Masks_ == Masks_);
    if (sameMeaning) {
        for (int y = 0; y < h; ++y) {
            CopyPixelBits(src.Row(sy + y), static_cast<std::size_t>(sx) * bits, Row(dy + y),
                          static_cast<std::size_t>(dx) * bits, static_cast<std::size_t>(w), bits);
        }
        return;
    }
    RowReader reader(src);
    RowWriter writer(*this);
    bool zeroAlpha = src.Format_ != PixelFormat::Bits32;
    std::vector<std::uint8_t> bgra(4 * static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        reader.Read(sy + y, sx, w, bgra.data());
        if (zeroAlpha && Format_ == PixelFormat::Bits32) {
            for (int i = 0; i < w; ++i)
                bgra[4 * i + 3] = 0;
        }
        writer.Write(dy + y, dx, w, bgra.data());
    }
}

void Bitmap::SetFormat(PixelFormat format, const std::vector<Color>* palette) {
    const std::vector<Color>* wanted = nullptr;
    if (IsIndexed(format)) {
        wanted = (palette && !palette->empty()) ? palette : &DefaultPalette(format);
    }
    if (format == Format_) {
        if (!IsIndexed(format) || !palette || *wanted == Palette_)
            return;
    } else if (StorageBits(format) == 24 && StorageBits(Format_) == 24) {
        Format_ = format;  // Device, Custom and 24-bit share their storage
        return;
    }
    Bitmap target(Width_, Height_, format);
    if (wanted)
        target.SetPalette(*wanted);
    target.XPelsPerMeter = XPelsPerMeter;
    target.YPelsPerMeter = YPelsPerMeter;
    target.CopyRect(*this, 0, 0, Width_, Height_, 0, 0);
    *this = std::move(target);
}

Bitmap Bitmap::ConvertedTo(PixelFormat format, const std::vector<Color>* palette) const {
    Bitmap copy = *this;
    copy.SetFormat(format, palette);
    return copy;
}

void Bitmap::SetSize(int width, int height) {
    CheckSide(width, "width");
    CheckSide(height, "height");
    if (width == Width_ && height == Height_)
        return;
    Bitmap target(width, height, Format_);
    target.Palette_ = Palette_;
    target.Masks_ = Masks_;
    target.XPelsPerMeter = XPelsPerMeter;
    target.YPelsPerMeter = YPelsPerMeter;
    int w = std::min(width, Width_);
    int h = std::min(height, Height_);
    std::size_t bytes = std::min(Stride_, target.Stride_);
    for (int y = 0; y < h; ++y) {
        std::memcpy(target.Row(y), Row(y), bytes);
        ClearRowTail(target.Row(y), target.Stride_, w, BitCount());
    }
    *this = std::move(target);
}

const std::vector<Color>& DefaultPalette(PixelFormat format) {
    static const std::vector<Color> mono{Black, White};
    static const std::vector<Color> standard16{
        Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
        Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
        Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
        Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};
    static const std::vector<Color> cube = [] {
        std::vector<Color> p;
        p.reserve(256);
        // 6 x 6 x 6 levels (red slowest, blue fastest), then 40 greys strictly between the
        // cube's own greys so that no entry repeats.
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(Rgb(static_cast<std::uint8_t>(r * 51),
                                    static_cast<std::uint8_t>(g * 51),
                                    static_cast<std::uint8_t>(b * 51)));
        for (int i = 1; i <= 40; ++i) {
            auto v = static_cast<std::uint8_t>((i * 255 + 20) / 41);
            p.push_back(Rgb(v, v, v));
        }
        return p;
    }();
    static const std::vector<Color> none;
    switch (format) {
        case PixelFormat::Bits1:
            return mono;
        case PixelFormat::Bits4:
            return standard16;
        case PixelFormat::Bits8:
            return cube;
        default:
            return none;
    }
}

int NearestPaletteIndex(const std::vector<Color>& palette, Color c) {
    int best = 0;
    std::uint32_t bestDistance = UINT32_MAX;
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int dr = r - RedOf(palette[i]);
        int dg = g - GreenOf(palette[i]);
        int db = b - BlueOf(palette[i]);
        auto d = static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

}  // namespace gf
