#pragma once
// Thumbnails of icon, cursor and executable files for file managers: the image of a file's
// first icon that suits a size best, as a 32-bit picture with alpha. A thumbnailer runs on
// every such file a user passes by, so this goes through the same bounds-checked readers as
// everything else and decodes only the image it shows.

#include <cstddef>
#include <filesystem>
#include <vector>

#include "iconfile/byte_source.h"
#include "iconfile/ico_reader.h"
#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf::cli {

// Images tried one after another before the file is given up.
inline constexpr std::size_t MaxThumbnailAttempts = 8;

// The images to try for a thumbnail of `size` x `size` pixels, best first (indices into
// `images`): those whose sides are both at most `size`, the largest first, then the larger
// ones, again the largest first (they are shrunk); among images of one size the deepest first,
// then file order. Images the listing marks damaged, or whose header gives a side below 1 or
// above MaxIconSide, cannot be shown and are left out.
std::vector<std::size_t> RankThumbnailImages(const std::vector<FoundIconImage>& images, int size);

// The thumbnail of `file` (named `name`, which decides only for files whose first bytes say
// nothing) at `size`: of an executable's first icon group (else of every image the file
// lists), the best image that decodes, shrunk to fit `size` x `size` when it is larger
// (keeping its proportions), as a 32-bit picture. Fails when the file holds no icon image or
// none of the images tried decodes.
Result<Bitmap> MakeThumbnail(ByteSource& file, const std::filesystem::path& name, int size);

}  // namespace gf::cli
