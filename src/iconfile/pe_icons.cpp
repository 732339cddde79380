#include "iconfile/pe_icons.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "iconfile/dib.h"
#include "iconfile/ico_reader.h"
#include "platform/file_io.h"

namespace gf {

namespace {

constexpr std::uint32_t PeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint32_t SubdirectoryBit = 0x80000000u;
constexpr std::uint64_t DosHeaderPeOffset = 60;
constexpr std::uint64_t FileHeaderSize = 20;
constexpr std::uint64_t SectionHeaderSize = 40;
constexpr std::uint64_t ResourceDirectorySize = 16;
constexpr std::uint64_t ResourceEntrySize = 8;
constexpr std::uint64_t ResourceDataEntrySize = 16;

const char* const NoIconMessage = "There is no icon in this file!";

struct Section {
    std::array<char, 9> Name{};  // zero-terminated
    std::uint32_t VirtualSize = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawPointer = 0;
};

// The offset of the "PE\0\0" signature: where the DOS header points, or else the first place
// in the file's first bytes where it occurs (some packers and old linkers leave a wrong
// pointer). Offset 0 never counts: the DOS header lies there.
std::optional<std::uint64_t> FindPeHeader(ByteSource& file) {
    if (auto pointer = file.U32(DosHeaderPeOffset)) {
        auto signature = file.U32(*pointer);
        if (signature && *signature == PeSignature)
            return *pointer;
    }
    auto length = std::min<std::uint64_t>(PeSignatureSearchBytes, file.Size());
    auto head = file.Read(0, length);
    if (!head)
        return std::nullopt;
    const auto& h = *head;
    for (std::size_t i = 1; i + 4 <= h.size(); ++i) {
        if (h[i] == 'P' && h[i + 1] == 'E' && h[i + 2] == 0 && h[i + 3] == 0)
            return i;
    }
    return std::nullopt;
}

// The section table follows the optional header, whose size the file header gives (224 bytes
// for PE32, 240 for PE32+). Sections whose header is not wholly in the file are not read.
std::vector<Section> ReadSections(ByteSource& file, std::uint64_t peOffset) {
    std::vector<Section> sections;
    auto count = file.U16(peOffset + 4 + 2);
    auto optionalSize = file.U16(peOffset + 4 + 16);
    if (!count || !optionalSize)
        return sections;
    std::uint64_t table = peOffset + 4 + FileHeaderSize + *optionalSize;
    std::size_t n = std::min<std::size_t>(*count, MaxPeSections);
    for (std::size_t j = 0; j < n; ++j) {
        std::array<std::uint8_t, SectionHeaderSize> raw;
        if (!file.ReadAt(table + SectionHeaderSize * j, raw))
            break;
        Section s;
        std::copy_n(raw.begin(), 8, s.Name.begin());
        s.VirtualSize = *ReadU32(raw, 8);
        s.VirtualAddress = *ReadU32(raw, 12);
        s.RawSize = *ReadU32(raw, 16);
        s.RawPointer = *ReadU32(raw, 20);
        sections.push_back(s);
    }
    return sections;
}

// The file offset of a virtual address, through the section whose file data holds it.
std::optional<std::uint32_t> MapVirtualAddress(const std::vector<Section>& sections,
                                               std::uint32_t rva) {
    for (const auto& s : sections) {
        if (rva < s.VirtualAddress)
            continue;
        std::uint64_t delta = rva - s.VirtualAddress;
        std::uint64_t extent = s.VirtualSize != 0 ? s.VirtualSize : s.RawSize;
        if (delta >= extent || delta >= s.RawSize)
            continue;
        std::uint64_t offset = static_cast<std::uint64_t>(s.RawPointer) + delta;
        if (offset > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        return static_cast<std::uint32_t>(offset);
    }
    return std::nullopt;
}

// The resource tree, read within the file data of the ".rsrc" section. Offsets inside the tree
// are relative to the start of that data.
class ResourceTree {
  public:
    ResourceTree(ByteSource& file, std::uint64_t base, std::uint64_t length)
        : File(file), Base(base), Length(length) {}

    struct Directory {
        std::uint64_t Offset = 0;
        std::uint32_t Count = 0;  // named and ID entries together, as far as the data goes
    };
    struct Entry {
        std::uint32_t NameOrId = 0;
        std::uint32_t Offset = 0;
    };
    struct DataEntry {
        std::uint32_t Address = 0;
        std::uint32_t Size = 0;
    };

    std::optional<Directory> ReadDirectory(std::uint64_t offset) {
        if (!RangeFits(offset, ResourceDirectorySize, Length))
            return std::nullopt;
        auto named = File.U16(Base + offset + 12);
        auto ids = File.U16(Base + offset + 14);
        if (!named || !ids)
            return std::nullopt;
        std::uint64_t room = (Length - offset - ResourceDirectorySize) / ResourceEntrySize;
        Directory d;
        d.Offset = offset;
        d.Count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{*named} + *ids, room));
        return d;
    }

    std::optional<Entry> ReadEntry(const Directory& d, std::uint32_t m) {
        std::uint64_t at = d.Offset + ResourceDirectorySize + ResourceEntrySize * m;
        if (m >= d.Count || !RangeFits(at, ResourceEntrySize, Length))
            return std::nullopt;
        auto name = File.U32(Base + at);
        auto offset = File.U32(Base + at + 4);
        if (!name || !offset)
            return std::nullopt;
        return Entry{*name, *offset};
    }

    std::optional<DataEntry> ReadDataEntry(std::uint64_t offset) {
        if (!RangeFits(offset, ResourceDataEntrySize, Length))
            return std::nullopt;
        auto address = File.U32(Base + offset);
        auto size = File.U32(Base + offset + 4);
        if (!address || !size)
            return std::nullopt;
        return DataEntry{*address, *size};
    }

  private:
    ByteSource& File;
    std::uint64_t Base;
    std::uint64_t Length;
};

enum class PeState { NoSignature, NoResources, Ready };

struct PeFile {
    PeState State = PeState::NoSignature;
    std::vector<Section> Sections;
    std::uint64_t ResourceBase = 0;
    std::uint64_t ResourceLength = 0;
};

PeFile OpenPe(ByteSource& file) {
    PeFile pe;
    auto header = FindPeHeader(file);
    if (!header)
        return pe;
    pe.State = PeState::NoResources;
    pe.Sections = ReadSections(file, *header);
    for (const auto& s : pe.Sections) {
        if (std::string_view(s.Name.data()) != ".rsrc")
            continue;
        if (s.RawPointer >= file.Size())
            return pe;
        pe.ResourceBase = s.RawPointer;
        pe.ResourceLength = std::min<std::uint64_t>(s.RawSize, file.Size() - s.RawPointer);
        pe.State = PeState::Ready;
        return pe;
    }
    return pe;
}

// Calls visit(id, fileOffset, size) for every RT_ICON image (its first language) in directory
// order until visit returns false.
template <class Visit>
void WalkIconResources(ByteSource& file, const PeFile& pe, Visit visit) {
    if (pe.State != PeState::Ready)
        return;
    ResourceTree tree(file, pe.ResourceBase, pe.ResourceLength);
    auto root = tree.ReadDirectory(0);
    if (!root)
        return;

    std::optional<std::uint32_t> iconsAt;
    for (std::uint32_t m = 0; m < root->Count; ++m) {
        auto e = tree.ReadEntry(*root, m);
        if (!e)
            break;
        if (e->NameOrId == ResourceTypeIcon) {
            iconsAt = e->Offset & ~SubdirectoryBit;
            break;
        }
    }
    // A type directory at the root's own place would walk the root again.
    if (!iconsAt || *iconsAt == 0)
        return;
    auto icons = tree.ReadDirectory(*iconsAt);
    if (!icons)
        return;

    for (std::uint32_t m = 0; m < icons->Count; ++m) {
        auto e = tree.ReadEntry(*icons, m);
        if (!e)
            break;
        if ((e->Offset & SubdirectoryBit) == 0)
            continue;
        std::uint32_t languagesAt = e->Offset & ~SubdirectoryBit;
        if (languagesAt == 0 || languagesAt == *iconsAt)
            return;  // points back up: a loop
        auto languages = tree.ReadDirectory(languagesAt);
        if (!languages)
            continue;
        auto first = tree.ReadEntry(*languages, 0);
        if (!first)
            continue;
        if (first->Offset & SubdirectoryBit)
            return;  // a fourth level: not a resource tree
        auto data = tree.ReadDataEntry(first->Offset);
        if (!data)
            continue;
        auto offset = MapVirtualAddress(pe.Sections, data->Address);
        if (!offset)
            continue;
        if (!visit(e->NameOrId, *offset, data->Size))
            return;
    }
}

// Any DIB depth; 0 passes as well.
bool IsUsableBitCount(std::uint16_t bits) {
    return bits == 0 || IsDibBitCount(bits);
}

}  // namespace

int ScanExecutableIcons(ByteSource& file, ExecutableIconTable& table, std::string& message) {
    table.clear();
    PeFile pe = OpenPe(file);
    if (pe.State == PeState::NoSignature) {
        message = NoIconMessage;
        return 1;
    }
    WalkIconResources(file, pe, [&](std::uint32_t, std::uint32_t offset, std::uint32_t size) {
        if (offset > 0 && size >= MinExecutableIconBytes)
            table.push_back({offset, size, false});
        return table.size() < MaxExecutableIcons;
    });
    return 0;
}

int ScanExecutableIcons(const std::filesystem::path& fileName, ExecutableIconTable& table,
                        std::string& message) {
    table.clear();
    auto file = FileSource::Open(fileName);
    if (!file) {
        message = "Can not open file " + PathText(fileName);
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
            *message = "Can not open file " + PathText(fileName);
        return 1;
    }
    return CheckIconImage(**file, offset, size);
}

void LocateIconResources(ByteSource& file, ExecutableIconTable& table) {
    bool anyRejected =
        std::any_of(table.begin(), table.end(), [](const ExecutableIcon& i) { return i.Rejected; });
    if (!anyRejected)
        return;
    PeFile pe = OpenPe(file);
    // First language of every integer ID the table can ask for.
    std::unordered_map<std::uint32_t, ExecutableIcon> byId;
    WalkIconResources(file, pe, [&](std::uint32_t id, std::uint32_t offset, std::uint32_t size) {
        if (id >= 1 && id <= table.size())
            byId.try_emplace(id, ExecutableIcon{offset, size, false});
        return true;
    });
    for (std::size_t p = 0; p < table.size(); ++p) {
        if (!table[p].Rejected)
            continue;
        auto found = byId.find(static_cast<std::uint32_t>(p + 1));
        if (found == byId.end())
            continue;
        if (!RangeFits(found->second.Offset, found->second.Size, file.Size()))
            continue;
        table[p] = found->second;
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
    for (auto& image : table)
        image.Rejected = CheckIconImage(file, image.Offset, image.Size) != 0;
    LocateIconResources(file, table);
    for (auto& image : table)
        image.Rejected = CheckIconImage(file, image.Offset, image.Size) != 0;
    std::erase_if(table, [](const ExecutableIcon& i) { return i.Rejected; });
    return table;
}

}  // namespace gf
