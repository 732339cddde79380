#pragma once
// Building 16-bit Windows executables and libraries (NE) in memory for tests: a DOS header, the
// NE header and a resource table of chosen types, IDs and names, with the data laid out at the
// table's alignment shift. The layout is recorded so tests can break the file precisely.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gf::test {

struct NeResource {
    std::uint16_t Type = 3;  // an integer type (RT_ICON ...)
    std::uint16_t Id = 1;    // when Name is empty
    std::string Name;        // a named resource
    std::vector<std::uint8_t> Data;
};

struct NeRecipe {
    std::uint16_t AlignShift = 4;
    // Grouped by type, in order of first appearance, one TYPEINFO record each.
    std::vector<NeResource> Resources;
    // A named type (its resources skipped by readers) ahead of the others, as real files have.
    bool NamedTypeFirst = true;
};

struct BuiltNe {
    std::vector<std::uint8_t> Bytes;
    std::uint32_t NeOffset = 0;
    std::uint32_t ResourceTable = 0;           // file offset of the alignment shift
    std::vector<std::uint32_t> NameInfos;      // file offset of each resource's NAMEINFO record
    std::vector<std::uint32_t> DataOffsets;    // file offset of each resource's data
    std::vector<std::uint32_t> DataSizes;      // its length as the table gives it (whole units)

    void PutU16(std::size_t offset, std::uint16_t value);
    void WriteTo(const std::filesystem::path& path) const;
};

BuiltNe BuildNe(const NeRecipe& recipe);

}  // namespace gf::test
