#include "cli/icon_listing.h"

#include "platform/file_io.h"

namespace gf::cli {

namespace {

const char* KindName(IconContainer kind) {
    switch (kind) {
        case IconContainer::IconFile:
            return "icon file";
        case IconContainer::Executable:
            return "executable";
        case IconContainer::AnimatedCursor:
            return "animated cursor";
    }
    return "file";
}

}  // namespace

const char* IconStorageName(const IconBlockHeader& header) {
    return header.Png ? "PNG" : "BMP";
}

std::string FormatIconListing(const std::filesystem::path& file, const IconFileListing& listing) {
    const auto& images = listing.List.Images;
    std::string out = PathText(file) + ": " + KindName(listing.Kind) + ", " +
                      std::to_string(images.size()) + " icon image" +
                      (images.size() == 1 ? "" : "s") + "\n";
    for (std::size_t i = 0; i < images.size(); ++i) {
        const FoundIconImage& image = images[i];
        out += "  #" + std::to_string(i) + "  " + std::to_string(image.Header.Width) + "x" +
               std::to_string(image.Header.Height) + "  " + std::to_string(image.Header.BitCount) +
               " bits  " + IconStorageName(image.Header) + "  " + std::to_string(image.Size) +
               " bytes  offset " + std::to_string(image.Offset) + "\n";
    }
    return out;
}

}  // namespace gf::cli
