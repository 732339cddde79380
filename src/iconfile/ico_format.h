#pragma once
// The ICO file layout, stated once: a 6-byte header (reserved 0, type, count), one 16-byte
// directory entry per image, then the image blocks. All numbers little-endian. The writer, the
// reader that cuts files into one-image files and the list window's multi-image save all use
// these pieces.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

inline constexpr std::size_t IconDirHeaderSize = 6;
inline constexpr std::size_t IconDirEntrySize = 16;
inline constexpr std::uint16_t IconTypeIcon = 1;
inline constexpr std::uint16_t IconTypeCursor = 2;
// Offset of the image block in a one-image file.
inline constexpr std::uint32_t SingleImageOffset = IconDirHeaderSize + IconDirEntrySize;  // 22
// A directory never legitimately holds more entries than this; larger counts are refused.
inline constexpr std::size_t MaxIconDirEntries = 4096;

// A cursor's hot spot. In a cursor file it takes the place of the directory entry's planes
// (x) and bit count (y); in an executable's cursor resource it is the data's first 4 bytes.
struct CursorHotSpot {
    std::uint16_t X = 0;
    std::uint16_t Y = 0;
    friend bool operator==(const CursorHotSpot&, const CursorHotSpot&) = default;
};

struct IconDirHeader {
    std::uint16_t Reserved = 0;
    std::uint16_t Type = IconTypeIcon;
    std::uint16_t Count = 0;
};

struct IconDirEntry {
    std::uint8_t Width = 0;       // low 8 bits of the width (256 -> 0)
    std::uint8_t Height = 0;      // low 8 bits of the single (not doubled) height
    std::uint8_t ColorCount = 0;  // low 8 bits of 2^bits: 2, 16, 0 for 8 bits and more
    std::uint8_t Reserved = 0;
    std::uint16_t Planes = 1;
    std::uint16_t BitCount = 0;
    std::uint32_t BytesInRes = 0;   // size of the image block
    std::uint32_t ImageOffset = 0;  // file offset of the image block
    friend bool operator==(const IconDirEntry&, const IconDirEntry&) = default;
};

// The hot spot of a cursor file's directory entry, and setting it.
inline CursorHotSpot HotSpotOf(const IconDirEntry& entry) {
    return {entry.Planes, entry.BitCount};
}
inline void SetHotSpot(IconDirEntry& entry, CursorHotSpot spot) {
    entry.Planes = static_cast<std::uint16_t>(spot.X);
    entry.BitCount = static_cast<std::uint16_t>(spot.Y);
}

// Directory entry fields derived from an image's size and depth (offset and size left 0).
IconDirEntry MakeIconDirEntry(int width, int height, int bitCount);
// Low 8 bits of 2^bitCount (2 for 1 bit, 16 for 4, 0 for 8 and more; 1 for 0).
std::uint8_t IconColorCount(int bitCount);

void PutIconDirHeader(std::vector<std::uint8_t>& out, const IconDirHeader& header);
void PutIconDirEntry(std::vector<std::uint8_t>& out, const IconDirEntry& entry);

// Reading fails only when the bytes are not there; the values are not judged.
Result<IconDirHeader> ReadIconDirHeader(Bytes file);
Result<IconDirEntry> ReadIconDirEntry(Bytes file, std::size_t offset);

// Header plus every directory entry the count announces. Fails on a short file or a count
// above MaxIconDirEntries.
struct IconDirectory {
    IconDirHeader Header;
    std::vector<IconDirEntry> Entries;
};
Result<IconDirectory> ReadIconDirectory(Bytes file);

// The image block of an entry, checked to lie inside the file.
Result<Bytes> IconImageBlock(Bytes file, const IconDirEntry& entry);

// One image of a file being assembled: its directory entry (BytesInRes and ImageOffset are
// filled in by AssembleIconFile) and its block (DIB header with doubled height, colour table,
// colour rows, mask rows; or any bytes the caller copies through).
struct IconBlock {
    IconDirEntry Entry;
    std::vector<std::uint8_t> Data;
    // Where the pointer's tip is when the block is written into a cursor file (unset: the
    // entry's planes and bit count are written as they stand); an icon file ignores it.
    std::optional<CursorHotSpot> HotSpot;
};

// A whole ICO file (type 1; a CUR file with type 2, whose entries hold hot spots in place of
// planes and bit count) of the blocks in order: header, entries, blocks one after another.
// Fails when there are more than 65535 blocks or the file would exceed 4 GiB.
Result<std::vector<std::uint8_t>> AssembleIconFile(const std::vector<IconBlock>& blocks,
                                                   std::uint16_t type = IconTypeIcon);

}  // namespace gf
