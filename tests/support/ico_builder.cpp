#include "support/ico_builder.h"

#include <fstream>
#include <stdexcept>

#include "platform/byte_reader.h"

namespace gf::test {

namespace {

std::size_t Row(int width, int bits) {
    return ((static_cast<std::size_t>(bits) * width + 31) / 32) * 4;
}

void SetBits(std::uint8_t* row, int x, int bits, std::uint32_t value) {
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    const std::uint8_t mask = static_cast<std::uint8_t>(((1u << bits) - 1) << shift);
    row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

}  // namespace

std::vector<std::uint8_t> MakeDibBlock(const DibBlockRecipe& s) {
    std::vector<std::uint8_t> out;
    std::vector<Color> palette = s.Palette;
    if (s.BitCount <= 8 && palette.empty()) {
        const int n = 1 << s.BitCount;
        for (int i = 0; i < n; ++i) {
            auto v = static_cast<std::uint8_t>(n == 1 ? 0 : i * 255 / (n - 1));
            palette.push_back(Rgb(v, v, v));
        }
    }
    const std::size_t colourRow = Row(s.Width, s.BitCount);
    const std::size_t maskRow = Row(s.Width, 1);
    PutU32(out, s.HeaderSize);
    PutI32(out, s.Width);
    PutI32(out, s.StoredHeight.value_or(2 * s.Height));
    PutU16(out, s.Planes);
    PutU16(out, static_cast<std::uint16_t>(s.BitCount));
    PutU32(out, s.Compression);
    PutU32(out, static_cast<std::uint32_t>(colourRow * s.Height));
    PutI32(out, 0);
    PutI32(out, 0);
    PutU32(out,
           s.ClrUsed.value_or(s.BitCount <= 8 ? static_cast<std::uint32_t>(palette.size()) : 0));
    PutU32(out, 0);
    if (s.BitCount <= 8) {
        for (Color c : palette) {
            PutU8(out, BlueOf(c));
            PutU8(out, GreenOf(c));
            PutU8(out, RedOf(c));
            PutU8(out, 0);
        }
    } else if (s.Compression == 3) {
        PutU32(out, s.RedMask);
        PutU32(out, s.GreenMask);
        PutU32(out, s.BlueMask);
    }
    std::vector<std::uint8_t> row(colourRow);
    for (int y = s.Height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < s.Width; ++x) {
            std::uint32_t v = s.Pixel ? s.Pixel(x, y) : 0;
            switch (s.BitCount) {
                case 1:
                case 4:
                case 8:
                    SetBits(row.data(), x, s.BitCount, v);
                    break;
                case 16:
                    row[2 * x] = static_cast<std::uint8_t>(v);
                    row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                case 24:
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = static_cast<std::uint8_t>(v >> (8 * c));
                    break;
                case 32:
                    for (int c = 0; c < 4; ++c)
                        row[4 * x + c] = static_cast<std::uint8_t>(v >> (8 * c));
                    break;
                default:
                    break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    if (s.WriteMask) {
        std::vector<std::uint8_t> m(maskRow);
        for (int y = s.Height - 1; y >= 0; --y) {
            std::fill(m.begin(), m.end(), 0);
            for (int x = 0; x < s.Width; ++x) {
                if (s.Transparent && s.Transparent(x, y))
                    SetBits(m.data(), x, 1, 1);
            }
            out.insert(out.end(), m.begin(), m.end());
        }
    }
    return out;
}

IcoBuilder& IcoBuilder::SetReserved(std::uint16_t v) {
    Reserved = v;
    return *this;
}
IcoBuilder& IcoBuilder::SetType(std::uint16_t v) {
    Type = v;
    return *this;
}
IcoBuilder& IcoBuilder::SetCount(std::uint16_t v) {
    Count = v;
    return *this;
}

IcoBuilder& IcoBuilder::Add(std::vector<std::uint8_t> block, int width, int height, int bitCount) {
    return AddWithEntry(std::move(block), MakeIconDirEntry(width, height, bitCount));
}

IcoBuilder& IcoBuilder::Add(const DibBlockRecipe& recipe) {
    return Add(MakeDibBlock(recipe), recipe.Width, recipe.Height, recipe.BitCount);
}

IcoBuilder& IcoBuilder::AddWithEntry(std::vector<std::uint8_t> block, const IconDirEntry& entry) {
    Images.push_back({entry, std::move(block), std::nullopt, std::nullopt});
    return *this;
}

IcoBuilder& IcoBuilder::SetOffset(std::size_t i, std::uint32_t offset) {
    Images.at(i).Offset = offset;
    return *this;
}
IcoBuilder& IcoBuilder::SetSize(std::size_t i, std::uint32_t size) {
    Images.at(i).Size = size;
    return *this;
}
IcoBuilder& IcoBuilder::TruncateTo(std::size_t size) {
    Truncate = size;
    return *this;
}

std::vector<std::uint8_t> IcoBuilder::Build() const {
    std::vector<std::uint8_t> out;
    PutU16(out, Reserved);
    PutU16(out, Type);
    PutU16(out, Count.value_or(static_cast<std::uint16_t>(Images.size())));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * Images.size());
    for (const auto& img : Images) {
        IconDirEntry e = img.Entry;
        e.BytesInRes = img.Size.value_or(static_cast<std::uint32_t>(img.Block.size()));
        e.ImageOffset = img.Offset.value_or(offset);
        PutIconDirEntry(out, e);
        offset += static_cast<std::uint32_t>(img.Block.size());
    }
    for (const auto& img : Images)
        out.insert(out.end(), img.Block.begin(), img.Block.end());
    if (Truncate && *Truncate < out.size())
        out.resize(*Truncate);
    return out;
}

void IcoBuilder::WriteTo(const std::filesystem::path& path) const {
    auto bytes = Build();
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("can not write " + path.string());
}

}  // namespace gf::test
