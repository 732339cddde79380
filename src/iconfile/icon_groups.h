#pragma once
// Icon and cursor groups of executables: each RT_GROUP_ICON or RT_GROUP_CURSOR resource is the
// directory of one multi-size icon (or cursor), naming its images by resource ID; it is what a
// program shows as its icon. A group is written out as one ICO (or CUR) file through the one
// ICO layout (AssembleIconFile), its images byte for byte as the resources hold them.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iconfile/byte_source.h"
#include "iconfile/executable_resources.h"
#include "iconfile/ico_format.h"
#include "iconfile/ico_reader.h"
#include "platform/result.h"

namespace gf {

// The images the groups of one file name hold together at most this many bytes per byte of the
// file, plus MaxIconBytesExtra; members beyond are listed without their image. Groups may name
// the same image again and again (languages, hostile files): without a budget a small file could
// make `extract --groups` write its size times 65535 for every group.
inline constexpr std::uint64_t MaxGroupBytesPerFileByte = 4;

// A group resource holds a 6-byte header and 14-byte entries.
inline constexpr std::size_t IconGroupHeaderSize = 6;
inline constexpr std::size_t IconGroupEntrySize = 14;

struct IconGroupMember {
    std::uint16_t ImageId = 0;  // the RT_ICON or RT_CURSOR resource it names
    // The entry as the group states it, in icon-file form: width and (single) height, colour
    // count, planes and bit count, and the size the group claims. A cursor group's own entries
    // give 16-bit sides, a doubled height and no colour count: they are brought to this form.
    IconDirEntry Entry;
    // Where the image lies (Resource set; HotSpot for cursors, the block after it). None when
    // the file has no such resource, or its data is empty or does not lie wholly in the file.
    std::optional<FoundIconImage> Image;
    // The image is in the file, but the images matched before it used up the listing's budget.
    bool OverBudget = false;
};

struct IconGroup {
    bool Cursor = false;
    ResourceName Name;
    std::optional<std::uint16_t> Language;  // none in files without languages (NE)
    std::size_t LanguageCount = 1;          // how many languages this group has in the file
    std::vector<IconGroupMember> Members;
};

struct IconGroupList {
    std::vector<IconGroup> Groups;  // icon groups, then cursor groups, in directory order
    // Why the file could not be read ("There is no icon in this file!", too many resources or
    // group members), or "".
    std::string Message;
    ExecutableFormat Format = ExecutableFormat::Unknown;
};

// The members a group resource's data lists; a count larger than the data has room for is read
// as far as its bytes go. Images are not looked up (Image stays empty).
std::vector<IconGroupMember> ParseIconGroupData(Bytes data, bool cursor);

// Every icon and cursor group of an executable in the chosen languages, each member matched to
// its image: the image resource in the group's own language, else its first language, as long
// as the images matched stay within the budget above.
IconGroupList ListIconGroups(ByteSource& file, LanguageSelection languages);

// Why a group listing is empty: the reader's own message, or "No icon group exists in this
// file!".
std::string NoIconGroupsMessage(const IconGroupList& list);

// A file opened and its groups listed, for tools. Only executables have groups: any other file
// gives an empty list. Fails only when the file cannot be opened.
struct IconGroupFileListing {
    std::unique_ptr<ByteSource> Source;
    IconContainer Kind = IconContainer::IconFile;
    IconGroupList List;
};
Result<IconGroupFileListing> ListIconGroupFile(const std::filesystem::path& fileName,
                                               LanguageSelection languages);

// The members that have an image, as blocks ready for AssembleIconFile: the group's entry
// (cursors: the hot spot as planes and bit count) and the image bytes.
std::vector<IconBlock> ReadIconGroupBlocks(ByteSource& file, const IconGroup& group);

// The whole file of one group: ICO (type 1) for icon groups, CUR (type 2) for cursor groups.
// Members without an image are left out; fails when none is left or the file would be too
// large.
Result<std::vector<std::uint8_t>> MakeIconGroupFile(ByteSource& file, const IconGroup& group);

}  // namespace gf
