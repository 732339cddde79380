#include "iconfile/executable_resources.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

namespace gf {

namespace {

constexpr std::uint32_t PeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t NeSignature = 0x454E;      // "NE"
constexpr std::uint64_t DosHeaderNewOffset = 60;
constexpr std::uint64_t FileHeaderSize = 20;
constexpr std::uint64_t SectionHeaderSize = 40;

constexpr std::uint32_t HighBit = 0x80000000u;
constexpr std::uint64_t ResourceDirectorySize = 16;
constexpr std::uint64_t ResourceEntrySize = 8;
constexpr std::uint64_t ResourceDataEntrySize = 16;
// Entries looked at below one type, however the directories are shared among its names: a
// hostile tree could otherwise make 65535 names each name the same 65535 languages.
constexpr std::uint64_t MaxEntriesOfType = std::uint64_t{1} << 20;

// NE resource table: the alignment shift, then TYPEINFO records (type, count, 4 reserved bytes)
// each followed by its NAMEINFO records, ended by a type of 0.
constexpr std::uint64_t NeResourceTableField = 0x24;
constexpr std::uint64_t NeResidentNamesField = 0x26;
constexpr std::uint64_t NeTypeInfoSize = 8;
constexpr std::uint64_t NeNameInfoSize = 12;
constexpr std::uint16_t NeIntegerBit = 0x8000;
// Real files list a dozen types or so; a table of more is not read further.
constexpr std::size_t MaxNeTypeRecords = 4096;
// Shifts beyond this would put every resource past 4 GiB.
constexpr std::uint16_t MaxNeAlignShift = 24;

const char* const NoSignatureMessage = "There is no icon in this file!";

bool Wanted(std::span<const std::uint32_t> types, std::uint32_t type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string TooManyMessage(std::uint32_t type) {
    const char* what = "resources";
    switch (type) {
        case ResourceTypeIcon:
            what = "icon images";
            break;
        case ResourceTypeCursor:
            what = "cursor images";
            break;
        case ResourceTypeGroupIcon:
            what = "icon groups";
            break;
        case ResourceTypeGroupCursor:
            what = "cursor groups";
            break;
    }
    return "The file holds more than " + std::to_string(MaxResourcesOfType) + " " + what +
           ", more than can be read.";
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(Bytes units) {
    std::string out;
    out.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        std::uint32_t c = *ReadU16(units, i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < units.size()) {
            std::uint32_t low = *ReadU16(units, i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return out;
}

// Latin-1 to UTF-8.
std::string Latin1ToUtf8(Bytes bytes) {
    std::string out;
    for (std::uint8_t b : bytes)
        AppendUtf8(out, b);
    return out;
}

// ---- PE ----

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
    if (auto pointer = file.U32(DosHeaderNewOffset)) {
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
        std::array<std::uint8_t, ResourceEntrySize> raw;
        if (!File.ReadAt(Base + at, raw))
            return std::nullopt;
        return Entry{*ReadU32(raw, 0), *ReadU32(raw, 4)};
    }

    std::optional<DataEntry> ReadDataEntry(std::uint64_t offset) {
        if (!RangeFits(offset, ResourceDataEntrySize, Length))
            return std::nullopt;
        std::array<std::uint8_t, 8> raw;
        if (!File.ReadAt(Base + offset, raw))
            return std::nullopt;
        return DataEntry{*ReadU32(raw, 0), *ReadU32(raw, 4)};
    }

    // A name entry's text: a 16-bit count of UTF-16 units, then the units.
    std::optional<std::string> ReadName(std::uint32_t offset) {
        if (!RangeFits(offset, 2, Length))
            return std::nullopt;
        auto units = File.U16(Base + offset);
        if (!units || !RangeFits(offset + 2, std::uint64_t{*units} * 2, Length))
            return std::nullopt;
        auto bytes = File.Read(Base + offset + 2, std::uint64_t{*units} * 2);
        if (!bytes)
            return std::nullopt;
        return Utf16ToUtf8(*bytes);
    }

  private:
    ByteSource& File;
    std::uint64_t Base;
    std::uint64_t Length;
};

struct PeFile {
    bool Signature = false;
    bool HaveResources = false;
    std::vector<Section> Sections;
    std::uint64_t ResourceBase = 0;
    std::uint64_t ResourceLength = 0;
};

PeFile OpenPe(ByteSource& file) {
    PeFile pe;
    auto header = FindPeHeader(file);
    if (!header)
        return pe;
    pe.Signature = true;
    pe.Sections = ReadSections(file, *header);
    for (const auto& s : pe.Sections) {
        if (std::string_view(s.Name.data()) != ".rsrc")
            continue;
        if (s.RawPointer >= file.Size())
            return pe;
        pe.ResourceBase = s.RawPointer;
        pe.ResourceLength = std::min<std::uint64_t>(s.RawSize, file.Size() - s.RawPointer);
        pe.HaveResources = true;
        return pe;
    }
    return pe;
}

// Appends the resources below one type directory. A directory that points back to the root or
// to the type directory, or a fourth level, ends this type's walk and keeps what came before:
// such a tree is damaged from there on. False when the type holds too many resources.
bool WalkPeType(const PeFile& pe, ResourceTree& tree, std::uint32_t type,
                std::uint32_t typeAt, std::vector<ExecutableResource>& out) {
    auto names = tree.ReadDirectory(typeAt);
    if (!names)
        return true;
    std::size_t recorded = 0;
    std::uint64_t visited = 0;
    for (std::uint32_t m = 0; m < names->Count; ++m) {
        auto e = tree.ReadEntry(*names, m);
        if (!e)
            break;
        if ((e->Offset & HighBit) == 0)
            continue;
        std::uint32_t languagesAt = e->Offset & ~HighBit;
        if (languagesAt == 0 || languagesAt == typeAt)
            return true;
        ResourceName name;
        if (e->NameOrId & HighBit) {
            auto text = tree.ReadName(e->NameOrId & ~HighBit);
            if (!text || text->empty())
                continue;
            name.Name = std::move(*text);
        } else {
            name.Id = e->NameOrId;
        }
        auto languages = tree.ReadDirectory(languagesAt);
        if (!languages)
            continue;
        std::uint32_t index = 0;
        for (std::uint32_t l = 0; l < languages->Count; ++l) {
            if (++visited > MaxEntriesOfType)
                return true;
            auto lang = tree.ReadEntry(*languages, l);
            if (!lang)
                break;
            if (lang->Offset & HighBit)
                return true;  // a fourth level: not a resource tree
            auto data = tree.ReadDataEntry(lang->Offset);
            if (!data)
                continue;
            auto offset = MapVirtualAddress(pe.Sections, data->Address);
            if (!offset)
                continue;
            if (++recorded > MaxResourcesOfType)
                return false;
            ExecutableResource r;
            r.Type = type;
            r.Name = name;
            r.Language = static_cast<std::uint16_t>(lang->NameOrId);
            r.LanguageIndex = index++;
            r.Offset = *offset;
            r.Size = data->Size;
            out.push_back(std::move(r));
        }
    }
    return true;
}

// ---- NE ----

std::optional<std::string> ReadPascalName(ByteSource& file, std::uint64_t at) {
    std::uint8_t length = 0;
    if (!file.ReadAt(at, std::span(&length, 1)) || length == 0)
        return std::nullopt;
    auto bytes = file.Read(at + 1, length);
    if (!bytes)
        return std::nullopt;
    return Latin1ToUtf8(*bytes);
}

}  // namespace

bool LanguageSelection::Takes(const ExecutableResources& in, const ExecutableResource& r) const {
    if (!in.HasLanguages())
        return true;
    switch (Which) {
        case Mode::First:
            return r.LanguageIndex == 0;
        case Mode::All:
            return true;
        case Mode::One:
            return r.Language == Language;
    }
    return false;
}

std::string ResourceNameText(const ResourceName& name) {
    return name.IsNamed() ? "\"" + name.Name + "\"" : std::to_string(name.Id);
}

std::optional<std::uint64_t> FindNeHeader(ByteSource& file) {
    auto pointer = file.U32(DosHeaderNewOffset);
    if (!pointer || *pointer == 0)
        return std::nullopt;
    auto signature = file.U16(*pointer);
    if (!signature || *signature != NeSignature)
        return std::nullopt;
    return *pointer;
}

ExecutableResources ReadPeResources(ByteSource& file, std::span<const std::uint32_t> types) {
    ExecutableResources result;
    PeFile pe = OpenPe(file);
    if (!pe.Signature) {
        result.Message = NoSignatureMessage;
        return result;
    }
    result.Format = ExecutableFormat::Pe;
    if (!pe.HaveResources)
        return result;
    ResourceTree tree(file, pe.ResourceBase, pe.ResourceLength);
    auto root = tree.ReadDirectory(0);
    if (!root)
        return result;
    std::vector<std::uint32_t> done;
    for (std::uint32_t m = 0; m < root->Count; ++m) {
        auto e = tree.ReadEntry(*root, m);
        if (!e)
            break;
        // The first entry of a type is its directory; named types are not ours.
        if ((e->NameOrId & HighBit) || !Wanted(types, e->NameOrId) || Wanted(done, e->NameOrId))
            continue;
        done.push_back(e->NameOrId);
        std::uint32_t typeAt = e->Offset & ~HighBit;
        // A type directory at the root's own place would walk the root again.
        if (typeAt == 0)
            continue;
        if (!WalkPeType(pe, tree, e->NameOrId, typeAt, result.Resources)) {
            result.Resources.clear();
            result.Message = TooManyMessage(e->NameOrId);
            return result;
        }
    }
    return result;
}

ExecutableResources ReadNeResources(ByteSource& file, std::uint64_t neHeader,
                                    std::span<const std::uint32_t> types) {
    ExecutableResources result;
    result.Format = ExecutableFormat::Ne;
    auto tableField = file.U16(neHeader + NeResourceTableField);
    auto namesField = file.U16(neHeader + NeResidentNamesField);
    // A file without resources has its resource table where the resident names begin.
    if (!tableField || !namesField || *tableField == *namesField)
        return result;
    const std::uint64_t table = neHeader + *tableField;
    auto shift = file.U16(table);
    if (!shift || *shift > MaxNeAlignShift)
        return result;

    std::vector<std::size_t> counts(types.size(), 0);
    std::uint64_t pos = table + 2;
    for (std::size_t record = 0; record < MaxNeTypeRecords; ++record) {
        std::array<std::uint8_t, NeTypeInfoSize> info;
        if (!file.ReadAt(pos, std::span(info.data(), 4)))
            break;
        const std::uint16_t typeField = *ReadU16(info, 0);
        const std::uint16_t count = *ReadU16(info, 2);
        if (typeField == 0)
            break;
        pos += NeTypeInfoSize;
        const std::uint32_t type = typeField & ~NeIntegerBit;
        auto wanted = std::find(types.begin(), types.end(), type);
        if ((typeField & NeIntegerBit) == 0 || wanted == types.end()) {
            pos += NeNameInfoSize * count;
            continue;
        }
        std::size_t& recorded = counts[static_cast<std::size_t>(wanted - types.begin())];
        for (std::uint16_t i = 0; i < count; ++i, pos += NeNameInfoSize) {
            std::array<std::uint8_t, NeNameInfoSize> raw;
            if (!file.ReadAt(pos, raw))
                return result;
            const std::uint64_t offset = std::uint64_t{*ReadU16(raw, 0)} << *shift;
            const std::uint64_t size = std::uint64_t{*ReadU16(raw, 2)} << *shift;
            const std::uint16_t id = *ReadU16(raw, 6);
            if (offset == 0 || offset > std::numeric_limits<std::uint32_t>::max() ||
                size > std::numeric_limits<std::uint32_t>::max())
                continue;
            ExecutableResource r;
            r.Type = type;
            if (id & NeIntegerBit) {
                r.Name.Id = id & ~NeIntegerBit;
            } else {
                auto name = ReadPascalName(file, table + id);
                if (!name)
                    continue;
                r.Name.Name = std::move(*name);
            }
            if (++recorded > MaxResourcesOfType) {
                result.Resources.clear();
                result.Message = TooManyMessage(type);
                return result;
            }
            r.Offset = static_cast<std::uint32_t>(offset);
            r.Size = static_cast<std::uint32_t>(size);
            result.Resources.push_back(std::move(r));
        }
    }
    return result;
}

ExecutableResources ReadExecutableResources(ByteSource& file,
                                            std::span<const std::uint32_t> types) {
    if (auto ne = FindNeHeader(file))
        return ReadNeResources(file, *ne, types);
    return ReadPeResources(file, types);
}

}  // namespace gf
