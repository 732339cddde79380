#include "iconfile/byte_source.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/file_io.h"

namespace gf {

std::optional<std::vector<std::uint8_t>> ByteSource::Read(std::uint64_t offset,
                                                          std::uint64_t size) {
    if (!RangeFits(offset, size, Size()))
        return std::nullopt;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size));
    if (!ReadAt(offset, out))
        return std::nullopt;
    return out;
}

std::optional<std::uint16_t> ByteSource::U16(std::uint64_t offset) {
    std::uint8_t b[2];
    if (!ReadAt(offset, b))
        return std::nullopt;
    return ReadU16(b, 0);
}

std::optional<std::uint32_t> ByteSource::U32(std::uint64_t offset) {
    std::uint8_t b[4];
    if (!ReadAt(offset, b))
        return std::nullopt;
    return ReadU32(b, 0);
}

bool MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!RangeFits(offset, out.size(), Data.size()))
        return false;
    if (!out.empty())
        std::memcpy(out.data(), Data.data() + offset, out.size());
    return true;
}

SubSource::SubSource(ByteSource& parent, std::uint64_t offset, std::uint64_t length)
    : Parent(parent), Offset(std::min(offset, parent.Size())) {
    Length = std::min(length, parent.Size() - Offset);
}

bool SubSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!RangeFits(offset, out.size(), Length))
        return false;
    return Parent.ReadAt(Offset + offset, out);
}

Result<std::unique_ptr<FileSource>> FileSource::Open(const std::filesystem::path& path) {
    auto file = RandomAccessFile::Open(path);
    if (!file)
        return file.GetError();
    return std::unique_ptr<FileSource>(new FileSource(std::move(*file)));
}

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!RangeFits(offset, out.size(), File.Size()))
        return false;
    if (out.empty())
        return true;
    if (out.size() > PageBytes || File.Mapped())
        return File.ReadAt(offset, out);
    Window* hit = nullptr;
    Window* oldest = &Windows[0];
    for (Window& w : Windows) {
        if (offset >= w.Start && RangeFits(offset - w.Start, out.size(), w.Data.size())) {
            hit = &w;
            break;
        }
        if (w.LastUse < oldest->LastUse)
            oldest = &w;
    }
    if (!hit) {
        // One page from the start of the request's page, or from the request itself where it
        // runs past that page's end.
        hit = oldest;
        std::uint64_t start = offset & ~std::uint64_t{PageBytes - 1};
        if (offset + out.size() > start + PageBytes)
            start = offset;
        std::uint64_t length = std::min<std::uint64_t>(PageBytes, File.Size() - start);
        hit->Data.resize(static_cast<std::size_t>(length));
        if (!File.ReadAt(start, hit->Data)) {
            hit->Data.clear();
            return false;
        }
        hit->Start = start;
    }
    hit->LastUse = ++Uses;
    std::memcpy(out.data(), hit->Data.data() + (offset - hit->Start), out.size());
    return true;
}

}  // namespace gf
