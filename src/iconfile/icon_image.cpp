#include "iconfile/icon_image.h"

#include <algorithm>
#include <cstdint>

namespace gf {

PixelFormat FormatFromBitCount(int bitCount) {
    switch (bitCount) {
        case 1:
            return PixelFormat::Bits1;
        case 4:
            return PixelFormat::Bits4;
        case 8:
            return PixelFormat::Bits8;
        case 16:
            return PixelFormat::Bits16;
        case 24:
            return PixelFormat::Bits24;
        case 32:
            return PixelFormat::Bits32;
        default:
            return PixelFormat::Device;
    }
}

Bitmap MakeAndMask(const Bitmap& mask) {
    const int w = mask.Width();
    const int h = mask.Height();
    Bitmap out(w, h, PixelFormat::Bits1);
    const std::size_t fullBytes = static_cast<std::size_t>(w) / 8;
    const int restBits = w % 8;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = out.Row(y);
        const std::uint8_t* src = mask.Row(y);
        switch (mask.Format()) {
            case PixelFormat::Bits1:
                // Copy the bits; the padding beyond the width stays zero.
                std::copy(src, src + fullBytes, dst);
                if (restBits) {
                    dst[fullBytes] =
                        static_cast<std::uint8_t>(src[fullBytes] & (0xFF00 >> restBits));
                }
                break;
            case PixelFormat::Bits8:
                for (int x = 0; x < w; ++x) {
                    if (src[x] == 255)
                        dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
                }
                break;
            default:
                for (int x = 0; x < w; ++x) {
                    if ((mask.GetPixel(x, y) & 0xFFFFFF) == White) {
                        dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
                    }
                }
                break;
        }
    }
    return out;
}

Result<IconImage> MakeIcon(Bitmap color, const Bitmap& mask) {
    if (color.Empty())
        return Error{"The icon has no colour image."};
    if (mask.Empty())
        return Error{"The icon has no mask."};
    if (color.Width() != mask.Width() || color.Height() != mask.Height()) {
        return Error{"The icon's colour image (" + std::to_string(color.Width()) + "x" +
                     std::to_string(color.Height()) + ") and mask (" +
                     std::to_string(mask.Width()) + "x" + std::to_string(mask.Height()) +
                     ") differ in size."};
    }
    IconImage icon;
    icon.Color = std::move(color);
    icon.Mask = MakeAndMask(mask);
    return icon;
}

Result<Bitmap> TakeIconApart(const IconImage& icon, int bitCount, Bitmap* maskOut) {
    if (icon.Empty())
        return Error{"The icon is empty."};
    if (maskOut)
        *maskOut = icon.Mask;
    if (bitCount == 0 || bitCount == icon.Color.BitCount())
        return icon.Color;
    PixelFormat format = FormatFromBitCount(bitCount);
    if (format == PixelFormat::Device) {
        return Error{"An icon can not have " + std::to_string(bitCount) + " bits per pixel."};
    }
    return icon.Color.ConvertedTo(format);
}

std::string DescribeIcon(int index, std::int64_t width, std::int64_t height, int bits) {
    return " " + std::to_string(index) + "# " + std::to_string(width) + "x" +
           std::to_string(height) + "x" + std::to_string(bits) + "bits";
}

void IconSet::Add(std::filesystem::path file, std::string info) {
    IconFiles.push_back(std::move(file));
    IconInfos.push_back(std::move(info));
}

void IconSet::Insert(std::size_t index, std::filesystem::path file, std::string info) {
    index = std::min(index, Size());
    IconFiles.insert(IconFiles.begin() + static_cast<std::ptrdiff_t>(index), std::move(file));
    IconInfos.insert(IconInfos.begin() + static_cast<std::ptrdiff_t>(index), std::move(info));
}

void IconSet::RemoveAt(std::size_t index) {
    if (index >= Size())
        return;
    IconFiles.erase(IconFiles.begin() + static_cast<std::ptrdiff_t>(index));
    IconInfos.erase(IconInfos.begin() + static_cast<std::ptrdiff_t>(index));
}

namespace {
template <class T>
void MoveItem(std::vector<T>& v, std::size_t from, std::size_t to) {
    auto first = v.begin();
    if (from < to) {
        std::rotate(first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1,
                    first + static_cast<std::ptrdiff_t>(to) + 1);
    } else if (to < from) {
        std::rotate(first + static_cast<std::ptrdiff_t>(to),
                    first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1);
    }
}
}  // namespace

void IconSet::Move(std::size_t from, std::size_t to) {
    if (from >= Size() || to >= Size() || IconInfos.size() != IconFiles.size())
        return;
    MoveItem(IconFiles, from, to);
    MoveItem(IconInfos, from, to);
}

void IconSet::Clear() {
    IconFiles.clear();
    IconInfos.clear();
}

}  // namespace gf
