#pragma once
// The text glyphforge-cli shows for the icon images of a file, shared by the commands that list
// or report them.

#include <filesystem>
#include <string>

#include "iconfile/ico_reader.h"

namespace gf::cli {

// "Storage" of an image block: "PNG" for a PNG-compressed image, else "BMP".
const char* IconStorageName(const IconBlockHeader& header);

// One line per image, after a line naming the file and its kind:
//   app.dll: executable, 2 icon images
//     #0  32x32  8 bits  BMP  2216 bytes  offset 1234
// Sizes are shown in full (256, not the 0 of a directory entry).
std::string FormatIconListing(const std::filesystem::path& file, const IconFileListing& listing);

}  // namespace gf::cli
