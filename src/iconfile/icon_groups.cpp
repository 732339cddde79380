#include "iconfile/icon_groups.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

#include "iconfile/pe_icons.h"

namespace gf {

namespace {

// No group can list more images than an icon file holds.
constexpr std::uint64_t MaxGroupDataBytes =
    IconGroupHeaderSize + IconGroupEntrySize * std::uint64_t{MaxResourcesOfType};

const char TooManyMembersMessage[] =
    "The icon groups of this file name more images than the file could hold.";

const std::uint32_t GroupTypes[] = {ResourceTypeIcon, ResourceTypeCursor, ResourceTypeGroupIcon,
                                    ResourceTypeGroupCursor};

std::uint64_t ImageKey(std::uint32_t type, std::uint32_t id) {
    return (std::uint64_t{type} << 32) | id;
}

using NameKey = std::tuple<std::uint32_t, std::uint32_t, std::string>;

NameKey KeyOf(const ExecutableResource& r) {
    return {r.Type, r.Name.Id, r.Name.Name};
}

// The image a member names: in the group's language when the image has it, else its first.
const ExecutableResource* PickImage(const std::vector<const ExecutableResource*>& candidates,
                                    std::optional<std::uint16_t> language) {
    const ExecutableResource* first = nullptr;
    for (const ExecutableResource* r : candidates) {
        if (language && r->Language == *language)
            return r;
        if (!first || (r->LanguageIndex == 0 && first->LanguageIndex != 0))
            first = r;
    }
    return first;
}

// The image a member names, or none. An empty resource (or a cursor's with nothing after its hot
// spot) is none as well: an icon file's entry of 0 bytes is one that readers skip, so the group's
// file would list an image it does not have.
std::optional<FoundIconImage> ImageOf(ByteSource& file, const ExecutableResource& r,
                                      bool withLanguage, std::size_t index) {
    const std::uint32_t head = r.Type == ResourceTypeCursor ? CursorHotSpotBytes : 0;
    if (r.Size <= head || !RangeFits(r.Offset, r.Size, file.Size()))
        return std::nullopt;
    FoundIconImage image;
    image.EntryIndex = index;
    image.Offset = r.Offset;
    image.Size = r.Size;
    if (r.Type == ResourceTypeCursor) {
        auto x = file.U16(r.Offset);
        auto y = file.U16(std::uint64_t{r.Offset} + 2);
        if (!x || !y)
            return std::nullopt;
        image.HotSpot = CursorHotSpot{*x, *y};
        image.Offset += CursorHotSpotBytes;
        image.Size -= CursorHotSpotBytes;
    }
    DescribeIconBlock(file, image);
    image.Resource = ResourceOrigin{r.Type, r.Name, std::nullopt};
    if (withLanguage)
        image.Resource->Language = r.Language;
    return image;
}

}  // namespace

std::vector<IconGroupMember> ParseIconGroupData(Bytes data, bool cursor) {
    std::vector<IconGroupMember> members;
    auto count = ReadU16(data, 4);
    if (!count)
        return members;
    std::size_t room = (data.size() - IconGroupHeaderSize) / IconGroupEntrySize;
    std::size_t n = std::min<std::size_t>(*count, room);
    members.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        ByteReader r(data, IconGroupHeaderSize + IconGroupEntrySize * i);
        IconGroupMember m;
        if (cursor) {
            std::uint16_t width = r.U16();
            std::uint16_t height = r.U16();  // colour and mask rows
            m.Entry.Width = static_cast<std::uint8_t>(width);
            m.Entry.Height = static_cast<std::uint8_t>(height / 2);
            m.Entry.Planes = r.U16();
            m.Entry.BitCount = r.U16();
            m.Entry.ColorCount = IconColorCount(m.Entry.BitCount);
        } else {
            m.Entry.Width = r.U8();
            m.Entry.Height = r.U8();
            m.Entry.ColorCount = r.U8();
            m.Entry.Reserved = r.U8();
            m.Entry.Planes = r.U16();
            m.Entry.BitCount = r.U16();
        }
        m.Entry.BytesInRes = r.U32();
        m.ImageId = r.U16();
        if (!r.Ok())
            break;
        members.push_back(m);
    }
    return members;
}

IconGroupList ListIconGroups(ByteSource& file, LanguageSelection languages) {
    IconGroupList list;
    ExecutableResources found = ReadExecutableResources(file, GroupTypes);
    list.Format = found.Format;
    if (!found.Ok()) {
        list.Message = found.Message;
        return list;
    }
    std::unordered_map<std::uint64_t, std::vector<const ExecutableResource*>> images;
    std::map<NameKey, std::size_t> languageCounts;
    const std::uint64_t budget = MaxGroupBytesPerFileByte * file.Size() + MaxIconBytesExtra;
    std::uint64_t matched = 0;
    // Every member is 14 bytes of some group's data, so the groups of one file list no more
    // members than it has room for, unless their resources share data: thousands of groups naming
    // one list of thousands of members would make billions.
    const std::uint64_t memberBudget = file.Size() / IconGroupEntrySize + MaxResourcesOfType;
    std::uint64_t members = 0;
    for (const ExecutableResource& r : found.Resources) {
        if (r.Type == ResourceTypeIcon || r.Type == ResourceTypeCursor) {
            if (!r.Name.IsNamed())
                images[ImageKey(r.Type, r.Name.Id)].push_back(&r);
        } else {
            ++languageCounts[KeyOf(r)];
        }
    }
    for (std::uint32_t groupType : {ResourceTypeGroupIcon, ResourceTypeGroupCursor}) {
        const bool cursor = groupType == ResourceTypeGroupCursor;
        const std::uint32_t imageType = cursor ? ResourceTypeCursor : ResourceTypeIcon;
        for (const ExecutableResource& r : found.Resources) {
            if (r.Type != groupType || !languages.Takes(found, r))
                continue;
            IconGroup group;
            group.Cursor = cursor;
            group.Name = r.Name;
            if (found.HasLanguages())
                group.Language = r.Language;
            group.LanguageCount = languageCounts[KeyOf(r)];
            // A group's data is small; a claim beyond what the file holds is read as far as it goes.
            std::uint64_t length = 0;
            if (r.Offset < file.Size()) {
                length = std::min<std::uint64_t>(
                    {r.Size, file.Size() - r.Offset, MaxGroupDataBytes});
            }
            auto data = file.Read(r.Offset, length);
            if (data)
                group.Members = ParseIconGroupData(*data, cursor);
            members += group.Members.size();
            if (members > memberBudget) {
                list.Groups.clear();
                list.Message = TooManyMembersMessage;
                return list;
            }
            for (std::size_t i = 0; i < group.Members.size(); ++i) {
                IconGroupMember& m = group.Members[i];
                auto candidates = images.find(ImageKey(imageType, m.ImageId));
                if (candidates == images.end())
                    continue;
                const ExecutableResource* image = PickImage(candidates->second, group.Language);
                if (!image)
                    continue;
                if (matched + image->Size > budget) {
                    m.OverBudget = true;
                    continue;
                }
                m.Image = ImageOf(file, *image, found.HasLanguages(), i);
                if (m.Image)
                    matched += image->Size;
            }
            list.Groups.push_back(std::move(group));
        }
    }
    return list;
}

std::string NoIconGroupsMessage(const IconGroupList& list) {
    return list.Message.empty() ? "No icon group exists in this file!" : list.Message;
}

Result<IconGroupFileListing> ListIconGroupFile(const std::filesystem::path& fileName,
                                               LanguageSelection languages) {
    auto file = FileSource::Open(fileName);
    if (!file)
        return file.GetError();
    IconGroupFileListing listing;
    listing.Source = std::move(*file);
    listing.Kind = DetectIconContainer(*listing.Source, fileName);
    if (listing.Kind == IconContainer::Executable)
        listing.List = ListIconGroups(*listing.Source, languages);
    return listing;
}

std::vector<IconBlock> ReadIconGroupBlocks(ByteSource& file, const IconGroup& group) {
    std::vector<IconBlock> blocks;
    for (const IconGroupMember& m : group.Members) {
        if (!m.Image)
            continue;
        auto data = file.Read(m.Image->Offset, m.Image->Size);
        if (!data)
            continue;
        IconBlock block;
        block.Entry = m.Entry;
        if (m.Image->HotSpot) {
            block.Entry.Planes = m.Image->HotSpot->X;
            block.Entry.BitCount = m.Image->HotSpot->Y;
        }
        block.Data = std::move(*data);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

Result<std::vector<std::uint8_t>> MakeIconGroupFile(ByteSource& file, const IconGroup& group) {
    std::vector<IconBlock> blocks = ReadIconGroupBlocks(file, group);
    if (blocks.empty())
        return Error{"The group has none of its images in the file."};
    return AssembleIconFile(blocks, group.Cursor ? IconTypeCursor : IconTypeIcon);
}

}  // namespace gf
