#include "cli/thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "cli/icon_listing.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"
#include "iconfile/icon_groups.h"
#include "platform/icon_draw.h"

namespace gf::cli {

std::vector<std::size_t> RankThumbnailImages(const std::vector<FoundIconImage>& images, int size) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconBlockHeader& h = images[i].Header;
        if (images[i].Damage.empty() && h.Width >= 1 && h.Height >= 1 && h.Width <= MaxIconSide &&
            h.Height <= MaxIconSide)
            order.push_back(i);
    }
    auto side = [&](std::size_t i) {
        return std::max(images[i].Header.Width, images[i].Header.Height);
    };
    auto area = [&](std::size_t i) { return images[i].Header.Width * images[i].Header.Height; };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const bool fitsA = side(a) <= size, fitsB = side(b) <= size;
        if (fitsA != fitsB)
            return fitsA;
        if (side(a) != side(b))
            return side(a) > side(b);
        if (area(a) != area(b))
            return area(a) > area(b);
        return images[a].Header.BitCount > images[b].Header.BitCount;
    });
    return order;
}

namespace {

// The icon's picture with its transparency, shrunk to fit `size` x `size` when it is larger.
Result<Bitmap> ThumbnailOf(const IconImage& icon, int size) {
    auto picture = IconToRgba(icon, icon.Color.BitCount());
    if (!picture)
        return picture;
    const int w = picture->Width(), h = picture->Height();
    const int longest = std::max(w, h);
    if (longest <= size)
        return picture;
    auto scaled = [&](int side) {
        return std::max(
            1, static_cast<int>((static_cast<std::int64_t>(side) * size + longest / 2) / longest));
    };
    return StretchAreaAverageWithAlpha(*picture, scaled(w), scaled(h));
}

}  // namespace

namespace {

// The images a thumbnail is chosen from: an executable's first icon group with images (what
// the program shows as its icon), else every image the file lists. Empty, with the reader's
// message, when the file holds none.
std::vector<FoundIconImage> ThumbnailCandidates(ByteSource& file, IconContainer kind,
                                                std::string& message) {
    if (kind == IconContainer::Executable) {
        const IconGroupList groups = ListIconGroups(file, LanguageSelection::First());
        for (const IconGroup& group : groups.Groups) {
            std::vector<FoundIconImage> images;
            for (const IconGroupMember& member : group.Members) {
                if (member.Image)
                    images.push_back(*member.Image);
            }
            if (!group.Cursor && !images.empty())
                return images;
        }
    }
    IconImageList list = ListIconImages(file, kind);
    if (list.Images.empty())
        message = NoIconsMessage(list);
    return std::move(list.Images);
}

}  // namespace

Result<Bitmap> MakeThumbnail(ByteSource& file, const std::filesystem::path& name, int size) {
    std::string message;
    const std::vector<FoundIconImage> images =
        ThumbnailCandidates(file, DetectIconContainer(file, name), message);
    if (images.empty())
        return Error{message};
    const std::vector<std::size_t> order = RankThumbnailImages(images, size);
    std::string firstError;
    for (std::size_t k = 0; k < order.size() && k < MaxThumbnailAttempts; ++k) {
        const FoundIconImage& image = images[order[k]];
        auto block = CutIconBlock(file, image.Offset, image.Size);
        Result<IconImage> icon =
            block ? DecodeIconImageBlock(*block) : Result<IconImage>(block.GetError());
        if (icon)
            return ThumbnailOf(*icon, size);
        if (firstError.empty()) {
            firstError = (image.Resource ? ResourceText(image.Resource->Type, image.Resource->Name)
                                         : "image " + std::to_string(image.EntryIndex)) +
                         ": " + icon.ErrorMessage();
        }
    }
    return Error{firstError.empty() ? "No icon image of this file can be shown." : firstError};
}

}  // namespace gf::cli
