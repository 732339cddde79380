// Icon and cursor groups over any bytes: a group resource's own data (ParseIconGroupData, in
// icon and in cursor form), and the whole group walk of an executable, PE or NE, each group
// written out as the icon or cursor file `extract --groups` writes. Whatever the input, a group
// lists no more members than its data has room for, and every file made reads back with one
// image per member that has one, within the listing's byte budget.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconfile/icon_groups.h"
#include "iconfile/ico_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const gf::Bytes bytes(data, size);
    const std::size_t room =
        size < gf::IconGroupHeaderSize ? 0
                                       : (size - gf::IconGroupHeaderSize) / gf::IconGroupEntrySize;
    for (bool cursor : {false, true}) {
        if (gf::ParseIconGroupData(bytes, cursor).size() > room)
            std::abort();
    }

    gf::MemorySource source(bytes);
    const gf::IconGroupList list = gf::ListIconGroups(source, gf::LanguageSelection::All());
    std::uint64_t written = 0;
    for (const gf::IconGroup& group : list.Groups) {
        std::size_t present = 0;
        for (const gf::IconGroupMember& m : group.Members) {
            if (!m.Image)
                continue;
            ++present;
            if (!gf::RangeFits(m.Image->Offset, m.Image->Size, size))
                std::abort();
        }
        auto file = gf::MakeIconGroupFile(source, group);
        if (!file) {
            if (present > 0)
                std::abort();
            continue;
        }
        // The images alone: the directory holds a header and an entry per image.
        written += file->size() - gf::IconDirHeaderSize - present * gf::IconDirEntrySize;
        gf::MemorySource made(*file);
        const gf::IconImageList back = gf::ListIconImages(made, gf::IconContainer::IconFile);
        if (back.Images.size() != present)
            std::abort();
    }
    // The images of all groups together stay within the listing's budget.
    if (written > gf::MaxGroupBytesPerFileByte * size + gf::MaxIconBytesExtra)
        std::abort();
    return 0;
}
