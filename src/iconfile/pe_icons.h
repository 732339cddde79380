#pragma once
// Icon images stored as RT_ICON resources in Windows executables and libraries (PE32 and
// PE32+). Icon groups are not read: every image is one entry, in the order of the resource
// directory, first language only.
//
// The walk trusts no byte of the file: every header, section, directory and data entry is
// checked to lie inside the file; a directory that points back to one above it or nests deeper
// than the three levels (type, name, language) ends the walk; a data address that lies in the
// file data of no section is skipped.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "iconfile/byte_source.h"

namespace gf {

inline constexpr std::size_t MaxExecutableIcons = 1000;
// Smaller RT_ICON images are skipped by the scan: a 16 x 16 image at 1 bit (176 bytes) is the
// smallest real one, and such images are never worth offering.
inline constexpr std::uint32_t MinExecutableIconBytes = 200;
// Where the "PE" signature is looked for when the DOS header's pointer misses it.
inline constexpr std::size_t PeSignatureSearchBytes = 3600;
// A PE file has at most this many sections in practice; more are not examined.
inline constexpr std::size_t MaxPeSections = 96;

inline constexpr std::uint32_t ResourceTypeIcon = 3;  // RT_ICON

struct ExecutableIcon {
    std::uint32_t Offset = 0;  // file offset of the image block
    std::uint32_t Size = 0;    // bytes of the image block
    bool Rejected = false;     // set by the image check
};

using ExecutableIconTable = std::vector<ExecutableIcon>;

// Fills `table` with the RT_ICON images of at least MinExecutableIconBytes (at most
// MaxExecutableIcons), none rejected. 0 = done (also when the file simply has no icons);
// 1 = failed, with `message` for the user: "Can not open file " + name, or "There is no icon
// in this file!" when no PE signature is found.
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

// The whole reading of an executable: scan, check, second look, check again. The usable
// images, in table order; `message` as ScanExecutableIcons gives it.
ExecutableIconTable ReadExecutableIcons(ByteSource& file, std::string& message);

}  // namespace gf
