#include "support/ne_builder.h"

#include <algorithm>
#include <stdexcept>

#include "support/pe_builder.h"

namespace gf::test {

namespace {

constexpr std::uint32_t NeOffset = 0x40;
constexpr std::uint32_t NeHeaderSize = 0x40;

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

void BuiltNe::PutU16(std::size_t offset, std::uint16_t value) {
    if (offset + 2 > Bytes.size())
        throw std::out_of_range("patch beyond the built file");
    Put16(Bytes, offset, value);
}

void BuiltNe::WriteTo(const std::filesystem::path& path) const {
    WriteBytes(path, Bytes);
}

BuiltNe BuildNe(const NeRecipe& recipe) {
    BuiltNe ne;
    ne.NeOffset = NeOffset;
    ne.ResourceTable = NeOffset + NeHeaderSize;
    std::vector<std::uint16_t> types;
    for (const NeResource& r : recipe.Resources) {
        if (std::find(types.begin(), types.end(), r.Type) == types.end())
            types.push_back(r.Type);
    }

    // The table: shift, TYPEINFO records with their NAMEINFO records, the end mark, the names.
    std::vector<std::uint8_t> table;
    Put16(table, 0, recipe.AlignShift);
    std::size_t namedTypeInfo = 0;
    if (recipe.NamedTypeFirst) {
        namedTypeInfo = table.size();
        table.resize(table.size() + 8 + 12, 0);  // one resource of a named type
        Put16(table, namedTypeInfo + 2, 1);
    }
    std::vector<std::size_t> nameInfoAt(recipe.Resources.size());
    for (std::uint16_t type : types) {
        std::size_t info = table.size();
        std::uint16_t count = 0;
        table.resize(info + 8, 0);
        Put16(table, info, static_cast<std::uint16_t>(0x8000 | type));
        for (std::size_t i = 0; i < recipe.Resources.size(); ++i) {
            if (recipe.Resources[i].Type != type)
                continue;
            nameInfoAt[i] = table.size();
            table.resize(table.size() + 12, 0);
            ++count;
        }
        Put16(table, info + 2, count);
    }
    table.resize(table.size() + 2, 0);  // type 0 ends the records
    std::vector<std::uint16_t> nameAt(recipe.Resources.size(), 0);
    auto addName = [&](const std::string& name) {
        std::size_t at = table.size();
        table.push_back(static_cast<std::uint8_t>(name.size()));
        table.insert(table.end(), name.begin(), name.end());
        return static_cast<std::uint16_t>(at);
    };
    if (recipe.NamedTypeFirst)
        Put16(table, namedTypeInfo, addName("FONTDIR"));
    for (std::size_t i = 0; i < recipe.Resources.size(); ++i) {
        if (!recipe.Resources[i].Name.empty())
            nameAt[i] = addName(recipe.Resources[i].Name);
    }
    table.push_back(0);  // end of the names

    // Headers, the table, the resident names table, then the data, each at the alignment.
    auto& b = ne.Bytes;
    b.assign(ne.ResourceTable, 0);
    b[0] = 'M';
    b[1] = 'Z';
    b[60] = static_cast<std::uint8_t>(NeOffset);
    b[NeOffset] = 'N';
    b[NeOffset + 1] = 'E';
    Put16(b, NeOffset + 0x24, static_cast<std::uint16_t>(NeHeaderSize));
    Put16(b, NeOffset + 0x26, static_cast<std::uint16_t>(NeHeaderSize + table.size()));
    b.insert(b.end(), table.begin(), table.end());
    b.push_back(0);  // an empty resident names table
    const std::uint32_t unit = 1u << recipe.AlignShift;
    auto align = [&]() { b.resize((b.size() + unit - 1) / unit * unit, 0); };
    auto place = [&](std::size_t nameInfo, const std::vector<std::uint8_t>& data, std::uint16_t id) {
        align();
        const std::uint32_t at = static_cast<std::uint32_t>(b.size());
        b.insert(b.end(), data.begin(), data.end());
        align();
        const std::uint32_t units = (static_cast<std::uint32_t>(data.size()) + unit - 1) / unit;
        Put16(b, ne.ResourceTable + nameInfo, static_cast<std::uint16_t>(at / unit));
        Put16(b, ne.ResourceTable + nameInfo + 2, static_cast<std::uint16_t>(units));
        Put16(b, ne.ResourceTable + nameInfo + 4, 0x1C30);  // moveable, pure, discardable
        Put16(b, ne.ResourceTable + nameInfo + 6, id);
        return std::pair{at, units * unit};
    };
    if (recipe.NamedTypeFirst)
        place(namedTypeInfo + 8, std::vector<std::uint8_t>(20, 0x11), 0x8001);
    for (std::size_t i = 0; i < recipe.Resources.size(); ++i) {
        const NeResource& r = recipe.Resources[i];
        const std::uint16_t id = r.Name.empty() ? static_cast<std::uint16_t>(0x8000 | r.Id)
                                                : nameAt[i];
        auto [at, size] = place(nameInfoAt[i], r.Data, id);
        ne.NameInfos.push_back(ne.ResourceTable + static_cast<std::uint32_t>(nameInfoAt[i]));
        ne.DataOffsets.push_back(at);
        ne.DataSizes.push_back(size);
    }
    return ne;
}

}  // namespace gf::test
