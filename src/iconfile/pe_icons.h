#pragma once
// Icon and cursor images stored as RT_ICON and RT_CURSOR resources in Windows executables and
// libraries (PE32, PE32+ and 16-bit NE), read through the resource walk of
// executable_resources.h. The loader's reading takes every RT_ICON image one by one, in the
// order of the resource directory, first language only; groups are icon_groups.h's.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "iconfile/byte_source.h"
#include "iconfile/executable_resources.h"
#include "iconfile/ico_format.h"

namespace gf {

// As many images as an icon file can hold; a file with more is refused, never cut short.
inline constexpr std::size_t MaxExecutableIcons = MaxResourcesOfType;
// Smaller RT_ICON images are skipped by the scan: a 16 x 16 image at 1 bit (176 bytes) is the
// smallest real one, and such images are never worth offering.
inline constexpr std::uint32_t MinExecutableIconBytes = 200;
// A cursor resource starts with its hot spot, x and y, 16 bits each.
inline constexpr std::uint32_t CursorHotSpotBytes = 4;

struct ExecutableIcon {
    std::uint32_t Offset = 0;  // file offset of the image block
    std::uint32_t Size = 0;    // bytes of the image block
    bool Rejected = false;     // set by the image check
    ResourceName Name;         // the resource the image is
    std::uint16_t Language = 0;
    // Cursors: the hot spot from the resource's first bytes, which the block leaves out.
    std::optional<CursorHotSpot> HotSpot;
};

using ExecutableIconTable = std::vector<ExecutableIcon>;

// Fills `table` with the RT_ICON images of at least MinExecutableIconBytes, first language of
// each, none rejected. 0 = done (also when the file simply has no icons); 1 = failed, with
// `message` for the user: "Can not open file " + name, "There is no icon in this file!" when
// no executable header is found, or the refusal of a file with more than MaxExecutableIcons.
int ScanExecutableIcons(const std::filesystem::path& fileName, ExecutableIconTable& table,
                        std::string& message);
int ScanExecutableIcons(ByteSource& file, ExecutableIconTable& table, std::string& message);

// 0 = the block is a usable icon image, 1 = rejected. A block starting with the PNG signature
// is usable; any other is taken as a BITMAPINFOHEADER and is usable when its bit count is one of
// 0, 1, 4, 8, 16, 24, 32, its width at most 256 and its height (colour and mask rows) at most
// 512. A block not wholly inside the file is rejected. The path form sets `message` when the
// file cannot be opened.
int CheckIconImage(const std::filesystem::path& fileName, std::uint32_t offset, std::uint32_t size,
                   std::string* message = nullptr);
int CheckIconImage(ByteSource& file, std::uint32_t offset, std::uint32_t size);

// Second look for rejected images: position p (from 0) of the table is looked up again as the
// RT_ICON resource with the integer ID p + 1 (first language); when it is found, its offset
// and size replace the position's and its rejection is cleared. The image check is to be run
// again afterwards.
void LocateIconResources(const std::filesystem::path& fileName, ExecutableIconTable& table);
void LocateIconResources(ByteSource& file, ExecutableIconTable& table);

// The loader's whole reading of an executable: scan, check, second look, check again. The
// usable images, in table order; `message` as ScanExecutableIcons gives it.
ExecutableIconTable ReadExecutableIcons(ByteSource& file, std::string& message);

// The usable images of one kind (RT_ICON or RT_CURSOR) in the chosen languages. Icons in the
// first language are the loader's reading above; otherwise the same rules hold without the
// second look (it asks for the first language by position). Cursor images are checked like
// icon images, after their hot spot, and have no minimum size.
ExecutableIconTable ReadExecutableImages(ByteSource& file, std::uint32_t type,
                                         LanguageSelection languages, std::string& message);

}  // namespace gf
