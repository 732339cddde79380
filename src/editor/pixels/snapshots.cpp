#include "editor/pixels/snapshots.h"

#include <optional>
#include <string>
#include <system_error>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"

namespace gf {

namespace fs = std::filesystem;

namespace {

constexpr const char* ColourTag = "_tempxor_";
constexpr const char* MaskTag = "_tempand_";

fs::path Numbered(const fs::path& prefix, const char* tag, int k) {
    fs::path p = prefix;
    p += tag + std::to_string(k);
    return p;
}

// True for `name` = `stem` + a tag + decimal digits.
bool IsSnapshotName(const std::string& name, const std::string& stem) {
    for (const char* tag : {ColourTag, MaskTag}) {
        const std::string head = stem + tag;
        if (name.size() <= head.size() || name.compare(0, head.size(), head) != 0)
            continue;
        bool digits = true;
        for (std::size_t i = head.size(); i < name.size() && digits; ++i)
            digits = name[i] >= '0' && name[i] <= '9';
        if (digits)
            return true;
    }
    return false;
}

Result<Bitmap> ReadSnapshotFile(const fs::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    auto bitmap = DecodeBmp(*bytes);
    if (!bitmap)
        return Error{"The undo snapshot " + PathText(path) +
                     " cannot be read: " + bitmap.ErrorMessage()};
    return bitmap;
}

}  // namespace

fs::path SnapshotHistory::ColourFile(int k) const {
    return Numbered(Prefix, ColourTag, k);
}

fs::path SnapshotHistory::MaskFile(int k) const {
    return Numbered(Prefix, MaskTag, k);
}

void SnapshotHistory::Begin(const fs::path& prefix) {
    if (prefix == Prefix)
        return;
    RemoveSnapshots();
    Prefix = prefix;
    RemoveSnapshots();
}

Status SnapshotHistory::Write(int k, const Bitmap& color, const Bitmap& mask) const {
    // A bare name would write into the current directory, which is no folder of ours.
    if (!Prefix.has_parent_path() || !Prefix.has_filename())
        return Error{"The undo history has no folder."};
    if (color.Empty() || mask.Empty())
        return Error{"An empty picture cannot be kept for undo."};
    // Scratch files of our own: all or nothing through the rename, no flush to the disk.
    if (Status s = WriteFileAtomic(ColourFile(k), EncodeBmp(color), DiskFlush::No); !s)
        return s;
    return WriteFileAtomic(MaskFile(k), EncodeBmp(mask), DiskFlush::No);
}

Result<bool> SnapshotHistory::Load(int k, Bitmap& color, Bitmap& mask) const {
    std::error_code ec;
    const fs::path colourPath = ColourFile(k), maskPath = MaskFile(k);
    if (!Prefix.has_parent_path() || !fs::exists(colourPath, ec))
        return false;
    Result<Bitmap> c = ReadSnapshotFile(colourPath);
    if (!c)
        return c.GetError();
    std::optional<Bitmap> m;
    if (fs::exists(maskPath, ec)) {
        Result<Bitmap> read = ReadSnapshotFile(maskPath);
        if (!read)
            return read.GetError();
        m = std::move(read).Value();
    }
    color = std::move(c).Value();
    if (m)
        mask = std::move(*m);
    return true;
}

void SnapshotHistory::Delete(int k) const {
    std::error_code ec;
    fs::remove(ColourFile(k), ec);
    fs::remove(MaskFile(k), ec);
}

Status SnapshotHistory::TakeSnapshot(const Bitmap& color, const Bitmap& mask) {
    if (Status s = Write(SnapshotIndex, color, mask); !s)
        return s;
    ++SnapshotIndex;
    // The snapshots above belong to a line of edits that was undone and is now abandoned.
    for (int k = SnapshotIndex; k <= SnapshotTop; ++k)
        Delete(k);
    SnapshotTop = SnapshotIndex;
    return Status::Success();
}

Result<bool> SnapshotHistory::UndoSnapshot(Bitmap& color, Bitmap& mask) {
    if (SnapshotIndex <= 0)
        return false;
    if (SnapshotIndex == SnapshotTop) {
        // Leaving the top: keep the latest result, so that redo can bring it back.
        if (Status s = Write(SnapshotTop, color, mask); !s)
            return Error{s.ErrorMessage()};
    }
    Result<bool> loaded = Load(SnapshotIndex - 1, color, mask);
    if (!loaded)
        return loaded;
    if (!*loaded) {
        SnapshotIndex = 0;
        return false;
    }
    --SnapshotIndex;
    return true;
}

Result<bool> SnapshotHistory::RedoSnapshot(Bitmap& color, Bitmap& mask) {
    if (SnapshotIndex >= SnapshotTop)
        return false;
    Result<bool> loaded = Load(SnapshotIndex + 1, color, mask);
    if (!loaded)
        return loaded;
    if (!*loaded) {
        SnapshotTop = SnapshotIndex;
        return false;
    }
    ++SnapshotIndex;
    return true;
}

void SnapshotHistory::RemoveSnapshots() {
    SnapshotIndex = 0;
    SnapshotTop = 0;
    if (!Prefix.has_filename() || !Prefix.has_parent_path())
        return;
    const std::string stem = Prefix.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(Prefix.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        if (ec || !(fs::is_regular_file(st) || fs::is_symlink(st)))
            continue;
        if (IsSnapshotName(it->path().filename().string(), stem))
            fs::remove(it->path(), ec);
    }
}

}  // namespace gf
