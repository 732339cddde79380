#pragma once
// The text glyphforge-cli shows for the icon images of a file, shared by the commands that list
// or report them.

#include <filesystem>
#include <string>
#include <string_view>

#include "cli/json_writer.h"
#include "iconfile/ico_reader.h"

namespace gf::cli {

// "Storage" of an image block: "PNG" for a PNG-compressed image, else "BMP".
const char* IconStorageName(const IconBlockHeader& header);

// One line per image, after a line naming the file and its kind:
//   app.dll: executable, 2 icon images
//     #0  32x32  8 bits  BMP  2216 bytes  offset 1234
//     #1  damaged: The icon image has an invalid height (536870914).  40 bytes  offset 3450
// Sizes are shown in full (256, not the 0 of a directory entry). An image whose headers the
// decoder would refuse is marked damaged with the reason instead of sizes it does not have.
std::string FormatIconListing(const std::filesystem::path& file, const IconFileListing& listing);

// The same listing as one JSON object of `list --json`:
//   {"path": "app.dll", "kind": "executable", "images": [{"index": 0, "width": 32,
//    "height": 32, "bit_count": 8, "storage": "BMP", "bytes": 2216, "offset": 1234}]}
// A damaged image also has "damaged", the reason. A path that is not UTF-8 also comes as
// "path_bytes", the array of its bytes, so a script can still name the file. `listing` is null for
// a file that could not be read; `error`, when not empty, says what went wrong ("error").
void WriteIconListingJson(JsonWriter& json, const std::filesystem::path& file,
                          const IconFileListing* listing, std::string_view error);

}  // namespace gf::cli
