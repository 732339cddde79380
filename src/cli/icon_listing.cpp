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

// The kind as a word for scripts.
const char* KindKey(IconContainer kind) {
    switch (kind) {
        case IconContainer::IconFile:
            return "icon_file";
        case IconContainer::Executable:
            return "executable";
        case IconContainer::AnimatedCursor:
            return "animated_cursor";
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
        out += "  #" + std::to_string(i) + "  ";
        if (image.Damage.empty()) {
            out += std::to_string(image.Header.Width) + "x" + std::to_string(image.Header.Height) +
                   "  " + std::to_string(image.Header.BitCount) + " bits  " +
                   IconStorageName(image.Header);
        } else {
            out += "damaged: " + image.Damage;
        }
        out += "  " + std::to_string(image.Size) + " bytes  offset " +
               std::to_string(image.Offset) + "\n";
    }
    return out;
}

void WriteIconListingJson(JsonWriter& json, const std::filesystem::path& file,
                          const IconFileListing* listing, std::string_view error) {
    json.BeginObject();
    const std::string path = PathText(file);
    json.Field("path", path);
    if (!IsValidUtf8(path)) {
        json.Key("path_bytes");
        json.BeginArray(true);
        for (char c : path)
            json.Number(static_cast<unsigned char>(c));
        json.EndArray();
    }
    if (listing) {
        json.Field("kind", KindKey(listing->Kind));
        json.Key("images");
        json.BeginArray();
        const auto& images = listing->List.Images;
        for (std::size_t i = 0; i < images.size(); ++i) {
            const FoundIconImage& image = images[i];
            json.BeginObject(true);
            json.Field("index", static_cast<std::int64_t>(i));
            json.Field("width", image.Header.Width);
            json.Field("height", image.Header.Height);
            json.Field("bit_count", image.Header.BitCount);
            json.Field("storage", IconStorageName(image.Header));
            json.Field("bytes", image.Size);
            json.Field("offset", image.Offset);
            if (!image.Damage.empty())
                json.Field("damaged", image.Damage);
            json.EndObject();
        }
        json.EndArray();
    }
    if (!error.empty())
        json.Field("error", error);
    json.EndObject();
}

}  // namespace gf::cli
