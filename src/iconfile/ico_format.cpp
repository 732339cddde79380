#include "iconfile/ico_format.h"

#include <limits>
#include <string>

namespace gf {

std::uint8_t IconColorCount(int bitCount) {
    if (bitCount <= 0)
        return 1;
    if (bitCount >= 8)
        return 0;
    return static_cast<std::uint8_t>(1u << bitCount);
}

IconDirEntry MakeIconDirEntry(int width, int height, int bitCount) {
    IconDirEntry e;
    e.Width = static_cast<std::uint8_t>(width & 0xFF);
    e.Height = static_cast<std::uint8_t>(height & 0xFF);
    e.ColorCount = IconColorCount(bitCount);
    e.Reserved = 0;
    e.Planes = 1;
    e.BitCount = static_cast<std::uint16_t>(bitCount);
    return e;
}

void PutIconDirHeader(std::vector<std::uint8_t>& out, const IconDirHeader& header) {
    PutU16(out, header.Reserved);
    PutU16(out, header.Type);
    PutU16(out, header.Count);
}

void PutIconDirEntry(std::vector<std::uint8_t>& out, const IconDirEntry& entry) {
    PutU8(out, entry.Width);
    PutU8(out, entry.Height);
    PutU8(out, entry.ColorCount);
    PutU8(out, entry.Reserved);
    PutU16(out, entry.Planes);
    PutU16(out, entry.BitCount);
    PutU32(out, entry.BytesInRes);
    PutU32(out, entry.ImageOffset);
}

Result<IconDirHeader> ReadIconDirHeader(Bytes file) {
    ByteReader r(file);
    IconDirHeader h;
    h.Reserved = r.U16();
    h.Type = r.U16();
    h.Count = r.U16();
    if (!r.Ok())
        return Error{"The icon file is too short to hold its header."};
    return h;
}

Result<IconDirEntry> ReadIconDirEntry(Bytes file, std::size_t offset) {
    ByteReader r(file, offset);
    IconDirEntry e;
    e.Width = r.U8();
    e.Height = r.U8();
    e.ColorCount = r.U8();
    e.Reserved = r.U8();
    e.Planes = r.U16();
    e.BitCount = r.U16();
    e.BytesInRes = r.U32();
    e.ImageOffset = r.U32();
    if (!r.Ok())
        return Error{"The icon file ends inside its directory."};
    return e;
}

Result<IconDirectory> ReadIconDirectory(Bytes file) {
    auto header = ReadIconDirHeader(file);
    if (!header)
        return header.GetError();
    if (header->Count > MaxIconDirEntries) {
        return Error{"The icon file declares " + std::to_string(header->Count) +
                     " images, more than an icon file may hold."};
    }
    IconDirectory dir;
    dir.Header = *header;
    dir.Entries.reserve(header->Count);
    for (std::size_t i = 0; i < header->Count; ++i) {
        auto e = ReadIconDirEntry(file, IconDirHeaderSize + IconDirEntrySize * i);
        if (!e)
            return e.GetError();
        dir.Entries.push_back(*e);
    }
    return dir;
}

Result<Bytes> IconImageBlock(Bytes file, const IconDirEntry& entry) {
    auto block = Slice(file, entry.ImageOffset, entry.BytesInRes);
    if (!block) {
        return Error{"The icon image at offset " + std::to_string(entry.ImageOffset) + " (" +
                     std::to_string(entry.BytesInRes) + " bytes) lies beyond the end of the file."};
    }
    return *block;
}

Result<std::vector<std::uint8_t>> AssembleIconFile(const std::vector<IconBlock>& blocks,
                                                   std::uint16_t type) {
    if (blocks.size() > std::numeric_limits<std::uint16_t>::max()) {
        return Error{"An icon file can not hold more than 65535 images."};
    }
    std::uint64_t total = IconDirHeaderSize + IconDirEntrySize * blocks.size();
    for (const auto& b : blocks)
        total += b.Data.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        return Error{"The icon file would be larger than 4 GiB."};
    }
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(total));
    PutIconDirHeader(out, {0, type, static_cast<std::uint16_t>(blocks.size())});
    std::uint32_t offset =
        static_cast<std::uint32_t>(IconDirHeaderSize + IconDirEntrySize * blocks.size());
    for (const auto& b : blocks) {
        IconDirEntry e = b.Entry;
        e.BytesInRes = static_cast<std::uint32_t>(b.Data.size());
        e.ImageOffset = offset;
        if (type == IconTypeCursor && b.HotSpot)
            SetHotSpot(e, *b.HotSpot);
        PutIconDirEntry(out, e);
        offset += e.BytesInRes;
    }
    for (const auto& b : blocks)
        out.insert(out.end(), b.Data.begin(), b.Data.end());
    return out;
}

}  // namespace gf
