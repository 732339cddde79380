#pragma once
// Building ICO files and icon image blocks in memory for tests, byte by byte and independent of
// the program's own writer: chosen entries, DIB blocks of any depth, PNG blocks, and directory
// entries that lie about offsets, sizes and counts.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "iconfile/ico_format.h"
#include "platform/bitmap.h"
#include "platform/color.h"

namespace gf::test {

// A DIB icon image block: BITMAPINFOHEADER, colour table or masks, colour rows bottom-up, AND
// mask rows bottom-up, every row padded to 4 bytes.
struct DibBlockRecipe {
    int Width = 16;
    int Height = 16;
    int BitCount = 32;
    std::uint32_t Compression = 0;
    // Written after the header when Compression is 3 (red, green, blue).
    std::uint32_t RedMask = 0xF800, GreenMask = 0x07E0, BlueMask = 0x001F;
    // Colour table written after the header (for 8 bits or fewer). Empty: 2^bits entries of a
    // grey ramp.
    std::vector<Color> Palette;
    // biClrUsed; unset: the number of entries written.
    std::optional<std::uint32_t> ClrUsed;
    // biHeight; unset: 2 x Height.
    std::optional<std::int32_t> StoredHeight;
    std::uint16_t Planes = 1;
    std::uint32_t HeaderSize = 40;  // biSize (the header written is always 40 bytes)
    // Raw pixel value at (x, y), y counted from the top: a palette index for 8 bits or fewer,
    // the 16-bit word, or 0xAARRGGBB for 24 and 32 bits. Unset: 0.
    std::function<std::uint32_t(int x, int y)> Pixel;
    // True where the AND mask is set (transparent). Unset: opaque everywhere.
    std::function<bool(int x, int y)> Transparent;
    bool WriteMask = true;
};

std::vector<std::uint8_t> MakeDibBlock(const DibBlockRecipe& recipe);

// A PNG-compressed block of a 32-bit bitmap (blue, green, red, alpha).
std::vector<std::uint8_t> MakePngBlock(const Bitmap& bitmap32);

class IcoBuilder {
  public:
    IcoBuilder& SetReserved(std::uint16_t v);
    IcoBuilder& SetType(std::uint16_t v);
    // The count written in the header; unset: the number of images added.
    IcoBuilder& SetCount(std::uint16_t v);

    // Adds an image; the entry's fields come from width, height and bit count (256 -> 0).
    IcoBuilder& Add(std::vector<std::uint8_t> block, int width, int height, int bitCount);
    IcoBuilder& Add(const DibBlockRecipe& recipe);
    // Adds an image with exactly this entry (offset and size are still filled in unless set
    // with SetOffset / SetSize).
    IcoBuilder& AddWithEntry(std::vector<std::uint8_t> block, const IconDirEntry& entry);

    // Lies in the directory entry of image i.
    IcoBuilder& SetOffset(std::size_t i, std::uint32_t offset);
    IcoBuilder& SetSize(std::size_t i, std::uint32_t size);
    IconDirEntry& Entry(std::size_t i) { return Images[i].Entry; }

    // Cuts the finished file to this many bytes.
    IcoBuilder& TruncateTo(std::size_t size);

    std::vector<std::uint8_t> Build() const;
    void WriteTo(const std::filesystem::path& path) const;

  private:
    struct Image {
        IconDirEntry Entry;
        std::vector<std::uint8_t> Block;
        std::optional<std::uint32_t> Offset;
        std::optional<std::uint32_t> Size;
    };
    std::uint16_t Reserved = 0;
    std::uint16_t Type = 1;
    std::optional<std::uint16_t> Count;
    std::optional<std::size_t> Truncate;
    std::vector<Image> Images;
};

}  // namespace gf::test
