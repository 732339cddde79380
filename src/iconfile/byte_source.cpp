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
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return Error{"Can not open file " + PathText(path)};
    std::unique_ptr<FileSource> source(new FileSource());
    source->In.open(path, std::ios::binary);
    if (!source->In)
        return Error{"Can not open file " + PathText(path)};
    source->In.seekg(0, std::ios::end);
    auto end = source->In.tellg();
    if (end < 0)
        return Error{"Can not read file " + PathText(path)};
    source->FileSize = static_cast<std::uint64_t>(end);
    return source;
}

bool FileSource::ReadDirect(std::uint64_t offset, std::span<std::uint8_t> out) {
    In.clear();
    In.seekg(static_cast<std::streamoff>(offset));
    In.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return In.good() || (In.eof() && static_cast<std::size_t>(In.gcount()) == out.size());
}

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!RangeFits(offset, out.size(), FileSize))
        return false;
    if (out.empty())
        return true;
    if (out.size() > WindowBytes / 2)
        return ReadDirect(offset, out);
    bool inWindow =
        offset >= WindowStart && RangeFits(offset - WindowStart, out.size(), Window.size());
    if (!inWindow) {
        // Start the window a little before the request: directory walks read backwards too.
        std::uint64_t start = offset - std::min<std::uint64_t>(offset, 4096);
        start &= ~std::uint64_t{4095};
        std::uint64_t length = std::min<std::uint64_t>(WindowBytes, FileSize - start);
        Window.resize(static_cast<std::size_t>(length));
        if (!ReadDirect(start, Window)) {
            Window.clear();
            return false;
        }
        WindowStart = start;
        if (!RangeFits(offset - WindowStart, out.size(), Window.size()))
            return false;
    }
    std::memcpy(out.data(), Window.data() + (offset - WindowStart), out.size());
    return true;
}

}  // namespace gf
