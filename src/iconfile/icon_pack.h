#pragma once
// Joining one-image icon files into one multi-image ICO file: the list window's "Save all in
// one" and the command-line "pack" both go through here. The image blocks are copied unchanged;
// the layout itself is AssembleIconFile's.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "iconfile/ico_format.h"
#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/result.h"

namespace gf {

// The first image of an icon file (its directory entry and its block), checked to lie inside
// the file. A one-image file has exactly this one image.
Result<IconBlock> ReadFirstIconBlock(Bytes file);

// Why a pack failed, so that callers can word their own message.
enum class PackFailure {
    None,
    SourceUnreadable,  // a source file is missing, unreadable or holds no image
    TooLarge,          // too many images, or the result would pass 4 GiB
    TargetUnwritable,  // the target could not be written; it is left as it was
};

struct PackOutcome {
    PackFailure Failure = PackFailure::None;
    std::filesystem::path FailedSource;  // the source at fault when SourceUnreadable
    std::string Message;                 // a sentence for a person; empty on success
    std::string Cause;                   // the system's reason for a read or write that failed
    std::size_t ImageCount = 0;          // images written on success

    bool Ok() const { return Failure == PackFailure::None; }
};

// Reads the first image of every source, in order, and writes them as one ICO file to
// `target`, atomically: the target is replaced only when every image was read and the whole
// file is on disk. On any failure the target is exactly as it was before (or still absent).
PackOutcome PackIconFiles(const std::vector<std::filesystem::path>& sources,
                          const std::filesystem::path& target,
                          ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Every icon image of an ICO or CUR file or of an executable, found by the reader's own listing
// (ListIconFile) and each given as the block (and directory entry) of the one-image file the loader
// would cut it into, so joining them gives what loading the file into the list window and saving it
// all in one gives. Images of cursors keep their hot spot. Fails with the loader's message when the file cannot be read or holds no icon.
Result<std::vector<IconBlock>> ReadIconBlocksOf(const std::filesystem::path& file);

// Same with blocks already in memory, as an icon file or (type IconTypeCursor) a cursor file
// with each block's hot spot.
PackOutcome WriteIconBlocks(const std::vector<IconBlock>& blocks,
                            const std::filesystem::path& target,
                            std::uint16_t type = IconTypeIcon,
                            ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

}  // namespace gf
