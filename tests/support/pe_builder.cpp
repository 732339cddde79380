#include "support/pe_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace gf::test {

namespace {

constexpr std::uint32_t FileAlignment = 0x200;
constexpr std::uint32_t SectionAlignment = 0x1000;
constexpr std::uint32_t Subdirectory = 0x80000000u;
constexpr std::uint32_t NamedEntry = 0x80000000u;
constexpr std::uint32_t RtBitmap = 2;
constexpr std::uint32_t RtIcon = 3;
constexpr std::uint32_t RtGroupIcon = 14;

std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 4)
        b.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The resource section's contents, with directory entries filled in as their targets are laid.
class ResourceWriter {
  public:
    std::size_t Directory(std::uint16_t named, std::uint16_t ids) {
        std::size_t at = Align(4);
        Data.resize(at + 16 + 8u * (named + ids), 0);
        Put16(Data, at + 12, named);
        Put16(Data, at + 14, ids);
        return at;
    }
    static std::size_t EntryAt(std::size_t dir, std::size_t index) { return dir + 16 + 8 * index; }
    void SetEntry(std::size_t dir, std::size_t index, std::uint32_t nameOrId,
                  std::uint32_t offset) {
        Put32(Data, EntryAt(dir, index), nameOrId);
        Put32(Data, EntryAt(dir, index) + 4, offset);
    }
    std::size_t DataEntry() {
        std::size_t at = Align(4);
        Data.resize(at + 16, 0);
        return at;
    }
    std::size_t Name(const std::u16string& name) {
        std::size_t at = Align(2);
        Put16(Data, at, static_cast<std::uint16_t>(name.size()));
        for (std::size_t i = 0; i < name.size(); ++i)
            Put16(Data, at + 2 + 2 * i, name[i]);
        return at;
    }
    std::size_t Blob(const std::vector<std::uint8_t>& bytes) {
        std::size_t at = Align(8);
        Data.insert(Data.end(), bytes.begin(), bytes.end());
        return at;
    }
    std::size_t Align(std::size_t a) {
        Data.resize((Data.size() + a - 1) / a * a, 0);
        return Data.size();
    }

    std::vector<std::uint8_t> Data;
};

struct Section {
    std::string Name;
    std::uint32_t Virtual = 0;
    std::uint32_t Raw = 0;
    std::vector<std::uint8_t> Bytes;
};

std::vector<std::uint8_t> GroupData(const PeRecipe& recipe, const PeIconGroup& group) {
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> images;
    for (std::uint32_t id : group.IconIds) {
        auto icon = std::find_if(recipe.Icons.begin(), recipe.Icons.end(),
                                 [&](const PeIcon& i) { return i.Id == id; });
        std::vector<std::uint8_t> block;
        if (icon != recipe.Icons.end() && !icon->Languages.empty())
            block = icon->Languages[0].second;
        images.push_back({static_cast<std::uint16_t>(id), block});
    }
    return MakeGroupResource(images);
}

}  // namespace

std::vector<std::uint8_t> MakeGroupResource(
    const std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>>& images, bool cursor) {
    std::vector<std::uint8_t> out;
    Put16(out, 0, 0);
    Put16(out, 2, cursor ? 2 : 1);
    Put16(out, 4, static_cast<std::uint16_t>(images.size()));
    for (const auto& [id, data] : images) {
        std::vector<std::uint8_t> block(data.begin() + (cursor && data.size() >= 4 ? 4 : 0),
                                        data.end());
        block.resize(std::max<std::size_t>(block.size(), 16), 0);
        const std::uint16_t width = static_cast<std::uint16_t>(block[4] | (block[5] << 8));
        const std::uint16_t height = static_cast<std::uint16_t>(block[8] | (block[9] << 8));
        std::size_t at = out.size();
        out.resize(at + 14, 0);
        if (cursor) {
            Put16(out, at, width);
            Put16(out, at + 2, height);  // colour and mask rows
        } else {
            out[at] = static_cast<std::uint8_t>(width);
            out[at + 1] = static_cast<std::uint8_t>(height / 2);
        }
        Put16(out, at + 4, static_cast<std::uint16_t>(block[12] | (block[13] << 8)));
        Put16(out, at + 6, static_cast<std::uint16_t>(block[14] | (block[15] << 8)));
        Put32(out, at + 8, static_cast<std::uint32_t>(data.size()));
        Put16(out, at + 12, id);
    }
    return out;
}

std::vector<std::uint8_t> MakeCursorResource(std::uint16_t x, std::uint16_t y,
                                             const std::vector<std::uint8_t>& block) {
    std::vector<std::uint8_t> out;
    Put16(out, 0, x);
    Put16(out, 2, y);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

void BuiltPe::PutU16(std::size_t offset, std::uint16_t value) {
    if (offset + 2 > Bytes.size())
        throw std::out_of_range("patch beyond the built file");
    Put16(Bytes, offset, value);
}

void BuiltPe::PutU32(std::size_t offset, std::uint32_t value) {
    if (offset + 4 > Bytes.size())
        throw std::out_of_range("patch beyond the built file");
    Put32(Bytes, offset, value);
}

void BuiltPe::WriteTo(const std::filesystem::path& path) const {
    WriteBytes(path, Bytes);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("can not write " + path.string());
}

std::vector<PeIcon> NumberedIcons(const std::vector<std::vector<std::uint8_t>>& images,
                                  std::uint32_t first) {
    std::vector<PeIcon> icons;
    for (std::size_t i = 0; i < images.size(); ++i) {
        icons.push_back({first + static_cast<std::uint32_t>(i), {{1033, images[i]}}});
    }
    return icons;
}

BuiltPe BuildPe(const PeRecipe& recipe) {
    BuiltPe pe;
    const std::uint16_t optionalSize = recipe.Pe64 ? 240 : 224;
    const std::size_t sectionCount = recipe.DataInOwnSection ? 3 : 2;
    pe.PeOffset = recipe.PeOffset;
    pe.SectionTable = recipe.PeOffset + 24 + optionalSize;
    pe.SectionCount = static_cast<std::uint32_t>(sectionCount);
    const std::uint32_t headersEnd =
        AlignUp(pe.SectionTable + 40 * static_cast<std::uint32_t>(sectionCount), FileAlignment);

    // Sections: code, resources, optionally the image data.
    Section text{".text", SectionAlignment, headersEnd, std::vector<std::uint8_t>(0x200, 0xCC)};
    Section rsrc{recipe.ResourceSectionName, 0, 0, {}};
    rsrc.Virtual = text.Virtual + 3 * SectionAlignment;  // a gap, so offsets never equal RVAs
    rsrc.Raw = text.Raw + AlignUp(static_cast<std::uint32_t>(text.Bytes.size()), FileAlignment);

    ResourceWriter r;
    const bool haveGroups = !recipe.Groups.empty();
    std::vector<std::uint32_t> extraTypes;
    for (const PeResource& res : recipe.Resources) {
        if (std::find(extraTypes.begin(), extraTypes.end(), res.Type) == extraTypes.end())
            extraTypes.push_back(res.Type);
    }
    const std::uint16_t typeIds =
        static_cast<std::uint16_t>(1 + (haveGroups ? 1 : 0) + (recipe.OtherTypesFirst ? 1 : 0) +
                                   extraTypes.size());
    const std::uint16_t typeNames = recipe.OtherTypesFirst ? 1 : 0;
    std::size_t root = r.Directory(typeNames, typeIds);
    std::size_t slot = 0;
    std::size_t namedTypeDir = 0, bitmapDir = 0;
    if (recipe.OtherTypesFirst) {
        namedTypeDir = r.Directory(0, 0);
        bitmapDir = r.Directory(0, 0);
    }
    std::size_t iconDir = r.Directory(0, static_cast<std::uint16_t>(recipe.Icons.size()));
    std::size_t groupDir =
        haveGroups ? r.Directory(0, static_cast<std::uint16_t>(recipe.Groups.size())) : 0;
    if (recipe.OtherTypesFirst) {
        std::size_t name = r.Name(u"PNG");
        r.SetEntry(root, slot++, NamedEntry | static_cast<std::uint32_t>(name),
                   Subdirectory | static_cast<std::uint32_t>(namedTypeDir));
        r.SetEntry(root, slot++, RtBitmap, Subdirectory | static_cast<std::uint32_t>(bitmapDir));
    }
    pe.IconTypeEntry = static_cast<std::uint32_t>(ResourceWriter::EntryAt(root, slot));
    r.SetEntry(root, slot++, RtIcon, Subdirectory | static_cast<std::uint32_t>(iconDir));
    if (haveGroups) {
        r.SetEntry(root, slot++, RtGroupIcon, Subdirectory | static_cast<std::uint32_t>(groupDir));
    }
    // Each extra type: its directory, named entries first as the format wants them.
    struct ExtraEntry {
        std::size_t Directory;
        std::size_t Slot;
    };
    std::vector<ExtraEntry> extraEntries(recipe.Resources.size());
    for (std::uint32_t type : extraTypes) {
        std::vector<std::size_t> members;
        for (std::size_t i = 0; i < recipe.Resources.size(); ++i) {
            if (recipe.Resources[i].Type == type)
                members.push_back(i);
        }
        std::stable_partition(members.begin(), members.end(),
                              [&](std::size_t i) { return !recipe.Resources[i].Name.empty(); });
        const auto named = static_cast<std::uint16_t>(
            std::count_if(members.begin(), members.end(),
                          [&](std::size_t i) { return !recipe.Resources[i].Name.empty(); }));
        std::size_t dir =
            r.Directory(named, static_cast<std::uint16_t>(members.size() - named));
        r.SetEntry(root, slot++, type, Subdirectory | static_cast<std::uint32_t>(dir));
        for (std::size_t k = 0; k < members.size(); ++k)
            extraEntries[members[k]] = {dir, k};
    }

    // Language directories and data entries; data offsets are fixed up once the data is laid.
    struct Pending {
        std::size_t DataEntry;
        const std::vector<std::uint8_t>* Bytes;
        std::vector<std::uint8_t> Owned;
    };
    std::vector<Pending> pending;
    std::vector<std::size_t> firstData;
    for (std::size_t i = 0; i < recipe.Icons.size(); ++i) {
        const PeIcon& icon = recipe.Icons[i];
        std::size_t langDir = r.Directory(0, static_cast<std::uint16_t>(icon.Languages.size()));
        pe.IconEntries.push_back(static_cast<std::uint32_t>(ResourceWriter::EntryAt(iconDir, i)));
        r.SetEntry(iconDir, i, icon.Id, Subdirectory | static_cast<std::uint32_t>(langDir));
        pe.LanguageEntries.push_back(
            static_cast<std::uint32_t>(ResourceWriter::EntryAt(langDir, 0)));
        for (std::size_t l = 0; l < icon.Languages.size(); ++l) {
            std::size_t data = r.DataEntry();
            r.SetEntry(langDir, l, icon.Languages[l].first, static_cast<std::uint32_t>(data));
            pending.push_back({data, &icon.Languages[l].second, {}});
            if (l == 0)
                firstData.push_back(pending.size() - 1);
        }
        if (icon.Languages.empty())
            firstData.push_back(SIZE_MAX);
    }
    for (std::size_t g = 0; g < recipe.Groups.size(); ++g) {
        std::size_t langDir = r.Directory(0, 1);
        r.SetEntry(groupDir, g, recipe.Groups[g].Id,
                   Subdirectory | static_cast<std::uint32_t>(langDir));
        std::size_t data = r.DataEntry();
        r.SetEntry(langDir, 0, 1033, static_cast<std::uint32_t>(data));
        pending.push_back({data, nullptr, GroupData(recipe, recipe.Groups[g])});
    }

    for (std::size_t i = 0; i < recipe.Resources.size(); ++i) {
        const PeResource& res = recipe.Resources[i];
        std::size_t langDir = r.Directory(0, static_cast<std::uint16_t>(res.Languages.size()));
        std::uint32_t nameOrId = res.Id;
        if (!res.Name.empty())
            nameOrId = NamedEntry | static_cast<std::uint32_t>(r.Name(res.Name));
        r.SetEntry(extraEntries[i].Directory, extraEntries[i].Slot, nameOrId,
                   Subdirectory | static_cast<std::uint32_t>(langDir));
        for (std::size_t l = 0; l < res.Languages.size(); ++l) {
            std::size_t data = r.DataEntry();
            r.SetEntry(langDir, l, res.Languages[l].first, static_cast<std::uint32_t>(data));
            pending.push_back({data, &res.Languages[l].second, {}});
        }
    }

    Section icodata{".icodata", 0, 0, {}};
    std::vector<std::uint32_t> dataRva(pending.size());
    std::vector<std::uint32_t> dataRaw(pending.size());
    std::vector<std::size_t> blobAt(pending.size());
    for (std::size_t p = 0; p < pending.size(); ++p) {
        const auto& bytes = pending[p].Bytes ? *pending[p].Bytes : pending[p].Owned;
        if (recipe.DataInOwnSection) {
            icodata.Bytes.resize((icodata.Bytes.size() + 7) / 8 * 8, 0);
            blobAt[p] = icodata.Bytes.size();
            icodata.Bytes.insert(icodata.Bytes.end(), bytes.begin(), bytes.end());
        } else {
            blobAt[p] = r.Blob(bytes);
        }
    }
    rsrc.Bytes = r.Data;
    if (rsrc.Bytes.empty())
        rsrc.Bytes.resize(16, 0);
    const std::uint32_t rsrcRawSize =
        AlignUp(static_cast<std::uint32_t>(rsrc.Bytes.size()), FileAlignment);
    if (recipe.DataInOwnSection) {
        icodata.Virtual = AlignUp(rsrc.Virtual + rsrcRawSize, SectionAlignment) + SectionAlignment;
        icodata.Raw = rsrc.Raw + rsrcRawSize;
    }
    for (std::size_t p = 0; p < pending.size(); ++p) {
        const Section& home = recipe.DataInOwnSection ? icodata : rsrc;
        dataRva[p] = home.Virtual + static_cast<std::uint32_t>(blobAt[p]);
        dataRaw[p] = home.Raw + static_cast<std::uint32_t>(blobAt[p]);
        const auto& bytes = pending[p].Bytes ? *pending[p].Bytes : pending[p].Owned;
        Put32(rsrc.Bytes, pending[p].DataEntry, dataRva[p]);
        Put32(rsrc.Bytes, pending[p].DataEntry + 4, static_cast<std::uint32_t>(bytes.size()));
        Put32(rsrc.Bytes, pending[p].DataEntry + 8, 1252);
    }

    // Assemble the file.
    std::vector<Section> sections{text, rsrc};
    if (recipe.DataInOwnSection)
        sections.push_back(icodata);
    auto& b = pe.Bytes;
    b.assign(headersEnd, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, recipe.DosPointer.value_or(recipe.PeOffset));
    const std::uint32_t at = recipe.PeOffset;
    b[at] = 'P';
    b[at + 1] = 'E';
    Put16(b, at + 4, recipe.Pe64 ? 0x8664 : 0x014C);
    Put16(b, at + 6, static_cast<std::uint16_t>(sectionCount));
    Put16(b, at + 20, optionalSize);
    Put16(b, at + 22, 0x2102);  // executable, DLL
    const std::uint32_t opt = at + 24;
    Put16(b, opt, recipe.Pe64 ? 0x20B : 0x10B);
    Put32(b, opt + 32, SectionAlignment);
    Put32(b, opt + 36, FileAlignment);
    // The resource data directory (index 2) names the resource section.
    const std::uint32_t directories = opt + (recipe.Pe64 ? 112 : 96);
    Put32(b, opt + (recipe.Pe64 ? 108 : 92), 16);  // NumberOfRvaAndSizes
    Put32(b, directories + 8 * 2, rsrc.Virtual);
    Put32(b, directories + 8 * 2 + 4, static_cast<std::uint32_t>(rsrc.Bytes.size()));
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const Section& sec = sections[s];
        std::size_t h = pe.SectionTable + 40 * s;
        for (std::size_t c = 0; c < sec.Name.size() && c < 8; ++c)
            b[h + c] = static_cast<std::uint8_t>(sec.Name[c]);
        Put32(b, h + 8, static_cast<std::uint32_t>(sec.Bytes.size()));
        Put32(b, h + 12, sec.Virtual);
        Put32(b, h + 16, AlignUp(static_cast<std::uint32_t>(sec.Bytes.size()), FileAlignment));
        Put32(b, h + 20, sec.Raw);
        b.resize(sec.Raw, 0);
        b.insert(b.end(), sec.Bytes.begin(), sec.Bytes.end());
        b.resize(sec.Raw + AlignUp(static_cast<std::uint32_t>(sec.Bytes.size()), FileAlignment), 0);
    }

    pe.ResourceRaw = rsrc.Raw;
    pe.ResourceVirtual = rsrc.Virtual;
    pe.ResourceRawSize = rsrcRawSize;
    pe.IconTypeEntry += rsrc.Raw;
    pe.IconDirectory = rsrc.Raw + static_cast<std::uint32_t>(iconDir);
    for (auto& e : pe.IconEntries)
        e += rsrc.Raw;
    for (auto& e : pe.LanguageEntries)
        e += rsrc.Raw;
    for (std::size_t i = 0; i < recipe.Icons.size(); ++i) {
        std::size_t p = firstData[i];
        if (p == SIZE_MAX) {
            pe.DataEntries.push_back(0);
            pe.ImageOffsets.push_back(0);
            pe.ImageSizes.push_back(0);
            continue;
        }
        pe.DataEntries.push_back(rsrc.Raw + static_cast<std::uint32_t>(pending[p].DataEntry));
        pe.ImageOffsets.push_back(dataRaw[p]);
        pe.ImageSizes.push_back(static_cast<std::uint32_t>(pending[p].Bytes->size()));
    }
    return pe;
}

}  // namespace gf::test
