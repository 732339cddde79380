#include "iconfile/pe_icons.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "iconfile/dib.h"
#include "iconfile/ico_reader.h"
#include "platform/file_io.h"

namespace gf {

namespace {

const std::uint32_t IconType[] = {ResourceTypeIcon};

// Any DIB depth; 0 passes as well.
bool IsUsableBitCount(std::uint16_t bits) {
    return bits == 0 || IsDibBitCount(bits);
}

ExecutableIcon ImageOf(const ExecutableResource& r) {
    ExecutableIcon image;
    image.Offset = r.Offset;
    image.Size = r.Size;
    image.Name = r.Name;
    image.Language = r.Language;
    return image;
}

}  // namespace

int ScanExecutableIcons(ByteSource& file, ExecutableIconTable& table, std::string& message) {
    table.clear();
    ExecutableResources found = ReadExecutableResources(file, IconType);
    if (!found.Ok()) {
        message = found.Message;
        return 1;
    }
    for (const auto& r : found.Resources) {
        if (r.LanguageIndex == 0 && r.Offset > 0 && r.Size >= MinExecutableIconBytes)
            table.push_back(ImageOf(r));
    }
    return 0;
}

int ScanExecutableIcons(const std::filesystem::path& fileName, ExecutableIconTable& table,
                        std::string& message) {
    table.clear();
    auto file = FileSource::Open(fileName);
    if (!file) {
        message = WithReasonBelow("Can not open file " + PathText(fileName), file.GetError().Cause);
        return 1;
    }
    return ScanExecutableIcons(**file, table, message);
}

int CheckIconImage(ByteSource& file, std::uint32_t offset, std::uint32_t size) {
    if (!RangeFits(offset, size, file.Size()))
        return 1;
    std::array<std::uint8_t, 16> head{};
    std::size_t n = std::min<std::size_t>(size, head.size());
    if (!file.ReadAt(offset, std::span(head.data(), n)))
        return 1;
    Bytes block(head.data(), n);
    if (IsPngBlock(block))
        return 0;
    if (n < head.size())
        return 1;
    std::int32_t width = *ReadI32(block, 4);
    std::int32_t height = *ReadI32(block, 8);
    std::uint16_t bits = *ReadU16(block, 14);
    return IsUsableBitCount(bits) && width <= 256 && height <= 512 ? 0 : 1;
}

int CheckIconImage(const std::filesystem::path& fileName, std::uint32_t offset, std::uint32_t size,
                   std::string* message) {
    auto file = FileSource::Open(fileName);
    if (!file) {
        if (message)
            *message =
                WithReasonBelow("Can not open file " + PathText(fileName), file.GetError().Cause);
        return 1;
    }
    return CheckIconImage(**file, offset, size);
}

void LocateIconResources(ByteSource& file, ExecutableIconTable& table) {
    bool anyRejected =
        std::any_of(table.begin(), table.end(), [](const ExecutableIcon& i) { return i.Rejected; });
    if (!anyRejected)
        return;
    // First language of every integer ID the table can ask for.
    std::unordered_map<std::uint32_t, const ExecutableResource*> byId;
    ExecutableResources found = ReadExecutableResources(file, IconType);
    for (const auto& r : found.Resources) {
        if (r.LanguageIndex == 0 && !r.Name.IsNamed() && r.Name.Id >= 1 && r.Name.Id <= table.size())
            byId.try_emplace(r.Name.Id, &r);
    }
    for (std::size_t p = 0; p < table.size(); ++p) {
        if (!table[p].Rejected)
            continue;
        auto hit = byId.find(static_cast<std::uint32_t>(p + 1));
        if (hit == byId.end())
            continue;
        if (!RangeFits(hit->second->Offset, hit->second->Size, file.Size()))
            continue;
        table[p] = ImageOf(*hit->second);
    }
}

void LocateIconResources(const std::filesystem::path& fileName, ExecutableIconTable& table) {
    auto file = FileSource::Open(fileName);
    if (!file)
        return;
    LocateIconResources(**file, table);
}

ExecutableIconTable ReadExecutableIcons(ByteSource& file, std::string& message) {
    ExecutableIconTable table;
    if (ScanExecutableIcons(file, table, message) != 0)
        return {};
    std::vector<std::size_t> rejected;
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].Rejected = CheckIconImage(file, table[i].Offset, table[i].Size) != 0;
        if (table[i].Rejected)
            rejected.push_back(i);
    }
    LocateIconResources(file, table);
    // Only the second look can have changed an image: the others passed and still do.
    for (std::size_t i : rejected)
        table[i].Rejected = CheckIconImage(file, table[i].Offset, table[i].Size) != 0;
    std::erase_if(table, [](const ExecutableIcon& i) { return i.Rejected; });
    return table;
}

ExecutableIconTable ReadExecutableImages(ByteSource& file, std::uint32_t type,
                                         LanguageSelection languages, std::string& message) {
    const bool cursors = type == ResourceTypeCursor;
    if (!cursors && languages.Which == LanguageSelection::Mode::First)
        return ReadExecutableIcons(file, message);
    ExecutableIconTable table;
    const std::uint32_t types[] = {type};
    ExecutableResources found = ReadExecutableResources(file, types);
    if (!found.Ok()) {
        message = found.Message;
        return table;
    }
    for (const auto& r : found.Resources) {
        if (!languages.Takes(found, r) || r.Offset == 0)
            continue;
        ExecutableIcon image = ImageOf(r);
        if (cursors) {
            auto x = file.U16(r.Offset);
            auto y = file.U16(std::uint64_t{r.Offset} + 2);
            if (!x || !y || r.Size < CursorHotSpotBytes)
                continue;
            image.HotSpot = CursorHotSpot{*x, *y};
            image.Offset += CursorHotSpotBytes;
            image.Size -= CursorHotSpotBytes;
        } else if (r.Size < MinExecutableIconBytes) {
            continue;
        }
        if (CheckIconImage(file, image.Offset, image.Size) == 0)
            table.push_back(std::move(image));
    }
    return table;
}

}  // namespace gf
