#pragma once
// Building Windows executables (PE32 and PE32+) in memory for tests: a DOS header, the PE
// headers, a code section and a resource section whose tree holds RT_ICON images of chosen IDs
// and languages and RT_GROUP_ICON groups. The layout of every structure is recorded, so tests
// can break the file precisely (loops, addresses outside every section, short files).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gf::test {

struct PeIcon {
    std::uint32_t Id = 1;
    // One image per language, in directory order; a reader takes the first.
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> Languages;
};

// An RT_GROUP_ICON resource listing icons by ID (its entries are filled from those icons' first
// language, as a resource compiler does).
struct PeIconGroup {
    std::uint32_t Id = 1;
    std::vector<std::uint32_t> IconIds;
};

// Any other resource, for types the builder knows nothing of (cursors, cursor groups, named
// groups, groups in several languages): its type, its ID or name, its data per language.
struct PeResource {
    std::uint32_t Type = 0;
    std::uint32_t Id = 1;   // when Name is empty
    std::u16string Name;    // a named resource
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> Languages;
};

struct PeRecipe {
    bool Pe64 = false;
    std::uint32_t PeOffset = 0x80;            // where "PE\0\0" goes
    std::optional<std::uint32_t> DosPointer;  // the DOS header's pointer to it; unset: PeOffset
    std::string ResourceSectionName = ".rsrc";
    // Icons in directory order (resource compilers sort by ID; tests may not).
    std::vector<PeIcon> Icons;
    std::vector<PeIconGroup> Groups;
    // Put the image data in a section of its own (".icodata") after the resource section, whose
    // distance between virtual address and file offset differs from the resource section's.
    bool DataInOwnSection = false;
    // Put a named type and RT_BITMAP ahead of RT_ICON in the root directory, as real files have.
    bool OtherTypesFirst = true;
    // More resources, after RT_ICON and RT_GROUP_ICON in the root (one type directory per type,
    // in order of first appearance).
    std::vector<PeResource> Resources;
};

struct BuiltPe {
    std::vector<std::uint8_t> Bytes;
    std::uint32_t PeOffset = 0;
    std::uint32_t SectionTable = 0;  // file offset of the first section header
    std::uint32_t SectionCount = 0;
    std::uint32_t ResourceRaw = 0;      // file offset of the resource section's data
    std::uint32_t ResourceVirtual = 0;  // its virtual address
    std::uint32_t ResourceRawSize = 0;
    std::uint32_t IconTypeEntry = 0;             // file offset of the RT_ICON entry in the root
    std::uint32_t IconDirectory = 0;             // file offset of the RT_ICON (ID level) directory
    std::vector<std::uint32_t> IconEntries;      // file offset of each icon's entry at the ID level
    std::vector<std::uint32_t> LanguageEntries;  // file offset of each icon's first language entry
    std::vector<std::uint32_t> DataEntries;      // file offset of each icon's first data entry
    std::vector<std::uint32_t> ImageOffsets;     // file offset of each icon's first image
    std::vector<std::uint32_t> ImageSizes;

    void PutU16(std::size_t offset, std::uint16_t value);
    void PutU32(std::size_t offset, std::uint32_t value);
    void WriteTo(const std::filesystem::path& path) const;
};

BuiltPe BuildPe(const PeRecipe& recipe);

// Icons of IDs first, first + 1, ... with one language (1033) each.
std::vector<PeIcon> NumberedIcons(const std::vector<std::vector<std::uint8_t>>& images,
                                  std::uint32_t first = 1);

// The data of an RT_GROUP_ICON (or, `cursor`, RT_GROUP_CURSOR) resource naming these images by
// ID, its entries filled from each image's header as a resource compiler fills them. Cursor
// images start with their 4-byte hot spot. An empty image gives an entry of zeros.
std::vector<std::uint8_t> MakeGroupResource(
    const std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>>& images,
    bool cursor = false);

// A cursor resource: the hot spot, then the image block.
std::vector<std::uint8_t> MakeCursorResource(std::uint16_t x, std::uint16_t y,
                                             const std::vector<std::uint8_t>& block);

// Writes `bytes` to `path`.
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace gf::test
