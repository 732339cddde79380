#include "cli/icon_listing.h"

#include "platform/file_io.h"

namespace gf::cli {

namespace {

std::string Counted(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
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

std::string ContainerName(IconContainer kind, ExecutableFormat format) {
    switch (kind) {
        case IconContainer::IconFile:
            return "icon file";
        case IconContainer::Executable:
            return format == ExecutableFormat::Ne ? "16-bit executable" : "executable";
        case IconContainer::AnimatedCursor:
            return "animated cursor";
    }
    return "file";
}

const char* IconStorageName(const IconBlockHeader& header) {
    return header.Png ? "PNG" : "BMP";
}

std::string ResourceText(std::uint32_t type, const ResourceName& name) {
    const char* what = "resource";
    switch (type) {
        case ResourceTypeIcon:
            what = "icon";
            break;
        case ResourceTypeCursor:
            what = "cursor";
            break;
        case ResourceTypeGroupIcon:
            what = "icon group";
            break;
        case ResourceTypeGroupCursor:
            what = "cursor group";
            break;
    }
    return std::string(what) + " " + ResourceNameText(name);
}

std::string FormatIconImageLine(std::size_t index, const FoundIconImage& image) {
    std::string line = "#" + std::to_string(index) + "  ";
    if (image.Damage.empty()) {
        line += std::to_string(image.Header.Width) + "x" + std::to_string(image.Header.Height) +
                "  " + std::to_string(image.Header.BitCount) + " bits  " +
                IconStorageName(image.Header);
    } else {
        line += "damaged: " + image.Damage;
    }
    line += "  " + std::to_string(image.Size) + " bytes  offset " + std::to_string(image.Offset);
    if (image.Resource) {
        line += "  " + ResourceText(image.Resource->Type, image.Resource->Name);
        if (image.Resource->Language)
            line += "  language " + std::to_string(*image.Resource->Language);
    }
    if (image.HotSpot) {
        line += "  hot spot " + std::to_string(image.HotSpot->X) + "," +
                std::to_string(image.HotSpot->Y);
    }
    return line;
}

std::string FormatIconListing(const std::filesystem::path& file, const IconFileListing& listing) {
    const auto& images = listing.List.Images;
    std::size_t cursors = 0;
    for (const FoundIconImage& image : images) {
        if (image.Resource && image.Resource->Type == ResourceTypeCursor)
            ++cursors;
    }
    std::string out = PathText(file) + ": " + ContainerName(listing.Kind, listing.List.Format) +
                      ", " + Counted(images.size() - cursors, "icon image");
    if (cursors > 0)
        out += ", " + Counted(cursors, "cursor image");
    out += "\n";
    for (std::size_t i = 0; i < images.size(); ++i) {
        out += "  " + FormatIconImageLine(i, images[i]);
        if (listing.Kind == IconContainer::AnimatedCursor)
            out += "  frame " + std::to_string(images[i].Frame);
        out += "\n";
    }
    return out;
}

std::string FormatIconGroupListing(const std::filesystem::path& file, IconContainer kind,
                                   const IconGroupList& list) {
    std::size_t cursorGroups = 0;
    for (const IconGroup& g : list.Groups)
        cursorGroups += g.Cursor ? 1 : 0;
    std::string out = PathText(file) + ": " + ContainerName(kind, list.Format) + ", " +
                      Counted(list.Groups.size() - cursorGroups, "icon group");
    if (cursorGroups > 0)
        out += ", " + Counted(cursorGroups, "cursor group");
    out += "\n";
    for (const IconGroup& g : list.Groups) {
        out += "  " + ResourceText(g.Cursor ? ResourceTypeGroupCursor : ResourceTypeGroupIcon,
                                   g.Name);
        if (g.Language)
            out += "  language " + std::to_string(*g.Language);
        out += "  " + Counted(g.Members.size(), "image") + "\n";
        for (std::size_t i = 0; i < g.Members.size(); ++i) {
            const IconGroupMember& m = g.Members[i];
            if (m.Image) {
                out += "    " + FormatIconImageLine(i, *m.Image) + "\n";
            } else {
                out += "    #" + std::to_string(i) + "  " +
                       ResourceText(g.Cursor ? ResourceTypeCursor : ResourceTypeIcon,
                                    ResourceName{m.ImageId, {}}) +
                       "  missing\n";
            }
        }
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
            if (image.Resource) {
                json.Field("resource_type",
                           image.Resource->Type == ResourceTypeCursor ? "cursor" : "icon");
                if (image.Resource->Name.IsNamed())
                    json.Field("resource", image.Resource->Name.Name);
                else
                    json.Field("resource", static_cast<std::int64_t>(image.Resource->Name.Id));
                if (image.Resource->Language)
                    json.Field("language", static_cast<std::int64_t>(*image.Resource->Language));
            }
            if (image.HotSpot) {
                json.Key("hot_spot");
                json.BeginArray(true);
                json.Number(image.HotSpot->X);
                json.Number(image.HotSpot->Y);
                json.EndArray();
            }
            if (listing->Kind == IconContainer::AnimatedCursor)
                json.Field("frame", static_cast<std::int64_t>(image.Frame));
            json.EndObject();
        }
        json.EndArray();
    }
    if (!error.empty())
        json.Field("error", error);
    json.EndObject();
}

}  // namespace gf::cli
