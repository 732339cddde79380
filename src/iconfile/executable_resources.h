#pragma once
// The resources of Windows executables and libraries, 32/64-bit (PE32, PE32+) and 16-bit (NE),
// read as one list: type, name or ID, language, and where the data lies in the file. The icon
// and cursor readers (pe_icons.h, icon_groups.h) build on it; nothing here judges the data.
//
// Both walks trust no byte of the file: every structure is read through the bounds-checked
// source, the work is capped however the tables are laid out, and a file with more resources
// of one type than an icon file could ever hold is refused with a message saying so.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "iconfile/byte_source.h"

namespace gf {

inline constexpr std::uint32_t ResourceTypeCursor = 1;        // RT_CURSOR
inline constexpr std::uint32_t ResourceTypeIcon = 3;          // RT_ICON
inline constexpr std::uint32_t ResourceTypeGroupCursor = 12;  // RT_GROUP_CURSOR
inline constexpr std::uint32_t ResourceTypeGroupIcon = 14;    // RT_GROUP_ICON

// The most resources of one type a file is read with: an icon file counts its images in 16
// bits, so no more could ever be written out. A file with more is refused.
inline constexpr std::size_t MaxResourcesOfType = 65535;

// Where the "PE" signature is looked for when the DOS header's pointer misses it.
inline constexpr std::size_t PeSignatureSearchBytes = 3600;
// A PE file has at most this many sections in practice; more are not examined.
inline constexpr std::size_t MaxPeSections = 96;

// A resource's name: an integer ID, or a name (held as UTF-8; PE names are UTF-16 in the file,
// NE names 8-bit text).
struct ResourceName {
    std::uint32_t Id = 0;  // when Name is empty
    std::string Name;

    bool IsNamed() const { return !Name.empty(); }
    friend bool operator==(const ResourceName&, const ResourceName&) = default;
};

// "5" for an ID, "\"NAME\"" for a name.
std::string ResourceNameText(const ResourceName& name);

struct ExecutableResource {
    std::uint32_t Type = 0;
    ResourceName Name;
    // PE: the language ID; NE files have no languages and give 0 (see HasLanguage).
    std::uint16_t Language = 0;
    // The place among its name's languages, 0 for the first (the one a plain lookup finds).
    std::uint32_t LanguageIndex = 0;
    // File offset and size of the data, as the file states them: the range is not checked
    // against the file's size here.
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
};

enum class ExecutableFormat {
    Unknown,  // no PE or NE header was found
    Pe,       // PE32 or PE32+
    Ne,       // 16-bit
};

struct ExecutableResources {
    ExecutableFormat Format = ExecutableFormat::Unknown;
    // Every resource of the types asked for, in the file's order: type by type as the file lists
    // them, each type's names in directory order, each name's languages in order.
    std::vector<ExecutableResource> Resources;
    // Why the file was refused: no executable header ("There is no icon in this file!"), or
    // more than MaxResourcesOfType resources of one type. Empty when it was read.
    std::string Message;

    bool Ok() const { return Message.empty(); }
    bool HasLanguages() const { return Format == ExecutableFormat::Pe; }
};

// Which languages of a resource are taken: the first one of each name (what a plain lookup
// finds), all of them, or one language ID. Files without languages (NE) are taken whole
// whatever is chosen.
struct LanguageSelection {
    enum class Mode { First, All, One };
    Mode Which = Mode::First;
    std::uint16_t Language = 0;  // for One

    static LanguageSelection First() { return {}; }
    static LanguageSelection All() { return {Mode::All, 0}; }
    static LanguageSelection Only(std::uint16_t language) { return {Mode::One, language}; }

    bool Takes(const ExecutableResources& in, const ExecutableResource& r) const;
};

// The resources of `types` (integer types only; named types are passed over), from a PE or an
// NE file as its header says. A PE file with no resource section, or either kind without
// resources of those types, gives an empty list and no message.
ExecutableResources ReadExecutableResources(ByteSource& file,
                                            std::span<const std::uint32_t> types);

// The two walks by themselves, for files already known to be of that kind (and for fuzzing).
// `neHeader` is the file offset of the "NE" signature.
ExecutableResources ReadPeResources(ByteSource& file, std::span<const std::uint32_t> types);
ExecutableResources ReadNeResources(ByteSource& file, std::uint64_t neHeader,
                                    std::span<const std::uint32_t> types);

// The offset of the "NE" signature the DOS header points to, if it does.
std::optional<std::uint64_t> FindNeHeader(ByteSource& file);

}  // namespace gf
