#pragma once
// The edit page's undo history: numbered snapshot files of the icon pair next to the editor's
// source picture. Snapshot k is the colour image in Prefix + "_tempxor_" + k and the 8-bit mask
// in Prefix + "_tempand_" + k, both BMP files that keep size, pixel format, palette and alpha.
//
// Snapshots 0 .. SnapshotTop - 1 hold the states before each edit of the current line of
// edits; SnapshotIndex is the position in it. At the top (SnapshotIndex == SnapshotTop) the
// icon shows the result of the latest edit, which is written as snapshot SnapshotTop when the
// first undo leaves the top, so that redo can always bring back what undo took away. Below the
// top the icon shows snapshot SnapshotIndex. A new edit below the top discards the snapshots
// above it.

#include <filesystem>

#include "platform/bitmap.h"
#include "platform/result.h"

namespace gf {

class SnapshotHistory {
  public:
    std::filesystem::path Prefix;
    int SnapshotIndex = 0;
    int SnapshotTop = 0;

    std::filesystem::path ColourFile(int k) const;
    std::filesystem::path MaskFile(int k) const;

    // Starts the history of an editor whose snapshots are named after `prefix`. A new prefix
    // removes this history's files, starts again at 0 and clears away stale snapshots an
    // earlier editor left under the new prefix; the same prefix keeps the history.
    void Begin(const std::filesystem::path& prefix);

    // Records the state before an edit. On failure (the disk is full) nothing changed and the
    // edit must not be made.
    Status TakeSnapshot(const Bitmap& color, const Bitmap& mask);

    bool CanUndo() const { return SnapshotIndex > 0; }
    bool CanRedo() const { return SnapshotIndex < SnapshotTop; }

    // Replace the pair by the state before, or after, the current one; each loaded bitmap takes
    // the size and pixel format of its file, and a missing mask file leaves the mask as it is.
    // True when the pair changed. An error (a file that cannot be written or read) changes
    // nothing. A missing colour file ends the history in that direction.
    Result<bool> UndoSnapshot(Bitmap& color, Bitmap& mask);
    Result<bool> RedoSnapshot(Bitmap& color, Bitmap& mask);

    // Removes every snapshot file named after Prefix (this history's and stale ones) and starts
    // again at 0. Only files of exactly those names in Prefix's folder are touched.
    void RemoveSnapshots();

  private:
    Status Write(int k, const Bitmap& color, const Bitmap& mask) const;
    Result<bool> Load(int k, Bitmap& color, Bitmap& mask) const;
    void Delete(int k) const;
};

}  // namespace gf
