#pragma once
// The text glyphforge-cli shows for the icon images and icon groups of a file, shared by the
// commands that list or report them.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "cli/json_writer.h"
#include "iconfile/icon_groups.h"
#include "iconfile/ico_reader.h"

namespace gf::cli {

// "Storage" of an image block: "PNG" for a PNG-compressed image, else "BMP".
const char* IconStorageName(const IconBlockHeader& header);

// What a file is, as the listings name it: "icon file", "executable", "16-bit executable", ...
std::string ContainerName(IconContainer kind, ExecutableFormat format);

// "icon 5", "cursor \"ARROW\"", "icon group 1", "cursor group 2": a resource by type and name.
std::string ResourceText(std::uint32_t type, const ResourceName& name);

// One image, without indentation or line end:
//   #0  32x32  8 bits  BMP  2216 bytes  offset 1234
// then, where the image has them, its resource and language ("  icon 5  language 1033") and
// its hot spot ("  hot spot 4,4"). Sizes are shown in full (256, not the 0 of a directory entry).
std::string FormatIconImageLine(std::size_t index, const FoundIconImage& image);

// One line per image (of animated cursors ending in "  frame N", counted from 0), after a line
// naming the file, its kind and how many images it holds:
//   app.dll: executable, 2 icon images
//     #0  32x32  8 bits  BMP  2216 bytes  offset 1234  icon 1  language 1033
//     #1  damaged: The icon image has an invalid height (536870914).  40 bytes  offset 3450
// An image whose headers the decoder would refuse is marked damaged with the reason instead of
// sizes it does not have.
std::string FormatIconListing(const std::filesystem::path& file, const IconFileListing& listing);

// The same listing as one JSON object of `list --json`:
//   {"path": "app.dll", "kind": "executable", "images": [{"index": 0, "width": 32,
//    "height": 32, "bit_count": 8, "storage": "BMP", "bytes": 2216, "offset": 1234}]}
// A damaged image also has "damaged", the reason. A path that is not UTF-8 also comes as
// "path_bytes", the array of its bytes, so a script can still name the file. `listing` is null for
// a file that could not be read; `error`, when not empty, says what went wrong ("error").
void WriteIconListingJson(JsonWriter& json, const std::filesystem::path& file,
                          const IconFileListing* listing, std::string_view error);

// The groups of an executable: a line naming the file and how many groups it has, then for each
// group (each language of it on its own) a line naming it and its images, one line each:
//   app.dll: executable, 1 icon group
//     icon group 1  language 1033  2 images
//       #0  32x32  8 bits  BMP  2216 bytes  offset 1234  icon 1  language 1033
//       #1  icon 7  missing
std::string FormatIconGroupListing(const std::filesystem::path& file, IconContainer kind,
                                   const IconGroupList& groups);

}  // namespace gf::cli
